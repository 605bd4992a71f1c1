#include "database/database.h"
#include "modalanswerer.h"
#include "settings/optionsdialog.h"
#include "settings/preferencesdialog.h"
#include "settings/spellchecker.h"
#include "testhome.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTextCodec>
#include <memory>

Q_DECLARE_METATYPE(QNetworkProxy::ProxyType)

namespace {
const QString attention = QStringLiteral("Внимание!");
const QString changedMessage = QStringLiteral("Каталог настроек успешно изменён!");
} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void scramble_data();
    void scramble();
    void scrambleRoundTrip_data();
    void scrambleRoundTrip();
    void applyProxy_data();
    void applyProxy();
    void savingWithProxyOffStoresEverything();
    void spellingTabWithoutDictionary();
    void addWordThroughTheDialog();
    void validateDataFolder_data();
    void validateDataFolder();
    void onlyChangeTheFolder_data();
    void onlyChangeTheFolder();
    void transfer_data();
    void transfer();
    void restoreTemplates_data();
    void restoreTemplates();
    void screenshot();

private:
    static void writeFile(const QString &path, const QByteArray &bytes);
    static QByteArray readFile(const QString &path);
    QString storedDataPath() const;
    void fillDataFolder(bool withDictionaries);

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<QTemporaryDir> m_elsewhere;
    std::unique_ptr<ModalAnswerer> m_answerer;
    QPointer<PreferencesDialog> m_dialog;
};

void TestPreferences::init()
{
    SpellChecker::shutdown();
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    m_elsewhere = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_elsewhere->path()).mkdir("legacy"));
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
    // Forget the folders resolved from the settings just cleared.
    Database::destroy();
    QVERIFY(Database::create());
    // Start-up creates the Variables table in this step.
    Database::migrateLegacySettings(m_elsewhere->filePath("legacy/ZrPs.ini"));
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::DefaultProxy));
    m_answerer = std::make_unique<ModalAnswerer>();
    m_dialog = new PreferencesDialog;
    QCOMPARE(m_dialog->currentDataFolder(), Database::dataPath());
}

void TestPreferences::cleanup()
{
    if (m_answerer) {
        QVERIFY2(m_answerer->unexpected().isEmpty(),
                 qPrintable(m_answerer->unexpected().join(" / ")));
        QVERIFY2(m_answerer->pending() == 0, qPrintable(m_answerer->seen().join(" / ")));
    }
    m_answerer.reset();
    // A changed data folder ends the event loop; in a test process that would
    // leave every later dialog's loop returning at once, so run one to reset it.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    delete m_dialog;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    SpellChecker::shutdown();
    Database::destroy();
}

void TestPreferences::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QByteArray TestPreferences::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString TestPreferences::storedDataPath() const
{
    return Database::userSettings()->value(QStringLiteral("ZrPs/dataPath")).toString();
}

void TestPreferences::scramble_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("scrambled");

    QTest::newRow("known vector with the program's key")
            << QStringLiteral("secret") << PreferencesDialog::scrambleKey()
            << QStringLiteral("5c39c2d83e04");
    QTest::newRow("Cyrillic goes through CP1251")
            << QStringLiteral("Пароль1") << PreferencesDialog::scrambleKey()
            << QStringLiteral("e0bc5144b08c54");
    QTest::newRow("an empty key leaves the bytes unchanged")
            << QStringLiteral("abc") << QString() << QStringLiteral("616263");
    QTest::newRow("an empty password gives an empty text")
            << QString() << PreferencesDialog::scrambleKey() << QString();
}

void TestPreferences::scramble()
{
    QFETCH(QString, password);
    QFETCH(QString, key);
    QFETCH(QString, scrambled);
    QCOMPARE(PreferencesDialog::scramblePassword(password, key), scrambled);
    QCOMPARE(PreferencesDialog::unscramblePassword(scrambled, key), password);
}

void TestPreferences::scrambleRoundTrip_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("one byte") << QStringLiteral("x");
    QTest::newRow("longer than the key") << QStringLiteral("a fairly long pass phrase 0123456789");
    QTest::newRow("Cyrillic and Latin mixed") << QStringLiteral("Ёжик-in-тумане №5");
    QTest::newRow("every byte value position past 256") << QString(300, QLatin1Char('z'));
}

