// Depth-first walks over the tree of lists: a record, then its sub-list, then its next
// record. Each record is visited once however its pointers run, so a damaged file never
// makes a walk loop; the cursor is not moved.
#pragma once

#include <functional>
#include <span>

#include "store/format.h"

namespace qn {

class RecordReader;
class tDataImageArk;

// Called with each record's Position, its 256 bytes as stored and its depth (0 for the
// list the walk starts in); returning false ends the walk.
using RecordVisitor =
    std::function<bool(Position position, std::span<const uint8_t, kPointerRecordSize> record, int depth)>;

// Walks from the record at `first` through the rest of its list, with every sub-list on
// the way. REQUIRES: the database is open (db.dp is set). Returns the records visited.
int64_t WalkFrom(tDataImageArk& db, Position first, const RecordVisitor& visit);
int64_t WalkFrom(RecordReader& reader, Position first, const RecordVisitor& visit);

// Called with each record's Position and its depth (0 for the top-level list).
using TreeVisitor = std::function<bool(Position position, int depth)>;

// Every record reachable from the top of the file.
int64_t WalkTree(tDataImageArk& db, const TreeVisitor& visit);

}  // namespace qn
