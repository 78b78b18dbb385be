// quilltool templates FILE: the names the template chooser lists, one a line, in the
// order of the "Definitions" list (its first record left out). The file is only read.
#include "templates/template_store.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunTemplates(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kTemplates{"templates", "FILE", "List the templates a template chooser offers.",
                                 RunTemplates};
RegisterCommand registered{kTemplates};

int RunTemplates(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kTemplates, args, 1)) return kExitError;
  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  for (const std::string& name : ListTemplateNames(db)) context.out << Escaped(name) << '\n';
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
