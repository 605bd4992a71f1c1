#include "documentstable.h"

#include "database/database.h"
#include "database/registerwatcher.h"
#include "dateitemdelegate.h"
#include "documentbin.h"
#include "documentstore.h"
#include "emptystatewidget.h"
#include "history/documenthistory.h"
#include "registermodel.h"
#include "schoolclass.h"

#include <QHeaderView>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <algorithm>
#include <memory>

namespace {

enum Column { NameColumn = 1, IssueDateColumn = 2, NumberColumn = 3, RegNumberColumn = 4 };
constexpr int editDateColumn = 5;
constexpr int classColumn = 6;

// Case and the letter Ё do not matter to someone looking for a name: "федоров"
// finds Фёдоров and "фёдоров" finds Федоров.
QString folded(const QString &text)
{
    return text.toCaseFolded().replace(QChar(0x0451), QChar(0x0435));
}

bool allDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

QString digitsOf(const QString &text)
{
    QString digits;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    }
    return digits;
}

} // namespace

DocumentsTable::DocumentsTable(QWidget *parent)
    : DocumentsTableAbstract(parent)
{
    auto dates = new DateItemDelegate(this);
    setItemDelegateForColumn(IssueDateColumn, dates);
    setItemDelegateForColumn(editDateColumn, dates);
    m_emptyState = new EmptyStateWidget(viewport());
    // A class is looked at, numbered and printed in surname order until the user sorts
    // otherwise.
    horizontalHeader()->setSortIndicator(NameColumn, Qt::AscendingOrder);
    initTable();
}

DocumentsTable::~DocumentsTable() = default;

void DocumentsTable::initTable()
{
    QSqlTableModel *model = RegisterModel::ofRegister();
    setSqlModel(model);
    const QStringList headers{QStringLiteral("docID"),
                              QStringLiteral("ФИО"),
                              QStringLiteral("Дата выдачи"),
                              QStringLiteral("Номер"),
                              QStringLiteral("Рег номер"),
                              QStringLiteral("Дата изменения"),
                              QStringLiteral("Класс")};
    for (int column = 0; column < headers.size(); ++column)
        model->setHeaderData(column, Qt::Horizontal, headers.at(column), Qt::EditRole);
    DocumentsTableAbstract::initTable();
    // Other workstations' changes of a server register are shown as they happen.
    RegisterWatcher::instance()->watch();
    connect(RegisterWatcher::instance(),
            &RegisterWatcher::documentsChangedElsewhere,
            this,
            &DocumentsTable::refreshDocuments,
            Qt::UniqueConnection);
    // Last in the view, so that the columns before it keep their places; shown beside the name.
    horizontalHeader()->moveSection(horizontalHeader()->visualIndex(classColumn), NameColumn + 1);
}

QStringList DocumentsTable::schoolClasses() const
{
    QStringList classes;
    std::unique_ptr<QSqlQuery> query(Database::execQuery(
            QStringLiteral("SELECT DISTINCT schoolClass FROM viewPsDocuments;")));
    while (query->next())
        classes << query->value(0).toString();
    return SchoolClass::distinct(classes);
}

bool DocumentsTable::deleteDocuments(const QList<int> &ids)
{
    // Into the bin: nothing typed is lost by a wrong click.
    return DocumentBin::moveIn(ids);
}

int DocumentsTable::copyDocument(int id)
{
    return DocumentStore::copyRow(id);
}

bool DocumentsTable::copyDocumentDetails(int oldId, int newId)
{
    if (newId <= 0)
        return false;
    // The copy's first version comes with its appendix, in the copy's transaction.
    return DocumentStore::copyDisciplines(oldId, newId)
           && DocumentHistory::record(newId, DocumentHistory::Kind::Copied);
}

bool DocumentsTable::canPrint(int type, int id)
{
    Q_UNUSED(type)
    Q_UNUSED(id)
    return true;
}

int DocumentsTable::totalCount() const
{
    return sqlModel() ? sqlModel()->rowCount() : 0;
}

