// Undelete: a deleted record keeps its bytes (only its kind gets the bit 1024, and the
// list it was in closes over it), so it can be listed and put back. A record put back is
// the same record at the same Position, with its own name, data and note; it comes back
// alone: the sub-list the delete handed on stays where the delete put it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/format.h"

namespace qn {

class tDataImageArk;

struct DeletedRecord {
  Position position = 0;
  int32_t kind = 0;     // the kind it had, without the deleted bit
  std::string name;     // UTF-8; empty when it has none
  double changed = 0.0; // its last change: the delete
};

// Every deleted pointer record of the file, in the order of the file (the file read as a
// chain of blocks). REQUIRES: the database is open. The cursor comes back.
std::vector<DeletedRecord> ListDeleted(tDataImageArk& db);

// One deleted record as a line: "<Position> <kind> <dd.MM.yyyy HH:mm:ss> <name>" (the time
// of its last change, which is the delete, or "Aldri"; the name last, since it may hold
// blanks).
// With `kindByName` the kind is its name ("header", "data med mal", "global peker"), as the
// window shows it; the tool's lines keep the number scripts read.
std::string DeletedLine(const DeletedRecord& record, bool kindByName = false);

enum class RestoreStatus {
  kRestored,
  kNotDeleted,  // no deleted pointer record at the Position
  kNoTarget,    // the target is not a record any list reaches (0 stands for the top)
};

// Puts the deleted record at `position` back, not deleted, as the next record below
// `target`, or as the first of the top-level list when `target` is 0. Its links to its
// old neighbours, its sub-list and its inward/outward chain are dropped. REQUIRES: the
// database is open for writing, inside a change. The cursor ends on the record put back
// (or stays where it was when nothing was done).
RestoreStatus RestoreDeleted(tDataImageArk& db, Position position, Position target);

}  // namespace qn
