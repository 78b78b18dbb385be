// quilltool link FILE POS PATH: PATH becomes the link text of the record at POS (a record
// of kind 0 becomes a document link, kind 512). quilltool global FILE POS --file OTHER
// (--position N | --text NAME) [--auto]: a new global pointer below POS that leads to the
// Position N, or the record named NAME, in the database OTHER; --auto marks it to be
// followed automatically. Prints the new pointer's Position.
#include "content/document_link.h"
#include "content/global_pointer.h"
#include "store/datapointer.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunLink(const std::vector<std::string>& args, ToolContext& context);
int RunGlobal(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kLink{"link", "FILE POS PATH", "Set the link text of POS to PATH.", RunLink};
constexpr ToolCommand kGlobal{"global", "FILE POS --file OTHER (--position N | --text NAME) [--auto]",
                              "Add a global pointer below POS; print its Position.", RunGlobal};
RegisterCommand registeredLink{kLink};
RegisterCommand registeredGlobal{kGlobal};

int RunLink(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kLink, args, 3)) return kExitError;
  if (std::string refusal = LinkTextRefusal(args[2]); !refusal.empty()) return Fail(context, refusal);
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) return r;
  if (std::string failed = SetDocumentLink(db, args[2]); !failed.empty()) return Fail(context, failed);
  return CloseAfterEditing(context, db);
}

int RunGlobal(const std::vector<std::string>& args, ToolContext& context) {
  if (args.size() < 2) return UsageError(context, kGlobal);
  std::optional<std::string> other, position, text;
  bool automatic = false;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--auto") {
      automatic = true;
      continue;
    }
    std::optional<std::string>* into = option == "--file"       ? &other
                                       : option == "--position" ? &position
                                       : option == "--text"     ? &text
                                                                : nullptr;
    if (into == nullptr || into->has_value() || i + 1 >= args.size()) return UsageError(context, kGlobal);
    *into = args[++i];
  }
  if (!other || position.has_value() == text.has_value()) return UsageError(context, kGlobal);
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) return r;
  GlobalPointerEditor editor(db, false);
  editor.fileName = *other;
  editor.method = position ? kMethodPosition : kMethodText;
  editor.positionText = position ? *position : "0";
  editor.text = text.value_or("");
  editor.automatic = automatic;
  db.dp->SetLastDirection(DirDown);
  if (std::string refusal = editor.Ok(); !refusal.empty()) return Fail(context, refusal);
  const Position made = db.dp->CurrentPosition();
  if (int r = CloseAfterEditing(context, db); r != kExitOk) return r;
  context.out << made << '\n';
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
