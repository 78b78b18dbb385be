// quilltool tree FILE: every record reachable from the top, depth first, one line each:
// two blanks per level, the Position, the kind and the record's display name (the line
// the program shows for it). The file is opened read-only and never changed.
#include <string>

#include "store/datapointer.h"
#include "content/display_name.h"
#include "store/tree_walk.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunTree(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kTree{"tree", "FILE",
                            "List every record reachable from the top: Position, kind, display name.",
                            RunTree};
RegisterCommand registered{kTree};

int RunTree(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kTree, args, 1)) return kExitError;
  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  Datapointer& dp = *db.dp;
  WalkTree(db, [&](Position p, int depth) {
    dp.Load(p);
    context.out << std::string(size_t(depth) * 2, ' ') << p << ' ' << dp.Kind() << ' '
                << Escaped(DisplayName(db)) << '\n';
    return true;
  });
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
