#pragma once

#include "zrreportlib_export.h"

#include <QString>
#include <QTemporaryFile>
#include <functional>

// A file written beside the one it replaces and put in its place in one rename only once
// it is whole: a full disk, a failed write or a killed program leave the earlier file as
// it was. The new file is checked when finished: written out and closed without an
// error, of the size expected (or else not empty), and for a PDF with its end mark, which
// a file cut short lacks.
// Writers that take a device write into device(); those that open the file by its name
// (a printer, SQLite) are given fileName().
// The file being written is ".<name>.<pid>.XXXXXX" beside the target.
class ZRREPORTLIB_EXPORT FileReplacement
{
public:
    enum class Content { Any, Pdf };

    explicit FileReplacement(const QString &target, Content content = Content::Any);
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // Creates the file to write; false with errorString().
    bool open();
    QIODevice *device();
    // The finished file must have this many bytes, and may then be empty.
    void setExpectedSize(qint64 bytes) { m_expectedSize = bytes; }
    // For a writer that opens the file itself: the helper's own handle is closed.
    QString fileName();
    // Checks the finished file and renames it over the target; false with errorString(),
    // the target then untouched.
    bool commit();
    // Why open() or commit() failed, for the user.
    QString errorString() const { return m_error; }
    QString target() const { return m_target; }

    // The target's leftovers of killed writers (`running` tells a process still at work).
    static void removeLeftovers(const QString &target, const std::function<bool(qint64)> &running);
    // Puts `from` in the place of `to` in one step, replacing an existing `to`: whoever
    // opens `to` meanwhile finds the old file or the new one, never none.
    static bool rename(const QString &from, const QString &to, QString *error);
    // Copies a file over `target` this way.
    static bool copy(const QString &source, const QString &target, QString *error);

private:
    bool fail(const QString &reason);
    QString checkFinished() const;

    QString m_target;
    Content m_content;
    QTemporaryFile m_file;
    QString m_error;
    qint64 m_expectedSize = -1;
};
