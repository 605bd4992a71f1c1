#include "itemoperations.h"

#include "database/database.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QWidget>

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

class WheelNeedsFocus : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        const auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || widget->hasFocus())
            return false;
        // Ignored, the event goes on to the parent widgets.
        event->ignore();
        return true;
    }
};

} // namespace

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

void wheelOnlyWhenFocused(QWidget *widget)
{
    // A widget that takes the focus from the wheel would have it before the check.
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->installEventFilter(new WheelNeedsFocus(widget));
}
