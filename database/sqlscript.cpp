#include "sqlscript.h"

#include <QFile>

QStringList SqlScript::statements(const QString &resource, bool collapseWhiteSpace)
{
    if (resource.isEmpty())
        return {};
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList result;
    const QStringList pieces = QString::fromUtf8(file.readAll()).split(';');
    for (const QString &piece : pieces) {
        const QString statement = collapseWhiteSpace ? piece.simplified() : piece.trimmed();
        if (!statement.isEmpty())
            result << statement;
    }
    return result;
}

bool SqlScript::exists(const QString &resource)
{
    return QFile::exists(resource);
}
