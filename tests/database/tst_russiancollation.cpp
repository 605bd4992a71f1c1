#include "database/database.h"
#include "testhome.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>

namespace {

// Names as a register may hold them: common stems differing by Ё/Е and case, blanks,
// hyphens, apostrophes, Latin letters, digits and letters written with combining marks.
QStringList generatedNames()
{
    const QStringList stems{"", "Ёлкин", "Елкин", "ёлкин", "Иванов", "иванова", "Й"};
    const QString letters
            = QString::fromUtf8("аеёжийяАЕЁЖИЙЯ -'zZ7") + QChar(0x0308) + QChar(0x0306);
    QRandomGenerator random(25);
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        QString name = stems.at(random.bounded(stems.size()));
        for (int length = random.bounded(1, 8); length > 0; --length)
            name += letters.at(random.bounded(letters.size()));
        names << name;
    }
    return names;
}

} // namespace

class TestRussianCollation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sqlOrderIsTheCollatorsOrder_data();
    void sqlOrderIsTheCollatorsOrder();

private:
    std::unique_ptr<QTemporaryDir> m_data;
};

void TestRussianCollation::init()
{
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
    QVERIFY(Database::create());
}

void TestRussianCollation::cleanup()
{
    QSqlDatabase::removeDatabase("look");
    Database::destroy();
    m_data.reset();
}

void TestRussianCollation::sqlOrderIsTheCollatorsOrder_data()
{
    QTest::addColumn<QString>("connection");
    QTest::newRow("the register's connection") << "register";
    QTest::newRow("the register's connection opened again by Qt after a close") << "reopened";
    QTest::newRow("a read-only connection of its own") << "readonly";
}

void TestRussianCollation::sqlOrderIsTheCollatorsOrder()
{
    QFETCH(QString, connection);
    QSqlDatabase db = QSqlDatabase::database();
    if (connection == "reopened") {
        Database::close();
        db = QSqlDatabase::database();
    } else if (connection == "readonly") {
        db = QSqlDatabase::addDatabase("QSQLITE", "look");
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        db.setDatabaseName(Database::databasePath());
    }
    QVERIFY(db.open());

    const QStringList names = generatedNames();
    QSqlQuery query(db);
    QVERIFY(query.exec("CREATE TEMP TABLE names (name TEXT)"));
    db.transaction();
    query.prepare("INSERT INTO names VALUES (?)");
    for (const QString &name : names) {
        query.addBindValue(name);
        QVERIFY(query.exec());
    }
    db.commit();
    QVERIFY2(query.exec("SELECT name FROM names ORDER BY name COLLATE russian"),
             qPrintable(query.lastError().text()));
    const QCollator russian(QLocale(QLocale::Russian, QLocale::Russia));
    QStringList sorted;
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (!sorted.isEmpty())
            QVERIFY2(russian.compare(sorted.last(), name) <= 0,
                     qPrintable(QString("«%1» before «%2»").arg(sorted.last(), name)));
        sorted << name;
    }
    QCOMPARE(sorted.size(), names.size());
    QVERIFY(query.exec("DROP TABLE names"));
}

ZR_TEST_MAIN(TestRussianCollation)
#include "tst_russiancollation.moc"
