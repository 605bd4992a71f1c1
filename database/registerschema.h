#pragma once

#include "registerengine.h"
#include "registerfailure.h"

#include <optional>

class RegisterConnection;

// The register's tables and views: made for a new register, checked on every one the
// program opens or restores, and brought up to date once it passed its check.
namespace RegisterSchema {
// Builds the tables of a new, empty register in one transaction: a failure leaves
// nothing half-made. What stood in the way, with the driver's words as its detail.
RegisterFailure create(const RegisterConnection &connection);
// Whether the register has every table, view and column the program reads and, with
// `integrity`, whether the pages of that scope read.
RegisterFailure check(const RegisterConnection &connection,
                      std::optional<IntegrityScope> integrity);
// Tables and columns later versions added, created in a register made before them once
// it passed its check; nothing else of it is touched. Never run on a register not yet
// checked.
void upgrade(const RegisterConnection &connection);
// Recreates the views, in one transaction, only when the stored definitions differ
// from the program's.
void applyViews(const RegisterConnection &connection);
// Runs the program's patch script, when it carries one.
void applyPatch(const RegisterConnection &connection);
} // namespace RegisterSchema
