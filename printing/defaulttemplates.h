#pragma once

#include <QString>
#include <QStringList>

// The templates that ship inside the program, one per blank form.
class DefaultTemplates
{
public:
    // Puts the shipped templates into "default_reports" of the default data folder and,
    // for every form whose template is missing, into "reports" of the data folder.
    // Never replaces a file that is there. Returns the number of files written.
    static int install();
    static int install(const QString &defaultDataPath, const QString &dataPath);
    // The template files of the data folder ("reports/<id>.zrrpt") that are not there.
    static QStringList missing(const QString &dataPath);
    // Installs and, when some form is left without its template, tells the user once.
    static void installAtStartup();

    // ":/default_reports/<id>.zrrpt"
    static QString resourcePath(const QString &id);
    // The data folder the program uses when the user has not moved it.
    static QString defaultDataPath();
};
