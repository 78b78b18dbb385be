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
#include "exchange/database_json.h"
#include "exchange/output_file.h"
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
constexpr std::string_view kJsonFilter = "JSON-filer (*.json)|*.json|Alle filer (*.*)|*.*";
constexpr std::string_view kNewDatabaseFolder = "data\\quillnet";
constexpr std::string_view kJsonFolder = "export";
constexpr std::string_view kJsonImportFolder = "import";
constexpr std::string_view kJsonExportProgressCaption = "Eksporterer JSON";
constexpr std::string_view kJsonImportProgressCaption = "Importerer JSON";
constexpr std::string_view kJsonImportCaption = "Importer JSON";
constexpr std::string_view kJsonProgressText = "Poster .....";

// A progress callback over the progress window that stops the task when the user asks.
ExchangeProgress ProgressOf(ProgressTask& progress) {
  return [&progress](int64_t done, int64_t total) {
    progress.SetPosition(total > 0 ? int(done * 100 / total) : 0);
    return !progress.Aborted();
  };
}

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

bool JSON1Click(tDataImageArk& db, Dialogs& dialogs) {
  if (!db.IsOpen()) return false;
  FileRequest request;
  request.title = "Eksporter JSON";
  request.filter = std::string(kJsonFilter);
  request.folder = veltronapath(kJsonFolder);
  request.defaultExtension = "json";
  request.askOverwrite = true;
  const std::optional<std::string> file = dialogs.SaveFile(request);
  if (!file) return false;
  DumpResult result;
  {
    WaitCursor wait;
    std::unique_ptr<ProgressTask> progress = dialogs.StartProgress(kJsonExportProgressCaption, kJsonProgressText);
    const bool whole = ReplaceFileByPieces(db.Files(), *file, [&](const DumpSink& sink) {
      result = DumpDatabase(db, DumpOptions{}, sink, ProgressOf(*progress));
      return !result.stopped;
    });
    if (!whole) return false;
  }
  dialogs.Message(kErrorCaption,
                  GroupedNumber(result.records) + (result.records == 1 ? " post" : " poster") +
                      " eksportert til " + *file,
                  MessageKind::kInformation);
  return true;
}

std::optional<std::string> JSONnydatabase1Click(Dialogs& dialogs) {
  FileRequest from;
  from.title = std::string(kJsonImportCaption);
  from.filter = std::string(kJsonFilter);
  from.folder = veltronapath(kJsonImportFolder);
  from.mustExist = true;
  const std::optional<std::string> input = dialogs.OpenFile(from);
  if (!input) return std::nullopt;
  FileRequest to;
  to.title = "Ny database";
  to.filter = std::string(kDatabaseFilter);
  to.folder = veltronapath(kNewDatabaseFolder);
  to.defaultExtension = "pdb256";
  const std::optional<std::string> target = dialogs.SaveFile(to);
  if (!target) return std::nullopt;
  const std::shared_ptr<FileSystem> files = DiskFileSystem();
  if (files->KindOf(*target) != EntryKind::kNone) {
    dialogs.Message(kJsonImportCaption, *target + " finnes fra før. Velg et nytt filnavn.", MessageKind::kWarning);
    return std::nullopt;
  }
  LoadResult result;
  {
    WaitCursor wait;
    std::unique_ptr<ProgressTask> progress = dialogs.StartProgress(kJsonImportProgressCaption, kJsonProgressText);
    result = LoadDatabaseFile(files, *input, *target, ProgressOf(*progress));
  }
  if (result.stopped) return std::nullopt;
  if (!result.ok) {
    dialogs.Message(kJsonImportCaption, "Ingen database laget. " + result.message, MessageKind::kWarning);
    return std::nullopt;
  }
  dialogs.Message(kJsonImportCaption,
                  GroupedNumber(result.records) + (result.records == 1 ? " post" : " poster") +
                      " importert til den nye databasen " + *target +
                      ". Den åpne databasen er som før; den nye åpnes med \"Åpne\".",
                  MessageKind::kInformation);
  return target;
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

void JSON1Click(TQuillForm& w) { JSON1Click(w.dataark(), w.dialogs()); }
void JSONnydatabase1Click(TQuillForm& w) { JSONnydatabase1Click(w.dialogs()); }

// Templates name records in the list, so the view is drawn again after the import.
void Malerifrapascalkildekode1Click(TQuillForm& w) {
  if (!w.dataark().IsOpen()) return;
  w.forms().ImportPascal(w.dataark());
  w.vis(0);
}

}  // namespace qn
