#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>

// Many rows written or looked up in few statements: a statement is `head`, one `group` of
// placeholders per row, separated by commas, and `tail`, and takes as many rows as the bound
// values every engine accepts allow. Qt's execBatch sends a server one statement per row, and
// each costs a round trip.
class RowBatch
{
public:
    RowBatch(const QString &head, const QString &group, const QString &tail = QString());

    // Runs the rows in their order; `read`, when given, reads the rows each statement gives
    // back (RETURNING, a SELECT) and says whether they were read whole. False (logged) at the
    // first statement that fails.
    bool run(const QVector<QVariantList> &rows, const std::function<bool(QSqlQuery &)> &read = {});

    int rowsPerStatement() const { return m_rowsPerStatement; }

    // The bound values a statement may carry: what the oldest SQLite takes.
    static constexpr int maxValues = 999;

private:
    QString statement(int rows) const;

    QString m_head;
    QString m_group;
    QString m_tail;
    int m_rowsPerStatement = 1;
};