void TestPreferences::scrambleRoundTrip()
{
    QFETCH(QString, password);
    const QString scrambled = PreferencesDialog::scramblePassword(password);
    const int bytes = QTextCodec::codecForName("CP1251")->fromUnicode(password).size();
    QCOMPARE(scrambled.size(), 2 * bytes);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]*$")).match(scrambled).hasMatch());
    QCOMPARE(PreferencesDialog::unscramblePassword(scrambled), password);
}

void TestPreferences::applyProxy_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QNetworkProxy::ProxyType>("type");
    QTest::addColumn<QString>("expectedUser");
    QTest::addColumn<QString>("expectedPassword");

    QTest::newRow("with a user the credentials are set")
            << true << QStringLiteral("учитель") << QNetworkProxy::Socks5Proxy
            << QStringLiteral("учитель") << QStringLiteral("Пароль1");
    QTest::newRow("an empty user sets no credentials even with a stored password")
            << true << QString() << QNetworkProxy::Socks5Proxy << QString() << QString();
    QTest::newRow("switched off means no proxy at all")
            << false << QStringLiteral("учитель") << QNetworkProxy::NoProxy << QString()
            << QString();
}

void TestPreferences::applyProxy()
{
    QFETCH(bool, enabled);
    QFETCH(QString, user);
    QFETCH(QNetworkProxy::ProxyType, type);
    QFETCH(QString, expectedUser);
    QFETCH(QString, expectedPassword);

    QSettings *data = Database::dataSettings();
    data->setValue(QStringLiteral("Proxy/enabled"), enabled);
    data->setValue(QStringLiteral("Proxy/hostName"), QStringLiteral("127.0.0.1"));
    data->setValue(QStringLiteral("Proxy/port"), 1080);
    data->setValue(QStringLiteral("Proxy/user"), user);
    data->setValue(QStringLiteral("Proxy/password"),
                   PreferencesDialog::scramblePassword(QStringLiteral("Пароль1")));

    PreferencesDialog::applyProxy();
    const QNetworkProxy proxy = QNetworkProxy::applicationProxy();
    QCOMPARE(proxy.type(), type);
    if (enabled) {
        QCOMPARE(proxy.hostName(), QStringLiteral("127.0.0.1"));
        QCOMPARE(proxy.port(), quint16(1080));
    }
    QCOMPARE(proxy.user(), expectedUser);
    QCOMPARE(proxy.password(), expectedPassword);
}

