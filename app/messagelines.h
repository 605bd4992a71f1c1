#pragma once

#include <QString>
#include <QStringList>

class QMessageBox;

// Gives a message box a text around a list of lines (problems found, files, errors) so that
// the box fits the screen however long the list is. A few short lines stand in the text
// between `before` and `after`; a longer list is shown by its first lines and its length,
// the whole of it in the box's expandable details.
void setMessageLines(QMessageBox *box,
                     const QString &before,
                     const QStringList &lines,
                     const QString &after = QString());
