#include "printcontroller.h"

#include "printing/batchprintdialog.h"
#include "printing/engine.h"
#include "printing/printcheckdialog.h"

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
    if (ids.isEmpty() || !checkBeforePrint(type, ids))
        return;
    auto *dialog = new BatchPrintDialog(type, ids, printBackground, m_window);
    QString error;
    if (!dialog->prepare(&error)) {
        delete dialog;
        emit m_engine->error(error, QStringLiteral("Ошибка"));
        return;
    }
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
