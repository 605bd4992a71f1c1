#include "structuredockwidget.h"

#include "abstractfield.h"
#include "dialogs/edittablefielddialog.h"
#include "reportlog.h"
#include "reportpage.h"
#include "tablefield.h"
#include "textfield.h"
#include "ui_structuredockwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>

namespace {
// Point as decimal separator whatever the locale; anything else reads as 0.
double number(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? AbstractField::saneLength(value) : 0.0;
}

QString oneDecimal(double value)
{
    return QString::number(value, 'f', 1);
}

QTableWidgetItem *nameItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QComboBox *comboOf(const QList<QPair<QString, int>> &entries)
{
    auto *combo = new QComboBox();
    for (const auto &entry : entries)
        combo->addItem(entry.first, entry.second);
    return combo;
}

void selectData(QComboBox *combo, int data)
{
    if (combo)
        combo->setCurrentIndex(combo->findData(data));
}
} // namespace

StructureDockWidget::StructureDockWidget(QWidget *parent)
    : QDockWidget(parent)
    , ui(std::make_unique<Ui::StructureDockWidget>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("StructureDockWidget"));
    setWindowTitle(QStringLiteral("Свойства"));
    resize(400, 300);
    setMinimumSize(200, 200);
    setFeatures(QDockWidget::DockWidgetClosable);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);

    buildPageTable();
    buildFieldTable();
    resizeChildren();
    connect(this, &QDockWidget::dockLocationChanged, this, &StructureDockWidget::resizeChildren);
}

StructureDockWidget::~StructureDockWidget() = default;

QSize StructureDockWidget::sizeHint() const
{
    return QSize(qMax(int(m_preferredWidth), neededWidth()), QDockWidget::sizeHint().height());
}

int StructureDockWidget::valueWidth(const QTableWidget *table, int row) const
{
    // A cell widget fills its cell less the grid line.
    if (const QWidget *widget = table->cellWidget(row, 1))
        return widget->sizeHint().width() + 1;
    const QTableWidgetItem *item = table->item(row, 1);
    if (!item)
        return 0;
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
    return QFontMetrics(item->font()).horizontalAdvance(item->text()) + margin + 4;
}

int StructureDockWidget::valuesWidth(const QTableWidget *table) const
{
    int widest = table->horizontalHeader()->sectionSizeHint(1);
    for (int row = 0; row < table->rowCount(); ++row) {
        // A text runs as long as the user wrote it; it scrolls instead.
        if (table->isRowHidden(row) || (table == m_fieldTable && row == TextRow))
            continue;
        widest = qMax(widest, valueWidth(table, row));
    }
    return widest;
}

int StructureDockWidget::neededWidth() const
{
    int names = 0;
    int values = 0;
    for (const QTableWidget *table : {m_fieldTable, m_pageTable}) {
        names = qMax(names,
                     qMax(static_cast<const QAbstractItemView *>(table)->sizeHintForColumn(0),
                          table->horizontalHeader()->sectionSizeHint(0)));
        values = qMax(values, valuesWidth(table));
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->cellWidget(row, 1))
                values = qMax(values, valueWidth(table, row));
        }
    }
    // A font row reads like this; its family may well be longer.
    QFont small = font();
    small.setPointSize(8);
    values = qMax(values,
                  QFontMetrics(small).horizontalAdvance(QStringLiteral("Times New Roman, 14пт"))
                          + 12);
    const int frame = 2 * m_fieldTable->frameWidth()
                      + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_fieldTable);
    // The tables leave 10 pixels of the dock beside them.
    return names + values + frame + 10 + 2;
}

QTableWidget *StructureDockWidget::newTable(int rows)
{
    auto *table = new QTableWidget(rows, 2, ui->dockWidgetContents);
    table->setHorizontalHeaderLabels({QStringLiteral("Свойство"), QStringLiteral("Значение")});
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    table->setDragDropOverwriteMode(false);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSortingEnabled(false);
    table->verticalHeader()->setVisible(false);
    // The values take what the names leave, whatever the dock's width: an editor wider
    // than the table would lose its right end, the combos' arrows first.
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    connect(table,
            &QTableWidget::cellDoubleClicked,
            this,
            &StructureDockWidget::onTblWidget_cellDoubleClicked);
    return table;
}

