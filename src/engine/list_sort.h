// Sorting the list that holds the current record by display name ("Sorter listen stigende"
// and "Sorter listen synkende"). The order is that of a stable sort: records with equal
// names keep their order. The list is read once, sorted in memory and relinked once; a
// record is stored at most once and only when its links change, so a sorted list costs
// no write. Afterwards every link agrees both ways, the parent (or the file header record
// for the top-level list) leads to the new first record, and the cursor is on the last
// record. A damaged list is refused and left exactly as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qn {

class tDataImageArk;

enum class SortStatus {
  kSorted,    // the list is in order now (it may have been already)
  kNoList,    // the cursor is on the file header record, which stands in no list
  kReadOnly,  // the database is open read-only: nothing could be stored
  kDamaged,   // a cycle, a pointer to no record, or links that disagree: nothing changed
};

struct SortResult {
  SortStatus status = SortStatus::kSorted;
  int64_t records = 0;  // records in the list
  int64_t stored = 0;   // pointer records written (the file header record included)
};

// The sort key of a display name: its 8-bit form cut to 255 characters, as UTF-16 code
// units. Keys compare ordinally, case-sensitive.
std::u16string SortKey(std::string_view displayName);

// Sorts the current record's list, ascending or descending. REQUIRES: the database is
// open. On kDamaged, kNoList and kReadOnly the cursor and the file are unchanged.
SortResult SortList(tDataImageArk& db, bool ascending);

}  // namespace qn
