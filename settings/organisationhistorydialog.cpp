#include "organisationhistorydialog.h"
#include "ui_organisationhistorydialog.h"

#include "documents/history/historydescription.h"
#include "documents/history/organisationhistory.h"
#include "settings/widgetgeometry.h"

#include <QHeaderView>

namespace {

enum Column { DateColumn, WhoColumn, WhatColumn };

} // namespace

OrganisationHistoryDialog::OrganisationHistoryDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::OrganisationHistoryDialog)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    QHeaderView *header = ui->tableWidgetChanges->horizontalHeader();
    header->setSectionResizeMode(DateColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(WhoColumn, QHeaderView::ResizeToContents);
    // Rows follow the width of what changed, wrapped.
    ui->tableWidgetChanges->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    restoreWidgetGeometry(this);
    fillChanges();
}

OrganisationHistoryDialog::~OrganisationHistoryDialog()
{
    saveWidgetGeometry(this);
    delete ui;
}

void OrganisationHistoryDialog::fillChanges()
{
    QVector<OrganisationHistory::Change> changes;
    const bool read = OrganisationHistory::changes(&changes);
    QTableWidget *table = ui->tableWidgetChanges;
    table->setRowCount(changes.size());
    for (int row = 0; row < changes.size(); ++row) {
        // Newest first.
        const OrganisationHistory::Change &change = changes.at(changes.size() - 1 - row);
        const QString what = OrganisationHistory::description(change);
        table->setItem(row,
                       DateColumn,
                       new QTableWidgetItem(HistoryDescription::momentText(change.changedAt)));
        table->setItem(row, WhoColumn, new QTableWidgetItem(change.changedBy));
        auto *whatItem = new QTableWidgetItem(what);
        whatItem->setToolTip(what);
        table->setItem(row, WhatColumn, whatItem);
    }
    if (!read)
        ui->labelSummary->setText(QStringLiteral("Историю данных организации не удалось "
                                                 "прочитать из реестра."));
    else if (changes.isEmpty())
        ui->labelSummary->setText(QStringLiteral("Данные организации ещё не изменялись с тех "
                                                 "пор, как ведётся история."));
    else
        ui->labelSummary->setText(
                QStringLiteral("Изменений данных организации: %1").arg(changes.size()));
}

void OrganisationHistoryDialog::on_pushButtonClose_clicked()
{
    close();
}
