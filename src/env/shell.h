// Platform services that hand work to other programs: opening a document or folder with
// the desktop's default program (xdg-open), starting a program, the update program and the
// desktop launcher. Programs are started with posix_spawn, never through a shell, so each
// argument reaches the program as one argument whatever blanks or quotes it holds.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace qn {

// Starts `program` (a path, or a name looked up in PATH) with `arguments`, in `folder`
// when that is not empty. Returns the process id, or -1 (errno set) when it could not be
// started. The program runs on by itself; finished ones are collected by the next start.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder = {});

// Opens `file` (a document, folder or address) with the desktop's default program; with
// `parameters`, `file` is a program and is started directly with them. Returns the
// process id, or -1 after logging "FEIL: kan ikke åpne " + file.
pid_t OpenWithShell(const std::string& file, const std::vector<std::string>& parameters = {},
                    const std::string& folder = {});

// Collects programs started above that have ended, so none lingers as a zombie.
void ReapStartedPrograms();
// Reaps, then gives how many started programs still run; the window reaps while any do.
size_t StartedProgramsRunning();

// Ends the application; the main window sets it. Without one, StartUpdate only starts
// the update program.
void SetEndApplicationCallback(std::function<void()> callback);

// Starts "oppdater" from the "bin" folder (or the program's own folder when it is not
// there) with this program's full path as its argument and that folder as working
// folder, then ends the application. When the update program cannot be started, that is
// logged and the application goes on; returns whether it was started.
bool StartUpdate();

// Writes a freedesktop launcher for this program to the desktop folder:
// DesktopFolder() + ProgramFileName() + ".desktop". Returns false when it could not.
bool CreateDesktopShortcut();

// One argument of a launcher's Exec line, quoted and escaped as the freedesktop rules ask
// (before the general escaping of the value, which IniFile does not do; see the .cpp).
std::string DesktopExecArgument(std::string_view argument);

}  // namespace qn
