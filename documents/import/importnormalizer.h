#pragma once

#include "importtable.h"

#include <QDate>
#include <QString>

// Turns the texts of a spreadsheet's cells into the values the register keeps.
class ImportNormalizer
{
public:
    // One of the grades the appendix editor offers ("5", "4", "3", "2", "Освоено"), read
    // also from the words "отлично", "хорошо", "удовлетворительно", "неудовлетворительно",
    // "зачёт", "зачтено" and from the printed form "5 (Отлично)", in any case. An empty cell
    // gives an empty grade; `ok` is false for anything else.
    static QString grade(const QString &text, bool *ok);

    // A date as DateParser reads one typed in the edit dialog and, in a workbook, a day
    // number counted as the workbook counts them. An empty cell gives an invalid date with
    // `ok` true; an unreadable one an invalid date with `ok` false.
    static QDate date(const QString &text, ImportTable::DaySerials daySerials, bool *ok);
    static QDate dateFromSerial(double serial, bool date1904 = false);

    // A header or a grade word reduced for comparison: lower case, "ё" as "е", punctuation
    // as blanks, blanks collapsed; "№" is kept.
    static QString key(const QString &text);
};
