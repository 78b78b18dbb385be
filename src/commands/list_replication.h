// The replication settings of a whole list ("Liste" menu): every record of the current
// list, top to bottom, gets the setting and is stored once; the cursor ends on the list's
// last record. The walk is bounded by the file, so a damaged list that runs in a cycle ends.
#pragma once

#include <cstdint>

namespace qn {

class tDataImageArk;

enum class ListReplication {
  kPrepare,  // "Klargjør listen for replikering": status 2, "Replikeres alltid"
  kStop,     // "Stopp replikering i denne listen": status 0, "Ingen replikering"
  kStamp,    // "Sett tid for replikering": the change time now
};

// The number of records stored.
int64_t SetListReplication(tDataImageArk& db, ListReplication change);

}  // namespace qn
