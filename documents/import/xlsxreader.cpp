#include "xlsxreader.h"

#include "importnormalizer.h"
#include "importtable.h"

#include <QDir>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <quazip5/quazip.h>
#include <quazip5/quazipfile.h>

namespace {

const QString dateText = QStringLiteral("dd.MM.yyyy");

QString brokenFile()
{
    return QStringLiteral("Файл повреждён или не является книгой Excel (XLSX).");
}

bool isElement(const QXmlStreamReader &xml, const char *name)
{
    return xml.name() == QLatin1String(name);
}

// The text of a string item (<si> or <is>): its <t> elements, phonetic hints (<rPh>) left
// out. The reader stands on the item's start and ends on its end.
QString itemText(QXmlStreamReader &xml)
{
    QString text;
    int phonetic = 0;
    const QString itemName = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (isElement(xml, "rPh"))
                ++phonetic;
            else if (isElement(xml, "t") && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement()) {
            if (isElement(xml, "rPh"))
                --phonetic;
            else if (xml.name() == itemName)
                break;
        }
    }
    return text;
}

// "C12" to column 2; -1 when the reference names no column.
int columnOfReference(const QStringRef &reference)
{
    int column = 0;
    int letters = 0;
    for (const QChar c : reference) {
        const ushort u = c.toUpper().unicode();
        if (u < 'A' || u > 'Z')
            break;
        column = column * 26 + (u - 'A' + 1);
        if (++letters > 3)
            return -1;
    }
    return letters > 0 ? column - 1 : -1;
}

// Formats 14 to 17 and 22 are the built-in dates; others show a date when their code has
// day or year letters outside quoted text, escapes and [bracketed] colours or locales.
bool builtInDateFormat(int id)
{
    return (id >= 14 && id <= 17) || id == 22;
}

bool dateFormatCode(const QString &code)
{
    bool quoted = false;
    bool bracketed = false;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('['))
            bracketed = true;
        else if (c == QLatin1Char(']'))
            bracketed = false;
        else if (c == QLatin1Char('\\'))
            ++i;
        else if (!bracketed && QStringLiteral("dDyY").contains(c))
            return true;
    }
    return false;
}

QString numberText(const QString &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value;
    if (std::floor(number) == number && std::fabs(number) < 1e15)
        return QString::number(qint64(number));
    return QString::number(number, 'g', 15);
}

} // namespace

XlsxReader::XlsxReader(const QString &path)
    : m_path(path)
{}

XlsxReader::~XlsxReader() = default;

bool XlsxReader::readPart(const QString &name, Presence presence, QByteArray *data, QString *error)
{
    data->clear();
    if (!m_zip->setCurrentFile(name, QuaZip::csInsensitive)) {
        if (presence == Optional)
            return true;
        *error = brokenFile() + QStringLiteral(" В нём нет части %1.").arg(name);
        return false;
    }
    QuaZipFileInfo64 info;
    if (m_zip->getCurrentFileInfo(&info) && (info.flags & 1)) {
        *error = QStringLiteral("Книга защищена паролем. Откройте её в программе, где она "
                                "создана, снимите пароль и сохраните книгу заново.");
        return false;
    }
    QuaZipFile file(m_zip.get());
    if (!file.open(QIODevice::ReadOnly)) {
        *error = brokenFile();
        return false;
    }
    // The sizes the archive states may lie; only what actually unpacks counts.
    char buffer[64 * 1024];
    qint64 read = 0;
    while ((read = file.read(buffer, sizeof buffer)) > 0) {
        if (data->size() + read > maxPartBytes) {
            *error = QStringLiteral("Часть %1 книги занимает после распаковки больше %2 МБ: "
                                    "файл повреждён или это не таблица.")
                             .arg(name)
                             .arg(maxPartBytes / (1024 * 1024));
            data->clear();
            return false;
        }
        data->append(buffer, int(read));
    }
    file.close();
    if (read < 0 || file.getZipError() != UNZ_OK) {
        *error = brokenFile();
        data->clear();
        return false;
    }
    return true;
}

bool XlsxReader::xmlFailed(const QXmlStreamReader &xml, const QString &part, QString *error) const
{
    if (!xml.hasError())
        return false;
    *error = brokenFile()
             + QStringLiteral(" Ошибка в части %1, строка %2: %3.")
                       .arg(part)
                       .arg(xml.lineNumber())
                       .arg(xml.errorString());
    return true;
}

