// The register survives restore, backup, a second program and damage. Every fault is
// made with real means (a child process holding a lock, a file-size limit, bytes of the
// file overwritten, a failing statement, a child that file permissions apply to, as
// nobody when the tests run as root) and the register is checked afterwards with
// PRAGMA integrity_check and its row counts, on a connection of the test's own.
#include "app/startupquestions.h"
#include "database/database.h"
#include "database/registerlock.h"
#include "faultchild.h"
#include "modalanswerer.h"

#include <QDialog>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <memory>
#include <unistd.h>

namespace {

constexpr int registerSize = 120;
constexpr int backupSize = 80;
constexpr int writerBatch = 200;

// What is on disk, read without the program's code.
struct OnDisk
{
    QString integrity;
    int documents = -1;
};

OnDisk look(const QString &path)
{
    OnDisk found;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "look");
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            found.integrity = query.exec("PRAGMA integrity_check") && query.next()
                                      ? query.value(0).toString()
                                      : query.lastError().text();
            if (query.exec("SELECT COUNT(*) FROM PsDocuments WHERE IFNULL(isTemplate, 0) != 1")
                && query.next())
                found.documents = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase("look");
    return found;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Documents with long decisions, so that the register spans many pages.
void addDocuments(int count)
{
    QSqlDatabase::database().transaction();
    QSqlQuery query;
    query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, number, editDate, decision) "
                  "VALUES (0, ?, ?, ?, ?)");
    for (int i = 0; i < count; ++i) {
        query.addBindValue(QStringLiteral("Ученик %1").arg(i));
        query.addBindValue(QString::number(3100000 + i));
        query.addBindValue(QStringLiteral("2024-05-%1 10:00:00").arg(10 + i % 20));
        query.addBindValue(QString(600, QChar(0x0436)));
        QVERIFY(query.exec());
    }
    QSqlDatabase::database().commit();
}

// Overwrites the middle page of a register but its header: the first rows still read,
// so the structure check passes and only the integrity check finds the damage.
void damageMiddlePage(const QString &path)
{
    QByteArray bytes = bytesOf(path);
    const int pageSize = 4096;
    const int page = bytes.size() / pageSize / 2;
    QVERIFY(page > 2);
    for (int i = page * pageSize + 12; i < (page + 1) * pageSize; ++i)
        bytes[i] = char(0x5a);
    writeBytes(path, bytes);
}

// Overwrites the header page with the lines of a list, as a write meant for another file
// would: SQLite no longer takes the file for a database at all.
void overwriteHeaderPage(const QString &path)
{
    QByteArray bytes = bytesOf(path);
    const QByteArray line = QString("Иванов;Пётр;2013-04-17\r\n").toUtf8();
    for (int i = 0; i < 4096; ++i)
        bytes[i] = line.at(i % line.size());
    writeBytes(path, bytes);
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^\\."));
}

ModalAnswerer::Action clickText(const QString &text)
{
    return [text](QWidget *dialog) {
        for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
            if (button->text() == text) {
                button->click();
                return;
            }
        }
        qWarning() << "no button" << text;
        qobject_cast<QDialog *>(dialog)->reject();
    };
}

bool openAtStart()
{
    return StartupQuestions::openRegister() == StartupQuestions::Outcome::Opened;
}

// How a start went, its questions answered from lines "title|text part|button".
struct StartOutcome
{
    bool opened = false;
    int unanswered = 0;
    QStringList unexpected;
};

StartOutcome startAnswering(const QStringList &dialogs)
{
    ModalAnswerer answerer;
    for (const QString &dialog : dialogs) {
        const QStringList part = dialog.split('|');
        answerer.expect(part.value(0), part.value(1), clickText(part.value(2)));
    }
    StartOutcome outcome;
    outcome.opened = openAtStart();
    outcome.unanswered = answerer.pending();
    outcome.unexpected = answerer.unexpected();
    return outcome;
}

// The same start in a child that file permissions apply to.
StartOutcome startAnsweringUnprivileged(const QStringList &dialogs)
{
    const FaultChild::Result child = FaultChild::run("start", dialogs);
    StartOutcome outcome;
    outcome.unanswered = -1;
    for (const QString &line : child.output.split('\n')) {
        if (line.startsWith("opened: "))
            outcome.opened = line.mid(8) == "1";
        else if (line.startsWith("unanswered: "))
            outcome.unanswered = line.mid(12).toInt();
        else if (line.startsWith("unexpected: "))
            outcome.unexpected << line.mid(12);
    }
    if (child.status != 0)
        outcome.unexpected << "child: " + child.output;
    return outcome;
}

