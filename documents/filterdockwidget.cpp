#include "filterdockwidget.h"
#include "ui_filterdockwidget.h"

FilterDockWidget::FilterDockWidget(QWidget *parent)
    : FilterDockWidgetAbstract(parent)
    , ui(new Ui::FilterDockWidget)
{
    ui->setupUi(this);
    connect(ui->pushButtonClear, &QPushButton::clicked, this, &FilterDockWidget::clearForms);
    // The two dates bound each other, so "from" can never pass "to".
    connect(ui->dateEditFrom, &QDateEdit::dateChanged, ui->dateEditTo, &QDateEdit::setMinimumDate);
    connect(ui->dateEditTo, &QDateEdit::dateChanged, ui->dateEditFrom, &QDateEdit::setMaximumDate);
    ui->dateEditFrom->setDate(QDate::currentDate());
    ui->dateEditTo->setDate(QDate::currentDate());
    ui->checkBox->setChecked(false);
    on_checkBox_stateChanged(0);
    // Connected last, so that setting up the form sends no filter.
    connect(ui->dateEditFrom, &QDateEdit::dateChanged, this, &FilterDockWidget::apply);
    connect(ui->dateEditTo, &QDateEdit::dateChanged, this, &FilterDockWidget::apply);
    connect(ui->lineEditFio1, &QLineEdit::textEdited, this, &FilterDockWidget::apply);
}

FilterDockWidget::~FilterDockWidget()
{
    delete ui;
}

void FilterDockWidget::on_checkBox_stateChanged(int arg1)
{
    ui->dateEditFrom->setEnabled(arg1 != 0);
    ui->dateEditTo->setEnabled(arg1 != 0);
    apply();
}

void FilterDockWidget::clearForms()
{
    ui->checkBox->setChecked(false);
    ui->lineEditFio1->clear();
    apply();
}

FilterList FilterDockWidget::currentFilters() const
{
    FilterList filters;
    if (ui->checkBox->isChecked()) {
        filters.append({QStringLiteral("dateFrom"), ui->dateEditFrom->date()});
        filters.append({QStringLiteral("dateTo"), ui->dateEditTo->date()});
    }
    filters.append({QStringLiteral("fio"), ui->lineEditFio1->text().trimmed()});
    return filters;
}
