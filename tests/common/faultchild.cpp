#include "faultchild.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const char childMarker[] = "--zr-child";
const char unprivilegedUser[] = "nobody";
const char limitMarker[] = "--zr-file-size-limit";

QMap<QString, FaultChild::Command> &commands()
{
    static QMap<QString, FaultChild::Command> map;
    return map;
}

int holdExclusive(const QStringList &args)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("held"));
    db.setDatabaseName(args.value(0));
    QSqlQuery query(db);
    if (!db.open() || !query.exec(QStringLiteral("BEGIN EXCLUSIVE;"))) {
        QTextStream(stderr) << "cannot lock " << args.value(0) << ": " << query.lastError().text()
                            << '\n';
        return 3;
    }
    FaultChild::holdUntilKilled();
}

QStringList childArguments(const QString &name, const QStringList &args, qint64 limit)
{
    QStringList all{QString::fromLatin1(childMarker)};
    if (limit > 0)
        all << QString::fromLatin1(limitMarker) << QString::number(limit);
    return all << name << args;
}

} // namespace

void FaultChild::add(const QString &name, Command command)
{
    commands().insert(name, std::move(command));
}

int FaultChild::dispatch(int argc, char **argv)
{
    if (argc < 3 || qstrcmp(argv[1], childMarker) != 0)
        return -1;
    int next = 2;
    if (qstrcmp(argv[next], limitMarker) == 0 && next + 2 < argc) {
        const rlim_t limit = rlim_t(QByteArray(argv[next + 1]).toLongLong());
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
        // A write past the limit then fails with EFBIG instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        next += 2;
    }
    int childArgc = 1;
    QApplication app(childArgc, argv);
    const QString name = QString::fromLocal8Bit(argv[next]);
    QStringList args;
    for (int i = next + 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (name == QLatin1String("hold-exclusive"))
        return holdExclusive(args);
    const auto command = commands().constFind(name);
    if (command == commands().constEnd()) {
        QTextStream(stderr) << "no child command " << name << '\n';
        return 125;
    }
    return (*command)(args);
}

void FaultChild::holdUntilKilled()
{
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    // The test holds the other end of stdin: when it goes, so does the child.
    while (std::fgetc(stdin) != EOF) {
    }
    _exit(0);
}

void FaultChild::KillChild::operator()(QProcess *child) const
{
    child->kill();
    child->waitForFinished();
    delete child;
}

FaultChild::Child FaultChild::hold(const QString &name, const QStringList &args)
{
    Child child(new QProcess);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(), childArguments(name, args, 0));
    QByteArray said;
    const QDeadlineTimer deadline(60000);
    while (!said.contains("ready\n") && child->state() != QProcess::NotRunning
           && !deadline.hasExpired()) {
        child->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        said += child->readAllStandardOutput();
    }
    if (!said.contains("ready\n"))
        qWarning() << "child" << name << "did not get ready:" << said;
    return child;
}

FaultChild::Child
FaultChild::start(const QString &name, const QStringList &args, qint64 fileSizeLimit)
{
    Child child(new QProcess);
    child->setProcessChannelMode(QProcess::MergedChannels);
    child->start(QCoreApplication::applicationFilePath(),
                 childArguments(name, args, fileSizeLimit));
    return child;
}

FaultChild::Result
FaultChild::run(const QString &name, const QStringList &args, qint64 fileSizeLimit)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), childArguments(name, args, fileSizeLimit));
    child.closeWriteChannel();
    Result result;
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        result.output = QStringLiteral("child did not finish");
        return result;
    }
    result.output = QString::fromUtf8(child.readAll());
    result.status = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    return result;
}

bool FaultChild::dropPrivileges()
{
    if (geteuid() != 0)
        return false;
    const passwd *user = getpwnam(unprivilegedUser);
    // The group first: without root the process may no longer change it.
    return user && setgroups(0, nullptr) == 0 && setgid(user->pw_gid) == 0
           && setuid(user->pw_uid) == 0 && geteuid() != 0;
}

bool FaultChild::runsAsRoot()
{
    return geteuid() == 0;
}

bool FaultChild::giveToUnprivileged(const QString &path)
{
    const passwd *user = getpwnam(unprivilegedUser);
    return user && chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) == 0;
}
