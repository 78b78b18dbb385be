// The window's editing commands from the command line, each on records named by Position
// and each one change:
//   rename FILE POS NAME, delete FILE POS, move FILE POS up|down, sort FILE POS
//   [--descending], copy FILE POS TARGET down|right [--shadow|--data-shadow] (prints the
//   copy's Position), move-block FILE FIRST LAST TARGET down|right, delete-block FILE
//   FIRST LAST.
// Where the window would refuse, the command says why in the window's words (exit 2) and
// the change is dropped, so the file stays byte for byte as it was.
#include <functional>

#include "commands/record_edits.h"
#include "env/text_codec.h"
#include "store/format.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunRename(const std::vector<std::string>& args, ToolContext& context);
int RunDelete(const std::vector<std::string>& args, ToolContext& context);
int RunMove(const std::vector<std::string>& args, ToolContext& context);
int RunSort(const std::vector<std::string>& args, ToolContext& context);
int RunCopy(const std::vector<std::string>& args, ToolContext& context);
int RunMoveBlock(const std::vector<std::string>& args, ToolContext& context);
int RunDeleteBlock(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kRename{"rename", "FILE POS NAME", "Give the record at POS the name NAME.",
                              RunRename};
constexpr ToolCommand kDelete{"delete", "FILE POS",
                              "Delete the record at POS (the record after it adopts its sub-list).",
                              RunDelete};
constexpr ToolCommand kMove{"move", "FILE POS up|down",
                            "Move the record at POS one place up or down in its list.", RunMove};
constexpr ToolCommand kSort{"sort", "FILE POS [--descending]",
                            "Sort the list holding POS by display name.", RunSort};
constexpr ToolCommand kCopy{"copy", "FILE POS TARGET down|right [--shadow|--data-shadow]",
                            "Copy the record at POS below TARGET or into its sub-list; print "
                            "the copy's Position.",
                            RunCopy};
constexpr ToolCommand kMoveBlock{"move-block", "FILE FIRST LAST TARGET down|right",
                                 "Move the records FIRST to LAST, with their sub-lists, below "
                                 "TARGET or into its sub-list.",
                                 RunMoveBlock};
constexpr ToolCommand kDeleteBlock{"delete-block", "FILE FIRST LAST",
                                   "Delete the records FIRST to LAST of one list.", RunDeleteBlock};
RegisterCommand registeredRename{kRename};
RegisterCommand registeredDelete{kDelete};
RegisterCommand registeredMove{kMove};
RegisterCommand registeredSort{kSort};
RegisterCommand registeredCopy{kCopy};
RegisterCommand registeredMoveBlock{kMoveBlock};
RegisterCommand registeredDeleteBlock{kDeleteBlock};

// Opens FILE for editing and runs `edit` inside the command's change: stored when it
// answers nothing, dropped (the file as it was) when it answers why not.
int RunEdit(ToolContext& context, const std::string& file,
            const std::function<std::string(tDataImageArk&)>& edit) {
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, file, db); r != kExitOk) return r;
  if (std::string refused = edit(db); !refused.empty()) return Fail(context, refused);
  return CloseAfterEditing(context, db);
}

// The Positions args[from..] (0 allowed for the last one only where `targetZero`).
bool Positions(ToolContext& context, const std::vector<std::string>& args, size_t from,
               std::vector<Position>& out, bool targetZero = false) {
  out.assign(args.size() - from, 0);
  for (size_t i = from; i < args.size(); ++i)
    if (PositionArgument(context, args[i], targetZero && i + 1 == args.size(),
                         out[i - from]) != kExitOk)
      return false;
  return true;
}

bool ParsePlace(const std::string& word, EditPlace& place) {
  if (word == "down") place = EditPlace::kBelow;
  else if (word == "right") place = EditPlace::kRightOf;
  else return false;
  return true;
}

int RunRename(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kRename, args, 3)) return kExitError;
  std::vector<Position> at;
  if (!Positions(context, {args[0], args[1]}, 1, at)) return kExitError;
  // The window cuts a longer name; a script hears of it instead.
  if (Utf8ToCp1252(args[2]).size() > size_t(kNameMaxText))
    return Fail(context, "Et navn har høyst " + std::to_string(kNameMaxText) + " tegn");
  return RunEdit(context, args[0], [&](tDataImageArk& db) { return RenameAt(db, at[0], args[2]); });
}

int RunDelete(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kDelete, args, 2)) return kExitError;
  std::vector<Position> at;
  if (!Positions(context, args, 1, at)) return kExitError;
  return RunEdit(context, args[0], [&](tDataImageArk& db) { return DeleteAt(db, at[0]); });
}

int RunMove(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kMove, args, 3)) return kExitError;
  if (args[2] != "up" && args[2] != "down") return UsageError(context, kMove);
  std::vector<Position> at;
  if (!Positions(context, {args[0], args[1]}, 1, at)) return kExitError;
  const bool up = args[2] == "up";
  return RunEdit(context, args[0], [&](tDataImageArk& db) { return MoveAt(db, at[0], up); });
}

int RunSort(const std::vector<std::string>& args, ToolContext& context) {
  if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--descending"))
    return UsageError(context, kSort);
  std::vector<Position> at;
  if (!Positions(context, {args[0], args[1]}, 1, at)) return kExitError;
  const bool ascending = args.size() == 2;
  return RunEdit(context, args[0],
                 [&](tDataImageArk& db) { return SortListAt(db, at[0], ascending); });
}

int RunCopy(const std::vector<std::string>& args, ToolContext& context) {
  if (args.size() < 4 || args.size() > 5) return UsageError(context, kCopy);
  EditPlace place;
  CopyForm form = CopyForm::kCopy;
  if (!ParsePlace(args[3], place)) return UsageError(context, kCopy);
  if (args.size() == 5) {
    if (args[4] == "--shadow") form = CopyForm::kShadow;
    else if (args[4] == "--data-shadow") form = CopyForm::kDataShadow;
    else return UsageError(context, kCopy);
  }
  std::vector<Position> at;
  if (!Positions(context, {args[0], args[1], args[2]}, 1, at, true)) return kExitError;
  Position made = 0;
  const int result = RunEdit(context, args[0], [&](tDataImageArk& db) {
    return CopyTo(db, at[0], at[1], place, form, &made);
  });
  if (result == kExitOk) context.out << made << '\n';
  return result;
}

int RunMoveBlock(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kMoveBlock, args, 5)) return kExitError;
  EditPlace place;
  if (!ParsePlace(args[4], place)) return UsageError(context, kMoveBlock);
  std::vector<Position> at;
  if (!Positions(context, {args[0], args[1], args[2], args[3]}, 1, at, true)) return kExitError;
  return RunEdit(context, args[0], [&](tDataImageArk& db) {
    return MoveBlockTo(db, at[0], at[1], at[2], place);
  });
}

int RunDeleteBlock(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kDeleteBlock, args, 3)) return kExitError;
  std::vector<Position> at;
  if (!Positions(context, args, 1, at)) return kExitError;
  return RunEdit(context, args[0],
                 [&](tDataImageArk& db) { return DeleteBlockAt(db, at[0], at[1]); });
}

}  // namespace

}  // namespace qn::tool
