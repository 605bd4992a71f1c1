#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// A sheet of text cells as read from a CSV file or an XLSX worksheet, before any meaning is
// given to its columns. Both readers keep to the same limits, so that a hostile or mistaken
// file is refused with a message instead of filling the memory or freezing the window.
struct ImportTable
{
    // Far beyond any class list or school export; the same for every kind of file.
    static constexpr qint64 maxFileBytes = 20 * 1024 * 1024;
    static constexpr int maxColumns = 256;
    static constexpr int maxRows = 10000;
    static constexpr int maxCellChars = 10000;

    QVector<QStringList> rows; // empty rows are left out; a row may be shorter than others
    QVector<int> lineNumbers;  // the row number a spreadsheet program shows for each row
    int columnCount = 0;
    // A number in a date column of a workbook is a day number, counted in one of the two
    // systems spreadsheets have (the workbook says which); in a text table it is no date.
    enum DaySerials { NoDaySerials, DaysFrom1900, DaysFrom1904 };
    DaySerials daySerials = NoDaySerials;

    QString cell(int row, int column) const { return rows.at(row).value(column); }
    void appendRow(const QStringList &cells, int lineNumber)
    {
        rows.append(cells);
        lineNumbers.append(lineNumber);
        columnCount = qMax(columnCount, int(cells.size()));
    }

    // "A" for the first column, "Z", "AA", ... as spreadsheet programs name them.
    static QString columnName(int column)
    {
        QString name;
        for (int n = column + 1; n > 0; n = (n - 1) / 26)
            name.prepend(QChar(QLatin1Char('A').unicode() + (n - 1) % 26));
        return name;
    }

    static QString tooManyColumns()
    {
        return QStringLiteral("В таблице больше %1 столбцов. Оставьте в ней только столбцы "
                              "с данными учеников.")
                .arg(maxColumns);
    }
    static QString tooManyRows()
    {
        return QStringLiteral("В таблице больше %1 строк. Разделите её на несколько файлов.")
                .arg(maxRows);
    }
    static QString cellTooLong(int lineNumber, int column)
    {
        return QStringLiteral("Строка %1, столбец %2: значение длиннее %3 символов.")
                .arg(lineNumber)
                .arg(columnName(column))
                .arg(maxCellChars);
    }
};
