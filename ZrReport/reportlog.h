#pragma once

#include <QString>

// The library logs through the Qt message functions like the program does, with the
// "file:line<TAB>" prefix, but it must not include the program's helper.
namespace ReportLog {
QString prefix(const char *file, int line);
void warning(const char *file, int line, const QString &message);
void debug(const char *file, int line, const QString &message);
} // namespace ReportLog

#define ZR_REPORT_WARNING(message) ReportLog::warning(__FILE__, __LINE__, message)
#define ZR_REPORT_DEBUG(message) ReportLog::debug(__FILE__, __LINE__, message)
