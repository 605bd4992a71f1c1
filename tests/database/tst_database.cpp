#include "app/startupquestions.h"
#include "database/database.h"
#include "modalanswerer.h"
#include "testhome.h"

#include <QDir>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <memory>

Q_DECLARE_METATYPE(QDialogButtonBox::StandardButton)

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartCreatesSchemaWithoutQuestion();
    void wrongFormat_data();
    void wrongFormat();
    void gradeColumns_data();
    void gradeColumns();
    void documentsView();
    void rowNumberFollowsDeletes();
    void variables_data();
    void variables();
    void mostUsedValues_data();
    void mostUsedValues();
    void backupAndRestoreRoundTrip();
    void backupIntoMissingFolderFails();
    void restoreFromMissingFile();
    void failedRestoreKeepsRegister();
    void legacyMigration();
    void versionChangeNotice_data();
    void versionChangeNotice();

private:
    static QString scalar(const QString &sql);
    static int countRows(const QString &sql);
    static void writeFile(const QString &path, const QByteArray &bytes);
    static void createDatabaseWithoutDecision(const QString &path);

    std::unique_ptr<QTemporaryDir> m_data;
};

void TestDatabase::init()
{
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
}

void TestDatabase::cleanup()
{
    Database::destroy();
    m_data.reset();
}

QString TestDatabase::scalar(const QString &sql)
{
    std::unique_ptr<QSqlQuery> query(Database::execQuery(sql));
    return query->next() ? query->value(0).toString() : QStringLiteral("<no row>");
}

int TestDatabase::countRows(const QString &sql)
{
    return scalar("SELECT COUNT(*) FROM (" + sql + ")").toInt();
}

void TestDatabase::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestDatabase::createDatabaseWithoutDecision(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery(db).exec("CREATE TABLE PsDocuments (psId INTEGER PRIMARY KEY, fio1 TEXT)");
        QSqlQuery(db).exec("INSERT INTO PsDocuments VALUES (1, 'Иванов')");
        db.close();
    }
    QSqlDatabase::removeDatabase("fixture");
}

void TestDatabase::firstStartCreatesSchemaWithoutQuestion()
{
    ModalAnswerer answerer;
    QVERIFY(!QFile::exists(Database::databasePath()));
    QVERIFY(Database::create());
    QVERIFY(Database::dataPath().startsWith(m_data->path()));
    QVERIFY(QFile::exists(Database::databasePath()));
    QVERIFY(answerer.seen().isEmpty());
    QVERIFY(QDir(Database::dataPath()).entryList({"*.bak"}).isEmpty());
    QCOMPARE(countRows("SELECT * FROM viewPsDocuments"), 0);
    QCOMPARE(countRows("SELECT * FROM viewPsDocumentDetails"), 0);
    // The organisation data has its table from the start: a register moved or backed up
    // before the first settings were written carries it too.
    QVERIFY(QSqlDatabase::database().tables().contains("Variables"));

    Database::migrateLegacySettings(Database::dataPath() + "/ZrPs.ini");
    QVERIFY(QSqlDatabase::database().tables().contains("Variables"));
    QVERIFY(Database::checkDbStructure(Database::databasePath()));
}

void TestDatabase::wrongFormat_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("zero bytes renamed without a question")
            << QByteArray() << false << QDialogButtonBox::NoButton << true;
    QTest::newRow("missing column, OK replaces")
            << QByteArray("fixture") << true << QDialogButtonBox::Ok << true;
    QTest::newRow("missing column, Cancel keeps the file")
            << QByteArray("fixture") << true << QDialogButtonBox::Cancel << false;
    QTest::newRow("not a database, OK replaces")
            << QByteArray("garbage that is no SQLite file") << true << QDialogButtonBox::Ok << true;
}

