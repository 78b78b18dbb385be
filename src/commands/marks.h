// The marks: the lines of the marks list over the engine's position stack, without Qt.
// Line i (0-based) belongs to stack entry i + 1 and shows the display name the marked
// record had when it was marked. Between commands the stack holds exactly the marks (the
// engine's own push/pop pairs sit above them and are gone when an operation returns), so
// the lines and the stack have the same length; a command that pushes or pops on its own
// is followed by Sync.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/format.h"

namespace qn {

class tDataImageArk;

inline constexpr std::string_view kMarksFullMessage = "Kan ikke merke flere poster (maks 254)";
// A mark whose record was deleted since: no command may go there or link to it.
inline constexpr std::string_view kMarkDeletedMessage = "Den merkede posten finnes ikke lenger";

class MarkList {
 public:
  // `db` must outlive the list; it may be closed and opened again (call Reset then).
  explicit MarkList(tDataImageArk& db);
  MarkList(const MarkList&) = delete;
  MarkList& operator=(const MarkList&) = delete;

  // "Merk her": pushes the current record's Position and adds its display name as the
  // last line, which becomes the selected one; the panel shows. Empty on success, else the
  // message to show (the stack already holds 254 Positions; nothing changed).
  std::string Push();
  // "Hopp til merke": the last mark's record becomes current and the mark is removed.
  // The Position now current, or -1 when there are no marks.
  Position Pop();
  // A double click on a line: loads that line's mark; the mark stays. -1 for no such line.
  Position GoTo(int line);
  // "Slett" on the mark bar: removes the line and its stack entry; the entries above move
  // down by one. With a single line, as RemoveAll. The line before it is selected. The
  // current record does not change. False for no such line.
  bool Remove(int line);
  // "Fjern alle merker": empties the stack and the lines and hides the panel.
  void RemoveAll();
  // After another database was opened (Open empties the stack): no lines, panel hidden.
  void Reset();
  // After something else pushed or popped on the stack (the pointer properties dialog
  // has its own push and pop): the lines follow the stack again. Lines whose entry no
  // longer holds the Position they were made for go; each entry without a line gets one,
  // named as its record is now. The cursor does not move. True when anything changed.
  bool Sync();

  int Count() const { return int(lines_.size()); }
  const std::vector<std::string>& Lines() const { return lines_; }
  bool PanelVisible() const { return panelVisible_; }
  int Selected() const { return selected_; }
  void Select(int line);

  // The stack entry a line belongs to.
  static int StackEntry(int line) { return line + 1; }
  // The Position a line marks, or -1 for no such line.
  Position MarkAt(int line) const;
  // The selected line's mark, or -1 when none is selected.
  Position SelectedMark() const { return MarkAt(selected_); }
  // The last mark (the top of the stack), or -1 when there are none.
  Position LastMark() const { return MarkAt(Count() - 1); }
  // Every mark, first to last.
  std::vector<Position> Positions() const;

 private:
  tDataImageArk& db_;
  std::vector<std::string> lines_;
  std::vector<Position> marked_;  // the Position each line was made for
  int selected_ = -1;
  bool panelVisible_ = false;
};

}  // namespace qn
