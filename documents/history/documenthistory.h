#pragma once

#include "documents/documentrecord.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

// Every change of a document, its template rows included, is kept as a new version: the
// whole document as it was after the change, when, by whom and by what kind of change.
// Nothing of the history is ever rewritten; what changed is told from consecutive versions.
namespace DocumentHistory {

enum class Kind {
    Existing, // the first version of a document made before the history was kept
    Created,
    Edited,
    AppendixEdited,
    Imported,
    Copied,
    Numbered,
    MovedToBin,
    RestoredFromBin,
    VersionRestored,
    BlankSpoiled, // marked in the print journal; the document itself is unchanged
};

struct Version
{
    int id = 0;
    QString changedAt; // as stored, "yyyy-MM-dd hh:mm:ss"
    QString changedBy; // "login@workstation"
    Kind kind = Kind::Edited;
    DocumentRecord document;
    QString note; // what a change beside the document's values was about: the blank spoiled
};

// Adds the document as the register holds it now as its newest version. Runs inside the
// caller's transaction, which the caller rolls back on false: no change without its version.
bool record(int psId, Kind kind, const QString &note = QString());
// record() for many documents in a few statements (an import), in the order given.
bool recordAll(const QList<int> &psIds, Kind kind);
// The document's versions, oldest first; false when they could not be read.
bool versions(int psId, QVector<Version> *versions);
// Makes the version the document's current state, as a new change, in one transaction.
bool restore(int psId, int versionId);
// Gives every document of a register kept without history its first version, in one
// transaction; a register that has any history is left alone.
void startForExisting(QSqlDatabase db);

} // namespace DocumentHistory
