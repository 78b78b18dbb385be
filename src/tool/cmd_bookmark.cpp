// quilltool bookmark FILE add POS NAME / find NAME, and quilltool quick FILE add POS NAME /
// list: the bookmarks of the current table of contents and the quick list's entries. find
// prints the bookmarked Position and exits 1 when the name is no bookmark; list prints each
// entry's display name and target, one a line.
#include "content/bookmark_index.h"
#include "content/quick_list.h"
#include "store/datapointer.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunBookmark(const std::vector<std::string>& args, ToolContext& context);
int RunQuick(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kBookmark{"bookmark", "FILE add POS NAME | FILE find NAME",
                                "Add a bookmark NAME for POS, or print the Position NAME leads to.",
                                RunBookmark};
constexpr ToolCommand kQuick{"quick", "FILE add POS NAME | FILE list",
                             "Add a quick-list entry NAME for POS, or list the entries.", RunQuick};
RegisterCommand registeredBookmark{kBookmark};
RegisterCommand registeredQuick{kQuick};

// Opens FILE for editing with the cursor on POS (args[2]).
int OpenOnRecord(ToolContext& context, const std::vector<std::string>& args, tDataImageArk& db) {
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  return LoadRecordArgument(context, db, args[2]);
}

int RunBookmark(const std::vector<std::string>& args, ToolContext& context) {
  const bool add = args.size() == 4 && args[1] == "add";
  const bool find = args.size() == 3 && args[1] == "find";
  if (!add && !find) return UsageError(context, kBookmark);
  const std::string& name = args.back();
  if (name.empty()) return Fail(context, "a bookmark needs a name");
  tDataImageArk db(context.files);
  if (find) {
    if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
    const Position target = FindIndexEntry(db, name);
    if (target < 0) return Fail(context, args[0] + ": no table of contents under \"Index\"");
    if (target == 0) {
      context.err << "quilltool: no bookmark \"" << Escaped(name) << "\"\n";
      return kExitNotFound;
    }
    context.out << target << '\n';
    return kExitOk;
  }
  if (int r = OpenOnRecord(context, args, db); r != kExitOk) return r;
  if (AddBookmark(db, name) < 0)
    return Fail(context, args[0] + ": no table of contents under \"Index\", or a damaged one");
  return CloseAfterEditing(context, db);
}

int RunQuick(const std::vector<std::string>& args, ToolContext& context) {
  const bool add = args.size() == 4 && args[1] == "add";
  const bool list = args.size() == 2 && args[1] == "list";
  if (!add && !list) return UsageError(context, kQuick);
  tDataImageArk db(context.files);
  if (list) {
    if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
    for (const QuickListEntry& entry : QuickListEntries(db))
      context.out << Escaped(entry.name) << '\t' << entry.target << '\n';
    return kExitOk;
  }
  if (args[3].empty()) return Fail(context, "a quick-list entry needs a name");
  if (int r = OpenOnRecord(context, args, db); r != kExitOk) return r;
  if (AddQuickListEntry(db, args[3]) < 0) return Fail(context, args[0] + ": no \"Filelinks\" list");
  return CloseAfterEditing(context, db);
}

}  // namespace

}  // namespace qn::tool
