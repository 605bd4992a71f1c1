#include "rowbatch.h"

#include "app/debuglog.h"
#include "database.h"

#include <QSqlError>
#include <QStringList>
#include <algorithm>

RowBatch::RowBatch(const QString &head, const QString &group, const QString &tail)
    : m_head(head)
    , m_group(group)
    , m_tail(tail)
    , m_rowsPerStatement(std::max(1, maxValues / std::max(1, int(group.count(QLatin1Char('?'))))))
{}

QString RowBatch::statement(int rows) const
{
    QStringList groups;
    groups.reserve(rows);
    for (int i = 0; i < rows; ++i)
        groups << m_group;
    return m_head + groups.join(QStringLiteral(", ")) + m_tail;
}

bool RowBatch::run(const QVector<QVariantList> &rows, const std::function<bool(QSqlQuery &)> &read)
{
    // Every full statement has the same text: prepared once, it is only run again.
    QSqlQuery full;
    full.setForwardOnly(true);
    for (int first = 0; first < rows.size(); first += m_rowsPerStatement) {
        const int count = std::min(m_rowsPerStatement, int(rows.size()) - first);
        QSqlQuery last;
        last.setForwardOnly(true);
        QSqlQuery &query = count == m_rowsPerStatement ? full : last;
        const QString sql = statement(count);
        if (query.lastQuery() != sql && !query.prepare(sql)) {
            ZR_LOG() << "SQL ERROR" << sql << query.lastError().text();
            return false;
        }
        for (int row = first; row < first + count; ++row) {
            for (const QVariant &value : rows.at(row))
                query.addBindValue(value);
        }
        if (!Database::exec(query) || (read && !read(query)))
            return false;
    }
    return true;
}
