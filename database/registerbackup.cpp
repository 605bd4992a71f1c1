#include "registerbackup.h"

#include "app/appinfo.h"
#include "app/debuglog.h"
#include "datafolders.h"
#include "registerconnection.h"
#include "registercopy.h"
#include "registerengine.h"
#include "registerschema.h"
#include "sqliteengine.h"

#include "ZrReport/filereplacement.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <algorithm>

namespace {

using Kind = RegisterFailure::Kind;
const QString appName = QString::fromLatin1(AppInfo::applicationName);

// A file beside `target` for SQLite to copy the register into: VACUUM INTO wants it absent.
QString copyTarget(FileReplacement &file)
{
    if (!file.open())
        return QString();
    const QString name = file.fileName();
    QFile::remove(name);
    return name;
}

// Keeps the register file there is beside it, byte for byte (a damaged one too), while
// nobody may write to it. False with the user's message in `text`.
bool keepCurrent(const RegisterConnection &program,
                 const QString &kept,
                 QString *reason,
                 QString *text)
{
    RegisterConnection lock(program.engine(), program.location());
    RegisterFailure failure = lock.open();
    QSqlQuery query(lock.database());
    if (failure.ok() && !query.exec(QStringLiteral("BEGIN IMMEDIATE;")))
        failure = lock.failureOf(query.lastError());
    if (failure.kind == Kind::Busy) {
        *reason = failure.detail;
        *text = failure.text(program.location());
        return false;
    }
    // A file SQLite cannot read has no writer to wait for: it is kept as it is.
    if (!failure.ok())
        ZR_LOG() << "kept without a lock" << program.location() << failure.detail;
    const bool copied = FileReplacement::copy(program.location(), kept, reason);
    if (failure.ok())
        query.exec(QStringLiteral("ROLLBACK;"));
    if (!copied)
        *text = QStringLiteral("Не удаётся сохранить текущий реестр в файл %1.")
                        .arg(QDir::toNativeSeparators(kept));
    return copied;
}

// A server register takes the backup's rows in place of its own, in one transaction
// that commits only once every table holds what the backup holds. The server keeps no
// file to put aside.
bool restoreOntoServer(RegisterConnection &program, const QString &source, QString *error)
{
    const RegisterInspection found = RegisterBackup::inspect(source);
    if (!found.failure.ok()) {
        *error = RegisterBackup::refusalText(source, found.failure);
        return false;
    }
    RegisterConnection backup(
            SqliteEngine::instance(), source, RegisterConnection::Access::ReadOnly);
    QString reason = backup.open().detail;
    const bool done
            = reason.isEmpty()
              && RegisterCopy::copy(backup.database(), program.database(), nullptr, &reason);
    ZR_LOG() << "Database::restore(" + source + ") onto the server" << done << reason;
    if (!done)
        *error = QStringLiteral("Реестр на сервере не заменён, оставлен прежний: %1").arg(reason);
    return done;
}

} // namespace

RegisterInspection RegisterBackup::inspect(const QString &file)
{
    RegisterInspection found;
    const SqliteEngine &engine = SqliteEngine::instance();
    found.failure = engine.examine(file);
    if (!found.failure.ok())
        return found;
    RegisterConnection connection(engine, file, RegisterConnection::Access::ReadOnly);
    found.failure = connection.open();
    if (found.failure.ok())
        found.failure = RegisterSchema::check(connection, IntegrityScope::Whole);
    if (!found.failure.ok())
        return found;
    QSqlQuery query(connection.database());
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM viewPsDocuments;")) && query.next())
        found.documents = query.value(0).toInt();
    if (query.exec(QStringLiteral("SELECT MAX(editDate) FROM PsDocuments;")) && query.next())
        found.newestChange = query.value(0).toString();
    return found;
}

bool RegisterBackup::save(const RegisterConnection &source,
                          const QString &destination,
                          QString *error)
{
    bool done = false;
    if (DataFolders::samePath(destination, source.location())) {
        // Renamed over the open register, the copy would take its place and every
        // later change would go to a file that is no longer there.
        *error = QStringLiteral("Резервную копию нельзя сохранить в файл самого реестра.");
    } else if (FileReplacement partial(destination); copyTarget(partial).isEmpty()) {
        *error = QStringLiteral("Не удаётся записать в папку %1.")
                         .arg(QDir::toNativeSeparators(QFileInfo(destination).absolutePath()));
    } else {
        // A connection of its own has no statement in progress.
        RegisterConnection reader(
                source.engine(), source.location(), RegisterConnection::Access::ReadOnly);
        done = reader.open().ok()
               && reader.engine().copyInto(reader.database(), partial.fileName(), error);
        if (done && !partial.commit()) {
            *error = partial.errorString();
            done = false;
        }
    }
    ZR_LOG() << "Database::backup" << destination << done << *error;
    return done;
}

