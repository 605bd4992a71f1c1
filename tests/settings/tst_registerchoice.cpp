// The "Реестр" tab of the preferences: the choice stored for the next start (never a
// password), and the connection check telling what it found on the server.
#include "database/database.h"
#include "database/registeraddress.h"
#include "documents/documentrecord.h"
#include "documents/documentstore.h"
#include "modalanswerer.h"
#include "postgresserver.h"
#include "settings/preferencesdialog.h"
#include "settings/registerchoicewidget.h"
#include "settings/registertransferdialog.h"
#include "testhome.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString password = QStringLiteral("secret");
const QString attention = QStringLiteral("Внимание!");

struct Form
{
    bool server = false;
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslMode;
    QString caFile;
};

void fill(QWidget *form, const Form &values)
{
    form->findChild<QRadioButton *>(values.server ? "radioButtonServer" : "radioButtonFile")
            ->setChecked(true);
    form->findChild<QLineEdit *>("lineEditServerHost")->setText(values.host);
    form->findChild<QSpinBox *>("spinBoxServerPort")->setValue(values.port);
    form->findChild<QLineEdit *>("lineEditServerDatabase")->setText(values.database);
    form->findChild<QLineEdit *>("lineEditServerUser")->setText(values.user);
    form->findChild<QComboBox *>("comboBoxSslMode")->setCurrentText(values.sslMode);
    form->findChild<QLineEdit *>("lineEditCaFile")->setText(values.caFile);
}

// The form as the user sees it: every field, in one line.
QString shown(QWidget *form)
{
    return QStringList{form->findChild<QRadioButton *>("radioButtonServer")->isChecked() ? "server"
                                                                                         : "file",
                       form->findChild<QLineEdit *>("lineEditServerHost")->text(),
                       form->findChild<QSpinBox *>("spinBoxServerPort")->text(),
                       form->findChild<QLineEdit *>("lineEditServerDatabase")->text(),
                       form->findChild<QLineEdit *>("lineEditServerUser")->text(),
                       form->findChild<QComboBox *>("comboBoxSslMode")->currentText(),
                       form->findChild<QLineEdit *>("lineEditCaFile")->text()}
            .join(" | ");
}

QByteArray settingsFileBytes()
{
    Database::userSettings()->sync();
    QFile file(Database::userSettings()->fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Form)

class TestRegisterChoice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void storedForTheNextStart_data();
    void storedForTheNextStart();
    void checkConnection_data();
    void checkConnection();
    void movedFromTheMenu_data();
    void movedFromTheMenu();
    void screenshot();

private:
    PostgresServer m_server;
    std::unique_ptr<ModalAnswerer> m_answerer;
};

void TestRegisterChoice::initTestCase()
{
    const QString failure = m_server.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QString error;
    QVERIFY2(m_server.makeRegisterDatabase("school", "zrowner", "zrclerk", password, &error),
             qPrintable(error));
    QVERIFY2(m_server.makeRegisterDatabase("fresh", "zrowner2", "zrclerk2", password, &error),
             qPrintable(error));
    QVERIFY2(m_server.makeRegisterDatabase("moved", "zrowner3", "zrclerk3", password, &error),
             qPrintable(error));
    QVERIFY2(m_server.sql("postgres", "CREATE ROLE zrwrongpw LOGIN PASSWORD 'other';", &error),
             qPrintable(error));
    m_server.addPassword("zrwrongpw", password);
    // The owner's first start makes the register's tables in "school".
    RegisterAddress owner;
    QVERIFY(RegisterAddress::parse(m_server.address("zrowner", "school"), &owner, &error));
    Database::chooseRegister(owner);
    const RegisterFailure opened = Database::open();
    QVERIFY2(opened.ok(), qPrintable(opened.text(owner.toString())));
    Database::useDataFolderRegister();
}

void TestRegisterChoice::cleanupTestCase()
{
    m_server.stop();
}

void TestRegisterChoice::init()
{
    Database::userSettings()->remove("Register");
    m_answerer = std::make_unique<ModalAnswerer>();
}

