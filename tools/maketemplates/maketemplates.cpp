// Draws a synthetic picture of each blank form and writes the four default
// templates with the report library's own writer, so that the files are exactly
// what the program reads. The pictures are made up here: ornament, captions and
// the lines the fields print on; they are not copies of any real blank.

#include "reportpage.h"
#include "tablefield.h"
#include "textfield.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <QtMath>
#include <memory>

namespace {

constexpr double pxPerMM = 96 / 25.399931;
const QColor ink(40, 70, 60);
const QColor ornament(150, 190, 170);
const QString serif = QStringLiteral("Times New Roman");

enum Align : quint16 {
    Left = Qt::AlignLeft,
    Center = Qt::AlignHCenter,
    Right = Qt::AlignRight,
    Justify = Qt::AlignJustify,
    Top = Qt::AlignTop,
    Bottom = Qt::AlignBottom,
    VCenter = Qt::AlignVCenter,
};

// One template under construction: the page with its fields, and one picture per side.
class Blank
{
public:
    Blank(QPrinter::Orientation orientation, int pages)
    {
        m_page.setOrientation(orientation);
        m_page.setPageSize(QPagedPaintDevice::A4);
        m_page.setPagesCount(pages);
        m_page.defaultFont = QFont(serif, 12);
        m_paper = m_page.paperSizeMM();
        const QSize pixels(qRound(m_paper.width() * pxPerMM), qRound(m_paper.height() * pxPerMM));
        for (QImage &side : m_sides) {
            side = QImage(pixels, QImage::Format_RGB32);
            side.fill(Qt::white);
        }
    }

    QSizeF paper() const { return m_paper; }

    // Pre-printed text of the blank, in mm on side `side`.
    void caption(int side,
                 const QRectF &mm,
                 const QString &text,
                 double points,
                 int flags,
                 bool bold = false,
                 bool italic = false,
                 QColor color = ink)
    {
        QPainter p(&m_sides[side]);
        p.setRenderHint(QPainter::TextAntialiasing);
        QFont font(serif);
        font.setPixelSize(qMax(1, qRound(points * 25.4 / 72 * pxPerMM)));
        font.setBold(bold);
        font.setItalic(italic);
        p.setFont(font);
        p.setPen(color);
        // Bottom-aligned captions stand beside a field's line: their baseline, not their
        // descenders, should meet it.
        const QRectF place = (flags & Qt::AlignBottom) ? mm.translated(0, 1.2) : mm;
        p.drawText(toPx(place), flags | Qt::TextWordWrap, text);
    }

