#include "printercalibrationdialog.h"
#include "ui_printercalibrationdialog.h"

#include "printing/calibrationsheet.h"
#include "printing/printercalibration.h"
#include "settings/widgetgeometry.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>

namespace {
const QString errorTitle = QStringLiteral("Ошибка");
const QString attentionTitle = QStringLiteral("Внимание!");
// The paper the sheet is printed on, mm.
constexpr double sheetWidth = 210;
constexpr double sheetHeight = 297;
} // namespace

PrinterCalibrationDialog::Printers PrinterCalibrationDialog::Printers::system()
{
    return {&QPrinterInfo::availablePrinterNames, &QPrinterInfo::defaultPrinterName};
}

PrinterCalibrationDialog::PrinterCalibrationDialog(QWidget *parent, Printers printers)
    : QDialog(parent)
    , ui(std::make_unique<Ui::PrinterCalibrationDialog>())
    , m_printers(std::move(printers))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_sides[0] = {ui->tableWidgetSide1,
                  ui->doubleSpinBoxOffsetX1,
                  ui->doubleSpinBoxOffsetY1,
                  ui->doubleSpinBoxScale1};
    m_sides[1] = {ui->tableWidgetSide2,
                  ui->doubleSpinBoxOffsetX2,
                  ui->doubleSpinBoxOffsetY2,
                  ui->doubleSpinBoxScale2};
    for (Side &side : m_sides)
        setUpSide(side);

    const QStringList names = m_printers.names();
    ui->comboBoxPrinter->blockSignals(true);
    ui->comboBoxPrinter->addItems(names);
    ui->comboBoxPrinter->setCurrentIndex(qMax(0, names.indexOf(m_printers.defaultName())));
    ui->comboBoxPrinter->blockSignals(false);
    if (names.isEmpty()) {
        for (QWidget *w : {static_cast<QWidget *>(ui->comboBoxPrinter),
                           static_cast<QWidget *>(ui->groupBoxSheet),
                           static_cast<QWidget *>(ui->groupBoxMeasure),
                           static_cast<QWidget *>(ui->pushButtonReset),
                           static_cast<QWidget *>(ui->pushButtonSave)})
            w->setEnabled(false);
        ui->labelStored->setText(QStringLiteral("В системе не найдено ни одного принтера."));
    } else {
        on_comboBoxPrinter_currentIndexChanged(ui->comboBoxPrinter->currentIndex());
    }
    restoreWidgetGeometry(this);
}

PrinterCalibrationDialog::~PrinterCalibrationDialog()
{
    saveWidgetGeometry(this);
}

void PrinterCalibrationDialog::setUpSide(Side &side)
{
    const QList<CalibrationSheet::Mark> &marks = CalibrationSheet::marks();
    side.table->setRowCount(marks.size());
    for (int row = 0; row < marks.size(); ++row) {
        const CalibrationSheet::Mark &mark = marks.at(row);
        auto name = new QTableWidgetItem(QStringLiteral("%1 (%2; %3)")
                                                 .arg(mark.name,
                                                      locale().toString(mark.position.x()),
                                                      locale().toString(mark.position.y())));
        name->setFlags(Qt::ItemIsEnabled);
        side.table->setItem(row, 0, name);
        side.table->setItem(row, 1, new QTableWidgetItem);
        side.table->setItem(row, 2, new QTableWidgetItem);
    }
    side.table->verticalHeader()->hide();
    side.table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    // All the marks in sight, without scrolling.
    side.table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    side.table->setMinimumHeight(side.table->horizontalHeader()->sizeHint().height()
                                 + marks.size() * side.table->verticalHeader()->defaultSectionSize()
                                 + 2 * side.table->frameWidth());
    for (int column : {1, 2})
        side.table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    // Measurements typed and all erased again count as none.
    connect(side.table, &QTableWidget::itemChanged, this, [&side] {
        side.measured = false;
        for (int row = 0; row < side.table->rowCount(); ++row) {
            for (int column : {1, 2})
                side.measured = side.measured
                                || !side.table->item(row, column)->text().trimmed().isEmpty();
        }
    });
    for (QDoubleSpinBox *offset : {side.offsetX, side.offsetY}) {
        offset->setRange(-PrintCorrection::maxOffset, PrintCorrection::maxOffset);
        offset->setDecimals(1);
        offset->setSingleStep(0.1);
    }
    side.scale->setRange(PrintCorrection::minScale, PrintCorrection::maxScale);
    side.scale->setDecimals(2);
    side.scale->setSingleStep(0.01);
}

QString PrinterCalibrationDialog::currentPrinter() const
{
    return ui->comboBoxPrinter->currentText();
}

PrintCorrection PrinterCalibrationDialog::shownCorrection(int side) const
{
    const Side &s = m_sides[side - 1];
    return {s.offsetX->value(), s.offsetY->value(), s.scale->value()};
}

void PrinterCalibrationDialog::showCorrection(Side &side, const PrintCorrection &correction)
{
    side.offsetX->setValue(correction.offsetX);
    side.offsetY->setValue(correction.offsetY);
    side.scale->setValue(correction.scale);
}

void PrinterCalibrationDialog::showStored()
{
    const QString printer = currentPrinter();
    if (!PrinterCalibration::isCalibrated(printer)) {
        ui->labelStored->setText(QStringLiteral("Принтер печатает без поправки.\n\n"));
        return;
    }
    ui->labelStored->setText(
            QStringLiteral("Сохранённая поправка:\nсторона 1 — %1;\nсторона 2 — %2.")
                    .arg(PrinterCalibration::describe(PrinterCalibration::correction(printer, 1)),
                         PrinterCalibration::describe(PrinterCalibration::correction(printer, 2))));
}

