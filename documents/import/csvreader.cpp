#include "csvreader.h"

#include "importtable.h"

#include <QTextCodec>
#include <algorithm>

namespace {

const QChar quote = QLatin1Char('"');
const QList<QChar> separators{QLatin1Char(';'), QLatin1Char(','), QLatin1Char('\t')};

// Control characters other than tab and line breaks do not occur in a table saved as text,
// but are everywhere in binary files, which the Windows-1251 decoder would take byte by byte.
// Zero bytes are left to the parser, which refuses them naming the line.
bool looksBinary(const QString &text)
{
    const int sample = qMin(text.size(), 64 * 1024);
    int control = 0;
    for (int i = 0; i < sample; ++i) {
        const ushort c = text.at(i).unicode();
        if ((c > 0 && c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || c == 0xFFFD)
            ++control;
    }
    return control > sample / 100;
}

} // namespace

QString CsvReader::encodingName(Encoding encoding)
{
    switch (encoding) {
    case Utf8:
        return QStringLiteral("UTF-8");
    case Windows1251:
        return QStringLiteral("Windows-1251");
    case Utf16:
        return QStringLiteral("UTF-16");
    case AutoEncoding:
        break;
    }
    return QStringLiteral("автоматически");
}

QString CsvReader::separatorName(QChar separator)
{
    if (separator == QLatin1Char('\t'))
        return QStringLiteral("табуляция");
    if (separator.isNull())
        return QStringLiteral("автоматически");
    return QStringLiteral("«%1»").arg(separator);
}

bool CsvReader::decode(const QByteArray &data, Encoding *encoding, QString *text)
{
    const QByteArray utf8Mark("\xEF\xBB\xBF");
    const bool utf16Mark = data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF");
    if (*encoding == AutoEncoding) {
        if (utf16Mark) {
            *encoding = Utf16;
        } else if (data.startsWith(utf8Mark)) {
            *encoding = Utf8;
        } else {
            QTextCodec::ConverterState state;
            QTextCodec::codecForName("UTF-8")->toUnicode(data.constData(), data.size(), &state);
            *encoding = state.invalidChars == 0 && state.remainingChars == 0 ? Utf8 : Windows1251;
        }
    }
    switch (*encoding) {
    case Utf16:
        *text = QTextCodec::codecForName("UTF-16")->toUnicode(data);
        break;
    case Windows1251:
        *text = QTextCodec::codecForName("Windows-1251")->toUnicode(data);
        break;
    case Utf8:
    case AutoEncoding: {
        // With its length: QString::fromUtf8(QByteArray) stops at a zero byte and would drop
        // the rest of the file unseen.
        const int skip = data.startsWith(utf8Mark) ? utf8Mark.size() : 0;
        *text = QString::fromUtf8(data.constData() + skip, data.size() - skip);
        break;
    }
    }
    if (text->startsWith(QChar(0xFEFF)))
        text->remove(0, 1);
    return !looksBinary(*text);
}

bool CsvReader::parse(
        const QString &text, QChar separator, ImportTable *table, QString *error, int maxRows)
{
    QStringList row;
    QString field;
    bool inQuotes = false;
    int lineNumber = 1; // of the row being read, as a spreadsheet program counts rows
    int quoteStart = 0; // the row where an open quote began
    const auto endField = [&]() -> bool {
        if (row.size() >= ImportTable::maxColumns) {
            *error = ImportTable::tooManyColumns();
            return false;
        }
        row.append(field);
        field.clear();
        return true;
    };
    const auto endRow = [&]() -> bool {
        if (!endField())
            return false;
        const bool empty = std::all_of(row.cbegin(), row.cend(), [](const QString &cell) {
            return cell.trimmed().isEmpty();
        });
        if (!empty) {
            if (table->rows.size() >= ImportTable::maxRows) {
                *error = ImportTable::tooManyRows();
                return false;
            }
            table->appendRow(row, lineNumber);
        }
        row.clear();
        ++lineNumber;
        return true;
    };

    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        if (maxRows >= 0 && table->rows.size() >= maxRows)
            return true;
        const QChar c = text.at(i);
        if (c.isNull()) {
            // No spreadsheet program writes one: the file is damaged or no text, and
            // reading on as if it were not would import a cut name as a whole one.
            *error = QStringLiteral("Строка %1: в файле нулевой байт, которого не бывает в "
                                    "таблице, сохранённой как текст. Возможно, файл повреждён: "
                                    "сохраните таблицу заново как CSV.")
                             .arg(lineNumber);
            return false;
        }
        if (inQuotes) {
            if (c == quote) {
                if (i + 1 < size && text.at(i + 1) == quote) {
                    field.append(quote);
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else if (c == QLatin1Char('\r')) {
                // A line break inside a cell is one "\n", however the file ends its lines.
                field.append(QLatin1Char('\n'));
                if (i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
                    ++i;
            } else {
                field.append(c);
            }
        } else if (c == quote && field.isEmpty()) {
            inQuotes = true;
            quoteStart = lineNumber;
        } else if (c == separator) {
            if (!endField())
                return false;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            if (!endRow())
                return false;
        } else {
            field.append(c);
        }
        if (field.size() > ImportTable::maxCellChars) {
            *error = ImportTable::cellTooLong(lineNumber, row.size());
            if (inQuotes)
                *error += QStringLiteral(" Возможно, в строке %1 не закрыта кавычка.")
                                  .arg(quoteStart);
            return false;
        }
    }
    if (inQuotes) {
        if (maxRows >= 0)
            return true;
        *error = QStringLiteral("Строка %1: кавычка не закрыта до конца файла.").arg(quoteStart);
        return false;
    }
    if (!row.isEmpty() || !field.isEmpty())
        return endRow();
    return true;
}

QChar CsvReader::detectSeparator(const QString &text)
{
    const QString sample = text.left(64 * 1024);
    QChar best = separators.first();
    int bestRows = 0;
    int bestFields = 1;
    for (const QChar candidate : separators) {
        ImportTable table;
        QString ignored;
        parse(sample, candidate, &table, &ignored, 20);
        if (table.rows.isEmpty() || table.rows.first().size() < 2)
            continue;
        const int fields = table.rows.first().size();
        int rows = 0;
        for (const QStringList &row : qAsConst(table.rows))
            rows += row.size() == fields ? 1 : 0;
        if (rows > bestRows || (rows == bestRows && fields > bestFields)) {
            best = candidate;
            bestRows = rows;
            bestFields = fields;
        }
    }
    return best;
}

bool CsvReader::read(const QByteArray &data, Dialect *dialect, ImportTable *table, QString *error)
{
    QString text;
    if (!decode(data, &dialect->encoding, &text)) {
        *error = QStringLiteral("Файл не похож на таблицу: это не книга Excel (XLSX) и не "
                                "таблица, сохранённая как текст (CSV).");
        return false;
    }
    if (dialect->separator.isNull())
        dialect->separator = detectSeparator(text);
    *table = ImportTable();
    return parse(text, dialect->separator, table, error);
}
