#include "app/zrmainwindow.h"
#include "database/database.h"
#include "localhttpserver.h"
#include "modalanswerer.h"
#include "modules/network/serveraddress.h"
#include "testhome.h"

#include <QDesktopServices>
#include <QSettings>
#include <memory>

Q_DECLARE_METATYPE(QDialogButtonBox::StandardButton)

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void checkUpdates_data();
    void checkUpdates();

private:
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<ZrMainWindow> m_window;
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<UrlRecorder> m_browser;
};

void TestUpdateCheck::init()
{
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
    Database::userSettings()->setValue("ZrPs/showTipsOnStartup", false);
    QVERIFY(Database::create());
    m_browser = std::make_unique<UrlRecorder>();
    QDesktopServices::setUrlHandler("https", m_browser.get(), "open");

    // The window's own silent check at start-up finds no server and shows nothing.
    qputenv(ServerAddress::environmentVariable, LocalHttpServer::refusingUrl().toEncoded());
    ModalAnswerer quiet;
    m_window = std::make_unique<ZrMainWindow>();
    QTest::qWait(400);
    QCOMPARE(quiet.unexpected(), QStringList());

    m_server = std::make_unique<LocalHttpServer>();
    qputenv(ServerAddress::environmentVariable, m_server->baseUrl().toEncoded());
}

void TestUpdateCheck::cleanup()
{
    m_window.reset();
    m_server.reset();
    QDesktopServices::unsetUrlHandler("https");
    m_browser.reset();
    Database::destroy();
    m_data.reset();
}

void TestUpdateCheck::checkUpdates_data()
{
    QTest::addColumn<QString>("version"); // empty: the server is down
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("text"); // of the one box expected; empty: none
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer");
    QTest::addColumn<bool>("opened");

    const QString offer = "Доступна новая версия. Загрузить?";
    const QString notice
            = "Доступна новая версия. \nСсылка для скачивания будет открыта в вашем браузере.";
    QTest::newRow("silent newer, Yes opens the link")
            << "0.3.1" << true << offer << QDialogButtonBox::Yes << true;
    QTest::newRow("silent newer, No opens nothing")
            << "0.4.0" << true << offer << QDialogButtonBox::No << false;
    QTest::newRow("silent latest shows nothing")
            << "0.3.0" << true << "" << QDialogButtonBox::Ok << false;
    QTest::newRow("silent without server shows nothing")
            << "" << true << "" << QDialogButtonBox::Ok << false;
    QTest::newRow("explicit newer tells, then opens the link")
            << "1.0.0" << false << notice << QDialogButtonBox::Ok << true;
    QTest::newRow("explicit latest tells so")
            << "0.3.0" << false << "Установлена последняя версия программы." << QDialogButtonBox::Ok
            << false;
    QTest::newRow("explicit without server tells so")
            << "" << false << "Не удалось подключиться к серверу обновлений" << QDialogButtonBox::Ok
            << false;
}

void TestUpdateCheck::checkUpdates()
{
    QFETCH(QString, version);
    QFETCH(bool, silent);
    QFETCH(QString, text);
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(bool, opened);

    if (version.isEmpty())
        qputenv(ServerAddress::environmentVariable, LocalHttpServer::refusingUrl().toEncoded());
    m_server->setFile("/po/last_version.xml",
                      QString("<zr-versions><ZrPs><lastVersion>%1</lastVersion>"
                              "<downloadLink>https://zrsoftware.example/get</downloadLink>"
                              "</ZrPs></zr-versions>")
                              .arg(version)
                              .toUtf8());
    ModalAnswerer answerer;
    if (!text.isEmpty())
        answerer.expectButton("Проверка обновлений", text, answer);

    m_window->checkUpdates(silent);
    if (text.isEmpty())
        QTest::qWait(500);
    else
        QTRY_COMPARE(answerer.pending(), 0);
    QTRY_COMPARE(m_browser->opened.size(), opened ? 1 : 0);
    if (opened)
        QCOMPARE(m_browser->opened.first(), QUrl("https://zrsoftware.example/get"));
    QCOMPARE(answerer.unexpected(), QStringList());
    QCOMPARE(m_server->hits("/po/last_version.xml"), version.isEmpty() ? 0 : 1);
}

ZR_TEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
