#pragma once

#include "registeraddress.h"
#include "registercopy.h"
#include "registerfailure.h"

#include <QMap>

class RegisterConnection;

// Moves a register onto a server: every row of the register `source` into a server
// database that holds no register yet (its tables are made there) or only empty tables.
// The source is only read. The blank forms' templates the source's workstation prints
// with (by form) go into the server's register in the same transaction as the rows.
namespace RegisterTransfer {
// False with the user's message in `error`; what was copied in `copied`.
bool toServer(const RegisterConnection &source,
              const RegisterAddress &server,
              const QMap<QString, QByteArray> &templates,
              QVector<RegisterCopy::Table> *copied,
              QString *error);
} // namespace RegisterTransfer
