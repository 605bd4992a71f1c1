#include "optionsdialog.h"
#include "ui_optionsdialog.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "settings/widgetgeometry.h"

#include <QDateTime>
#include <QLineEdit>
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
    if (!loadOptions()) {
        // Empty fields saved over the stored ones would take the school's name off every
        // certificate printed afterwards.
        ui->pushButtonSave->setEnabled(false);
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Ошибка"),
                        QStringLiteral("Данные организации не прочитаны: реестр занят другой "
                                       "программой или повреждён. Закройте это окно и откройте "
                                       "его ещё раз немного позже."),
                        QMessageBox::Ok,
                        parent);
        box.exec();
    }
    restoreWidgetGeometry(this);
    ui->groupBox_8->hide();
}

OptionsDialog::~OptionsDialog()
{
    saveWidgetGeometry(this);
    delete ui;
}

bool OptionsDialog::loadOptions()
{
    const QList<QPair<QLineEdit *, QString>> fields{
            {ui->lineEditOrgName_1, QStringLiteral("Data/OrgName_1")},
            {ui->lineEditOrgName_2, QStringLiteral("Data/OrgName_2")},
            {ui->lineEditOrgName_3, QStringLiteral("Data/OrgName_3")},
            {ui->lineEditCity, QStringLiteral("Data/City")},
            {ui->lineEditDate, QStringLiteral("Data/Date")},
            {ui->lineEditBoss_1, QStringLiteral("Data/Boss_1")}};
    for (const auto &field : fields) {
        bool read = false;
        field.first->setText(Database::getVariable(field.second, &read));
        if (!read)
            return false;
    }
    return true;
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
