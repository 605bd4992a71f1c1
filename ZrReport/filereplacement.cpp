#include "filereplacement.h"

#include "reportlog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstdio>
#include <cstring>
#else
#include <windows.h>
#endif

namespace {

QString partialPrefix(const QFileInfo &target)
{
    return target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.');
}

// Enough of a PDF's end for its trailer: "startxref", the offset and "%%EOF".
const qint64 pdfTail = 1024;

} // namespace

FileReplacement::FileReplacement(const QString &target, Content content)
    : m_target(QFileInfo(target).absoluteFilePath())
    , m_content(content)
    , m_file(partialPrefix(QFileInfo(target)) + QString::number(QCoreApplication::applicationPid())
             + QStringLiteral(".XXXXXX"))
{}

bool FileReplacement::open()
{
    if (QFileInfo(m_target).isDir())
        return fail(QStringLiteral("это папка"));
    if (!m_file.open())
        return fail(m_file.errorString());
    return true;
}

QIODevice *FileReplacement::device()
{
    return &m_file;
}

QString FileReplacement::fileName()
{
    m_file.close();
    return m_file.fileName();
}

QString FileReplacement::checkFinished() const
{
    QFile written(m_file.fileName());
    if (!written.open(QIODevice::ReadOnly))
        return written.errorString();
    if (m_expectedSize >= 0 && written.size() != m_expectedSize)
        return QStringLiteral("записано %1 байт из %2 (нет места на диске?)")
                .arg(written.size())
                .arg(m_expectedSize);
    if (m_expectedSize < 0 && written.size() == 0)
        return QStringLiteral("файл остался пустым (нет места на диске?)");
    if (m_content == Content::Pdf) {
        written.seek(qMax<qint64>(0, written.size() - pdfTail));
        if (!written.read(pdfTail).contains("%%EOF"))
            return QStringLiteral("файл PDF записан не полностью (нет места на диске?)");
    }
    return QString();
}

bool FileReplacement::commit()
{
    if (m_file.isOpen() && !m_file.flush())
        return fail(m_file.errorString());
    const bool failedBefore = m_file.error() != QFileDevice::NoError;
    const QString writeError = m_file.errorString();
    m_file.close();
    if (failedBefore)
        return fail(writeError);
    const QString unfinished = checkFinished();
    if (!unfinished.isEmpty())
        return fail(unfinished);
    // The file being written was private; the new one gets the old one's permissions.
    const QFileDevice::Permissions permissions
            = QFileInfo::exists(m_target)
                      ? QFile::permissions(m_target)
                      : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                | QFileDevice::ReadOther;
    QString error;
    if (!rename(m_file.fileName(), m_target, &error))
        return fail(error);
    m_file.setAutoRemove(false);
    QFile::setPermissions(m_target, permissions);
    return true;
}

bool FileReplacement::fail(const QString &reason)
{
    m_error = reason;
    ZR_REPORT_WARNING(QStringLiteral("cannot write %1: %2").arg(m_target, reason));
    return false;
}

void FileReplacement::removeLeftovers(const QString &target,
                                      const std::function<bool(qint64)> &running)
{
    const QFileInfo info(target);
    const QRegularExpression partial(QStringLiteral("^\\.%1\\.(\\d+)\\.\\w{6}$")
                                             .arg(QRegularExpression::escape(info.fileName())));
    const QDir folder = info.absoluteDir();
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = partial.match(name);
        if (match.hasMatch() && !running(match.captured(1).toLongLong())
            && !QFile::remove(folder.filePath(name)))
            ZR_REPORT_WARNING(QStringLiteral("cannot remove %1").arg(folder.filePath(name)));
    }
}

bool FileReplacement::rename(const QString &from, const QString &to, QString *error)
{
#ifndef Q_OS_WIN
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
#else
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                    reinterpret_cast<const wchar_t *>(to.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = QStringLiteral("MoveFileEx: %1").arg(GetLastError());
    return false;
#endif
}

bool FileReplacement::copy(const QString &source, const QString &target, QString *error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return false;
    }
    FileReplacement out(target);
    out.setExpectedSize(in.size());
    if (!out.open()) {
        *error = out.errorString();
        return false;
    }
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (out.device()->write(chunk) != chunk.size())
            break;
    }
    if (in.error() != QFileDevice::NoError) {
        *error = in.errorString();
        return false;
    }
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}
