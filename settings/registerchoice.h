#pragma once

#include "database/registeraddress.h"

// Which register the program opens at start-up, as the preferences store it in the
// per-user settings: the file in the data folder, or a database on a server. The
// server's address is kept even while the file is chosen, so that it need not be typed
// again; it never holds a password.
namespace RegisterChoice {
bool serverChosen();
// The stored server address; false with the reason in `error` when there is none that
// parses.
bool storedServer(RegisterAddress *address, QString *error);
// False when the settings file could not be written.
bool store(bool server, const RegisterAddress &serverAddress);
} // namespace RegisterChoice
