#include "documentstableabstract.h"

#include "app/debuglog.h"
#include "documents/itemoperations.h"
#include "printing/printdialog.h"

#include <QAction>
#include <QElapsedTimer>
#include <QHash>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QSet>
#include <QSignalBlocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlTableModel>
#include <QTimer>
#include <algorithm>

DocumentsTableAbstract::DocumentsTableAbstract(QWidget *parent)
    : QTableView(parent)
{
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QAbstractItemView::doubleClicked, this, &DocumentsTableAbstract::onRowActivated);

    m_menu = new QMenu(this);
    m_actionAdd = new QAction(QStringLiteral("Добавить новый"), m_menu);
    m_actionCopy = new QAction(QStringLiteral("Создать копию записи"), m_menu);
    m_actionEdit = new QAction(QStringLiteral("Редактировать"), m_menu);
    m_actionDelete = new QAction(QStringLiteral("Удалить"), m_menu);
    m_actionPrint = new QAction(QStringLiteral("Печатать"), m_menu);
    m_actionCheck = new QAction(QStringLiteral("Проверить документы"), m_menu);
    m_actionNumber = new QAction(QStringLiteral("Присвоить номера..."), m_menu);
    m_actionHistory = new QAction(QStringLiteral("История изменений"), m_menu);
    m_actionSelectAll = new QAction(QStringLiteral("Выделить всё"), m_menu);
    connect(m_actionAdd, &QAction::triggered, this, [this] { emit documentClicked(-1); });
    connect(m_actionCopy, &QAction::triggered, this, &DocumentsTableAbstract::onCopyRecordAction);
    connect(m_actionEdit, &QAction::triggered, this, &DocumentsTableAbstract::onEditAction);
    connect(m_actionDelete, &QAction::triggered, this, &DocumentsTableAbstract::onDeleteAction);
    connect(m_actionPrint, &QAction::triggered, this, &DocumentsTableAbstract::onPrintAction);
    connect(m_actionCheck, &QAction::triggered, this, &DocumentsTableAbstract::onCheckAction);
    connect(m_actionNumber, &QAction::triggered, this, [this] {
        const QList<int> ids = actedOnIds();
        if (!ids.isEmpty())
            emit documentsNumber(ids);
    });
    connect(m_actionHistory, &QAction::triggered, this, [this] {
        const int row = actedOnRow();
        if (row >= 0)
            emit documentHistory(docIdAtRow(row));
    });
    connect(m_actionSelectAll,
            &QAction::triggered,
            this,
            &DocumentsTableAbstract::onSelectAllAction);

    m_menu->addAction(m_actionAdd);
    m_menu->addAction(m_actionCopy);
    m_menu->addSeparator();
    m_menu->addAction(m_actionEdit);
    m_menu->addAction(m_actionDelete);
    m_menu->addAction(m_actionPrint);
    m_menu->addAction(m_actionCheck);
    m_menu->addAction(m_actionNumber);
    m_menu->addAction(m_actionHistory);
    m_menu->addSeparator();
    m_menu->addAction(m_actionSelectAll);

    connect(this,
            &QWidget::customContextMenuRequested,
            this,
            &DocumentsTableAbstract::provideContexMenu);

    m_fetchTimer = new QTimer(this);
    m_fetchTimer->setInterval(0);
    connect(m_fetchTimer, &QTimer::timeout, this, &DocumentsTableAbstract::fetchSome);
}

DocumentsTableAbstract::~DocumentsTableAbstract() = default;

void DocumentsTableAbstract::initTable()
{
    if (!m_model)
        return;
    disconnect(m_resetConnection);
    // Every select(), whoever asks for it (a reload, a click on a header),
    // ends here, so the whole register is fetched and filtered each time.
    m_resetConnection = connect(m_model.data(),
                                &QAbstractItemModel::modelReset,
                                this,
                                &DocumentsTableAbstract::onModelReset);
    // The model is sorted as the header shows before the first select, and sorting is
    // switched on while the view has no model: switched on later it would sort, that is
    // read the register, a second time.
    m_model->setSort(horizontalHeader()->sortIndicatorSection(),
                     horizontalHeader()->sortIndicatorOrder());
    m_model->setEditStrategy(QSqlTableModel::OnFieldChange);
    if (model() != m_model) {
        setModel(nullptr);
        setSortingEnabled(true);
        setModel(m_model);
    }
    m_model->select();
    connect(selectionModel(),
            &QItemSelectionModel::currentRowChanged,
            this,
            [this](const QModelIndex &current) { m_currentDocId = docIdAtRow(current.row()); });
    hideColumn(0);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    resizeColumnsToContents();
}

