// The register on a PostgreSQL server of the benchmark's own, on 127.0.0.1: the register
// table loaded from it beside the same load from a file, a class imported into it beside the
// same import into a file, eight workstations saving at once beside one alone, and how soon
// a change on one workstation reaches another.
#include "benchimport.h"
#include "benchprogram.h"
#include "benchregister.h"
#include "benchreport.h"
#include "classlist.h"
#include "database/database.h"
#include "database/postgresengine.h"
#include "database/registeraddress.h"
#include "database/registerwatcher.h"
#include "documents/documenteditdialog.h"
#include "documents/documentstable.h"
#include "modalanswerer.h"
#include "postgresserver.h"

#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

const int documents = 100000;
const int pupils = 1000;
const int disciplines = 20;
const int workstations = 8;
const int savesEach = 25;

// Set for the workstations this benchmark starts as its own children: the register's address.
constexpr char workstationVariable[] = "ZR_BENCH_WORKSTATION";

RegisterAddress serverAddress(const PostgresServer &server)
{
    RegisterAddress address;
    RegisterAddress::parse(
            server.address(QStringLiteral("zrowner"), QStringLiteral("school")), &address, nullptr);
    return address;
}

// The whole register table, on the register open now.
double tableLoad(int *rows)
{
    auto table = std::make_unique<DocumentsTable>();
    table->resize(800, 600);
    table->show();
    QCoreApplication::processEvents();
    const double load = BenchRegister::wholeTableLoad(*table);
    *rows = table->model()->rowCount();
    return load;
}

double importTime(const QString &csv)
{
    return BenchReport::medianMs(5, BenchImport::emptyRegister, [&csv] {
        if (BenchImport::importFile(csv) != pupils)
            QTextStream(stderr) << "import failed\n";
    });
}

// In a child: a workstation that, once told to go, opens each of its documents in the edit
// dialog, changes the name and saves, and prints how long each save took.
int runWorkstation(int argc, char **argv)
{
    const BenchProgram program(argc, argv);
    RegisterAddress address;
    RegisterAddress::parse(qEnvironmentVariable(workstationVariable), &address, nullptr);
    Database::chooseRegister(address);
    if (!Database::open().ok())
        return 1;
    // A message box of a failed save is closed, so that no child waits for a click.
    const ModalAnswerer answerer;
    QTextStream out(stdout);
    DocumentEditDialog dialog;
    out << "READY" << Qt::endl;
    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    in.readLine();
    int round = 0;
    for (const QString &id : QString::fromLatin1(argv[1]).split(QLatin1Char(','))) {
        dialog.loadDocument(id.toInt());
        dialog.setEditable(true);
        dialog.findChild<QLineEdit *>(QStringLiteral("lineEditFio_2"))
                ->setText(QStringLiteral("Павел%1").arg(++round));
        QElapsedTimer timer;
        timer.start();
        const bool saved = dialog.saveDocument();
        out << (saved ? "SAVED " : "FAILED ") << timer.nsecsElapsed() / 1e6 << Qt::endl;
    }
    Database::destroy();
    return 0;
}

// The save times of `stations` workstations saving their own documents of `ids` at once.
std::vector<double> saveTimes(const QString &address, int stations, const QList<int> &ids)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(workstationVariable), address);
    std::vector<std::unique_ptr<QProcess>> children;
    for (int station = 0; station < stations; ++station) {
        QStringList own;
        for (int i = 0; i < savesEach; ++i)
            own << QString::number(ids.at(station * savesEach + i));
        auto child = std::make_unique<QProcess>();
        child->setProcessEnvironment(environment);
        child->start(QCoreApplication::applicationFilePath(), {own.join(QLatin1Char(','))});
        children.push_back(std::move(child));
    }
    for (const auto &child : children) {
        while (!child->canReadLine() && child->waitForReadyRead(60000)) {
        }
        child->readLine();
    }
    for (const auto &child : children)
        child->write("go\n");
    std::vector<double> times;
    int failed = 0;
    for (const auto &child : children) {
        if (!child->waitForFinished(120000))
            child->kill();
        for (const QString &line :
             QString::fromLatin1(child->readAllStandardOutput()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("SAVED ")))
                times.push_back(line.mid(6).toDouble());
            else if (line.startsWith(QLatin1String("FAILED ")))
                ++failed;
        }
    }
    if (failed > 0 || times.empty())
        QTextStream(stderr) << failed << " saves failed\n";
    std::sort(times.begin(), times.end());
    return times;
}

double percentile(const std::vector<double> &sorted, double share)
{
    if (sorted.empty())
        return -1;
    const int at = int(std::ceil(share * sorted.size())) - 1;
    return sorted.at(std::clamp(at, 0, int(sorted.size()) - 1));
}

