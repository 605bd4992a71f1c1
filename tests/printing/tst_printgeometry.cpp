#include "../ZrReport/reporttestutil.h"
#include "database/database.h"
#include "modalanswerer.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/reportlist.h"
#include "printingfixture.h"
#include "testhome.h"

#include "ZrReport/reportpage.h"
#include "ZrReport/tablefield.h"
#include "ZrReport/textfield.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPrinter>
#include <QRawFont>
#include <QTextLayout>
#include <array>
#include <cmath>
#include <memory>

using namespace ReportTest;

// Where the ink of every field of the four shipped templates lands, at the resolutions
// the program prints at, computed from the template's millimetres and the font's own
// metrics: a line takes the font's line spacing (ascent, descent and the leading below
// them) or the template's fixed line height, its glyphs sit on the baseline, and the
// alignment flags place that box in the field or cell.
namespace {

struct Device
{
    enum Path {
        Image,  // drawn onto an image of that resolution
        Export, // the PDF export
        Window  // one document printed from the window: preview, print dialog, a PDF file
    };
    QString name;
    int dpi; // the resolution the page is laid out at
    Path path;
};

// A print from the window is laid out as the export is, whatever the screen.
const QList<Device> &devices()
{
    static const QList<Device> list{
            {QStringLiteral("96 dpi"), 96, Device::Image},
            {QStringLiteral("300 dpi"), 300, Device::Image},
            {QStringLiteral("600 dpi"), 600, Device::Image},
            {QStringLiteral("PDF"), 1200, Device::Export},
            {QStringLiteral("printed from the window"), 1200, Device::Window}};
    return list;
}

// A PDF page is looked at as poppler rasterises it at this resolution.
constexpr int pdfRasterDpi = 600;

QString disciplineName(int row)
{
    static const QStringList names{QStringLiteral("Русский язык"),
                                   QStringLiteral("Литературное чтение"),
                                   QStringLiteral("Родной язык (русский)"),
                                   QStringLiteral("Литературное чтение на родном языке"),
                                   QStringLiteral("Иностранный язык (английский)"),
                                   QStringLiteral("Математика"),
                                   QStringLiteral("Окружающий мир"),
                                   QStringLiteral("Основы религиозных культур и светской этики"),
                                   QStringLiteral("Изобразительное искусство"),
                                   QStringLiteral("Музыка"),
                                   QStringLiteral("Технология"),
                                   QStringLiteral("Физическая культура"),
                                   QStringLiteral("Информатика"),
                                   QStringLiteral("Шахматы"),
                                   QStringLiteral("Риторика"),
                                   QStringLiteral("Краеведение"),
                                   QStringLiteral("Основы проектной деятельности"),
                                   QStringLiteral("Хореография"),
                                   QStringLiteral("Экология"),
                                   QStringLiteral("Логика")};
    return names.at(row);
}

QString disciplineRate(int row)
{
    static const QStringList rates{QStringLiteral("5"),
                                   QStringLiteral("4"),
                                   QStringLiteral("3"),
                                   QStringLiteral("2"),
                                   QStringLiteral("зачтено")};
    return rates.at(row % rates.size());
}

// The grade as the appendix prints it.
QString rateText(int row)
{
    static const QStringList texts{QStringLiteral("5 (Отлично)"),
                                   QStringLiteral("4 (Хорошо)"),
                                   QStringLiteral("3 (Удовлетворительно)"),
                                   QStringLiteral("2 (Неудовлетворительно)"),
                                   QStringLiteral("зачтено")};
    return texts.at(row % texts.size());
}

int addPupil(bool longNames)
{
    const QString longSection
            = QStringLiteral("Посещал кружки «Юный шахматист», «Умелые руки» и «Хоровое "
                             "пение»; участвовал в школьных и районных конкурсах чтецов, в "
                             "проектной неделе и в подготовке праздника весны");
    QVariantMap columns{{"isTemplate", 0},
                        {"birthDate", "2013-09-30"},
                        {"number", "77 0123456"},
                        {"regNumber", "1024"},
                        {"issueDate", "2024-05-31"}};
    if (longNames) {
        columns.insert("fio1", QStringLiteral("Константинопольская-Воскресенская"));
        columns.insert("fio2", QStringLiteral("Александра-Виктория"));
        columns.insert("fio3", QStringLiteral("Константиновна"));
        columns.insert("decision",
                       QStringLiteral("решение педагогического совета, протокол № 17 от "
                                      "30 мая 2024 года"));
        for (int i = 1; i <= 5; ++i)
            columns.insert(QStringLiteral("add%1").arg(i), longSection);
    } else {
        columns.insert("fio1", QStringLiteral("Ким"));
        columns.insert("fio2", QStringLiteral("Ян"));
        columns.insert("fio3", QStringLiteral("Ли"));
        columns.insert("decision", QStringLiteral("протокол № 7"));
        const QStringList sections{QStringLiteral("Шахматы"),
                                   QStringLiteral("Хор"),
                                   QStringLiteral("Олимпиада"),
                                   QStringLiteral("Работа в группе"),
                                   QStringLiteral("Аккуратен")};
        for (int i = 0; i < 5; ++i)
            columns.insert(QStringLiteral("add%1").arg(i + 1), sections.at(i));
    }
    const int id = PrintingFixture::addDocument(columns);
    QList<QPair<QString, QString>> rows;
    for (int r = 0; r < 20; ++r)
        rows << qMakePair(disciplineName(r), disciplineRate(r));
    PrintingFixture::addDetails(id, rows);
    return id;
}

// The field's font as a device of `dpi` gets it: whole pixels, fraction dropped.
QFont deviceFont(const AbstractField *field, int dpi)
{
    QFont font = field->resolvedFont();
    font.setPixelSize(int(std::floor(QFontInfo(font).pointSizeF() * dpi / 72.0 + 1e-9)));
    return font;
}

struct Layout
{
    QRectF ink; // device pixels
    int lines = 0;
};

// Breaks `text` into lines as wide as the box allows and returns the union of the
// lines' ink, each line placed by the alignment within [left, left + width] and on the
// baseline that `baselineOf(line index)` gives.
template<typename Baseline>
Layout lineInk(const QString &text,
               const QFont &font,
               double left,
               double width,
               double indent,
               int flags,
               QTextOption::WrapMode wrap,
               Baseline baselineOf)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(wrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<QTextLine> lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(lines.isEmpty() ? width - indent : width);
        lines << line;
    }
    layout.endLayout();

