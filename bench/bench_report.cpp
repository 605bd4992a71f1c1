#include "benchreport.h"
#include "reportpage.h"
#include "tablefield.h"
#include "textfield.h"

#include <QApplication>
#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>

namespace {

constexpr int runs = 9;

// CPU time of this thread: on a machine shared with builds it shows what wall time
// would be on an idle one.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A scan-like side of an A4 blank at the printer's screen resolution: paper grain,
// frames and ruled lines, so that PNG has as much to do as with a real scan.
QImage syntheticScan(const QSize &size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed)};
    for (int y = 0; y < size.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int grain = 235 + int(random.bounded(12));
            line[x] = qRgb(grain, grain - 2, grain - 8);
        }
    }
    QPainter painter(&image);
    painter.setPen(QPen(QColor(120, 90, 60), 3));
    painter.drawRect(image.rect().adjusted(20, 20, -20, -20));
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    for (int y = 120; y < size.height() - 60; y += 28)
        painter.drawLine(60, y, size.width() - 60, y);
    painter.setFont(QFont(QStringLiteral("Liberation Serif"), 20));
    painter.drawText(
            image.rect().adjusted(0, 40, 0, 0), Qt::AlignHCenter, QStringLiteral("СВИДЕТЕЛЬСТВО"));
    return image;
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void templateFigures(const QString &folder)
{
    ReportPage page;
    const QSize sheet = page.printer()->paperRect(QPrinter::DevicePixel).size().toSize();
    const QImage scans[2] = {syntheticScan(sheet, 1), syntheticScan(sheet, 2)};
    const QByteArray pngs[2] = {png(scans[0]), png(scans[1])};
    page.setPagesCount(2);
    for (int i = 0; i < 20; ++i) {
        auto field = new TextField;
        field->page = &page;
        field->x = 10 + i;
        field->y = 10 + 9 * i;
        field->text = QStringLiteral("$V{field%1}").arg(i);
        page.fields.append(field);
    }
    auto table = new TableField;
    table->page = &page;
    table->columnCount = 2;
    table->columnsWidth = {60, 30};
    table->headerNames = QStringList{QStringLiteral("Предмет"), QStringLiteral("Отметка")};
    table->columnIds
            = QStringList{QStringLiteral("$D{view.name}"), QStringLiteral("$D{view.grade}")};
    page.fields.append(table);
    page.backgroundImage = QPixmap::fromImage(scans[0]);
    page.backgroundImage2 = QPixmap::fromImage(scans[1]);
    const QString file = folder + QStringLiteral("/bench.zrrpt");
    page.saveToFile(file);

    std::vector<double> decode, load, encode, save, saveUnchanged;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        for (const QByteArray &bytes : pngs) {
            QImage image;
            image.loadFromData(bytes, "PNG");
        }
        decode.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        ReportPage loaded;
        loaded.loadFromFile(file);
        load.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        for (const QImage &scan : scans) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QPixmap::fromImage(scan).save(&buffer, "PNG");
        }
        encode.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        loaded.saveToFile(folder + QStringLiteral("/unchanged.zrrpt"));
        saveUnchanged.push_back(timer.nsecsElapsed() / 1e6);

        // New pictures, as after loading backgrounds in the designer: encoded afresh.
        loaded.backgroundImage = QPixmap::fromImage(scans[0]);
        loaded.backgroundImage2 = QPixmap::fromImage(scans[1]);
        timer.start();
        loaded.saveToFile(folder + QStringLiteral("/changed.zrrpt"));
        save.push_back(timer.nsecsElapsed() / 1e6);
    }
    BenchReport::figure(QStringLiteral("template load, two A4 backgrounds (vs PNG decode)"),
                        QStringLiteral("<= 1.3x"),
                        median(load),
                        median(decode));
    BenchReport::figure(QStringLiteral("template save, new backgrounds (vs PNG encode)"),
                        QStringLiteral("<= 1.3x"),
                        median(save),
                        median(encode));
    BenchReport::figure(QStringLiteral("template save, backgrounds as loaded (vs PNG encode)"),
                        QStringLiteral("<= 1.3x"),
                        median(saveUnchanged),
                        median(encode));
}

// What the table draws for each cell, taken from its laid-out rows and columns: the
// outline, and the text in the rectangle inset by 0.3 mm on the left, top and right.
struct CellDraw
{
    QRectF outline;
    QRectF text;
    int flags;
    QString content;
};

QVector<CellDraw> cellDraws(const TableField &table, double scale)
{
    QVector<CellDraw> draws;
    const double m = 0.3 * scale;
    auto add = [&](double x, double y, double h, int c, const QString &content) {
        const QRectF outline(x, y, table.colWidths.at(c) * scale, h);
        draws.append({outline,
                      QRectF(x + m, y + m, outline.width() - 2 * m, h - m),
                      table.textFlags(table.columnsAlign.at(c)),
                      content});
    };
    double x = table.x * scale;
    double y = table.y * scale;
    double cx = x;
    for (int c = 0; c < table.columnCount; ++c) {
        add(cx, y, table.headerHeightUsed * scale, c, table.headerNames.at(c));
        cx += table.colWidths.at(c) * scale;
    }
    y += table.headerHeightUsed * scale;
    int block = 0;
    double used = table.headerHeightUsed;
    for (int r = 0; r < table.rowsCount; ++r) {
        const double h = table.rowHeights.at(r);
        if (block < table.splitsCount && !(table.maxSplitHeight.at(block) > used + h)) {
            x = table.splitX.at(block) * scale;
            y = table.splitY.at(block) * scale;
            ++block;
            used = 0;
        }
        cx = x;
        for (int c = 0; c < table.columnCount; ++c) {
            add(cx, y, h * scale, c, table.cells.at(r).at(c));
            cx += table.colWidths.at(c) * scale;
        }
        y += h * scale;
        used += h;
    }
    return draws;
}

