#pragma once

#include "registerfailure.h"

#include <functional>

class RegisterConnection;

// What a look at a register file found.
struct RegisterInspection
{
    RegisterFailure failure;
    int documents = 0;    // issued documents, templates not counted
    QString newestChange; // the latest change date as stored, empty when none
};

// Backups are register files: written from the register in use, looked at read-only
// before anything is replaced, and put in the place of the register file.
namespace RegisterBackup {
// Opens the file read-only on a connection of its own and checks that it is a register
// of this program (the structure check and the integrity check); the file is not changed.
RegisterInspection inspect(const QString &file);
// A consistent copy of the register even while it is written (into a temporary file
// beside the destination, then renamed over it). Never into the register itself.
bool save(const RegisterConnection &source, const QString &destination, QString *error);
// Replaces the register file of `program` by a checked backup. The register file there
// was is kept beside it under a "ZrPs_before-restore_<time>.db" name (in `keptAs`); true
// only once the new register is open and has passed the check. `release` is called
// before the program's connection closes, for what uses it to let go.
bool restore(RegisterConnection &program,
             const QString &source,
             const std::function<void()> &release,
             QString *error,
             QString *keptAs);
// The newest file among the backups in the user's documents folder and `folder` that
// passes inspect() or is held by another program (which says nothing against it);
// empty when there is none.
QString newest(const QString &folder, const QString &registerFile, RegisterInspection *found);
// Why `file` cannot be restored from, as the user is told.
QString refusalText(const QString &file, const RegisterFailure &failure);
} // namespace RegisterBackup
