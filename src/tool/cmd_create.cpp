// quilltool create FILE: a new database file. An existing file is never touched.
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunCreate(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kCreate{"create", "FILE",
                              "Create a new database file (refused when FILE exists).", RunCreate};
RegisterCommand registered{kCreate};

int RunCreate(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kCreate, args, 1)) return kExitError;
  const std::string& fileName = args[0];
  if (context.files->Exists(fileName)) return Fail(context, fileName + ": already exists");
  tDataImageArk database(context.files);
  database.Open(fileName, OpenPolicy::kCreate);
  if (!database.IsOpen()) {
    return Fail(context, fileName + ": cannot create (" + ErrorDescription(database.LastError()) + ")");
  }
  database.Close();
  if (database.LastError() != 0) {
    return Fail(context, fileName + ": cannot close (" + ErrorDescription(database.LastError()) + ")");
  }
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
