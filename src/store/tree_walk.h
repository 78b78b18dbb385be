// Depth-first walks over the tree of lists: a record, then its sub-list, then its next
// record. Each record is visited once however its pointers run, so a damaged file never
// makes a walk loop; the cursor is not moved.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "store/format.h"
#include "store/position_set.h"

namespace qn {

class RecordReader;
class tDataImageArk;

// Called with each record's Position, its 256 bytes as stored and its depth (0 for the
// list the walk starts in); returning false ends the walk. The bytes may be the file's own
// map: they are readable until the visitor reads anything else from the file.
using RecordVisitor =
    std::function<bool(Position position, std::span<const uint8_t, kPointerRecordSize> record, int depth)>;

// Walks from the record at `first` through the rest of its list, with every sub-list on
// the way. REQUIRES: the database is open (db.dp is set). Returns the records visited.
int64_t WalkFrom(tDataImageArk& db, Position first, const RecordVisitor& visit);
int64_t WalkFrom(RecordReader& reader, Position first, const RecordVisitor& visit);

// The visited set of a walk: the one kept from the last walk when there is one (a search
// repeated over a large file pays neither the set's allocations nor its growth again), and
// kept for the next one afterwards.
class WalkSet {
 public:
  explicit WalkSet(RecordReader& reader);
  ~WalkSet();
  WalkSet(const WalkSet&) = delete;
  WalkSet& operator=(const WalkSet&) = delete;
  RecordSet& operator*() { return *set_; }

 private:
  std::unique_ptr<RecordSet> set_;
};

// The same walk straight over `file`, the whole file where it lies in its read map
// (RecordReader::WholeFile): the same records in the same order, each read where it lies,
// `visit` called as a RecordVisitor. The visitor reads only through `file` too. False when
// the file was cut short under the map during the walk (Database().ViewIntact()): what was
// visited is not to be trusted, walk again with WalkFrom.
template <class Visitor>
bool WalkView(RecordReader& reader, std::span<const uint8_t> file, Position first, Visitor&& visit,
              int64_t* visited = nullptr);

// Called with each record's Position and its depth (0 for the top-level list).
using TreeVisitor = std::function<bool(Position position, int depth)>;

// Every record reachable from the top of the file.
int64_t WalkTree(tDataImageArk& db, const TreeVisitor& visit);

bool ViewIntact(RecordReader& reader);

template <class Visitor>
bool WalkView(RecordReader& reader, std::span<const uint8_t> file, Position first, Visitor&& visit,
              int64_t* visited) {
  WalkSet set(reader);
  RecordSet& seen = *set;
  const int64_t size = int64_t(file.size());
  std::vector<std::pair<Position, int>> pending;
  int64_t count = 0;
  // A record's next record is taken at once, not through the stack, unless it has a
  // sub-list to be done first.
  Position p = first;
  int depth = 0;
  for (;;) {
    if (p <= 0 || p > size - kPointerRecordSize || !seen.Insert(p)) {
      if (pending.empty()) break;
      std::tie(p, depth) = pending.back();
      pending.pop_back();
      continue;
    }
    const std::span<const uint8_t, kPointerRecordSize> record(file.data() + p, kPointerRecordSize);
    const RecordView view(record);
    if (!view.IsRecordAt(p)) {
      p = 0;
      continue;
    }
    const Position down = view.Down();
    const Position right = view.Right();
    ++count;
    if (!visit(p, record, depth)) break;
    if (right > 0) {
      if (down > 0) pending.emplace_back(down, depth);
      p = right;
      ++depth;
    } else {
      p = down;
    }
  }
  if (visited != nullptr) *visited = count;
  return ViewIntact(reader);
}

}  // namespace qn
