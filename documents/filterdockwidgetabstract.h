#pragma once

#include "documents/filterlist.h"

#include <QDockWidget>

// A dock that tells the register which rows to show.
class FilterDockWidgetAbstract : public QDockWidget
{
    Q_OBJECT
public:
    explicit FilterDockWidgetAbstract(QWidget *parent = nullptr);
    ~FilterDockWidgetAbstract() override;

    virtual FilterList currentFilters() const = 0;
    QSize sizeHint() const override;

signals:
    void filtersChanged(const FilterList &filterList);

public slots:
    virtual void apply();
    virtual void clearForms();

protected:
    qint16 m_preferredWidth = 400;
};