void DocumentsTableAbstract::onModelReset()
{
    if (!m_model)
        return;
    m_currentDocId = 0;
    m_fetchTimer->stop();
    m_readFailureTold = false;
    // The rest is read once the first rows are on screen: the window comes first.
    m_fetchPending = false;
    if (needsAllRows())
        fetchBlocked([] { return true; });
    else
        m_fetchPending = m_model->canFetchMore();
    checkRead();
    afterReload();
    // The reset cleared the selection without telling anyone.
    emit unselect();
}

void DocumentsTableAbstract::afterReload() {}

bool DocumentsTableAbstract::isComplete() const
{
    return !m_model || !m_model->canFetchMore();
}

void DocumentsTableAbstract::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    if (m_fetchPending) {
        m_fetchPending = false;
        m_fetchTimer->start();
    }
}

void DocumentsTableAbstract::fetchAll()
{
    m_fetchPending = false;
    m_fetchTimer->stop();
    if (isComplete())
        return;
    fetchBlocked([] { return true; });
    afterReload();
}

void DocumentsTableAbstract::fetchSome()
{
    // A slice at a time, so that the window answers while the register is read.
    QElapsedTimer slice;
    slice.start();
    fetchBlocked([&slice] { return slice.elapsed() < 20; });
    if (isComplete()) {
        m_fetchTimer->stop();
        afterReload();
    }
}

void DocumentsTableAbstract::fetchBlocked(const std::function<bool()> &goOn)
{
    if (!m_model || !m_model->canFetchMore())
        return;
    // Announced batch by batch, 256 rows at a time, the view would lay itself out
    // hundreds of times; the register is ours alone, so the batches go unannounced and
    // the header learns the new count once. Rows are only ever added at the end.
    {
        const QSignalBlocker blocker(m_model.data());
        while (m_model->canFetchMore() && goOn())
            m_model->fetchMore();
    }
    verticalHeader()->reset();
    updateGeometries();
    viewport()->update();
    checkRead();
}

void DocumentsTableAbstract::checkRead()
{
    const QString error = readError(m_model);
    if (error.isEmpty() || m_readFailureTold)
        return;
    m_readFailureTold = true;
    ZR_LOG() << "register not read whole" << m_model->rowCount() << error;
    emit readFailed(QStringLiteral("Реестр прочитан не полностью, показаны не все документы "
                                   "(%1 строк). Ошибка: %2")
                            .arg(m_model->rowCount())
                            .arg(error));
}

void DocumentsTableAbstract::updateData()
{
    if (!m_model) {
        // The database service drops its models when a backup is restored.
        initTable();
        if (!m_model)
            return;
    } else {
        m_model->select();
    }
    resizeColumnsToContents();
    emit reselected();
}

int DocumentsTableAbstract::docIdAtRow(int row) const
{
    if (!m_model || row < 0)
        return 0;
    return m_model->index(row, 0).data(Qt::DisplayRole).toInt();
}

QList<int> DocumentsTableAbstract::selectedVisibleRows() const
{
    QList<int> rows;
    if (!m_model || !selectionModel())
        return rows;
    for (const QModelIndex &index : selectionModel()->selectedRows(0)) {
        if (!isRowHidden(index.row()))
            rows << index.row();
    }
    return rows;
}

void DocumentsTableAbstract::selectDocuments(const QList<int> &ids)
{
    if (!m_model || !selectionModel())
        return;
    fetchAll();
    const QSet<int> wanted(ids.cbegin(), ids.cend());
    QItemSelection selection;
    int first = -1;
    const int lastColumn = m_model->columnCount() - 1;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (isRowHidden(row) || !wanted.contains(docIdAtRow(row)))
            continue;
        selection.select(m_model->index(row, 0), m_model->index(row, lastColumn));
        if (first < 0)
            first = row;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (first >= 0)
        scrollTo(m_model->index(first, 1));
}

