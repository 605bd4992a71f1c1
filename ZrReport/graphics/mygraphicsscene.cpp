#include "mygraphicsscene.h"

#include "abstractfield.h"
#include "graphics/fieldgraphicsitem.h"
#include "reportlog.h"
#include "reportpage.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>
#include <cmath>

namespace {
// Pages lie behind every field, also those added after the fields.
constexpr double pageZ = -1;
} // namespace

MyGraphicsScene::MyGraphicsScene(ReportPage *page, QObject *parent)
    : QGraphicsScene(parent)
{
    setReportPage(page);
}

MyGraphicsScene::~MyGraphicsScene()
{
    // The items go with the base scene, after this part of the object is gone: neither
    // their end nor the selection change it causes may call back into it.
    disconnect(this, &QGraphicsScene::selectionChanged, this, &MyGraphicsScene::onSelectionChanged);
    for (FieldGraphicsItem *item : qAsConst(m_items))
        disconnect(item, nullptr, this, nullptr);
    m_items.clear();
    m_selectedItem = nullptr;
}

QRectF MyGraphicsScene::pageRect() const
{
    if (!m_page)
        return QRectF();
    return m_page->printer()->pageRect(QPrinter::DevicePixel);
}

void MyGraphicsScene::rebuildPages()
{
    const int n = qMax(1, m_page ? m_page->pagesCount() : 1);
    const QRectF r = pageRect();
    while (m_pageRects.size() > n) {
        QGraphicsRectItem *surplus = m_pageRects.takeLast();
        if (surplus->childItems().contains(m_background2))
            m_background2 = nullptr;
        if (surplus->childItems().contains(m_background))
            m_background = nullptr;
        removeItem(surplus);
        delete surplus;
        update();
    }
    while (m_pageRects.size() < n) {
        auto *sheet = new QGraphicsRectItem();
        sheet->setBrush(Qt::white);
        sheet->setZValue(pageZ);
        addItem(sheet);
        m_pageRects.append(sheet);
    }
    for (int i = 0; i < m_pageRects.size(); ++i) {
        m_pageRects.at(i)->setRect(r);
        m_pageRects.at(i)->setPos(0, i * r.height());
    }
    setSceneRect(r.x(), r.y(), r.width(), n * r.height());
}

void MyGraphicsScene::setReportPage(ReportPage *page)
{
    m_page = page;
    rebuildPages();

    delete m_background;
    m_background = new QGraphicsPixmapItem(m_pageRects.first());
    delete m_background2;
    m_background2 = nullptr;
    if (m_pageRects.size() >= 2)
        m_background2 = new QGraphicsPixmapItem(m_pageRects.at(1));

    setBackgroundBrush(QBrush(Qt::transparent));
    if (!m_selectionConnected) {
        connect(this,
                &QGraphicsScene::selectionChanged,
                this,
                &MyGraphicsScene::onSelectionChanged);
        m_selectionConnected = true;
    }
    if (m_page) {
        setBackgroundPicture(&m_page->backgroundImage);
        setBackgroundPicture2(&m_page->backgroundImage2);
    }

    const QList<FieldGraphicsItem *> old = m_items;
    m_items.clear();
    m_selectionOrder.clear();
    m_selectedItem = nullptr;
    for (FieldGraphicsItem *item : old) {
        disconnect(item, nullptr, this, nullptr);
        removeItem(item);
        delete item;
    }
    if (m_page) {
        for (AbstractField *field : qAsConst(m_page->fields)) {
            addField(field);
            field->prepare();
        }
    }
    update();
}

FieldGraphicsItem *MyGraphicsScene::addField(AbstractField *field)
{
    auto *item = new FieldGraphicsItem(field, nullptr);
    addItem(item);
    m_items.append(item);
    // Whoever deletes an item, the list never keeps it.
    connect(item, &QObject::destroyed, this, [this, item]() { forgetItem(item); });
    update();
    return item;
}

FieldGraphicsItem *MyGraphicsScene::insertField(int index, AbstractField *field)
{
    FieldGraphicsItem *item = addField(field);
    m_items.removeAll(item);
    index = qBound(0, index, m_items.size());
    if (index < m_items.size())
        item->stackBefore(m_items.at(index));
    m_items.insert(index, item);
    return item;
}

FieldGraphicsItem *MyGraphicsScene::itemOf(const AbstractField *field) const
{
    for (FieldGraphicsItem *item : m_items) {
        if (item->field() == field)
            return item;
    }
    return nullptr;
}

void MyGraphicsScene::forgetItem(FieldGraphicsItem *item)
{
    m_items.removeAll(item);
    m_selectionOrder.removeAll(item);
    if (m_selectedItem == item)
        m_selectedItem = m_selectionOrder.value(0);
}

void MyGraphicsScene::deleteItem(FieldGraphicsItem *item)
{
    if (!item || !m_items.contains(item))
        return;
    forgetItem(item);
    removeItem(item);
    delete item;
    update();
}

