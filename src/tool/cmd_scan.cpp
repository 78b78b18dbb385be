// quilltool scan FILE: every block of the file, one line each, as the file information
// window lists them. Reads its own read-only handle; the file is never changed.
#include "store/block_scan.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunScan(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kScan{"scan", "FILE",
                            "List every block of the file with its position, size and kind.",
                            RunScan};
RegisterCommand registered{kScan};

int RunScan(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kScan, args, 1)) return kExitError;
  const std::string& fileName = args[0];
  if (!context.files->Exists(fileName)) return Fail(context, fileName + ": no such file");
  int32_t error = ScanDatabaseFile(*context.files, fileName,
                                   [&context](const std::string& line) { context.out << line << '\n'; });
  if (error != 0) return Fail(context, fileName + ": cannot open (" + ErrorDescription(error) + ")");
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
