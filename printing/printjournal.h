#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// What was printed on which blank: one row per document put on a blank form, kept in the
// register beside the documents (table PrintJournal), with the blanks marked as spoiled.
// A print into a PDF file is kept too, but uses no blank.
// No record is lost to a register that turns it away (another program holds it past the
// wait, the disk refuses): it is kept by JournalBacklog and written again later.
class PrintJournal
{
public:
    enum class Outcome { Printed, Cancelled };
    enum class Output { Printer, File };

    struct Entry
    {
        int id = 0;
        int documentId = 0;
        QString fio;    // as it was when printed
        int form = 0;   // ReportList::ReportType
        QString number; // the certificate number printed
        QDateTime printedAt;
        QString printer;
        QString workstation; // the computer it was printed from, as the journal has it
        int pages = 0;       // sides of the blank printed
        Outcome outcome = Outcome::Printed;
        Output output = Output::Printer;
        bool spoiled = false;
        QString spoiledReason;
        QDateTime spoiledAt;
    };

    struct Filter
    {
        enum class Kind { All, Printed, Cancelled, Spoiled };
        QDate from; // by the day printed, both ends included; invalid: no bound
        QDate to;
        int form = 0; // 0: every form
        Kind kind = Kind::All;
        QString text; // part of the name or the number, any case
    };

    struct Counts
    {
        int used = 0;    // blanks printed on, wholly or in part; files are none
        int spoiled = 0; // of them, marked as spoiled
    };

    // A change of the journal, as written or kept to be written.
    struct Change
    {
        enum class Kind { Add, Update, Spoil };
        Kind kind = Kind::Add;
        // The row changed. An added row gets its id when written, and a key below 0 while
        // it is kept; a change of that row refers to it by the key.
        int id = 0;
        Entry entry; // Add: the row; Update: pages and outcome; Spoil: reason and time
    };

    // The new row's id; a key below 0 while the row is kept to be written later.
    static int add(const Entry &entry);
    // True when written now, false when kept to be written later.
    static bool update(int id, int pages, Outcome outcome);
    // False for a print into a file or one given up before any page: it has no blank to spoil.
    // `written`, when given, is false when the mark was kept to be written later.
    static bool markSpoiled(int id, const QString &reason, bool *written = nullptr);
    // Writes the changes in one transaction, all of them or none; what the register turns
    // away is kept. True when written now. Added rows get their ids (or keys).
    static bool write(QList<Change> &changes);
    // The same without keeping anything: false, with the driver's words in `error`, when
    // nothing was written.
    static bool writeNow(QList<Change> &changes, QString *error);
    // Newest first.
    static QList<Entry> entries(const Filter &filter);
    // Blanks of the form (0: of every form) used and spoiled among the rows printed within
    // the days given.
    static Counts counts(const QDate &from, const QDate &to, int form = 0);

    static QString outcomeText(Outcome outcome);
    static QString defaultSpoiledReason();
};
