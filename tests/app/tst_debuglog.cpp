#include "app/appinfo.h"
#include "app/debuglog.h"
#include "testhome.h"

class TestDebugLog : public QObject
{
    Q_OBJECT

private slots:
    void entries_data();
    void entries();
    void startEmptiesTheLog();
    void prefix();
    void titles();

private:
    QByteArray readLog() const;
    QTemporaryDir m_dir;
};

QByteArray TestDebugLog::readLog() const
{
    QFile file(DebugLog::filePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestDebugLog::entries_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty message still makes an entry") << QString() << QByteArray("\r\n\n");
    QTest::newRow("latin text") << "availablePrinters: ()"
                                << QByteArray("availablePrinters: ()\r\n\n");
    QTest::newRow("cyrillic in CP1251")
            << "Загрузка" << QByteArray("\xc7\xe0\xe3\xf0\xf3\xe7\xea\xe0\r\n\n");
}

void TestDebugLog::entries()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, bytes);

    DebugLog::start(m_dir.path() + "//debug.txt");
    qDebug().noquote() << message;
    const QByteArray written = readLog();
    qInstallMessageHandler(nullptr);
    QCOMPARE(written, bytes);
}

void TestDebugLog::startEmptiesTheLog()
{
    DebugLog::start(m_dir.path() + "//debug.txt");
    qDebug() << "first run";
    DebugLog::start(m_dir.path() + "//debug.txt");
    const QByteArray written = readLog();
    qInstallMessageHandler(nullptr);
    QCOMPARE(written, QByteArray());
}

void TestDebugLog::prefix()
{
    DebugLog::start(m_dir.path() + "//debug.txt");
    ZR_LOG() << "rename" << true;
    const QByteArray written = readLog();
    qInstallMessageHandler(nullptr);
    QVERIFY2(QRegularExpression("^tests/app/tst_debuglog:\\d+\\trename true\\r\\n\\n$")
                     .match(QString::fromLatin1(written))
                     .hasMatch(),
             written.constData());
}

void TestDebugLog::titles()
{
    QCOMPARE(appVersionString(), QString("0.3.0"));
    QVERIFY(appTitle().endsWith(" v0.3.0"));
    QVERIFY(!appTitle().startsWith(" "));
}

ZR_TEST_MAIN(TestDebugLog)
#include "tst_debuglog.moc"
