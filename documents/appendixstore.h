#pragma once

#include "documents/documentrecord.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The appendix of one document: its five sections and its disciplines in print order.
struct Appendix
{
    QStringList sections{QString(), QString(), QString(), QString(), QString()}; // add1 to add5
    QVector<DocumentRecord::Discipline> disciplines;

    bool operator==(const Appendix &other) const
    {
        return sections == other.sections && disciplines == other.disciplines;
    }
    bool operator!=(const Appendix &other) const { return !(*this == other); }
};

// Reads and stores an appendix as one: a save writes all of it or nothing.
namespace AppendixStore {
// Deleted: the document itself is no longer in the register.
enum class Result { Stored, ChangedElsewhere, Deleted, Failed };

// False when the document is not there (`error` empty) or could not be read (`error` says why).
bool read(int psId, Appendix *appendix, QString *error);
// Replaces the stored appendix by `typed` in one transaction. Without `overwrite` only while
// the register still holds `loaded`, ChangedElsewhere otherwise. Anything but Stored leaves
// the register as it was.
Result write(int psId, const Appendix &loaded, const Appendix &typed, bool overwrite);
} // namespace AppendixStore
