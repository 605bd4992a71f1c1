#include "documentimporter.h"

#include "app/countword.h"
#include "app/debuglog.h"
#include "documents/documentstore.h"
#include "documents/history/documenthistory.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace {

bool begin(QSqlDatabase &db, QString *error)
{
    // Without a transaction a failure half-way would leave half a class in the register.
    if (db.isOpen() && db.transaction())
        return true;
    ZR_LOG() << "no transaction for the import" << db.lastError().text();
    *error = QStringLiteral("Реестр сейчас недоступен для записи, ничего не загружено. "
                            "Попробуйте ещё раз.");
    return false;
}

// The whole class in a few statements, whatever its size.
bool writeAll(const QVector<ImportPlan::Entry> &entries, QList<int> *ids)
{
    QVector<DocumentRecord> records;
    records.reserve(entries.size());
    for (const ImportPlan::Entry &entry : entries)
        records << entry.record;
    return DocumentStore::insertAll(records, ids)
           && DocumentHistory::recordAll(*ids, DocumentHistory::Kind::Imported);
}

// Row by row, to find the line the register refuses.
bool writeEach(const QVector<ImportPlan::Entry> &entries, QList<int> *ids, QString *error)
{
    DocumentStore store;
    for (const ImportPlan::Entry &entry : entries) {
        const int id = store.insert(entry.record, false);
        bool stored = id > 0 && store.writeSections(id, entry.record.sections);
        for (int i = 0; stored && i < entry.record.disciplines.size(); ++i)
            stored = store.addDiscipline(id, entry.record.disciplines.at(i));
        stored = stored && DocumentHistory::record(id, DocumentHistory::Kind::Imported);
        if (!stored) {
            *error = QStringLiteral("Строку %1 не удалось записать в реестр. Загрузка "
                                    "отменена, реестр не изменён.")
                             .arg(entry.line);
            return false;
        }
        ids->append(id);
    }
    return true;
}

} // namespace

bool DocumentImporter::write(const QVector<ImportPlan::Entry> &entries,
                             QList<int> *ids,
                             QString *error)
{
    ids->clear();
    QSqlDatabase db = QSqlDatabase::database();
    if (!begin(db, error))
        return false;
    if (writeAll(entries, ids) && db.commit())
        return true;
    ZR_LOG() << "import not written" << db.lastError().text();
    db.rollback();
    ids->clear();
    *error = QStringLiteral("Документы не удалось сохранить в реестре. Загрузка отменена, "
                            "реестр не изменён.");
    // A statement of many rows does not say which of them was refused: tried again row by
    // row, and rolled back whatever comes of it, the import names the line that stops it.
    QList<int> tried;
    if (begin(db, error)) {
        writeEach(entries, &tried, error);
        db.rollback();
    }
    return false;
}

QString DocumentImporter::createdText(int count)
{
    return countWord(count,
                     QStringLiteral("создан %1 документ"),
                     QStringLiteral("создано %1 документа"),
                     QStringLiteral("создано %1 документов"))
            .arg(count);
}
