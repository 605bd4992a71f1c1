#pragma once

#include <QString>

// The templates that ship inside the program, one per blank form.
class DefaultTemplates
{
public:
    // Puts the shipped templates into "default_reports" of the default data folder and,
    // for every form whose template is missing, into "reports" of the data folder.
    // Never replaces a file that is there. Returns the number of files written.
    static int install();
    static int install(const QString &defaultDataPath, const QString &dataPath);

    // ":/default_reports/<id>.zrrpt"
    static QString resourcePath(const QString &id);
    // The data folder the program uses when the user has not moved it.
    static QString defaultDataPath();
};
