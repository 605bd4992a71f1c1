#pragma once

#include "database/registerfailure.h"

class QWidget;

// What the user is asked about a damaged register: at start-up, and when the check that
// reads the whole register in the background finds damage while the program is open.
// The newest good backup is offered; restoring it keeps the damaged file in the data
// folder.
namespace DamageQuestion {
enum class Choice { Restored, GoOn, NewRegister, Exit };
// Whether "Выход" is among the answers. Without it, closing the question goes on.
enum class Leaving { Offered, NotOffered };

// Asks until the user restores a backup, goes on or leaves.
Choice ask(const RegisterFailure &damage, Leaving leaving, QWidget *parent = nullptr);
} // namespace DamageQuestion
