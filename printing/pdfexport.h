#pragma once

#include "app/commandline.h"

#include "ZrReport/printcorrection.h"

#include <QList>
#include <QString>
#include <QStringList>

class QFileInfo;
class QTextStream;
class ReportPage;

// Renders documents onto their blank form into one PDF file, without any window or
// question: for archiving and mailing certificates, and for machines with no printer. Boys and
// girls given together for a certificate go into two files, each on its own blank.
class PdfExport
{
public:
    struct Request
    {
        QString output;
        QString form;      // a type ("304") or an identifier ("id3382")
        QString documents; // "12" or "12,13,20"
        bool background = false;
        // Applied to every page, as a calibration would (--offset, --scale).
        PrintCorrection correction;
        // When set, the stored calibration of this printer, each page getting that of
        // the side of the sheet it prints on (--printer).
        QString printer;
    };

    // `--export-pdf` for the program's command line.
    static HeadlessCommand command();

    // Needs the application object. Errors and warnings go to `err`; returns the exit code
    // (0 done, 1 bad request or data, 2 output not written).
    static int exportPdf(const Request &request, QTextStream &err);

private:
    static int runCommand(const QCommandLineParser &parser, QTextStream &err);
    // The documents on the form's page into `output`, replacing it whole or not at all.
    static int writePdf(int type,
                        ReportPage *page,
                        const QList<int> &ids,
                        const QFileInfo &output,
                        bool background,
                        const PrintCorrection calibration[2],
                        QTextStream &err);
};
