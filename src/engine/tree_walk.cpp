#include "engine/tree_walk.h"

#include <utility>
#include <vector>

#include "engine/database.h"
#include "engine/datapointer.h"
#include "engine/position_set.h"

namespace qn {

int64_t WalkTree(tDataImageArk& db, const TreeVisitor& visit) {
  Datapointer& dp = *db.dp;
  Position first = 0;
  if (dp.InFile(0, kPointerRecordSize)) {
    RecordImage header;
    db.SeekTo(0);
    if (db.ReadBlock(header.data(), kPointerRecordSize) == 0) first = GetI32(header, kDownOffset);
  }
  PositionSet visited;
  // Records still to visit, with their depth; the top of the stack is visited next.
  std::vector<std::pair<Position, int>> pending;
  if (first > 0) pending.emplace_back(first, 0);
  int64_t count = 0;
  RecordImage record;
  while (!pending.empty()) {
    auto [p, depth] = pending.back();
    pending.pop_back();
    if (!visited.Insert(p) || !dp.ReadRecordAt(p, record)) continue;
    ++count;
    if (!visit(p, depth)) break;
    Position down = GetI32(record, kDownOffset);
    Position right = GetI32(record, kRightOffset);
    if (down > 0) pending.emplace_back(down, depth);
    if (right > 0) pending.emplace_back(right, depth + 1);
  }
  return count;
}

}  // namespace qn
