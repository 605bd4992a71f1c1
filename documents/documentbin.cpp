#include "documentbin.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "history/changeauthor.h"
#include "history/documenthistory.h"
#include "personname.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

// "(3, 5, 8)"; empty when no id is a stored one.
QString idList(const QList<int> &ids)
{
    QStringList list;
    for (int id : ids) {
        if (id > 0)
            list << QString::number(id);
    }
    return list.isEmpty() ? QString() : "(" + list.join(QStringLiteral(", ")) + ")";
}

// Runs the statements in one transaction.
bool runTogether(const QStringList &statements)
{
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "no transaction for the bin" << db.lastError().text();
        return false;
    }
    for (const QString &statement : statements) {
        QSqlQuery query(db);
        query.prepare(statement);
        if (!Database::exec(query)) {
            db.rollback();
            return false;
        }
    }
    if (db.commit())
        return true;
    ZR_LOG() << "bin change not committed" << db.lastError().text();
    db.rollback();
    return false;
}

// Sets `columns` on the rows that meet `condition` and records a version of each, in one
// transaction.
bool changeRecorded(const QString &condition,
                    const QString &columns,
                    const QVariantMap &binds,
                    DocumentHistory::Kind kind)
{
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "no transaction for the bin" << db.lastError().text();
        return false;
    }
    QList<int> changed;
    QSqlQuery which(db);
    which.prepare(QStringLiteral("SELECT psId FROM PsDocuments WHERE %1;").arg(condition));
    bool done = Database::exec(which);
    while (done && which.next())
        changed << which.value(0).toInt();
    done = done && Database::readToEnd(which);
    QSqlQuery update(db);
    update.prepare(QStringLiteral("UPDATE PsDocuments SET %1, version = version + 1 WHERE %2;")
                           .arg(columns, condition));
    for (auto bind = binds.cbegin(); bind != binds.cend(); ++bind)
        update.bindValue(bind.key(), bind.value());
    done = done && Database::exec(update);
    for (int i = 0; done && i < changed.size(); ++i)
        done = DocumentHistory::record(changed.at(i), kind);
    if (done && db.commit())
        return true;
    ZR_LOG() << "bin change not done" << db.lastError().text();
    db.rollback();
    return false;
}

} // namespace

bool DocumentBin::moveIn(const QList<int> &ids)
{
    const QString in = idList(ids);
    if (in.isEmpty())
        return true;
    return changeRecorded(
            QStringLiteral("psId IN %1 AND COALESCE(isTemplate, 0) != 1 AND deletedAt IS NULL")
                    .arg(in),
            QStringLiteral("deletedAt = :at, deletedBy = :by"),
            {{QStringLiteral(":at"),
              QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))},
             {QStringLiteral(":by"), ChangeAuthor::current()}},
            DocumentHistory::Kind::MovedToBin);
}

bool DocumentBin::read(QVector<Entry> *entries)
{
    entries->clear();
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT psId, fio1, fio2, fio3, schoolClass, number, deletedAt, "
                                 "deletedBy FROM PsDocuments WHERE deletedAt IS NOT NULL "
                                 "ORDER BY deletedAt DESC, psId;"));
    if (!Database::exec(query))
        return false;
    while (query.next()) {
        Entry entry;
        entry.id = query.value(0).toInt();
        entry.name = PersonName{query.value(1).toString(),
                                query.value(2).toString(),
                                query.value(3).toString()}
                             .full();
        entry.schoolClass = query.value(4).toString();
        entry.number = query.value(5).toString();
        entry.deletedAt = query.value(6).toString();
        entry.deletedBy = query.value(7).toString();
        entries->append(entry);
    }
    return Database::readToEnd(query);
}

bool DocumentBin::restore(const QList<int> &ids)
{
    const QString in = idList(ids);
    if (in.isEmpty())
        return true;
    return changeRecorded(QStringLiteral("psId IN %1 AND deletedAt IS NOT NULL").arg(in),
                          QStringLiteral("deletedAt = NULL, deletedBy = NULL"),
                          {},
                          DocumentHistory::Kind::RestoredFromBin);
}

bool DocumentBin::removeForGood(const QList<int> &ids)
{
    const QString in = idList(ids);
    if (in.isEmpty())
        return true;
    // The appendix rows first, while the rows still tell which documents are in the bin.
    const QString binned
            = QStringLiteral(
                      "SELECT psId FROM PsDocuments WHERE psId IN %1 AND deletedAt IS NOT NULL")
                      .arg(in);
    return runTogether(
            {QStringLiteral("DELETE FROM PsDocumentDetails WHERE psId IN (%1);").arg(binned),
             QStringLiteral("DELETE FROM PsDocuments WHERE psId IN (%1);").arg(binned)});
}

QString DocumentBin::outsideCondition()
{
    return QStringLiteral(
            "(COALESCE(isTemplate, 0) = 1 OR psId IN (SELECT psId FROM viewPsDocuments))");
}
