#pragma once

#include <QList>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QVariant>

// What the filter dock sends to the documents table: ("dateFrom", date),
// ("dateTo", date), ("fio", text) and ("schoolClass", text), in any order; other keys are
// ignored.
using FilterList = QList<QPair<QString, QVariant>>;

Q_DECLARE_METATYPE(FilterList)
