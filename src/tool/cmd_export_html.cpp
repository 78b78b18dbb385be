// quilltool export-html FILE DIR [--list POS]: the database as HTML pages in DIR, one page
// per list, or with --list only the page of the list holding POS; prints how many pages
// it wrote. DIR must exist; a page that cannot be written ends the command (exit 2) with
// the pages before it kept.
#include "exchange/html_export.h"
#include "store/datapointer.h"
#include "tool/edit_file.h"
#include "tool/progress.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunExportHtml(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kExportHtml{"export-html", "FILE DIR [--list POS]",
                                  "Write the lists as HTML pages into DIR (or the one list holding POS); print the pages written.",
                                  RunExportHtml};
RegisterCommand registered{kExportHtml};

int RunExportHtml(const std::vector<std::string>& args, ToolContext& context) {
  const bool oneList = args.size() == 4 && args[2] == "--list";
  if (args.size() != 2 && !oneList) return UsageError(context, kExportHtml);
  tDataImageArk db(ReadOnceFiles(context.files));
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  const std::string folder = FolderWithSlash(args[1]);
  int64_t pages = 0;
  if (oneList) {
    if (int r = LoadRecordArgument(context, db, args[3]); r != kExitOk) return r;
    WriteListPage(db, *context.files, folder);
    pages = 1;
  } else {
    TerminalProgress progress(context, "pages");
    pages = ExportDatabaseHtml(db, *context.files, folder, progress.Callback());
  }
  context.out << pages << (pages == 1 ? " page\n" : " pages\n");
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
