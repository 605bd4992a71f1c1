#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// What was printed on which blank: one row per document put on a blank form, kept in the
// register beside the documents (table PrintJournal), with the blanks marked as spoiled.
// A print into a PDF file is kept too, but uses no blank.
// Failures are logged by the database service and reported through the return values.
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
        int pages = 0; // sides of the blank printed
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

    // The new row's id, or -1.
    static int add(const Entry &entry);
    static bool update(int id, int pages, Outcome outcome);
    // False for a print into a file or one given up before any page: it has no blank to spoil.
    static bool markSpoiled(int id, const QString &reason);
    // Newest first.
    static QList<Entry> entries(const Filter &filter);
    // Blanks of the form (0: of every form) used and spoiled among the rows printed within
    // the days given.
    static Counts counts(const QDate &from, const QDate &to, int form = 0);

    static QString outcomeText(Outcome outcome);
    static QString defaultSpoiledReason();
};
