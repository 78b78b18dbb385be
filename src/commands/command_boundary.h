// The command boundary: every command of the window runs inside RunCommand. A run-time
// I/O error or a conversion error thrown by the command ends that command only: the user
// sees one message box through the dialog seam and the program goes on. Any other
// exception is treated the same way and also logged, so no exception ever reaches the
// event loop.
#pragma once

#include <functional>

#include "commands/dialogs.h"

namespace qn {

// The caption of the error box.
inline constexpr std::string_view kErrorCaption = "QuillNet";
// The one answer to an editing command on a database opened read-only.
inline constexpr std::string_view kReadOnlyRefusal =
    "Databasen er åpnet skrivebeskyttet; ingenting er endret.";

// Runs `command`; true when it ran to its end, false when it was stopped by an exception
// (which has then been shown through `dialogs`).
bool RunCommand(Dialogs& dialogs, const std::function<void()>& command);

}  // namespace qn
