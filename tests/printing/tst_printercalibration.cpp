#include "../ZrReport/reporttestutil.h"
#include "database/database.h"
#include "modalanswerer.h"
#include "printing/calibrationsheet.h"
#include "printing/printercalibration.h"
#include "printing/printercalibrationdialog.h"
#include "testhome.h"

#include "ZrReport/reportpage.h"
#include "ZrReport/tablefield.h"
#include "ZrReport/textfield.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>

using namespace ReportTest;
using Correction = QVector<double>; // offset X, offset Y, scale

namespace {

PrintCorrection toCorrection(const Correction &c)
{
    return {c.value(0), c.value(1), c.value(2, 100)};
}

Correction toList(const PrintCorrection &c)
{
    return {c.offsetX, c.offsetY, c.scale};
}

// Where a printer that places a point meant at p at s * p + o puts each mark of the sheet.
QStringList printed(double s, QPointF o)
{
    QStringList cells;
    for (const CalibrationSheet::Mark &mark : CalibrationSheet::marks()) {
        const QPointF landed = mark.position * s + o;
        cells << QStringLiteral("%1;%2").arg(landed.x()).arg(landed.y());
    }
    return cells;
}

} // namespace

class TestPrinterCalibration : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void storedPerPrinterAndSide_data();
    void storedPerPrinterAndSide();
    void savingRefused_data();
    void savingRefused();
    void correctionFromMeasurements_data();
    void correctionFromMeasurements();
    void noCalibrationLeavesTheImageAlone_data();
    void noCalibrationLeavesTheImageAlone();
    void dialog_data();
    void dialog();
    void resetInTheDialog();
    void sheetMarks_data();
    void sheetMarks();
    void screenshot();

private:
    static void fillSide(PrinterCalibrationDialog *dialog, int side, const QStringList &cells);
};

void TestPrinterCalibration::init()
{
    Database::userSettings()->remove(QStringLiteral("PrinterCalibration"));
}

void TestPrinterCalibration::cleanup()
{
    PrintCorrection::setLookup(nullptr);
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()
                || std::none_of(QApplication::topLevelWidgets().cbegin(),
                                QApplication::topLevelWidgets().cend(),
                                [](QWidget *w) { return w->isVisible(); }));
}

void TestPrinterCalibration::storedPerPrinterAndSide_data()
{
    QTest::addColumn<QString>("printer");
    QTest::addColumn<Correction>("side1");
    QTest::addColumn<Correction>("side2");
    QTest::newRow("plain name") << "HP LaserJet 1020" << Correction{1.5, -2.1, 100.35}
                                << Correction{-0.4, 0.7, 99.8};
    QTest::newRow("network printer with backslashes")
            << "\\\\server\\Бухгалтерия" << Correction{15, -15, 105} << Correction{0, 0, 95};
    QTest::newRow("name with a slash, a percent sign and brackets")
            << "Canon/MF3010 (копия) 50%" << Correction{0.1, 0, 100} << Correction{0, 0.1, 100};
}

// Each printer keeps its own two sides, through a restart, and a reset returns it to none.
void TestPrinterCalibration::storedPerPrinterAndSide()
{
    QFETCH(QString, printer);
    QFETCH(Correction, side1);
    QFETCH(Correction, side2);
    const QString other = QStringLiteral("Другой принтер");
    QVERIFY(PrinterCalibration::save(other, {3, 3, 101}, {-3, -3, 99}));
    QVERIFY(PrinterCalibration::save(printer, toCorrection(side1), toCorrection(side2)));
    Database::destroy(); // read back from the file, as the next start would
    QVERIFY(PrinterCalibration::isCalibrated(printer));
    QCOMPARE(toList(PrinterCalibration::correction(printer, 1)), side1);
    QCOMPARE(toList(PrinterCalibration::correction(printer, 2)), side2);
    QCOMPARE(toList(PrinterCalibration::correction(other, 2)), (Correction{-3, -3, 99}));

    QVERIFY(PrinterCalibration::reset(printer));
    Database::destroy();
    QVERIFY(!PrinterCalibration::isCalibrated(printer));
    QVERIFY(PrinterCalibration::correction(printer, 1).isNone());
    QVERIFY(PrinterCalibration::correction(printer, 2).isNone());
    QCOMPARE(toList(PrinterCalibration::correction(other, 1)), (Correction{3, 3, 101}));
}

