// Sorting the current record's list by display name, in the order a stable sort gives.
// The list is read once, sorted in memory and relinked once: a record is stored at most
// once and only when its links change, so a sorted list costs no write. Afterwards every
// link agrees both ways and the parent (or the file header record) leads to the new first
// record; a damaged list is refused and left exactly as it was.
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

// Why a damaged list was not sorted.
inline constexpr std::string_view kSortDamagedMessage = "Listen er skadet og ble ikke sortert";

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
