#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One program per data folder: a lock file beside the register, held for the whole
// run. A lock left behind by a program that is no longer running on this machine is
// taken over; one held by a running program, here or on another computer sharing
// the folder, is not. Commands that only read (the PDF export) do not take it; the
// import, which writes, does.
class RegisterLock
{
public:
    explicit RegisterLock(const QString &dataPath);
    ~RegisterLock();

    // True when this process holds the folder now.
    bool acquire();
    // Who holds the folder, for the message of a second start.
    QString holder() const;
    // That message: told by a second start and by a command that would write beside it.
    QString inUseText() const;
    static QString fileName();

private:
    QString m_dataPath;
    std::unique_ptr<QLockFile> m_lock;
};
