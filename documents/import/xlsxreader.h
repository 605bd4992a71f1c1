#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

class QuaZip;
class QXmlStreamReader;
struct ImportTable;

// Reads the worksheets of an Excel workbook (XLSX: a zip archive of XML parts) as text
// cells: shared and inline strings, numbers, and dates, which the workbook keeps as day
// numbers with a date format, written as "dd.MM.yyyy". Formulas give their stored results.
class XlsxReader
{
public:
    // A part that unpacks to more than this is refused: a zip bomb or no table at all.
    static constexpr qint64 maxPartBytes = 64 * 1024 * 1024;

    explicit XlsxReader(const QString &path);
    ~XlsxReader();

    // Reads the list of sheets and what the sheets share (strings, formats).
    bool open(QString *error);
    QStringList sheetNames() const { return m_sheetNames; }
    bool readSheet(int index, ImportTable *table, QString *error);

private:
    enum Presence { Required, Optional };
    bool readPart(const QString &name, Presence presence, QByteArray *data, QString *error);
    // Relationship id to the part it points at, resolved from the folder of `part`.
    bool readRelationships(const QString &part,
                           QHash<QString, QString> *targets,
                           QHash<QString, QString> *types,
                           QString *error);
    bool readWorkbook(const QString &part, QString *error);
    bool readSharedStrings(const QString &part, QString *error);
    bool readStyles(const QString &part, QString *error);
    bool xmlFailed(const QXmlStreamReader &xml, const QString &part, QString *error) const;
    QString
    cellText(const QString &type, int style, const QString &value, const QString &inlineText) const;

    QString m_path;
    std::unique_ptr<QuaZip> m_zip;
    QStringList m_sheetNames;
    QStringList m_sheetParts;
    QStringList m_sharedStrings;
    QVector<bool> m_dateStyles; // per cell format: does it show a date
    bool m_date1904 = false;
};
