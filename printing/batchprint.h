#pragma once

#include "printing/printjournal.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

class FileReplacement;
class QPrinter;
class ReportPage;

// Prints many documents on one form without a preview. A two-sided form is printed as a
// stack: side 1 of every sheet, then, after the user has turned the stack over and put it
// back, side 2 of every sheet in the order the printer feeds the turned stack. Every pass is
// one print job; what each job printed goes to the print journal once the job is handed
// over. A batch stopped by the user, a declined turn or a jam goes on from any step; a blank
// spoiled after all is printed again on its own.
class BatchPrint : public QObject
{
    Q_OBJECT
public:
    // How the printer lays the printed sheets down: face down, the stack turned over feeds
    // the first sheet first; face up, it feeds the last sheet first.
    enum class Stacking { FaceDown, FaceUp };
    // The sides of a document printed again.
    enum class Sides { Both, Front, Back };

    struct Step
    {
        int document = 0; // index into the batch's documents
        int page = 0;     // page of the template; -1 for the empty back of a last sheet
        bool back() const { return page != 0 && (page < 0 || page % 2 == 1); }
        bool operator==(const Step &other) const
        {
            return document == other.document && page == other.page;
        }
    };

    BatchPrint(int type, const QList<int> &ids, bool background, QObject *parent = nullptr);
    ~BatchPrint() override;

    // Reads the form's template; false with the reason for the user.
    bool load(QString *error);
    int pagesPerDocument() const;
    bool twoSided() const { return pagesPerDocument() > 1; }
    const QList<int> &documents() const { return m_ids; }
    // "Иванов Иван Иванович" of a document of the batch, as printed.
    QString documentName(int index) const;

    // The order of the whole batch: the fronts of every sheet of every document, then the
    // backs in the order the turned stack is fed.
    static QList<Step> order(int documents, int pagesPerDocument, Stacking stacking);
    QList<Step> steps(Stacking stacking) const;
    // Documents `first` to `last` again, only the sides given: their own fronts, then their
    // own backs as the turned sheets are fed, never another document's.
    QList<Step> reprintSteps(int first, int last, Sides sides, Stacking stacking) const;

    // Called before the first back of a pass with the name of the document whose sheet is
    // fed first; false stops the batch there. Without it the stack is taken as turned.
    std::function<bool(const QString &firstDocument)> turnStack;

    // Prints the steps from `from` on to the printer (set up here for the form's paper) and
    // returns the index of the first step not printed: steps(stacking).size() when done.
    // Into a PDF file a two-sided batch writes "<name> (сторона 1).pdf" and "(сторона 2)".
    int print(QPrinter *printer, Stacking stacking, int from);
    // Prints reprintSteps(), each document with a journal row of its own; true when every
    // step was handed over.
    bool reprint(QPrinter *printer, Stacking stacking, int first, int last, Sides sides);
    // Stops after the page being drawn; what was drawn is still handed over.
    void cancel() { m_cancelled = true; }
    bool failed() const { return m_failed; }
    // Why the batch failed when it was its PDF file, for the user; empty otherwise.
    QString failure() const { return m_failure; }

    // The stacking last used with the printer, per user.
    static Stacking stacking(const QString &printer);
    static void setStacking(const QString &printer, Stacking stacking);

signals:
    // Before a step of the whole batch is drawn; `position` counts the document within its
    // pass from 1.
    void progress(int step, int steps, int position, int ofDocuments, bool back);

private:
    struct Document
    {
        QString name;
        QString number;
        int journalId = 0;  // the journal row of the blank the document is printed on
        QList<int> printed; // the template's pages printed on that blank
        int pages = 0;      // the pages that blank is to get
    };
    // Prints `all` from `from` on, pass by pass; the index of the first step not printed.
    int run(QPrinter *printer, const QList<Step> &all, int from);
    // Forgets the document's blank: what is printed next goes on a new one.
    void startBlank(int document, int pages);
    // Prints the steps of the pass [passStart, passEnd) from `from` on as one job; false when
    // the job failed.
    bool printPass(QPrinter *printer,
                   const QList<Step> &all,
                   int passStart,
                   int passEnd,
                   int from,
                   int *done);
    // Draws the steps of the pass onto the printer as one job; false when the job failed.
    bool paintPass(QPrinter *printer,
                   const QList<Step> &all,
                   int passStart,
                   int passEnd,
                   int from,
                   QList<Step> *printed);
    bool fileFailed(const FileReplacement &file);
    void record(const QList<Step> &printed, const QPrinter *printer);

    int m_type;
    QList<int> m_ids;
    bool m_background;
    int m_pagesPerBlank = 0; // what a blank gets in the run going on
    std::unique_ptr<ReportPage> m_page;
    QVector<Document> m_documents;
    bool m_cancelled = false;
    bool m_failed = false;
    QString m_failure;
};
