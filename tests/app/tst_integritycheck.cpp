#include "app/mainwindow.h"
#include "database/database.h"
#include "database/integritycheck.h"
#include "database/registerconnection.h"
#include "database/sqliteengine.h"
#include "database/sqlitelockwait.h"
#include "documents/documentstable.h"
#include "faultchild.h"
#include "modalanswerer.h"
#include "pagedamage.h"

#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <atomic>
#include <memory>

// The opening checks every table of the register but the history, which outgrows the
// rest; the whole file is read in the background once the window is up. Damage is told
// wherever it is, and another program's lock only postpones the check.
class TestIntegrityCheck : public QObject
{
    Q_OBJECT

private slots:
    void checkedWhereverTheDamageIs_data();
    void checkedWhereverTheDamageIs();
    void aWriteDoesNotWaitForTheCheck();

private:
    static void makeRegister(const QString &damagedTable);
};

namespace {

ModalAnswerer::Action clickButton(const QString &text)
{
    return [text](QWidget *dialog) {
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            if (button->text() == text)
                return button->click();
        qWarning() << "no button" << text;
    };
}

} // namespace

// Three documents with a history line each, the first two in a backup where the start-up
// looks for one; `damagedTable` (when given) then loses its first page.
void TestIntegrityCheck::makeRegister(const QString &damagedTable)
{
    Database::destroy();
    QFile::remove(Database::databasePath());
    QVERIFY(Database::create());
    Database::userSettings()->setValue("ZrPs/showTipsOnStartup", false);
    const QString backups = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY(QDir().mkpath(backups));
    QFile::remove(backups + "/ZrPs-backup-2024-05-25.db");
    QSqlQuery query;
    for (const char *surname : {"Иванов", "Петров", "Сидоров"}) {
        if (QString::fromUtf8(surname) == "Сидоров")
            QVERIFY(Database::backup(backups + "/ZrPs-backup-2024-05-25.db"));
        query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, issueDate) VALUES (0, ?, "
                      "'2024-05-30')");
        query.addBindValue(QString::fromUtf8(surname));
        QVERIFY(query.exec());
        const QVariant id = query.lastInsertId();
        query.prepare("INSERT INTO PsDocumentHistory (psId, changedAt, changedBy, kind, "
                      "snapshot) VALUES (?, '2024-05-30 10:00:00', 'ПК-1', 'edit', '{}')");
        query.addBindValue(id);
        QVERIFY(query.exec());
    }
    if (!damagedTable.isEmpty())
        QVERIFY(damageTablePage(QSqlDatabase::database(), damagedTable));
    Database::destroy();
}

void TestIntegrityCheck::checkedWhereverTheDamageIs_data()
{
    QTest::addColumn<QString>("damaged"); // the table whose page is overwritten
    QTest::addColumn<bool>("held");       // another program holds the register meanwhile
    QTest::addColumn<bool>("opens");
    // The answer to the damage question once the window is up; empty: none asked.
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("documents"); // in the register table afterwards

    QTest::newRow("whole: opened, nothing asked") << "" << false << true << "" << 3;
    QTest::newRow("a history page: opened, told once the window is up, go on")
            << "PsDocumentHistory" << false << true << "Продолжить" << 3;
    QTest::newRow("a history page: the backup restored while the window is open")
            << "PsDocumentHistory" << false << true << "Восстановить" << 2;
    QTest::newRow("a documents page: refused at opening")
            << "PsDocuments" << false << false << "" << 0;
    QTest::newRow("held by another program: the check waits, then finds it whole")
            << "" << true << true << "" << 3;
    QTest::newRow("held, a history page: told after the wait")
            << "PsDocumentHistory" << true << true << "Продолжить" << 3;
}

void TestIntegrityCheck::checkedWhereverTheDamageIs()
{
    QFETCH(QString, damaged);
    QFETCH(bool, held);
    QFETCH(bool, opens);
    QFETCH(QString, answer);
    QFETCH(int, documents);

    makeRegister(damaged);
    const RegisterFailure opened = Database::open();
    QCOMPARE(opened.ok(), opens);
    if (!opens) {
        QCOMPARE(opened.kind, RegisterFailure::Kind::Damaged);
        return;
    }
    MainWindow window;
    ModalAnswerer answerer;
    if (!answer.isEmpty())
        answerer.expect("Внимание!",
                        QString("Реестр %1 повреждён: проверка целостности нашла ошибки")
                                .arg(QDir::toNativeSeparators(Database::databasePath())),
                        clickButton(answer));
    if (answer == "Восстановить")
        answerer.expectButton(
                "Информация", "Повреждённый реестр сохранён в файле", QDialogButtonBox::Ok);
    FaultChild::Child holder;
    if (held)
        holder = FaultChild::hold("hold-exclusive", {Database::databasePath()});
    window.checkRegisterInBackground();
    auto check = window.findChild<IntegrityCheck *>();
    QVERIFY(check);
    QSignalSpy postponed(check, &IntegrityCheck::postponed);
    int finished = 0;
    connect(check, &IntegrityCheck::finished, this, [&finished] { ++finished; });
    if (held) {
        QVERIFY(postponed.wait(10000));
        QCOMPARE(finished, 0);
        holder.reset();
    }
    QTRY_COMPARE_WITH_TIMEOUT(finished, 1, 10000 + IntegrityCheck::retryDelayMs());
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    QCOMPARE(window.documentsTable()->model()->rowCount(), documents);
    Database::destroy();
}

// A reader that gives way holds the register's read lock in another thread for as long as
// it is let; the program's write goes through at once and the reader is stopped.
void TestIntegrityCheck::aWriteDoesNotWaitForTheCheck()
{
    makeRegister(QString());
    QVERIFY(Database::create());
    const QString path = Database::databasePath();
    QString readerError;
    std::atomic<bool> writing{false};
    std::unique_ptr<QThread> reader(QThread::create([path, &readerError, &writing] {
        RegisterConnection connection(
                SqliteEngine::instance(), path, RegisterConnection::Access::ReadOnly);
        if (!connection.open().ok())
            return;
        const SqliteLockWait::GivingWay givingWay(connection.database());
        QSqlQuery longRead(connection.database());
        // Minutes of reading, unless it gives way. The probe below may stop it before the
        // write: it starts again then.
        do {
            readerError.clear();
            if (!longRead.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < 300000000) SELECT count(*) FROM n, PsDocuments"))
                readerError = longRead.lastError().text();
        } while (!writing);
    }));
    reader->start();
    {
        // Once a write of a connection that does not wait is refused, the reader holds the lock.
        QSqlDatabase probe = QSqlDatabase::addDatabase("QSQLITE", "probe");
        probe.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
        probe.setDatabaseName(path);
        QVERIFY(probe.open());
        QSqlQuery tryWrite(probe);
        QTRY_VERIFY(!tryWrite.exec("BEGIN EXCLUSIVE") || !tryWrite.exec("ROLLBACK"));
    }
    QSqlDatabase::removeDatabase("probe");
    writing = true;
    QSqlQuery write;
    QVERIFY2(write.exec("UPDATE PsDocuments SET fio2 = 'Пётр'"),
             qPrintable(write.lastError().text()));
    QVERIFY(reader->wait(10000));
    QVERIFY2(readerError.contains("interrupt"), qPrintable(readerError));
    Database::destroy();
}

ZR_TEST_MAIN_WITH_CHILDREN(TestIntegrityCheck, [] {})
#include "tst_integritycheck.moc"
