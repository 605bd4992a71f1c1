#pragma once

#include "printing/printcheck.h"

#include <QDialog>
#include <QList>
#include <memory>

namespace Ui {
class PrintCheckDialog;
}

// The problems of documents on a form, one row each. Before a print it stands between the
// choice of the form and the printer: the print goes on only with "Печатать всё равно".
// Otherwise it is a window of its own, on every form or one chosen in it. A double click on
// a row asks for that document, or for the organisation's options, to be opened.
class PrintCheckDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Check, BeforePrint };

    // Type 0, in the check mode: every form.
    PrintCheckDialog(const QList<int> &ids, int type, Mode mode, QWidget *parent = nullptr);
    ~PrintCheckDialog() override;

    // Checks the documents on the chosen form again and shows what was found.
    void recheck();
    const QList<PrintCheck::Problem> &problems() const { return m_problems; }
    // 0 for every form.
    int form() const;

signals:
    void documentOpenRequested(int sqlDocId);
    void organisationOptionsRequested();

private slots:
    void on_comboBoxForm_currentIndexChanged(int index);
    void on_pushButtonRecheck_clicked();
    void on_pushButtonPrint_clicked();
    void on_pushButtonClose_clicked();
    void on_tableWidgetProblems_cellDoubleClicked(int row, int column);

private:
    void showProblems();

    std::unique_ptr<Ui::PrintCheckDialog> ui;
    QList<int> m_ids;
    Mode m_mode;
    QList<PrintCheck::Problem> m_problems;
};