void StructureDockWidget::buildFieldTable()
{
    m_fieldTable = newTable(FieldRowCount);
    QTableWidget *t = m_fieldTable;
    const QStringList names = {QStringLiteral("Шрифт"),
                               QStringLiteral("Текст"),
                               QStringLiteral("X, мм"),
                               QStringLiteral("Y, мм"),
                               QStringLiteral("Ширина, мм"),
                               QStringLiteral("Высота, мм"),
                               QStringLiteral("Гориз. полож."),
                               QStringLiteral("Верт. полож."),
                               QStringLiteral("Перенос строк"),
                               QStringLiteral("Сожержимое"),
                               QStringLiteral("Количество строк на превью"),
                               QStringLiteral("Отступ первой строки, мм"),
                               QStringLiteral("Межстрочный интервал, мм"),
                               QStringLiteral("Росчерк до конца поля")};
    for (int row = 0; row < names.size(); ++row)
        t->setItem(row, 0, nameItem(names.at(row)));
    for (int row : {FontRow,
                    TextRow,
                    XRow,
                    YRow,
                    WidthRow,
                    HeightRow,
                    PreviewRowsRow,
                    IndentRow,
                    LineHeightRow})
        t->setItem(row, 1, new QTableWidgetItem());
    t->item(FontRow, 1)->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);

    m_hAlign = comboOf({{QStringLiteral("Слева"), int(Qt::AlignLeft)},
                        {QStringLiteral("По центру"), int(Qt::AlignHCenter)},
                        {QStringLiteral("Справа"), int(Qt::AlignRight)}});
    m_vAlign = comboOf({{QStringLiteral("Сверху"), int(Qt::AlignTop)},
                        {QStringLiteral("По центру"), int(Qt::AlignVCenter)},
                        {QStringLiteral("Снизу"), int(Qt::AlignBottom)}});
    t->setCellWidget(HAlignRow, 1, m_hAlign);
    t->setCellWidget(VAlignRow, 1, m_vAlign);
    connect(m_hAlign,
            &QComboBox::currentTextChanged,
            this,
            &StructureDockWidget::onAlignCombosChanged);
    connect(m_vAlign,
            &QComboBox::currentTextChanged,
            this,
            &StructureDockWidget::onAlignCombosChanged);

    m_wordWrap = new QCheckBox();
    m_stroke = new QCheckBox();
    t->setCellWidget(WordWrapRow, 1, m_wordWrap);
    t->setCellWidget(StrokeRow, 1, m_stroke);
    connect(m_wordWrap, &QCheckBox::stateChanged, this, [this](int state) {
        if (m_filling || !m_field)
            return;
        m_field->wordWrap = state > 0;
        emit fieldUpdated();
    });
    connect(m_stroke, &QCheckBox::stateChanged, this, [this](int state) {
        if (m_filling || !m_field)
            return;
        m_field->zOnEmpty = state > 0;
        emit fieldUpdated();
    });

    m_editButton = new QPushButton(QStringLiteral("Редактировать"));
    t->setCellWidget(ContentsRow, 1, m_editButton);
    connect(m_editButton, &QPushButton::clicked, this, &StructureDockWidget::editTableField);

    t->resizeColumnToContents(0);
    connect(t, &QTableWidget::itemChanged, this, &StructureDockWidget::onTblFieldItemChanged);
}

void StructureDockWidget::buildPageTable()
{
    m_pageTable = newTable(PageRowCount);
    QTableWidget *t = m_pageTable;
    const QStringList names = {QStringLiteral("Шрифт по умолчанию"),
                               QStringLiteral("Размер бумаги"),
                               QStringLiteral("Ориентация"),
                               QStringLiteral("Печать фона"),
                               QStringLiteral("Количество страниц")};
    for (int row = 0; row < names.size(); ++row)
        t->setItem(row, 0, nameItem(names.at(row)));
    auto *fontCell = new QTableWidgetItem();
    fontCell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    t->setItem(DefaultFontRow, 1, fontCell);

    m_pageSize = comboOf({{QStringLiteral("A5"), int(QPagedPaintDevice::A5)},
                          {QStringLiteral("A4"), int(QPagedPaintDevice::A4)},
                          {QStringLiteral("A3"), int(QPagedPaintDevice::A3)}});
    m_orientation = comboOf({{QStringLiteral("Портретная"), int(QPrinter::Portrait)},
                             {QStringLiteral("Альбомная"), int(QPrinter::Landscape)}});
    m_pagesCount = comboOf({{QStringLiteral("1"), 1},
                            {QStringLiteral("2"), 2},
                            {QStringLiteral("3"), 3},
                            {QStringLiteral("4"), 4}});
    m_printBackground = new QCheckBox();
    t->setCellWidget(PaperSizeRow, 1, m_pageSize);
    t->setCellWidget(OrientationRow, 1, m_orientation);
    t->setCellWidget(PrintBackgroundRow, 1, m_printBackground);
    t->setCellWidget(PagesCountRow, 1, m_pagesCount);

    auto pageCombo = [this](QComboBox *combo, auto apply) {
        connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [=](int index) {
            if (m_filling || !m_page || index < 0)
                return;
            apply(combo->itemData(index).toInt());
            emit pageUpdated();
        });
    };
    pageCombo(m_pageSize,
              [this](int data) { m_page->setPageSize(QPagedPaintDevice::PageSize(data)); });
    pageCombo(m_orientation,
              [this](int data) { m_page->setOrientation(QPrinter::Orientation(data)); });
    pageCombo(m_pagesCount, [this](int data) { m_page->setPagesCount(data); });
    connect(m_printBackground, &QCheckBox::stateChanged, this, [this](int state) {
        if (m_filling || !m_page)
            return;
        m_page->printBackgroundImage = state > 0;
        emit pageUpdated();
    });

    t->resizeColumnToContents(0);
    connect(t, &QTableWidget::itemChanged, this, &StructureDockWidget::onTblDocItemChanged);
}

