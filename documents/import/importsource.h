#pragma once

#include "documents/import/csvreader.h"
#include "documents/import/importtable.h"

#include <QString>
#include <QStringList>

// A spreadsheet file to import, read as a table of text cells: an XLSX workbook (one of its
// sheets) or a table saved as text. The kind is told by the file's bytes, not its name, so
// a renamed file is read for what it is or refused with a message saying what it is.
class ImportSource
{
public:
    enum Kind { Csv, Xlsx };

    explicit ImportSource(const QString &path = QString());

    QString path() const { return m_path; }
    // For text tables: what the user chose (AutoEncoding, a null separator: find out).
    void setDialect(const CsvReader::Dialect &dialect) { m_chosen = dialect; }
    // For workbooks: the sheet, counted from 0.
    void setSheet(int index) { m_sheet = index; }

    // (Re)reads the file with the current choices; false with a message for the user.
    bool read(QString *error);

    Kind kind() const { return m_kind; }
    const ImportTable &table() const { return m_table; }
    // The encoding and separator used for the last text table read.
    CsvReader::Dialect dialect() const { return m_used; }
    QStringList sheetNames() const { return m_sheetNames; }
    int sheet() const { return m_sheet; }

private:
    bool readFile(QString *error);

    QString m_path;
    Kind m_kind = Csv;
    CsvReader::Dialect m_chosen;
    CsvReader::Dialect m_used;
    int m_sheet = 0;
    QStringList m_sheetNames;
    ImportTable m_table;
};
