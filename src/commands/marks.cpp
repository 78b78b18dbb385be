#include "commands/marks.h"

#include <algorithm>
#include <optional>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_reader.h"
#include "content/display_name.h"
#include "content/system_lists.h"

namespace qn {

MarkList::MarkList(tDataImageArk& db) : db_(db) {}

std::string MarkList::Push() {
  if (!db_.dp || db_.PushPosition() < 0) return std::string(kMarksFullMessage);
  lines_.push_back(DisplayName(db_));
  marked_.push_back(db_.dp->CurrentPosition());
  selected_ = Count() - 1;
  panelVisible_ = true;
  return {};
}

Position MarkList::Pop() {
  if (lines_.empty() || !db_.dp) return -1;
  const Position p = db_.PopPosition();
  lines_.pop_back();
  marked_.pop_back();
  selected_ = std::min(selected_, Count() - 1);
  return p;
}

Position MarkList::GoTo(int line) {
  const Position p = MarkAt(line);
  if (p < 0 || !db_.dp || db_.dp->Load(p) != 0) return -1;
  return p;
}

bool MarkList::Remove(int line) {
  if (line < 0 || line >= Count() || !db_.dp) return false;
  if (Count() == 1) {
    RemoveAll();
    return true;
  }
  if (db_.RemovePositionAt(StackEntry(line)) < 0) return false;
  lines_.erase(lines_.begin() + line);
  marked_.erase(marked_.begin() + line);
  selected_ = std::max(0, line - 1);
  return true;
}

void MarkList::RemoveAll() {
  while (db_.DropPosition() >= 0) {
  }
  lines_.clear();
  marked_.clear();
  selected_ = -1;
  panelVisible_ = false;
}

void MarkList::Reset() { RemoveAll(); }

bool MarkList::Sync() {
  if (!db_.dp) return false;
  const int top = db_.StackTop();
  // A line holds while its entry is still the Position it was made for.
  int keep = 0;
  while (keep < Count() && keep < top && db_.StackSlot(StackEntry(keep)) == marked_[size_t(keep)]) ++keep;
  if (keep == Count() && keep == top) return false;
  lines_.resize(size_t(keep));
  marked_.resize(size_t(keep));
  // The names are read beside the cursor.
  RecordReader reader(db_);
  for (int entry = StackEntry(keep); entry <= top; ++entry) {
    const Position p = db_.StackSlot(entry);
    marked_.push_back(p);
    const std::optional<PointerRecord> record = reader.Record(p);
    lines_.push_back(record ? DisplayName(reader, *record) : std::string());
  }
  if (selected_ >= Count()) selected_ = Count() - 1;
  if (selected_ < 0 && Count() > 0) selected_ = Count() - 1;
  panelVisible_ = Count() > 0;
  return true;
}

void MarkList::Select(int line) { selected_ = line >= 0 && line < Count() ? line : -1; }

Position MarkList::MarkAt(int line) const {
  if (line < 0 || line >= Count() || StackEntry(line) > db_.StackTop()) return -1;
  return db_.StackSlot(StackEntry(line));
}

std::vector<Position> MarkList::Positions() const {
  std::vector<Position> out;
  for (int i = 0; i < Count(); ++i) out.push_back(MarkAt(i));
  return out;
}

}  // namespace qn