    Layout result;
    result.lines = lines.size();
    for (int i = 0; i < lines.size(); ++i) {
        const QTextLine &line = lines.at(i);
        // The glyphs' own outlines, where the line's shaping put them.
        QRectF glyphs;
        for (const QGlyphRun &run : line.glyphRuns()) {
            const QVector<quint32> indexes = run.glyphIndexes();
            const QVector<QPointF> positions = run.positions();
            for (int g = 0; g < indexes.size(); ++g) {
                const QRectF box = run.rawFont().boundingRect(indexes.at(g));
                if (!box.isEmpty())
                    glyphs |= box.translated(positions.at(g)
                                             - QPointF(line.x(), line.y() + line.ascent()));
            }
        }
        if (glyphs.isEmpty())
            continue;
        const double lineLeft = left + (i == 0 ? indent : 0);
        const double room = width - (i == 0 ? indent : 0);
        const double natural = line.naturalTextWidth();
        double x = lineLeft;
        if (flags & Qt::AlignRight)
            x = lineLeft + room - natural;
        else if (flags & Qt::AlignHCenter)
            x = lineLeft + (room - natural) / 2;
        const QString part = text.mid(line.textStart(), line.textLength()).trimmed();
        const bool justified = (flags & Qt::AlignJustify) == Qt::AlignJustify
                               && i + 1 < lines.size() && part.contains(QLatin1Char(' '));
        const double right
                = justified ? lineLeft + room - (natural - glyphs.right()) : x + glyphs.right();
        const double baseline = baselineOf(i);
        result.ink |= QRectF(QPointF(x + glyphs.left(), baseline + glyphs.top()),
                             QPointF(right, baseline + glyphs.bottom()));
    }
    return result;
}

} // namespace