void addChildren()
{
    FaultChild::add("start", [](const QStringList &dialogs) {
        if (FaultChild::runsAsRoot() && !FaultChild::dropPrivileges())
            return 4;
        const StartOutcome outcome = startAnswering(dialogs);
        QTextStream out(stdout);
        out << "opened: " << int(outcome.opened) << "\nunanswered: " << outcome.unanswered << '\n';
        for (const QString &dialog : outcome.unexpected)
            out << "unexpected: " << QString(dialog).replace('\n', ' ') << '\n';
        return 0;
    });
    // The program itself, started as nobody or under a file-size limit.
    FaultChild::add("run-program", [](const QStringList &args) {
        if (args.value(1) == "unprivileged" && FaultChild::runsAsRoot()
            && !FaultChild::dropPrivileges())
            return 4;
        const QByteArray program = QFile::encodeName(args.value(0));
        execl(program.constData(), program.constData(), static_cast<char *>(nullptr));
        return 127;
    });
    FaultChild::add("hold-folder", [](const QStringList &args) {
        RegisterLock lock(args.value(0));
        if (!lock.acquire())
            return 3;
        FaultChild::holdUntilKilled();
    });
    // Commits batches of rows for ever: a copy must hold whole batches only.
    FaultChild::add("write-batches", [](const QStringList &args) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName(args.value(0));
        if (!db.open())
            return 3;
        for (bool first = true;; first = false) {
            QSqlQuery query(db);
            db.transaction();
            query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, decision) VALUES (0, ?, ?)");
            for (int i = 0; i < writerBatch; ++i) {
                query.addBindValue(QStringLiteral("Пишущий %1").arg(i));
                query.addBindValue(QString(300, QChar(0x0449)));
                query.exec();
            }
            db.commit();
            if (first) {
                std::fputs("ready\n", stdout);
                std::fflush(stdout);
            }
        }
    });
    FaultChild::add("backup", [](const QStringList &args) {
        QString error;
        if (!Database::create())
            return 3;
        const bool done = Database::backup(args.value(0), &error);
        QTextStream(stdout) << error << '\n';
        return done ? 0 : 1;
    });
}

} // namespace

class TestRegisterFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void restore_data();
    void restore();
    void backup_data();
    void backup();
    void startOnRegisterInUse_data();
    void startOnRegisterInUse();
    void startOnBadRegister_data();
    void startOnBadRegister();
    void startWhereTheLockCannotBeWritten_data();
    void startWhereTheLockCannotBeWritten();
    void views_data();
    void views();
    void oneProgramPerDataFolder_data();
    void oneProgramPerDataFolder();
    void secondStartLeavesTheRegisterAlone();

private:
    // Makes the register unreadable, or the data folder unwritable, for a child that
    // dropped its privileges (or for the test itself when it is no root); false when
    // permissions do not apply here.
    bool forbid(const QString &what);
    void allowAgain();

    QString m_register;
    QString m_backup; // of the first 80 documents
    std::unique_ptr<QTemporaryDir> m_data;
};

void TestRegisterFaults::init()
{
    Database::destroy();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    // Backups are looked for in the documents folder of the home.
    qputenv("HOME", m_data->path().toUtf8());
    QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
    QVERIFY(Database::create());
    m_register = Database::databasePath();
    addDocuments(backupSize);
    m_backup = m_data->path() + "/backup-80.db";
    QVERIFY(Database::backup(m_backup));
    addDocuments(registerSize - backupSize);
    QCOMPARE(look(m_register).documents, registerSize);
}

void TestRegisterFaults::cleanup()
{
    allowAgain();
    Database::destroy();
    m_data.reset();
}

void TestRegisterFaults::restore_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<QString>("told");

    QTest::newRow("a text file") << "text" << false << "не является резервной копией";
    QTest::newRow("a foreign SQLite file") << "foreign" << false << "не является резервной копией";
    QTest::newRow("an empty file") << "empty" << false << "не является резервной копией";
    QTest::newRow("a backup cut in half") << "truncated" << false << "не является резервной копией";
    QTest::newRow("a backup with a damaged page")
            << "damaged" << false << "не является резервной копией";
    QTest::newRow("the register itself") << "register" << false << "самого реестра";
    QTest::newRow("a backup another program holds is in use, not wrong")
            << "held" << false << "используется другой программой";
    QTest::newRow("a backup of 80 documents") << "backup" << true << "";
}