void StructureDockWidget::resizeChildren()
{
    // Both tables lie on top of each other; only one is visible at a time.
    m_fieldTable->resize(width() - 10, height() - 25);
    m_pageTable->resize(width() - 10, height() - 25);
}

void StructureDockWidget::resizeEvent(QResizeEvent *event)
{
    QDockWidget::resizeEvent(event);
    resizeChildren();
}

void StructureDockWidget::setReportPage(ReportPage *page)
{
    m_page = page;
    m_field = nullptr;
    if (page)
        m_font = page->defaultFont;
    onTypeChanged(StructureType::Page);
}

bool StructureDockWidget::setFontInfoToCell(QTableWidgetItem *item, const QFont &font)
{
    if (!item) {
        ZR_REPORT_DEBUG(QStringLiteral("setFontInfoToCell: item == NULL"));
        return false;
    }
    const QFontInfo info(font);
    QFont small(font);
    small.setPointSize(8);
    item->setFont(small);
    item->setText(info.family() + QStringLiteral(", ") + QString::number(info.pointSize())
                  + QStringLiteral("пт"));
    return true;
}

void StructureDockWidget::onTypeChanged(StructureType structureType)
{
    m_filling = true;
    m_type = structureType;
    if (structureType == StructureType::Page) {
        if (m_page) {
            m_font = m_page->defaultFont;
            m_printBackground->setChecked(m_page->printBackgroundImage);
            selectData(m_orientation, m_page->orientation());
            selectData(m_pagesCount, m_page->pagesCount());
            selectData(m_pageSize, int(m_page->pageSize()));
            setFontInfoToCell(m_pageTable->item(DefaultFontRow, 1), m_page->defaultFont);
        } else {
            ZR_REPORT_DEBUG(QStringLiteral("reportPage == NULL"));
        }
        m_fieldTable->hide();
        m_pageTable->show();
    } else {
        const bool table = m_field && m_field->type() == 2;
        for (int row : {TextRow, WidthRow, HeightRow, IndentRow, LineHeightRow})
            m_fieldTable->setRowHidden(row, table);
        for (int row : {ContentsRow, PreviewRowsRow})
            m_fieldTable->setRowHidden(row, !table);
        m_fieldTable->resizeColumnToContents(0);
        m_fieldTable->show();
        m_pageTable->hide();
    }
    m_filling = false;
}

void StructureDockWidget::setCellText(int row, const QString &text)
{
    QTableWidgetItem *item = m_fieldTable->item(row, 1);
    if (!item) {
        ZR_REPORT_DEBUG(QStringLiteral("no value cell in row %1").arg(row));
        return;
    }
    item->setText(text);
}