void DocumentsTableAbstract::reloadKeepingView()
{
    QList<int> ids;
    for (int row : selectedVisibleRows())
        ids << docIdAtRow(row);
    const int current = m_currentDocId;
    const int down = verticalScrollBar()->value();
    const int across = horizontalScrollBar()->value();
    updateData();
    if (!m_model)
        return;
    selectDocuments(ids);
    for (int row = 0; current > 0 && row < m_model->rowCount(); ++row) {
        if (docIdAtRow(row) == current) {
            selectionModel()->setCurrentIndex(m_model->index(row, 1),
                                              QItemSelectionModel::NoUpdate);
            break;
        }
    }
    verticalScrollBar()->setValue(down);
    horizontalScrollBar()->setValue(across);
}

void DocumentsTableAbstract::refreshDocuments(const QList<int> &ids)
{
    QHash<int, int> rowOf;
    for (int row = 0; m_model && row < m_model->rowCount(); ++row)
        rowOf.insert(docIdAtRow(row), row);
    // A row not read yet would come from the register as it was when the table read it.
    const auto unknown = [&](int id) { return !rowOf.contains(id); };
    if (ids.isEmpty() || std::any_of(ids.cbegin(), ids.cend(), unknown)) {
        reloadKeepingView();
        return;
    }
    for (int id : ids) {
        if (!m_model->selectRow(rowOf.value(id))) {
            ZR_LOG() << "row not read anew" << id << m_model->lastError().text();
            reloadKeepingView();
            return;
        }
    }
    // What the filter compares was read from the rows before.
    afterReload();
}

void DocumentsTableAbstract::selectionChanged(const QItemSelection &selected,
                                              const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    emit selectedCountChanged(selectedCount());
}

void DocumentsTableAbstract::onRowActivated(const QModelIndex &index)
{
    if (!m_model)
        return;
    emit documentClicked(index.isValid() ? docIdAtRow(index.row()) : 0);
}

int DocumentsTableAbstract::actedOnRow() const
{
    if (!m_model || !selectionModel())
        return -1;
    // The one selected row wins over a current row the user has deselected.
    const QList<int> rows = selectedVisibleRows();
    if (rows.size() == 1)
        return rows.first();
    const int current = selectionModel()->currentIndex().row();
    return current >= 0 && !isRowHidden(current) ? current : -1;
}

void DocumentsTableAbstract::onEditAction()
{
    const int row = actedOnRow();
    if (row >= 0)
        emit documentClicked(docIdAtRow(row));
}

void DocumentsTableAbstract::onSelectAllAction()
{
    selectAll();
}

