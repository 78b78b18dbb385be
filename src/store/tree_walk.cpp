#include "store/tree_walk.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/position_set.h"

namespace qn {

int64_t WalkFrom(tDataImageArk& db, Position first, const RecordVisitor& visit) {
  Datapointer& dp = *db.dp;
  PositionSet visited;  // grows with the records visited
  // Records still to visit, with their depth; the top of the stack is visited next, so a
  // sub-list is done before the next record of its parent's list.
  std::vector<std::pair<Position, int>> pending;
  if (first > 0) pending.emplace_back(first, 0);
  int64_t count = 0;
  RecordImage record;
  while (!pending.empty()) {
    auto [p, depth] = pending.back();
    pending.pop_back();
    if (!visited.Insert(p) || !dp.ReadRecordAt(p, record)) continue;
    ++count;
    if (!visit(p, record, depth)) break;
    Position down = GetI32(record, kDownOffset);
    Position right = GetI32(record, kRightOffset);
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
