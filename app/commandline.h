#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>

class QCommandLineParser;
class QTextStream;
struct ReportListEntry;

// A command the program runs without any window or question: chosen by its
// own option, it reads its other options from the parsed command line,
// writes problems to `err` and returns the exit status.
struct HeadlessCommand
{
    QString option;                    // the option that selects the command ("export-pdf")
    QList<QCommandLineOption> options; // every option the command reads, its own included
    QString usage;                     // its part of the help text
    int (*run)(const QCommandLineParser &parser, QTextStream &err);
};

// The program's command line: the headless commands and the help that lists them.
namespace CommandLine {
// True when the arguments name a headless command or ask for help, so that no
// window may be started.
bool requested(int argc, char **argv);
// Creates the application object, runs the chosen command, returns its exit status.
int run(int argc, char **argv);
QString helpText();

// Helpers for the commands' own options; each says what is wrong in `err`.
// A form by type ("304") or identifier ("id3382"); null when neither.
const ReportListEntry *form(const QString &typeOrId, QTextStream &err);
// Document numbers (psId) separated by commas, in the order given.
bool documentIds(const QString &text, QList<int> *ids, QTextStream &err);
} // namespace CommandLine
