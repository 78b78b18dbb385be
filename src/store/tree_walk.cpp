#include "store/tree_walk.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/position_set.h"
#include "store/record_reader.h"

namespace qn {

namespace {

// The visited set of the last walk, kept for the next one. A walk that runs inside another
// (a visitor that walks) finds none kept and makes its own. Sets of files larger than 256
// MiB (2 MiB of room) are not kept.
constexpr size_t kKeptSetRoom = size_t(2) << 20;
thread_local std::unique_ptr<RecordSet> keptSet;

}  // namespace

int64_t WalkFrom(tDataImageArk& db, Position first, const RecordVisitor& visit) {
  RecordReader reader(db);
  return WalkFrom(reader, first, visit);
}

WalkSet::WalkSet(RecordReader& reader) : set_(std::move(keptSet)) {
  const int64_t size = reader.Database().FileSizeOf();
  if (set_) {
    set_->Reset(size);
  } else {
    set_ = std::make_unique<RecordSet>(size);
  }
}

WalkSet::~WalkSet() {
  if (set_->Room() <= kKeptSetRoom) keptSet = std::move(set_);
}

bool ViewIntact(RecordReader& reader) { return reader.Database().ViewIntact(); }

int64_t WalkFrom(RecordReader& reader, Position first, const RecordVisitor& visit) {
  WalkSet set(reader);
  RecordSet& visited = *set;
  // Records still to visit, with their depth; the top of the stack is visited next, so a
  // sub-list is done before the next record of its parent's list.
  std::vector<std::pair<Position, int>> pending;
  if (first > 0) pending.emplace_back(first, 0);
  int64_t count = 0;
  RecordImage room;
  while (!pending.empty()) {
    auto [p, depth] = pending.back();
    pending.pop_back();
    if (p <= 0 || !visited.Insert(p)) continue;
    // The record where it lies in the file's map: only its links are read here.
    const uint8_t* bytes = reader.RecordBytes(p, room);
    if (bytes == nullptr) continue;
    const std::span<const uint8_t, kPointerRecordSize> record(bytes, kPointerRecordSize);
    const Position down = RecordView(record).Down();
    const Position right = RecordView(record).Right();
    ++count;
    if (!visit(p, record, depth)) break;
    if (down > 0) pending.emplace_back(down, depth);
    if (right > 0) pending.emplace_back(right, depth + 1);
  }
  return count;
}

int64_t WalkTree(tDataImageArk& db, const TreeVisitor& visit) {
  return WalkFrom(db, db.dp->TopLevelFirst(),
                  [&](Position p, std::span<const uint8_t, kPointerRecordSize>, int depth) {
                    return visit(p, depth);
                  });
}

}  // namespace qn