void TestPrinterCalibration::savingRefused_data()
{
    QTest::addColumn<Correction>("side1");
    QTest::addColumn<Correction>("side2");
    QTest::addColumn<bool>("unwritable");
    QTest::newRow("offset beyond 15 mm")
            << Correction{15.1, 0, 100} << Correction{0, 0, 100} << false;
    QTest::newRow("scale below 95 % on side 2")
            << Correction{0, 0, 100} << Correction{0, 0, 94.99} << false;
    QTest::newRow("not a number") << Correction{qQNaN(), 0, 100} << Correction{0, 0, 100} << false;
    QTest::newRow("settings file cannot be written")
            << Correction{1, 1, 100} << Correction{1, 1, 100} << true;
}

// A refused save leaves the earlier calibration as it was, in memory and for the next start.
void TestPrinterCalibration::savingRefused()
{
    QFETCH(Correction, side1);
    QFETCH(Correction, side2);
    QFETCH(bool, unwritable);
    const QString printer = QStringLiteral("Kyocera");
    QVERIFY(PrinterCalibration::save(printer, {0.5, 0.5, 100.5}, {-0.5, -0.5, 99.5}));
    const QString file = Database::userSettings()->fileName();
    const QString aside = file + QStringLiteral(".aside");
    if (unwritable) {
        // A folder where the file should be: nothing can replace it, not even as root.
        QVERIFY(QFile::rename(file, aside));
        QVERIFY(QDir().mkdir(file));
    }
    QVERIFY(!PrinterCalibration::save(printer, toCorrection(side1), toCorrection(side2)));
    QCOMPARE(toList(PrinterCalibration::correction(printer, 1)), (Correction{0.5, 0.5, 100.5}));
    QCOMPARE(toList(PrinterCalibration::correction(printer, 2)), (Correction{-0.5, -0.5, 99.5}));
    if (unwritable) {
        QVERIFY(QDir().rmdir(file));
        QVERIFY(QFile::rename(aside, file));
    }
    Database::destroy();
    QCOMPARE(toList(PrinterCalibration::correction(printer, 2)), (Correction{-0.5, -0.5, 99.5}));
}

void TestPrinterCalibration::correctionFromMeasurements_data()
{
    QTest::addColumn<double>("s"); // the printer puts a point meant at p at s * p + o
    QTest::addColumn<QPointF>("o");
    QTest::addColumn<int>("marks");      // the first so many marks measured
    QTest::addColumn<Correction>("fix"); // empty: refused
    QTest::newRow("marks in place need nothing") << 1.0 << QPointF() << 5 << Correction{0, 0, 100};
    QTest::newRow("1.5 mm right and 2 mm low")
            << 1.0 << QPointF(1.5, 2) << 5 << Correction{-1.5, -2, 100};
    QTest::newRow("1 % large") << 1.01 << QPointF() << 5 << Correction{0, 0, 99.01};
    QTest::newRow("0.5 % large and off")
            << 1.005 << QPointF(0.8, -1.2) << 5 << Correction{-0.8, 1.2, 99.5};
    QTest::newRow("one mark gives the offset only")
            << 1.0 << QPointF(-1, 1) << 1 << Correction{1, -1, 100};
    QTest::newRow("two marks give the scale too")
            << 0.99 << QPointF() << 2 << Correction{0, 0, 101.01};
    QTest::newRow("20 mm off is beyond the limits") << 1.0 << QPointF(20, 0) << 5 << Correction{};
    QTest::newRow("10 % small is beyond the limits") << 0.9 << QPointF() << 5 << Correction{};
    QTest::newRow("nothing measured") << 1.0 << QPointF() << 0 << Correction{};
}

// The correction, rounded to its steps, brings every mark back within 0.1 mm of its place.
void TestPrinterCalibration::correctionFromMeasurements()
{
    QFETCH(double, s);
    QFETCH(QPointF, o);
    QFETCH(int, marks);
    QFETCH(Correction, fix);
    QList<PrinterCalibration::Measurement> measured;
    for (int i = 0; i < marks; ++i) {
        const QPointF meant = CalibrationSheet::marks().at(i).position;
        measured.append({meant, meant * s + o});
    }
    PrintCorrection correction;
    QString error;
    QCOMPARE(PrinterCalibration::fromMeasurements(measured, &correction, &error), !fix.isEmpty());
    if (fix.isEmpty()) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QCOMPARE(toList(correction), fix);
    for (const CalibrationSheet::Mark &mark : CalibrationSheet::marks()) {
        const QPointF landed = (mark.position * correction.scale / 100
                                + QPointF(correction.offsetX, correction.offsetY))
                                       * s
                               + o;
        QVERIFY2(QLineF(landed, mark.position).length() < 0.1, qPrintable(mark.name));
    }
}

