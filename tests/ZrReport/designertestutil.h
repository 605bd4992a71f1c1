#pragma once

#include "reportpage.h"
#include "tablefield.h"
#include "textfield.h"

// Fields placed straight onto a page, the way the template reader leaves them.
namespace DesignerTest {

inline TextField *addText(ReportPage *page, double x, double y, double w, double h)
{
    auto *field = new TextField();
    field->x = x;
    field->y = y;
    field->width = w;
    field->height = h;
    field->page = page;
    page->fields.append(field);
    return field;
}

// A table of the given column widths, one preview row, header 10 mm, rows 10 mm.
inline TableField *addTable(ReportPage *page, double x, double y, const QVector<double> &widths)
{
    auto *field = new TableField();
    field->x = x;
    field->y = y;
    field->columnCount = quint8(widths.size());
    field->columnsWidth = widths;
    for (int c = 0; c < widths.size(); ++c) {
        field->headerNames << QStringLiteral("H%1").arg(c);
        field->columnIds << QStringLiteral("$D{view.c%1}").arg(c);
        field->columnsAlign << 0;
    }
    field->headerHeight = 10;
    field->rowHeight = 10;
    field->page = page;
    page->fields.append(field);
    field->prepare();
    return field;
}

} // namespace DesignerTest