void TestRegisterFaults::restore()
{
    QFETCH(QString, source);
    QFETCH(bool, restored);
    QFETCH(QString, told);

    QString path = m_data->path() + "/chosen.db";
    if (source == "text") {
        writeBytes(path, "Иванов;Пётр;2013-04-17\n");
    } else if (source == "foreign") {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec("CREATE TABLE Contacts (name TEXT, phone TEXT)"));
        }
        QSqlDatabase::removeDatabase("foreign");
    } else if (source == "empty") {
        writeBytes(path, QByteArray());
    } else if (source == "truncated") {
        const QByteArray whole = bytesOf(m_backup);
        writeBytes(path, whole.left(whole.size() / 2));
    } else if (source == "damaged") {
        QVERIFY(QFile::copy(m_backup, path));
        damageMiddlePage(path);
    } else if (source == "register") {
        path = m_register;
    } else if (source == "held") {
        path = m_backup;
    } else {
        path = m_backup;
    }
    const QByteArray chosen = bytesOf(path);
    FaultChild::Child holder;
    if (source == "held")
        holder = FaultChild::hold("hold-exclusive", {path});

    QString error;
    QString kept;
    QCOMPARE(Database::restore(path, &error, &kept), restored);
    holder.reset();
    QVERIFY2(error.contains(told), qPrintable(error));

    const OnDisk now = look(m_register);
    QCOMPARE(now.integrity, QString("ok"));
    QCOMPARE(now.documents, restored ? backupSize : registerSize);
    // The program goes on with what is on disk.
    QSqlQuery query("SELECT COUNT(*) FROM viewPsDocuments");
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), now.documents);
    const QStringList keptFiles
            = QDir(Database::dataPath()).entryList({"ZrPs_before-restore_*.db"});
    if (restored) {
        QCOMPARE(keptFiles.size(), 1);
        QVERIFY(QRegularExpression("^ZrPs_before-restore_\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d{4}\\.db$")
                        .match(keptFiles.first())
                        .hasMatch());
        QCOMPARE(QFileInfo(kept).fileName(), keptFiles.first());
        QCOMPARE(look(kept).documents, registerSize);
    } else {
        QVERIFY2(keptFiles.isEmpty(), qPrintable(keptFiles.join(',')));
    }
    if (source != "register")
        QCOMPARE(bytesOf(path), chosen); // the chosen file is only read
    QCOMPARE(leftovers(Database::dataPath()), QStringList());
}

void TestRegisterFaults::backup_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("done");
    QTest::addColumn<QString>("told");

    QTest::newRow("while another program commits rows") << "writer" << true << "";
    QTest::newRow("into the register itself") << "register" << false << "самого реестра";
    QTest::newRow("on a full disk") << "full" << false << "";
    QTest::newRow("into a folder that is not there") << "folder" << false << "Не удаётся записать";
}

void TestRegisterFaults::backup()
{
    QFETCH(QString, fault);
    QFETCH(bool, done);
    QFETCH(QString, told);

    QString target = m_data->path() + "/saved.db";
    writeBytes(target, "an older backup");
    const QByteArray before = bytesOf(target);
    FaultChild::Child writer;
    QString error;
    bool result = false;
    if (fault == "writer") {
        writer = FaultChild::hold("write-batches", {m_register});
        // Several copies while the child commits: each one is one whole state.
        for (int copy = 0; copy < 3; ++copy) {
            QVERIFY2(Database::backup(target, &error), qPrintable(error));
            const OnDisk saved = look(target);
            QCOMPARE(saved.integrity, QString("ok"));
            QCOMPARE((saved.documents - registerSize) % writerBatch, 0);
        }
        writer.reset();
        // The killed writer left a transaction half-way; the register rolls it back.
        QVERIFY(QSqlQuery().exec("SELECT COUNT(*) FROM PsDocuments"));
        result = true;
    } else if (fault == "register") {
        target = m_register;
        result = Database::backup(target, &error);
    } else if (fault == "full") {
        Database::destroy();
        // No file may grow past 64 KB: the copy of the register (about 1.5 MB) cannot be made.
        const FaultChild::Result child = FaultChild::run("backup", {target}, 64 * 1024);
        error = child.output;
        result = child.status == 0;
        QVERIFY(Database::create());
    } else {
        target = m_data->path() + "/no/such/folder/saved.db";
        result = Database::backup(target, &error);
    }
    QCOMPARE(result, done);
    QVERIFY2(error.contains(told), qPrintable(error));

    const OnDisk now = look(m_register);
    QCOMPARE(now.integrity, QString("ok"));
    QVERIFY(now.documents >= registerSize);
    if (!done && fault != "register" && fault != "folder")
        QCOMPARE(bytesOf(target), before); // the older backup is still whole
    QCOMPARE(leftovers(m_data->path()), QStringList());
    QCOMPARE(leftovers(Database::dataPath()), QStringList());
    // The register still takes changes and keeps them.
    QSqlQuery query;
    QVERIFY(query.exec("INSERT INTO PsDocuments (fio1) VALUES ('После копии')"));
    QCOMPARE(look(m_register).documents, now.documents + 1);
}

