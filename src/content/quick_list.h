// The quick list's entries: records of kind 129 in the "Filelinks" list whose data-block
// field holds the Position of the record they lead to.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/format.h"

namespace qn {

class tDataImageArk;

// One line of the quick list: a record of the "Filelinks" list below its placeholder, by
// its display name, with the Position its data-block field holds (the record it leads to).
struct QuickListEntry {
  std::string name;
  Position target = 0;
};
// The quick list's lines, top to bottom; empty when "Filelinks" is missing or holds only
// its placeholder. The cursor comes back to where it was.
std::vector<QuickListEntry> QuickListEntries(tDataImageArk& db);

// "Legg til i hurtigmeny": an entry named `name` for the record under the cursor; a
// "Filelinks" without a list first gets its placeholder, so the entry is one the quick list
// shows. The cursor stays. The record's Position, or -1 (nothing made) when the database
// has no "Filelinks" or `name` is empty.
Position AddQuickListEntry(tDataImageArk& db, std::string_view name);

}  // namespace qn