void TestPreferences::savingWithProxyOffStoresEverything()
{
    auto useProxy = m_dialog->findChild<QCheckBox *>("checkBoxUseProxy");
    auto box = m_dialog->findChild<QWidget *>("groupBoxProxy");
    useProxy->setChecked(true);
    QVERIFY(box->isEnabled());
    m_dialog->findChild<QLineEdit *>("lineEditHost")->setText(QStringLiteral("127.0.0.1"));
    m_dialog->findChild<QSpinBox *>("spinBoxPort")->setValue(3128);
    m_dialog->findChild<QLineEdit *>("lineEditUser")->setText(QStringLiteral("admin"));
    m_dialog->findChild<QLineEdit *>("lineEditPass")->setText(QStringLiteral("Пароль1"));
    useProxy->setChecked(false);
    QVERIFY(!box->isEnabled());

    QSignalSpy updated(m_dialog.data(), &PreferencesDialog::updateOptions);
    m_dialog->findChild<QPushButton *>("pushButtonSave")->click();
    QCOMPARE(updated.count(), 1);

    QSettings data(Database::dataPath() + "/settings.ini", QSettings::IniFormat);
    QCOMPARE(data.value("Proxy/enabled").toBool(), false);
    QCOMPARE(data.value("Proxy/hostName").toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(data.value("Proxy/port").toInt(), 3128);
    QCOMPARE(data.value("Proxy/user").toString(), QStringLiteral("admin"));
    QCOMPARE(data.value("Proxy/password").toString(), QStringLiteral("e0bc5144b08c54"));
    QCOMPARE(QNetworkProxy::applicationProxy().type(), QNetworkProxy::NoProxy);

    // The next dialog shows it all again, the password in clear.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_dialog);
    m_dialog = new PreferencesDialog;
    QCOMPARE(m_dialog->findChild<QLineEdit *>("lineEditPass")->text(), QStringLiteral("Пароль1"));
    QVERIFY(!m_dialog->findChild<QWidget *>("groupBoxProxy")->isEnabled());
}

void TestPreferences::spellingTabWithoutDictionary()
{
    auto label = m_dialog->findChild<QLabel *>("labelSpellCheckerState");
    QVERIFY(label->text().startsWith(QStringLiteral("Не удалось найти словари")));
    QCOMPARE(label->styleSheet(), QStringLiteral("color: red;"));
    QVERIFY(!m_dialog->findChild<QWidget *>("checkBoxSpellChecking")->isEnabled());
    QVERIFY(!m_dialog->findChild<QWidget *>("groupBoxAddWord")->isEnabled());
    // Clicking Add without a checker must not crash or write anything.
    m_dialog->findChild<QLineEdit *>("lineEditUserWord")->setText(QStringLiteral("рмау"));
    m_dialog->findChild<QPushButton *>("pushButtonAddWord")->click();
    QVERIFY(!QFileInfo::exists(Database::userPath() + "/dict/user.dic"));
}

void TestPreferences::addWordThroughTheDialog()
{
    if (!QFileInfo::exists(SpellChecker::systemDictionaryFolder() + "/ru_RU.dic"))
        QSKIP("the Russian Hunspell dictionary (hunspell-ru) is not installed");
    QVERIFY(SpellChecker::initialize());
    delete m_dialog;
    m_dialog = new PreferencesDialog;
    QVERIFY(m_dialog->findChild<QLabel *>("labelSpellCheckerState")->text().isEmpty());
    QVERIFY(m_dialog->findChild<QWidget *>("groupBoxAddWord")->isEnabled());

    QVERIFY(!SpellChecker::instance()->spell(QStringLiteral("рмау")));
    auto word = m_dialog->findChild<QLineEdit *>("lineEditUserWord");
    word->setText(QStringLiteral("рмау"));
    m_dialog->findChild<QPushButton *>("pushButtonAddWord")->click();
    QVERIFY(word->text().isEmpty());
    QVERIFY(SpellChecker::instance()->spell(QStringLiteral("рмау")));
    QVERIFY(readFile(Database::userPath() + "/dict/user.dic")
                    .startsWith(QTextCodec::codecForName("CP1251")->fromUnicode(
                            QStringLiteral("рмау"))));

    // Switching checking off is stored for dialogs opened later.
    m_dialog->findChild<QCheckBox *>("checkBoxSpellChecking")->setChecked(false);
    QVERIFY(!m_dialog->findChild<QWidget *>("groupBoxAddWord")->isEnabled());
    m_dialog->findChild<QPushButton *>("pushButtonSave")->click();
    QCOMPARE(Database::userSettings()->value("SpellChecker/enabled").toBool(), false);
}

void TestPreferences::validateDataFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("existsAfter");

    // "%current" is the data folder in use, "%new" a folder that does not exist yet.
    QTest::newRow("the folder in use")
            << "%current" << QStringList{"Настройки уже хранятся в указанном каталоге"} << false
            << true;
    QTest::newRow("the folder in use written another way")
            << "%current/../ZrSoftware/" << QStringList{"Настройки уже хранятся"} << false << true;
    QTest::newRow("a relative path")
            << "data\\new" << QStringList{"Каталог введён некорректно."} << false << false;
    QTest::newRow("a missing folder is created on Yes")
            << "%new/a/b" << QStringList{"Создать указанный каталог?=Yes"} << true << true;
    QTest::newRow("a missing folder answered No stays missing")
            << "%new/a/b" << QStringList{"Создать указанный каталог?=No"} << false << false;
    QTest::newRow("a folder that cannot be created")
            << "/proc/zr-settings-test/new"
            << QStringList{"Создать указанный каталог?=Yes", "Не удалось создать указанный каталог"}
            << false << false;
    QTest::newRow("a folder without the right to write")
            << "/proc" << QStringList{"У вас недостаточно прав для записы в выбранный каталог"}
            << false << true;
    QTest::newRow("an empty existing folder") << "%elsewhere" << QStringList() << true << true;
}

