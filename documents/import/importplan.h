#pragma once

#include "documents/documentrecord.h"
#include "documents/import/importmapping.h"

#include <QStringList>
#include <QVector>

struct ImportTable;

// The documents an imported table gives, checked against the register before anything is
// written: every problem of every line, and the lines that can be imported.
class ImportPlan
{
public:
    struct Entry
    {
        int line = 0; // as the spreadsheet numbers it
        DocumentRecord record;
    };
    struct Problem
    {
        int line = 0;
        QString text;
    };

    // The documents start from the template's issue date, decision, sections and appendix
    // (0: no template); the table's non-empty cells win over them. Names, numbers and the
    // birth date are each pupil's own and come from the table only.
    static ImportPlan build(const ImportTable &table, const ImportMapping &mapping, int templateId);

    // With `skipErrors`, the lines with errors are left out; without it, any error stops all.
    bool canImport(bool skipErrors) const;
    // "Строка 5: ..." for each problem, the table's own problems first.
    QStringList problemTexts() const;

    // A table full of errors is not listed to the end: the first ones tell what is wrong.
    static constexpr int maxListedProblems = 1000;

    QStringList blockers;      // problems of the table or the choices: nothing can go in
    QVector<Problem> problems; // per line, in table order, at most maxListedProblems
    int problemCount = 0;      // in all lines
    QVector<Entry> entries;    // the lines without errors, in table order
    int lineCount = 0;         // lines with data
    int errorLineCount = 0;

private:
    void checkMapping(const ImportTable &table, const ImportMapping &mapping);
};
