#pragma once

#include "testhome.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Faults made with real means in a second process: the test binary starts itself
// again to run a child command (hold a lock until killed, write under a file-size
// limit, ...). The child shares the test's home and data folders.
namespace FaultChild {
using Command = std::function<int(const QStringList &args)>;

// Makes `name` a child command of this test binary; before dispatch().
void add(const QString &name, Command command);
// First thing in main(): runs the child command this process was started for, in its
// own application object, and returns its exit status; -1 in the test process itself.
int dispatch(int argc, char **argv);

// A child process that is killed (and waited for) when this goes.
struct KillChild
{
    void operator()(QProcess *child) const;
};
using Child = std::unique_ptr<QProcess, KillChild>;

// Starts a child command that holds something: returns once it printed "ready".
// Built in: "hold-exclusive <database>" keeps BEGIN EXCLUSIVE open on the file.
Child hold(const QString &name, const QStringList &args);

struct Result
{
    int status = -1;
    QString output; // standard output and error together
};
// Starts a child command and returns at once, for a child that never says "ready"
// (a program waiting on a message box): read what it says, then let it be killed.
Child start(const QString &name, const QStringList &args, qint64 fileSizeLimit = 0);

// Runs a child command to its end; with `fileSizeLimit` > 0 no file of it may grow past
// that many bytes (setrlimit), as on a full disk: writes fail instead of killing it.
Result run(const QString &name, const QStringList &args, qint64 fileSizeLimit = 0);

// In a child command run by root, who may read and write everything: goes on as the
// user "nobody", so that file permissions apply as they do to a secretary. True when
// the child now runs unprivileged.
bool dropPrivileges();
// True when the tests run as root (as in CI): permissions then apply only to a child
// that called dropPrivileges().
bool runsAsRoot();
// Gives a file or folder to the user a child drops to, so that it may write there.
bool giveToUnprivileged(const QString &path);

// In a child command: says "ready" and waits until the test kills it or goes away.
[[noreturn]] void holdUntilKilled();
} // namespace FaultChild

// Like ZR_TEST_MAIN, for a test whose `addChildren()` registers child commands.
#define ZR_TEST_MAIN_WITH_CHILDREN(TestClass, addChildren)                                         \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        addChildren();                                                                             \
        const int childStatus = FaultChild::dispatch(argc, argv);                                  \
        if (childStatus >= 0)                                                                      \
            return childStatus;                                                                    \
        ZR_TEST_RUN(TestClass)                                                                     \
    }
