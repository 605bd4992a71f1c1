#pragma once

#include "app/startup.h"
#include "app/zrmainwindow.h"
#include "documents/documentstable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTextStream>
#include <QTimer>

// The whole program started as a child process of a benchmark on a data folder, timed up to
// the moment its main window shows the register.
namespace ProgramStart {

// Set for the program this benchmark starts as its own child.
inline constexpr char childVariable[] = "ZR_BENCH_STARTUP_CHILD";
inline QElapsedTimer sinceMain;

// In the child: the main window's first show (the register is open by then) is noted,
// the first paint of the register's rows ends the measurement and the run.
class RegisterShown : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_windowSeen
            && qobject_cast<ZrMainWindow *>(watched)) {
            m_windowSeen = true;
            QTextStream(stdout) << "WINDOW " << sinceMain.nsecsElapsed() / 1e6 << '\n';
        }
        if (event->type() == QEvent::Paint && watched->parent()
            && qobject_cast<DocumentsTable *>(watched->parent())) {
            QTextStream(stdout) << "SHOWN " << sinceMain.nsecsElapsed() / 1e6 << '\n';
            qApp->removeEventFilter(this);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    bool m_windowSeen = false;
};

inline void watchForRegister()
{
    qApp->installEventFilter(new RegisterShown(qApp));
}

struct Start
{
    double window = -1; // the main window built, with the register open
    double shown = -1;  // its rows painted
};

// Milliseconds from the program's start, as the child tells.
inline Start programShown(const QString &dataHome)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(childVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    if (!child.waitForFinished(120000))
        child.kill();
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    const auto value = [&out](const QString &key) {
        const int at = out.indexOf(key + QLatin1Char(' '));
        return at < 0 ? -1
                      : out.mid(at + key.size() + 1).section(QLatin1Char('\n'), 0, 0).toDouble();
    };
    return {value(QStringLiteral("WINDOW")), value(QStringLiteral("SHOWN"))};
}

inline bool isChild()
{
    return qEnvironmentVariableIsSet(childVariable);
}

// In the child: the program, as it starts for the user, watched until the register shows.
inline int runChild(int argc, char **argv)
{
    sinceMain.start();
    qAddPreRoutine(watchForRegister);
    return runApplication(argc, argv);
}

} // namespace ProgramStart
