#include "filterdockwidgetabstract.h"

FilterDockWidgetAbstract::FilterDockWidgetAbstract(QWidget *parent)
    : QDockWidget(parent)
{
    m_preferredWidth = 400;
}

FilterDockWidgetAbstract::~FilterDockWidgetAbstract() = default;

QSize FilterDockWidgetAbstract::sizeHint() const
{
    QSize hint = QDockWidget::sizeHint();
    hint.setWidth(m_preferredWidth);
    return hint;
}

void FilterDockWidgetAbstract::apply()
{
    emit filtersChanged(currentFilters());
}

void FilterDockWidgetAbstract::clearForms()
{
    apply();
}
