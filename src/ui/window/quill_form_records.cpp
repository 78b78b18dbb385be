// TQuillForm's commands on the records that lead elsewhere or carry more than a line:
// notes, bookmarks and the quick list, document links, programs, global pointers, and the
// setup dialogs. What each decides is in the models of content/ and commands/; the forms
// show them through WindowForms, and questions go through the dialog seam.
#include <QCursor>
#include <QGuiApplication>
#include <QTimer>
#include <array>
#include <filesystem>

#include "content/bookmark_explorer.h"
#include "content/bookmark_index.h"
#include "content/display_name.h"
#include "content/document_link.h"
#include "content/global_pointer.h"
#include "content/note_text.h"
#include "content/program_record.h"
#include "content/quick_list.h"
#include "content/system_lists.h"
#include "templates/template_store.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "ui/dialogs/command_boundary.h"
#include "ui/dialogs/wait_cursor.h"
#include "ui/window/quill_form.h"

namespace qn {
namespace {

constexpr std::string_view kFindBookmarkPrompt = "Finn bokmerke";
constexpr std::string_view kAddBookmarkPrompt = "Legg til index";
constexpr std::string_view kNewTablePrompt = "Ny innholdsfortegnelse";
constexpr std::string_view kAddQuickPrompt = "Legg til i hurtigliste";

}  // namespace

// ---- Notes -------------------------------------------------------------------------------

void TQuillForm::Notat1Click() {
  if (!dataark_.IsOpen()) return;
  const NewLineChoice choice = dialogs().ChooseNewNote();
  if (choice.direction == DirNull) return;
  if (choice.text.empty()) {
    Tell("Notatet må ha et navn; det er ikke laget.");
    return;
  }
  if (NewNote(dataark_, choice.direction, choice.text) < 0) {
    Tell("Notatet kunne ikke lages her.");
    vis(0);
    return;
  }
  EditNote();
  vis(0);
}

bool TQuillForm::EditNote() {
  if (!dataark_.IsOpen()) return false;
  NoteEditor editor(dataark_);
  return forms().EditNote(editor, dataark_.ReadOnly());
}

// ---- Bookmarks and the quick list -------------------------------------------------------

void TQuillForm::Skiindex1Click() {
  if (!dataark_.IsOpen()) return;
  const std::string name = dialogs().Prompt(kFindBookmarkPrompt, "");
  if (name.empty()) return;
  FindIndexEntry(dataark_, name);
  vis(0);
}

void TQuillForm::Leggtiliindex1Click() {
  if (!dataark_.IsOpen()) return;
  const std::string name = dialogs().Prompt(kAddBookmarkPrompt, DisplayName(dataark_));
  if (name.empty()) return;
  if (AddBookmark(dataark_, name) < 0)
    Tell("Bokmerket kunne ikke legges til: databasen har ingen innholdsfortegnelse under \"Index\".");
}

void TQuillForm::Nyindex1Click() {
  if (!dataark_.IsOpen()) return;
  const std::string name = dialogs().Prompt(kNewTablePrompt, "");
  if (name.empty()) return;
  if (NewTableOfContents(dataark_, name) < 0)
    Tell("Databasen har ingen \"Index\"; innholdsfortegnelsen er ikke laget.");
}

void TQuillForm::Indexutforsker1Click() {
  if (!dataark_.IsOpen()) return;
  BookmarkExplorer explorer(dataark_);
  if (forms().ExploreBookmarks(explorer)) vis(0);
}

void TQuillForm::Leggtilhurtigmeny1Click() {
  if (!dataark_.IsOpen()) return;
  const std::string name = dialogs().Prompt(kAddQuickPrompt, DisplayName(dataark_));
  if (name.empty()) return;
  if (AddQuickListEntry(dataark_, name) < 0) {
    Tell("Databasen har ingen \"Filelinks\"; hurtiglisten er ikke endret.");
    return;
  }
  ScanHurtigListen();
}

// ---- Document links ----------------------------------------------------------------------

void TQuillForm::Dokumenttilknytning1Click() {
  if (!dataark_.IsOpen()) return;
  const NewDocumentChoice choice = dialogs().ChooseNewDocument();
  if (choice.direction == DirNull) return;
  Tell(NewDocumentLink(dataark_, choice));
  vis(0);
}

void TQuillForm::Tilknyttdokument1Click() {
  if (!dataark_.IsOpen()) return;
  FileRequest request;
  request.title = "Åpne database";
  request.filter = kDatabaseFilter;
  request.mustExist = true;
  const std::optional<std::string> chosen = dialogs().OpenFile(request);
  if (!chosen || chosen->empty()) return;
  Tell(SetDocumentLink(dataark_, *chosen));
  SetButton();
}

void TQuillForm::pnedokument1Click() {
  if (!dataark_.IsOpen()) return;
  std::string failed;
  {
    WaitCursor wait;
    failed = OpenDocument(dataark_);
  }
  Tell(failed);
}

// ---- Global pointers ---------------------------------------------------------------------

void TQuillForm::Globalpeker1Click() {
  if (!dataark_.IsOpen()) return;
  GlobalPointerEditor editor(dataark_, false);
  forms().EditGlobalPointer(editor);
}

void TQuillForm::OpenGlobalPointer() {
  if (dataark_.dp->AutoFollow() && FollowGlobalPointer(true)) return;
  const bool readOnly = dataark_.ReadOnly();
  GlobalPointerEditor editor(dataark_, true);
  // On a read-only database the form shows the pointer; its "O&k" is refused.
  if (forms().EditGlobalPointer(editor) && readOnly) Tell(kReadOnlyRefusal);
}

bool TQuillForm::FollowGlobalPointer(bool automatic) {
  if (!dataark_.IsOpen()) return false;
  const std::optional<GlobalPointer> pointer = ReadGlobalPointer(dataark_);
  if (!pointer || (automatic && !pointer->automatic)) return false;
  const GlobalTarget target = ResolveGlobalTarget(*pointer, dataark_.FileName());
  std::error_code ec;
  if (!std::filesystem::equivalent(target.file, dataark_.FileName(), ec)) {
    if (const std::string refusal = GlobalFileRefusal(target.file); !refusal.empty()) {
      Tell(refusal + " Den åpne databasen er beholdt.");
      return false;
    }
    const bool autoFollow = dataark_.dp->AutoFollow();
    const std::string previous = dataark_.FileName();
    const Position at = dataark_.dp->CurrentPosition();
    dataark_.Close();
    std::string file = target.file;
    if (!OpenDatabase(file, false)) {
      file = previous;
      OpenDatabase(previous, false);
      if (dataark_.IsOpen()) dataark_.dp->Load(at);
    }
    if (dataark_.IsOpen()) dataark_.dp->SetAutoFollow(autoFollow);
    // The marks name records of the file left behind.
    RemoveAllMarks();
    SetCaption(file);
    applicationTitle_ = file;
    ScanHurtigListen();
    if (file == previous) {
      vis(1);
      return false;
    }
  }
  GoToGlobalTarget(dataark_, target.pointer);
  vis(1);
  return true;
}

// ---- Programs ----------------------------------------------------------------------------

void TQuillForm::Malforprogram1Click() {
  if (!dataark_.IsOpen()) return;
  const std::string name = dialogs().Prompt(kProgramNamePrompt, "");
  if (name.empty()) return;
  CursorRestorer keeper(*dataark_.dp);
  if (NewProgramRecord(dataark_, name) < 0) {
    Tell("Databasen har ingen \"Programs\"; programmet er ikke laget.");
    return;
  }
  EditProgram();
}

void TQuillForm::EditProgram() {
  if (!dataark_.IsOpen()) return;
  ProgramEditor editor(dataark_);
  if (!editor.IsProgram()) return;
  if (forms().EditProgram(editor) && dataark_.ReadOnly()) Tell(kReadOnlyRefusal);
}

void TQuillForm::Tilknyttprogram1Click() {
  if (!dataark_.IsOpen() || dataark_.dp->TemplatePos() <= 0) return;
  // TLinkProgramForm: the programs of "Programs" by name, "&Tilknytt" and "&Avbryt".
  const std::vector<ProgramChoice> programs = ListPrograms(dataark_);
  std::vector<std::string> names;
  for (const ProgramChoice& program : programs) names.push_back(program.name);
  const std::optional<size_t> chosen =
      dialogs().ChooseLine("Tilknytt program", "&Program:", names, "&Tilknytt");
  if (!chosen || *chosen >= programs.size()) return;
  LinkTemplateProgram(dataark_, programs[*chosen].dataBlock);
}

void TQuillForm::Fjerntilknytningtilprogram1Click() {
  if (!dataark_.IsOpen() || dataark_.dp->TemplatePos() <= 0) return;
  if (!dialogs().Confirm("Fjerne program tilknytning til data ?")) return;
  UnlinkTemplateProgram(dataark_);
}

void TQuillForm::RunProgram() {
  if (!dataark_.IsOpen()) return;
  // Starting another program ends the watch of the one before.
  if (FilTimer_ != nullptr) FilTimer_->stop();
  run_ = PrepareProgram(dataark_);
  if (!StartPreparedProgram(run_)) {
    Tell(run_.message);
    run_ = ProgramRun{};
    return;
  }
  if (run_.useData) return;
  if (FilTimer_ == nullptr) {
    FilTimer_ = new QTimer(this);
    FilTimer_->setObjectName("FilTimer");
    FilTimer_->setInterval(200);
    connect(FilTimer_, &QTimer::timeout, this, [this] { Command([this] { FilTimerTimer(); }); });
  }
  FilTimer_->start();
}

void TQuillForm::FilTimerTimer() {
  if (run_.exchangeFile.empty() || !dataark_.IsOpen()) return;
  if (dataark_.ReadOnly()) {
    FilTimer_->stop();
    Tell(kReadOnlyRefusal);
    run_ = ProgramRun{};
    return;
  }
  const ReadBackResult result = ReadBackExchangeFile(dataark_, run_);
  if (result.status == ReadBackStatus::kWaiting) return;
  FilTimer_->stop();
  run_ = ProgramRun{};
  Tell(result.message);
  vis(0);
}

void TQuillForm::ReplicateList(ListReplication change) {
  if (!dataark_.IsOpen()) return;
  SetListReplication(dataark_, change);
  vis(1);
}

}  // namespace qn
