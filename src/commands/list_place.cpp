#include "commands/list_place.h"

#include <cstdlib>
#include <optional>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_reader.h"

namespace qn {

namespace {
// Known records kept besides the head and the tail: a page of rows and then some.
constexpr size_t kMaxAnchors = 256;
}  // namespace

void ListPlace::Forget() {
  known_ = false;
  trusted_ = false;
  anchors_.clear();
}

bool ListPlace::StillHolds(tDataImageArk& db) const {
  const Datapointer& dp = *db.dp;
  return known_ && generation_ == db.Generation() && blockStart_ == dp.BlockStart() &&
         blockEnd_ == dp.BlockEnd();
}

int32_t ListPlace::IndexOf(Position position) const {
  if (position == head_) return 0;
  if (position == tail_) return count_ - 1;
  for (auto it = anchors_.rbegin(); it != anchors_.rend(); ++it) {
    if (it->first == position) return it->second;
  }
  return -1;
}

Position ListPlace::PositionAt(int32_t index) const {
  if (index == 0) return head_;
  if (index == count_ - 1) return tail_;
  for (auto it = anchors_.rbegin(); it != anchors_.rend(); ++it) {
    if (it->second == index) return it->first;
  }
  return 0;
}

void ListPlace::CommandBegins(tDataImageArk& db) {
  beganIndex_ = -1;
  if (!db.IsOpen() || !trusted_ || !StillHolds(db)) return;
  const Datapointer& dp = *db.dp;
  beganIndex_ = IndexOf(dp.CurrentPosition());
  beganGeneration_ = generation_;
  // The cursor's neighbours, from its own links: a change next to the cursor is walked
  // from one to the other.
  if (beganIndex_ < 0) return;
  if (dp.Up() > 0 && beganIndex_ > 0) Learn(dp.Up(), beganIndex_ - 1);
  if (dp.Down() > 0 && beganIndex_ + 1 < count_) Learn(dp.Down(), beganIndex_ + 1);
}

void ListPlace::Replaced(tDataImageArk& db, int32_t offset, int32_t oldLength, int32_t newLength) {
  // The place must still be the one the command began with: a refresh inside the command
  // may have counted the changed list already.
  const int32_t from = beganIndex_ < 0 || generation_ != beganGeneration_ ? -1 : beganIndex_ + offset;
  beganIndex_ = -1;
  const int32_t oldCount = count_;
  const int32_t after = from + oldLength;  // the first record after the change, before it
  if (!known_ || !trusted_ || from < 0 || oldLength < 0 || newLength < 0 || after > count_ ||
      !db.IsOpen() || blockStart_ != db.dp->BlockStart() || blockEnd_ != db.dp->BlockEnd() ||
      (startIndex_ >= from && startIndex_ < after) || (endIndex_ >= from && endIndex_ < after)) {
    Forget();
    return;
  }
  const Position above = from > 0 ? PositionAt(from - 1) : 0;
  const Position below = after < count_ ? PositionAt(after) : 0;
  if ((from > 0 && above == 0) || (after < count_ && below == 0) || (above == 0 && below == 0)) {
    Forget();
    return;
  }
  // The new records, walked from the neighbour above down to the one below (or from the
  // one below up to the new head); the walk must end exactly there.
  RecordReader reader(db);
  std::vector<Position> fresh;
  bool met = false;
  if (above != 0) {
    std::optional<PointerRecord> at = reader.Record(above);
    met = at.has_value();
    for (int32_t i = 0; i < newLength && met; ++i) {
      met = at->down > 0 && (at = reader.Record(at->down)).has_value();
      if (met) fresh.push_back(at->position);
    }
    met = met && (below != 0 ? at->down == below : at->down <= 0);
  } else {
    std::optional<PointerRecord> at = reader.Record(below);
    met = at.has_value();
    for (int32_t i = 0; i < newLength && met; ++i) {
      met = at->up > 0 && (at = reader.Record(at->up)).has_value();
      if (met) fresh.insert(fresh.begin(), at->position);
    }
    met = met && at->up <= 0;
  }
  if (!met) {
    Forget();
    return;
  }
  const int32_t shift = newLength - oldLength;
  std::erase_if(anchors_, [&](const auto& anchor) { return anchor.second >= from && anchor.second < after; });
  for (auto& anchor : anchors_) {
    if (anchor.second >= after) anchor.second += shift;
  }
  if (startIndex_ >= after) startIndex_ += shift;
  if (endIndex_ >= after) endIndex_ += shift;
  count_ += shift;
  if (from == 0) head_ = fresh.empty() ? below : fresh.front();
  if (after == oldCount) tail_ = fresh.empty() ? above : fresh.back();
  generation_ = db.Generation();
  for (size_t i = 0; i < fresh.size(); ++i) Learn(fresh[i], from + int32_t(i));
}

void ListPlace::Learn(Position position, int32_t index) {
  if (!known_ || index < 0 || index >= count_) return;
  for (auto& anchor : anchors_) {
    if (anchor.first == position) {
      anchor.second = index;
      return;
    }
  }
  if (anchors_.size() >= kMaxAnchors) anchors_.erase(anchors_.begin());
  anchors_.emplace_back(position, index);
}

void ListPlace::Count(tDataImageArk& db) {
  const Datapointer& dp = *db.dp;
  RecordReader reader(db);
  const Position current = dp.CurrentPosition();
  known_ = true;
  counted_ = true;
  generation_ = db.Generation();
  blockStart_ = dp.BlockStart();
  blockEnd_ = dp.BlockEnd();
  anchors_.clear();
  PointerRecord at = reader.FirstOfList(dp.Record());
  head_ = at.position;
  // The walk up stops at a record without an up link, or at a link it cannot follow.
  trusted_ = at.up <= 0;
  // Marks of 0 are no block (the file header record heads the top-level list then).
  startIndex_ = blockStart_ > 0 && head_ == blockStart_ ? 0 : -1;
  endIndex_ = blockEnd_ > 0 && head_ == blockEnd_ ? 0 : -1;
  count_ = 1;
  int32_t currentIndex = 0;
  bool ended = false;
  for (int64_t steps = reader.RecordBound(); steps > 0; --steps) {
    if (at.down <= 0) {
      ended = true;
      break;
    }
    const Position before = at.position;
    if (!reader.Read(at.down, at)) break;
    ++count_;
    const Position p = at.position;
    if (p == current) currentIndex = count_ - 1;
    if (at.up != before) trusted_ = false;
    if (p == blockStart_ && startIndex_ < 0) startIndex_ = count_ - 1;
    if (p == blockEnd_ && endIndex_ < 0) endIndex_ = count_ - 1;
  }
  tail_ = at.position;
  if (!ended) trusted_ = false;
  Learn(current, currentIndex);
  lastIndex_ = currentIndex;
}

ListMeasure ListPlace::Measure(tDataImageArk& db) {
  counted_ = false;
  const Datapointer& dp = *db.dp;
  const Position current = dp.CurrentPosition();
  if (!trusted_ || !StillHolds(db) || (head_ == 0) != (current == 0)) {
    Count(db);
    return {count_, lastIndex_};
  }
  RecordReader reader(db);
  int32_t index = -1;
  // Up to a known record (or the head), then down to one (or the tail).
  PointerRecord at = dp.Record();
  for (int32_t d = 0; d <= kReach; ++d) {
    if (const int32_t known = IndexOf(at.position); known >= 0) {
      index = known + d;
      break;
    }
    if (at.up <= 0 || !reader.Read(at.up, at)) break;
  }
  if (index < 0 && reader.Read(current, at)) {
    for (int32_t d = 0; d <= kReach; ++d) {
      if (const int32_t known = IndexOf(at.position); known >= 0) {
        index = known - d;
        break;
      }
      if (at.down <= 0 || !reader.Read(at.down, at)) break;
    }
  }
  if (index < 0 || index >= count_) {
    Count(db);
    return {count_, lastIndex_};
  }
  Learn(current, index);
  lastIndex_ = index;
  return {count_, index};
}

bool ListPlace::RecordAt(tDataImageArk& db, int32_t index, Position* position, bool* inBlock) {
  const Datapointer& dp = *db.dp;
  RecordReader reader(db);
  // As a walk down from the head has it: in the block from its start on, out again after
  // its end.
  const auto walkFromHead = [&] {
    const Position start = dp.BlockStart();
    const Position end = dp.BlockEnd();
    PointerRecord at = reader.FirstOfList(dp.Record());
    *inBlock = start > 0 && at.position == start;
    int32_t visited = 0;
    for (int64_t steps = reader.RecordBound(); at.down > 0 && visited < index && steps > 0; --steps) {
      if (end > 0 && at.position == end) *inBlock = false;
      if (!reader.Read(at.down, at)) break;
      ++visited;
      if (start > 0 && at.position == start) *inBlock = true;
    }
    *position = at.position;
    return index >= 0 && visited == index;
  };
  if (!trusted_ || !StillHolds(db)) return walkFromHead();
  if (index < 0 || index >= count_) return false;
  Position from = head_;
  int32_t fromIndex = 0;
  if (count_ - 1 - index < index) {
    from = tail_;
    fromIndex = count_ - 1;
  }
  for (const auto& [p, i] : anchors_) {
    if (std::abs(i - index) < std::abs(fromIndex - index)) {
      from = p;
      fromIndex = i;
    }
  }
  std::optional<PointerRecord> at = reader.Record(from);
  for (; at && fromIndex < index; ++fromIndex) at = at->down > 0 ? reader.Record(at->down) : std::nullopt;
  for (; at && fromIndex > index; --fromIndex) at = at->up > 0 ? reader.Record(at->up) : std::nullopt;
  if (!at) return walkFromHead();
  *position = at->position;
  *inBlock = startIndex_ >= 0 && startIndex_ <= index &&
             !(endIndex_ >= startIndex_ && endIndex_ < index);
  return true;
}

bool ListPlace::GoToIndex(tDataImageArk& db, int32_t index, bool* inBlock) {
  Position position = 0;
  if (!RecordAt(db, index, &position, inBlock)) return false;
  Datapointer& dp = *db.dp;
  if (dp.Load(position) != 0) return false;
  dp.SetLastDirection(DirDown);
  return true;
}

}  // namespace qn