void TestPrinterCalibration::noCalibrationLeavesTheImageAlone_data()
{
    QTest::addColumn<QString>("calibrated"); // the printer with a stored calibration
    QTest::addColumn<Correction>("side1");
    QTest::addColumn<bool>("identical");
    QTest::newRow("no printer calibrated") << QString() << Correction{} << true;
    QTest::newRow("another printer calibrated")
            << QStringLiteral("Другой") << Correction{2, 3, 101} << true;
    QTest::newRow("calibrated to no correction")
            << QStringLiteral("Kyocera") << Correction{0, 0, 100} << true;
    QTest::newRow("calibrated") << QStringLiteral("Kyocera") << Correction{0.1, 0, 100} << false;
}

// Rendered for the printer through the installed calibrations, a page is byte for byte what
// it is without them unless this printer has a correction.
void TestPrinterCalibration::noCalibrationLeavesTheImageAlone()
{
    QFETCH(QString, calibrated);
    QFETCH(Correction, side1);
    QFETCH(bool, identical);
    if (!calibrated.isEmpty())
        QVERIFY(PrinterCalibration::save(calibrated, toCorrection(side1), PrintCorrection()));
    PrinterCalibration::install();

    ReportPage page;
    page.defaultFont = QFont(serifFamily(), 12);
    QImage scan(200, 280, QImage::Format_RGB32);
    scan.fill(QColor(240, 235, 220));
    page.backgroundImage = QPixmap::fromImage(scan);
    auto text = new TextField;
    text->page = &page;
    text->x = 30;
    text->y = 40;
    text->width = 120;
    text->height = 10;
    text->alignFlags = Qt::AlignHCenter | Qt::AlignVCenter;
    text->text = QStringLiteral("Образец ШШШ");
    page.fields.append(text);
    QStandardItemModel model(3, 1);
    model.setHorizontalHeaderLabels({QStringLiteral("name")});
    auto table = new TableField;
    table->page = &page;
    table->x = 30;
    table->y = 60;
    table->columnCount = 1;
    table->columnsWidth = {80};
    table->columnIds = QStringList{QStringLiteral("$D{view.name}")};
    table->rowHeight = 7;
    table->mModelName = QStringLiteral("view");
    page.fields.append(table);
    page.addModel(QStringLiteral("view"), &model, false);
    page.setReplaceExpressions(true);

    auto render = [&page](const PrintCorrection &correction) {
        QImage image(1240, 870, QImage::Format_ARGB32_Premultiplied);
        image.setDotsPerMeterX(11811);
        image.setDotsPerMeterY(11811);
        image.fill(Qt::white);
        QPainter painter(&image);
        page.renderPage(&painter, 0, true, correction);
        return image;
    };
    const QImage plain = render(PrintCorrection());
    const QImage forPrinter = render(PrintCorrection::forPrinter(QStringLiteral("Kyocera"), 1));
    const QByteArray a(reinterpret_cast<const char *>(plain.constBits()), plain.sizeInBytes());
    const QByteArray b(reinterpret_cast<const char *>(forPrinter.constBits()),
                       forPrinter.sizeInBytes());
    QCOMPARE(a == b, identical);
}

void TestPrinterCalibration::fillSide(PrinterCalibrationDialog *dialog,
                                      int side,
                                      const QStringList &cells)
{
    auto table = dialog->findChild<QTableWidget *>(QStringLiteral("tableWidgetSide%1").arg(side));
    QVERIFY(table);
    for (int row = 0; row < cells.size(); ++row) {
        const QStringList xy = cells.at(row).split(QLatin1Char(';'));
        table->item(row, 1)->setText(xy.value(0));
        table->item(row, 2)->setText(xy.value(1));
    }
}