void MyGraphicsScene::applyPicture(QGraphicsPixmapItem *target,
                                   const QGraphicsRectItem *pageItem,
                                   const QPixmap *picture)
{
    if (!target || !pageItem || !picture || picture->isNull())
        return;
    if (picture->widthMM() <= 9 || picture->heightMM() <= 9)
        return;
    const QSize size = pageItem->rect().size().toSize();
    target->setPixmap(picture->scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    target->setOpacity(0.5);
}

void MyGraphicsScene::refreshBackgrounds()
{
    if (m_background)
        m_background->setPixmap(QPixmap());
    if (m_background2)
        m_background2->setPixmap(QPixmap());
    if (m_page) {
        setBackgroundPicture(&m_page->backgroundImage);
        setBackgroundPicture2(&m_page->backgroundImage2);
    }
}

void MyGraphicsScene::setBackgroundPicture(const QPixmap *picture)
{
    if (m_pageRects.isEmpty())
        return;
    applyPicture(m_background, m_pageRects.first(), picture);
}

void MyGraphicsScene::setBackgroundPicture2(const QPixmap *picture)
{
    if (m_pageRects.size() < 2 || !m_background2)
        return;
    applyPicture(m_background2, m_pageRects.at(1), picture);
}

void MyGraphicsScene::onFieldsUpdated()
{
    if (m_selectedItem)
        m_selectedItem->onFieldUpdated();
}

void MyGraphicsScene::onPageUpdated()
{
    const QRectF r = pageRect();
    setSceneRect(r);
    if (m_page) {
        setBackgroundPicture(&m_page->backgroundImage);
        setBackgroundPicture2(&m_page->backgroundImage2);
    }
    for (FieldGraphicsItem *item : qAsConst(m_items)) {
        AbstractField *field = item->field();
        if (!field) {
            ZR_REPORT_DEBUG(QStringLiteral("pfield == NULL"));
            continue;
        }
        if (AbstractField::isDefaultFont(field->font) || field->font == QFont())
            item->onFieldUpdated();
    }
    rebuildPages();
    if (!m_background2 && m_pageRects.size() >= 2) {
        m_background2 = new QGraphicsPixmapItem(m_pageRects.at(1));
        m_background2->setPos(r.x(), r.y());
        if (m_page)
            setBackgroundPicture2(&m_page->backgroundImage2);
    }
    // A background that went with its page was already forgotten by rebuildPages.
    update();
}

void MyGraphicsScene::onMoveField(Qt::ArrowType direction)
{
    switch (direction) {
    case Qt::UpArrow:
        moveSelection(0, -1.0);
        break;
    case Qt::DownArrow:
        moveSelection(0, 1.0);
        break;
    case Qt::LeftArrow:
        moveSelection(-1.0, 0);
        break;
    case Qt::RightArrow:
        moveSelection(1.0, 0);
        break;
    default:
        moveSelection(0, 0);
        break;
    }
}

bool MyGraphicsScene::moveSelection(double dx, double dy)
{
    const QList<AbstractField *> fields = selectedFields();
    if (fields.isEmpty())
        return false;
    for (AbstractField *field : fields) {
        field->x += dx;
        field->y += dy;
        if (FieldGraphicsItem *item = itemOf(field))
            item->onFieldUpdated();
    }
    emit selectedFieldChanged(fields.first());
    emit fieldEdited();
    return true;
}

bool MyGraphicsScene::alignSelection(FieldAlignment alignment)
{
    const QList<AbstractField *> fields = selectedFields();
    if (fields.size() < 2)
        return false;
    const AbstractField *first = fields.first();
    for (AbstractField *field : fields.mid(1)) {
        // A table takes its size from its columns and rows; only text fields are sized.
        const bool sized = field->type() == 1;
        switch (alignment) {
        case FieldAlignment::Left:
            field->x = first->x;
            break;
        case FieldAlignment::Right:
            field->x = first->x + first->width - field->width;
            break;
        case FieldAlignment::Top:
            field->y = first->y;
            break;
        case FieldAlignment::Bottom:
            field->y = first->y + first->height - field->height;
            break;
        case FieldAlignment::SameWidth:
            if (sized)
                field->width = first->width;
            break;
        case FieldAlignment::SameHeight:
            if (sized)
                field->height = first->height;
            break;
        }
        if (FieldGraphicsItem *item = itemOf(field))
            item->onFieldUpdated();
    }
    emit selectedFieldChanged(fields.first());
    emit fieldEdited();
    return true;
}

double MyGraphicsScene::snapped(double mm, double step)
{
    return step > 0 ? std::round(mm / step) * step : mm;
}

QList<AbstractField *> MyGraphicsScene::selectedFields() const
{
    QList<AbstractField *> fields;
    for (FieldGraphicsItem *item : m_selectionOrder) {
        if (item->field())
            fields << item->field();
    }
    return fields;
}

void MyGraphicsScene::selectFields(const QList<AbstractField *> &fields)
{
    clearSelection();
    for (AbstractField *field : fields) {
        if (FieldGraphicsItem *item = itemOf(field))
            item->setSelected(true);
    }
}

void MyGraphicsScene::updateAllItems()
{
    for (FieldGraphicsItem *item : qAsConst(m_items))
        item->onFieldUpdated();
}

void MyGraphicsScene::onSelectionChanged()
{
    // The order of selection is kept: the first selected field leads.
    QList<FieldGraphicsItem *> order;
    for (FieldGraphicsItem *item : qAsConst(m_selectionOrder)) {
        if (item->isSelected())
            order << item;
    }
    for (FieldGraphicsItem *item : qAsConst(m_items)) {
        if (item->isSelected() && !order.contains(item))
            order << item;
    }
    m_selectionOrder = order;
    m_selectedItem = order.value(0);
    emit selectedFieldChanged(m_selectedItem ? m_selectedItem->field() : nullptr);
}
