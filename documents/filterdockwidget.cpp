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
    connect(ui->dateEditFrom, &QDateEdit::dateChanged, this, &FilterDockWidget::onDateChanged);
    connect(ui->dateEditTo, &QDateEdit::dateChanged, this, &FilterDockWidget::onDateChanged);
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
    if (arg1 != 0)
        emit dateFilterSwitchedOn();
    apply();
}

void FilterDockWidget::setDateRange(const QDate &from, const QDate &to)
{
    m_settingRange = true;
    // Widened first, so that the coupled limits of the old dates do not clip the new ones.
    ui->dateEditFrom->setMaximumDate(ui->dateEditTo->maximumDate());
    ui->dateEditTo->setMinimumDate(ui->dateEditFrom->minimumDate());
    ui->dateEditTo->setDate(to);
    ui->dateEditFrom->setDate(from);
    m_settingRange = false;
}

void FilterDockWidget::onDateChanged()
{
    if (!m_settingRange)
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
