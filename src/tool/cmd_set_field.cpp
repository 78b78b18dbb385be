// quilltool set-field FILE POS NAME VALUE: stores VALUE in the field NAME of the data
// record at POS through the data editor's save, converting it by the field's type; every
// other field keeps its bytes. Prints the field's text as now stored. Exit 1 when the
// record's template has no field NAME, 2 when the value is refused (one line on stderr).
#include "templates/data_editor.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunSetField(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kSetField{"set-field", "FILE POS NAME VALUE",
                                "Store VALUE in field NAME of the data record at POS.", RunSetField};
RegisterCommand registered{kSetField};

int RunSetField(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kSetField, args, 4)) return kExitError;
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) return r;
  DataEditor editor(db);
  if (editor.LoadTemplate() != 0)
    return Fail(context, "the record at Position " + args[1] + " has no template that can be loaded");
  editor.LesData();
  std::optional<size_t> row = editor.RowOf(args[2]);
  if (!row) {
    context.err << "quilltool: the template has no field named \"" << args[2] << "\"\n";
    return kExitNotFound;
  }
  editor.SetValue(*row, args[3]);
  DataSaveResult result = editor.SkrivData(SaveRows::kEdited);
  if (!result.Written()) return Fail(context, result.message);
  if (!result.refusedRows.empty())
    return Fail(context, "\"" + args[3] + "\" is not a value the field \"" + args[2] + "\" can hold");
  editor.LesData();
  std::string shown = editor.Value(*row);
  if (int r = CloseAfterEditing(context, db); r != kExitOk) return r;
  context.out << Escaped(shown) << '\n';
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
