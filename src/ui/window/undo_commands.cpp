// Undo and redo in the window: the history (commands/undo_history.h) puts the file back,
// and the window follows it: the cursor, the marks, the clipboards and the list.
#include "commands/block_commands.h"
#include "commands/command_boundary.h"
#include "commands/command_support.h"
#include "commands/undo_history.h"
#include "store/datapointer.h"
#include "ui/window/quill_form.h"
#include "ui/window/window_commands.h"

namespace qn {
namespace {

// Where the cursor goes after a step was put back: the record the step began on while it
// is in the tree; else a neighbour it had (a deleted record keeps its links), else the
// record current before, else the first data record.
Position LandingPlace(tDataImageArk& db, Position startedOn, Position before) {
  if (startedOn > 0 && IsLiveRecord(db, startedOn)) return startedOn;
  if (startedOn > 0) {
    RecordImage image{};
    if (db.dp->ReadRecordAt(startedOn, image)) {
      const PointerRecord record = PointerRecord::Decode(image);
      for (Position p : {record.down, record.up, record.outward, record.left})
        if (p > 0 && IsLiveRecord(db, p)) return p;
    }
  }
  if (before > 0 && IsLiveRecord(db, before)) return before;
  return 0;
}

void TakeStep(TQuillForm& w, bool undo) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const Position before = db.dp->CurrentPosition();
  const UndoOutcome out = undo ? w.History().Undo(db) : w.History().Redo(db);
  if (out.error != 0) {
    w.dialogs().Message(kErrorCaption, out.message, MessageKind::kWarning);
    w.vis(0);
    return;
  }
  if (const Position here = LandingPlace(db, out.startedOn, before); here > 0) {
    db.dp->Load(here);
  } else {
    db.dp->Load(0);
    db.dp->Load(db.dp->Down());
    if (!IsLiveRecord(db, db.dp->CurrentPosition())) db.dp->Load(0);
  }
  // Marks, the block's ends, and what the clipboards hold, on records the step took away.
  MarkList& marks = w.MarkLines();
  for (int line = marks.Count() - 1; line >= 0; --line) {
    if (!IsLiveRecord(db, marks.MarkAt(line))) marks.Remove(line);
  }
  w.ShowMarks();
  KeepBlockConsistent(db);
  if (db.clipboard.record > 0 && !IsLiveRecord(db, db.clipboard.record)) db.clipboard = tDataClipboard{};
  w.Place().Forget();
  w.ScanHurtigListen();
  w.vis(0);
  w.SetStatusText(1, (undo ? "Angret: " : "Gjort om: ") + out.name);
}

}  // namespace

void Angre1Click(TQuillForm& w) { TakeStep(w, true); }
void Gjrom1Click(TQuillForm& w) { TakeStep(w, false); }

}  // namespace qn
