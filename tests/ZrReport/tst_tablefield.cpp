#include "reportpage.h"
#include "reporttestutil.h"
#include "tablefield.h"
#include "testhome.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

using namespace ReportTest;

class TestTableField : public QObject
{
    Q_OBJECT

private:
    // A table of two columns (60 and 30 mm) at (20, 20) fed by the model "view".
    struct Sheet
    {
        ReportPage page;
        QStandardItemModel model;
        TableField *table = nullptr;
        QImage image;

        explicit Sheet(int rows = 5, QSizeF sizeMM = QSizeF(130, 150))
            : image(ReportTest::sheet(sizeMM.width(), sizeMM.height()))
        {
            page.defaultFont = QFont(serifFamily(), 10);
            model.setHorizontalHeaderLabels({QStringLiteral("name"), QStringLiteral("grade")});
            for (int r = 0; r < rows; ++r) {
                model.appendRow({new QStandardItem(QStringLiteral("Предмет %1").arg(r + 1)),
                                 new QStandardItem(QStringLiteral("5"))});
            }
            table = new TableField;
            table->page = &page;
            table->x = 20;
            table->y = 20;
            table->columnCount = 2;
            table->columnsWidth = {60, 30};
            table->headerNames = QStringList{QStringLiteral("Предмет"), QStringLiteral("Отметка")};
            table->columnIds = QStringList{QStringLiteral("$D{view.name}"),
                                           QStringLiteral("$D{view.grade}")};
            table->headerHeight = 10;
            table->rowHeight = 10;
            table->mModelName = QStringLiteral("view");
            page.fields.append(table);
            page.addModel(QStringLiteral("view"), &model, false);
            page.mReplaceExpressions = true;
        }
        void setRows(const QList<QStringList> &rows)
        {
            model.removeRows(0, model.rowCount());
            for (const QStringList &row : rows)
                model.appendRow({new QStandardItem(row.value(0)), new QStandardItem(row.value(1))});
        }
        void draw()
        {
            QPainter painter(&image);
            table->draw(&painter, pixelsPerMM, 0);
        }
    };

private slots:
    void initTestCase()
    {
        if (!haveSerif())
            QSKIP("Liberation Serif is not installed (fonts-liberation); table metrics "
                  "cannot be checked");
    }

