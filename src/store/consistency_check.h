// The consistency check of a whole database: every record reachable from the top is a
// whole pointer record at its own Position, its links agree both ways, every block it
// names lies inside the file, and no list or chain runs in a cycle. The file read as a
// chain of blocks from its first byte must agree: every block a reachable record names
// begins a block of the chain, no two records name one block unless a shadow shares its
// original's (or an inherited block its data block's), and every pointer record that is
// not deleted is reached from the top. One tree walk and one block walk; it only reads:
// the cursor and the file stay as they were. Tests run it after every structural change.
#pragma once

#include <string>
#include <vector>

#include "store/format.h"

namespace qn {

class tDataImageArk;

struct ConsistencyFault {
  Position position = 0;  // the record (or 0, the file header) the fault was found at
  std::string what;
};

// REQUIRES: the database is open (db.dp is set). Faults in the order they were found:
// records depth first from the top, then the comparison with the chain of blocks.
// `faultyBlocks` (when given) gets the Positions of the blocks a fault was reported for,
// ascending, so that a further check of what the blocks hold need not report them again.
std::vector<ConsistencyFault> CheckConsistency(tDataImageArk& db,
                                               std::vector<Position>* faultyBlocks = nullptr);

// "<Position>: <what>", the line `quilltool check` prints.
std::string FormatFault(const ConsistencyFault& fault);

}  // namespace qn
