#pragma once

#include "printing/gendersplit.h"

#include <QList>
#include <QObject>
#include <QPointer>

class Engine;
class PrintCheckDialog;
class QWidget;

// Every print of the main window passes here: the documents are checked on the form first,
// and the print goes on when nothing is wrong or the user says "Печатать всё равно". One
// document is printed through the engine's preview, several as a batch. Boys and girls chosen
// together for a certificate are printed, once the user agrees, as two batches in turn, each
// on its own blank.
class PrintController : public QObject
{
    Q_OBJECT
public:
    PrintController(Engine *engine, QWidget *window);

    // The check list last opened from the menu; null once it is closed.
    PrintCheckDialog *checkDialog() const;

public slots:
    void printDocument(int type, int sqlDocId, bool printBackground);
    void printDocuments(int type, const QList<int> &ids, bool printBackground);
    // The problems of the documents on every form, or on one chosen in the list.
    void checkDocuments(const QList<int> &ids);

signals:
    void documentOpenRequested(int sqlDocId);
    void organisationOptionsRequested();

private:
    // True when the documents may be printed: no problem, or the user wants it anyway.
    bool checkBeforePrint(int type, const QList<int> &ids);
    // "Мальчики: 14 — бланк для мальчиков; ..." and how the two stacks go; true to print them.
    bool confirmSplit(const GenderSplit &split);
    // Opens the batch `index`; the next one opens when its window is closed.
    void startBatch(const QList<GenderSplit::Batch> &batches, int index, bool printBackground);
    // A check list's double clicks go on to whoever opens documents and options.
    void forwardRequests(PrintCheckDialog *dialog);

    Engine *m_engine;
    QWidget *m_window;
    QPointer<PrintCheckDialog> m_checkDialog;
};
