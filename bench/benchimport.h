#pragma once

#include "documents/import/documentimporter.h"
#include "documents/import/importmapping.h"
#include "documents/import/importplan.h"
#include "documents/import/importsource.h"

#include <QSqlQuery>

// An import as the wizard makes it with the columns it guesses: the file read, checked
// against the register and written.
namespace BenchImport {

inline bool readFile(const QString &path, ImportSource *source)
{
    *source = ImportSource(path);
    QString error;
    return source->read(&error);
}

// The number of documents made; 0 when the import failed.
inline int importFile(const QString &path)
{
    ImportSource source;
    if (!readFile(path, &source))
        return 0;
    const ImportTable &table = source.table();
    const ImportPlan plan = ImportPlan::build(
            table, ImportMapping::guess(table, ImportMapping::firstRowIsHeader(table)), 0);
    QList<int> ids;
    QString error;
    if (!plan.canImport(false) || !DocumentImporter::write(plan.entries, &ids, &error))
        return 0;
    return ids.size();
}

// Each run of an import starts from an empty register.
inline void emptyRegister()
{
    for (const char *table : {"PsDocuments", "PsDocumentDetails", "PsDocumentHistory"})
        QSqlQuery(QStringLiteral("DELETE FROM ") + QLatin1String(table)).exec();
}

} // namespace BenchImport
