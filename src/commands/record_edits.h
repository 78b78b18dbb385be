// The window's editing commands on records named by Position instead of by the cursor and
// the block marks: rename, delete, move up or down, sort, copy and paste (a copy, a shadow
// or a data shadow), move a block and delete a block. Each puts the cursor (and the block
// start and end, and the clipboards) where a user of the window would put them and runs the
// window's own command, so both follow one rule. Each answers with an empty text when it
// was done, else with why nothing was changed, in the words the window uses. A refusal may
// leave writes in the open change: the caller drops the change then.
#pragma once

#include <string>
#include <string_view>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// Where a copy or a moved block goes: below TARGET in its list, or into TARGET's sub-list
// (as its last records; as the sub-list itself when TARGET has none).
enum class EditPlace { kBelow, kRightOf };

// What a copy makes of the record: a record of its own with a copy of the data ("Lim
// inn"), a shadow that shares the name and data ("Lim inn peker til merket post"), or a
// data shadow that shares the data ("Kopier", then "Lim inn peker").
enum class CopyForm { kCopy, kShadow, kDataShadow };

// Why a record named by Position cannot be edited.
inline constexpr std::string_view kNoRecordThereText = "Det finnes ingen post på den posisjonen";
inline constexpr std::string_view kRecordDeletedText = "Posten er slettet";
inline constexpr std::string_view kNameMissingText = "Et navn kan ikke være tomt";
inline constexpr std::string_view kHeaderNotRenamedText = "Filhodeposten har ikke noe navn";
inline constexpr std::string_view kNoSubListHereText = "Filhodeposten har ingen underliste";
inline constexpr std::string_view kSubListDamagedText = "Underlisten er skadet";
inline constexpr std::string_view kBlockNotMovedText = "Blokken ble ikke flyttet";

std::string RenameAt(tDataImageArk& db, Position record, std::string_view name);
std::string DeleteAt(tDataImageArk& db, Position record);
std::string MoveAt(tDataImageArk& db, Position record, bool up);
std::string SortListAt(tDataImageArk& db, Position record, bool ascending);
// The copy's Position goes to `made` when it was done.
std::string CopyTo(tDataImageArk& db, Position record, Position target, EditPlace place,
                   CopyForm form, Position* made = nullptr);
std::string MoveBlockTo(tDataImageArk& db, Position first, Position last, Position target,
                        EditPlace place);
std::string DeleteBlockAt(tDataImageArk& db, Position first, Position last);

}  // namespace qn