void StructureDockWidget::onFieldChanged(AbstractField *field)
{
    m_field = field;
    if (!field) {
        onTypeChanged(StructureType::Page);
        return;
    }
    m_font = field->font;
    onTypeChanged(StructureType::Field);
    m_filling = true;

    if (QTableWidgetItem *fontCell = m_fieldTable->item(FontRow, 1)) {
        if (!(field->font == QFont())) {
            setFontInfoToCell(fontCell, field->font);
        } else {
            fontCell->setText(QStringLiteral("По умолчанию"));
            QFont small = m_page ? m_page->defaultFont : QFont();
            small.setPointSize(8);
            fontCell->setFont(small);
        }
    } else {
        ZR_REPORT_DEBUG(QStringLiteral("no value cell in row %1").arg(int(FontRow)));
    }

    if (field->type() == 1)
        setCellText(TextRow, static_cast<TextField *>(field)->text);
    setCellText(XRow, oneDecimal(field->x));
    setCellText(YRow, oneDecimal(field->y));
    setCellText(WidthRow, oneDecimal(field->width));
    setCellText(HeightRow, oneDecimal(field->height));
    if (field->type() == 2)
        setCellText(PreviewRowsRow,
                    QString::number(static_cast<TableField *>(field)->previewRowCount));
    if (field->type() == 1) {
        setCellText(IndentRow, oneDecimal(static_cast<TextField *>(field)->indent));
        setCellText(LineHeightRow, oneDecimal(static_cast<TextField *>(field)->lineHeight));
    }
    selectData(m_hAlign, field->alignFlags & 0x1F);
    selectData(m_vAlign, field->alignFlags & 0x1E0);
    m_wordWrap->setChecked(field->wordWrap);
    m_stroke->setChecked(field->zOnEmpty);
    m_filling = false;
}

void StructureDockWidget::onTblFieldItemChanged(QTableWidgetItem *item)
{
    if (m_filling || !m_pageTable->isHidden() || !m_field || !item)
        return;
    AbstractField *field = m_field.data();
    auto *text = field->type() == 1 ? static_cast<TextField *>(field) : nullptr;
    auto *table = field->type() == 2 ? static_cast<TableField *>(field) : nullptr;
    const int row = item->tableWidget() == m_fieldTable ? item->row() : -1;
    const QString value = item->text();
    switch (row) {
    case FontRow:
        field->font = m_font;
        break;
    case TextRow:
        if (text)
            text->text = value;
        break;
    case XRow:
        field->x = number(value);
        break;
    case YRow:
        field->y = number(value);
        break;
    case WidthRow:
        field->width = number(value);
        break;
    case HeightRow:
        field->height = number(value);
        break;
    case PreviewRowsRow:
        if (table) {
            bool ok = false;
            const int rows = value.trimmed().toInt(&ok, 10);
            table->previewRowCount = quint8(ok ? qBound(0, rows, 255) : 0);
            table->prepared = false;
            table->prepare();
        }
        break;
    case IndentRow:
        if (text) {
            text->indent = number(value);
            ZR_REPORT_DEBUG(QStringLiteral("indent %1").arg(text->indent));
        }
        break;
    case LineHeightRow:
        if (text)
            text->lineHeight = number(value);
        break;
    default:
        ZR_REPORT_DEBUG(QStringLiteral("Unrecognized type of field property in row %1").arg(row));
        break;
    }
    emit fieldUpdated();
}

void StructureDockWidget::onTblDocItemChanged(QTableWidgetItem *item)
{
    // The cell written while the tables are filled is only a display of the font.
    if (m_filling || m_pageTable->isHidden() || !item || !m_page)
        return;
    if (item->row() != DefaultFontRow || item->column() != 1)
        return;
    m_page->defaultFont = m_font;
    emit pageUpdated();
}

void StructureDockWidget::onAlignCombosChanged()
{
    if (m_filling || !m_field)
        return;
    m_field->alignFlags
            = quint16(m_vAlign->currentData().toInt() | m_hAlign->currentData().toInt());
    emit fieldUpdated();
}

void StructureDockWidget::onTblWidget_cellDoubleClicked(int row, int column)
{
    if (row != 0 || column != 1)
        return;
    QFont start = m_font;
    if (start == QFont() && m_page)
        start = m_page->defaultFont;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, start, this, QString());
    if (!ok)
        return;
    m_font = chosen;
    QTableWidget *table = m_type == StructureType::Field ? m_fieldTable : m_pageTable;
    setFontInfoToCell(table->item(0, 1), m_font);
    emit pageUpdated();
}

void StructureDockWidget::editTableField()
{
    if (!m_field || m_field->type() != 2)
        return;
    auto *dialog = new EditTableFieldDialog(nullptr);
    dialog->setTableField(static_cast<TableField *>(m_field.data()));
    connect(dialog,
            &EditTableFieldDialog::tableFieldModified,
            this,
            &StructureDockWidget::fieldUpdated);
    dialog->show();
}