void TestPrinterCalibration::dialog_data()
{
    // Typed into side 1's boxes after its measurements were erased again.
    QTest::addColumn<Correction>("typed");
    QTest::addColumn<QStringList>("side1"); // "x;y" per mark, from the top left one
    QTest::addColumn<QStringList>("side2");
    QTest::addColumn<bool>("vanishes"); // the printer is gone before saving
    QTest::addColumn<QString>("message");
    QTest::addColumn<Correction>("stored1"); // empty: nothing stored
    QTest::addColumn<Correction>("stored2");

    QTest::newRow("both sides measured and saved")
            << Correction{} << printed(1, {1, 2}) << printed(1.01, {}) << false << "сохранена"
            << Correction{-1, -2, 100} << Correction{0, 0, 99.01};
    QTest::newRow("decimal commas, side 2 left alone")
            << Correction{} << QStringList{"20,5;19,5"} << QStringList{} << false << "сохранена"
            << Correction{-0.5, 0.5, 100} << Correction{0, 0, 100};
    QTest::newRow("a letter in a measurement")
            << Correction{} << QStringList{"2O;20"} << QStringList{} << false << "«2O» — не число"
            << Correction{} << Correction{};
    QTest::newRow("only one of the two distances")
            << Correction{} << QStringList{"20;"} << QStringList{} << false << "оба расстояния"
            << Correction{} << Correction{};
    QTest::newRow("beyond the edge of the sheet")
            << Correction{} << QStringList{"20;20", "250;20"} << QStringList{} << false
            << "за краем листа" << Correction{} << Correction{};
    QTest::newRow("beyond the limits of a correction")
            << Correction{} << printed(1, {16, 0}) << QStringList{} << false
            << "дальше от своих мест" << Correction{} << Correction{};
    QTest::newRow("a mistake on side 2 saves side 1 neither")
            << Correction{} << printed(1, {1, 2}) << QStringList{"x;1"} << false << "Сторона 2"
            << Correction{} << Correction{};
    QTest::newRow("a correction typed in, measurements typed and erased")
            << Correction{1.5, -0.5, 100.5} << QStringList{"21;22"} << QStringList{} << false
            << "сохранена" << Correction{1.5, -0.5, 100.5} << Correction{0, 0, 100};
    QTest::newRow("the printer vanished")
            << Correction{} << printed(1, {1, 2}) << QStringList{} << true << "больше не найден"
            << Correction{} << Correction{};
}

void TestPrinterCalibration::dialog()
{
    QFETCH(Correction, typed);
    QFETCH(QStringList, side1);
    QFETCH(QStringList, side2);
    QFETCH(bool, vanishes);
    QFETCH(QString, message);
    QFETCH(Correction, stored1);
    QFETCH(Correction, stored2);
    QStringList printers{QStringLiteral("Canon"), QStringLiteral("Kyocera")};
    QPointer<PrinterCalibrationDialog> dialog = new PrinterCalibrationDialog(
            nullptr, {[&printers] { return printers; }, [] { return QStringLiteral("Kyocera"); }});
    dialog->show();
    QCOMPARE(dialog->currentPrinter(), QStringLiteral("Kyocera"));
    fillSide(dialog, 1, side1);
    if (!typed.isEmpty()) {
        fillSide(dialog, 1, QVector<QString>(side1.size(), QStringLiteral(";")).toList());
        const char *boxes[]
                = {"doubleSpinBoxOffsetX1", "doubleSpinBoxOffsetY1", "doubleSpinBoxScale1"};
        for (int i = 0; i < 3; ++i)
            dialog->findChild<QDoubleSpinBox *>(boxes[i])->setValue(typed.at(i));
    }
    fillSide(dialog, 2, side2);
    if (vanishes)
        printers.removeAll(QStringLiteral("Kyocera"));

    ModalAnswerer answerer;
    answerer.expectButton(stored1.isEmpty() ? QStringLiteral("Ошибка")
                                            : QStringLiteral("Информация"),
                          message,
                          QDialogButtonBox::Ok);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButtonSave")),
                      Qt::LeftButton);
    QTRY_COMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('\n')));

    Database::destroy();
    QCOMPARE(PrinterCalibration::isCalibrated(QStringLiteral("Kyocera")), !stored1.isEmpty());
    if (!stored1.isEmpty()) {
        QCOMPARE(toList(PrinterCalibration::correction(QStringLiteral("Kyocera"), 1)), stored1);
        QCOMPARE(toList(PrinterCalibration::correction(QStringLiteral("Kyocera"), 2)), stored2);
    }
    QVERIFY(!PrinterCalibration::isCalibrated(QStringLiteral("Canon")));
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
}