void TestRegisterFaults::startOnRegisterInUse_data()
{
    QTest::addColumn<bool>("retry");
    QTest::newRow("Exit leaves the file as it is") << false;
    QTest::newRow("Retry after the other program is done opens it") << true;
}

void TestRegisterFaults::startOnRegisterInUse()
{
    QFETCH(bool, retry);
    Database::destroy();
    const QByteArray before = bytesOf(m_register);
    FaultChild::Child holder = FaultChild::hold("hold-exclusive", {m_register});

    ModalAnswerer answerer;
    if (retry) {
        answerer.expect("Внимание!", "используется другой программой", [&holder](QWidget *box) {
            holder.reset(); // the other program ends
            ModalAnswerer::clickButton(box, QDialogButtonBox::Retry);
        });
    } else {
        answerer.expect("Внимание!", "используется другой программой", clickText("Выход"));
    }
    QCOMPARE(openAtStart(), retry);
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    holder.reset();

    // Neither renamed nor rebuilt.
    QCOMPARE(QDir(Database::dataPath()).entryList({"*.bak"}), QStringList());
    QCOMPARE(bytesOf(m_register), before);
    QCOMPARE(look(m_register).integrity, QString("ok"));
    QCOMPARE(look(m_register).documents, registerSize);
}

bool TestRegisterFaults::forbid(const QString &what)
{
    const QString folder = Database::dataPath();
    const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (FaultChild::runsAsRoot()) {
        // The child, as nobody, may enter the test's folders and read what all may
        // read, but not write the data folder (root's), nor read a file root's alone.
        for (const QString &path : {m_data->path(), folder})
            QFile::setPermissions(path,
                                  QFile::permissions(path) | QFileDevice::ReadOther
                                          | QFileDevice::ExeOther);
        return QFile::setPermissions(m_register,
                                     what == "unreadable" ? owner : owner | QFileDevice::ReadOther);
    }
    if (what == "unreadable") {
        QFile::setPermissions(m_register, QFileDevice::Permissions());
        return !QFile(m_register).open(QIODevice::ReadOnly);
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile probe(folder + "/probe");
    if (!probe.open(QIODevice::WriteOnly))
        return true;
    probe.remove();
    return false;
}

void TestRegisterFaults::allowAgain()
{
    QFile::setPermissions(Database::dataPath(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (QFileInfo::exists(m_register))
        QFile::setPermissions(m_register, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestRegisterFaults::startOnBadRegister_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("backups");
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("documents"); // -1: the file is as it was

    // The newest backup in the documents folder is damaged itself (or held by another
    // program), an older one is good.
    const QString offered = "Внимание!|ZrPs-backup-2024-01-01.db|";
    const QString restored = "Информация|Повреждённый реестр сохранён|OK";
    QTest::newRow("damaged page, restored from the newest good backup")
            << "page"
            << "good" << QStringList{offered + "Восстановить", restored} << true << backupSize;
    QTest::newRow("damaged page without a backup, Exit")
            << "page"
            << "none" << QStringList{"Внимание!|Резервная копия реестра не найдена|Выход"} << false
            << -1;
    QTest::newRow("damaged page, go on with it")
            << "page"
            << "good" << QStringList{offered + "Продолжить"} << true << -1;
    QTest::newRow("header page overwritten, restored from the newest good backup")
            << "header"
            << "good" << QStringList{offered + "Восстановить", restored} << true << backupSize;
    QTest::newRow("header page overwritten without a backup: a new register, the old one kept")
            << "header"
            << "none"
            << QStringList{"Внимание!|Резервная копия реестра не найдена|Создать новый реестр"}
            << true << 0;
    QTest::newRow("the newest backup held by another program is told as in use")
            << "page"
            << "held" << QStringList{"Внимание!|используется другой программой|Выход"} << false
            << -1;
    QTest::newRow("a register that cannot be read is left alone")
            << "unreadable"
            << "none" << QStringList{"Ошибка|не удаётся прочитать|Выход"} << false << -1;
    QTest::newRow("a renaming that fails stops the start")
            << "rename"
            << "none"
            << QStringList{"Внимание!|Неверный формат базы данных|OK",
                           "Ошибка|Не удалось переименовать|OK"}
            << false << -1;
}

void TestRegisterFaults::startOnBadRegister()
{
    QFETCH(QString, fault);
    QFETCH(QString, backups);
    QFETCH(QStringList, dialogs);
    QFETCH(bool, opened);
    QFETCH(int, documents);

    FaultChild::Child holder;
    if (backups != "none") {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(QDir().mkpath(folder));
        QFile older(folder + "/ZrPs-backup-2024-01-01.db");
        QVERIFY(QFile::copy(m_backup, older.fileName()));
        QVERIFY(older.open(QIODevice::ReadWrite));
        QVERIFY(older.setFileTime(QDateTime::currentDateTime().addDays(-30),
                                  QFileDevice::FileModificationTime));
        older.close();
        const QString newest = folder + "/ZrPs-backup-2024-05-25.db";
        QVERIFY(QFile::copy(m_backup, newest));
        if (backups == "held")
            holder = FaultChild::hold("hold-exclusive", {newest});
        else
            damageMiddlePage(newest);
    }
    Database::destroy();
    if (fault == "page")
        damageMiddlePage(m_register);
    else if (fault == "header")
        overwriteHeaderPage(m_register);
    else if (fault == "rename")
        writeBytes(m_register, "Иванов;Пётр;2013-04-17\n");
    const QByteArray before = bytesOf(m_register);

    StartOutcome outcome;
    if (fault == "unreadable" || fault == "rename") {
        if (!forbid(fault))
            QSKIP("file permissions do not apply here");
        outcome = startAnsweringUnprivileged(dialogs);
        allowAgain();
    } else {
        outcome = startAnswering(dialogs);
    }
    holder.reset();
    QVERIFY2(outcome.unexpected.isEmpty(), qPrintable(outcome.unexpected.join('|')));
    QCOMPARE(outcome.unanswered, 0);
    QCOMPARE(outcome.opened, opened);

    const QStringList aside = QDir(Database::dataPath()).entryList({"ZrPs_*"});
    if (documents < 0) {
        QCOMPARE(bytesOf(m_register), before); // nothing moved or rebuilt
        QCOMPARE(aside, QStringList());
        return;
    }
    const OnDisk now = look(m_register);
    QCOMPARE(now.integrity, QString("ok"));
    QCOMPARE(now.documents, documents);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(bytesOf(Database::dataPath() + "/" + aside.first()), before); // kept as it was
}

void TestRegisterFaults::startWhereTheLockCannotBeWritten_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("told");

    QTest::newRow("a read-only data folder") << "read-only"
                                             << "недоступна для записи";
    QTest::newRow("a full disk") << "full"
                                 << "диск заполнен";
}

void TestRegisterFaults::startWhereTheLockCannotBeWritten()
{
    QFETCH(QString, fault);
    QFETCH(QString, told);

    Database::destroy();
    const QString folder = QDir::toNativeSeparators(Database::dataPath());
    const QByteArray before = bytesOf(m_register);
    FaultChild::Child program;
    if (fault == "read-only") {
        if (!forbid(fault))
            QSKIP("file permissions do not apply here");
        program = FaultChild::start("run-program", {ZRPS_BINARY, "unprivileged"});
    } else {
        // Not one byte of the lock file can be written, as on a full disk.
        program = FaultChild::start("run-program", {ZRPS_BINARY}, 1);
    }
    // The refusal names the folder; the program then waits on its message box.
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += program->readAll()).contains(folder.toUtf8()), 60000);
    program.reset();
    allowAgain();
    const QString text = QString::fromUtf8(said);
    QVERIFY2(text.contains(told), qPrintable(text));
    QVERIFY2(!text.contains("другой копией"), qPrintable(text));
    QCOMPARE(bytesOf(m_register), before);
    QVERIFY(!QFileInfo::exists(Database::dataPath() + "/" + RegisterLock::fileName()));
}

void TestRegisterFaults::views_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("after");

    QTest::newRow("the program's views: nothing is written") << "same"
                                                             << "program";
    QTest::newRow("an old view is replaced") << "old"
                                             << "program";
    QTest::newRow("a rebuild that fails half-way keeps the old views whole") << "blocked"
                                                                             << "old";
}

