#pragma once

#include "printing/printjournal.h"

#include <QDialog>
#include <memory>

namespace Ui {
class PrintJournalWindow;
}

// "Журнал печати": what was printed, filtered by period, form, outcome and name or number,
// with the count of blanks used and spoiled in the period. A printed blank can be marked as
// spoiled with a reason; a double click opens the document.
class PrintJournalWindow : public QDialog
{
    Q_OBJECT
public:
    explicit PrintJournalWindow(QWidget *parent = nullptr);
    ~PrintJournalWindow() override;

    PrintJournal::Filter filter() const;

public slots:
    void refresh();

signals:
    void documentOpenRequested(int sqlDocId);

protected:
    // Read again whenever the window comes to the front: prints go on meanwhile.
    bool event(QEvent *event) override;

private slots:
    void on_pushButtonSpoiled_clicked();
    void on_pushButtonClose_clicked();
    void on_tableWidgetEntries_cellDoubleClicked(int row, int column);
    void on_tableWidgetEntries_itemSelectionChanged();

private:
    // The journal row shown in a row of the table, or 0.
    int entryAt(int row) const;

    std::unique_ptr<Ui::PrintJournalWindow> ui;
    QList<PrintJournal::Entry> m_entries;
};
