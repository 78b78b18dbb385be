// quilltool deleted FILE: every deleted record of the file, one line each in the order of
// the file: "<Position> <kind> <dd.MM.yyyy HH:mm:ss> <name>" (the kind it had, the time of
// its last change, which is the delete; the name last, since it may hold blanks). Read
// only.
// quilltool restore FILE POS TARGET: the deleted record at POS back below the record at
// TARGET (0: first of the top-level list), alone; prints its Position. Exit 1 when POS is
// no deleted record or TARGET no record a list reaches.
#include <charconv>

#include "commands/undelete.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunDeleted(const std::vector<std::string>& args, ToolContext& context);
int RunRestore(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kDeleted{"deleted", "FILE",
                               "List the deleted records: Position, kind, time of the delete, name.",
                               RunDeleted};
constexpr ToolCommand kRestore{"restore", "FILE POS TARGET",
                               "Put the deleted record at POS back below TARGET (0: at the top).",
                               RunRestore};
RegisterCommand registeredDeleted{kDeleted};
RegisterCommand registeredRestore{kRestore};

bool ParsePosition(const std::string& text, Position& out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && out >= 0;
}

int RunDeleted(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kDeleted, args, 1)) return kExitError;
  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  for (const DeletedRecord& d : ListDeleted(db))
    context.out << Escaped(DeletedLine(d)) << '\n';
  return kExitOk;
}

int RunRestore(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kRestore, args, 3)) return kExitError;
  Position position = 0, target = 0;
  if (!ParsePosition(args[1], position) || !ParsePosition(args[2], target))
    return UsageError(context, kRestore);
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  switch (RestoreDeleted(db, position, target)) {
    case RestoreStatus::kNotDeleted:
      context.err << "quilltool: no deleted record at Position " << args[1] << '\n';
      return kExitNotFound;
    case RestoreStatus::kNoTarget:
      context.err << "quilltool: no record a list reaches at Position " << args[2] << '\n';
      return kExitNotFound;
    case RestoreStatus::kRestored:
      break;
  }
  if (int r = CloseAfterEditing(context, db); r != kExitOk) return r;
  context.out << position << '\n';
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
