#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class QSettings;
class QSqlQuery;
class QSqlTableModel;

// The process-wide storage service: folders, settings files, the SQLite
// register and the small set of operations the rest of the program shares.
class Database
{
public:
    // False only when the user refused to replace a database of the wrong format.
    static bool create();
    // For commands run without windows: opens the register only when it is there and
    // of the right format, and never asks anything; otherwise says why in `error`.
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
    static void applyPatch();
    static void applyViews();

    // The caller owns the returned query.
    static QSqlQuery *execQuery(const QString &sql);
    static bool exec(QSqlQuery &query);

    static QString getVariable(const QString &name);
    static void setVariable(const QString &name, const QString &value);

    static QSqlTableModel *tableModel(const QString &table);
    static QStringList mostUsedValues(const QString &table, const QStringList &columns, int limit);
    static QStringList mostUsedValues(const QString &table, const QString &column, int limit);

    static bool backup(const QString &destination);
    static bool restore(const QString &source);
    static void checkVersionChange();
    static void migrateLegacySettings(const QString &legacyIniPath);

    static QString wrongFormatQuestion();

private:
    Database() = default;
    ~Database();
    bool open();

    QMap<QString, QSqlTableModel *> m_models;
    bool m_cancelled = false;
};
