// The window's marks and block: pushing and popping marks, the mark bar's commands, the
// shadows and links made from marks, and the commands of "Blo&kk".
#include "ui/window/window_commands.h"

#include "store/database.h"
#include "store/datapointer.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/wait_cursor.h"
#include "ui/window/quill_form.h"
#include "commands/block_commands.h"
#include "commands/command_support.h"
#include "commands/list_commands.h"

namespace qn {
namespace {

constexpr std::string_view kMoveBlockPrompt = "Navn på blokk som skal flyttes";
constexpr std::string_view kLinkRightRefusedMessage =
    "Den merkede posten kan ikke henges til høyre for denne: posten har en annen underliste, "
    "eller den merkede står over den i treet";

// A block command that ends with the refresh, whatever it answered.
void RunBlockCommand(TQuillForm& w, BlockResult (*run)(tDataImageArk&)) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const BlockResult result = run(db);
  w.Tell(result.message);
  w.vis(0);
}

}  // namespace

void MarkHere(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const std::string refused = w.MarkLines().Push();
  if (!refused.empty()) {
    w.Tell(refused);
    return;
  }
  w.ShowMarks();
  w.ShowPanel(WindowPanel::kMarks, true);
  w.SetButton();
  w.fixscrollbar();
}

void PopButtonClick(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen() || w.MarkLines().Count() == 0) return;
  const int last = w.MarkLines().Count() - 1;
  if (w.LiveMark(w.MarkLines().MarkAt(last)) < 0) {
    w.MarkLines().Remove(last);
  } else {
    w.MarkLines().Pop();
  }
  w.ShowMarks();
  w.vis(0);
}

void SlettMButtonClick(TQuillForm& w) {
  if (w.MarkLines().Count() == 1) {
    RemoveAllMarks(w);
    return;
  }
  if (!w.MarkLines().Remove(w.MarkLines().Selected())) return;
  w.ShowMarks();
  w.SetButton();
}

void RemoveAllMarks(TQuillForm& w) {
  w.MarkLines().RemoveAll();
  w.ShowMarks();
  w.ShowPanel(WindowPanel::kMarks, false);
  w.SetButton();
}

void Liminnpekertilmerketpost1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  const Position mark = w.SelectedLiveMark();
  if (mark < 0) return;
  if (PasteShadowOfMark(db, mark) == 0) w.Place().Replaced(db, 1, 0, 1);
  w.vis(0);
  w.ShowOrigin();
}

void PasteC2ButtonClick(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen() || w.MarkLines().Count() == 0) return;
  std::vector<Position> live;
  for (Position mark : w.MarkLines().Positions()) {
    if (IsLiveRecord(db, mark)) live.push_back(mark);
  }
  // Shadows of the marks still in the tree; the user hears once about the others.
  if (live.size() < size_t(w.MarkLines().Count())) w.Tell(kMarkDeletedMessage);
  if (const int32_t made = PasteShadowsOfMarks(db, live); made > 0) w.Place().Replaced(db, 1, 0, made);
  w.vis(0);
}

void Liminnpekertilmerke1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  const Position mark = w.SelectedLiveMark();
  if (mark < 0) return;
  if (LinkRightToMark(db, mark) < 0) w.Tell(kLinkRightRefusedMessage);
  w.vis(0);
}

void Tilknyttdataframerketpost1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  const Position mark = w.LastLiveMark();
  if (mark >= 0 && InheritDataFromMark(db, mark) < 0) w.SetStatusText(1, kNoDataBlockText);
}

void Oppdaterdenneiframerket1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  const Position mark = w.LastLiveMark();
  if (mark >= 0 && UpdateFromMark(db, mark) < 0) w.SetStatusText(1, kNoDataBlockText);
}

void Flyttblokktilhyre1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  // A block that cannot be moved is refused before its new line is asked for.
  const BlockRecords block = CollectBlock(db, db.dp->BlockStart(), db.dp->BlockEnd());
  if (block.records.empty()) {
    w.Tell(block.message);
    return;
  }
  const std::string name = w.dialogs().Prompt(kMoveBlockPrompt, "");
  if (name.empty()) return;
  w.Tell(MoveBlockRight(db, name).message);
  w.vis(0);
}

void MarkBlockFirstClick(TQuillForm& w) {
  if (!w.dataark().IsOpen()) return;
  MarkBlockFirst(w.dataark());
  w.vis(0);
}

void MarkBlockLastClick(TQuillForm& w) {
  if (!w.dataark().IsOpen()) return;
  MarkBlockLast(w.dataark());
  w.vis(0);
}

void Gtilstartavblokk1Click(TQuillForm& w) { RunBlockCommand(w, &GoToBlockStart); }
void Gtilsluttenavblokk1Click(TQuillForm& w) { RunBlockCommand(w, &GoToBlockEnd); }
void Kopier2Click(TQuillForm& w) { RunBlockCommand(w, &CopyBlock); }
void Liminn1Click(TQuillForm& w) { RunBlockCommand(w, &PasteBlock); }
void Liminnpekere1Click(TQuillForm& w) { RunBlockCommand(w, &PasteBlockPointers); }
void Slett1Click(TQuillForm& w) { RunBlockCommand(w, &DeleteBlock); }

void Klipput2Click(TQuillForm& w) {
  if (!w.dataark().IsOpen()) return;
  // A cut only marks the block to be moved by the next paste: nothing to show yet.
  w.Tell(CutBlock(w.dataark()).message);
  w.SetButton();
}

}  // namespace qn
