#pragma once

#include "commandline.h"

// Headless commands on the register as a whole: a backup of whichever register is in
// use, and moving the file register onto a server.
namespace RegisterCommands {
HeadlessCommand backup();
HeadlessCommand transfer();
} // namespace RegisterCommands
