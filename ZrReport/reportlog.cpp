#include "reportlog.h"

#include <QDebug>

namespace ReportLog {

// "ZrReport/tablefield:123\t": the path from the library folder on, without extension.
QString prefix(const char *file, int line)
{
    QString path = QString::fromLocal8Bit(file);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const int root = path.lastIndexOf(QLatin1String("ZrReport/"));
    if (root >= 0)
        path = path.mid(root);
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > path.lastIndexOf(QLatin1Char('/')))
        path.truncate(dot);
    return path + QLatin1Char(':') + QString::number(line) + QLatin1Char('\t');
}

void warning(const char *file, int line, const QString &message)
{
    qWarning().noquote() << prefix(file, line) + message;
}

void debug(const char *file, int line, const QString &message)
{
    qDebug().noquote() << prefix(file, line) + message;
}

} // namespace ReportLog