void TestDatabase::wrongFormat()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, asked);
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(bool, replaced);

    const QString path = Database::databasePath();
    if (content == "fixture")
        createDatabaseWithoutDecision(path);
    else
        writeFile(path, content);
    QFile original(path);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    ModalAnswerer answerer;
    if (asked)
        answerer.expectButton("Внимание!", "Неверный формат базы данных.", answer);
    QCOMPARE(StartupQuestions::openRegister() == StartupQuestions::Outcome::Opened, replaced);
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));

    const QStringList backups = QDir(QFileInfo(path).absolutePath()).entryList({"ZrPs_*.bak"});
    if (replaced) {
        QCOMPARE(backups.size(), 1);
        QVERIFY(QRegularExpression("^ZrPs_\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d{4}\\.bak$")
                        .match(backups.first())
                        .hasMatch());
        QFile bak(QFileInfo(path).absolutePath() + "/" + backups.first());
        QVERIFY(bak.open(QIODevice::ReadOnly));
        QCOMPARE(bak.readAll(), before);
        QVERIFY(Database::checkDbStructure(path));
    } else {
        QVERIFY(backups.isEmpty());
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(), before);
    }
}

void TestDatabase::gradeColumns_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("combined");

    QTest::newRow("2") << "2"
                       << "Неудовлетворительно"
                       << "2 (Неудовлетворительно)";
    QTest::newRow("3") << "3"
                       << "Удовлетворительно"
                       << "3 (Удовлетворительно)";
    QTest::newRow("4") << "4"
                       << "Хорошо"
                       << "4 (Хорошо)";
    QTest::newRow("5") << "5"
                       << "Отлично"
                       << "5 (Отлично)";
    QTest::newRow("word passes through") << "Освоено"
                                         << "Освоено"
                                         << "Освоено";
    QTest::newRow("padded digit passes through") << " 4"
                                                 << " 4"
                                                 << " 4";
    QTest::newRow("other digit passes through") << "1"
                                                << "1"
                                                << "1";
}

void TestDatabase::gradeColumns()
{
    QFETCH(QString, stored);
    QFETCH(QString, text);
    QFETCH(QString, combined);

    QVERIFY(Database::create());
    QSqlQuery insert;
    insert.prepare("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                   "VALUES (7, 'Математика', ?)");
    insert.addBindValue(stored);
    QVERIFY(insert.exec());
    QSqlQuery view("SELECT disciplineRateDigit, disciplineRateText, disciplineRate "
                   "FROM viewPsDocumentDetails WHERE psId = 7");
    QVERIFY(view.next());
    QCOMPARE(view.value(0).toString(), stored);
    QCOMPARE(view.value(1).toString(), text);
    QCOMPARE(view.value(2).toString(), combined);
}

void TestDatabase::documentsView()
{
    QVERIFY(Database::create());
    QSqlQuery q;
    QVERIFY(q.exec("INSERT INTO PsDocuments (psId, isTemplate, fio1) VALUES (1, NULL, 'Петров')"));
    QVERIFY(q.exec("INSERT INTO PsDocuments (psId, isTemplate, fio1, fio2, fio3) "
                   "VALUES (2, 0, 'Иванов', 'Пётр', 'Ильич')"));
    QVERIFY(q.exec("INSERT INTO PsDocuments (psId, isTemplate, fio1) VALUES (3, 1, 'Шаблон')"));
    QCOMPARE(scalar("SELECT fio FROM viewPsDocuments WHERE psId = 1"), QString("Петров  "));
    QCOMPARE(scalar("SELECT fio FROM viewPsDocuments WHERE psId = 2"),
             QString("Иванов Пётр Ильич"));
    QCOMPARE(countRows("SELECT * FROM viewPsDocuments WHERE psId = 3"), 0);
    QCOMPARE(countRows("SELECT * FROM viewPsDocuments"), 2);
}

void TestDatabase::rowNumberFollowsDeletes()
{
    QVERIFY(Database::create());
    QSqlQuery q;
    for (const char *name : {"Русский язык", "Математика", "Чтение", "Музыка"})
        QVERIFY(q.exec(QString("INSERT INTO PsDocumentDetails (psId, disciplineName) "
                               "VALUES (5, '%1')")
                               .arg(QString::fromUtf8(name))));
    QVERIFY(q.exec("INSERT INTO PsDocumentDetails (psId, disciplineName) VALUES (6, 'Другой')"));
    QVERIFY(q.exec("DELETE FROM PsDocumentDetails WHERE disciplineName = 'Математика'"));

    QSqlQuery view("SELECT disciplineName, rowNumber FROM viewPsDocumentDetails WHERE psId = 5");
    QStringList seen;
    while (view.next())
        seen << view.value(0).toString() + "=" + view.value(1).toString();
    QCOMPARE(seen, QStringList({"Русский язык=1", "Чтение=2", "Музыка=3"}));
    QCOMPARE(scalar("SELECT rowNumber FROM viewPsDocumentDetails WHERE psId = 6"), QString("1"));
}

void TestDatabase::variables_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("expected");

    QTest::newRow("case-insensitive name") << "Data/Boss_1"
                                           << "Сидорова А. А."
                                           << "data/boss_1"
                                           << "Сидорова А. А.";
    QTest::newRow("apostrophes kept verbatim") << "Data/OrgName_1"
                                               << "МБОУ 'Школа №1'"
                                               << "Data/OrgName_1"
                                               << "МБОУ 'Школа №1'";
    QTest::newRow("apostrophe in the name") << "Data/O'Name"
                                            << "x"
                                            << "Data/O'Name"
                                            << "x";
    QTest::newRow("unknown name gives empty") << "Data/City"
                                              << "Тула"
                                              << "Data/Town"
                                              << "";
    QTest::newRow("sql in the value is only text") << "Data/Date"
                                                   << "'); DROP TABLE Variables; --"
                                                   << "Data/Date"
                                                   << "'); DROP TABLE Variables; --";
}

