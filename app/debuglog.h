#pragma once

#include <QDebug>
#include <QString>

// "file:line<TAB>" with the source path relative to the project, without extension.
QString logPrefix(const char *file, int line);

// Every diagnostic of the program starts with the prefix above.
#define ZR_LOG() zrLogStream(qDebug(), __FILE__, __LINE__)

// Writes the prefix without the space QDebug would put after it.
inline QDebug zrLogStream(QDebug stream, const char *file, int line)
{
    stream.nospace().noquote() << logPrefix(file, line);
    stream.setAutoInsertSpaces(true);
    return stream;
}

namespace DebugLog {
// Empties the log file and routes every Qt message to it from now on.
void start(const QString &logFilePath);
QString filePath();
} // namespace DebugLog

void debugLogHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);
