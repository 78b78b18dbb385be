// quilltool show FILE POS: the pointer record at POS field by field, in the order of the
// file layout, then its name and display name and, for a record laid out by a template,
// one line per field with the data editor's text. The file is opened read-only.
#include <string>

#include "store/datapointer.h"
#include "content/display_name.h"
#include "store/record_blocks.h"
#include "env/datetime_text.h"
#include "templates/field_io.h"
#include "templates/template_store.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunShow(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kShow{"show", "FILE POS",
                            "Print the record at POS: its fields, name, display name and data.",
                            RunShow};
RegisterCommand registered{kShow};

// A stored time as the properties show it; 0.0 is "Aldri" (never).
std::string TimeText(double stamp) {
  if (stamp == 0.0) return "Aldri";
  return FormatShortDate(stamp) + " " + FormatLongTime(stamp);
}

void PrintFields(std::ostream& out, const PointerRecord& r) {
  auto line = [&out](std::string_view name, const auto& value) {
    out << name << ": " << value << '\n';
  };
  line("position", r.position);
  line("up", r.up);
  line("down", r.down);
  line("left", r.left);
  line("right", r.right);
  line("inward", r.inward);
  line("outward", r.outward);
  line("inheritBlock", r.inheritBlock);
  line("sourceRecord", r.sourceRecord);
  line("dataBlock", r.dataBlock);
  line("updateFrom", r.updateFrom);
  line("dataOffset", r.dataOffset);
  line("templatePos", r.templatePos);
  line("origin", r.origin);
  line("kind", r.kind);
  line("nameBlock", r.nameBlock);
  line("created", TimeText(r.created));
  line("changed", TimeText(r.changed));
  line("replicated", TimeText(r.replicated));
  line("replication", r.replication);
  line("linkBlock", r.linkBlock);
  line("noteBlock", r.noteBlock);
  line("pictureBlock", r.pictureBlock);
}

// The fields of a data record as the data editor shows them.
void PrintData(std::ostream& out, tDataImageArk& db) {
  if (db.dp->TemplatePos() <= 0 || LoadRecordTemplate(db) != 0) return;
  const tLoadedTemplate& tmpl = LoadedTemplate(db);
  SeekToFieldValues(db, false);
  for (size_t i = 0; i < tmpl.Fields.size(); ++i) {
    const TemplateField& field = tmpl.Fields[i];
    if (field.DataType == 0) continue;
    ReadFieldValue(db, i);
    out << "field " << PrintableText(field.Name) << ": "
        << Escaped(FieldValueText(db, i, ShowOptions::Editor())) << '\n';
  }
}

int RunShow(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kShow, args, 2)) return kExitError;
  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  Datapointer& dp = *db.dp;
  // Position 0 is the file header record, shown like any record.
  if (args[1] == "0") {
    dp.Load(0);
  } else if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) {
    return r;
  }
  PrintFields(context.out, dp.Record());
  context.out << "name: " << Escaped(ReadName(db)) << '\n';
  context.out << "display: " << Escaped(DisplayName(db)) << '\n';
  PrintData(context.out, db);
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
