#pragma once

#include "documents/filterdockwidgetabstract.h"

namespace Ui {
class FilterDockWidget;
}

// The name, class and issue-date filters of the register.
class FilterDockWidget : public FilterDockWidgetAbstract
{
    Q_OBJECT
public:
    explicit FilterDockWidget(QWidget *parent = nullptr);
    ~FilterDockWidget() override;

    FilterList currentFilters() const override;
    // The classes offered, after "Все классы".
    QStringList classes() const;
    static QString allClasses();

signals:
    // The date filter was ticked; a receiver may set the range it starts with
    // (setDateRange) before the filters are sent.
    void dateFilterSwitchedOn();

public slots:
    // Sets both dates without sending the filters.
    void setDateRange(const QDate &from, const QDate &to);
    // The classes the register holds; the class chosen stays chosen while it is among them.
    void setClasses(const QStringList &classes);
    void clearForms() override;
    void on_checkBox_stateChanged(int arg1);

private:
    void onDateChanged();

    Ui::FilterDockWidget *ui;
    bool m_settingRange = false;
};
