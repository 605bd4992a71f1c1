#pragma once

#include "documents/filterdockwidgetabstract.h"

namespace Ui {
class FilterDockWidget;
}

// The name and issue-date filters of the register.
class FilterDockWidget : public FilterDockWidgetAbstract
{
    Q_OBJECT
public:
    explicit FilterDockWidget(QWidget *parent = nullptr);
    ~FilterDockWidget() override;

    FilterList currentFilters() const override;

public slots:
    void clearForms() override;
    void on_checkBox_stateChanged(int arg1);

private:
    Ui::FilterDockWidget *ui;
};
