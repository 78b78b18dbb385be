// quilltool add-line FILE POS down|right TEXT: a new named line below the record at POS,
// or to its right, where it becomes POS's sub-list (a sub-list POS had then hangs to the
// right of the new line, as the program's "new to the right" does); prints the new
// record's Position.
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunAddLine(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kAddLine{"add-line", "FILE POS down|right TEXT",
                               "Add a named line below POS or to its right; print its Position.",
                               RunAddLine};
RegisterCommand registered{kAddLine};

int RunAddLine(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kAddLine, args, 4)) return kExitError;
  tDirection direction;
  if (args[2] == "down") {
    direction = DirDown;
  } else if (args[2] == "right") {
    direction = DirRight;
  } else {
    return UsageError(context, kAddLine);
  }
  if (args[3].empty()) return Fail(context, "a line needs a text");
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  // Below the file header record (Position 0) is the top of the top-level list; the
  // header has no sub-list.
  if (args[1] == "0" && direction == DirDown) {
    db.dp->Load(0);
  } else if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) {
    return r;
  }
  Position made = AddNamed(db, direction, args[3]);
  if (made < 0) return Fail(context, "no record could be added at Position " + args[1]);
  if (int r = CloseAfterEditing(context, db); r != kExitOk) return r;
  context.out << made << '\n';
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
