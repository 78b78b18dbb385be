// The repair of a damaged database's links. The forward links (`down`, `right`, and the
// file header's `down`) walked from the top decide the tree; every back link (`up`,
// `left`) is rewritten to agree with them. A forward link that leads outside the file, to
// a block that is not a pointer record, or to a record already reached (a cycle, or a
// list reached from two places) is cut. A link to a deleted record goes on past it, along
// the deleted record's `down`, as a finished delete would have left it: a deleted record
// is never linked again. The inward/outward chain keeps only links that agree both ways
// and do not close a cycle.
// Every pointer record that is not deleted and that no list reaches (the file read as a
// chain of blocks tells which there are), with the lists hanging from it, ends up in the
// sub-list of a new last top-level line "Gjenfunnet <date> <time>". Blocks a record names
// (name, data, note) are not changed: a record whose blocks are damaged stays damaged.
#pragma once

#include <string>
#include <vector>

#include "env/block_file.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// One change the repair made, for the user: the record it was made at and what was done.
struct LinkRepairChange {
  Position position = 0;
  std::string what;
};

struct LinkRepairResult {
  std::vector<LinkRepairChange> changes;  // empty when the links were sound
  Position foundLine = 0;             // the "Gjenfunnet" line, when one was made
  int64_t found = 0;                  // records placed under it
};

// The name of the line the found records hang from, for the time `stamp`.
std::string FoundLineName(double stamp);

// REQUIRES: the database is open for writing (db.dp is set); the caller holds a change
// around it, so the repair reaches the file whole or not at all. `stamp` is the time in
// the found line's name. The cursor ends on the file header record.
LinkRepairResult RepairLinks(tDataImageArk& db, double stamp);

// Copies `fileName` to `fileName`.backup safely: a fresh file beside it with the
// database's permissions, synced, then renamed over the last copy in one step (a link
// there is replaced, never followed). 0, or the error number; the last copy is then as
// it was.
int32_t CopyToBackup(FileSystem& files, const std::string& fileName);

}  // namespace qn
