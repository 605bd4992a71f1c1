#pragma once

#include "documents/import/importplan.h"

#include <QList>
#include <QString>

// Writes the documents of an import into the register in one transaction: every document
// with its sections and appendix rows, or, on any failure, nothing at all.
class DocumentImporter
{
public:
    // The new documents' ids in table order; false with the reason when nothing was written.
    static bool write(const QVector<ImportPlan::Entry> &entries, QList<int> *ids, QString *error);

    // "создано 27 документов", "создан 21 документ": with the word forms Russian needs for the
    // number.
    static QString createdText(int count);
};