void TestPreferences::validateDataFolder()
{
    QFETCH(QString, path);
    QFETCH(QStringList, dialogs);
    QFETCH(bool, valid);
    QFETCH(bool, existsAfter);

    path.replace("%current", m_dialog->currentDataFolder());
    path.replace("%new", m_elsewhere->filePath("new"));
    path.replace("%elsewhere", m_elsewhere->path());
    for (const QString &dialog : dialogs) {
        const QStringList parts = dialog.split('=');
        const auto button = parts.value(1) == "Yes"  ? QDialogButtonBox::Yes
                            : parts.value(1) == "No" ? QDialogButtonBox::No
                                                     : QDialogButtonBox::Ok;
        m_answerer->expectButton(attention, parts.first(), button);
    }
    QCOMPARE(m_dialog->validateDataFolder(path), valid);
    QCOMPARE(QFileInfo(path).isDir(), existsAfter);
    QVERIFY(QDir(path.startsWith('/') ? path : QString()).entryList({"Temp*"}, QDir::Dirs).isEmpty()
            || !existsAfter);
    QVERIFY(storedDataPath().isEmpty());
}

void TestPreferences::onlyChangeTheFolder_data()
{
    QTest::addColumn<bool>("sameFolder");
    QTest::addColumn<bool>("confirm");

    QTest::newRow("a new folder is stored after the question") << false << true;
    QTest::newRow("answered No stores nothing") << false << false;
    QTest::newRow("the folder in use is refused after the question") << true << true;
}

void TestPreferences::onlyChangeTheFolder()
{
    QFETCH(bool, sameFolder);
    QFETCH(bool, confirm);

    const QString target = sameFolder ? m_dialog->currentDataFolder() : m_elsewhere->path();
    m_dialog->findChild<QLineEdit *>("lineEditDataPath")->setText("  " + target + " ");
    m_answerer->expectButton(attention,
                             "место расположения данных, настроек и шаблонов бланков на каталог '"
                                     + target + "?'",
                             confirm ? QDialogButtonBox::Yes : QDialogButtonBox::No);
    if (confirm && sameFolder)
        m_answerer->expectButton(attention, "Настройки уже хранятся", QDialogButtonBox::Ok);
    if (confirm && !sameFolder)
        m_answerer->expectButton(attention, changedMessage, QDialogButtonBox::Ok);
    m_dialog->findChild<QPushButton *>("pushButtonSetDataPath")->click();
    QCOMPARE(storedDataPath(), confirm && !sameFolder ? target : QString());
    QSettings reread(Database::userPath() + "//settings.ini", QSettings::IniFormat);
    QCOMPARE(reread.value("ZrPs/dataPath").toString(), storedDataPath());
}

void TestPreferences::fillDataFolder(bool withDictionaries)
{
    const QString current = m_dialog->currentDataFolder();
    for (const QString &id : PreferencesDialog::templateIds())
        writeFile(current + "/reports/" + id + ".zrrpt",
                  "{\"template\": \"" + id.toLatin1() + "\"}");
    if (withDictionaries) {
        writeFile(current + "/dict/ru_RU.aff", "SET UTF-8\n");
        writeFile(current + "/dict/ru_RU.dic", "1\nслово\n");
    }
    Database::dataSettings()->setValue(QStringLiteral("Proxy/hostName"),
                                       QStringLiteral("proxy.local"));
    Database::dataSettings()->sync();
    Database::setVariable(QStringLiteral("Data/City"), QStringLiteral("Старый Оскол"));
    for (const char *surname : {"Иванов", "Петрова", "Сидоров"})
        delete Database::execQuery(
                QStringLiteral("INSERT INTO PsDocuments (isTemplate, fio1) VALUES (0, '%1');")
                        .arg(QString::fromUtf8(surname)));
}

