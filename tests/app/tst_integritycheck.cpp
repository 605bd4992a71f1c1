#include "app/mainwindow.h"
#include "database/database.h"
#include "database/integritycheck.h"
#include "faultchild.h"
#include "modalanswerer.h"
#include "pagedamage.h"

#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>

// The opening checks every table of the register but the history, which outgrows the
// rest; the whole file is read in the background once the window is up. Damage is told
// wherever it is, and another program's lock only postpones the check.
class TestIntegrityCheck : public QObject
{
    Q_OBJECT

private slots:
    void checkedWhereverTheDamageIs_data();
    void checkedWhereverTheDamageIs();

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

// Three documents with a history line each; `damagedTable` (when given) then loses its
// first page.
void TestIntegrityCheck::makeRegister(const QString &damagedTable)
{
    Database::destroy();
    QFile::remove(Database::databasePath());
    QVERIFY(Database::create());
    Database::userSettings()->setValue("ZrPs/showTipsOnStartup", false);
    QSqlQuery query;
    for (const char *surname : {"Иванов", "Петров", "Сидоров"}) {
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
    QTest::addColumn<QString>("asked"); // what the background check asks; empty: nothing

    const QString damage = "Реестр %1 повреждён: проверка целостности нашла ошибки";
    QTest::newRow("whole: opened, nothing asked") << "" << false << true << "";
    QTest::newRow("a history page: opened, told once the window is up")
            << "PsDocumentHistory" << false << true << damage;
    QTest::newRow("a documents page: refused at opening") << "PsDocuments" << false << false << "";
    QTest::newRow("held by another program: the check waits, then finds it whole")
            << "" << true << true << "";
    QTest::newRow("held, a history page: told after the wait")
            << "PsDocumentHistory" << true << true << damage;
}

void TestIntegrityCheck::checkedWhereverTheDamageIs()
{
    QFETCH(QString, damaged);
    QFETCH(bool, held);
    QFETCH(bool, opens);
    QFETCH(QString, asked);

    makeRegister(damaged);
    const RegisterFailure opened = Database::open();
    QCOMPARE(opened.ok(), opens);
    if (!opens) {
        QCOMPARE(opened.kind, RegisterFailure::Kind::Damaged);
        return;
    }
    MainWindow window;
    ModalAnswerer answerer;
    if (!asked.isEmpty())
        answerer.expect("Внимание!",
                        asked.arg(QDir::toNativeSeparators(Database::databasePath())),
                        clickButton("Продолжить"));
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
    QCOMPARE(answerer.seen().size(), asked.isEmpty() ? 0 : 1);
    Database::destroy();
}

ZR_TEST_MAIN_WITH_CHILDREN(TestIntegrityCheck, [] {})
#include "tst_integritycheck.moc"
