// What the window's jumps decide: the search by display name, the jump to a typed file
// Position and the way from a data shadow to its original. Each leaves the cursor where it
// was when it does not move it, never rests it on a deleted record, and stays bounded on a
// damaged file. None uses the position stack, so the user's marks are never touched.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "store/format.h"

namespace qn {

class tDataImageArk;

// ---- Search ----
// Finds the first record, depth first in list order, whose upper-cased display name
// contains the upper-cased `text`: from the current record (which is tested first) to the
// end of its list, or, with `wholeDatabase`, through the whole tree from the first
// top-level record. Its Position with the cursor on it (last direction down), or -1 with
// the cursor as it was. An empty text finds nothing.
Position FindByDisplayName(tDataImageArk& db, std::string_view text, bool wholeDatabase);

// The status text of a search that found nothing: "Fant ikke" and the text, in quotes.
std::string NotFoundText(std::string_view text);

// ---- Steps through the current list ----
// The keyboard's way through a list, beside the button row: one record up or down, to
// the first or last record, or a page of records towards an end. Each is a walk of the
// engine along the list; the list shown and the user's marks stay as they are.
enum class ListStep { kUp, kDown, kFirst, kLast, kPageUp, kPageDown };
// Why a step changed nothing: the record is already at that end of its list.
inline constexpr std::string_view kFirstInListText = "Posten står øverst i listen";
inline constexpr std::string_view kLastInListText = "Posten står nederst i listen";

struct ListStepResult {
  int32_t passed = 0;        // records passed; 0 when the cursor did not move
  std::string_view message;  // when it did not move: which end the record is at
};
// Takes the step; a page is `pageRows` records (at least one), and stops at the end of
// the list. The last direction follows the engine's walks.
ListStepResult StepInList(tDataImageArk& db, ListStep step, int32_t pageRows);

// ---- "Hopp til filposisjon" ----
inline constexpr size_t kFilePositionAnswerMax = 21;
// The Position a typed answer names: the first 21 characters read as a decimal integer
// (blanks around it and a sign allowed); anything that is not a number in the range of a
// Position counts as 0.
Position ParseFilePosition(std::string_view answer);
// The message shown when no pointer record starts at the typed Position.
std::string NoRecordAtMessage(Position p);

struct JumpResult {
  bool moved = false;
  std::string message;  // for the window to show when the jump was refused
};
// Loads the record at `p` when a pointer record starts there (inside the file, size 256,
// the signature, its own Position in its `position` field); Position 0 is the file header
// record. Otherwise the cursor stays and the message says why.
JumpResult JumpToFilePosition(tDataImageArk& db, Position p);

// ---- "Gå til original" ----
inline constexpr std::string_view kOriginalDeletedQuestion =
    "Originalen er slettet. Vil du gjenopprette originalen ?";
inline constexpr std::string_view kOriginalMissingMessage =
    "Originalen finnes ikke i databasen";
inline constexpr std::string_view kOriginalNotRestoredMessage =
    "Originalen har ingen data og kan ikke gjenopprettes";

enum class OriginalStatus {
  kNotAShadow,   // the current record is not a data shadow (origin 3): nothing happens
  kMissing,      // no record at its source Position: the cursor stays on the shadow
  kAtOriginal,   // the cursor is on the original
  kRestored,     // the original was deleted; a restored copy stands below the shadow
  kDeclined,     // the original was deleted and the user kept it so: cursor on the shadow
  kNotRestored,  // the original was deleted and holds no data: cursor on the shadow
};

struct OriginalResult {
  OriginalStatus status = OriginalStatus::kNotAShadow;
  Position position = -1;  // where the cursor ends
  std::string message;     // for the window to show, empty when there is nothing to say
};

// Asked with kOriginalDeletedQuestion; true restores the original.
using RestoreQuestion = std::function<bool(std::string_view question)>;

// From a data shadow to its original. When the original is deleted the question is asked;
// on yes the original's data, name, kind and template come back in a new record below the
// shadow (RestoreSource), which becomes current and which the shadow names as its source
// from then on.
OriginalResult GoToOriginal(tDataImageArk& db, const RestoreQuestion& askRestore);

}  // namespace qn
