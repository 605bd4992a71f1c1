#include "modalanswerer.h"
#include "printcorrection.h"
#include "reportpage.h"
#include "reporttestutil.h"
#include "tablefield.h"
#include "testhome.h"
#include "textfield.h"

#include <QApplication>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace ReportTest;

namespace {
const QString attention = QStringLiteral("Внимание!");
const QString backgroundQuestion = QStringLiteral("Включена печать фона");
const QString turnOver = QStringLiteral("Переверните страницу!");
const QString nextSheet = QStringLiteral("Вставьте следующий лист");
const QString overflowText = QStringLiteral("Данные таблиц не помещаются");
const QString previewTitle = QStringLiteral("Print Preview");
} // namespace

class TestReportPrint : public QObject
{
    Q_OBJECT

private:
    // Side 1 is red, side 2 blue: a preview shows which background it printed.
    static void giveBackgrounds(ReportPage &page)
    {
        const QSize sheet = page.printer()->paperRect(QPrinter::DevicePixel).size().toSize();
        QImage red(sheet, QImage::Format_RGB32);
        red.fill(Qt::red);
        QImage blue(sheet, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        page.backgroundImage = QPixmap::fromImage(red);
        page.backgroundImage2 = QPixmap::fromImage(blue);
    }

    static bool hasColour(const QImage &image, QRgb colour)
    {
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) {
                const QRgb p = image.pixel(x, y);
                if (qAbs(qRed(p) - qRed(colour)) < 40 && qAbs(qGreen(p) - qGreen(colour)) < 40
                    && qAbs(qBlue(p) - qBlue(colour)) < 40)
                    return true;
            }
        }
        return false;
    }

    // Records which background each preview showed, then prints its side into a file in
    // `folder`: only a printed side is followed by the next one.
    static ModalAnswerer::Action printPreview(QStringList *shown, const QString &folder)
    {
        return [shown, folder](QWidget *dialog) {
            const QImage image = dialog->grab().toImage();
            QString sides;
            if (hasColour(image, qRgb(255, 0, 0)))
                sides += QLatin1Char('1');
            if (hasColour(image, qRgb(0, 0, 255)))
                sides += QLatin1Char('2');
            *shown << (sides.isEmpty() ? QStringLiteral("-") : sides);
            printPreviewTo(dialog, QStringLiteral("%1/%2.pdf").arg(folder).arg(shown->size()));
        };
    }

    // "ШШ" with its box's top-left corner at `at` (mm).
    static void addMark(ReportPage &page, QPointF at)
    {
        auto text = new TextField;
        text->page = &page;
        text->x = at.x();
        text->y = at.y();
        text->alignFlags = Qt::AlignLeft | Qt::AlignTop;
        text->text = QStringLiteral("ШШ");
        page.fields.append(text);
    }

    static void waitForAnswers(ModalAnswerer &answerer)
    {
        QTRY_COMPARE_WITH_TIMEOUT(answerer.pending(), 0, 10000);
        QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('\n')));
    }

