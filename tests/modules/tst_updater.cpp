#include "localhttpserver.h"
#include "modules/network/serveraddress.h"
#include "modules/updater/updater.h"
#include "testhome.h"

#include <QPointer>
#include <QSignalSpy>

class TestUpdater : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void answer_data();
    void answer();
    void serverUnreachable_data();
    void serverUnreachable();

private:
    struct Outcome
    {
        bool ready = false;
        QString text; // the link or the error message
    };
    Outcome runCheck();

    LocalHttpServer *m_server = nullptr;
};

namespace {
QByteArray versionFile(const QString &version,
                       const QString &link = "https://zrsoftware.example/download")
{
    return QStringLiteral("<?xml version=\"1.0\"?>\n<zr-versions>\n"
                          "  <Other><lastVersion>9.9.9</lastVersion></Other>\n"
                          "  <ZrPs><lastVersion>%1</lastVersion><downloadLink>%2</downloadLink>"
                          "</ZrPs>\n</zr-versions>\n")
            .arg(version, link)
            .toUtf8();
}
} // namespace

void TestUpdater::initTestCase()
{
    qunsetenv(ServerAddress::environmentVariable);
    QVERIFY(Updater::versionFileUrl().toString().startsWith("https://"));
}

void TestUpdater::init()
{
    m_server = new LocalHttpServer(this);
    QVERIFY(m_server->isListening());
    qputenv(ServerAddress::environmentVariable, m_server->baseUrl().toEncoded());
}

void TestUpdater::cleanup()
{
    delete m_server;
    m_server = nullptr;
    qputenv(ServerAddress::environmentVariable, LocalHttpServer::refusingUrl().toEncoded());
}

TestUpdater::Outcome TestUpdater::runCheck()
{
    QObject owner;
    QPointer<Updater> updater = new Updater(&owner);
    QSignalSpy ready(updater.data(), &Updater::updateIsReady);
    QSignalSpy failed(updater.data(), &Updater::updatingError);
    Outcome outcome;
    // The updater deletes itself once it has answered.
    if (!QTest::qWaitFor([&] { return updater.isNull(); }, 10000))
        return outcome;
    outcome.ready = ready.count() == 1;
    if (ready.count() + failed.count() != 1)
        outcome.text = QStringLiteral("<%1 answers>").arg(ready.count() + failed.count());
    else
        outcome.text = (outcome.ready ? ready : failed).at(0).at(0).toString();
    return outcome;
}

void TestUpdater::answer_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<QString>("text");

    const QString link = "https://zrsoftware.example/download";
    const QString latest = "Установлена последняя версия программы.";
    QTest::newRow("same version") << versionFile("0.3.0") << false << latest;
    QTest::newRow("newer patch") << versionFile("0.3.1") << true << link;
    QTest::newRow("newer minor") << versionFile("0.4.0") << true << link;
    QTest::newRow("newer major") << versionFile("1.0.0") << true << link;
    QTest::newRow("older version") << versionFile("0.2.9") << false << latest;
    QTest::newRow("older minor with larger patch") << versionFile("0.2.10") << false << latest;
    QTest::newRow("two parts") << versionFile("0.4") << false << "Что-то пошло не так..";
    QTest::newRow("four parts") << versionFile("0.4.0.1") << false << "Что-то пошло не так..";
    QTest::newRow("no element of this program")
            << QByteArray("<zr-versions><Other><lastVersion>1.0.0</lastVersion></Other>"
                          "</zr-versions>")
            << false << "Что-то пошло не так..";
    QTest::newRow("not XML") << QByteArray("<html><body>oops") << false << "Что-то пошло не так.";
    QTest::newRow("empty answer") << QByteArray() << false << "Что-то пошло не так.";
    QTest::newRow("wrong document element")
            << QByteArray("<versions><ZrPs><lastVersion>1.0.0</lastVersion></ZrPs></versions>")
            << false << "Что-то пошло не так...";
    // Components keep their low 8 bits: 259 reads as 3, 260 as 4.
    QTest::newRow("component 259 wraps to the same version")
            << versionFile("0.259.0") << false << latest;
    QTest::newRow("component 260 wraps to a newer version")
            << versionFile("0.260.0") << true << link;
    QTest::newRow("patch 256 wraps to zero") << versionFile("0.3.256") << false << latest;
    QTest::newRow("letters count as zero") << versionFile("0.x.9") << false << latest;
    QTest::newRow("blanks around the version") << versionFile(" 0.3.1\n") << true << link;
    QTest::newRow("last entry counts")
            << QByteArray("<zr-versions><ZrPs><lastVersion>2.0.0</lastVersion>"
                          "<lastVersion>0.1.0</lastVersion></ZrPs></zr-versions>")
            << false << latest;
    // Crash input: the DOM parser recurses once per level and overflowed the stack.
    QTest::newRow("nested 100000 levels deep")
            << "<zr-versions>" + QByteArray("<ZrPs>").repeated(100000) << false
            << "Что-то пошло не так.";
    const auto nested = [](int levels) {
        return QByteArray("<zr-versions><ZrPs><lastVersion>0.4.0</lastVersion><downloadLink>"
                          "https://zrsoftware.example/download</downloadLink>")
               + QByteArray("<x>").repeated(levels) + QByteArray("</x>").repeated(levels)
               + "</ZrPs></zr-versions>";
    };
    QTest::newRow("64 levels deep still read") << nested(62) << true << link;
    QTest::newRow("65 levels deep refused") << nested(63) << false << "Что-то пошло не так.";
    QTest::newRow("newer with a javascript link is not offered")
            << versionFile("0.4.0", "javascript:alert(1)") << false << "Что-то пошло не так..";
    QTest::newRow("newer with a file link is not offered")
            << versionFile("0.4.0", "file:///bin/sh") << false << "Что-то пошло не так..";
}

void TestUpdater::answer()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, ready);
    QFETCH(QString, text);
    m_server->setFile("/po/last_version.xml", file);

    const Outcome outcome = runCheck();
    QCOMPARE(m_server->hits("/po/last_version.xml"), 1);
    QCOMPARE(outcome.text, text);
    QCOMPARE(outcome.ready, ready);
}

void TestUpdater::serverUnreachable_data()
{
    QTest::addColumn<bool>("refused");
    QTest::addColumn<int>("status");

    QTest::newRow("connection refused") << true << 0;
    QTest::newRow("file not found") << false << 404;
    QTest::newRow("redirect not followed") << false << 301;
    QTest::newRow("oversized answer cut off") << false << 200;
}

void TestUpdater::serverUnreachable()
{
    QFETCH(bool, refused);
    QFETCH(int, status);
    if (refused) {
        qputenv(ServerAddress::environmentVariable, LocalHttpServer::refusingUrl().toEncoded());
    } else {
        LocalHttpServer::Response response;
        response.status = status;
        response.body = versionFile("1.0.0");
        if (status == 200)
            response.body += QByteArray(5 * 1024 * 1024, ' ');
        response.location = "http://127.0.0.1:1/po/last_version.xml";
        m_server->setResponse("/po/last_version.xml", response);
    }
    const Outcome outcome = runCheck();
    QCOMPARE(outcome.text, QString("Не удалось подключиться к серверу обновлений"));
    QVERIFY(!outcome.ready);
}

ZR_TEST_MAIN(TestUpdater)
#include "tst_updater.moc"
