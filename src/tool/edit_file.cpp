#include "tool/edit_file.h"

#include <charconv>

#include "store/datapointer.h"
#include "content/initial_content.h"

namespace qn::tool {

int OpenForEditing(ToolContext& context, const std::string& fileName, tDataImageArk& database) {
  if (!context.files->Exists(fileName)) return Fail(context, fileName + ": no such file");
  OpenDatabase(database, fileName, OpenPolicy::kFromSettings);
  if (!database.IsOpen()) {
    if (!database.JournalNotice().empty()) return Fail(context, database.JournalNotice());
    return Fail(context, fileName + ": cannot open (" + ErrorDescription(database.LastError()) + ")");
  }
  // A journal that did not belong to the file was kept aside: the user hears of it.
  if (!database.JournalNotice().empty()) context.err << "quilltool: " << database.JournalNotice() << '\n';
  if (database.ReadOnly()) return Fail(context, fileName + ": opened read-only, nothing changed");
  // The command's writes reach the file together, when it is closed after editing.
  database.BeginChange();
  return kExitOk;
}

int LoadRecordArgument(ToolContext& context, tDataImageArk& database, const std::string& text) {
  Position position = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), position);
  if (ec != std::errc() || end != text.data() + text.size() || position <= 0 ||
      !database.dp->IsRecordAt(position) || database.dp->Load(position) != 0)
    return Fail(context, "no record at Position " + text);
  return kExitOk;
}

int PositionArgument(ToolContext& context, const std::string& text, bool zeroAllowed, Position& out) {
  Position position = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), position);
  if (ec != std::errc() || end != text.data() + text.size() || position < 0 ||
      (position == 0 && !zeroAllowed))
    return Fail(context, "no record at Position " + text);
  out = position;
  return kExitOk;
}

int CloseAfterEditing(ToolContext& context, tDataImageArk& database) {
  const std::string fileName = database.FileName();
  database.EndChange();
  // A write that fell short, or a change that could not be stored (the file is then as it
  // was): never a success.
  const int32_t writeError = database.FirstWriteError();
  database.Close();
  if (writeError != 0)
    return Fail(context, fileName + ": cannot write (" + ErrorDescription(writeError) + ")");
  if (database.LastError() != 0)
    return Fail(context, fileName + ": cannot close (" + ErrorDescription(database.LastError()) + ")");
  return kExitOk;
}

}  // namespace qn::tool