void tableFigures()
{
    ReportPage page;
    page.defaultFont = QFont(QStringLiteral("Liberation Serif"), 8);
    QStandardItemModel model(200, 3);
    model.setHorizontalHeaderLabels(
            {QStringLiteral("name"), QStringLiteral("digit"), QStringLiteral("grade")});
    const QString grades[] = {QStringLiteral("отлично"),
                              QStringLiteral("хорошо"),
                              QStringLiteral("удовлетворительно"),
                              QStringLiteral("неудовлетворительно")};
    for (int r = 0; r < 200; ++r) {
        model.setData(model.index(r, 0), QStringLiteral("Учебный предмет номер %1").arg(r + 1));
        model.setData(model.index(r, 1), QString::number(2 + r % 4));
        model.setData(model.index(r, 2), grades[r % 4]);
    }
    page.addModel(QStringLiteral("view"), &model, false);
    page.setReplaceExpressions(true);

    // Four blocks of 50 rows side by side on a landscape sheet: all 200 rows are drawn.
    auto makeTable = [&page] {
        auto table = new TableField;
        table->page = &page;
        table->x = 5;
        table->y = 5;
        table->columnCount = 3;
        table->columnsWidth = {40, 8, 20};
        table->headerNames = QStringList{
                QStringLiteral("Предмет"), QStringLiteral("Балл"), QStringLiteral("Отметка")};
        table->columnIds = QStringList{QStringLiteral("$D{view.name}"),
                                       QStringLiteral("$D{view.digit}"),
                                       QStringLiteral("$D{view.grade}")};
        table->headerHeight = 6;
        table->rowHeight = 3.8;
        table->wordWrap = true;
        table->mModelName = QStringLiteral("view");
        table->splitsCount = 3;
        table->maxSplitHeight = {200, 200, 200};
        table->splitX = {78, 151, 224};
        table->splitY = {5, 5, 5};
        table->bindModel();
        return table;
    };

    QImage image(3508, 2480, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    const double scale = image.logicalDpiX() / 25.399931;
    std::vector<double> first, second, plain, firstCpu, secondCpu, plainCpu;
    int drawnRows = 0;
    for (int r = 0; r < runs; ++r) {
        TableField *table = makeTable();
        image.fill(Qt::white);
        QPainter painter(&image);
        double cpu = threadCpuMs();
        QElapsedTimer timer;
        timer.start();
        table->draw(&painter, scale, 0);
        first.push_back(timer.nsecsElapsed() / 1e6);
        firstCpu.push_back(threadCpuMs() - cpu);
        cpu = threadCpuMs();
        timer.start();
        table->draw(&painter, scale, 0);
        second.push_back(timer.nsecsElapsed() / 1e6);
        secondCpu.push_back(threadCpuMs() - cpu);
        drawnRows = table->rowsCount - (table->overflow ? 1 : 0);

        // The baseline: the same texts, fonts, rectangles and outlines with plain drawText.
        const QVector<CellDraw> draws = cellDraws(*table, scale);
        image.fill(Qt::white);
        painter.setFont(table->scaledFont(scale));
        painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
        cpu = threadCpuMs();
        timer.start();
        for (const CellDraw &cell : draws) {
            painter.drawRect(cell.outline);
            painter.drawText(cell.text, cell.flags, cell.content);
        }
        plain.push_back(timer.nsecsElapsed() / 1e6);
        plainCpu.push_back(threadCpuMs() - cpu);
        painter.end();
        delete table;
    }
    if (drawnRows < 199)
        qWarning("the benchmark table did not fit: %d rows", drawnRows);
    BenchReport::figure(QStringLiteral("table 200 rows at 300 dpi, layout and first draw "
                                       "(vs drawText)"),
                        QStringLiteral("<= 1.5x"),
                        median(first),
                        median(plain));
    BenchReport::figure(QStringLiteral("table 200 rows at 300 dpi, cached redraw (vs drawText)"),
                        QStringLiteral("<= 1.1x"),
                        median(second),
                        median(plain));
    BenchReport::figure(QStringLiteral("table 200 rows, layout and first draw, thread CPU "
                                       "(vs drawText)"),
                        QStringLiteral("<= 1.5x"),
                        median(firstCpu),
                        median(plainCpu));
    BenchReport::figure(QStringLiteral("table 200 rows, cached redraw, thread CPU (vs drawText)"),
                        QStringLiteral("<= 1.1x"),
                        median(secondCpu),
                        median(plainCpu));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    // An argument ("template" or "table") runs only that group.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (only.isEmpty() || only == QLatin1String("template"))
        templateFigures(home.path());
    if (only.isEmpty() || only == QLatin1String("table"))
        tableFigures();
    return 0;
}
