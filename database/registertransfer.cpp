#include "registertransfer.h"

#include "app/countword.h"
#include "app/debuglog.h"
#include "postgresengine.h"
#include "registerconnection.h"
#include "registerschema.h"
#include "reporttemplates.h"
#include "sqliteengine.h"

#include <QSqlQuery>
#include <algorithm>

namespace {

// Whether every table of the register on `db` is empty (false when one could not be read).
bool empty(const QSqlDatabase &db)
{
    bool read = false;
    const QVector<RegisterCopy::Table> tables = RegisterCopy::summary(db, &read);
    return read && std::all_of(tables.cbegin(), tables.cend(), [](const RegisterCopy::Table &t) {
               return t.rows == 0;
           });
}

} // namespace

bool RegisterTransfer::toServer(const RegisterConnection &source,
                                const RegisterAddress &server,
                                const QMap<QString, QByteArray> &templates,
                                QVector<RegisterCopy::Table> *copied,
                                QString *error)
{
    const QString where = server.toString();
    RegisterConnection target(PostgresEngine::instance(), where);
    RegisterFailure failure = target.open();
    if (failure.ok())
        failure = target.engine().checkAccess(target.database());
    if (failure.ok() && target.engine().holdsNothing(target.database())) {
        const RegisterFailure made = RegisterSchema::create(target);
        if (!made.ok()) {
            *error = QStringLiteral("Не удалось создать таблицы реестра в базе данных %1 (их "
                                    "создаёт владелец базы данных): %2")
                             .arg(where, made.detail.trimmed());
            return false;
        }
        RegisterSchema::upgrade(target);
        RegisterSchema::applyViews(target);
    } else if (failure.ok()) {
        failure = RegisterSchema::check(target, IntegrityScope::Whole);
        if (failure.ok() && !empty(target.database())) {
            *error = QStringLiteral("В базе данных %1 уже есть реестр с данными: перенос "
                                    "делается только в пустую базу данных.")
                             .arg(where);
            return false;
        }
    }
    if (!failure.ok()) {
        *error = failure.text(where);
        return false;
    }
    QString reason;
    const auto storeTemplates = [&templates](const QSqlDatabase &to, QString *error) {
        return ReportTemplates::writeAll(to, templates, error);
    };
    if (!RegisterCopy::copy(
                source.database(), target.database(), copied, &reason, storeTemplates)) {
        *error = QStringLiteral("Реестр не перенесён на сервер %1, база данных там оставлена "
                                "как была: %2")
                         .arg(where, reason);
        return false;
    }
    // The files were written over what the source's table held, if it held any: the
    // server tells the rows.
    const QString kept = QStringLiteral("ReportTemplates");
    auto table = std::find_if(copied->begin(), copied->end(), [&](const RegisterCopy::Table &t) {
        return t.name == kept;
    });
    if (table == copied->end())
        table = copied->insert(copied->end(), RegisterCopy::Table{kept});
    QSqlQuery count(target.database());
    if (count.exec(QStringLiteral("SELECT COUNT(*) FROM ReportTemplates")) && count.next())
        table->rows = count.value(0).toInt();
    ZR_LOG() << "register moved to" << where;
    return true;
}

bool RegisterTransfer::fromFile(const QString &file,
                                const RegisterAddress &server,
                                const QMap<QString, QByteArray> &templates,
                                QVector<RegisterCopy::Table> *copied,
                                QString *error)
{
    RegisterConnection source(SqliteEngine::instance(), file, RegisterConnection::Access::ReadOnly);
    const RegisterFailure opened = source.open();
    if (!opened.ok()) {
        *error = opened.text(file);
        return false;
    }
    return toServer(source, server, templates, copied, error);
}

QString RegisterTransfer::copiedText(const QVector<RegisterCopy::Table> &copied)
{
    QStringList lines;
    for (const RegisterCopy::Table &table : copied)
        lines << QStringLiteral("  %1: %2 %3")
                         .arg(table.name)
                         .arg(table.rows)
                         .arg(countWord(table.rows,
                                        QStringLiteral("строка"),
                                        QStringLiteral("строки"),
                                        QStringLiteral("строк")));
    return lines.join('\n');
}
