// The block (a first and a last record of one list) and its commands: go to its ends, copy,
// cut, delete, paste copies or shadows, move a cut block, hang it under a new line. A
// command that changes the tree first checks that the block is one piece of one list, and
// otherwise changes nothing and returns a message. A cut removes nothing at once: the next
// block paste moves the block, whole with its sub-lists, so nothing is ever lost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/format.h"

namespace qn {

class tDataImageArk;

inline constexpr std::string_view kBlockNotMarkedMessage = "Blokken er ikke merket";
inline constexpr std::string_view kBlockNotOneListMessage =
    "Starten og slutten av blokken må stå i samme liste, med starten over slutten";
inline constexpr std::string_view kBlockGoneMessage = "Blokken finnes ikke lenger i databasen";
inline constexpr std::string_view kBlockDamagedMessage = "Listen blokken står i er skadet";
inline constexpr std::string_view kBlockIntoItselfMessage =
    "Blokken kan ikke limes inn i seg selv";
inline constexpr std::string_view kBlockNoPlaceMessage =
    "Velg en post å lime inn blokken under";
inline constexpr std::string_view kBlockDataDamagedMessage =
    "Blokken kan ikke kopieres: en av postene har skadde data";
inline constexpr std::string_view kReadOnlyMessage = "Databasen er åpnet skrivebeskyttet";

// The outcome of a block command: `done` when it did what it is for; otherwise `message`
// says why not (empty when there is nothing to say, as for a cancelled prompt).
struct BlockResult {
  bool done = false;
  std::string message;
};

// The records from `start` to `end`, top to bottom, when they are one piece of one list.
struct BlockRecords {
  std::vector<Position> records;
  std::string message;  // why not, when `records` is empty
};
BlockRecords CollectBlock(tDataImageArk& db, Position start, Position end);

// "Merk første": block start := the current record; block end too while it is unset.
void MarkBlockFirst(tDataImageArk& db);
// "Merk siste": block end := the current record.
void MarkBlockLast(tDataImageArk& db);
// "Gå til start av blokk" / "Gå til slutten av blokk": loads that record. A block end that
// is unset does nothing; one whose record was deleted is cleared and refused.
BlockResult GoToBlockStart(tDataImageArk& db);
BlockResult GoToBlockEnd(tDataImageArk& db);

// "&Kopier": the images of the block's first and last record go to the block clipboard.
BlockResult CopyBlock(tDataImageArk& db);
// "Klipp &ut": as CopyBlock, and the block is marked to be moved by the next paste.
BlockResult CutBlock(tDataImageArk& db);
// True while a cut block waits for its paste.
bool CutPending(const tDataImageArk& db);

// "&Slett": deletes every record from block start to block end, top to bottom, each the
// way a single delete does it (a record's sub-list is kept: the record after it adopts
// it). The cursor ends where the last delete left it.
BlockResult DeleteBlock(tDataImageArk& db);

// "&Lim inn": with a cut pending, moves the cut block (with its sub-lists) below the
// current record; otherwise makes copies of the clipboard block's records below it, in
// order, each with its own name, link text, note and data (a record whose data was copied
// gets origin 4); sub-lists are not copied. The cursor ends on the last record pasted.
BlockResult PasteBlock(tDataImageArk& db);
// "Lim inn &pekere": a shadow (PasteShadow) of each of the clipboard block's records below
// the current record, in order. A pending cut stays pending.
BlockResult PasteBlockPointers(tDataImageArk& db);

// "Flytt blokk til høyre": a new named line takes the block's place in its list and the
// block becomes its sub-list. An empty name does nothing. The cursor ends on the block's
// first record.
BlockResult MoveBlockRight(tDataImageArk& db, std::string_view name);

// Clears a block start or end whose record is deleted, and empties the block clipboard
// (and a pending cut) when its first or last record is deleted. Every delete through
// these commands calls it; the window calls it after a delete of its own.
void KeepBlockConsistent(tDataImageArk& db);

}  // namespace qn
