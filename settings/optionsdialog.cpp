#include "optionsdialog.h"
#include "ui_optionsdialog.h"

#include "database/database.h"
#include "organisationdata.h"
#include "organisationhistorydialog.h"
#include "settings/widgetgeometry.h"

#include <QLineEdit>
#include <QMessageBox>

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

QList<QLineEdit *> OptionsDialog::fieldEdits() const
{
    return {ui->lineEditOrgName_1,
            ui->lineEditOrgName_2,
            ui->lineEditOrgName_3,
            ui->lineEditCity,
            ui->lineEditBoss_1};
}

bool OptionsDialog::loadOptions()
{
    OrganisationData::Values values;
    if (!OrganisationData::read(&values))
        return false;
    const QList<QLineEdit *> edits = fieldEdits();
    for (int i = 0; i < edits.size(); ++i)
        edits.at(i)->setText(values.value(OrganisationData::fields().at(i).key));
    bool read = false;
    ui->lineEditDate->setText(Database::getVariable(OrganisationData::dateKey(), &read));
    return read;
}

bool OptionsDialog::saveOptions()
{
    OrganisationData::Values values;
    const QList<QLineEdit *> edits = fieldEdits();
    for (int i = 0; i < edits.size(); ++i)
        values.insert(OrganisationData::fields().at(i).key, edits.at(i)->text());
    return OrganisationData::save(values);
}

void OptionsDialog::on_pushButtonHistory_clicked()
{
    (new OrganisationHistoryDialog(this))->show();
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
