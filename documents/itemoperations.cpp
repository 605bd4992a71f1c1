#include "itemoperations.h"

#include "database/database.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCompleter>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>

void fillValueCombo(const QString &table, const QString &column, QComboBox *combo, int limit)
{
    if (!combo)
        return;
    combo->addItems(Database::mostUsedValues(table, column, limit));
    combo->clearEditText();
    if (QCompleter *completer = combo->completer())
        completer->setCaseSensitivity(Qt::CaseSensitive);
}

bool swapRows(QAbstractItemModel *model, int a, int b, int firstColumn)
{
    if (!model)
        return false;
    const int rows = model->rowCount();
    if (a < 0 || b < 0 || a >= rows || b >= rows)
        return false;
    for (int column = firstColumn; column < model->columnCount(); ++column) {
        const QModelIndex first = model->index(a, column);
        const QModelIndex second = model->index(b, column);
        const QVariant firstValue = first.data(Qt::DisplayRole);
        model->setData(first, second.data(Qt::DisplayRole), Qt::EditRole);
        model->setData(second, firstValue, Qt::EditRole);
    }
    return true;
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