void TestRegisterFaults::views()
{
    QFETCH(QString, stored);
    QFETCH(QString, after);

    const QString oldView = "CREATE VIEW viewPsDocuments AS SELECT psId, fio1 AS fio, issueDate, "
                            "number, regNumber, editDate FROM PsDocuments";
    QSqlQuery query;
    if (stored != "same") {
        QVERIFY(query.exec("DROP VIEW viewPsDocuments"));
        QVERIFY(query.exec(oldView));
    }
    if (stored == "blocked") {
        // A table where the second view should be: dropping that view fails.
        QVERIFY(query.exec("DROP VIEW viewPsDocumentDetails"));
        QVERIFY(query.exec("CREATE TABLE viewPsDocumentDetails (psId, psDetId, disciplineName, "
                           "disciplineRate, disciplineRateDigit, disciplineRateText, rowNumber)"));
    }
    Database::destroy();
    const QByteArray before = bytesOf(m_register);

    QVERIFY(Database::create());
    QSqlQuery view("SELECT sql FROM sqlite_master WHERE name = 'viewPsDocuments'");
    QVERIFY(view.next());
    if (after == "old")
        QCOMPARE(view.value(0).toString(), oldView);
    else
        QVERIFY(view.value(0).toString().contains("COALESCE(isTemplate, 0) != 1"));
    if (stored != "old")
        QCOMPARE(bytesOf(m_register), before);
    QCOMPARE(look(m_register).integrity, QString("ok"));
    QCOMPARE(look(m_register).documents, registerSize);
}