void DocumentsTable::readFilterColumns()
{
    QSqlTableModel *model = sqlModel();
    const int rows = model->rowCount();
    m_foldedNames.clear();
    m_numberDigits.clear();
    m_issueDates.clear();
    m_classKeys.clear();
    m_foldedNames.reserve(rows);
    m_numberDigits.reserve(rows);
    m_issueDates.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        m_foldedNames << folded(model->index(row, NameColumn).data().toString());
        // Apart, so that digits typed never match across the two numbers.
        m_numberDigits << digitsOf(model->index(row, NumberColumn).data().toString())
                                  + QLatin1Char('|')
                                  + digitsOf(model->index(row, RegNumberColumn).data().toString());
        m_issueDates << QDate::fromString(model->index(row, IssueDateColumn).data().toString(),
                                          Qt::ISODate);
        m_classKeys << SchoolClass::key(model->index(row, classColumn).data().toString());
    }
    m_columnsRead = true;
}

QPair<QDate, QDate> DocumentsTable::issueDateRange()
{
    if (!sqlModel())
        return {};
    fetchAll();
    if (!m_columnsRead)
        readFilterColumns();
    QDate first;
    QDate last;
    for (const QDate &date : qAsConst(m_issueDates)) {
        if (!date.isValid())
            continue;
        if (!first.isValid() || date < first)
            first = date;
        if (!last.isValid() || date > last)
            last = date;
    }
    return {first, last};
}

void DocumentsTable::setEmptyRegisterActions(const QList<QAction *> &actions)
{
    m_emptyRegisterActions = actions;
    showEmptyState();
}

void DocumentsTable::setNoMatchActions(const QList<QAction *> &actions)
{
    m_noMatchActions = actions;
    showEmptyState();
}

void DocumentsTable::showEmptyState()
{
    if (m_shown > 0) {
        m_emptyState->hide();
        return;
    }
    if (totalCount() == 0)
        m_emptyState->setMessage(
                QStringLiteral("В реестре пока нет документов.\n\n"
                               "Создайте шаблон документа: впишите в него то, что одинаково для "
                               "всего класса. Потом создавайте по нему документы учеников "
                               "кнопкой «Создать документ» или загрузите список класса из "
                               "таблицы."),
                m_emptyRegisterActions);
    else
        m_emptyState->setMessage(QStringLiteral("Ни один документ не подходит под фильтры."),
                                 m_noMatchActions);
    m_emptyState->show();
}

DocumentsTable::Criteria DocumentsTable::criteria() const
{
    Criteria result;
    for (const auto &filter : qAsConst(m_filters)) {
        if (filter.first == QLatin1String("fio"))
            result.name = folded(filter.second.toString());
        else if (filter.first == QLatin1String("dateFrom"))
            result.from = filter.second.toDate();
        else if (filter.first == QLatin1String("dateTo"))
            result.to = filter.second.toDate();
        else if (filter.first == QLatin1String("schoolClass"))
            result.schoolClass = SchoolClass::key(filter.second.toString());
    }
    return result;
}

bool DocumentsTable::needsAllRows() const
{
    const Criteria filter = criteria();
    return filter.byName() || filter.byDate() || filter.byClass();
}

void DocumentsTable::applyFilter()
{
    QSqlTableModel *model = sqlModel();
    if (!model)
        return;
    const Criteria filter = criteria();
    const bool byName = filter.byName();
    // A number typed into the name filter finds the certificate and registration numbers too.
    const bool byNumber = allDigits(filter.name);
    const bool byDate = filter.byDate();
    const bool byClass = filter.byClass();
    const bool filtered = byName || byDate || byClass;
    if (filtered && !isComplete()) {
        // Reading the rest of the register filters it anew (afterReload).
        fetchAll();
        return;
    }
    if (filtered && !m_columnsRead)
        readFilterColumns();

    const int rows = model->rowCount();
    // Hiding rows one by one while the view repaints costs time per row and
    // per row again; with updates suspended the whole register takes a blink.
    setUpdatesEnabled(false);
    verticalHeader()->setUpdatesEnabled(false);
    int shown = 0;
    for (int row = 0; row < rows; ++row) {
        bool keep = true;
        if (byName && !m_foldedNames.at(row).contains(filter.name)
            && !(byNumber && m_numberDigits.at(row).contains(filter.name)))
            keep = false;
        else if (byClass && m_classKeys.at(row) != filter.schoolClass)
            keep = false;
        else if (byDate) {
            const QDate date = m_issueDates.at(row);
            keep = date.isValid() && date >= filter.from && date <= filter.to;
        }
        if (isRowHidden(row) == keep)
            setRowHidden(row, !keep);
        shown += keep ? 1 : 0;
    }
    verticalHeader()->setUpdatesEnabled(true);
    setUpdatesEnabled(true);
    m_shown = shown;
    showEmptyState();
    if (isComplete())
        emit countChanged(rows, shown);
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
