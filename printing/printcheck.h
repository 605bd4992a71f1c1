#pragma once

#include "app/commandline.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <memory>

class RegisterNumbers;
class ReportPage;
class QTextStream;
struct DocumentRecord;

// What would go wrong if documents were printed on a form now: missing or doubtful data,
// numbers used twice, organisation data the form needs but nobody entered, variables the
// program does not know, and text that does not fit its place on the blank at the
// printer's resolution. Looks, never changes anything.
class PrintCheck
{
public:
    enum class Severity { Error, Warning };
    struct Problem
    {
        // 0 for what concerns the form or the organisation's data, every document alike.
        int documentId = 0;
        QString document; // the pupil's name, for showing
        Severity severity = Severity::Error;
        QString field;
        QString text;
        // Mended in the organisation's options, not in a document.
        bool organisation = false;
        // The forms it was found on when several were checked and not all of them have it.
        QList<int> forms;
    };

    // Texts are laid out as a printer of this resolution lays them out.
    static constexpr int printDpi = 600;

    explicit PrintCheck(int type);
    ~PrintCheck();

    // Reads the form's template; false with the reason for the user.
    bool load(QString *error);
    // The problems of the form first, then those of each document in the order given.
    QList<Problem> check(const QList<int> &ids);
    // The same on several forms, each problem told once: those of the forms first, then
    // each document's in the order given. No form is chosen yet, so a blank of the other
    // gender is not a problem: the print dialog takes the one that fits.
    static QList<Problem> checkForms(const QList<int> &types, const QList<int> &ids);

    static bool hasErrors(const QList<Problem> &problems);
    static QString severityText(Severity severity);

    // `--check` for the program's command line.
    static HeadlessCommand command();

private:
    void checkForm(QList<Problem> *problems);
    void checkData(const Problem &about,
                   const DocumentRecord &record,
                   const RegisterNumbers &numbers,
                   QList<Problem> *problems) const;
    void checkFit(const Problem &about, bool documentFields, QList<Problem> *problems);
    static int runCommand(const QCommandLineParser &parser, QTextStream &err);

    int m_type;
    std::unique_ptr<ReportPage> m_page;
    // Normalised names of the variables each text field uses, by field.
    QList<QSet<QString>> m_fieldVariables;
    QSet<QString> m_usedVariables;
    QSet<QString> m_knownVariables;
    bool m_hasAppendix = false;
    // Only a pupil whose gender is unknown is told: the blank is picked later.
    bool m_anyBlank = false;
    // Whether a text of a field fits, by field and the text as substituted: names repeat
    // little, the organisation's and the form's texts a lot.
    QHash<QPair<int, QString>, bool> m_fits;
};
