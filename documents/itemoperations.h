#pragma once

#include <QString>

class QAbstractItemModel;
class QComboBox;
class QSqlQueryModel;
class QWidget;

// Offers the values already used in a column, most frequent first.
void fillValueCombo(const QString &table, const QString &column, QComboBox *combo, int limit);

// Exchanges the values of two rows from firstColumn to the last column. False when nothing
// was exchanged.
bool swapRows(QAbstractItemModel *model, int a, int b, int firstColumn);

// Why a model's last select did not read all of its rows; empty when it did.
QString readError(const QSqlQueryModel *model);

// The widget reacts to the mouse wheel only once the user has clicked or tabbed into it;
// before that the wheel goes to what lies beneath, such as the table it sits in.
void wheelOnlyWhenFocused(QWidget *widget);
