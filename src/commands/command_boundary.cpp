#include "commands/command_boundary.h"

#include <exception>
#include <string>

#include "env/errors.h"
#include "env/log.h"

namespace qn {

bool RunCommand(Dialogs& dialogs, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const IoError& e) {
    dialogs.Message(kErrorCaption, e.what(), MessageKind::kError);
  } catch (const ConvertError& e) {
    dialogs.Message(kErrorCaption, e.what(), MessageKind::kError);
  } catch (const std::exception& e) {
    WriteLog(std::string("FEIL: ") + e.what());
    dialogs.Message(kErrorCaption, e.what(), MessageKind::kError);
  }
  return false;
}

}  // namespace qn
