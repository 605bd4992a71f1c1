#include "filterdockwidget.h"
#include "ui_filterdockwidget.h"

#include "schoolclass.h"

#include <QSignalBlocker>

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
    ui->comboBoxClass->addItem(allClasses());
    on_checkBox_stateChanged(0);
    // Connected last, so that setting up the form sends no filter.
    connect(ui->dateEditFrom, &QDateEdit::dateChanged, this, &FilterDockWidget::onDateChanged);
    connect(ui->dateEditTo, &QDateEdit::dateChanged, this, &FilterDockWidget::onDateChanged);
    connect(ui->lineEditFio1, &QLineEdit::textEdited, this, &FilterDockWidget::apply);
    connect(ui->comboBoxClass,
            QOverload<int>::of(&QComboBox::currentIndexChanged),
            this,
            &FilterDockWidget::apply);
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
    {
        const QSignalBlocker blocker(ui->comboBoxClass);
        ui->comboBoxClass->setCurrentIndex(0);
    }
    apply();
}

QString FilterDockWidget::allClasses()
{
    return QStringLiteral("Все классы");
}

QStringList FilterDockWidget::classes() const
{
    QStringList list;
    for (int i = 1; i < ui->comboBoxClass->count(); ++i)
        list << ui->comboBoxClass->itemText(i);
    return list;
}

void FilterDockWidget::setClasses(const QStringList &classes)
{
    if (classes == this->classes())
        return;
    const QString chosen
            = ui->comboBoxClass->currentIndex() > 0 ? ui->comboBoxClass->currentText() : QString();
    int kept = 0;
    for (int i = 0; i < classes.size() && !chosen.isEmpty() && kept == 0; ++i) {
        if (SchoolClass::key(classes.at(i)) == SchoolClass::key(chosen))
            kept = i + 1;
    }
    {
        const QSignalBlocker blocker(ui->comboBoxClass);
        ui->comboBoxClass->clear();
        ui->comboBoxClass->addItem(allClasses());
        ui->comboBoxClass->addItems(classes);
        ui->comboBoxClass->setCurrentIndex(kept);
    }
    // The class shown was the last of its documents: the register is no longer filtered by it.
    if (!chosen.isEmpty() && kept == 0)
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
    if (ui->comboBoxClass->currentIndex() > 0)
        filters.append({QStringLiteral("schoolClass"), ui->comboBoxClass->currentText()});
    return filters;
}