    void blocksAndOverflow_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QVector<double>>("limits"); // height, x, y per block limit
        QTest::addColumn<bool>("overflow");
        QTest::addColumn<QList<double>>("block0"); // horizontal borders at x 20..110 mm
        QTest::addColumn<QList<double>>("block1"); // horizontal borders at x 120..210 mm
        QList<double> upTo110, pastThePage, from20to140;
        for (int y = 20; y <= 110; y += 10)
            upTo110 << y;
        for (int y = 20; y <= 290; y += 10)
            pastThePage << y;
        for (int y = 20; y <= 140; y += 10)
            from20to140 << y;
        QTest::newRow("without limits rows run down past the page and never overflow")
                << 40 << QVector<double>{} << false << pastThePage << QList<double>{};
        // The header counts: 10 mm of header and eight rows reach the 100 mm limit.
        QTest::newRow("a limit without continuation cuts the rows and overflows")
                << 20 << QVector<double>{100, 0, 0} << true << upTo110 << QList<double>{};
        QTest::newRow("a continuation takes the rest without a header and without a limit")
                << 20 << QVector<double>{100, 120, 20} << false << upTo110 << from20to140;
        QTest::newRow("a zero limit is no limit")
                << 40 << QVector<double>{0, 0, 0} << false << pastThePage << QList<double>{};
        QTest::newRow("rows that fit leave the continuation empty")
                << 8 << QVector<double>{100, 120, 20} << false << upTo110 << QList<double>{};
    }
    void blocksAndOverflow()
    {
        QFETCH(int, rows);
        QFETCH(QVector<double>, limits);
        QFETCH(bool, overflow);
        QFETCH(QList<double>, block0);
        QFETCH(QList<double>, block1);
        Sheet sheet(rows, QSizeF(220, 297));
        sheet.table->splitsCount = limits.size() / 3;
        for (int k = 0; k < sheet.table->splitsCount; ++k) {
            sheet.table->maxSplitHeight << limits.at(3 * k);
            sheet.table->splitX << limits.at(3 * k + 1);
            sheet.table->splitY << limits.at(3 * k + 2);
        }
        sheet.draw();
        QCOMPARE(sheet.table->overflow, overflow);
        QCOMPARE(strokeRows(sheet.image, 20.5, 109.5), block0);
        QCOMPARE(strokeRows(sheet.image, 120.5, 209.5), block1);
    }

    void enlargedBlocksFitAgain()
    {
        Sheet sheet(20);
        sheet.table->splitsCount = 1;
        sheet.table->maxSplitHeight = {100};
        sheet.table->splitX = {0};
        sheet.table->splitY = {0};
        sheet.draw();
        QVERIFY(sheet.table->overflow);
        sheet.table->maxSplitHeight = {250};
        sheet.table->prepared = false;
        sheet.draw();
        QVERIFY(!sheet.table->overflow);
    }

    void zStrokeFillsTheRestOfEachBlock()
    {
        Sheet sheet(3, QSizeF(220, 150));
        sheet.table->drawBorders = false;
        sheet.table->zOnEmpty = true;
        sheet.table->splitsCount = 2;
        sheet.table->maxSplitHeight = {100, 50};
        sheet.table->splitX = {120, 0};
        sheet.table->splitY = {20, 0};
        sheet.draw();
        // Below the last row (60 mm) to 2 mm above the limit, and the whole empty block 1.
        QCOMPARE(strokeRows(sheet.image, 22.5, 107.5), QList<double>({62, 118}));
        QCOMPARE(strokeRows(sheet.image, 122.5, 207.5), QList<double>({22, 68}));
    }

    void autoWidth_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("headerVisible");
        QTest::addColumn<bool>("wider");
        QTest::newRow("short texts keep the 10 mm minimum") << "A"
                                                            << "5" << true << false;
        QTest::newRow("a long header widens its column") << "Наименование учебного предмета"
                                                         << "5" << true << true;
        QTest::newRow("a hidden long header still widens its column")
                << "Наименование учебного предмета"
                << "5" << false << true;
        QTest::newRow("a long value widens its column")
                << "A"
                << "Окружающий мир и естествознание" << true << true;
    }
    void autoWidth()
    {
        QFETCH(QString, header);
        QFETCH(QString, value);
        QFETCH(bool, headerVisible);
        QFETCH(bool, wider);
        Sheet sheet(0);
        sheet.setRows({{value, value}});
        sheet.table->autoWidth = true;
        sheet.table->headerIsVisible = headerVisible;
        sheet.table->headerNames = QStringList{header, QStringLiteral("B")};
        sheet.draw();
        const QVector<double> widths = sheet.table->colWidths;
        QCOMPARE(widths.size(), 2);
        QCOMPARE(widths.at(0) > 10.0, wider);
        QCOMPARE(sheet.table->width, widths.at(0) + widths.at(1));
        for (double w : widths)
            QVERIFY(w >= 10.0);
        // Inside the borders of the first two rows, every text ends at least 1.5 mm before
        // its column's right border.
        const int right = int(200 + widths.at(0) * 10);
        for (int top : {200, 300}) {
            const QRect ink = inkBounds(sheet.image,
                                        QRect(QPoint(203, top + 3), QPoint(right - 3, top + 97)));
            QVERIFY(ink.isNull() || ink.right() <= right - 15);
        }
    }

    void rowHeights_data()
    {
        QTest::addColumn<bool>("wordWrap");
        QTest::addColumn<double>("columnWidth");
        QTest::addColumn<QString>("grade");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("taller");
        const QString unsatisfactory = QStringLiteral("неудовлетворительно");
        QTest::newRow("empty row with wrapping is 0.7 high")
                << true << 30.0 << QString() << QString() << false;
        QTest::newRow("empty row without wrapping keeps its height")
                << false << 30.0 << QString() << QString() << false;
        QTest::newRow("a narrow column hyphenates the grade")
                << true << 15.0 << unsatisfactory << QStringLiteral("неудовлетво- рительно")
                << true;
        QTest::newRow("the positive grade is hyphenated too")
                << true << 13.0 << QStringLiteral("удовлетворительно")
                << QStringLiteral("удовлетво- рительно") << true;
        QTest::newRow("a wide column keeps the word whole")
                << true << 60.0 << unsatisfactory << unsatisfactory << false;
        QTest::newRow("without wrapping nothing is hyphenated")
                << false << 15.0 << unsatisfactory << unsatisfactory << false;
    }
    void rowHeights()
    {
        QFETCH(bool, wordWrap);
        QFETCH(double, columnWidth);
        QFETCH(QString, grade);
        QFETCH(QString, cell);
        QFETCH(bool, taller);
        Sheet sheet(0);
        const QString name = grade.isEmpty() ? QString() : QStringLiteral("Чтение");
        sheet.setRows({{name, grade}});
        sheet.table->rowHeight = 5;
        sheet.table->wordWrap = wordWrap;
        sheet.table->columnsWidth = {60, columnWidth};
        sheet.draw();
        QCOMPARE(sheet.table->cells.at(0).at(1), cell);
        const double height = sheet.table->rowHeights.at(0);
        if (grade.isEmpty())
            QCOMPARE(height, wordWrap ? 3.5 : 5.0);
        else
            QCOMPARE(height > 5.0, taller);
        if (taller) {
            // The part with the hyphen sits on the first line, the rest below it.
            const QRect ink
                    = inkBounds(sheet.image, QRect(800, 305, int(columnWidth * 10) - 5, 200));
            QVERIFY(ink.height() > 60);
        }
    }

    // The first draw lays the cells' texts out; a redraw reuses them and must put the ink
    // in the same places.
    void firstDrawAndRedrawAgree()
    {
        Sheet sheet(5);
        sheet.table->columnsAlign = {quint8(Qt::AlignLeft | Qt::AlignVCenter),
                                     quint8(Qt::AlignHCenter | Qt::AlignVCenter)};
        sheet.draw();
        const QImage first = sheet.image;
        sheet.image.fill(Qt::white);
        sheet.draw();
        QCOMPARE(sheet.image, first);
    }

    void textRunningPastItsCellIsCut_data()
    {
        QTest::addColumn<bool>("wordWrap");
        QTest::addColumn<double>("columnWidth");
        QTest::addColumn<QString>("grade");
        QTest::newRow("a line too long for its column, without wrapping")
                << false << 30.0 << QStringLiteral("Отметка длиной в полторы колонки");
        QTest::newRow("a word too long for its column, with wrapping")
                << true << 15.0 << QStringLiteral("Двадцатипятисантиметровый");
    }
    void textRunningPastItsCellIsCut()
    {
        QFETCH(bool, wordWrap);
        QFETCH(double, columnWidth);
        QFETCH(QString, grade);
        Sheet sheet(0);
        sheet.setRows({{QStringLiteral("Чтение"), grade}});
        sheet.table->wordWrap = wordWrap;
        sheet.table->columnsWidth = {60, columnWidth};
        sheet.draw();
        // The text's box ends 0.3 mm inside the cell's right side at 20 + 60 + width mm;
        // nothing is drawn from there on but the cell's outline.
        const int edge = int((80 + columnWidth - 0.3) * 10);
        const int side = int((80 + columnWidth) * 10);
        const QRect ink = inkBounds(sheet.image, QRect(805, 305, edge - 805, 90));
        QVERIFY2(ink.right() > edge - 15, qPrintable(QString::number(ink.right())));
        QCOMPARE(inkCount(sheet.image, QRect(edge + 1, 305, side - edge - 2, 90)), 0);
        QCOMPARE(inkCount(sheet.image, QRect(side + 2, 305, 300, 90)), 0);
    }

    void designerShowsTheTemplates()
    {
        Sheet sheet(5);
        sheet.page.mReplaceExpressions = false;
        sheet.table->previewRowCount = 2;
        sheet.draw();
        QCOMPARE(sheet.table->rowsCount, quint16(2));
        QCOMPARE(sheet.table->cells.at(1).at(0), QStringLiteral("$D{view.name}"));
        QCOMPARE(strokeRows(sheet.image, 20.5, 109.5), QList<double>({20, 30, 40, 50}));
        // Switching to printing refills the cells from the model.
        sheet.page.mReplaceExpressions = true;
        sheet.draw();
        QCOMPARE(sheet.table->rowsCount, quint16(5));
        QCOMPARE(sheet.table->cells.at(4).at(0), QStringLiteral("Предмет 5"));
    }

    void dataExpressions_data()
    {
        QTest::addColumn<QString>("columnTemplate");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two expressions") << "$D{view.name} ($D{view.grade})"
                                         << "Предмет 2 (5)";
        QTest::newRow("a title the model lacks is empty") << "[$D{view.none}]"
                                                          << "[]";
        QTest::newRow("the model name is case-sensitive") << "$D{View.name}"
                                                          << "$D{View.name}";
        QTest::newRow("variables after data") << "$D{view.grade} $V{ Year }"
                                              << "5 2003";
        QTest::newRow("a missing brace leaves the template") << "$D{view.name"
                                                             << "$D{view.name";
        QTest::newRow("a brace before the expression does not stop it") << "} $D{view.name}"
                                                                        << "} Предмет 2";
    }
    void dataExpressions()
    {
        QFETCH(QString, columnTemplate);
        QFETCH(QString, expected);
        Sheet sheet(3);
        sheet.page.setReportVariable(QStringLiteral("year"), 2003);
        sheet.table->dataMode = true;
        QCOMPARE(sheet.table->replaceDataExpressions(columnTemplate, 1), expected);
    }

    void dataValuesAreInsertedAsWritten_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("a data expression") << "x$D{view.name}";
        QTest::newRow("a variable expression") << "$V{year}";
        QTest::newRow("a closing brace") << "Иванов}";
    }
    void dataValuesAreInsertedAsWritten()
    {
        QFETCH(QString, name);
        Sheet sheet(1);
        sheet.page.setReportVariable(QStringLiteral("year"), 2003);
        sheet.setRows({{name, QStringLiteral("5")}});
        sheet.table->dataMode = true;
        QCOMPARE(sheet.table->replaceDataExpressions(QStringLiteral("$D{view.name} $V{year}"), 0),
                 name + QStringLiteral(" 2003"));
    }

    void modelChangesAndDeletionAreFollowed()
    {
        Sheet sheet(3);
        sheet.draw();
        QCOMPARE(sheet.table->rowsCount, quint16(3));
        sheet.model.appendRow({new QStandardItem(QStringLiteral("Новый")), new QStandardItem()});
        sheet.draw();
        QCOMPARE(sheet.table->rowsCount, quint16(4));
        QCOMPARE(sheet.table->cells.at(3).at(0), QStringLiteral("Новый"));

        auto temporary = new QStandardItemModel(2, 2);
        sheet.page.addModel(QStringLiteral("view"), temporary, false);
        delete temporary;
        sheet.draw();
        QCOMPARE(sheet.table->rowsCount, quint16(0));
    }

    void moreColumnsAfterALayout()
    {
        Sheet sheet(3);
        sheet.draw();
        sheet.table->columnCount = 3;
        sheet.table->columnIds << QStringLiteral("$D{view.grade}!");
        sheet.table->prepared = false;
        sheet.table->prepare();
        sheet.draw();
        QCOMPARE(sheet.table->cells.at(2).size(), 3);
        QCOMPARE(sheet.table->cells.at(2).at(2), QStringLiteral("5!"));
        QCOMPARE(sheet.table->columnsWidth.size(), 3);
    }

    void prepareReportsAChangeOnce()
    {
        Sheet sheet(3);
        QSignalSpy changed(sheet.table, &AbstractField::fieldChanged);
        sheet.table->prepare();
        sheet.table->prepare();
        QCOMPARE(changed.count(), 1);
    }

    void bordersOnScreenAndOnPaper_data()
    {
        QTest::addColumn<bool>("drawBorders");
        QTest::addColumn<bool>("paper");
        QTest::addColumn<double>("minShare");
        QTest::addColumn<double>("maxShare");
        QTest::newRow("solid borders on screen") << true << false << 0.95 << 1.0;
        QTest::newRow("dotted guides on screen without borders") << false << false << 0.2 << 0.8;
        QTest::newRow("solid borders on paper") << true << true << 0.95 << 1.0;
        QTest::newRow("nothing on paper without borders") << false << true << 0.0 << 0.0;
    }
    void bordersOnScreenAndOnPaper()
    {
        QFETCH(bool, drawBorders);
        QFETCH(bool, paper);
        QFETCH(double, minShare);
        QFETCH(double, maxShare);
        if (paper && !havePdfToPpm())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        Sheet sheet(3);
        sheet.table->drawBorders = drawBorders;
        sheet.table->headerNames = QStringList{QString(), QString()};
        sheet.setRows({{QString(), QString()}});
        QImage image;
        if (paper) {
            QTemporaryDir dir;
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(QStringLiteral("borders.pdf")));
            sheet.page.setupPrinter(&printer);
            QPainter painter(&printer);
            sheet.page.renderPage(&painter, 0, false);
            painter.end();
            image = rasterisePdf(printer.outputFileName());
        } else {
            sheet.draw();
            image = sheet.image;
        }
        // The header's top border from 21 to 79 mm, one pixel either side of 20 mm.
        const double share = inkCount(image, QRect(210, 199, 580, 3)) / 580.0;
        QVERIFY2(share >= minShare && share <= maxShare, qPrintable(QString::number(share)));
    }
};

ZR_TEST_MAIN(TestTableField)
#include "tst_tablefield.moc"
