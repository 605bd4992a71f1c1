#pragma once

#include <QString>

// Who changes the register from this workstation.
namespace ChangeAuthor {
// The user's login and the workstation's name, "login@workstation"; the name alone when
// the login is not known; on a server register followed by the server role, "(clerk)".
QString current();
} // namespace ChangeAuthor