void DocumentsTableAbstract::selectAll()
{
    if (!m_model || !selectionModel())
        return;
    fetchAll();
    // QTableView would select the rows the filter hides as well, and a delete
    // that follows would remove documents the user cannot see.
    QItemSelection selection;
    const int rows = m_model->rowCount();
    const int lastColumn = m_model->columnCount() - 1;
    int first = -1;
    for (int row = 0; row <= rows; ++row) {
        const bool visible = row < rows && !isRowHidden(row);
        if (visible && first < 0)
            first = row;
        if (!visible && first >= 0) {
            selection.append(QItemSelectionRange(m_model->index(first, 0),
                                                 m_model->index(row - 1, lastColumn)));
            first = -1;
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void DocumentsTableAbstract::prepareContextMenu(const QPoint &pos)
{
    const int n = selectedCount();
    const bool onRow = indexAt(pos).isValid();
    m_actionCopy->setEnabled(onRow && n == 1);
    m_actionEdit->setEnabled(onRow && n == 1);
    m_actionHistory->setEnabled(onRow && n == 1);
    // Any number of documents prints as one batch.
    m_actionPrint->setEnabled(onRow && n >= 1);
    m_actionCheck->setEnabled(onRow && n >= 1);
    m_actionNumber->setEnabled(onRow && n >= 1);
    m_actionDelete->setEnabled(onRow && n >= 1);
    m_actionAdd->setEnabled(true);
    m_actionSelectAll->setEnabled(true);
}

void DocumentsTableAbstract::provideContexMenu(const QPoint &pos)
{
    prepareContextMenu(pos);
    m_menu->exec(viewport()->mapToGlobal(pos));
}

void DocumentsTableAbstract::onCopyRecordAction()
{
    const int id = docIdAtRow(actedOnRow());
    if (id <= 0)
        return;
    // The copy and its appendix land together or not at all.
    QSqlDatabase db = m_model->database();
    const bool inTransaction = db.transaction();
    const int newId = copyDocument(id);
    bool copied = newId > 0 && copyDocumentDetails(id, newId);
    if (inTransaction) {
        if (copied)
            copied = db.commit();
        else
            db.rollback();
    }
    if (!copied) {
        ZR_LOG() << "copy of document" << id << "failed" << db.lastError().text();
        tellFailure(QStringLiteral("Не удалось создать копию документа. Реестр не изменён."));
    }
    updateData();
    if (copied)
        emit documentClicked(newId);
}

void DocumentsTableAbstract::tellFailure(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ошибка"), text, QMessageBox::Ok, this);
    box.exec();
}

void DocumentsTableAbstract::onDeleteAction()
{
    if (!m_model)
        return;
    const QList<int> rows = selectedVisibleRows();
    if (rows.isEmpty())
        return;
    auto box = new QMessageBox(QMessageBox::NoIcon,
                               QStringLiteral("Внимание!"),
                               rows.size() >= 2 ? QStringLiteral("Вы уверены, что хотите удалить "
                                                                 "выделеннные документы?")
                                                : QStringLiteral("Вы уверены, что хотите удалить "
                                                                 "выделеннный документ?"),
                               QMessageBox::Ok | QMessageBox::Cancel,
                               this);
    box->setInformativeText(QStringLiteral("Удалённые документы можно восстановить в меню "
                                           "«Инструменты» → «Удалённые документы»."));
    const int answer = box->exec();
    box->deleteLater();
    if (answer != QMessageBox::Ok || !m_model)
        return;
    QList<int> ids;
    for (int row : rows)
        ids << docIdAtRow(row);
    if (!deleteDocuments(ids))
        tellFailure(QStringLiteral("Не удалось удалить документы. Реестр не изменён."));
    updateData();
    clearSelection();
    emit unselect();
}

QList<int> DocumentsTableAbstract::actedOnIds() const
{
    QList<int> rows = selectedVisibleRows();
    if (rows.isEmpty()) {
        const int row = actedOnRow();
        if (row >= 0)
            rows << row;
    }
    // As the table shows them (the model sorts its rows), however the selection was made.
    std::sort(rows.begin(), rows.end());
    QList<int> ids;
    for (int row : qAsConst(rows)) {
        const int id = docIdAtRow(row);
        if (id > 0)
            ids << id;
    }
    return ids;
}

void DocumentsTableAbstract::onPrintAction()
{
    const QList<int> ids = actedOnIds();
    if (ids.isEmpty())
        return;
    auto *dialog = new PrintDialog(this);
    dialog->preselectFor(ids);
    connect(dialog,
            &PrintDialog::reportTypeSelected,
            this,
            [this, ids](ReportList::ReportType type, bool printBackground) {
                onReportTypeSelected(ids, type, printBackground);
            });
    dialog->show();
}

void DocumentsTableAbstract::onCheckAction()
{
    const QList<int> ids = actedOnIds();
    if (!ids.isEmpty())
        emit documentsCheck(ids);
}

void DocumentsTableAbstract::onReportTypeSelected(const QList<int> &ids,
                                                  int type,
                                                  bool printBackground)
{
    QList<int> printable;
    for (int id : ids) {
        if (canPrint(type, id))
            printable << id;
    }
    if (printable.size() == 1)
        emit documentPrint(type, printable.first(), printBackground);
    else if (printable.size() > 1)
        emit documentsPrint(type, printable, printBackground);
}