bool RegisterBackup::restore(RegisterConnection &program,
                             const QString &source,
                             const std::function<void()> &release,
                             QString *error,
                             QString *keptAs)
{
    QString reason;
    const auto fail = [&](const QString &text) {
        ZR_LOG() << "Database::restore(" + source + ")" << text << reason;
        *error = text;
        return false;
    };
    if (!QFileInfo(source).isFile()) {
        ZR_LOG() << "Database::restore(" + source + ") file does not exist!!!";
        return fail(refusalText(source, RegisterFailure::of(Kind::Missing)));
    }
    if (&program.engine() != &SqliteEngine::instance())
        return restoreOntoServer(program, source, error);
    const QString path = program.location();
    if (DataFolders::samePath(source, path))
        return fail(QStringLiteral("Выбран файл самого реестра."));
    const RegisterInspection found = inspect(source);
    if (!found.failure.ok()) {
        reason = found.failure.detail;
        return fail(refusalText(source, found.failure));
    }

    const QString kept = DataFolders::stampedName(QFileInfo(path).absolutePath() + "/" + appName
                                                          + "_before-restore_",
                                                  QStringLiteral(".db"));
    const bool hadRegister = QFileInfo(path).isFile();
    QString text;
    if (hadRegister && !keepCurrent(program, kept, &reason, &text))
        return fail(text);

    // The new register is SQLite's copy of the backup, checked before it takes the
    // place of the old one in one rename.
    FileReplacement partial(path);
    const QString copy = copyTarget(partial);
    bool made = false;
    {
        RegisterConnection backup(
                SqliteEngine::instance(), source, RegisterConnection::Access::ReadOnly);
        made = !copy.isEmpty() && backup.open().ok()
               && backup.engine().copyInto(backup.database(), copy, &reason);
    }
    if (!made || !inspect(copy).failure.ok())
        return fail(QStringLiteral("Не удаётся записать новый реестр в папку %1.")
                            .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath())));
    release();
    program.close();
    if (!partial.commit()) {
        reason = partial.errorString();
        program.open();
        return fail(QStringLiteral("Не удаётся заменить файл реестра %1, оставлен прежний.")
                            .arg(QDir::toNativeSeparators(path)));
    }
    RegisterFailure check = program.open();
    if (check.ok()) {
        RegisterSchema::applyPatch(program);
        check = RegisterSchema::check(program, IntegrityScope::Whole);
    }
    if (!check.ok()) {
        reason = check.detail;
        // Back to the register there was.
        release();
        program.close();
        QString putBack;
        const bool back = hadRegister && FileReplacement::copy(kept, path, &putBack);
        program.open();
        if (back)
            return fail(QStringLiteral("Новый реестр не прошёл проверку, оставлен прежний."));
        if (!hadRegister)
            return fail(QStringLiteral("Новый реестр не прошёл проверку (%1).").arg(check.detail));
        reason += QStringLiteral("; ") + putBack;
        return fail(QStringLiteral("Новый реестр не прошёл проверку, а прежний вернуть на место не "
                                   "удалось (%1).\nПрежний реестр сохранён в файле %2: закройте "
                                   "программу и скопируйте этот файл на место файла %3.")
                            .arg(putBack,
                                 QDir::toNativeSeparators(kept),
                                 QDir::toNativeSeparators(path)));
    }
    RegisterSchema::upgrade(program);
    RegisterSchema::applyViews(program);
    ZR_LOG() << "Database::restore OK!" << source << "kept" << kept;
    *keptAs = hadRegister ? kept : QString();
    return true;
}

QString RegisterBackup::newest(const QString &folder,
                               const QString &registerFile,
                               RegisterInspection *found)
{
    QFileInfoList candidates;
    for (const QString &place :
         {QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), folder}) {
        candidates << QDir(place).entryInfoList({appName + QStringLiteral("*.db")},
                                                QDir::Files | QDir::Readable);
    }
    std::stable_sort(
            candidates.begin(), candidates.end(), [](const QFileInfo &a, const QFileInfo &b) {
                return a.lastModified() > b.lastModified();
            });
    for (const QFileInfo &candidate : qAsConst(candidates)) {
        if (DataFolders::samePath(candidate.absoluteFilePath(), registerFile))
            continue;
        const RegisterInspection inspection = inspect(candidate.absoluteFilePath());
        if (inspection.failure.ok() || inspection.failure.kind == Kind::Busy) {
            *found = inspection;
            return candidate.absoluteFilePath();
        }
    }
    return QString();
}

QString RegisterBackup::refusalText(const QString &file, const RegisterFailure &failure)
{
    const QString where = QDir::toNativeSeparators(file);
    if (failure.kind == Kind::Busy)
        return QStringLiteral("Файл %1 используется другой программой.\nЗакройте её и повторите "
                              "попытку.")
                .arg(where);
    return QStringLiteral("Файл %1 не является резервной копией реестра.").arg(where);
}
