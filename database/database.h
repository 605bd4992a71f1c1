#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class QSettings;
class QSqlDatabase;
class QSqlQuery;
class QSqlTableModel;

// The process-wide storage service: folders, settings files, the SQLite
// register and the small set of operations the rest of the program shares.
class Database
{
public:
    // What a look at a register file found.
    enum class RegisterState { Ok, Missing, Busy, WrongFormat, Damaged };
    struct Inspection
    {
        RegisterState state = RegisterState::Missing;
        int documents = 0;    // issued documents, templates not counted
        QString newestChange; // the latest change date as stored, empty when none
        QString detail;       // the driver's or the check's words when the state is not Ok
    };

    // False when the user chose to leave: a database of the wrong format not to be
    // replaced, a register in use by another program, a damaged register.
    static bool create();
    // For commands run without windows: opens the register only when it is there, of
    // the right format, not in use and undamaged, and never asks anything; otherwise
    // says why in `error`.
    static bool openExisting(QString *error);
    static Database *instance();
    static void destroy();
    static void close();

    static QString userPath();
    static QString dataPath();
    static QString databasePath();
    static QSettings *userSettings();
    static QSettings *dataSettings();

    static bool checkDbStructure(const QString &path);
    // Opens the file read-only on a connection of its own and checks that it is a
    // register of this program (the structure check and PRAGMA quick_check); the file
    // is not changed.
    static Inspection inspect(const QString &path);
    static void applyPatch();
    // Recreates the views, in one transaction, only when the stored definitions differ
    // from the program's.
    static void applyViews();

    // The caller owns the returned query.
    static QSqlQuery *execQuery(const QString &sql);
    static bool exec(QSqlQuery &query);

    // An empty text for a name never stored; `ok`, when given, is false when the register
    // could not be read (in use, damaged), so an empty text is not taken for the value.
    static QString getVariable(const QString &name, bool *ok = nullptr);
    // False when the value could not be stored (logged).
    static bool setVariable(const QString &name, const QString &value);

    static QSqlTableModel *tableModel(const QString &table);
    static QStringList mostUsedValues(const QString &table, const QStringList &columns, int limit);
    static QStringList mostUsedValues(const QString &table, const QString &column, int limit);

    // A consistent copy of the register even while it is written (VACUUM INTO a temporary
    // file beside the destination, then renamed over it). Never into the register itself.
    static bool backup(const QString &destination, QString *error = nullptr);
    // Replaces the register by a checked backup. The current register is kept in the data
    // folder under a "ZrPs_before-restore_<time>.db" name (in `keptAs`); true only once
    // the new register is open and has passed the check. On failure the register in use
    // is the one there was.
    static bool restore(const QString &source, QString *error = nullptr, QString *keptAs = nullptr);
    // The newest file among the backups in the user's documents folder and the data folder
    // that passes inspect(); empty when there is none.
    static QString newestBackup();
    static void checkVersionChange();
    static void migrateLegacySettings(const QString &legacyIniPath);

    // Whether two paths name the same file or folder (the second may not exist yet).
    static bool samePath(const QString &a, const QString &b);

    static QString wrongFormatQuestion();
    static QString busyText();
    static QString notABackupText(const QString &path);
    // "dd.MM.yyyy hh:mm" of a stored change date, or a word for none.
    static QString changeDateText(const QString &stored);

private:
    Database() = default;
    ~Database();
    bool open(bool interactive, QString *error);
    // What the user chose about a damaged register: true to go on (restored or as it is).
    bool resolveDamage(const QString &detail);
    static void closeForReplace();

    QMap<QString, QSqlTableModel *> m_models;
    bool m_cancelled = false;
};
