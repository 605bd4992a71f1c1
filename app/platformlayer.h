#pragma once

#include <QString>

// The few places where Linux must stand in for what Windows gives the program.
namespace PlatformLayer {
// On Windows the system-scope settings folder (ProgramData) is the shared data
// folder. On Linux that would be /etc/xdg, which a user cannot (and should not)
// write, so the system-scope INI path is pointed at the user's generic data
// location ($XDG_DATA_HOME). Call before the first system-scope settings object.
void prepareSettingsPaths();
} // namespace PlatformLayer
