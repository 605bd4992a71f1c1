#pragma once

#include <QString>

// Who changes the register from this workstation.
namespace ChangeAuthor {
// The user's login and the workstation's name, "login@workstation"; the name alone when
// the login is not known.
QString current();
} // namespace ChangeAuthor