private slots:
    void cleanup()
    {
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()
                    || std::none_of(QApplication::topLevelWidgets().cbegin(),
                                    QApplication::topLevelWidgets().cend(),
                                    [](QWidget *w) { return w->isVisible(); }));
    }

    void pageSequence_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("templateBackground");
        QTest::addColumn<int>("backgroundArgument");
        QTest::addColumn<QStringList>("dialogs");
        QTest::addColumn<QStringList>("shown");
        const QStringList three{previewTitle, turnOver, previewTitle, nextSheet, previewTitle};
        QTest::newRow("one page with background asks once and prompts never")
                << 1 << false << 1 << QStringList{attention, previewTitle} << QStringList{"1"};
        QTest::newRow("three pages with backgrounds: side 1, side 2, none")
                << 3 << false << 1 << QStringList{attention} + three << QStringList{"1", "2", "-"};
        QTest::newRow("three pages without backgrounds never ask about them")
                << 3 << true << -1 << three << QStringList{"-", "-", "-"};
        QTest::newRow("argument 0 keeps the template's background setting")
                << 2 << true << 0 << QStringList{attention, previewTitle, turnOver, previewTitle}
                << QStringList{"1", "2"};
        QTest::newRow("argument 0 keeps background printing off")
                << 1 << false << 0 << QStringList{previewTitle} << QStringList{"-"};
        QTest::newRow("no pages show nothing") << 0 << true << 1 << QStringList{} << QStringList{};
    }
    void pageSequence()
    {
        QFETCH(int, pages);
        QFETCH(bool, templateBackground);
        QFETCH(int, backgroundArgument);
        QFETCH(QStringList, dialogs);
        QFETCH(QStringList, shown);
        ReportPage page;
        giveBackgrounds(page);
        page.setPagesCount(pages);
        page.printBackgroundImage = templateBackground;
        ModalAnswerer answerer;
        QStringList seenSides;
        QTemporaryDir out;
        for (const QString &title : dialogs) {
            if (title == previewTitle)
                answerer.expect(previewTitle, QString(), printPreview(&seenSides, out.path()));
            else if (title == attention)
                answerer.expectButton(attention, backgroundQuestion, QDialogButtonBox::Yes);
            else
                answerer.expectButton(QString(), title, QDialogButtonBox::Ok);
        }
        page.previewReport(true, backgroundArgument);
        waitForAnswers(answerer);
        QCOMPARE(seenSides, shown);
        QCOMPARE(page.currentPage, qMax(0, pages));
        QTRY_VERIFY(page.previewDialog.isNull());
    }

    void decliningTheBackgroundPrintsNothing()
    {
        ReportPage page;
        giveBackgrounds(page);
        page.setPagesCount(2);
        ModalAnswerer answerer;
        answerer.expectButton(attention, backgroundQuestion, QDialogButtonBox::No);
        page.previewReport(true, 1);
        waitForAnswers(answerer);
        QCOMPARE(answerer.seen().size(), 1);
    }

    void overflowQuestion_data()
    {
        QTest::addColumn<bool>("goOn");
        QTest::addColumn<int>("previews");
        QTest::newRow("yes prints what fits and goes on") << true << 2;
        QTest::newRow("no closes the preview and ends the sequence") << false << 0;
    }
    void overflowQuestion()
    {
        QFETCH(bool, goOn);
        QFETCH(int, previews);
        ReportPage page;
        page.setPagesCount(2);
        QStandardItemModel model(30, 1);
        model.setHorizontalHeaderLabels({QStringLiteral("name")});
        auto table = new TableField;
        table->page = &page;
        table->columnCount = 1;
        table->columnsWidth = {50};
        table->columnIds = QStringList{QStringLiteral("$D{view.name}")};
        table->rowHeight = 10;
        table->mModelName = QStringLiteral("view");
        table->splitsCount = 1;
        table->maxSplitHeight = {100};
        table->splitX = {0};
        table->splitY = {0};
        page.fields.append(table);
        page.addModel(QStringLiteral("view"), &model, false);

        ModalAnswerer answerer;
        QStringList shown;
        QTemporaryDir out;
        answerer.expectButton(
                attention, overflowText, goOn ? QDialogButtonBox::Yes : QDialogButtonBox::No);
        if (goOn) {
            answerer.expect(previewTitle, QString(), printPreview(&shown, out.path()));
            // Asked again when the side goes to the printer.
            answerer.expectButton(attention, overflowText, QDialogButtonBox::Yes);
            answerer.expectButton(QString(), turnOver, QDialogButtonBox::Ok);
            answerer.expect(previewTitle, QString(), printPreview(&shown, out.path()));
        }
        page.previewReport(true, -1);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.pending(), 0, 10000);
        QCOMPARE(shown.size(), previews);
        QCOMPARE(page.printCancelled, !goOn);
        for (const QString &seen : answerer.seen())
            QVERIFY2(!seen.contains(turnOver) || goOn, qPrintable(seen));
        QTRY_VERIFY(page.previewDialog.isNull());
    }

    void renderingWithoutDialogs()
    {
        ReportPage page;
        giveBackgrounds(page);
        page.setPagesCount(2);
        auto field = new TextField;
        field->page = &page;
        field->y = 250; // on page 1 of a landscape A4 template (210 mm high)
        field->text = QStringLiteral("$V{x}");
        page.fields.append(field);
        page.setReportVariable(QStringLiteral("x"), QStringLiteral("Ш"));
        page.setReplaceExpressions(true);

        QImage image = sheet(297, 210);
        QPainter painter(&image);
        QVERIFY(!page.renderPage(&painter, 2, true));
        QVERIFY(!page.renderPage(&painter, -1, true));
        QVERIFY(page.renderPage(&painter, 1, true));
        painter.end();
        QCOMPARE(image.pixel(5, 5), qRgb(0, 0, 255));
        QVERIFY(inkCount(image, QRect(0, 390, 300, 100)) > 0);
        QVERIFY(!page.tablesOverflow());
    }

    void correctionMovesTheInk_data()
    {
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPointF>("field"); // mm
        QTest::newRow("offset of 2 and 3 mm") << 2.0 << 3.0 << 100.0 << QPointF(40, 30);
        QTest::newRow("101% moves a point at 190 mm by 1.9 mm")
                << 0.0 << 0.0 << 101.0 << QPointF(190, 30);
        QTest::newRow("back and left, smaller") << -1.5 << -0.5 << 99.0 << QPointF(100, 40);
    }
    // At 600 dpi, within 0.1 mm: each ink edge lands at its place times the scale plus
    // the offset, the scale taken about the sheet's top-left corner.
    void correctionMovesTheInk()
    {
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(double, scale);
        QFETCH(QPointF, field);
        ReportPage page;
        page.setOrientation(QPrinter::Portrait);
        page.defaultFont = QFont(serifFamily(), 14);
        addMark(page, field);
        const double ppm = 600 / 25.399931;
        auto render = [&](const PrintCorrection &correction) {
            QImage image(int(215 * ppm), int(60 * ppm), QImage::Format_ARGB32_Premultiplied);
            image.setDotsPerMeterX(23622);
            image.setDotsPerMeterY(23622);
            image.fill(Qt::white);
            QPainter painter(&image);
            page.renderPage(&painter, 0, false, correction);
            painter.end();
            const QRect ink = inkBounds(image);
            return QRectF(QPointF(ink.left(), ink.top()) / ppm,
                          QPointF(ink.right() + 1, ink.bottom() + 1) / ppm);
        };
        const QRectF plain = render(PrintCorrection());
        const QRectF moved = render(PrintCorrection{dx, dy, scale});
        const double f = scale / 100;
        const QString report = QStringLiteral("%1,%2 %3x%4 mm moved to %5,%6 %7x%8 mm")
                                       .arg(plain.x())
                                       .arg(plain.y())
                                       .arg(plain.width())
                                       .arg(plain.height())
                                       .arg(moved.x())
                                       .arg(moved.y())
                                       .arg(moved.width())
                                       .arg(moved.height());
        QVERIFY2(qAbs(moved.left() - (plain.left() * f + dx)) <= 0.1, qPrintable(report));
        QVERIFY2(qAbs(moved.right() - (plain.right() * f + dx)) <= 0.1, qPrintable(report));
        QVERIFY2(qAbs(moved.top() - (plain.top() * f + dy)) <= 0.1, qPrintable(report));
        QVERIFY2(qAbs(moved.bottom() - (plain.bottom() * f + dy)) <= 0.1, qPrintable(report));
    }

    // The preview never asks for a correction; the printed sheet asks for the printer it
    // goes to and for its side, and is moved by what it gets on the sheet as it comes out.
    void correctionOnlyOnThePrintedSheet_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("pageIndex");
        QTest::addColumn<int>("side");
        QTest::addColumn<QPointF>("shift"); // mm, on the sheet
        QTest::newRow("page 1 is side 1") << int(QPrinter::Portrait) << 0 << 1 << QPointF(2, 3);
        QTest::newRow("page 2 is side 2, with its own values")
                << int(QPrinter::Portrait) << 1 << 2 << QPointF(-1, 4);
        QTest::newRow("page 3 is side 1 of the next sheet")
                << int(QPrinter::Portrait) << 2 << 1 << QPointF(2, 3);
        QTest::newRow("a landscape side is moved on the portrait sheet it is turned onto")
                << int(QPrinter::Landscape) << 1 << 2 << QPointF(-1, 4);
    }
    void correctionOnlyOnThePrintedSheet()
    {
        if (!havePdfToPpm())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        QFETCH(int, orientation);
        QFETCH(int, pageIndex);
        QFETCH(int, side);
        QFETCH(QPointF, shift);
        ReportPage page;
        page.setOrientation(QPrinter::Orientation(orientation));
        page.defaultFont = QFont(serifFamily(), 14);
        page.setPagesCount(3);
        const QSizeF paper = page.paperSizeMM();
        for (int i = 0; i < 3; ++i) {
            addMark(page, QPointF(40, 30 + i * paper.height()));
        }
        QList<int> asked;
        PrintCorrection::setLookup([&asked](const QString &, int side) {
            asked << side;
            return side == 1 ? PrintCorrection{2, 3, 100} : PrintCorrection{-1, 4, 100};
        });
        QTemporaryDir dir;
        auto pdf = [&](const QString &name) {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(dir.filePath(name));
            page.setupPrinter(printer.get());
            return printer;
        };
        page.currentPage = pageIndex;
        const auto plainPrinter = pdf(QStringLiteral("plain.pdf"));
        {
            QPainter painter(plainPrinter.get());
            page.renderPage(&painter, pageIndex, false);
        }
        const auto printer = pdf(QStringLiteral("printed.pdf"));
        QPrintPreviewWidget preview(printer.get());
        connect(&preview, &QPrintPreviewWidget::paintRequested, &page, &ReportPage::print);
        preview.updatePreview();
        QVERIFY2(asked.isEmpty(), "the preview asked for a correction");
        preview.print();
        PrintCorrection::setLookup(nullptr);
        QCOMPARE(asked, QList<int>{side});

        const QRect plain
                = inkBounds(asPrintedSheet(rasterisePdf(plainPrinter->outputFileName(), paper)));
        const QRect printed
                = inkBounds(asPrintedSheet(rasterisePdf(printer->outputFileName(), paper)));
        QVERIFY(!plain.isNull() && !printed.isNull());
        // Ten pixels per millimetre; 0.15 mm allowed.
        QVERIFY2(qAbs(printed.left() - plain.left() - shift.x() * 10) <= 1.5
                         && qAbs(printed.top() - plain.top() - shift.y() * 10) <= 1.5,
                 qPrintable(QStringLiteral("%1,%2 -> %3,%4")
                                    .arg(plain.left())
                                    .arg(plain.top())
                                    .arg(printed.left())
                                    .arg(printed.top())));
    }

    void pdfGivesTheSameGeometryAsAnImage()
    {
        if (!havePdfToPpm())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        if (!haveSerif())
            QSKIP("Liberation Serif is not installed (fonts-liberation)");
        ReportPage page;
        page.defaultFont = QFont(serifFamily(), 14);
        auto field = new TextField;
        field->page = &page;
        field->x = 40;
        field->y = 30;
        field->width = 80;
        field->height = 20;
        field->alignFlags = Qt::AlignHCenter | Qt::AlignVCenter;
        field->zOnEmpty = false;
        field->text = QStringLiteral("ШШШ Образец");
        page.fields.append(field);

        QImage image = sheet(150, 100);
        QPainter imagePainter(&image);
        page.renderPage(&imagePainter, 0, false);
        imagePainter.end();

        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("page.pdf")));
        page.setupPrinter(&printer);
        QPainter pdfPainter(&printer);
        page.renderPage(&pdfPainter, 0, false);
        pdfPainter.end();
        const QImage raster = rasterisePdf(printer.outputFileName());

        const QRect onImage = inkBounds(image);
        const QRect onPaper = inkBounds(raster);
        QVERIFY(!onImage.isNull());
        // Within 0.2 mm on every side.
        QVERIFY2(qAbs(onImage.left() - onPaper.left()) <= 2
                         && qAbs(onImage.right() - onPaper.right()) <= 2
                         && qAbs(onImage.top() - onPaper.top()) <= 2
                         && qAbs(onImage.bottom() - onPaper.bottom()) <= 2,
                 qPrintable(QStringLiteral("image %1,%2 %3x%4, paper %5,%6 %7x%8")
                                    .arg(onImage.x())
                                    .arg(onImage.y())
                                    .arg(onImage.width())
                                    .arg(onImage.height())
                                    .arg(onPaper.x())
                                    .arg(onPaper.y())
                                    .arg(onPaper.width())
                                    .arg(onPaper.height())));
    }
};

ZR_TEST_MAIN(TestReportPrint)
#include "tst_reportprint.moc"
