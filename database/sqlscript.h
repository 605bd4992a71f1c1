#pragma once

#include <QStringList>

// A resource of SQL statements separated by ";" (no script has one inside a literal; a
// dollar-quoted function body keeps its own).
namespace SqlScript {
QStringList statements(const QString &resource, bool collapseWhiteSpace = false);
bool exists(const QString &resource);
} // namespace SqlScript
