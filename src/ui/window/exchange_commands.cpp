#include "ui/window/exchange_commands.h"

#include "ui/window/quill_form.h"
#include "ui/window/window_commands.h"

#include <QCursor>
#include <memory>
#include <string>

#include "env/errors.h"
#include "env/folders.h"
#include "env/number_text.h"
#include "env/settings.h"
#include "exchange/html_export.h"
#include "exchange/sequential_import.h"
#include "exchange/text_export.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "commands/command_boundary.h"
#include "commands/dialogs.h"
#include "ui/dialogs/wait_cursor.h"
#include "ui/forms/import_data_form.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

namespace {

constexpr std::string_view kHtmlProgressCaption = "Eksporterer HTML";
constexpr std::string_view kHtmlProgressText = "Skriver sider .....";
constexpr std::string_view kTextProgressCaption = "Eksporterer tekstfil";
constexpr std::string_view kTextProgressText = "Skriver linjer .....";

}  // namespace

void LagHTML(tDataImageArk& db, Dialogs& dialogs, bool wholeDatabase) {
  if (!db.IsOpen()) return;
  std::string folder = dialogs.Input(kHtmlFolderPrompt, veltronapath(kHtmlExportFolder));
  if (folder.empty()) return;
  folder = FolderWithSlash(folder);
  int64_t pages = 1;
  {
    WaitCursor wait;
    if (wholeDatabase) {
      std::unique_ptr<ProgressTask> progress = dialogs.StartProgress(kHtmlProgressCaption, kHtmlProgressText);
      pages = ExportDatabaseHtml(db, db.Files(), folder, [&progress](int64_t done, int64_t total) {
        progress->SetPosition(total > 0 ? int(done * 100 / total) : 0);
        return !progress->Aborted();
      });
    } else {
      WriteListPage(db, db.Files(), folder);
    }
  }
  {
    SectionScope section("STANDARD");
    WriteSettingString(kHtmlFolderKey, folder);
  }
  dialogs.Message(kErrorCaption,
                  GroupedNumber(pages) + (pages == 1 ? " side" : " sider") + " skrevet til " + folder,
                  MessageKind::kInformation);
}

void CSV1Click(tDataImageArk& db, Dialogs& dialogs) {
  if (!db.IsOpen()) return;
  Position templatePos = db.dp->TemplatePos();
  if (templatePos == 0) {
    if (!dialogs.Confirm(kTextExportQuestion)) return;
    // The current record stays on the first record with a template.
    templatePos = FirstTemplateDown(db);
    if (templatePos == 0) return;
  }
  FileRequest request;
  request.title = std::string(kTextExportTitle);
  request.filter = std::string(kTextExportFilter);
  request.folder = veltronapath(kTextExportFolder);
  request.defaultExtension = std::string(kTextExportExtension);
  request.askOverwrite = true;
  const std::optional<std::string> file = dialogs.SaveFile(request);
  if (!file) return;
  TextExportResult result;
  {
    WaitCursor wait;
    std::unique_ptr<ProgressTask> progress = dialogs.StartProgress(kTextProgressCaption, kTextProgressText);
    result = WriteListText(db, db.Files(), *file, templatePos, TextFormat::kClassic,
                           [&progress](int64_t done, int64_t total) {
                             progress->SetPosition(total > 0 ? int(done * 100 / total) : 0);
                             return true;
                           });
  }
  // What was written, and how many lines were longer than a line may be.
  std::string said = GroupedNumber(result.records) + (result.records == 1 ? " post" : " poster") + " eksportert";
  if (result.cutLines > 0)
    said += ", " + GroupedNumber(result.cutLines) + (result.cutLines == 1 ? " linje" : " linjer") +
            " kortet ned til " + std::to_string(kTextLineMax) + " tegn";
  dialogs.Message(kErrorCaption, said,
                  result.cutLines > 0 ? MessageKind::kWarning : MessageKind::kInformation);
}

void Sekvensielledata1Click(tDataImageArk& db, Dialogs& dialogs, QWidget* parent) {
  if (!db.IsOpen()) return;
  TImportDataForm form(db, dialogs, parent);
  ExecOverParent(form);
  if (!form.Result()) return;
  const SequentialImportResult& result = *form.Result();
  using Status = SequentialImportResult::Status;
  if (result.status == Status::kWriteError) throw IoError(result.error, result.message);
  if (result.status == Status::kDone) {
    dialogs.Message(kImportCaption,
                    GroupedNumber(result.imported) + (result.imported == 1 ? " post" : " poster") + " importert",
                    MessageKind::kInformation);
  } else if (!result.message.empty()) {
    dialogs.Message(kImportCaption, result.message, MessageKind::kWarning);
  }
}

// ---- The window's rows ----

void HTML1Click(TQuillForm& w) { LagHTML(w.dataark(), w.dialogs(), true); }
void LagHTMLtabell1Click(TQuillForm& w) { LagHTML(w.dataark(), w.dialogs(), false); }

void CSV1Click(TQuillForm& w) {
  CSV1Click(w.dataark(), w.dialogs());
  w.vis(0);
}

void Sekvensielledata1Click(TQuillForm& w) {
  Sekvensielledata1Click(w.dataark(), w.dialogs(), &w);
  w.vis(0);
}

// Templates name records in the list, so the view is drawn again after the import.
void Malerifrapascalkildekode1Click(TQuillForm& w) {
  if (!w.dataark().IsOpen()) return;
  w.forms().ImportPascal(w.dataark());
  w.vis(0);
}

}  // namespace qn