void TestPreferences::transfer_data()
{
    QTest::addColumn<bool>("move");
    QTest::addColumn<bool>("withDictionaries");
    QTest::addColumn<bool>("targetHasDatabase");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("databaseCopyFails");
    QTest::addColumn<bool>("switched");

    QTest::newRow("copy keeps every source file")
            << false << true << false << false << false << true;
    QTest::newRow("move removes the sources once copied")
            << true << true << false << false << false << true;
    QTest::newRow("a folder without dictionaries moves all the same")
            << true << false << false << false << false << true;
    QTest::newRow("overwrite answered No keeps both databases")
            << true << true << true << false << false << true;
    QTest::newRow("overwrite answered Yes replaces the target's database")
            << true << true << true << true << false << true;
    QTest::newRow("a failed move removes nothing and keeps the folder")
            << true << true << false << true << true << false;
    QTest::newRow("a failed copy keeps the folder")
            << false << true << false << true << true << false;
}

void TestPreferences::transfer()
{
    QFETCH(bool, move);
    QFETCH(bool, withDictionaries);
    QFETCH(bool, targetHasDatabase);
    QFETCH(bool, overwrite);
    QFETCH(bool, databaseCopyFails);
    QFETCH(bool, switched);

    fillDataFolder(withDictionaries);
    const QString current = m_dialog->currentDataFolder();
    const QString target = m_elsewhere->filePath("target");
    QVERIFY(QDir().mkpath(target));
    if (targetHasDatabase)
        writeFile(target + "/ZrPs.db", "the target's own database");
    if (databaseCopyFails)
        QVERIFY(QDir().mkpath(target + "/ZrPs.db"));
    Database::close();
    QMap<QString, QByteArray> before;
    for (const QString &file : PreferencesDialog::dataFileNames()) {
        if (QFileInfo::exists(current + "/" + file))
            before.insert(file, readFile(current + "/" + file));
    }
    QCOMPARE(before.size(), withDictionaries ? 8 : 6);

    m_dialog->findChild<QLineEdit *>("lineEditDataPath")->setText(target);
    const QString verb = move ? "перенести" : "скопировать";
    m_answerer->expectButton(attention,
                             "Вы уверены, что хотите " + verb
                                     + " файлы базы данных, настроек и шаблонов бланков в каталог '"
                                     + target + "?'",
                             QDialogButtonBox::Yes);
    if (targetHasDatabase || databaseCopyFails) {
        m_answerer->expectButton(attention,
                                 "Указаный каталог уже содержит файлы!\nНастоятельно рекомендуем "
                                         + QString(move ? "переносить" : "копировать"),
                                 QDialogButtonBox::Yes);
        m_answerer->expectButton(attention,
                                 "Файл " + target + "/ZrPs.db уже существует.\nПерезаписать?",
                                 overwrite ? QDialogButtonBox::Yes : QDialogButtonBox::No);
    }
    if (databaseCopyFails)
        m_answerer->expectButton(attention,
                                 "Не удалось скопировать файл " + current + "/ZrPs.db",
                                 QDialogButtonBox::Ok);
    else
        m_answerer->expectButton(attention, changedMessage, QDialogButtonBox::Ok);
    m_dialog->findChild<QPushButton *>(move ? "pushButtonMoveData" : "pushButtonCopyData")->click();

    QCOMPARE(storedDataPath(), switched ? target : QString());
    QVERIFY(QDir(target + "/reports").exists());
    QCOMPARE(QDir(target + "/dict").exists(), withDictionaries);
    const bool keptTargetDatabase = targetHasDatabase && !overwrite;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const bool isDatabase = it.key() == "ZrPs.db";
        const bool copied = !(isDatabase && (keptTargetDatabase || databaseCopyFails));
        if (copied)
            QCOMPARE(readFile(target + "/" + it.key()), it.value());
        const bool sourceStays = !move || !switched || (isDatabase && keptTargetDatabase);
        QCOMPARE(readFile(current + "/" + it.key()), sourceStays ? it.value() : "<missing>");
    }
    if (keptTargetDatabase)
        QCOMPARE(readFile(target + "/ZrPs.db"), QByteArray("the target's own database"));
    if (databaseCopyFails) {
        // The register is still there to work with.
        QCOMPARE(Database::getVariable(QStringLiteral("Data/City")),
                 QStringLiteral("Старый Оскол"));
    }

    // The next start opens the register where it now lives, every document included.
    if (keptTargetDatabase)
        return; // the target's stand-in database is no register to open
    delete m_dialog;
    Database::destroy();
    QVERIFY(Database::create());
    QCOMPARE(Database::dataPath(), switched ? target : current);
    std::unique_ptr<QSqlQuery> count(Database::execQuery("SELECT COUNT(*) FROM PsDocuments;"));
    QVERIFY(count->next());
    QCOMPARE(count->value(0).toInt(), 3);
    QCOMPARE(Database::getVariable(QStringLiteral("Data/City")), QStringLiteral("Старый Оскол"));
    QCOMPARE(Database::dataSettings()->value("Proxy/hostName").toString(),
             QStringLiteral("proxy.local"));
}

