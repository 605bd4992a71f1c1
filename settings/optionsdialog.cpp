#include "optionsdialog.h"
#include "ui_optionsdialog.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "settings/widgetgeometry.h"

#include <QDateTime>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>

OptionsDialog::OptionsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::OptionsDialog)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Настройки"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    setWindowModality(Qt::ApplicationModal);
    loadOptions();
    restoreWidgetGeometry(this);
    ui->groupBox_8->hide();
}

OptionsDialog::~OptionsDialog()
{
    saveWidgetGeometry(this);
    delete ui;
}

void OptionsDialog::loadOptions()
{
    ui->lineEditOrgName_1->setText(Database::getVariable(QStringLiteral("Data/OrgName_1")));
    ui->lineEditOrgName_2->setText(Database::getVariable(QStringLiteral("Data/OrgName_2")));
    ui->lineEditOrgName_3->setText(Database::getVariable(QStringLiteral("Data/OrgName_3")));
    ui->lineEditCity->setText(Database::getVariable(QStringLiteral("Data/City")));
    ui->lineEditDate->setText(Database::getVariable(QStringLiteral("Data/Date")));
    ui->lineEditBoss_1->setText(Database::getVariable(QStringLiteral("Data/Boss_1")));
}

bool OptionsDialog::saveOptions()
{
    // All or nothing: a certificate must not get a new name of the school with the old city.
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "options not saved" << db.lastError().text();
        return false;
    }
    const bool stored
            = Database::setVariable(QStringLiteral("Data/OrgName_1"), ui->lineEditOrgName_1->text())
              && Database::setVariable(QStringLiteral("Data/OrgName_2"),
                                       ui->lineEditOrgName_2->text())
              && Database::setVariable(QStringLiteral("Data/OrgName_3"),
                                       ui->lineEditOrgName_3->text())
              && Database::setVariable(QStringLiteral("Data/City"), ui->lineEditCity->text())
              && Database::setVariable(
                      QStringLiteral("Data/Date"),
                      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
              && Database::setVariable(QStringLiteral("Data/Boss_1"), ui->lineEditBoss_1->text());
    if (stored && db.commit())
        return true;
    ZR_LOG() << "options not saved" << db.lastError().text();
    db.rollback();
    return false;
}

void OptionsDialog::on_pushButtonSave_clicked()
{
    if (!saveOptions()) {
        // The dialog stays open with what was typed, so nothing is lost.
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Ошибка"),
                        QStringLiteral("Настройки не сохранены: реестр не принял изменения "
                                       "(нет места на диске, файл только для чтения или занят "
                                       "другой программой). Введённые данные остались в окне, "
                                       "попробуйте сохранить ещё раз."),
                        QMessageBox::Ok,
                        this);
        box.exec();
        return;
    }
    emit updateOptions();
    deleteLater();
    hide();
}

void OptionsDialog::on_pushButtonCancel_clicked()
{
    deleteLater();
    hide();
}
