#pragma once

#include "printing/batchprint.h"

#include <QDialog>
#include <memory>

class QPrinter;

namespace Ui {
class BatchPrintDialog;
}

// Prints a batch: the printer and how it stacks its sheets, where to start, then the progress
// ("Документ 17 из 54") with Cancel. After a cancel or a jam the batch goes on from the
// document and side chosen, as often as needed. Once the whole batch is out, a spoiled blank
// is printed again alone: the document and sides chosen, named in a question first.
class BatchPrintDialog : public QDialog
{
    Q_OBJECT
public:
    BatchPrintDialog(int type, const QList<int> &ids, bool background, QWidget *parent = nullptr);
    ~BatchPrintDialog() override;

    // Reads the form and the documents; false with the reason for the user.
    bool prepare(QString *error);
    QPrinter *printer() const { return m_printer.get(); }
    BatchPrint *batch() const { return m_batch; }
    BatchPrint::Stacking stacking() const;
    // Where the next print starts, or what is printed again: a document of the batch (from 0)
    // and a side (1 or 2).
    void setStart(int document, int side);
    int startStep() const;
    // One of the stacks a class is printed in, from 1: the window says which, and once this
    // stack is out, that the next one starts when the window is closed.
    void setStack(int stack, int stacks);

public slots:
    // Escape while printing stops the batch instead of taking the window away under it.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_pushButtonPrinter_clicked();
    void on_pushButtonPrint_clicked();
    void on_pushButtonReprint_clicked();
    void on_pushButtonCancel_clicked();
    void on_pushButtonClose_clicked();

private:
    bool ask(const QString &question, const QString &yes);
    bool askToTurn(const QString &firstDocument);
    // The printer is chosen: its stacking remembered; false with the reason shown.
    bool readyToPrint();
    // Once the batch is out: only a reprint and Close are offered.
    void offerReprint();
    void fillSides(bool reprint);
    BatchPrint::Sides chosenSides() const;
    // "документ 4 «Иванов Иван», только сторона 2 (оборот)"
    QString reprintText(int first, int last, BatchPrint::Sides sides) const;
    bool confirmReprint(int first, int last, BatchPrint::Sides sides);
    void showProgress(int step, int steps, int position, int ofDocuments, bool back);
    void showPrinter();
    void setRunning(bool running);

    std::unique_ptr<Ui::BatchPrintDialog> ui;
    std::unique_ptr<QPrinter> m_printer;
    BatchPrint *m_batch = nullptr;
    int m_type;
    bool m_running = false;
    int m_stack = 1;
    int m_stacks = 1;
};
