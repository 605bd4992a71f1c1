#include "datamanagerdockwidget.h"

#include "reportpage.h"
#include "ui_datamanagerdockwidget.h"

#include <QAbstractItemModel>
#include <QHeaderView>

DataManagerDockWidget::DataManagerDockWidget(QWidget *parent)
    : QDockWidget(parent)
    , ui(std::make_unique<Ui::DataManagerDockWidget>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("DataManagerDockWidget"));
    setWindowTitle(QStringLiteral("Менеджер переменных"));
    resize(400, 300);
    setMinimumSize(200, 200);
    setFeatures(QDockWidget::DockWidgetClosable);
    setAllowedAreas(Qt::AllDockWidgetAreas);

    QTableWidget *t = ui->tableWidget;
    t->setColumnCount(2);
    t->setHorizontalHeaderLabels({QStringLiteral("Переменная"), QStringLiteral("Пример значения")});
    t->setGeometry(0, 0, 256, 192);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setProperty("showDropIndicator", false);
    t->setDragEnabled(true);
    t->setDragDropMode(QAbstractItemView::DragOnly);
    t->setDefaultDropAction(Qt::ActionMask);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setWordWrap(false);
    t->setCornerButtonEnabled(false);
    t->horizontalHeader()->setVisible(true);
    t->horizontalHeader()->setStretchLastSection(true);
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setHighlightSections(false);

    resizeChildren();
    connect(this, &QDockWidget::dockLocationChanged, this, &DataManagerDockWidget::resizeChildren);
}

DataManagerDockWidget::~DataManagerDockWidget() = default;

QSize DataManagerDockWidget::sizeHint() const
{
    return QSize(m_preferredWidth, QDockWidget::sizeHint().height());
}

QTableWidget *DataManagerDockWidget::table() const
{
    return ui->tableWidget;
}

void DataManagerDockWidget::setReportPage(ReportPage *page)
{
    if (m_page)
        disconnect(m_page, nullptr, this, nullptr);
    m_page = page;
    if (page)
        connect(page, &ReportPage::dataUpdated, this, &DataManagerDockWidget::updateTable);
    updateTable();
}

void DataManagerDockWidget::updateTable()
{
    QTableWidget *t = ui->tableWidget;
    t->setRowCount(0);
    if (!m_page)
        return;
    auto append = [t](const QString &expression, const QString &sample) {
        const int row = t->rowCount();
        t->insertRow(row);
        t->setItem(row, 0, new QTableWidgetItem(expression));
        t->setItem(row, 1, new QTableWidgetItem(sample));
    };
    for (auto it = m_page->variables.cbegin(); it != m_page->variables.cend(); ++it)
        append(QStringLiteral("$V{") + it.key() + QLatin1Char('}'), it.value().toString());
    for (auto it = m_page->models.cbegin(); it != m_page->models.cend(); ++it) {
        const QAbstractItemModel *model = it.value().data();
        if (!model)
            continue;
        for (int c = 0; c < model->columnCount(); ++c) {
            const QString title = model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            const QString sample = model->rowCount() > 0
                                           ? model->index(0, c).data(Qt::DisplayRole).toString()
                                           : QString();
            append(QStringLiteral("$D{") + it.key() + QLatin1Char('.') + title + QLatin1Char('}'),
                   sample);
        }
    }
    // The expressions are what the user looks for; they must not be cut off.
    t->resizeColumnToContents(0);
}

void DataManagerDockWidget::resizeChildren()
{
    ui->tableWidget->resize(width() - 10, height() - 25);
}

void DataManagerDockWidget::resizeEvent(QResizeEvent *event)
{
    QDockWidget::resizeEvent(event);
    resizeChildren();
}