class TestPrintGeometry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void inkWhereTheTemplateSays_data();
    void inkWhereTheTemplateSays();

private:
    // The sides of one template printed for one pupil on one device, as images.
    struct Rendering
    {
        QString key;
        std::unique_ptr<ReportPage> page;
        QList<QImage> sides;
        double devicePixelsPerMM = 0; // the layout's scale
        double imagePixelsPerMM = 0;  // the images' scale
        double paperHeightPx = 0;     // device pixels of one side
    };
    const Rendering &rendering(int type, bool longNames, const Device &device);
    std::unique_ptr<ReportPage> filledPage(int type, bool longNames);

    PrintingFixture m_fixture;
    int m_longPupil = 0;
    int m_shortPupil = 0;
    Rendering m_rendering;
    QTemporaryDir m_pdfDir;
};

void TestPrintGeometry::initTestCase()
{
    if (!haveSerif()
        || QFontInfo(QFont(QStringLiteral("Times New Roman"))).family() != serifFamily())
        QSKIP("Liberation Serif does not stand in for Times New Roman (fonts-liberation, "
              "fontconfig); the templates' metrics cannot be checked");
    if (!havePdfToPpm())
        QSKIP("pdftoppm (poppler-utils) is not installed");
    m_fixture.start();
    DefaultTemplates::install();
    Database::setVariable(QStringLiteral("Data/Boss_1"),
                          QStringLiteral("Вознесенская-Преображенская Анастасия Ильинична"));
    Database::setVariable(QStringLiteral("Data/City"), QStringLiteral("Петропавловск-Камчатский"));
    const QString organisation = QStringLiteral(
            "МБОУ «Средняя общеобразовательная школа № 12 г. Петропавловска-Камчатского»");
    for (int i = 1; i <= 3; ++i)
        Database::setVariable(QStringLiteral("Data/OrgName_%1").arg(i), organisation);
    m_longPupil = addPupil(true);
    m_shortPupil = addPupil(false);
}

void TestPrintGeometry::cleanupTestCase()
{
    m_rendering = Rendering();
    m_fixture.stop();
}

std::unique_ptr<ReportPage> TestPrintGeometry::filledPage(int type, bool longNames)
{
    auto page = std::make_unique<ReportPage>();
    page->loadFromFile(Engine::templatePath(type));
    Engine::fillReport(type, page.get(), longNames ? m_longPupil : m_shortPupil, true);
    page->setReplaceExpressions(true);
    return page;
}

