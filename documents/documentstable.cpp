#include "documentstable.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "documentstore.h"

#include <QHeaderView>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <memory>

DocumentsTable::DocumentsTable(QWidget *parent)
    : DocumentsTableAbstract(parent)
{
    initTable();
}

DocumentsTable::~DocumentsTable() = default;

void DocumentsTable::initTable()
{
    QSqlTableModel *model = Database::tableModel(QStringLiteral("viewPsDocuments"));
    setSqlModel(model);
    const QStringList headers{QStringLiteral("docID"),
                              QStringLiteral("ФИО"),
                              QStringLiteral("Дата выдачи"),
                              QStringLiteral("Номер"),
                              QStringLiteral("Рег номер"),
                              QStringLiteral("Дата изменения")};
    for (int column = 0; column < headers.size(); ++column)
        model->setHeaderData(column, Qt::Horizontal, headers.at(column), Qt::EditRole);
    DocumentsTableAbstract::initTable();
}

bool DocumentsTable::deleteDocuments(const QList<int> &ids)
{
    QStringList list;
    for (int id : ids) {
        if (id > 0)
            list << QString::number(id);
    }
    if (list.isEmpty())
        return true;
    const QString in = "(" + list.join(QStringLiteral(", ")) + ")";
    // A document and its appendix rows go together or not at all.
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "cant start transaction for delete" << db.lastError().text();
        return false;
    }
    QSqlQuery documents(db);
    QSqlQuery details(db);
    documents.prepare(QStringLiteral("DELETE FROM PsDocuments WHERE psId IN %1").arg(in));
    details.prepare(QStringLiteral("DELETE FROM PsDocumentDetails WHERE psId IN %1").arg(in));
    if (Database::exec(documents) && Database::exec(details) && db.commit())
        return true;
    ZR_LOG() << "delete of documents" << in << "rolled back" << db.lastError().text();
    db.rollback();
    return false;
}

int DocumentsTable::copyDocument(int id)
{
    QSqlQuery query;
    query.prepare(QStringLiteral(
            "INSERT INTO PsDocuments (isTemplate, birthDate, issueDate, number, regNumber, "
            "comment, editDate, fio1, fio2, fio3, decision, add1, add2, add3, add4, add5)"
            "SELECT isTemplate, birthDate, issueDate, number, regNumber, comment, editDate, "
            "'КОПИЯ ' || IFNULL(fio1,''), fio2, fio3, decision, add1, add2, add3, add4, add5 "
            "FROM PsDocuments WHERE psId = :psId;"));
    query.bindValue(QStringLiteral(":psId"), id);
    if (!Database::exec(query))
        return -1;
    // With no source row SQLite inserts nothing and would still hand back the
    // id of some earlier insert, to which the appendix would then be copied.
    if (query.numRowsAffected() != 1) {
        ZR_LOG() << "copyDocument: no document" << id;
        return -1;
    }
    bool ok = false;
    const int newId = query.lastInsertId().toInt(&ok);
    return ok && newId > 0 ? newId : -1;
}

bool DocumentsTable::copyDocumentDetails(int oldId, int newId)
{
    if (newId <= 0)
        return false;
    return DocumentStore::copyDisciplines(oldId, newId);
}

bool DocumentsTable::canPrint(int type, int id)
{
    Q_UNUSED(type)
    Q_UNUSED(id)
    return true;
}

void DocumentsTable::readFilterColumns()
{
    QSqlTableModel *model = sqlModel();
    const int rows = model->rowCount();
    m_foldedNames.clear();
    m_issueDates.clear();
    m_foldedNames.reserve(rows);
    m_issueDates.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        m_foldedNames << model->index(row, 1).data().toString().toCaseFolded();
        m_issueDates << QDate::fromString(model->index(row, 2).data().toString(), Qt::ISODate);
    }
    m_columnsRead = true;
}

void DocumentsTable::applyFilter()
{
    QSqlTableModel *model = sqlModel();
    if (!model)
        return;
    QString fio;
    QDate from;
    QDate to;
    for (const auto &filter : qAsConst(m_filters)) {
        if (filter.first == QLatin1String("fio"))
            fio = filter.second.toString().toCaseFolded();
        else if (filter.first == QLatin1String("dateFrom"))
            from = filter.second.toDate();
        else if (filter.first == QLatin1String("dateTo"))
            to = filter.second.toDate();
    }
    const bool byName = !fio.isEmpty();
    const bool byDate = from.isValid() && to.isValid();
    if ((byName || byDate) && !m_columnsRead)
        readFilterColumns();

    const int rows = model->rowCount();
    // Hiding rows one by one while the view repaints costs time per row and
    // per row again; with updates suspended the whole register takes a blink.
    setUpdatesEnabled(false);
    verticalHeader()->setUpdatesEnabled(false);
    for (int row = 0; row < rows; ++row) {
        bool keep = true;
        if (byName && !m_foldedNames.at(row).contains(fio))
            keep = false;
        else if (byDate) {
            const QDate date = m_issueDates.at(row);
            keep = date.isValid() && date >= from && date <= to;
        }
        if (isRowHidden(row) == keep)
            setRowHidden(row, !keep);
    }
    verticalHeader()->setUpdatesEnabled(true);
    setUpdatesEnabled(true);
}

void DocumentsTable::afterReload()
{
    m_columnsRead = false;
    applyFilter();
}

void DocumentsTable::onFiltersChanged(const FilterList &filterList)
{
    m_filters = filterList;
    applyFilter();
    clearSelection();
    emit unselect();
}
