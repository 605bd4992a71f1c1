#include "calibrationsheet.h"

#include <QDate>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

namespace {

// Lengths on the sheet are millimetres; the painter works in the device's pixels.
class Millimetres
{
public:
    explicit Millimetres(const QPainter *painter)
        : m_scale(painter->device()->logicalDpiX() / 25.4)
    {}
    double operator()(double mm) const { return mm * m_scale; }
    QPointF operator()(double x, double y) const { return QPointF(x, y) * m_scale; }
    QRectF rect(double x, double y, double w, double h) const
    {
        return QRectF((*this)(x, y), QSizeF(w, h) * m_scale);
    }
    // A font whose letters are this many millimetres from the baseline to the top of the
    // line, whatever the device's resolution.
    QFont font(double mm, bool bold = false) const
    {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(qMax(1, qRound(mm * m_scale)));
        f.setBold(bold);
        return f;
    }

private:
    double m_scale;
};

constexpr double sheetWidth = 210;
constexpr double sheetHeight = 297;

void drawRulers(QPainter *painter, const Millimetres &mm)
{
    painter->setFont(mm.font(2.2));
    // Along the top edge from 5 to 205 mm, along the left edge from 5 to 292 mm.
    for (int x = 5; x <= 205; ++x) {
        const double length = x % 10 == 0 ? 4 : x % 5 == 0 ? 2.5 : 1.5;
        painter->drawLine(mm(x, 3), mm(x, 3 + length));
        if (x % 10 == 0 && x < 200)
            painter->drawText(mm.rect(x - 5, 7.5, 10, 3), Qt::AlignCenter, QString::number(x));
    }
    for (int y = 5; y <= 292; ++y) {
        const double length = y % 10 == 0 ? 4 : y % 5 == 0 ? 2.5 : 1.5;
        painter->drawLine(mm(3, y), mm(3 + length, y));
        if (y % 10 == 0 && y > 10 && y < 290)
            painter->drawText(mm.rect(7.5, y - 1.5, 4.5, 3),
                              Qt::AlignLeft | Qt::AlignVCenter,
                              QString::number(y));
    }
}

void drawMark(QPainter *painter, const Millimetres &mm, const CalibrationSheet::Mark &mark)
{
    const QPointF c = mark.position;
    painter->drawLine(mm(c.x() - 8, c.y()), mm(c.x() + 8, c.y()));
    painter->drawLine(mm(c.x(), c.y() - 8), mm(c.x(), c.y() + 8));
    painter->drawEllipse(mm(c.x(), c.y()), mm(4), mm(4));
    // The label goes towards the middle of the sheet, where there is room.
    const bool right = c.x() > sheetWidth / 2 + 1;
    const bool below = c.y() < sheetHeight / 2 + 1;
    const QRectF label
            = mm.rect(right ? c.x() - 62 : c.x() + 2, below ? c.y() + 5 : c.y() - 10, 60, 5);
    painter->setFont(mm.font(2.8));
    painter->drawText(label,
                      (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                      QStringLiteral("%1: X %2, Y %3 мм")
                              .arg(mark.name,
                                   QLocale(QLocale::Russian).toString(c.x()),
                                   QLocale(QLocale::Russian).toString(c.y())));
}

} // namespace

const QList<CalibrationSheet::Mark> &CalibrationSheet::marks()
{
    static const QList<Mark> list{{QStringLiteral("Левое верхнее"), {20, 20}},
                                  {QStringLiteral("Правое верхнее"), {190, 20}},
                                  {QStringLiteral("Центр"), {105, 148.5}},
                                  {QStringLiteral("Левое нижнее"), {20, 277}},
                                  {QStringLiteral("Правое нижнее"), {190, 277}}};
    return list;
}

void CalibrationSheet::draw(QPainter *painter,
                            int side,
                            const QString &printerName,
                            const QDate &date)
{
    const Millimetres mm(painter);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::black, mm(0.2)));
    painter->setBrush(Qt::NoBrush);
    drawRulers(painter, mm);
    for (const Mark &mark : marks())
        drawMark(painter, mm, mark);

    painter->setFont(mm.font(9, true));
    painter->drawText(
            mm.rect(30, 45, 150, 12), Qt::AlignCenter, QStringLiteral("Сторона %1").arg(side));
    painter->setFont(mm.font(4.5, true));
    painter->drawText(
            mm.rect(30, 60, 150, 7), Qt::AlignCenter, QStringLiteral("Лист калибровки принтера"));
    painter->setFont(mm.font(3.5));
    painter->drawText(mm.rect(30, 70, 150, 6),
                      Qt::AlignCenter,
                      QStringLiteral("Принтер: %1").arg(printerName));
    painter->drawText(mm.rect(30, 76, 150, 6),
                      Qt::AlignCenter,
                      QStringLiteral("Дата: %1").arg(date.toString(QStringLiteral("dd.MM.yyyy"))));
    painter->setFont(mm.font(3.2));
    painter->drawText(
            mm.rect(30, 170, 150, 60),
            Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
            QStringLiteral("Держите лист так, чтобы этот текст читался. Измерьте линейкой, "
                           "на каком расстоянии от левого края листа (X) и от верхнего края "
                           "(Y) оказались центры перекрестий, и введите измерения в окне "
                           "«Калибровка принтера» на вкладке «Сторона %1».\n\n"
                           "Этот лист напечатан без поправок. Напечатайте сторону 1, "
                           "переверните лист так же, как переворачиваете бланки, и "
                           "напечатайте сторону 2.")
                    .arg(side));
    painter->restore();
}

bool CalibrationSheet::print(QPrinter *printer, int side, const QString &printerName)
{
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setFullPage(true);
    printer->setDocName(QStringLiteral("Лист калибровки, сторона %1").arg(side));
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    draw(&painter, side, printerName, QDate::currentDate());
    return painter.end() && printer->printerState() != QPrinter::Error;
}