bool XlsxReader::readRelationships(const QString &part,
                                   QHash<QString, QString> *targets,
                                   QHash<QString, QString> *types,
                                   QString *error)
{
    QString folder = QFileInfo(part).path();
    if (folder == QLatin1String("."))
        folder.clear();
    const QString name = (folder.isEmpty() ? QString() : folder + QLatin1Char('/'))
                         + QStringLiteral("_rels/") + QFileInfo(part).fileName()
                         + QStringLiteral(".rels");
    QByteArray data;
    if (!readPart(name, Required, &data, error))
        return false;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || !isElement(xml, "Relationship"))
            continue;
        const QString id = xml.attributes().value(QStringLiteral("Id")).toString();
        QString target = xml.attributes().value(QStringLiteral("Target")).toString();
        if (target.startsWith(QLatin1Char('/')))
            target = target.mid(1);
        else if (!folder.isEmpty())
            target = QDir::cleanPath(folder + QLatin1Char('/') + target);
        targets->insert(id, target);
        types->insert(id, xml.attributes().value(QStringLiteral("Type")).toString());
    }
    return !xmlFailed(xml, name, error);
}

bool XlsxReader::open(QString *error)
{
    m_zip = std::make_unique<QuaZip>(m_path);
    if (!m_zip->open(QuaZip::mdUnzip)) {
        *error = brokenFile();
        return false;
    }
    QHash<QString, QString> targets;
    QHash<QString, QString> types;
    // The package's own relationships ("_rels/.rels") name the workbook part.
    if (!readRelationships(QString(), &targets, &types, error))
        return false;
    QString workbook;
    for (auto it = types.cbegin(); it != types.cend(); ++it)
        if (it.value().endsWith(QLatin1String("/officeDocument")))
            workbook = targets.value(it.key());
    if (workbook.isEmpty()) {
        *error = brokenFile() + QStringLiteral(" В нём нет книги.");
        return false;
    }
    return readWorkbook(workbook, error);
}

bool XlsxReader::readWorkbook(const QString &part, QString *error)
{
    QHash<QString, QString> targets;
    QHash<QString, QString> types;
    if (!readRelationships(part, &targets, &types, error))
        return false;
    QByteArray data;
    if (!readPart(part, Required, &data, error))
        return false;
    m_sheetNames.clear();
    m_sheetParts.clear();
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (isElement(xml, "workbookPr")) {
            const QStringRef date1904 = xml.attributes().value(QStringLiteral("date1904"));
            m_date1904 = date1904 == QLatin1String("1") || date1904 == QLatin1String("true");
        } else if (isElement(xml, "sheet")) {
            // r:id, whichever prefix and namespace version the writer used.
            QString id;
            for (const QXmlStreamAttribute &attribute : xml.attributes())
                if (attribute.name() == QLatin1String("id") && !attribute.prefix().isEmpty())
                    id = attribute.value().toString();
            m_sheetNames << xml.attributes().value(QStringLiteral("name")).toString();
            m_sheetParts << targets.value(id);
        }
    }
    if (xmlFailed(xml, part, error))
        return false;
    if (m_sheetNames.isEmpty()) {
        *error = QStringLiteral("В книге нет листов.");
        return false;
    }
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        if (it.value().endsWith(QLatin1String("/sharedStrings"))
            && !readSharedStrings(targets.value(it.key()), error))
            return false;
        if (it.value().endsWith(QLatin1String("/styles"))
            && !readStyles(targets.value(it.key()), error))
            return false;
    }
    return true;
}

bool XlsxReader::readSharedStrings(const QString &part, QString *error)
{
    QByteArray data;
    if (!readPart(part, Optional, &data, error))
        return false;
    m_sharedStrings.clear();
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && isElement(xml, "si"))
            m_sharedStrings << itemText(xml);
    }
    return !xmlFailed(xml, part, error);
}

