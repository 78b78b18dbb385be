// Where the cursor stands in its list, kept from one refresh of the window to the next so
// that a refresh walks only near the records it shows. The list is counted from its head
// when nothing is known of it, when the file may have changed since (any write, another
// program's change, a database opened again: the database's Generation), when the block
// marks moved, or when the cursor is not within reach of a record whose index is known
// (another list, a jump far along this one). Otherwise the cursor's index is found by
// walking from it to the nearest known record, and the first shown record is reached from
// the nearest known one. A list whose links do not agree (an up link that does not name
// the record before, a walk cut by the bound) is always counted from its head, the way the
// plain walk sees it. The file header record heads the top-level list only while the
// cursor is on it (the first top-level record has no up link): a move onto it or off it
// counts.
//
// A write makes the place unknown, unless the command that wrote says what it did to the
// shown list (Replaced): a new record, a delete, a move up or down then costs a short walk
// at the place of the change instead of a count of the whole list.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "store/format.h"

namespace qn {

class tDataImageArk;

struct ListMeasure {
  int32_t count = 0;         // records in the list
  int32_t currentIndex = 0;  // the cursor's record, from 0
};

class ListPlace {
 public:
  // How far a refresh walks from the cursor to find a known record before it counts.
  static constexpr int32_t kReach = 256;

  // Everything known is dropped: the next Measure counts.
  void Forget();
  // The cursor's list: its length and the cursor's index, read beside the cursor.
  // REQUIRES: the database is open.
  ListMeasure Measure(tDataImageArk& db);
  // Puts the cursor on the record at `index` (from 0) of the list last measured, and says
  // whether the marked block covers it (as a walk down from the head would). False, with
  // the cursor somewhere in the list, when the list has no such record.
  bool GoToIndex(tDataImageArk& db, int32_t index, bool* inBlock);
  // The same without moving the cursor: the record at `index` into *position. Nothing of
  // the database changes; the walks read beside the cursor.
  bool RecordAt(tDataImageArk& db, int32_t index, Position* position, bool* inBlock);
  // The record at `index` is at `position`: a place to walk from later.
  void Learn(Position position, int32_t index);

  // A command that may write begins, with the cursor on the record it acts on.
  void CommandBegins(tDataImageArk& db);
  // The command changed the shown list only this way: the `oldLength` records from
  // `offset` places after the record the cursor stood on when it began (negative: before
  // it) are now `newLength` records, and nothing else of the list changed. The new
  // records are found with a walk between the unchanged neighbours of the change, which
  // must be known and must meet; otherwise the next Measure counts.
  void Replaced(tDataImageArk& db, int32_t offset, int32_t oldLength, int32_t newLength);

  // Whether the last Measure walked the whole list.
  bool LastCounted() const { return counted_; }

 private:
  bool StillHolds(tDataImageArk& db) const;
  void Count(tDataImageArk& db);
  // The index of a known record; -1 when it is not known.
  int32_t IndexOf(Position position) const;
  // The known record at `index`; 0 when none is known.
  Position PositionAt(int32_t index) const;

  bool known_ = false;
  bool trusted_ = false;  // the links agree: indices may be found from known records
  bool counted_ = false;
  uint64_t generation_ = 0;
  Position blockStart_ = 0;
  Position blockEnd_ = 0;
  int32_t count_ = 0;
  int32_t lastIndex_ = 0;  // the cursor's index at the last Measure
  Position head_ = 0;
  Position tail_ = 0;
  int32_t startIndex_ = -1;  // the block marks' indices in this list; -1 outside it
  int32_t endIndex_ = -1;
  std::vector<std::pair<Position, int32_t>> anchors_;  // the newest last
  // Where the running command began: the place was current then, with the cursor at
  // `beganIndex_` (-1: the place did not hold, nothing can be carried over).
  int32_t beganIndex_ = -1;
  uint64_t beganGeneration_ = 0;
};

}  // namespace qn