void TestRegisterChoice::cleanup()
{
    if (m_answerer) {
        QVERIFY2(m_answerer->unexpected().isEmpty(),
                 qPrintable(m_answerer->unexpected().join(" / ")));
        QVERIFY2(m_answerer->pending() == 0, qPrintable(m_answerer->seen().join(" / ")));
    }
    m_answerer.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestRegisterChoice::storedForTheNextStart_data()
{
    QTest::addColumn<Form>("form");
    QTest::addColumn<QString>("kind");    // stored "Register/kind", empty: nothing stored
    QTest::addColumn<QString>("address"); // stored "Register/address"
    QTest::addColumn<QString>("refusal"); // what Save says instead of storing

    QTest::newRow("server with a CA file")
            << Form{true,
                    "srv.school.local",
                    5433,
                    "zrps",
                    "clerk",
                    "verify-full",
                    "/etc/ssl/ca.crt"}
            << "server"
            << "postgresql://clerk@srv.school.local:5433/zrps?sslmode=verify-full&sslrootcert=/etc/"
               "ssl/ca.crt"
            << QString();
    QTest::newRow("file chosen, the typed server kept for later")
            << Form{false, "srv", 5432, "zrps", "clerk", "prefer", ""} << "file"
            << "postgresql://clerk@srv:5432/zrps?sslmode=prefer" << QString();
    QTest::newRow("a CA file only goes with the verifying modes")
            << Form{true, "srv", 5432, "zrps", "clerk", "require", "/etc/ssl/ca.crt"} << "server"
            << "postgresql://clerk@srv:5432/zrps?sslmode=require" << QString();
    QTest::newRow("server without a database is not stored")
            << Form{true, "srv", 5432, "", "clerk", "prefer", ""} << QString() << QString()
            << "Укажите сервер, базу данных и пользователя";
    QTest::newRow("verify-full without its CA file is not stored")
            << Form{true, "srv", 5432, "zrps", "clerk", "verify-full", ""} << QString() << QString()
            << "файл сертификата";
}

void TestRegisterChoice::storedForTheNextStart()
{
    QFETCH(Form, form);
    QFETCH(QString, kind);
    QFETCH(QString, address);
    QFETCH(QString, refusal);

    QPointer<PreferencesDialog> dialog = new PreferencesDialog;
    auto tab = dialog->findChild<RegisterChoiceWidget *>("registerChoice");
    QVERIFY(tab);
    fill(tab, form);
    const QString typed = shown(tab);
    if (!refusal.isEmpty())
        m_answerer->expectButton(attention, refusal, QDialogButtonBox::Ok);
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonSave"), Qt::LeftButton);

    QSettings *settings = Database::userSettings();
    QCOMPARE(settings->value("Register/kind").toString(), kind);
    QCOMPARE(settings->value("Register/address").toString(), address);
    QVERIFY(!settingsFileBytes().contains(password.toUtf8()));
    if (!refusal.isEmpty()) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(dialog, "a refused save leaves the dialog open");
        delete dialog;
        return;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!dialog);

    // The next time the preferences open, the tab shows what was saved.
    QPointer<PreferencesDialog> again = new PreferencesDialog;
    QString expected = typed;
    if (form.sslMode == "require")
        expected.chop(form.caFile.size()); // a CA file that goes with no mode is not kept
    QCOMPARE(shown(again->findChild<RegisterChoiceWidget *>("registerChoice")), expected);
    delete again;
}

void TestRegisterChoice::checkConnection_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("told");

    QTest::newRow("no server on the port") << "postgresql://zrclerk@127.0.0.1:1/school"
                                           << "недоступен: ";
    QTest::newRow("wrong password") << m_server.address("zrwrongpw", "school") << "~/.pgpass";
    QTest::newRow("database holding a register")
            << m_server.address("zrclerk", "school") << "База данных school уже содержит реестр.";
    QTest::newRow("empty database")
            << m_server.address("zrclerk2", "fresh") << "База данных fresh пуста";
}

