#pragma once

#include "ZrReport/printcorrection.h"

#include <QDialog>
#include <functional>
#include <memory>

class QDoubleSpinBox;
class QTableWidget;

namespace Ui {
class PrinterCalibrationDialog;
}

// Calibrates one of the system's printers: prints the calibration sheet, turns the
// positions the user measured on it into a correction for each side of the sheet, and
// stores or removes that correction (PrinterCalibration).
class PrinterCalibrationDialog : public QDialog
{
    Q_OBJECT
public:
    // Where the dialog learns which printers there are; asked again before printing or
    // saving, as a printer may vanish while the dialog is open.
    struct Printers
    {
        std::function<QStringList()> names;
        std::function<QString()> defaultName;
        static Printers system();
    };

    explicit PrinterCalibrationDialog(QWidget *parent = nullptr,
                                      Printers printers = Printers::system());
    ~PrinterCalibrationDialog() override;

    QString currentPrinter() const;
    // The correction shown for a side (1 or 2).
    PrintCorrection shownCorrection(int side) const;

private slots:
    void on_comboBoxPrinter_currentIndexChanged(int index);
    void on_pushButtonPrintSheet_clicked();
    void on_pushButtonCalculate_clicked();
    void on_pushButtonSave_clicked();
    void on_pushButtonReset_clicked();
    void on_pushButtonClose_clicked();

private:
    struct Side
    {
        QTableWidget *table;
        QDoubleSpinBox *offsetX;
        QDoubleSpinBox *offsetY;
        QDoubleSpinBox *scale;
        bool measured = false; // measurements typed since the last calculation
    };
    void setUpSide(Side &side);
    void showCorrection(Side &side, const PrintCorrection &correction);
    void showStored();
    bool calculate(int side);
    bool printerStillThere();
    void showError(const QString &text);

    std::unique_ptr<Ui::PrinterCalibrationDialog> ui;
    Printers m_printers;
    Side m_sides[2];
};
