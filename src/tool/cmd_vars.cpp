// quilltool set-var FILE NAME VALUE and get-var FILE NAME: the register variables kept in
// the "SystemRegister" list. get-var prints the value and exits 1 when there is no such
// variable; set-var fails when the database has no "SystemRegister", and refuses a name
// longer than a name block holds rather than cut it into another variable's name.
#include "content/system_lists.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunSetVar(const std::vector<std::string>& args, ToolContext& context);
int RunGetVar(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kSetVar{"set-var", "FILE NAME VALUE",
                              "Set the register variable NAME to VALUE.", RunSetVar};
constexpr ToolCommand kGetVar{"get-var", "FILE NAME",
                              "Print the value of the register variable NAME; exit 1 when none.",
                              RunGetVar};
RegisterCommand registeredSet{kSetVar};
RegisterCommand registeredGet{kGetVar};

int RunSetVar(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kSetVar, args, 3)) return kExitError;
  if (args[1].empty()) return Fail(context, "a register variable needs a name");
  if (!RegisterNameFits(args[1]))
    return Fail(context, "a register variable name holds at most " + std::to_string(kNameMaxText) +
                             " characters");
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  if (SetRegisterVariable(db, args[1], args[2]) < 0) {
    return Fail(context, args[0] + ": no \"" + std::string(kSystemRegisterHeader) + "\" list");
  }
  return CloseAfterEditing(context, db);
}

int RunGetVar(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kGetVar, args, 2)) return kExitError;
  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  std::optional<std::string> value = FindRegisterVariable(db, args[1]);
  if (!value) {
    context.err << "quilltool: no register variable \"" << args[1] << "\"\n";
    return kExitNotFound;
  }
  context.out << Escaped(*value) << '\n';
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