void PrinterCalibrationDialog::on_comboBoxPrinter_currentIndexChanged(int)
{
    for (int side = 1; side <= 2; ++side) {
        Side &s = m_sides[side - 1];
        showCorrection(s, PrinterCalibration::correction(currentPrinter(), side));
        for (int row = 0; row < s.table->rowCount(); ++row) {
            s.table->item(row, 1)->setText(QString());
            s.table->item(row, 2)->setText(QString());
        }
        s.measured = false;
    }
    showStored();
}

void PrinterCalibrationDialog::showError(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, errorTitle, text, QMessageBox::Ok, this);
    box.exec();
}

bool PrinterCalibrationDialog::printerStillThere()
{
    if (m_printers.names().contains(currentPrinter()))
        return true;
    showError(QStringLiteral("Принтер «%1» больше не найден в системе. Проверьте, что он "
                             "подключён, или выберите другой принтер.")
                      .arg(currentPrinter()));
    return false;
}

void PrinterCalibrationDialog::on_pushButtonPrintSheet_clicked()
{
    if (!printerStillThere())
        return;
    const QString printer = currentPrinter();
    for (int side = 1; side <= 2; ++side) {
        if (side == 2) {
            QMessageBox box(QMessageBox::Information,
                            QString(),
                            QStringLiteral("Переверните страницу!"),
                            QMessageBox::Ok | QMessageBox::Cancel,
                            this);
            box.setDefaultButton(QMessageBox::Ok);
            if (box.exec() != QMessageBox::Ok)
                return;
        }
        QPrinter device(QPrinter::HighResolution);
        device.setPrinterName(printer);
        if (!CalibrationSheet::print(&device, side, printer)) {
            showError(QStringLiteral("Не удалось напечатать лист калибровки на принтере «%1».")
                              .arg(printer));
            return;
        }
    }
}

bool PrinterCalibrationDialog::calculate(int side)
{
    Side &s = m_sides[side - 1];
    const QList<CalibrationSheet::Mark> &marks = CalibrationSheet::marks();
    QList<PrinterCalibration::Measurement> measurements;
    for (int row = 0; row < marks.size(); ++row) {
        const QString x = s.table->item(row, 1)->text().trimmed();
        const QString y = s.table->item(row, 2)->text().trimmed();
        if (x.isEmpty() && y.isEmpty())
            continue;
        const QString where = QStringLiteral("Сторона %1, «%2»").arg(side).arg(marks.at(row).name);
        if (x.isEmpty() || y.isEmpty()) {
            showError(QStringLiteral("%1: введите оба расстояния, X и Y.").arg(where));
            return false;
        }
        auto length = [&](const QString &text, double limit, double *value) {
            if (!PrinterCalibration::parseMillimetres(text, value)) {
                showError(QStringLiteral("%1: «%2» — не число. Введите расстояние в "
                                         "миллиметрах, например 20,5.")
                                  .arg(where, text));
                return false;
            }
            if (*value < 0 || *value > limit) {
                showError(QStringLiteral("%1: %2 мм — за краем листа А4 (%3 на %4 мм).")
                                  .arg(where, text)
                                  .arg(sheetWidth)
                                  .arg(sheetHeight));
                return false;
            }
            return true;
        };
        QPointF measured;
        if (!length(x, sheetWidth, &measured.rx()) || !length(y, sheetHeight, &measured.ry()))
            return false;
        measurements.append({marks.at(row).position, measured});
    }
    PrintCorrection correction;
    QString error;
    if (!PrinterCalibration::fromMeasurements(measurements, &correction, &error)) {
        showError(QStringLiteral("Сторона %1: %2").arg(side).arg(error));
        return false;
    }
    showCorrection(s, correction);
    s.measured = false;
    return true;
}

void PrinterCalibrationDialog::on_pushButtonCalculate_clicked()
{
    calculate(ui->tabWidgetSides->currentIndex() + 1);
}

void PrinterCalibrationDialog::on_pushButtonSave_clicked()
{
    // Measurements typed but not yet calculated count too; any mistake saves nothing.
    for (int side = 1; side <= 2; ++side) {
        if (m_sides[side - 1].measured && !calculate(side))
            return;
    }
    if (!printerStillThere())
        return;
    if (!PrinterCalibration::save(currentPrinter(), shownCorrection(1), shownCorrection(2))) {
        showError(QStringLiteral("Не удалось сохранить калибровку: файл настроек недоступен "
                                 "для записи. Прежняя калибровка не изменилась."));
        return;
    }
    showStored();
    QMessageBox box(QMessageBox::Information,
                    QStringLiteral("Информация"),
                    QStringLiteral("Калибровка принтера «%1» сохранена.").arg(currentPrinter()),
                    QMessageBox::Ok,
                    this);
    box.exec();
}

void PrinterCalibrationDialog::on_pushButtonReset_clicked()
{
    QMessageBox question(QMessageBox::Question,
                         attentionTitle,
                         QStringLiteral("Убрать калибровку принтера «%1»? Он будет печатать "
                                        "без поправки.")
                                 .arg(currentPrinter()),
                         QMessageBox::Yes | QMessageBox::No,
                         this);
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() != QMessageBox::Yes)
        return;
    if (!PrinterCalibration::reset(currentPrinter())) {
        showError(QStringLiteral("Не удалось убрать калибровку: файл настроек недоступен для "
                                 "записи."));
        return;
    }
    on_comboBoxPrinter_currentIndexChanged(ui->comboBoxPrinter->currentIndex());
}

void PrinterCalibrationDialog::on_pushButtonClose_clicked()
{
    close();
}