// A stored calibration shows when the dialog opens; "Сбросить" asks and removes it.
void TestPrinterCalibration::resetInTheDialog()
{
    QVERIFY(PrinterCalibration::save(QStringLiteral("Kyocera"), {1, 2, 101}, {-1, 0, 99}));
    QPointer<PrinterCalibrationDialog> dialog = new PrinterCalibrationDialog(
            nullptr,
            {[] { return QStringList{QStringLiteral("Kyocera")}; }, [] { return QString(); }});
    dialog->show();
    QCOMPARE(toList(dialog->shownCorrection(2)), (Correction{-1, 0, 99}));
    ModalAnswerer answerer;
    answerer.expectButton(
            QStringLiteral("Внимание!"), QStringLiteral("Kyocera"), QDialogButtonBox::Yes);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButtonReset")),
                      Qt::LeftButton);
    QTRY_COMPARE(answerer.pending(), 0);
    QVERIFY(!PrinterCalibration::isCalibrated(QStringLiteral("Kyocera")));
    QVERIFY(dialog->shownCorrection(1).isNone());
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
}

void TestPrinterCalibration::sheetMarks_data()
{
    QTest::addColumn<int>("mark");
    for (int i = 0; i < CalibrationSheet::marks().size(); ++i)
        QTest::addRow("%s", qPrintable(CalibrationSheet::marks().at(i).name)) << i;
}

// Each crosshair's arms cross where the sheet says, within 0.1 mm at 300 dpi.
void TestPrinterCalibration::sheetMarks()
{
    QFETCH(int, mark);
    static const QImage image = [] {
        QImage sheet(2480, 3508, QImage::Format_ARGB32_Premultiplied);
        sheet.setDotsPerMeterX(11811);
        sheet.setDotsPerMeterY(11811);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        CalibrationSheet::draw(&painter, 1, QStringLiteral("Kyocera"), QDate(2025, 5, 30));
        return sheet;
    }();
    const double ppm = 300 / 25.4;
    const QPointF c = CalibrationSheet::marks().at(mark).position;
    // The arms between the circle (4 mm) and their ends (8 mm).
    const QRect horizontal = inkBounds(
            image,
            QRectF(QPointF(c.x() + 5, c.y() - 1) * ppm, QPointF(c.x() + 7.5, c.y() + 1) * ppm)
                    .toRect());
    const QRect vertical = inkBounds(
            image,
            QRectF(QPointF(c.x() - 1, c.y() + 5) * ppm, QPointF(c.x() + 1, c.y() + 7.5) * ppm)
                    .toRect());
    QVERIFY(!horizontal.isNull() && !vertical.isNull());
    const double y = (horizontal.top() + horizontal.bottom() + 1) / 2.0 / ppm;
    const double x = (vertical.left() + vertical.right() + 1) / 2.0 / ppm;
    QVERIFY2(qAbs(x - c.x()) <= 0.1 && qAbs(y - c.y()) <= 0.1,
             qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
}

// ZR_SCREENSHOT_DIR=/some/folder ./tst_printercalibration screenshot saves the dialog as
// calibration-dialog.png and both sides of the sheet as calibration-sheet.pdf there.
void TestPrinterCalibration::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOT_DIR to save a screenshot");
    QVERIFY(PrinterCalibration::save(
            QStringLiteral("HP LaserJet 1020"), {0.8, -1.2, 100.2}, PrintCorrection()));
    QPointer<PrinterCalibrationDialog> dialog = new PrinterCalibrationDialog(
            nullptr,
            {[] {
                 return QStringList{QStringLiteral("Canon MF3010"),
                                    QStringLiteral("HP LaserJet 1020")};
             },
             [] { return QStringLiteral("HP LaserJet 1020"); }});
    dialog->show();
    fillSide(dialog, 1, printed(1.002, {-0.8, 1.2}));
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QVERIFY(dialog->grab().save(folder + QStringLiteral("/calibration-dialog.png")));
    dialog->close();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder + QStringLiteral("/calibration-sheet.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    QPainter painter(&printer);
    CalibrationSheet::draw(&painter, 1, QStringLiteral("HP LaserJet 1020"), QDate::currentDate());
    printer.newPage();
    CalibrationSheet::draw(&painter, 2, QStringLiteral("HP LaserJet 1020"), QDate::currentDate());
    painter.end();
    QTRY_VERIFY(dialog.isNull());
}

ZR_TEST_MAIN(TestPrinterCalibration)
#include "tst_printercalibration.moc"
