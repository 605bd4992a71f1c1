#pragma once

#include "documenthistory.h"

#include <QDialog>
#include <QVector>

namespace Ui {
class HistoryDialog;
}

// "История изменений" of one document: its versions newest first with date, who and what
// changed; the selected one shown whole, and made current again on request.
class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    explicit HistoryDialog(int psId, QWidget *parent = nullptr);
    ~HistoryDialog() override;

signals:
    // A version was made current: the document changed.
    void documentRestored(int psId);

private slots:
    void on_tableWidgetVersions_itemSelectionChanged();
    void on_pushButtonRestore_clicked();
    void on_pushButtonClose_clicked();

private:
    void fillVersions();
    // The row's version; rows are newest first.
    int versionIndex(int row) const;
    void showVersion(const DocumentHistory::Version &version);
    void tell(const QString &text);

    Ui::HistoryDialog *ui;
    int m_psId = 0;
    QVector<DocumentHistory::Version> m_versions; // oldest first
};
