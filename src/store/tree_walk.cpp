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

// The visited set of the last walk, kept for the next one: a search repeated over a large
// file pays neither the set's allocations nor its growth again. A walk that runs inside
// another (a visitor that walks) finds none kept and makes its own. Sets larger than this
// many slots (4 MiB) are not kept.
constexpr size_t kKeptSetSlots = size_t(1) << 20;
thread_local std::unique_ptr<PositionSet> keptSet;

}  // namespace

int64_t WalkFrom(tDataImageArk& db, Position first, const RecordVisitor& visit) {
  RecordReader reader(db);
  return WalkFrom(reader, first, visit);
}

int64_t WalkFrom(RecordReader& reader, Position first, const RecordVisitor& visit) {
  std::unique_ptr<PositionSet> set = std::move(keptSet);
  if (set) {
    set->clear();
  } else {
    set = std::make_unique<PositionSet>();  // grows with the records visited
  }
  PositionSet& visited = *set;
  struct KeepSet {
    std::unique_ptr<PositionSet>& set;
    ~KeepSet() {
      if (set->capacity() <= kKeptSetSlots) keptSet = std::move(set);
    }
  } keep{set};
  // Records still to visit, with their depth; the top of the stack is visited next, so a
  // sub-list is done before the next record of its parent's list.
  std::vector<std::pair<Position, int>> pending;
  if (first > 0) pending.emplace_back(first, 0);
  int64_t count = 0;
  RecordImage record;
  while (!pending.empty()) {
    auto [p, depth] = pending.back();
    pending.pop_back();
    if (!visited.Insert(p) || p <= 0 || !reader.Image(p, record)) continue;
    ++count;
    if (!visit(p, record, depth)) break;
    Position down = RecordView(record).Down();
    Position right = RecordView(record).Right();
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