    // The line a field prints on.
    void line(int side, double x1, double x2, double y)
    {
        QPainter p(&m_sides[side]);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink, 1));
        p.drawLine(QPointF(x1, y) * pxPerMM, QPointF(x2, y) * pxPerMM);
    }

    // A small caption under a line, telling what belongs there.
    void hint(int side, double x1, double x2, double y, const QString &text)
    {
        caption(side,
                QRectF(x1, y + 0.3, x2 - x1, 3.5),
                text,
                7,
                Qt::AlignHCenter | Qt::AlignTop,
                false,
                true);
    }

    void box(int side, const QRectF &mm)
    {
        QPainter p(&m_sides[side]);
        p.setPen(QPen(ornament, 1));
        p.drawRect(toPx(mm));
    }

    // Variable text printed by the program, placed on side `side` of the sheet.
    TextField *field(int side,
                     const QRectF &mm,
                     const QString &text,
                     int flags,
                     double points = 0,
                     bool bold = false,
                     bool wordWrap = false)
    {
        auto *f = new TextField;
        f->x = mm.x();
        f->y = mm.y() + side * m_paper.height();
        f->width = mm.width();
        f->height = mm.height();
        f->text = text;
        f->alignFlags = quint16(flags);
        f->wordWrap = wordWrap;
        if (points > 0 || bold) {
            QFont font(serif, int(points > 0 ? points : 12));
            font.setBold(bold);
            f->font = font;
        }
        add(f);
        return f;
    }

    void add(AbstractField *f)
    {
        f->page = &m_page;
        f->setParent(&m_page);
        m_page.fields << f;
    }

    // A frame of interlaced waves: plainly decorative, and a visible sheet edge in previews.
    void ornamentFrame(int side, const QRectF &mm)
    {
        QPainter p(&m_sides[side]);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF outer = toPx(mm);
        const QRectF inner = outer.adjusted(6 * pxPerMM, 6 * pxPerMM, -6 * pxPerMM, -6 * pxPerMM);
        p.setPen(QPen(ornament, 1.2));
        p.drawRect(outer);
        p.drawRect(inner);
        const double band = 6 * pxPerMM;
        for (int wave = 0; wave < 3; ++wave) {
            p.setPen(QPen(ornament.lighter(100 + wave * 8), 0.8));
            const double phase = wave * M_PI / 3;
            QPainterPath top, bottom, left, right;
            for (double x = outer.left(); x <= outer.right(); x += 1.5) {
                const double d = band / 2 + band * 0.38 * qSin(x / 7.0 + phase);
                const QPointF t(x, outer.top() + d), b(x, outer.bottom() - d);
                if (x == outer.left()) {
                    top.moveTo(t);
                    bottom.moveTo(b);
                } else {
                    top.lineTo(t);
                    bottom.lineTo(b);
                }
            }
            for (double y = outer.top(); y <= outer.bottom(); y += 1.5) {
                const double d = band / 2 + band * 0.38 * qSin(y / 7.0 + phase);
                const QPointF l(outer.left() + d, y), r(outer.right() - d, y);
                if (y == outer.top()) {
                    left.moveTo(l);
                    right.moveTo(r);
                } else {
                    left.lineTo(l);
                    right.lineTo(r);
                }
            }
            p.drawPath(top);
            p.drawPath(bottom);
            p.drawPath(left);
            p.drawPath(right);
        }
    }

    // A round seal-like emblem made of a star in a double ring.
    void emblem(int side, const QPointF &centreMM, double radiusMM)
    {
        QPainter p(&m_sides[side]);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c = centreMM * pxPerMM;
        const double r = radiusMM * pxPerMM;
        p.setPen(QPen(ornament.darker(120), 1.5));
        p.drawEllipse(c, r, r);
        p.drawEllipse(c, r * 0.85, r * 0.85);
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const double a = -M_PI / 2 + i * M_PI / 5;
            const double rr = (i % 2 ? 0.28 : 0.7) * r;
            star << c + QPointF(rr * qCos(a), rr * qSin(a));
        }
        p.setBrush(ornament.lighter(115));
        p.drawPolygon(star);
    }

    void fold(int side)
    {
        QPainter p(&m_sides[side]);
        p.setPen(QPen(ornament, 0.8, Qt::DashLine));
        const double x = m_paper.width() / 2 * pxPerMM;
        p.drawLine(QPointF(x, 0), QPointF(x, m_paper.height() * pxPerMM));
    }

    bool save(const QString &path)
    {
        m_page.backgroundImage = QPixmap::fromImage(m_sides[0]);
        if (m_page.pagesCount() > 1)
            m_page.backgroundImage2 = QPixmap::fromImage(m_sides[1]);
        m_page.printBackgroundImage = false;
        return m_page.saveToFile(path);
    }

    ReportPage &page() { return m_page; }

private:
    static QRectF toPx(const QRectF &mm)
    {
        return QRectF(mm.topLeft() * pxPerMM, mm.size() * pxPerMM);
    }

    ReportPage m_page;
    QSizeF m_paper;
    QImage m_sides[2];
};

const QString titleWord = QStringLiteral("СВИДЕТЕЛЬСТВО");
const QString titleRest = QStringLiteral("об окончании начальной школы");

