#include "registermodel.h"

#include "database/database.h"
#include "database/russiancollation.h"

#include <QSqlDriver>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>

namespace {

const QString view = QStringLiteral("viewPsDocuments");
const QString nameField = QStringLiteral("fio");

} // namespace

RegisterModel *RegisterModel::ofRegister()
{
    // The database service drops its models when the register is closed or replaced (a
    // restore); this one is a child of the service's model of the same view and goes with it.
    QSqlTableModel *owner = Database::tableModel(view);
    auto *model = owner->findChild<RegisterModel *>(QString(), Qt::FindDirectChildrenOnly);
    if (!model) {
        model = new RegisterModel(owner, owner->database());
        model->setTable(Database::storedName(view));
        // A view has no key of its own: its rows are read anew one by one by the document's id.
        QSqlIndex key(model->tableName());
        key.append(model->record().field(0));
        model->setPrimaryKey(key);
    }
    return model;
}

void RegisterModel::setSort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    QSqlTableModel::setSort(column, order);
}

QString RegisterModel::orderByClause() const
{
    const QSqlField field = record().field(m_sortColumn);
    if (field.name() != nameField)
        return QSqlTableModel::orderByClause();
    // The view joins the names with spaces, and a space sorts before every letter: the
    // surname decides first, then the name, then the patronymic.
    const QString column
            = tableName() + '.'
              + database().driver()->escapeIdentifier(field.name(), QSqlDriver::FieldName);
    return QStringLiteral("ORDER BY %1 %2")
            .arg(RussianCollation::collated(column, database()),
                 m_sortOrder == Qt::AscendingOrder ? QStringLiteral("ASC")
                                                   : QStringLiteral("DESC"));
}