void TestDatabase::variables()
{
    QFETCH(QString, stored);
    QFETCH(QString, value);
    QFETCH(QString, asked);
    QFETCH(QString, expected);

    QVERIFY(Database::create());
    Database::migrateLegacySettings(Database::dataPath() + "/ZrPs.ini");
    Database::setVariable(stored, "old");
    Database::setVariable(stored, value);
    QCOMPARE(Database::getVariable(asked), expected);
    QCOMPARE(countRows("SELECT * FROM Variables"), 1);
}

void TestDatabase::mostUsedValues_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("limit 0 returns all") << 0 << QStringList{"Чтение", "Музыка", "ИЗО"};
    QTest::newRow("limit 2") << 2 << QStringList{"Чтение", "Музыка"};
    QTest::newRow("negative limit returns all") << -1 << QStringList{"Чтение", "Музыка", "ИЗО"};
}

void TestDatabase::mostUsedValues()
{
    QFETCH(int, limit);
    QFETCH(QStringList, expected);

    QVERIFY(Database::create());
    QSqlQuery q;
    const QStringList rows{"Чтение", "  Чтение ", "Чтение", "Музыка", "Музыка ", "ИЗО", "", "   "};
    for (const QString &name : rows) {
        q.prepare("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                  "VALUES (1, ?, NULL)");
        q.addBindValue(name);
        QVERIFY(q.exec());
    }
    QCOMPARE(Database::mostUsedValues("PsDocumentDetails", "disciplineName", limit), expected);
}

void TestDatabase::backupAndRestoreRoundTrip()
{
    QVERIFY(Database::create());
    QSqlQuery q;
    QVERIFY(q.exec("INSERT INTO PsDocuments (fio1) VALUES ('Сохранённый')"));
    const QString backupPath = m_data->path() + "/ZrPs-backup.db";
    writeFile(backupPath, "an older backup");
    QVERIFY(Database::backup(backupPath));
    QVERIFY(!QFileInfo(backupPath).dir().entryList({"*.tmp*", "ZrPs-backup.db.*"}).size());

    QVERIFY(q.exec("DELETE FROM PsDocuments"));
    QCOMPARE(countRows("SELECT * FROM viewPsDocuments"), 0);
    Database::tableModel("PsDocuments");

    QVERIFY(Database::restore(backupPath));
    QCOMPARE(scalar("SELECT fio FROM viewPsDocuments"), QString("Сохранённый  "));
    QVERIFY(Database::tableModel("PsDocuments")->select());
    QCOMPARE(Database::tableModel("PsDocuments")->rowCount(), 1);
}

void TestDatabase::backupIntoMissingFolderFails()
{
    QVERIFY(Database::create());
    QVERIFY(!Database::backup(m_data->path() + "/no/such/folder/backup.db"));
    // The database must still be usable after the failed copy.
    QSqlQuery q;
    QVERIFY(q.exec("INSERT INTO PsDocuments (fio1) VALUES ('после')"));
}

void TestDatabase::restoreFromMissingFile()
{
    QVERIFY(Database::create());
    QSqlQuery q;
    QVERIFY(q.exec("INSERT INTO PsDocuments (fio1) VALUES ('Живой')"));
    QVERIFY(!Database::restore(m_data->path() + "/missing.db"));
    QCOMPARE(scalar("SELECT fio FROM viewPsDocuments"), QString("Живой  "));
}

void TestDatabase::failedRestoreKeepsRegister()
{
    if (!QFileInfo("/proc/self/mem").isFile())
        QSKIP("needs an unreadable regular file (/proc/self/mem)");
    QVERIFY(Database::create());
    QSqlQuery q;
    QVERIFY(q.exec("INSERT INTO PsDocuments (fio1) VALUES ('Живой')"));
    // Reading /proc/self/mem from offset 0 fails, so the copy breaks off.
    QVERIFY(!Database::restore("/proc/self/mem"));
    QCOMPARE(scalar("SELECT fio FROM viewPsDocuments"), QString("Живой  "));
    QVERIFY(Database::checkDbStructure(Database::databasePath()));
}

void TestDatabase::legacyMigration()
{
    QVERIFY(Database::create());
    const QString legacyPath = Database::dataPath() + "/ZrPs.ini";
    {
        QSettings legacy(legacyPath, QSettings::IniFormat);
        legacy.setValue("Data/OrgName_1", "Школа 'Радуга'");
        legacy.setValue("Data/City", "Тула");
        legacy.setValue("Other/keep", "1");
    }
    Database::migrateLegacySettings(legacyPath);
    QCOMPARE(Database::getVariable("Data/OrgName_1"), QString("Школа 'Радуга'"));
    QCOMPARE(Database::getVariable("Data/City"), QString("Тула"));
    QSettings legacy(legacyPath, QSettings::IniFormat);
    QVERIFY(!legacy.childGroups().contains("Data"));
    QCOMPARE(legacy.value("Other/keep").toString(), QString("1"));

    Database::migrateLegacySettings(legacyPath);
    QCOMPARE(Database::getVariable("Data/City"), QString("Тула"));
}

void TestDatabase::versionChangeNotice_data()
{
    QTest::addColumn<QString>("lastVersion");
    QTest::addColumn<bool>("customDataPath");
    QTest::addColumn<bool>("shown");

    QTest::newRow("new version, default folder") << "0.2.0" << false << false;
    QTest::newRow("new version, own folder") << "0.2.0" << true << true;
    QTest::newRow("first start, own folder") << "" << true << true;
    QTest::newRow("same version, own folder") << "0.3.0" << true << false;
}

void TestDatabase::versionChangeNotice()
{
    QFETCH(QString, lastVersion);
    QFETCH(bool, customDataPath);
    QFETCH(bool, shown);

    {
        QSettings user(Database::userPath() + "//settings.ini", QSettings::IniFormat);
        if (!lastVersion.isEmpty())
            user.setValue("ZrPs/last_started_version", lastVersion);
        if (customDataPath)
            user.setValue("ZrPs/dataPath", m_data->path() + "/own");
    }
    Database::destroy();
    QVERIFY(Database::create());
    ModalAnswerer answerer;
    if (shown)
        answerer.expectButton("Внимание!", "нестандартный путь", QDialogButtonBox::Ok);
    StartupQuestions::noticeVersionChange();
    QCOMPARE(answerer.pending(), 0);
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(Database::userSettings()->value("ZrPs/last_started_version").toString(),
             QString("0.3.0"));
}

ZR_TEST_MAIN(TestDatabase)
#include "tst_database.moc"
