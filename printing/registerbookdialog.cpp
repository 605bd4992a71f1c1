#include "registerbookdialog.h"
#include "ui_registerbookdialog.h"

#include "printing/registerbook.h"
#include "settings/widgetgeometry.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

RegisterBookDialog::RegisterBookDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::RegisterBookDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    const QPair<QDate, QDate> period = RegisterBook::lastPeriod(QDate::currentDate());
    ui->dateEditFrom->setDate(period.first);
    ui->dateEditTo->setDate(period.second);
    connect(ui->checkBoxPeriod, &QCheckBox::toggled, this, [this](bool on) {
        ui->dateEditFrom->setEnabled(on);
        ui->dateEditTo->setEnabled(on);
        showCount();
    });
    connect(ui->dateEditFrom, &QDateEdit::dateChanged, this, &RegisterBookDialog::showCount);
    connect(ui->dateEditTo, &QDateEdit::dateChanged, this, &RegisterBookDialog::showCount);
    restoreWidgetGeometry(this);
    showCount();
}

RegisterBookDialog::~RegisterBookDialog()
{
    saveWidgetGeometry(this);
}

QDate RegisterBookDialog::from() const
{
    return ui->checkBoxPeriod->isChecked() ? ui->dateEditFrom->date() : QDate();
}

QDate RegisterBookDialog::to() const
{
    return ui->checkBoxPeriod->isChecked() ? ui->dateEditTo->date() : QDate();
}

void RegisterBookDialog::showCount()
{
    const bool ordered = !from().isValid() || from() <= to();
    ui->pushButtonPdf->setEnabled(ordered);
    ui->pushButtonCsv->setEnabled(ordered);
    if (!ordered) {
        ui->labelCount->setText(QStringLiteral("Начало периода позже его конца."));
        return;
    }
    bool read = false;
    const int count = RegisterBook::rows(from(), to(), &read).size();
    ui->labelCount->setText(read ? QStringLiteral("Выданных свидетельств %1: %2.")
                                            .arg(RegisterBook::periodText(from(), to()))
                                            .arg(count)
                                 : QStringLiteral("Реестр не удалось прочитать: проверьте, не "
                                                  "занят ли он, и откройте окно заново."));
}

void RegisterBookDialog::save(const QString &suffix, const QString &filter)
{
    bool read = false;
    if (RegisterBook::rows(from(), to(), &read).isEmpty() && read) {
        QMessageBox box(QMessageBox::Question,
                        QStringLiteral("Внимание!"),
                        QStringLiteral("В книге не будет ни одной строки: %1 свидетельства не "
                                       "выдавались.\nСохранить пустую книгу?")
                                .arg(RegisterBook::periodText(from(), to())),
                        QMessageBox::Yes | QMessageBox::No,
                        this);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes)
            return;
    }
    const QString proposed
            = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                      .filePath(QStringLiteral("Книга регистрации %1.%2")
                                        .arg(QDate::currentDate().toString(
                                                     QStringLiteral("yyyy-MM-dd")),
                                             suffix));
    QString path = QFileDialog::getSaveFileName(this,
                                                QStringLiteral("Сохранить книгу регистрации"),
                                                proposed,
                                                filter,
                                                nullptr,
                                                QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) != 0)
        path += QLatin1Char('.') + suffix;
    QString error;
    if (RegisterBook::write(path, from(), to(), &error))
        QMessageBox::information(this,
                                 QStringLiteral("Информация"),
                                 QStringLiteral("Книга регистрации сохранена в файл %1.")
                                         .arg(QDir::toNativeSeparators(path)));
    else
        QMessageBox::warning(this, QStringLiteral("Ошибка"), error);
}

void RegisterBookDialog::on_pushButtonPdf_clicked()
{
    save(QStringLiteral("pdf"), QStringLiteral("PDF (*.pdf)"));
}

void RegisterBookDialog::on_pushButtonCsv_clicked()
{
    save(QStringLiteral("csv"), QStringLiteral("CSV (*.csv)"));
}

void RegisterBookDialog::on_pushButtonClose_clicked()
{
    close();
}
