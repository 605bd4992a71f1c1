#pragma once

#include "app/commandline.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

class QIODevice;
class QTextStream;

// "Книга регистрации выданных свидетельств": the certificates issued in a period, in the
// order of their registration numbers, with an empty column for the recipient's signature.
// Written as a PDF to print and sign (A4 landscape, the header row on every page, page
// numbers) or as a CSV that spreadsheet programs open as it is (UTF-8 with a byte order
// mark, ";" between cells).
class RegisterBook
{
public:
    struct Row
    {
        QString regNumber;
        QString name; // surname, first name and patronymic
        QDate birthDate;
        QString number;
        QDate issueDate;
    };

    // Issued documents (templates left out) by issue date, both ends included; with no bound
    // every document, with one, only documents that have an issue date. `read`, when given,
    // is false when the register could not be read: the rows are not the book then.
    static QList<Row> rows(const QDate &from, const QDate &to, bool *read = nullptr);

    static QByteArray csv(const QList<Row> &rows);
    // By the file's extension, .pdf or .csv; the file is replaced only once complete.
    static bool write(const QString &path, const QDate &from, const QDate &to, QString *error);

    static QString title();
    // 1 September of the school year the day belongs to: the period asked for most.
    static QDate schoolYearStart(const QDate &day);
    // The period a book is asked for first: the school year of the newest issue date
    // (1 September to 31 August), or this school year up to today when none was issued.
    static QPair<QDate, QDate> lastPeriod(const QDate &today);
    // "с 01.09.2023 по 31.05.2024", "по 31.05.2024", "за всё время".
    static QString periodText(const QDate &from, const QDate &to);

    // `--register-book` for the program's command line.
    static HeadlessCommand command();

private:
    static bool writePdf(QIODevice *device, const QList<Row> &rows, const QString &period);
    static int runCommand(const QCommandLineParser &parser, QTextStream &err);
};
