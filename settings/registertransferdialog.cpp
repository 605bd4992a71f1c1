#include "registertransferdialog.h"
#include "ui_registertransferdialog.h"

#include "database/database.h"
#include "database/registertransfer.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>

RegisterTransferDialog::RegisterTransferDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::RegisterTransferDialog>())
{
    ui->setupUi(this);
    ui->registerChoice->setServerOnly();
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Перенести"));
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    ui->labelFile->setText(
            ui->labelFile->text().arg(QDir::toNativeSeparators(Database::registerAddress().file)));
    resize(width(), sizeHint().height());
}

RegisterTransferDialog::~RegisterTransferDialog() = default;

void RegisterTransferDialog::on_buttonBox_accepted()
{
    QString error;
    if (!ui->registerChoice->isComplete(&error)) {
        QMessageBox(QMessageBox::Warning, QStringLiteral("Внимание!"), error, QMessageBox::Ok)
                .exec();
        return;
    }
    const RegisterAddress server = ui->registerChoice->serverAddress();
    const QString file = Database::registerAddress().file;
    QVector<RegisterCopy::Table> copied;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool moved = RegisterTransfer::fromFile(file, server, &copied, &error);
    QApplication::restoreOverrideCursor();
    if (!moved) {
        QMessageBox(QMessageBox::Warning, QStringLiteral("Ошибка"), error, QMessageBox::Ok).exec();
        return;
    }
    QMessageBox box(QMessageBox::Information,
                    QStringLiteral("Перенос реестра"),
                    QStringLiteral("Реестр перенесён на сервер %1, таблицы сверены.\n%2\n\n"
                                   "Файл реестра на этом компьютере не изменён. Чтобы работать "
                                   "с реестром на сервере, выберите сервер в «Файл → "
                                   "Настройки → Реестр» под ролью сотрудника.")
                            .arg(server.toString(), RegisterTransfer::copiedText(copied)),
                    QMessageBox::Ok);
    box.exec();
    accept();
}
