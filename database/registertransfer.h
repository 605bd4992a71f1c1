#pragma once

#include "registeraddress.h"
#include "registercopy.h"
#include "registerfailure.h"

class RegisterConnection;

// Moves a register onto a server: every row of the register `source` into a server
// database that holds no register yet (its tables are made there) or only empty tables.
// The source is only read.
namespace RegisterTransfer {
// False with the user's message in `error`; what was copied in `copied`.
bool toServer(const RegisterConnection &source,
              const RegisterAddress &server,
              QVector<RegisterCopy::Table> *copied,
              QString *error);
// The same from the register file `file`, read through a connection of its own that only
// reads: the program's own connection to the file stays as it is.
bool fromFile(const QString &file,
              const RegisterAddress &server,
              QVector<RegisterCopy::Table> *copied,
              QString *error);
// What was copied, a line per table: "  PsDocuments: 30 строк".
QString copiedText(const QVector<RegisterCopy::Table> &copied);
} // namespace RegisterTransfer
