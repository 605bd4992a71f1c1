#include "printcontroller.h"

#include "printing/batchprintdialog.h"
#include "printing/engine.h"
#include "printing/printcheckdialog.h"

#include <QMessageBox>
#include <QPushButton>

PrintController::PrintController(Engine *engine, QWidget *window)
    : QObject(window)
    , m_engine(engine)
    , m_window(window)
{}

PrintCheckDialog *PrintController::checkDialog() const
{
    return m_checkDialog;
}

void PrintController::forwardRequests(PrintCheckDialog *dialog)
{
    connect(dialog,
            &PrintCheckDialog::documentOpenRequested,
            this,
            &PrintController::documentOpenRequested);
    connect(dialog,
            &PrintCheckDialog::organisationOptionsRequested,
            this,
            &PrintController::organisationOptionsRequested);
}

bool PrintController::checkBeforePrint(int type, const QList<int> &ids)
{
    PrintCheckDialog dialog(ids, type, PrintCheckDialog::Mode::BeforePrint, m_window);
    if (dialog.problems().isEmpty())
        return true;
    forwardRequests(&dialog);
    return dialog.exec() == QDialog::Accepted;
}

void PrintController::printDocument(int type, int sqlDocId, bool printBackground)
{
    if (checkBeforePrint(type, {sqlDocId}))
        m_engine->onDocumentPrint(type, sqlDocId, printBackground);
}

void PrintController::printDocuments(int type, const QList<int> &ids, bool printBackground)
{
    if (ids.size() == 1) {
        printDocument(type, ids.first(), printBackground);
        return;
    }
    if (ids.isEmpty())
        return;
    const GenderSplit split(type, ids);
    if (split.isSplit() && !confirmSplit(split))
        return;
    // Every stack is checked on its own blank before the first sheet goes through.
    for (const GenderSplit::Batch &batch : split.batches()) {
        if (!checkBeforePrint(batch.type, batch.ids))
            return;
    }
    startBatch(split.batches(), 0, printBackground);
}

bool PrintController::confirmSplit(const GenderSplit &split)
{
    QMessageBox box(QMessageBox::Question,
                    QStringLiteral("Внимание!"),
                    QStringLiteral("Среди выделенных документов есть и мальчики, и девочки, а "
                                   "бланки для них разные.\n%1.\nСначала печатается стопка на "
                                   "бланках для мальчиков, затем, когда окно печати первой "
                                   "стопки будет закрыто, стопка на бланках для девочек.")
                            .arg(split.text()),
                    QMessageBox::Ok | QMessageBox::Cancel,
                    m_window);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Печатать двумя стопками"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void PrintController::startBatch(const QList<GenderSplit::Batch> &batches,
                                 int index,
                                 bool printBackground)
{
    const GenderSplit::Batch &batch = batches.at(index);
    auto *dialog = new BatchPrintDialog(batch.type, batch.ids, printBackground, m_window);
    QString error;
    if (!dialog->prepare(&error)) {
        delete dialog;
        emit m_engine->error(error, QStringLiteral("Ошибка"));
        return;
    }
    if (batches.size() > 1)
        dialog->setStack(index + 1, batches.size());
    if (index + 1 < batches.size())
        connect(dialog, &QDialog::finished, this, [this, batches, index, printBackground] {
            startBatch(batches, index + 1, printBackground);
        });
    dialog->show();
}

void PrintController::checkDocuments(const QList<int> &ids)
{
    if (m_checkDialog)
        m_checkDialog->close();
    // The form is not chosen yet: the documents may go onto any of them.
    m_checkDialog = new PrintCheckDialog(ids, 0, PrintCheckDialog::Mode::Check, m_window);
    forwardRequests(m_checkDialog);
    m_checkDialog->show();
}