// Forms 301 and 302: a landscape sheet folded in two, without a cover. Outer side: the
// title half on the right; inner side: whom it was given to on the left, by whom on the right.
bool makeFoldedCertificate(const QString &path, bool girls)
{
    Blank b(QPrinter::Landscape, 2);
    const double half = b.paper().width() / 2;

    // Outer side.
    b.ornamentFrame(0, QRectF(half + 8, 8, half - 16, b.paper().height() - 16));
    b.ornamentFrame(0, QRectF(8, 8, half - 16, b.paper().height() - 16));
    b.fold(0);
    b.caption(0,
              QRectF(half + 20, 26, half - 40, 8),
              QStringLiteral("РОССИЙСКАЯ ФЕДЕРАЦИЯ"),
              13,
              Qt::AlignHCenter,
              true);
    b.emblem(0, QPointF(half + half / 2, 58), 17);
    b.caption(0, QRectF(half + 20, 85, half - 40, 14), titleWord, 28, Qt::AlignHCenter, true);
    b.caption(0, QRectF(half + 20, 100, half - 40, 8), titleRest, 15, Qt::AlignHCenter);
    b.caption(0, QRectF(half + 40, 131, 10, 8), QStringLiteral("№"), 14, Qt::AlignLeft, true);
    b.line(0, half + 48, half + half - 40, 138);
    b.field(0,
            QRectF(half + 48, 130.5, half - 88, 7.5),
            QStringLiteral("$V{Number}"),
            Center | Bottom,
            14,
            true);
    b.caption(0,
              QRectF(24, 40, half - 48, 40),
              QStringLiteral("Свидетельство об окончании начальной школы выдаётся обучающемуся, "
                             "освоившему образовательную программу начального общего "
                             "образования. Свидетельство действительно вместе с приложением."),
              10,
              Qt::AlignHCenter | Qt::AlignTop,
              false,
              true);
    b.caption(0,
              QRectF(24, 150, half - 48, 8),
              QStringLiteral("Бланк без обложки"),
              9,
              Qt::AlignHCenter,
              false,
              true);

    // Inner side, left half: the pupil.
    const double l = 22, r = half - 14;
    b.ornamentFrame(1, QRectF(8, 8, b.paper().width() - 16, b.paper().height() - 16));
    b.fold(1);
    b.caption(1,
              QRectF(l, 24, r - l, 8),
              QStringLiteral("Настоящее свидетельство выдано"),
              13,
              Qt::AlignHCenter);
    b.line(1, l, r, 44);
    b.field(1,
            QRectF(l, 36, r - l, 7.5),
            QStringLiteral("$V{Last_Name}"),
            Center | Bottom,
            15,
            true);
    b.hint(1, l, r, 44, QStringLiteral("фамилия"));
    b.line(1, l, r, 57);
    b.field(1,
            QRectF(l, 49, r - l, 7.5),
            QStringLiteral("$V{First_Name} $V{Middle_Name}"),
            Center | Bottom,
            15,
            true);
    b.hint(1, l, r, 57, QStringLiteral("имя, отчество (при наличии)"));
    b.caption(1,
              QRectF(l, 67, 34, 7),
              QStringLiteral("дата рождения"),
              12,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, l + 34, r, 74);
    b.field(1,
            QRectF(l + 34, 66.5, r - l - 34, 7.5),
            QStringLiteral("$V{birth_Date} г."),
            Center | Bottom,
            13);
    b.caption(1,
              QRectF(l, 80, r - l, 7),
              girls ? QStringLiteral("в том, что она окончила начальную школу в")
                    : QStringLiteral("в том, что он окончил начальную школу в"),
              12,
              Qt::AlignHCenter);
    b.line(1, l, r, 95);
    b.line(1, l, r, 103);
    b.line(1, l, r, 111);
    b.field(1,
            QRectF(l, 88, r - l, 24),
            QStringLiteral("$V{OrgName_predlojniy}"),
            Center | Top,
            13,
            false,
            true)
            ->lineHeight
            = 8;
    b.hint(1, l, r, 111, QStringLiteral("полное наименование образовательной организации"));
    b.caption(
            1, QRectF(l + 20, 118, 8, 7), QStringLiteral("в"), 12, Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, l + 28, l + 50, 125);
    b.field(1,
            QRectF(l + 28, 117.5, 22, 7.5),
            QStringLiteral("$V{Issue_Out_year}"),
            Center | Bottom,
            13);
    b.caption(1,
              QRectF(l + 52, 118, 30, 7),
              QStringLiteral("году"),
              12,
              Qt::AlignLeft | Qt::AlignBottom);

    // Inner side, right half: the school's decision and signature.
    const double rl = half + 14, rr = b.paper().width() - 22;
    b.caption(1,
              QRectF(rl, 24, rr - rl, 7),
              QStringLiteral("Решение педагогического совета"),
              12,
              Qt::AlignHCenter);
    b.line(1, rl, rr, 40);
    b.line(1, rl, rr, 48);
    b.field(1,
            QRectF(rl, 33, rr - rl, 16),
            QStringLiteral("$V{Decision}"),
            Center | Top,
            12,
            false,
            true)
            ->lineHeight
            = 8;
    b.caption(1, QRectF(rl, 60, rr - rl, 7), QStringLiteral("Руководитель"), 12, Qt::AlignLeft);
    b.line(1, rl, rr, 75);
    b.field(1,
            QRectF(rl, 66, rr - rl, 9),
            QStringLiteral("$V{OrgName_roditelniy}"),
            Center | Bottom,
            10,
            false,
            true);
    b.hint(1, rl, rr, 75, QStringLiteral("наименование организации"));
    b.line(1, rl, rl + 40, 92);
    b.hint(1, rl, rl + 40, 92, QStringLiteral("подпись"));
    b.line(1, rl + 48, rr, 92);
    b.field(1,
            QRectF(rl + 48, 84.5, rr - rl - 48, 7.5),
            QStringLiteral("$V{Boss1_short}"),
            Center | Bottom,
            13);
    b.hint(1, rl + 48, rr, 92, QStringLiteral("фамилия, инициалы"));
    b.caption(1, QRectF(rl + 4, 97, 20, 7), QStringLiteral("М.П."), 11, Qt::AlignLeft);

    b.caption(1,
              QRectF(rl, 120, 42, 7),
              QStringLiteral("Населённый пункт"),
              11,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, rl + 42, rr, 127);
    b.field(1,
            QRectF(rl + 42, 119.5, rr - rl - 42, 7.5),
            QStringLiteral("$V{City}"),
            Center | Bottom,
            12);
    b.caption(1,
              QRectF(rl, 132, 42, 7),
              QStringLiteral("Дата выдачи"),
              11,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, rl + 42, rr, 139);
    b.field(1,
            QRectF(rl + 42, 131.5, rr - rl - 42, 7.5),
            QStringLiteral("$V{Issue_Out} г."),
            Center | Bottom,
            12);
    b.caption(1,
              QRectF(rl, 144, 42, 7),
              QStringLiteral("Регистрационный №"),
              11,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, rl + 42, rr, 151);
    b.field(1,
            QRectF(rl + 42, 143.5, rr - rl - 42, 7.5),
            QStringLiteral("$V{Reg_Number}"),
            Center | Bottom,
            12);
    return b.save(path);
}

