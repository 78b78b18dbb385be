// The consistency check of a whole database: every record reachable from the top is a
// whole pointer record at its own Position, its links agree both ways, every block it
// names lies inside the file, and no list or chain runs in a cycle. It only reads; the
// cursor and the file stay as they were. Tests run it after every structural change.
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

// REQUIRES: the database is open (db.dp is set). Faults in the order they were found,
// records depth first from the top.
std::vector<ConsistencyFault> CheckConsistency(tDataImageArk& db);

// "<Position>: <what>", the line `quilltool check` prints.
std::string FormatFault(const ConsistencyFault& fault);

}  // namespace qn
