// The window's commands on records that lead elsewhere or carry more than a line: data
// records and templates, notes, bookmarks and the quick list, document links, programs and
// global pointers. What each decides is in the models of content/ and commands/; the forms
// show them through WindowForms, and questions go through the dialog seam.
#include "ui/window/window_commands.h"

#include <filesystem>

#include "store/database.h"
#include "store/datapointer.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/wait_cursor.h"
#include "ui/window/quill_form.h"
#include "content/bookmark_explorer.h"
#include "content/bookmark_index.h"
#include "content/display_name.h"
#include "content/document_link.h"
#include "content/global_pointer.h"
#include "content/note_text.h"
#include "content/program_record.h"
#include "content/quick_list.h"
#include "content/system_lists.h"
#include "commands/command_support.h"
#include "templates/template_store.h"

namespace qn {
namespace {

constexpr std::string_view kFindBookmarkPrompt = "Finn bokmerke";
constexpr std::string_view kAddBookmarkPrompt = "Legg til index";
constexpr std::string_view kNewTablePrompt = "Ny innholdsfortegnelse";
constexpr std::string_view kAddQuickPrompt = "Legg til i hurtigliste";

}  // namespace

void Data1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const NewDataOutcome outcome = w.NewData().Run(
      db,
      [&w](const NewDataQuestion& question) {
        const NewDataChoice choice = w.dialogs().ChooseNewData(question.templates);
        return NewDataAnswer{choice.ok, choice.name, choice.direction, choice.updateFromMarked};
      },
      [&w](tDataImageArk&) { return w.EditData(); });
  switch (outcome.status) {
    case NewDataOutcome::Status::kTemplateNotLoaded:
      w.dialogs().Message(kErrorCaption, "Finner ikke malen \"" + outcome.name + "\".",
                        MessageKind::kWarning);
      break;
    case NewDataOutcome::Status::kNotCreated:
      w.dialogs().Message(kErrorCaption, "Dataposten kunne ikke lages.", MessageKind::kError);
      break;
    default:
      break;
  }
  if (!outcome.name.empty()) w.vis(0);
}

void Tilknyttmal1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (GiveTemplate(db, w.dialogs())) w.vis(0);
}

void Notat1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const NewLineChoice choice = w.dialogs().ChooseNewNote();
  if (choice.direction == DirNull) return;
  if (choice.text.empty()) {
    w.Tell("Notatet må ha et navn; det er ikke laget.");
    return;
  }
  if (NewNote(db, choice.direction, choice.text) < 0) {
    w.Tell("Notatet kunne ikke lages her.");
    w.vis(0);
    return;
  }
  w.EditNote();
  w.vis(0);
}

void Skiindex1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const std::string name = w.dialogs().Prompt(kFindBookmarkPrompt, "");
  if (name.empty()) return;
  FindIndexEntry(db, name);
  w.vis(0);
}

void Leggtiliindex1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const std::string name = w.dialogs().Prompt(kAddBookmarkPrompt, DisplayName(db));
  if (name.empty()) return;
  if (AddBookmark(db, name) < 0)
    w.Tell("Bokmerket kunne ikke legges til: databasen har ingen innholdsfortegnelse under \"Index\".");
}

void Nyindex1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const std::string name = w.dialogs().Prompt(kNewTablePrompt, "");
  if (name.empty()) return;
  if (NewTableOfContents(db, name) < 0)
    w.Tell("Databasen har ingen \"Index\"; innholdsfortegnelsen er ikke laget.");
}

void Indexutforsker1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  BookmarkExplorer explorer(db);
  if (w.forms().ExploreBookmarks(explorer)) w.vis(0);
}

void Leggtilhurtigmeny1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const std::string name = w.dialogs().Prompt(kAddQuickPrompt, DisplayName(db));
  if (name.empty()) return;
  if (AddQuickListEntry(db, name) < 0) {
    w.Tell("Databasen har ingen \"Filelinks\"; hurtiglisten er ikke endret.");
    return;
  }
  w.ScanHurtigListen();
}

void Dokumenttilknytning1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const NewDocumentChoice choice = w.dialogs().ChooseNewDocument();
  if (choice.direction == DirNull) return;
  w.Tell(NewDocumentLink(db, choice));
  w.vis(0);
}

void Tilknyttdokument1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  FileRequest request;
  request.title = "Åpne database";
  request.filter = kDatabaseFilter;
  request.mustExist = true;
  const std::optional<std::string> chosen = w.dialogs().OpenFile(request);
  if (!chosen || chosen->empty()) return;
  w.Tell(SetDocumentLink(db, *chosen));
  w.SetButton();
}

void pnedokument1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  std::string failed;
  {
    WaitCursor wait;
    failed = OpenDocument(db);
  }
  w.Tell(failed);
}

void Globalpeker1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  GlobalPointerEditor editor(db, false);
  // The new pointer is current when the form closes: show it at once.
  if (w.forms().EditGlobalPointer(editor)) w.vis(0);
}

void OpenGlobalPointer(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (db.dp->AutoFollow() && w.FollowGlobalPointer(true)) return;
  const bool readOnly = db.ReadOnly();
  GlobalPointerEditor editor(db, true);
  // On a read-only database the form shows the pointer; its "O&k" is refused.
  if (w.forms().EditGlobalPointer(editor) && readOnly) w.Tell(kReadOnlyRefusal);
}

void Malforprogram1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const std::string name = w.dialogs().Prompt(kProgramNamePrompt, "");
  if (name.empty()) return;
  CursorRestorer keeper(*db.dp);
  if (NewProgramRecord(db, name) < 0) {
    w.Tell("Databasen har ingen \"Programs\"; programmet er ikke laget.");
    return;
  }
  EditProgram(w);
}

void EditProgram(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  ProgramEditor editor(db);
  if (!editor.IsProgram()) return;
  if (w.forms().EditProgram(editor) && db.ReadOnly()) w.Tell(kReadOnlyRefusal);
}

void Tilknyttprogram1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen() || db.dp->TemplatePos() <= 0) return;
  // TLinkProgramForm: the programs of "Programs" by name, "&Tilknytt" and "&Avbryt".
  const std::vector<ProgramChoice> programs = ListPrograms(db);
  std::vector<std::string> names;
  for (const ProgramChoice& program : programs) names.push_back(program.name);
  const std::optional<size_t> chosen =
      w.dialogs().ChooseLine("Tilknytt program", "&Program:", names, "&Tilknytt");
  if (!chosen || *chosen >= programs.size()) return;
  LinkTemplateProgram(db, programs[*chosen].dataBlock);
}

void Fjerntilknytningtilprogram1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen() || db.dp->TemplatePos() <= 0) return;
  if (!w.dialogs().Confirm("Fjerne program tilknytning til data ?")) return;
  UnlinkTemplateProgram(db);
}

// Templates name records in the list, so the view is drawn again after the editor.
void Definisjon1Click(TQuillForm& w) {
  if (!w.dataark().IsOpen()) return;
  w.EditTemplate(true);
  w.vis(0);
}

void Redigermal1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen() || !db.dp->IsRecordAt(db.dp->TemplatePos())) return;
  {
    CursorRestorer back(*db.dp);
    db.dp->Load(db.dp->TemplatePos());
    w.EditTemplate(false);
  }
  w.vis(0);
}

}  // namespace qn
