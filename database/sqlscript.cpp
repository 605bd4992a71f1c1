#include "sqlscript.h"

#include <QFile>

namespace {

// The statements of a script: split at ";" except inside a dollar-quoted body ($$ ... $$),
// which a server function's text is.
QStringList split(const QString &script)
{
    QStringList statements{QString()};
    const QStringList parts = script.split(QStringLiteral("$$"));
    for (int i = 0; i < parts.size(); ++i) {
        if (i % 2 == 1) {
            statements.last() += QStringLiteral("$$") + parts.at(i) + QStringLiteral("$$");
            continue;
        }
        const QStringList pieces = parts.at(i).split(';');
        statements.last() += pieces.first();
        for (int piece = 1; piece < pieces.size(); ++piece)
            statements << pieces.at(piece);
    }
    return statements;
}

} // namespace

QStringList SqlScript::statements(const QString &resource, bool collapseWhiteSpace)
{
    if (resource.isEmpty())
        return {};
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList result;
    for (const QString &piece : split(QString::fromUtf8(file.readAll()))) {
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
