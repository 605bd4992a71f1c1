#include "mygraphicsscene.h"

#include "abstractfield.h"
#include "graphics/fieldgraphicsitem.h"
#include "reportlog.h"
#include "reportpage.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>

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

void MyGraphicsScene::forgetItem(FieldGraphicsItem *item)
{
    m_items.removeAll(item);
    if (m_selectedItem == item)
        m_selectedItem = nullptr;
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
    if (!m_selectedItem || !m_selectedItem->field())
        return;
    AbstractField *field = m_selectedItem->field();
    switch (direction) {
    case Qt::UpArrow:
        field->y -= 1.0;
        break;
    case Qt::DownArrow:
        field->y += 1.0;
        break;
    case Qt::LeftArrow:
        field->x -= 1.0;
        break;
    case Qt::RightArrow:
        field->x += 1.0;
        break;
    default:
        break;
    }
    emit selectedFieldChanged(field);
    if (m_selectedItem)
        m_selectedItem->onFieldUpdated();
    emit fieldEdited();
}

void MyGraphicsScene::updateAllItems()
{
    for (FieldGraphicsItem *item : qAsConst(m_items))
        item->onFieldUpdated();
}

void MyGraphicsScene::onSelectionChanged()
{
    const QList<QGraphicsItem *> selection = selectedItems();
    if (selection.isEmpty()) {
        m_selectedItem = nullptr;
        emit selectedFieldChanged(nullptr);
        return;
    }
    auto *item = qgraphicsitem_cast<FieldGraphicsItem *>(selection.last());
    if (!item)
        return;
    m_selectedItem = item;
    emit selectedFieldChanged(item->field());
}
