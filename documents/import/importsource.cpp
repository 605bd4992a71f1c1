#include "importsource.h"

#include "xlsxreader.h"

#include <QFile>
#include <QFileInfo>

ImportSource::ImportSource(const QString &path)
    : m_path(path)
{}

bool ImportSource::read(QString *error)
{
    // A file refused half-way leaves no rows to show or import.
    if (readFile(error))
        return true;
    m_table = ImportTable();
    return false;
}

bool ImportSource::readFile(QString *error)
{
    m_table = ImportTable();
    m_sheetNames.clear();
    const QFileInfo info(m_path);
    if (!info.isFile()) {
        *error = QStringLiteral("Файл %1 не найден.").arg(m_path);
        return false;
    }
    if (info.size() == 0) {
        *error = QStringLiteral("Файл %1 пуст.").arg(info.fileName());
        return false;
    }
    if (info.size() > ImportTable::maxFileBytes) {
        *error = QStringLiteral("Файл %1 слишком большой (%2 МБ): таблица для импорта может "
                                "занимать не больше %3 МБ.")
                         .arg(info.fileName())
                         .arg(info.size() / (1024 * 1024))
                         .arg(ImportTable::maxFileBytes / (1024 * 1024));
        return false;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Файл %1 не читается: %2").arg(m_path, file.errorString());
        return false;
    }
    const QByteArray head = file.peek(8);
    // An encrypted workbook is an OLE compound file, like the old binary .xls.
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        *error = QStringLiteral("Файл %1 защищён паролем или сохранён в старом формате Excel "
                                "(XLS). Снимите пароль и сохраните таблицу как книгу Excel "
                                "(XLSX) или как CSV.")
                         .arg(info.fileName());
        return false;
    }
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) {
        file.close();
        m_kind = Xlsx;
        XlsxReader reader(m_path);
        if (!reader.open(error))
            return false;
        m_sheetNames = reader.sheetNames();
        return reader.readSheet(m_sheet, &m_table, error);
    }
    m_kind = Csv;
    m_used = m_chosen;
    const QByteArray data = file.readAll();
    if (data.size() != info.size()) {
        *error = QStringLiteral("Файл %1 не читается: %2").arg(m_path, file.errorString());
        return false;
    }
    return CsvReader::read(data, &m_used, &m_table, error);
}