const TestPrintGeometry::Rendering &
TestPrintGeometry::rendering(int type, bool longNames, const Device &device)
{
    const QString key = QStringLiteral("%1 %2 %3").arg(type).arg(longNames).arg(device.name);
    if (m_rendering.key == key)
        return m_rendering;
    // One rendering at a time: a side at 600 dpi is 140 MB.
    m_rendering = Rendering();
    m_rendering.key = key;
    m_rendering.page = filledPage(type, longNames);
    ReportPage &page = *m_rendering.page;
    m_rendering.devicePixelsPerMM = device.dpi / 25.399931;
    m_rendering.paperHeightPx = page.paperSizeMM().height() * m_rendering.devicePixelsPerMM;
    if (device.path == Device::Image) {
        const QSizeF paper = page.paperSizeMM() * m_rendering.devicePixelsPerMM;
        for (int side = 0; side < page.pagesCount(); ++side) {
            QImage image(paper.toSize(), QImage::Format_ARGB32_Premultiplied);
            image.setDotsPerMeterX(qRound(device.dpi / 0.0254));
            image.setDotsPerMeterY(qRound(device.dpi / 0.0254));
            image.fill(Qt::white);
            QPainter painter(&image);
            page.renderPage(&painter, side, false);
            painter.end();
            m_rendering.sides << image;
        }
        m_rendering.imagePixelsPerMM = m_rendering.devicePixelsPerMM;
        // The device's own pixel height of a side, as renderPage offsets the pages.
        m_rendering.paperHeightPx = paper.toSize().height();
        return m_rendering;
    }
    // Each side's file and its page in it.
    QList<QPair<QString, int>> files;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    page.setupPrinter(&printer);
    if (device.path == Device::Export) {
        const QString pdf = m_pdfDir.filePath(QStringLiteral("sides.pdf"));
        printer.setOutputFileName(pdf);
        QPainter painter(&printer);
        for (int side = 0; side < page.pagesCount(); ++side) {
            if (side > 0)
                printer.newPage();
            page.renderPage(&painter, side, false);
            files << qMakePair(pdf, side + 1);
        }
        painter.end();
    } else {
        Engine engine;
        ModalAnswerer answerer;
        for (int side = 0; side < page.pagesCount(); ++side) {
            if (side > 0)
                answerer.expectButton(QString(), QString(), QDialogButtonBox::Ok);
            const QString pdf = m_pdfDir.filePath(QStringLiteral("window%1.pdf").arg(side));
            answerer.expect(QCoreApplication::translate("QPrintPreviewDialog", "Print Preview"),
                            QString(),
                            [pdf](QWidget *preview) { printPreviewTo(preview, pdf); });
            files << qMakePair(pdf, 1);
        }
        engine.onDocumentPrint(type, longNames ? m_longPupil : m_shortPupil, false);
    }
    m_rendering.devicePixelsPerMM = printer.logicalDpiX() / 25.399931;
    m_rendering.paperHeightPx = printer.height();
    m_rendering.imagePixelsPerMM = pdfRasterDpi / 25.4;
    for (int side = 0; side < files.size(); ++side) {
        const QString stem = m_pdfDir.filePath(QStringLiteral("side%1").arg(side));
        QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-r"),
                           QString::number(pdfRasterDpi),
                           QStringLiteral("-gray"),
                           QStringLiteral("-f"),
                           QString::number(files.at(side).second),
                           QStringLiteral("-l"),
                           QString::number(files.at(side).second),
                           QStringLiteral("-singlefile"),
                           files.at(side).first,
                           stem});
        m_rendering.sides << QImage(stem + QStringLiteral(".pgm"))
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return m_rendering;
}

void TestPrintGeometry::inkWhereTheTemplateSays_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("longNames");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("row"); // table cells only
    QTest::addColumn<int>("column");

    if (!m_longPupil)
        QSKIP("no fixture");
    for (const ReportListEntry *entry : ReportList::entries()) {
        for (bool longNames : {true, false}) {
            const std::unique_ptr<ReportPage> page = filledPage(entry->type, longNames);
            for (int d = 0; d < devices().size(); ++d) {
                const QString where = QStringLiteral("%1, %2").arg(
                        longNames ? QStringLiteral("long names") : QStringLiteral("short names"),
                        devices().at(d).name);
                for (int f = 0; f < page->fields.size(); ++f) {
                    const AbstractField *field = page->fields.at(f);
                    if (const auto *text = qobject_cast<const TextField *>(field)) {
                        if (page->replaceFromVariables(text->text).trimmed().isEmpty())
                            continue;
                        QTest::addRow("%s %s %s",
                                      qPrintable(entry->id),
                                      qPrintable(text->text.left(40)),
                                      qPrintable(where))
                                << int(entry->type) << longNames << d << f << -1 << -1;
                        continue;
                    }
                    const auto *table = qobject_cast<const TableField *>(field);
                    QVERIFY(table);
                    for (int r = 0; r < 20; ++r) {
                        for (int c = 0; c < table->columnCount; ++c) {
                            QTest::addRow("%s table row %d column %d %s",
                                          qPrintable(entry->id),
                                          r + 1,
                                          c + 1,
                                          qPrintable(where))
                                    << int(entry->type) << longNames << d << f << r << c;
                        }
                    }
                }
            }
        }
    }
}