void TestRegisterChoice::checkConnection()
{
    QFETCH(QString, where);
    QFETCH(QString, told);
    RegisterAddress address;
    QString error;
    QVERIFY(RegisterAddress::parse(where, &address, &error));

    RegisterChoiceWidget tab;
    fill(&tab, {true, address.host, address.port, address.database, address.user, "prefer", ""});
    m_answerer->expectButton(attention, told, QDialogButtonBox::Ok);
    QTest::mouseClick(tab.findChild<QPushButton *>("pushButtonCheckConnection"), Qt::LeftButton);
    QVERIFY2(m_answerer->pending() == 0, qPrintable(m_answerer->seen().join(" / ")));
    QVERIFY(!m_answerer->seen().join(' ').contains(password));
    // A check is no choice: nothing is stored.
    QVERIFY(!Database::userSettings()->contains("Register/kind"));
}

void TestRegisterChoice::movedFromTheMenu_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("moved");

    QTest::newRow("into an empty database, as its owner")
            << m_server.address("zrowner3", "moved") << "Реестр перенесён на сервер" << true;
    QTest::newRow("again, into the database holding it now")
            << m_server.address("zrowner3", "moved") << "уже есть реестр с данными" << false;
    QTest::newRow("as the clerk, who cannot make the tables")
            << m_server.address("zrclerk2", "fresh") << "их создаёт владелец базы данных" << false;
}

void TestRegisterChoice::movedFromTheMenu()
{
    QFETCH(QString, where);
    QFETCH(QString, told);
    QFETCH(bool, moved);
    RegisterAddress address;
    QString error;
    QVERIFY(RegisterAddress::parse(where, &address, &error));
    QVERIFY(Database::open().ok());
    for (const char *name : {"Ёлкина", "Орлов"}) {
        DocumentRecord pupil;
        pupil.fio1 = QString::fromUtf8(name);
        QVERIFY(DocumentStore().insert(pupil, false) > 0);
    }
    const auto names = [](QSqlDatabase db) {
        QStringList all;
        QSqlQuery query(db);
        query.exec("SELECT fio1 FROM PsDocuments ORDER BY psId");
        while (query.next())
            all << query.value(0).toString();
        return all;
    };
    QSqlDatabase server = QSqlDatabase::addDatabase("QPSQL", "server");
    server.setHostName(address.host);
    server.setPort(address.port);
    server.setDatabaseName(address.database);
    server.setUserName(address.user);
    server.setPassword(password);
    QVERIFY2(server.open(), qPrintable(server.lastError().text()));
    const QStringList before = names(server);
    const QByteArray fileBytes = [] {
        QFile file(Database::registerAddress().file);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    RegisterTransferDialog dialog;
    fill(&dialog, {true, address.host, address.port, address.database, address.user, "prefer", ""});
    m_answerer->expectButton(moved ? "Перенос реестра" : "Ошибка", told, QDialogButtonBox::Ok);
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QVERIFY2(m_answerer->pending() == 0, qPrintable(m_answerer->seen().join(" / ")));
    QCOMPARE(dialog.result(), moved ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(names(server), moved ? names(QSqlDatabase::database()) : before);
    QFile file(Database::registerAddress().file);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), fileBytes);
    server.close();
    server = QSqlDatabase();
    QSqlDatabase::removeDatabase("server");
}

void TestRegisterChoice::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOT_DIR to save a screenshot");
    // The dialog is application-modal: the answerer would close it.
    m_answerer.reset();
    QPointer<PreferencesDialog> dialog = new PreferencesDialog;
    auto tab = dialog->findChild<RegisterChoiceWidget *>("registerChoice");
    fill(tab, {true, "srv.school.local", 5432, "zrps", "clerk", "verify-full", "/etc/ssl/ca.crt"});
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    dialog->findChild<QTabWidget *>("tabWidget")->setCurrentWidget(tab->parentWidget());
    QVERIFY(dialog->grab().save(folder + "/preferences-register.png"));
    delete dialog;
    RegisterTransferDialog transfer;
    fill(&transfer, {true, "srv.school.local", 5432, "zrps", "zrowner", "require", ""});
    transfer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&transfer));
    QVERIFY(transfer.grab().save(folder + "/register-transfer.png"));
}

ZR_TEST_MAIN(TestRegisterChoice)
#include "tst_registerchoice.moc"
