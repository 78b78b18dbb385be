// quilltool find FILE NAME: the Position of the first record named NAME, searched from
// the top as the program finds its standard headers; exit 1 when no record has it.
#include "store/record_blocks.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunFind(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kFind{"find", "FILE NAME",
                            "Print the Position of the first record named NAME (exact case).",
                            RunFind};
RegisterCommand registered{kFind};

int RunFind(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kFind, args, 2)) return kExitError;
  tDataImageArk db(ReadOnceFiles(context.files));
  if (int r = OpenForWalking(context, args[0], db); r != kExitOk) return r;
  Position found = ScanForString(db, args[1], true);
  if (found < 0) {
    context.err << "quilltool: no record named \"" << args[1] << "\"\n";
    return kExitNotFound;
  }
  context.out << found << '\n';
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
