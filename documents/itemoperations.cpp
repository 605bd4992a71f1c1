#include "itemoperations.h"

#include "app/debuglog.h"
#include "database/database.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCompleter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlTableModel>
#include <QVariantList>

void fillValueCombo(const QString &table, const QString &column, QComboBox *combo, int limit)
{
    if (!combo)
        return;
    combo->addItems(Database::mostUsedValues(table, column, limit));
    combo->clearEditText();
    if (QCompleter *completer = combo->completer())
        completer->setCaseSensitivity(Qt::CaseSensitive);
}

namespace {

void exchange(QAbstractItemModel *model, int a, int b, int firstColumn)
{
    for (int column = firstColumn; column < model->columnCount(); ++column) {
        const QModelIndex first = model->index(a, column);
        const QModelIndex second = model->index(b, column);
        const QVariant firstValue = first.data(Qt::DisplayRole);
        model->setData(first, second.data(Qt::DisplayRole), Qt::EditRole);
        model->setData(second, firstValue, Qt::EditRole);
    }
}

} // namespace

bool swapRows(QAbstractItemModel *model, int a, int b, int firstColumn)
{
    if (!model)
        return false;
    const int rows = model->rowCount();
    if (a < 0 || b < 0 || a >= rows || b >= rows)
        return false;

    auto *table = qobject_cast<QSqlTableModel *>(model);
    if (!table) {
        exchange(model, a, b, firstColumn);
        return true;
    }

    // Written field by field, a failure half-way would leave one row twice and
    // lose the other; collect both rows and store them together instead.
    const QSqlTableModel::EditStrategy strategy = table->editStrategy();
    table->setEditStrategy(QSqlTableModel::OnManualSubmit);
    exchange(table, a, b, firstColumn);
    QSqlDatabase db = table->database();
    bool stored = db.transaction();
    if (!stored)
        ZR_LOG() << "swapRows: no transaction" << db.lastError().text();
    stored = stored && table->submitAll();
    if (stored) {
        stored = db.commit();
        if (!stored)
            ZR_LOG() << "swapRows: commit failed" << db.lastError().text();
    } else {
        ZR_LOG() << "swapRows: rows not stored" << table->lastError().text();
    }
    if (!stored) {
        db.rollback();
        table->revertAll();
        table->select();
    }
    table->setEditStrategy(strategy);
    return stored;
}

QString readError(const QSqlQueryModel *model)
{
    if (!model)
        return QString();
    if (model->lastError().isValid())
        return model->lastError().text();
    // A read that breaks off half-way leaves its error on the query, not on the model.
    const QSqlError fetch = model->query().lastError();
    return fetch.isValid() ? fetch.text() : QString();
}
