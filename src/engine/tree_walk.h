// The walk over every record reachable from the top of a database, depth first: a record,
// then its sub-list, then its next record. Each record is visited once however its
// pointers run, so a damaged file never makes the walk loop; the cursor is not moved.
#pragma once

#include <functional>

#include "engine/format.h"

namespace qn {

class tDataImageArk;

// Called with each record's Position and its depth (0 for the top-level list); returning
// false ends the walk.
using TreeVisitor = std::function<bool(Position position, int depth)>;

// REQUIRES: the database is open (db.dp is set). Returns the number of records visited.
int64_t WalkTree(tDataImageArk& db, const TreeVisitor& visit);

}  // namespace qn
