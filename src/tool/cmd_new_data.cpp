// quilltool new-data FILE POS down|right|left TEMPLATE: a data record of TEMPLATE below,
// into the sub-list of, or to the left of the record at POS, with a zero payload, made as
// the new-data dialog makes it; prints its Position. Exit 1 when no template has the name.
#include "store/datapointer.h"
#include "templates/data_editor.h"
#include "templates/template_store.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunNewData(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kNewData{"new-data", "FILE POS down|right|left TEMPLATE",
                               "Make a data record of TEMPLATE next to the record at POS; print its Position.",
                               RunNewData};
RegisterCommand registered{kNewData};

int RunNewData(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kNewData, args, 4)) return kExitError;
  tDirection direction = DirNull;
  if (args[2] == "down") direction = DirDown;
  if (args[2] == "right") direction = DirRight;
  if (args[2] == "left") direction = DirLeft;
  if (direction == DirNull) return UsageError(context, kNewData);
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) return r;
  if (LoadTemplate(db, args[3]) != 0) {
    context.err << "quilltool: no template named \"" << args[3] << "\"\n";
    return kExitNotFound;
  }
  Position record = CreateDataRecord(db, direction);
  if (record <= 0) return Fail(context, "the data record could not be made");
  if (int r = CloseAfterEditing(context, db); r != kExitOk) return r;
  context.out << record << '\n';
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
