#pragma once

#include "registeraddress.h"
#include "registerbackup.h"
#include "registerfailure.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

class QSettings;
class QSqlError;
class QSqlQuery;
class QSqlTableModel;
class RegisterConnection;

// The process-wide storage service: the operations the rest of the program shares on
// the register, its folders and settings files. The pieces behind it: DataFolders,
// RegisterConnection and its engine, RegisterSchema, RegisterBackup. It never asks the
// user anything: what stands in the way comes back as a RegisterFailure, and the
// start-up asks (StartupQuestions).
class Database
{
public:
    using Inspection = RegisterInspection;

    // Opens the register in the data folder on the program's connection, a new one
    // where there is no file. A register that is not whole or not there is left as it
    // is and the failure says why; with `acceptReadableDamage` a damaged register that
    // still reads is opened as it is.
    static RegisterFailure open(bool acceptReadableDamage = false);
    // Whether the register open now is a damaged one the user chose to work with.
    static bool openedDespiteDamage();
    // Moves the file that is there aside, under a time-stamped ".bak" name (in
    // `renamedTo`), and opens a new register in its place; when the file cannot be
    // moved, nothing is changed.
    static RegisterFailure replaceWithNewRegister(QString *renamedTo = nullptr);
    // open() when nothing is open yet: true when the register is open.
    static bool create();
    // For commands run without windows: opens the register only when it is there, of
    // the right format, not in use and undamaged; otherwise says why in `error`.
    static bool openExisting(QString *error);
    static Database *instance();
    static void destroy();
    // The register to work on from the next open(): the file in the data folder unless
    // another one, or a server, is chosen (a command's --register, the preferences).
    static void chooseRegister(const RegisterAddress &address);
    static void useDataFolderRegister();
    static RegisterAddress registerAddress();
    static bool onServer();
    // How the register stores a table or column named in mixed case (see
    // RegisterEngine::storedName), for Qt's models.
    static QString storedName(const QString &identifier);
    static void close();

    static QString userPath();
    static QString dataPath();
    static QString databasePath();
    static QSettings *userSettings();
    static QSettings *dataSettings();

    static bool checkDbStructure(const QString &path);
    static Inspection inspect(const QString &path);
    static void applyPatch();
    static void applyViews();

    // The caller owns the returned query.
    static QSqlQuery *execQuery(const QString &sql);
    static bool exec(QSqlQuery &query);
    // After the rows of a query were read: false (logged) when they ended on a failed read
    // (a damaged page, a lock) rather than on the last row.
    static bool readToEnd(const QSqlQuery &query);
    // Why a statement failed, to follow a colon in a message: another program holding the
    // register is said in words, anything else in the driver's.
    static QString failureText(const QSqlError &error);

    // An empty text for a name never stored; `ok`, when given, is false when the register
    // could not be read (in use, damaged), so an empty text is not taken for the value.
    static QString getVariable(const QString &name, bool *ok = nullptr);
    // False when the value could not be stored (logged).
    static bool setVariable(const QString &name, const QString &value);

    static QSqlTableModel *tableModel(const QString &table);
    static QStringList mostUsedValues(const QString &table, const QStringList &columns, int limit);
    static QStringList mostUsedValues(const QString &table, const QString &column, int limit);

    // See RegisterBackup::save.
    static bool backup(const QString &destination, QString *error = nullptr);
    // See RegisterBackup::restore. On failure the register in use is the one there was.
    static bool restore(const QString &source, QString *error = nullptr, QString *keptAs = nullptr);
    // See RegisterBackup::newest: the data folder and the user's documents folder.
    static QString newestBackup(Inspection *found = nullptr);
    // Stores this version as the last one started; true when the user should be told
    // that a new version runs on a data folder of their own choice.
    static bool checkVersionChange();
    static void migrateLegacySettings(const QString &legacyIniPath);

    static bool samePath(const QString &a, const QString &b);

    static QString busyText();
    // Why a chosen file cannot be restored from.
    static QString backupRefusalText(const QString &path, const RegisterFailure &failure);
    // "dd.MM.yyyy hh:mm" of a stored change date, or a word for none.
    static QString changeDateText(const QString &stored);

private:
    Database();
    ~Database();
    RegisterFailure openRegister(bool acceptReadableDamage);
    RegisterFailure makeNewRegister();
    void releaseModels();

    std::unique_ptr<RegisterConnection> m_connection;
    bool m_openedDespiteDamage = false;
    QMap<QString, QSqlTableModel *> m_models;
};