void TestPrintGeometry::inkWhereTheTemplateSays()
{
    QFETCH(int, type);
    QFETCH(bool, longNames);
    QFETCH(int, device);
    QFETCH(int, field);
    QFETCH(int, row);
    QFETCH(int, column);

    const Device &dev = devices().at(device);
    const Rendering &r = rendering(type, longNames, dev);
    ReportPage &page = *r.page;
    const double ppm = r.devicePixelsPerMM;
    const AbstractField *subject = page.fields.at(field);
    const QFont font = deviceFont(subject, dev.dpi);
    const QFontMetricsF metrics(font);

    QRectF expected;           // device pixels, on the side
    QRectF region;             // where to look, device pixels
    std::array<bool, 4> cut{}; // left, top, right, bottom
    bool zStroke = false;
    int side = 0;
    if (const auto *text = qobject_cast<const TextField *>(subject)) {
        side = int(text->y / page.paperSizeMM().height());
        const double offset = side * r.paperHeightPx;
        const QString shown = page.replaceFromVariables(text->text);
        const int linePx = qMax(0, int(text->lineHeight * ppm));
        const int indentPx = qMax(0, int(text->indent * ppm));
        double top = text->y * ppm - offset;
        double height = text->height * ppm;
        // A fixed line height keeps the first baseline where the designer put it.
        if (linePx > 0) {
            const double delta = font.pixelSize() - linePx / 1.25;
            top += delta;
            height -= delta;
        }
        const double pitch = linePx > 0 ? linePx : metrics.lineSpacing();
        const double firstBaseline
                = linePx > 0 ? linePx - metrics.descent() - metrics.leading() : metrics.ascent();
        double shift = 0;
        auto place = [&](int i) { return top + shift + firstBaseline + i * pitch; };
        Layout layout = lineInk(shown,
                                font,
                                text->x * ppm,
                                text->width * ppm,
                                indentPx,
                                text->alignFlags,
                                text->wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                               : QTextOption::NoWrap,
                                place);
        const double textHeight = layout.lines * pitch;
        if (text->alignFlags & Qt::AlignVCenter)
            shift = std::trunc((height - textHeight) * 0.5);
        else if (text->alignFlags & Qt::AlignBottom)
            shift = std::trunc(height - textHeight);
        shift = qMax(0.0, shift);
        layout.ink.translate(0, shift);
        const QRectF clip(text->x * ppm, top + shift, text->width * ppm, height);
        expected = layout.ink & clip;
        // Text that does not fit is cut at the field's edge; where, inside a glyph, the
        // cut leaves visible ink is not for this table to say.
        cut = {layout.ink.left() < clip.left(),
               layout.ink.top() < clip.top(),
               layout.ink.right() > clip.right(),
               layout.ink.bottom() > clip.bottom()};
        region = clip
                 | QRectF(text->x * ppm,
                          text->y * ppm - offset,
                          text->width * ppm,
                          text->height * ppm);
        zStroke = text->zOnEmpty;
    } else {
        const auto *table = qobject_cast<const TableField *>(subject);
        // The document's disciplines all fit one line, so every row keeps the template's
        // row height and the rows of block 0 follow each other from the table's top.
        double left = table->x;
        for (int c = 0; c < column; ++c)
            left += table->columnsWidth.at(c);
        const QRectF cell(left * ppm,
                          (table->y + row * table->rowHeight) * ppm,
                          table->columnsWidth.at(column) * ppm,
                          table->rowHeight * ppm);
        const double m = 0.3 * ppm;
        const QRectF box(cell.left() + m, cell.top() + m, cell.width() - 2 * m, cell.height() - m);
        const int flags = table->columnsAlign.at(column) ? table->columnsAlign.at(column)
                                                         : table->alignFlags;
        const QString cellText = column == 0   ? QString::number(row + 1)
                                 : column == 1 ? disciplineName(row)
                                               : rateText(row);
        double top = box.top();
        auto place = [&](int i) { return top + metrics.ascent() + i * metrics.lineSpacing(); };
        Layout layout = lineInk(
                cellText, font, box.left(), box.width(), 0, flags, QTextOption::WordWrap, place);
        QCOMPARE(layout.lines, 1);
        const double shift = (box.height() - layout.lines * metrics.lineSpacing()) / 2;
        if (flags & Qt::AlignVCenter)
            layout.ink.translate(0, shift);
        expected = layout.ink;
        // Just inside the text's box, away from the cell's outline that an image shows.
        region = QRectF(box.left(), box.top(), box.width(), cell.bottom() - box.top() - 1);
    }

    // Millimetres on the side.
    auto toMM = [ppm](const QRectF &px) {
        return QRectF(px.topLeft() / ppm, px.bottomRight() / ppm);
    };
    const QRectF expectedMM = toMM(expected);
    QRectF regionMM = toMM(region);
    if (zStroke) // the Z below the text starts 2 mm under its last line
        regionMM.setBottom(qMin(regionMM.bottom(), expectedMM.bottom() + 1.5));

    const QImage &image = r.sides.at(side);
    const double ipm = r.imagePixelsPerMM;
    QRect area(QPoint(int(std::ceil(regionMM.left() * ipm)), int(std::ceil(regionMM.top() * ipm))),
               QPoint(int(regionMM.right() * ipm), int(regionMM.bottom() * ipm)));
    // Other fields may overlap this one's box; their ink is not this field's.
    QRegion look(area);
    for (const AbstractField *other : qAsConst(page.fields)) {
        if (other == subject || other->type() != 1)
            continue;
        const QRectF o(other->x,
                       other->y - side * page.paperSizeMM().height(),
                       other->width,
                       other->height);
        look -= QRect(QPoint(int(o.left() * ipm), int(o.top() * ipm)),
                      QPoint(int(o.right() * ipm), int(o.bottom() * ipm)));
    }
    QRect ink;
    for (const QRect &part : look)
        ink |= inkBounds(image, part);
    QVERIFY2(!ink.isNull(), "no ink");
    const QRectF inkMM(
            ink.left() / ipm, ink.top() / ipm, (ink.width()) / ipm, (ink.height()) / ipm);

    // A 96 dpi screen puts glyphs and lines on whole pixels: one device pixel more is
    // allowed there.
    const double tolerance = dev.dpi < 200 ? 0.2 + 25.399931 / dev.dpi : 0.2;
    const QString report = QStringLiteral("ink %1..%2 x %3..%4 mm, expected %5..%6 x %7..%8 mm")
                                   .arg(inkMM.left(), 0, 'f', 2)
                                   .arg(inkMM.right(), 0, 'f', 2)
                                   .arg(inkMM.top(), 0, 'f', 2)
                                   .arg(inkMM.bottom(), 0, 'f', 2)
                                   .arg(expectedMM.left(), 0, 'f', 2)
                                   .arg(expectedMM.right(), 0, 'f', 2)
                                   .arg(expectedMM.top(), 0, 'f', 2)
                                   .arg(expectedMM.bottom(), 0, 'f', 2);
    const double found[4] = {-inkMM.left(), -inkMM.top(), inkMM.right(), inkMM.bottom()};
    const double wanted[4]
            = {-expectedMM.left(), -expectedMM.top(), expectedMM.right(), expectedMM.bottom()};
    for (int edge = 0; edge < 4; ++edge) {
        const double error = found[edge] - wanted[edge];
        QVERIFY2(error <= tolerance && (cut[edge] || error >= -tolerance), qPrintable(report));
    }
}

ZR_TEST_MAIN(TestPrintGeometry)
#include "tst_printgeometry.moc"
