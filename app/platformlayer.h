#pragma once

#include <QString>

// The few places where Linux must stand in for what Windows gives the program.
namespace PlatformLayer {
// On Windows the system-scope settings folder (ProgramData) is the shared data
// folder. On Linux that would be /etc/xdg, which a user cannot (and should not)
// write, so the system-scope INI path is pointed at the user's generic data
// location ($XDG_DATA_HOME). Call before the first system-scope settings object.
void prepareSettingsPaths();

// Windows keeps a library's version in its file's version resource; Linux keeps
// it in the versioned file name the build gives the library (libX.so.1.4.2).
// The file of a shared library loaded into this process, given its module name
// as Windows knows it ("ZrReportLib.dll"); empty when no such library is loaded.
QString loadedModulePath(const QString &moduleName);
// "major.minor" of a library file, following symbolic links; empty when the
// file does not exist or its name carries no version.
QString fileVersion(const QString &filePath);

// True while a process of this id runs on this machine.
bool processRunning(qint64 pid);
} // namespace PlatformLayer