bool XlsxReader::readStyles(const QString &part, QString *error)
{
    QByteArray data;
    if (!readPart(part, Optional, &data, error))
        return false;
    m_dateStyles.clear();
    QHash<int, bool> customDates;
    bool inCellFormats = false;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const int format = xml.attributes().value(QStringLiteral("numFmtId")).toInt();
            if (isElement(xml, "numFmt"))
                customDates.insert(
                        format,
                        dateFormatCode(
                                xml.attributes().value(QStringLiteral("formatCode")).toString()));
            else if (isElement(xml, "cellXfs"))
                inCellFormats = true;
            else if (isElement(xml, "xf") && inCellFormats)
                m_dateStyles << (builtInDateFormat(format) || customDates.value(format));
        } else if (xml.isEndElement() && isElement(xml, "cellXfs")) {
            inCellFormats = false;
        }
    }
    return !xmlFailed(xml, part, error);
}

QString XlsxReader::cellText(const QString &type,
                             int style,
                             const QString &value,
                             const QString &inlineText) const
{
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.toInt(&ok);
        return ok ? m_sharedStrings.value(index) : QString();
    }
    if (type == QLatin1String("inlineStr"))
        return inlineText;
    if (type == QLatin1String("b"))
        return value == QLatin1String("1") ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
    if (type == QLatin1String("d")) {
        const QDate date = QDate::fromString(value.left(10), Qt::ISODate);
        return date.isValid() ? date.toString(dateText) : value;
    }
    if (type == QLatin1String("str") || type == QLatin1String("e"))
        return value;
    if (style >= 0 && style < m_dateStyles.size() && m_dateStyles.at(style)) {
        const QDate date = ImportNormalizer::dateFromSerial(value.toDouble(), m_date1904);
        if (date.isValid())
            return date.toString(dateText);
    }
    return numberText(value);
}

bool XlsxReader::readSheet(int index, ImportTable *table, QString *error)
{
    *table = ImportTable();
    table->daySerials = m_date1904 ? ImportTable::DaysFrom1904 : ImportTable::DaysFrom1900;
    if (index < 0 || index >= m_sheetParts.size()) {
        *error = QStringLiteral("В книге нет листа %1 (листов в ней: %2).")
                         .arg(index + 1)
                         .arg(m_sheetParts.size());
        return false;
    }
    const QString part = m_sheetParts.at(index);
    QByteArray data;
    if (!readPart(part, Required, &data, error))
        return false;

    QXmlStreamReader xml(data);
    QStringList row;
    int rowNumber = 0;
    int nextColumn = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && isElement(xml, "row")) {
            const bool empty = std::all_of(row.cbegin(), row.cend(), [](const QString &cell) {
                return cell.trimmed().isEmpty();
            });
            if (!empty) {
                if (table->rows.size() >= ImportTable::maxRows) {
                    *error = ImportTable::tooManyRows();
                    return false;
                }
                table->appendRow(row, rowNumber);
            }
            continue;
        }
        if (!xml.isStartElement())
            continue;
        if (isElement(xml, "row")) {
            const QStringRef number = xml.attributes().value(QStringLiteral("r"));
            rowNumber = number.isEmpty() ? rowNumber + 1 : number.toInt();
            row.clear();
            nextColumn = 0;
            continue;
        }
        if (!isElement(xml, "c"))
            continue;
        const QStringRef reference = xml.attributes().value(QStringLiteral("r"));
        const int column = reference.isEmpty() ? nextColumn : columnOfReference(reference);
        if (column < 0) {
            *error = brokenFile();
            return false;
        }
        nextColumn = column + 1;
        const QString type = xml.attributes().value(QStringLiteral("t")).toString();
        const QStringRef styleText = xml.attributes().value(QStringLiteral("s"));
        const int style = styleText.isEmpty() ? 0 : styleText.toInt();
        QString value;
        QString inlineText;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && isElement(xml, "c"))
                break;
            if (!xml.isStartElement())
                continue;
            if (isElement(xml, "v"))
                value = xml.readElementText();
            else if (isElement(xml, "is"))
                inlineText = itemText(xml);
            else
                xml.skipCurrentElement();
        }
        const QString text = cellText(type, style, value, inlineText);
        if (text.isEmpty())
            continue;
        // An empty cell far to the right (a stray format) does not count, a filled one does.
        if (column >= ImportTable::maxColumns) {
            *error = ImportTable::tooManyColumns();
            return false;
        }
        if (text.size() > ImportTable::maxCellChars) {
            *error = ImportTable::cellTooLong(rowNumber, column);
            return false;
        }
        while (row.size() <= column)
            row << QString();
        row[column] = text;
    }
    return !xmlFailed(xml, part, error);
}