// Form 303: a portrait sheet, the title and the pupil on the front, the decision and the
// signature on the back.
bool makeSecondKindCertificate(const QString &path)
{
    Blank b(QPrinter::Portrait, 2);
    const double w = b.paper().width();
    const double l = 28, r = w - 28;
    b.ornamentFrame(0, QRectF(8, 8, w - 16, b.paper().height() - 16));
    b.caption(0,
              QRectF(l, 28, r - l, 8),
              QStringLiteral("РОССИЙСКАЯ ФЕДЕРАЦИЯ"),
              14,
              Qt::AlignHCenter,
              true);
    b.emblem(0, QPointF(w / 2, 62), 19);
    b.caption(0, QRectF(l, 92, r - l, 14), titleWord, 30, Qt::AlignHCenter, true);
    b.caption(0, QRectF(l, 108, r - l, 8), titleRest, 16, Qt::AlignHCenter);
    b.caption(0, QRectF(w / 2 - 42, 126, 10, 8), QStringLiteral("№"), 14, Qt::AlignLeft, true);
    b.line(0, w / 2 - 32, w / 2 + 42, 133);
    b.field(0,
            QRectF(w / 2 - 32, 125.5, 74, 7.5),
            QStringLiteral("$V{Number}"),
            Center | Bottom,
            14,
            true);

    b.caption(0,
              QRectF(l, 150, r - l, 8),
              QStringLiteral("Настоящее свидетельство выдано"),
              14,
              Qt::AlignHCenter);
    b.line(0, l, r, 170);
    b.line(0, l, r, 180);
    b.field(0,
            QRectF(l, 161, r - l, 20),
            QStringLiteral("$V{Full_Name}"),
            Center | Bottom,
            16,
            true,
            true)
            ->lineHeight
            = 10;
    b.hint(0, l, r, 180, QStringLiteral("фамилия, имя, отчество (при наличии)"));
    b.caption(0,
              QRectF(l, 190, 40, 7),
              QStringLiteral("дата рождения"),
              13,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(0, l + 40, r, 197);
    b.field(0,
            QRectF(l + 40, 189.5, r - l - 40, 7.5),
            QStringLiteral("$V{birth_Date_digit}"),
            Center | Bottom,
            14);
    b.caption(0,
              QRectF(l, 205, r - l, 7),
              QStringLiteral("в том, что он (она) окончил(а) начальную школу в"),
              13,
              Qt::AlignHCenter);
    b.line(0, l, r, 222);
    b.line(0, l, r, 232);
    b.field(0,
            QRectF(l, 213, r - l, 20),
            QStringLiteral("$V{OrgName}"),
            Center | Top,
            13,
            false,
            true)
            ->lineHeight
            = 10;
    b.hint(0, l, r, 232, QStringLiteral("полное наименование образовательной организации"));

    b.ornamentFrame(1, QRectF(8, 8, w - 16, b.paper().height() - 16));
    b.caption(1,
              QRectF(l, 30, r - l, 7),
              QStringLiteral("Решение педагогического совета"),
              13,
              Qt::AlignHCenter);
    b.line(1, l, r, 48);
    b.line(1, l, r, 58);
    b.field(1,
            QRectF(l, 39, r - l, 20),
            QStringLiteral("$V{Decision}"),
            Center | Top,
            13,
            false,
            true)
            ->lineHeight
            = 10;
    b.caption(1, QRectF(l, 80, r - l, 7), QStringLiteral("Руководитель"), 13, Qt::AlignLeft);
    b.line(1, l, r, 97);
    b.field(1,
            QRectF(l, 88, r - l, 9),
            QStringLiteral("$V{OrgName_roditelniy}"),
            Center | Bottom,
            12,
            false,
            true);
    b.hint(1, l, r, 97, QStringLiteral("наименование организации"));
    b.line(1, l, r, 110);
    b.field(1, QRectF(l, 102.5, r - l, 7.5), QStringLiteral("$V{Boss1}"), Center | Bottom, 13);
    b.hint(1, l, r, 110, QStringLiteral("фамилия, имя, отчество руководителя"));
    b.line(1, l, l + 60, 128);
    b.hint(1, l, l + 60, 128, QStringLiteral("подпись"));
    b.line(1, r - 80, r, 128);
    b.field(1,
            QRectF(r - 80, 120.5, 80, 7.5),
            QStringLiteral("$V{Boss1_short}"),
            Center | Bottom,
            13);
    b.hint(1, r - 80, r, 128, QStringLiteral("фамилия, инициалы"));
    b.caption(1, QRectF(l + 5, 136, 20, 7), QStringLiteral("М.П."), 12, Qt::AlignLeft);

    b.caption(1,
              QRectF(l, 165, 50, 7),
              QStringLiteral("Населённый пункт"),
              12,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, l + 50, r, 172);
    b.field(1,
            QRectF(l + 50, 164.5, r - l - 50, 7.5),
            QStringLiteral("$V{City}"),
            Center | Bottom,
            13);
    b.caption(1,
              QRectF(l, 180, 50, 7),
              QStringLiteral("Дата выдачи"),
              12,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, l + 50, r, 187);
    b.field(1,
            QRectF(l + 50, 179.5, r - l - 50, 7.5),
            QStringLiteral("$V{Issue_Out} г."),
            Center | Bottom,
            13);
    b.caption(1,
              QRectF(l, 195, 50, 7),
              QStringLiteral("Регистрационный №"),
              12,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, l + 50, r, 202);
    b.field(1,
            QRectF(l + 50, 194.5, r - l - 50, 7.5),
            QStringLiteral("$V{Reg_Number}"),
            Center | Bottom,
            13);
    return b.save(path);
}

// Form 304: the appendix. Front: whose it is and the grades table; back: the rest of the
// table and the five sections. The table's column heads are part of the blank.
bool makeAppendix(const QString &path)
{
    Blank b(QPrinter::Portrait, 2);
    const double w = b.paper().width();
    const double h = b.paper().height();
    const double l = 20, r = w - 20;

    b.ornamentFrame(0, QRectF(8, 8, w - 16, h - 16));
    b.caption(0, QRectF(l, 22, r - l, 8), QStringLiteral("ПРИЛОЖЕНИЕ"), 16, Qt::AlignHCenter, true);
    b.caption(0,
              QRectF(l, 30, r - l, 7),
              QStringLiteral("к свидетельству об окончании начальной школы"),
              12,
              Qt::AlignHCenter);
    b.caption(0, QRectF(w / 2 - 40, 38, 10, 7), QStringLiteral("№"), 12, Qt::AlignLeft, true);
    b.line(0, w / 2 - 32, w / 2 + 40, 45);
    b.field(0,
            QRectF(w / 2 - 32, 37.5, 72, 7.5),
            QStringLiteral("$V{Number}"),
            Center | Bottom,
            13,
            true);

    b.line(0, l, r, 58);
    b.field(0,
            QRectF(l, 50.5, r - l, 7.5),
            QStringLiteral("$V{Full_Name}"),
            Center | Bottom,
            14,
            true);
    b.hint(0, l, r, 58, QStringLiteral("фамилия, имя, отчество (при наличии)"));
    b.caption(0,
              QRectF(l, 64, 36, 7),
              QStringLiteral("дата рождения"),
              11,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(0, l + 36, l + 80, 71);
    b.field(0,
            QRectF(l + 36, 63.5, 44, 7.5),
            QStringLiteral("$V{birth_Date_digit}"),
            Center | Bottom,
            12);
    b.line(0, l, r, 80);
    b.field(0,
            QRectF(l, 70.5, r - l, 9.5),
            QStringLiteral("$V{OrgName}"),
            Center | Bottom,
            10,
            false,
            true);
    b.hint(0, l, r, 80, QStringLiteral("наименование образовательной организации"));

    // Grades table: three columns, heads pre-printed on both sides.
    const double tableTop = 88, headHeight = 12;
    const double widths[] = {14, 100, r - l - 114};
    const QString heads[] = {QStringLiteral("№\nп/п"),
                             QStringLiteral("Наименование учебных предметов"),
                             QStringLiteral("Итоговая отметка")};
    const auto tableHead = [&](int side, double top) {
        double x = l;
        for (int c = 0; c < 3; ++c) {
            b.box(side, QRectF(x, top, widths[c], headHeight));
            b.caption(side,
                      QRectF(x + 1, top, widths[c] - 2, headHeight),
                      heads[c],
                      10,
                      Qt::AlignCenter,
                      true);
            x += widths[c];
        }
    };
    const double block0Height = h - 22 - (tableTop + headHeight);
    tableHead(0, tableTop);
    b.box(0, QRectF(l, tableTop + headHeight, r - l, block0Height));

    b.ornamentFrame(1, QRectF(8, 8, w - 16, h - 16));
    b.caption(1,
              QRectF(l, 15.5, r - l, 6),
              QStringLiteral("Итоговые отметки (продолжение)"),
              10,
              Qt::AlignHCenter,
              false,
              true);
    const double block1Top = 22, block1Height = 46;
    tableHead(1, block1Top);
    b.box(1, QRectF(l, block1Top + headHeight, r - l, block1Height));

    auto *table = new TableField;
    table->x = l;
    table->y = tableTop + headHeight;
    table->headerIsVisible = false;
    table->columnCount = 3;
    table->previewRowCount = 3;
    table->rowHeight = 7;
    table->headerHeight = 8;
    table->columnsWidth = {widths[0], widths[1], widths[2]};
    table->headerNames = QStringList{QStringLiteral("№ п/п"), heads[1], heads[2]};
    table->columnIds = QStringList{QStringLiteral("$D{view.rowNumber}"),
                                   QStringLiteral("$D{view.disciplineName}"),
                                   QStringLiteral("$D{view.disciplineRate}")};
    table->columnsAlign
            = {quint8(Center | VCenter), quint8(Left | VCenter), quint8(Center | VCenter)};
    table->alignFlags = Left | VCenter;
    table->font = QFont(serif, 12);
    table->wordWrap = true;
    table->drawBorders = false;
    table->zOnEmpty = true;
    table->mModelName = QStringLiteral("view");
    table->splitsCount = 2;
    table->maxSplitHeight = {block0Height, block1Height};
    table->splitX = {l, 0};
    table->splitY = {h + block1Top + headHeight, 0};
    table->width = r - l;
    table->height = block0Height;
    b.add(table);

    // The five sections of the back.
    struct Section
    {
        QString title;
        QString variable;
    };
    const Section sections[] = {
            {QStringLiteral("1. Курсы внеурочной деятельности"),
             QStringLiteral("$V{After_Classes_Courses}")},
            {QStringLiteral("2. Программы дополнительного образования"),
             QStringLiteral("$V{Programs_Of_Add_Education}")},
            {QStringLiteral("3. Результаты участия в олимпиадах и конкурсах"),
             QStringLiteral("$V{Results_Of_Olympiads}")},
            {QStringLiteral("4. Метапредметные результаты"), QStringLiteral("$V{Meta_Results}")},
            {QStringLiteral("5. Личностные качества"), QStringLiteral("$V{Person_Character}")},
    };
    double top = block1Top + headHeight + block1Height + 6;
    const double sectionHeight = 30;
    for (const Section &s : sections) {
        b.caption(1, QRectF(l, top, r - l, 6), s.title, 11, Qt::AlignLeft | Qt::AlignBottom, true);
        b.box(1, QRectF(l, top + 6.5, r - l, sectionHeight - 8));
        TextField *f = b.field(1,
                               QRectF(l + 1, top + 7, r - l - 2, sectionHeight - 9),
                               s.variable,
                               Justify | Top,
                               11,
                               false,
                               true);
        f->zOnEmpty = true;
        f->indent = 6;
        top += sectionHeight;
    }

    top += 2;
    b.caption(1,
              QRectF(l, top, 30, 7),
              QStringLiteral("Руководитель"),
              11,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, l + 30, l + 80, top + 7);
    b.hint(1, l + 30, l + 80, top + 7, QStringLiteral("подпись"));
    b.line(1, l + 86, r, top + 7);
    b.field(1,
            QRectF(l + 86, top - 0.5, r - l - 86, 7.5),
            QStringLiteral("$V{Boss1_short}"),
            Center | Bottom,
            12);
    b.hint(1, l + 86, r, top + 7, QStringLiteral("фамилия, инициалы"));
    b.caption(1, QRectF(l + 4, top + 11, 20, 7), QStringLiteral("М.П."), 11, Qt::AlignLeft);
    top += 13;
    b.caption(1,
              QRectF(l + 60, top, 30, 7),
              QStringLiteral("Дата выдачи"),
              11,
              Qt::AlignLeft | Qt::AlignBottom);
    b.line(1, l + 90, r, top + 7);
    b.field(1,
            QRectF(l + 90, top - 0.5, r - l - 90, 7.5),
            QStringLiteral("$V{Issue_Out_digit}, рег. № $V{Reg_Number}"),
            Center | Bottom,
            12);
    top += 9;
    b.caption(1,
              QRectF(l, top, 72, 6),
              QStringLiteral("Приложение к свидетельству обучающегося:"),
              9,
              Qt::AlignLeft | Qt::AlignBottom,
              false,
              true);
    b.field(1,
            QRectF(l + 70, top - 1.5, r - l - 70, 6.5),
            QStringLiteral("$V{Full_Name_short}"),
            Left | Bottom,
            10,
            false);
    return b.save(path);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (app.arguments().size() != 2) {
        err << "usage: zr_maketemplates <output folder>\n";
        return 2;
    }
    const QString dir = app.arguments().at(1);
    if (!QDir().mkpath(dir)) {
        err << "cannot create " << dir << "\n";
        return 1;
    }
    const bool ok = makeFoldedCertificate(dir + "/id253.zrrpt", false)
                    && makeFoldedCertificate(dir + "/id254.zrrpt", true)
                    && makeSecondKindCertificate(dir + "/id3339.zrrpt")
                    && makeAppendix(dir + "/id3382.zrrpt");
    if (!ok) {
        err << "cannot write the templates into " << dir << "\n";
        return 1;
    }
    return 0;
}
