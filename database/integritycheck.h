#pragma once

#include "registerfailure.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class QThread;
class RegisterEngine;

// The whole register's integrity check, which the opening leaves to the background: it
// reads every page on a read-only connection of its own, in a thread of its own. It gives
// way to the program's writes (SqliteLockWait) and to other programs' ones, and starts
// again once the register was left alone for a while; only what the pages show is
// reported, never a check that could not finish.
class IntegrityCheck : public QObject
{
    Q_OBJECT
public:
    IntegrityCheck(const RegisterEngine &engine,
                   const QString &location,
                   QObject *parent = nullptr);
    // Stops a check under way and waits for its thread.
    ~IntegrityCheck() override;

    void start();
    // How long the check waits before it starts again when it had to give way.
    static int retryDelayMs();

signals:
    // The check had to stop for a lock and starts again after retryDelayMs().
    void postponed();
    // In the thread the check was made in. Not ok: Damaged, or Unreadable when the file
    // no longer reads at all.
    void finished(const RegisterFailure &found);

private:
    void run();
    // Waits out the retry delay; false when the check is being stopped.
    bool waitBeforeRetry();

    const RegisterEngine &m_engine;
    const QString m_location;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_stopping{false};
    std::mutex m_waitLock;
    std::condition_variable m_wake;
};
