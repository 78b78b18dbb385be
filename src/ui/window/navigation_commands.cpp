// The window's navigation commands: the moves of the button row and the keys, the steps
// through the current list, the searches and jumps, and the quick list's rescan.
#include "ui/window/window_commands.h"

#include "store/database.h"
#include "store/datapointer.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/wait_cursor.h"
#include "ui/window/quill_form.h"
#include "commands/command_support.h"
#include "commands/list_commands.h"
#include "commands/navigation.h"
#include "commands/text_search.h"
#include "store/record_reader.h"
#include "ui/forms/text_search_form.h"

namespace qn {
namespace {

constexpr std::string_view kSearchPrompt = "Søk i database";
constexpr std::string_view kJumpPrompt = "Hopp til filposisjon";
constexpr std::string_view kNoMoreHits = "Ingen flere treff";

// A record found by a search becomes current, its list shown.
bool ShowFound(TQuillForm& w, Position found) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen() || db.dp->Load(found) != 0) return false;
  db.dp->SetLastDirection(DirDown);
  w.vis(0);
  w.ShowOrigin();
  return true;
}

}  // namespace

void Go(TQuillForm& w, Move move) {
  tDataImageArk& db = w.dataark();
  const bool moved = MoveCursor(db, move);
  if (moved && db.dp->FollowPending()) w.FollowGlobalPointer(true);
  // Enter does nothing on a record without a sub-list; every other move refreshes also
  // when it had no pointer to follow.
  if (move != Move::kEnter || moved) w.vis(0);
  if (moved) {
    w.ShowOrigin();
  } else if (const std::string_view why = NoMoveText(move); !why.empty()) {
    w.SetStatusText(1, why);
  }
}

void Step(TQuillForm& w, ListStep step) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const ListStepResult result = StepInList(db, step, std::max(w.cl().RowCount, 1));
  w.vis(0);
  if (result.passed > 0) {
    w.ShowOrigin();
  } else {
    w.SetStatusText(1, result.message);
  }
}

void Search(TQuillForm& w, bool wholeDatabase) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const std::string text = w.dialogs().Prompt(kSearchPrompt, "");
  if (text.empty()) return;
  w.LastSearchText() = text;
  Position found = -1;
  {
    WaitCursor wait;
    found = FindByDisplayName(db, text, wholeDatabase);
  }
  if (found >= 0) {
    w.vis(0);
    w.ShowOrigin();
  } else {
    w.SetStatusText(1, NotFoundText(text));
  }
}

void SearchNext(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  if (w.LastSearchText().empty()) w.LastSearchText() = w.dialogs().Prompt(kSearchPrompt, "");
  if (w.LastSearchText().empty()) return;
  std::optional<Position> found;
  {
    WaitCursor wait;
    RecordReader reader(db);
    found = FindNextByDisplayName(reader, w.LastSearchText(), db.dp->CurrentPosition());
  }
  if (!found || !ShowFound(w, *found)) w.SetStatusText(1, kNoMoreHits);
}

void SearchAllTexts(TQuillForm& w) {
  auto* form = w.findChild<TextSearchForm*>();
  if (form == nullptr) {
    form = new TextSearchForm(w.dataark(), [&w](Position p) {
      w.Command([&] {
        if (!ShowFound(w, p)) w.SetStatusText(1, "Posten finnes ikke lenger");
      });
    }, &w);
  }
  form->show();
  form->raise();
  form->activateWindow();
}

void Hopptilfilposisjon1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const std::string answer = w.dialogs().Prompt(kJumpPrompt, "0");
  if (answer.empty()) return;
  const JumpResult jump = JumpToFilePosition(db, ParseFilePosition(answer));
  if (!jump.moved) {
    w.Tell(jump.message);
    return;
  }
  w.vis(0);
}

void Gtiloriginal1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const OriginalResult result =
      GoToOriginal(db, [&w, &db](std::string_view question) {
        // Restoring the original writes: on a read-only database the answer is no, and
        // the user hears why instead of being asked.
        if (db.ReadOnly()) {
          w.Tell(kReadOnlyRefusal);
          return false;
        }
        return w.dialogs().YesNo(question, true);
      });
  if (result.status == OriginalStatus::kNotAShadow) return;
  w.Tell(result.message);
  w.vis(0);
}

void Oppdater1Click(TQuillForm& w) {
  w.ScanHurtigListen();
  w.vis(0);
}

}  // namespace qn
