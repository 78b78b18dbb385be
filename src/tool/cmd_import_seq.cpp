// quilltool import-seq FILE POS TEMPLATE DATAFILE: every record of the sequential data
// file DATAFILE (fixed-length records laid out by TEMPLATE, no header) becomes a data
// record of TEMPLATE below the record at POS, in file order, its bytes as read; prints
// the number of records. Exit 1 when there is no such template; exit 2, importing
// nothing, when the file size is not a whole number of records, the template's data size
// is 0, or the database cannot take the records. A file that cannot be read to its end
// keeps the whole records read before the error (exit 2, saying how many).
#include "exchange/sequential_import.h"
#include "store/datapointer.h"
#include "templates/template_store.h"
#include "tool/edit_file.h"
#include "tool/progress.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunImportSeq(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kImportSeq{"import-seq", "FILE POS TEMPLATE DATAFILE",
                                 "Import the records of a sequential data file below POS; print how many.",
                                 RunImportSeq};
RegisterCommand registered{kImportSeq};

// Drops the command's writes and closes the file.
int Abandon(ToolContext& context, tDataImageArk& db, const std::string& message) {
  db.AbandonChange();
  db.Close();
  return Fail(context, message);
}

int RunImportSeq(const std::vector<std::string>& args, ToolContext& context) {
  using Status = SequentialImportResult::Status;
  if (!ExpectArguments(context, kImportSeq, args, 4)) return kExitError;
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) {
    db.AbandonChange();
    db.Close();
    return r;
  }
  if (LoadTemplate(db, args[2]) != 0) {
    db.AbandonChange();
    db.Close();
    context.err << "quilltool: no template named \"" << Escaped(args[2]) << "\"\n";
    return kExitNotFound;
  }
  SequentialImportResult result;
  {
    TerminalProgress progress(context, "records");
    result = ImportSequentialFile(db, *context.files, args[3], progress.Callback());
  }
  if (result.status == Status::kReadError && result.imported > 0) {
    if (int r = CloseAfterEditing(context, db); r != kExitOk) return r;
    return Fail(context, result.message);
  }
  if (result.status != Status::kDone) return Abandon(context, db, result.message);
  if (int r = CloseAfterEditing(context, db); r != kExitOk) return r;
  context.out << result.imported << '\n';
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
