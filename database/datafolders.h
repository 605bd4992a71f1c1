#pragma once

#include <QString>

class QSettings;

// The program's two folders and the settings files in them: the per-user folder (its
// settings, the debug log, the user's words) and the data folder (the register file,
// the templates, the settings all users share). Resolved at the first question and
// kept until forget(); a change of the data folder takes effect at the next start.
class DataFolders
{
public:
    static QString userPath();
    static QString dataPath();
    // The register file in the data folder.
    static QString registerFile();
    static QSettings *userSettings();
    static QSettings *dataSettings();
    static void forget();

    // Whether two paths name the same file or folder (the second may not exist yet).
    static bool samePath(const QString &a, const QString &b);
    // A name no file has yet, stamped with the current minute, so that a copy of the
    // same minute is never overwritten: prefix + "hh-mm_dd-MM-yyyy" + suffix.
    static QString stampedName(const QString &prefix, const QString &suffix);
};
