#include "debuglog.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <cstdio>

namespace {
QString &logFile()
{
    static QString path;
    return path;
}
} // namespace

QString logPrefix(const char *file, int line)
{
    QString path = QString::fromUtf8(file);
#ifdef ZR_SOURCE_ROOT
    const QString root = QStringLiteral(ZR_SOURCE_ROOT);
    if (path.startsWith(root))
        path = path.mid(root.size());
#endif
    const int dot = path.lastIndexOf('.');
    if (dot > path.lastIndexOf('/'))
        path.truncate(dot);
    return path + ':' + QString::number(line) + '\t';
}

void DebugLog::start(const QString &logFilePath)
{
    logFile() = logFilePath;
    QFile file(logFilePath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.close();
    qInstallMessageHandler(debugLogHandler);
}

QString DebugLog::filePath()
{
    return logFile();
}

void debugLogHandler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    // The console reads the system's encoding; the log file is CP1251 for its readers.
    const QByteArray shown = message.toLocal8Bit() + "\r\n";
    fwrite(shown.constData(), 1, size_t(shown.size()), stderr);
    fflush(stderr);
    if (logFile().isEmpty())
        return;
    QFile file(logFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    static QTextCodec *const logCodec = QTextCodec::codecForName("CP1251");
    file.write(logCodec->fromUnicode(message) + "\r\n\n");
}
