#include "reporttemplates.h"

#include "app/debuglog.h"
#include "documents/history/changeauthor.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

bool ReportTemplates::read(const QSqlDatabase &db,
                           const QString &id,
                           QByteArray *content,
                           QSqlError *failure)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT content FROM ReportTemplates WHERE reportId = ?"));
    query.addBindValue(id);
    if (!query.exec() || (!query.next() && query.lastError().isValid())) {
        ZR_LOG() << "SQL ERROR" << query.lastQuery() << query.lastError().text();
        if (failure)
            *failure = query.lastError();
        return false;
    }
    *content = query.isValid() ? query.value(0).toByteArray() : QByteArray();
    return true;
}

bool ReportTemplates::write(const QSqlDatabase &db,
                            const QString &id,
                            const QByteArray &content,
                            QSqlError *failure)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
            "INSERT INTO ReportTemplates (reportId, content, savedAt, savedBy) "
            "VALUES (?, ?, ?, ?) ON CONFLICT (reportId) DO UPDATE SET content = excluded.content, "
            "savedAt = excluded.savedAt, savedBy = excluded.savedBy"));
    query.addBindValue(id);
    query.addBindValue(content);
    query.addBindValue(
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    query.addBindValue(ChangeAuthor::current());
    if (query.exec())
        return true;
    ZR_LOG() << "SQL ERROR" << query.lastQuery() << query.lastError().text();
    if (failure)
        *failure = query.lastError();
    return false;
}

bool ReportTemplates::writeAll(const QSqlDatabase &db,
                               const QMap<QString, QByteArray> &templates,
                               QString *error)
{
    for (auto it = templates.cbegin(); it != templates.cend(); ++it) {
        QSqlError failure;
        QByteArray stored;
        if (!write(db, it.key(), it.value(), &failure) || !read(db, it.key(), &stored, &failure)) {
            *error = QStringLiteral("шаблон бланка %1 не записан: %2")
                             .arg(it.key(), failure.text().trimmed());
            return false;
        }
        if (stored != it.value()) {
            *error = QStringLiteral("шаблон бланка %1 записан не полностью").arg(it.key());
            return false;
        }
    }
    return true;
}

bool ReportTemplates::kept(const QSqlDatabase &db)
{
    return db.tables().contains(QStringLiteral("ReportTemplates"), Qt::CaseInsensitive);
}
