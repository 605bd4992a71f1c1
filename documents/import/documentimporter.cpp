#include "documentimporter.h"

#include "app/countword.h"
#include "app/debuglog.h"
#include "documents/documentstore.h"
#include "documents/history/documenthistory.h"

#include <QSqlDatabase>
#include <QSqlError>

bool DocumentImporter::write(const QVector<ImportPlan::Entry> &entries,
                             QList<int> *ids,
                             QString *error)
{
    ids->clear();
    QSqlDatabase db = QSqlDatabase::database();
    // Without a transaction a failure half-way would leave half a class in the register.
    if (!db.isOpen() || !db.transaction()) {
        ZR_LOG() << "no transaction for the import" << db.lastError().text();
        *error = QStringLiteral("Реестр сейчас недоступен для записи, ничего не загружено. "
                                "Попробуйте ещё раз.");
        return false;
    }
    DocumentStore store;
    for (const ImportPlan::Entry &entry : entries) {
        const int id = store.insert(entry.record, false);
        bool stored = id > 0 && store.writeSections(id, entry.record.sections);
        for (int i = 0; stored && i < entry.record.disciplines.size(); ++i)
            stored = store.addDiscipline(id, entry.record.disciplines.at(i));
        stored = stored && DocumentHistory::record(id, DocumentHistory::Kind::Imported);
        if (!stored) {
            db.rollback();
            ids->clear();
            *error = QStringLiteral("Строку %1 не удалось записать в реестр. Загрузка "
                                    "отменена, реестр не изменён.")
                             .arg(entry.line);
            return false;
        }
        ids->append(id);
    }
    if (!db.commit()) {
        ZR_LOG() << "import not committed" << db.lastError().text();
        db.rollback();
        ids->clear();
        *error = QStringLiteral("Документы не удалось сохранить в реестре. Загрузка отменена, "
                                "реестр не изменён.");
        return false;
    }
    return true;
}

QString DocumentImporter::createdText(int count)
{
    return countWord(count,
                     QStringLiteral("создан %1 документ"),
                     QStringLiteral("создано %1 документа"),
                     QStringLiteral("создано %1 документов"))
            .arg(count);
}
