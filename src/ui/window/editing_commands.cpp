// The window's editing commands on the current record and its list: new lines, delete,
// copy, cut and paste, moves, the sort, the record-size repair, opening a record by its
// kind, its properties, and the list's replication fields.
#include "ui/window/window_commands.h"

#include "store/database.h"
#include "store/datapointer.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/wait_cursor.h"
#include "ui/window/quill_form.h"
#include "commands/block_commands.h"
#include "commands/command_support.h"
#include "commands/list_commands.h"
#include "commands/list_replication.h"
#include "commands/list_sort.h"
#include "commands/navigation.h"
#include "commands/repair.h"
#include "content/program_record.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"
#include "ui/forms/point_form.h"

namespace qn {
namespace {

// Delete and cut: the record leaves the shown list, or the status bar says why it stays.
void RemoveCurrent(TQuillForm& w, int32_t (*remove)(tDataImageArk&)) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const bool refused = remove(db) < 0;
  if (!refused) w.Place().Replaced(db, 0, 1, 0);
  w.vis(0);
  if (refused) w.SetStatusText(1, DeleteRefusedText(db));
}

// The two pastes: the new record below tells where its data comes from, or the status bar
// says why nothing was pasted.
void PasteBelow(TQuillForm& w, bool (*paste)(tDataImageArk&)) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const bool pasted = paste(db);
  if (pasted) w.Place().Replaced(db, 1, 0, 1);
  w.vis(0);
  if (pasted) {
    w.ShowOrigin();
  } else {
    w.SetStatusText(1, PasteRefusedText(db));
  }
}

}  // namespace

void Linje1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const NewLineChoice choice = w.dialogs().ChooseNewLine();
  if (choice.direction == DirNull) return;
  const bool made = NewLine(db, choice.direction, choice.text) >= 0;
  if (made && choice.direction == DirDown) w.Place().Replaced(db, 1, 0, 1);
  w.vis(0);
  if (!made) w.SetStatusText(1, choice.text.empty() ? kLineWithoutTextText : kNoLineHereText);
}

void Slett2Click(TQuillForm& w) { RemoveCurrent(w, &DeleteRecord); }
void Klipput1Click(TQuillForm& w) { RemoveCurrent(w, &CutRecord); }
void Liminn2Click(TQuillForm& w) {
  PasteBelow(w, [](tDataImageArk& db) { return PasteRecord(db) >= 0; });
}
void Liminnpeker1Click(TQuillForm& w) {
  PasteBelow(w, [](tDataImageArk& db) { return PasteRecordShadow(db) > 0; });
}

void Kopier3Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  if (CopyRecord(db) < 0) w.SetStatusText(1, CopyRefusedText(db));
  w.SetButton();
}

void FlyttNed(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const bool refused = db.dp->MoveDown() < 0;
  if (!refused) w.Place().Replaced(db, 0, 2, 2);
  w.vis(0);
  if (refused) w.SetStatusText(1, kLastInListText);
}

void FlyttOpp(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const bool refused = MoveRecordUp(db) < 0;
  if (!refused) w.Place().Replaced(db, -1, 2, 2);
  w.vis(0);
  if (refused) w.SetStatusText(1, kFirstInListText);
}

void SortCurrentList(TQuillForm& w, bool ascending) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  SortResult result;
  {
    WaitCursor wait;
    result = SortList(db, ascending);
  }
  if (result.status == SortStatus::kDamaged) w.Tell(kSortDamagedMessage);
  if (result.status == SortStatus::kReadOnly) w.Tell(kReadOnlyMessage);
  w.vis(0);
}

void Fix1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  RepairResult result;
  {
    WaitCursor wait;
    result = RepairRecordSizes(db);
  }
  w.vis(0);
  w.SetStatusText(1, std::to_string(result.repaired) + " av " + std::to_string(result.records) +
                       " pekere rettet");
}

void Egenskaper1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  Datapointer& dp = *db.dp;
  const int32_t kind = dp.Kind();
  const bool data = (kind & ~kKindNamed) == kKindData || (kind & ~kKindNamed) == kKindDataWithTemplate;
  switch (OpenActionFor(kind, data && dp.TemplatePos() > 0 && TemplateHasProgram(db))) {
    case OpenAction::kRename: {
      // "Å&pne" also shows records of other kinds, so only this case is an edit.
      if (w.RefusedReadOnly()) break;
      // An empty answer (or cancel) keeps the name.
      const std::string answer = w.dialogs().Prompt(kRenamePrompt, ReadName(db));
      if (RenameRecord(db, answer)) w.vis(0);
      break;
    }
    case OpenAction::kStartProgram:
      w.RunProgram();
      break;
    case OpenAction::kProgramDialog:
      EditProgram(w);
      break;
    case OpenAction::kDataEditor:
      if (w.EditData()) w.vis(0);
      break;
    case OpenAction::kTemplateEditor:
      w.EditTemplate(false);
      w.vis(0);
      break;
    case OpenAction::kProperties:
      Endrenavn1Click(w);
      break;
    case OpenAction::kNoteEditor:
      if (w.EditNote()) w.vis(0);
      break;
    case OpenAction::kBookmarkExplorer:
      Indexutforsker1Click(w);
      break;
    case OpenAction::kOpenDocument:
      pnedokument1Click(w);
      break;
    case OpenAction::kGlobalPointer:
      OpenGlobalPointer(w);
      break;
    default:
      // The windows of the other kinds are not part of the program yet.
      w.SetStatusText(1, kNoWindowYetText);
      break;
  }
}

void Endrenavn1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  ShowPointerProperties(db, w.dialogs(), &w);
  // The dialog's own push and pop work on the stack the marks live on.
  if (w.MarkLines().Sync()) {
    w.ShowMarks();
    if (w.MarkLines().Count() > 0) w.ShowPanel(WindowPanel::kMarks, true);
  }
  w.vis(1);
}

void ReplicateList(TQuillForm& w, ListReplication change) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  SetListReplication(db, change);
  w.vis(1);
}

}  // namespace qn
