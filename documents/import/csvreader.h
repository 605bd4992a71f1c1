#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

struct ImportTable;

// Reads a table saved as text by a spreadsheet program: UTF-8 with or without a byte order
// mark, Windows-1251 or UTF-16 with its mark; fields separated by ";", "," or tab; fields
// in double quotes may hold separators, line breaks and doubled quotes.
class CsvReader
{
public:
    enum Encoding { AutoEncoding, Utf8, Windows1251, Utf16 };

    // What the user chose (AutoEncoding, a null separator: find out) and, after reading,
    // what was used.
    struct Dialect
    {
        Encoding encoding = AutoEncoding;
        QChar separator;
    };

    static bool read(const QByteArray &data, Dialect *dialect, ImportTable *table, QString *error);

    static QString encodingName(Encoding encoding);
    static QString separatorName(QChar separator);

    // The text of the file in the chosen encoding, or in the one its bytes show. False when
    // the bytes cannot be a text table (a picture, a document, an archive).
    static bool decode(const QByteArray &data, Encoding *encoding, QString *text);
    // The candidate that splits the first lines into the same number of several fields.
    static QChar detectSeparator(const QString &text);
    // At most `maxRows` rows when it is not negative (used to try separators on a sample).
    static bool parse(const QString &text,
                      QChar separator,
                      ImportTable *table,
                      QString *error,
                      int maxRows = -1);
};