void TestPreferences::restoreTemplates_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("missingDefaults");
    QTest::addColumn<bool>("reportsFolderExists");
    QTest::addColumn<QString>("message");

    QTest::newRow("the defaults replace every template")
            << true << QStringList() << true << "Шаблоны восстановлены.";
    QTest::newRow("a missing reports folder is created")
            << true << QStringList() << false << "Шаблоны восстановлены.";
    QTest::newRow("a missing default keeps the user's template")
            << true << QStringList{"id254"} << true
            << "Не удалось восстановить шаблоны: id254.zrrpt.";
    QTest::newRow("answered No changes nothing") << false << QStringList() << true << QString();
}

void TestPreferences::restoreTemplates()
{
    QFETCH(bool, confirm);
    QFETCH(QStringList, missingDefaults);
    QFETCH(bool, reportsFolderExists);
    QFETCH(QString, message);

    const QString reports = m_dialog->currentDataFolder() + "/reports/";
    const QString defaults = PreferencesDialog::defaultDataFolder() + "/default_reports/";
    for (const QString &id : PreferencesDialog::templateIds()) {
        if (reportsFolderExists)
            writeFile(reports + id + ".zrrpt", "edited by the user");
        if (!missingDefaults.contains(id))
            writeFile(defaults + id + ".zrrpt", "default " + id.toLatin1());
    }
    m_answerer->expectButton(attention,
                             "безвозвратно заменить ваши текущие шаблоны",
                             confirm ? QDialogButtonBox::Yes : QDialogButtonBox::No);
    if (!message.isEmpty())
        m_answerer->expectButton(attention, message, QDialogButtonBox::Ok);
    m_dialog->findChild<QPushButton *>("pushButtonRestoreReports")->click();

    for (const QString &id : PreferencesDialog::templateIds()) {
        const QByteArray now = readFile(reports + id + ".zrrpt");
        if (!confirm || missingDefaults.contains(id))
            QCOMPARE(now, reportsFolderExists ? QByteArray("edited by the user") : "<missing>");
        else
            QCOMPARE(now, "default " + id.toLatin1());
    }
}

// ZR_SCREENSHOT_DIR=/some/folder ./tst_preferences screenshot saves options.png
// and preferences-1.png to preferences-3.png, one per tab.
void TestPreferences::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOT_DIR to save a screenshot");
    // Both dialogs are application-modal: the answerer would close them.
    m_answerer.reset();
    Database::setVariable("Data/OrgName_1", "МБОУ \"Средняя школа №5\"");
    Database::setVariable("Data/City", "Тверь");
    QPointer<OptionsDialog> options = new OptionsDialog;
    options->show();
    QVERIFY(QTest::qWaitForWindowExposed(options));
    QVERIFY(options->grab().save(folder + "/options.png"));
    delete options;

    m_dialog->findChild<QCheckBox *>("checkBoxUseProxy")->setChecked(true);
    m_dialog->findChild<QLineEdit *>("lineEditHost")->setText("127.0.0.1");
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    auto tabs = m_dialog->findChild<QTabWidget *>("tabWidget");
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QVERIFY(m_dialog->grab().save(folder + QStringLiteral("/preferences-%1.png").arg(i + 1)));
    }
}

ZR_TEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