void TestRegisterFaults::oneProgramPerDataFolder_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<bool>("taken");

    QTest::newRow("another copy runs") << "running" << false;
    QTest::newRow("the other copy was killed") << "killed" << true;
    QTest::newRow("a copy on another computer runs") << "remote" << false;
}

void TestRegisterFaults::oneProgramPerDataFolder()
{
    QFETCH(QString, holder);
    QFETCH(bool, taken);

    const QString folder = Database::dataPath();
    FaultChild::Child child;
    if (holder == "remote") {
        // What a copy on another computer leaves in the shared folder.
        writeBytes(folder + "/" + RegisterLock::fileName(), "4242\nZrPs\nschool-office-2\n");
    } else {
        child = FaultChild::hold("hold-folder", {folder});
        if (holder == "killed") {
            child->kill();
            QVERIFY(child->waitForFinished());
            QVERIFY(QFileInfo::exists(folder + "/" + RegisterLock::fileName()));
        }
    }
    RegisterLock lock(folder);
    QCOMPARE(lock.acquire(), taken);
    if (!taken)
        QVERIFY2(lock.holder().contains(holder == "remote" ? QString("school-office-2")
                                                           : QString::number(child->processId())),
                 qPrintable(lock.holder()));
}

void TestRegisterFaults::secondStartLeavesTheRegisterAlone()
{
    // The first program then finds nothing of the register to create or change.
    Database::migrateLegacySettings(Database::dataPath() + "/ZrPs.ini");
    Database::destroy();
    const QString log = Database::userPath() + "/debug.txt";
    FaultChild::Child first(new QProcess);
    first->start(ZRPS_BINARY, QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(bytesOf(log).contains("availablePrinters"), 60000);
    const QByteArray before = bytesOf(m_register);

    FaultChild::Child second(new QProcess);
    second->setProcessChannelMode(QProcess::MergedChannels);
    second->start(ZRPS_BINARY, QStringList());
    // It says so on its error output too, before the message box.
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += second->readAll()).contains("data folder is in use"), 60000);
    second.reset();
    QCOMPARE(bytesOf(m_register), before);
    QVERIFY(bytesOf(log).contains("availablePrinters")); // the first one's log is kept
    first.reset();
    QCOMPARE(look(m_register).integrity, QString("ok"));
    QCOMPARE(look(m_register).documents, registerSize);
}

ZR_TEST_MAIN_WITH_CHILDREN(TestRegisterFaults, addChildren)
#include "tst_registerfaults.moc"
