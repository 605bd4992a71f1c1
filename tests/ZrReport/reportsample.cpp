// Writes a two-page sample report to a PDF for looking at: a millimetre grid as the
// background of side 1 and fields whose corners sit on known millimetres.
//   report_sample OUT.pdf && pdftoppm -r 100 -png OUT.pdf OUT
#include "reportpage.h"
#include "tablefield.h"
#include "textfield.h"

#include <QApplication>
#include <QPainter>
#include <QStandardItemModel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: report_sample OUT.pdf");
        return 2;
    }
    ReportPage page;
    page.setOrientation(QPrinter::Portrait);
    page.setPagesCount(2);
    page.defaultFont = QFont(QStringLiteral("Liberation Serif"), 14);

    // A grid every 10 mm, drawn at 10 px per mm and stretched over the sheet.
    const QSizeF paper = page.paperSizeMM();
    QImage grid(int(paper.width() * 10), int(paper.height() * 10), QImage::Format_RGB32);
    grid.fill(Qt::white);
    {
        QPainter p(&grid);
        p.setPen(QColor(150, 200, 255));
        for (int x = 0; x < grid.width(); x += 100)
            p.drawLine(x, 0, x, grid.height());
        for (int y = 0; y < grid.height(); y += 100)
            p.drawLine(0, y, grid.width(), y);
    }
    page.backgroundImage = QPixmap::fromImage(grid);

    auto addText = [&page](double x, double y, double w, double h, int align, const QString &text) {
        auto field = new TextField;
        field->page = &page;
        field->x = x;
        field->y = y;
        field->width = w;
        field->height = h;
        field->alignFlags = quint16(align);
        field->text = text;
        page.fields.append(field);
        return field;
    };
    addText(20, 20, 100, 10, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("$V{fio}"));
    addText(20, 40, 100, 10, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("справа внизу"));
    addText(20, 60, 100, 20, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("по центру"));
    addText(20, 90, 170, 30, Qt::AlignLeft | Qt::AlignTop, QString())->zOnEmpty = true;
    addText(20,
            317,
            170,
            10,
            Qt::AlignLeft | Qt::AlignTop,
            QStringLiteral("Вторая сторона: 20 мм от верха"));

    QStandardItemModel model(12, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("name"), QStringLiteral("grade")});
    const QString grades[] = {QStringLiteral("отлично"), QStringLiteral("неудовлетворительно")};
    for (int r = 0; r < 12; ++r) {
        model.setData(model.index(r, 0), QStringLiteral("Предмет %1").arg(r + 1));
        model.setData(model.index(r, 1), grades[r % 2]);
    }
    auto table = new TableField;
    table->page = &page;
    table->x = 20;
    table->y = 130;
    table->columnCount = 2;
    table->columnsWidth = {60, 25};
    table->headerNames = QStringList{QStringLiteral("Предмет"), QStringLiteral("Отметка")};
    table->columnIds
            = QStringList{QStringLiteral("$D{view.name}"), QStringLiteral("$D{view.grade}")};
    table->headerHeight = 10;
    table->rowHeight = 8;
    table->wordWrap = true;
    table->mModelName = QStringLiteral("view");
    table->splitsCount = 1;
    table->maxSplitHeight = {80};
    table->splitX = {110};
    table->splitY = {130};
    page.fields.append(table);
    page.addModel(QStringLiteral("view"), &model, false);
    page.setReportVariable(QStringLiteral("fio"), QStringLiteral("Иванов Иван Иванович"));
    page.setReplaceExpressions(true);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(argv[1]));
    page.setupPrinter(&printer);
    QPainter painter(&printer);
    for (int i = 0; i < page.pagesCount(); ++i) {
        if (i > 0)
            printer.newPage();
        page.renderPage(&painter, i, true);
    }
    return painter.end() ? 0 : 1;
}
