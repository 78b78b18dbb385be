// quilltool export-text FILE POS OUT [--csv]: the data records of the list holding POS
// that share the template of POS (or, when POS has none, of the first record below it
// that has one) into the text file OUT, the list's first record left out: Windows-1252
// lines of ";"-ended names and ";"-joined values cut to 255 characters, or with --csv
// RFC 4180 CSV in UTF-8. Prints the records written; exit 1 when the list has no data
// record at or below POS.
#include "exchange/text_export.h"
#include "store/datapointer.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunExportText(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kExportText{"export-text", "FILE POS OUT [--csv]",
                                  "Write the data records of the list holding POS into the text file OUT; print how many.",
                                  RunExportText};
RegisterCommand registered{kExportText};

int RunExportText(const std::vector<std::string>& args, ToolContext& context) {
  const bool csv = args.size() == 4 && args[3] == "--csv";
  if (args.size() != 3 && !csv) return UsageError(context, kExportText);
  tDataImageArk db(ReadOnceFiles(context.files));
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) return r;
  const Position templatePos = FirstTemplateDown(db);
  if (templatePos == 0) {
    context.err << "quilltool: no data record in the list at or below Position " << args[1] << '\n';
    return kExitNotFound;
  }
  const TextExportResult result =
      WriteListText(db, *context.files, args[2], templatePos, csv ? TextFormat::kCsv : TextFormat::kClassic);
  context.out << result.records << (result.records == 1 ? " record\n" : " records\n");
  if (result.cutLines > 0)
    context.out << result.cutLines << (result.cutLines == 1 ? " line" : " lines") << " cut to "
                << kTextLineMax << " characters\n";
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