// From the commit of a change on another connection to the watcher's signal, beside the
// moment the server's notification reaches this connection.
void changeShown(const QString &address, double *shown, double *notified)
{
    RegisterWatcher *watcher = RegisterWatcher::instance();
    watcher->watch();
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"),
                                                       QStringLiteral("other workstation"));
        PostgresEngine::instance().configure(other, address, false);
        other.open();
        QSqlDriver *driver = QSqlDatabase::database().driver();
        QElapsedTimer sinceCommit;
        double notifiedAt = -1;
        const auto heard = QObject::connect(
                driver,
                QOverload<const QString &, QSqlDriver::NotificationSource, const QVariant &>::of(
                        &QSqlDriver::notification),
                [&](const QString &, QSqlDriver::NotificationSource, const QVariant &) {
                    if (notifiedAt < 0)
                        notifiedAt = sinceCommit.nsecsElapsed() / 1e6;
                });
        std::vector<double> shownTimes;
        std::vector<double> notifiedTimes;
        for (int run = 0; run < 9; ++run) {
            QEventLoop loop;
            double shownAt = -1;
            const auto told
                    = QObject::connect(watcher, &RegisterWatcher::documentsChangedElsewhere, [&] {
                          shownAt = sinceCommit.nsecsElapsed() / 1e6;
                          loop.quit();
                      });
            QTimer::singleShot(5000, &loop, &QEventLoop::quit);
            notifiedAt = -1;
            QSqlQuery change(other);
            // Committed when the statement returns: no transaction is open on that connection.
            change.exec(QStringLiteral("UPDATE PsDocuments SET fio2 = 'Ирина%1', version = "
                                       "version + 1 WHERE psId = (SELECT MIN(psId) FROM "
                                       "PsDocuments)")
                                .arg(run));
            sinceCommit.start();
            loop.exec();
            QObject::disconnect(told);
            shownTimes.push_back(shownAt);
            notifiedTimes.push_back(notifiedAt);
        }
        QObject::disconnect(heard);
        std::sort(shownTimes.begin(), shownTimes.end());
        std::sort(notifiedTimes.begin(), notifiedTimes.end());
        *shown = shownTimes.at(shownTimes.size() / 2);
        *notified = notifiedTimes.at(notifiedTimes.size() / 2);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other workstation"));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(workstationVariable))
        return runWorkstation(argc, argv);
    const BenchProgram program(argc, argv);
    PostgresServer server;
    const QString failure = server.start();
    QString error;
    if (!failure.isEmpty()
        || !server.makeRegisterDatabase(QStringLiteral("school"),
                                        QStringLiteral("zrowner"),
                                        QStringLiteral("zrclerk"),
                                        QStringLiteral("secret"),
                                        &error)) {
        QTextStream(stderr) << "no server: " << failure << error << '\n';
        return 1;
    }
    const RegisterAddress onServer = serverAddress(server);
    const RegisterAddress inFile = RegisterAddress::ofFile(Database::databasePath());

    double load[2];
    int rows[2];
    for (const RegisterAddress &address : {inFile, onServer}) {
        Database::chooseRegister(address);
        if (!Database::open().ok() || !BenchRegister::fillDocuments(documents, 0))
            return 1;
        load[address.isServer()] = tableLoad(&rows[address.isServer()]);
    }
    BenchReport::figure(QStringLiteral("server register: documents table loads %1 rows "
                                       "(baseline: %2 rows from a file register)")
                                .arg(rows[1])
                                .arg(rows[0]),
                        QStringLiteral("< 1.5 x base"),
                        load[1],
                        load[0]);

    const QString csv = program.home().path() + QStringLiteral("/class.csv");
    QFile file(csv);
    file.open(QIODevice::WriteOnly);
    file.write(ClassList::csv(ClassList::rows(pupils, disciplines)));
    file.close();
    double import[2];
    for (const RegisterAddress &address : {inFile, onServer}) {
        Database::chooseRegister(address);
        if (!Database::open().ok())
            return 1;
        import[address.isServer()] = importTime(csv);
    }
    BenchReport::figure(QStringLiteral("server register: import CSV, 1000 pupils x 20 grades "
                                       "(baseline: the same into a file register)"),
                        QStringLiteral("< 1000 ms"),
                        import[1],
                        import[0]);

    // The server register now holds the class of the last import, as a school's would.
    QList<int> ids;
    {
        Database::chooseRegister(onServer);
        if (!Database::open().ok())
            return 1;
        QSqlQuery query(QStringLiteral("SELECT psId FROM PsDocuments ORDER BY psId"));
        while (query.next())
            ids << query.value(0).toInt();
        Database::destroy();
    }
    const std::vector<double> alone = saveTimes(onServer.toString(), 1, ids);
    const std::vector<double> together = saveTimes(onServer.toString(), workstations, ids);
    BenchReport::figure(QStringLiteral("server register: %1 workstations saving at once, %2 "
                                       "saves, median (baseline: one workstation, %3 saves)")
                                .arg(workstations)
                                .arg(together.size())
                                .arg(alone.size()),
                        QStringLiteral("-"),
                        percentile(together, 0.5),
                        percentile(alone, 0.5));
    BenchReport::figure(QStringLiteral("server register: %1 workstations saving at once, 95th "
                                       "percentile (baseline: one workstation alone)")
                                .arg(workstations),
                        QStringLiteral("< 50 ms"),
                        percentile(together, 0.95),
                        percentile(alone, 0.95));

    Database::chooseRegister(onServer);
    if (!Database::open().ok())
        return 1;
    double shown = -1;
    double notified = -1;
    changeShown(onServer.toString(), &shown, &notified);
    BenchReport::figure(QStringLiteral("server register: a change on another workstation "
                                       "shown, from its commit (baseline: the server's "
                                       "notification arrives)"),
                        QStringLiteral("< 1000 ms"),
                        shown,
                        notified);
    Database::useDataFolderRegister();
    return 0;
}
