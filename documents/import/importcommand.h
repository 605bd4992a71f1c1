#pragma once

#include "app/commandline.h"

#include <QString>

class QTextStream;

// `--import`: a table of pupils and grades into the register without any window or
// question, with the mapping guessed from the headers. Any error in any line imports
// nothing.
class ImportCommand
{
public:
    struct Request
    {
        QString file;
        int templateId = 0; // 0: no template
        int sheet = 1;      // of a workbook, counted from 1
    };

    static HeadlessCommand command();

    // Needs the application object. The summary goes to `out`, problems to `err`, one per
    // line; returns the exit code (0 done, 1 bad request, file or data, 2 not written: the
    // register is held by a running program or could not be written).
    static int import(const Request &request, QTextStream &out, QTextStream &err);

private:
    static int runCommand(const QCommandLineParser &parser, QTextStream &err);
};
