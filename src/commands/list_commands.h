// What the window's editing commands decide on the current record: move up, shadows of
// marks, the right link to a mark, inherit/update from the last mark, copy, cut and paste
// through the record clipboard, the size repair, rename and new lines. Marks come in as
// Positions, so nothing here depends on the position stack; every link stays two-way
// consistent, and a refused command changes nothing.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// True for the kinds the record clipboard takes: 2 (data) and 10 (data with template).
bool IsCopyableKind(int32_t kind);

// "Flytt &opp": the current record trades places with the one above it; the cursor stays
// on it and keeps its last direction. Its Position, or -1 (nothing changed) when it is the
// first of its list.
int32_t MoveRecordUp(tDataImageArk& db);

// "Lim inn peker til merket post": a shadow (origin 2) of the record at `mark` below the
// current record; the cursor ends on the shadow. 0, or -1 when no record lies at `mark`.
int32_t PasteShadowOfMark(tDataImageArk& db, Position mark);
// "Lim inn peker til alle merkede poster": a shadow of each mark, in the order given, each
// below the previous one. The number of shadows made.
int32_t PasteShadowsOfMarks(tDataImageArk& db, std::span<const Position> marks);

// "Lim inn høyre-link til merket post": the record at `mark` becomes the sub-list of the
// current record (LinkRight); the cursor stays on the current record. -1 when refused.
int32_t LinkRightToMark(tDataImageArk& db, Position mark);

// "Arv data fra merket post" and "Oppdater denne i fra merket", with the last mark:
// SetInheritBlock / SetUpdateFrom. `mark`, or -1 when the current record has no data
// block (or there is no mark: `mark` <= 0).
int32_t InheritDataFromMark(tDataImageArk& db, Position mark);
int32_t UpdateFromMark(tDataImageArk& db, Position mark);

// "Kopier": CopyData for kinds 2 and 10; the clipboard's data block, or -1 (clipboard
// unchanged) for other kinds and for a record without data.
int32_t CopyRecord(tDataImageArk& db);
// "Klipp ut": copy for kinds 2 and 10, then delete the record whatever its kind. The
// Delete result (-1 on the file header record, which is never deleted).
int32_t CutRecord(tDataImageArk& db);
// "Slett": delete the current record; a block start, end or clipboard naming it is
// cleared. The Delete result.
int32_t DeleteRecord(tDataImageArk& db);
// "Lim inn": a full copy of the clipboard's data below the current record (origin 4), when
// the clipboard holds kind 2 or 10. The PasteDataCopy result, or -1 with nothing made.
int32_t PasteRecord(tDataImageArk& db);
// "Lim inn peker": a data shadow (origin 3) of the clipboard's record below the current
// one. The NewDataShadow result (0 or less: nothing made when the clipboard is empty).
int32_t PasteRecordShadow(tDataImageArk& db);

// Why copy, cut, delete, paste, "Arv data fra merket post" or "Oppdater denne i fra
// merket" changed nothing, asked right after the refusal (the cursor where it was).
inline constexpr std::string_view kNotCopyableText = "Bare dataposter kan kopieres";
inline constexpr std::string_view kNoDataText = "Posten har ingen data";
inline constexpr std::string_view kNothingCopiedText = "Ingen datapost er kopiert";
inline constexpr std::string_view kCopiedDataUnreadableText =
    "Dataene til den kopierte posten kan ikke leses";
inline constexpr std::string_view kFileHeaderKeptText = "Filhodeposten kan ikke slettes";
inline constexpr std::string_view kNotDeletedText = "Posten kunne ikke slettes";
inline constexpr std::string_view kNoDataBlockText = "Posten har ingen datablokk";
std::string_view CopyRefusedText(tDataImageArk& db);
std::string_view DeleteRefusedText(tDataImageArk& db);
std::string_view PasteRefusedText(tDataImageArk& db);

// "Korriger pekerlengd": walks every record reachable from the file header record, depth
// first, and repairs a record whose size field is not 256 (or whose signature is missing)
// by storing it with size 256; then goes to the first data record. A block counts as a
// pointer record when it holds its own Position in its `position` field and either the
// size 256 or the signature. Records already whole are not written.
struct RepairResult {
  int64_t records = 0;   // records visited, the file header record included
  int64_t repaired = 0;  // records written
};
RepairResult RepairRecordSizes(tDataImageArk& db);

// Renames the current record. An empty text is refused (false, nothing changed).
bool RenameRecord(tDataImageArk& db, std::string_view text);

// "Ny &under" (DirDown) and "Ny til &høyre" (DirRight): a named line with `text` below the
// current record or at the head of its sub-list; the cursor ends on it. Its Position, or
// -1 (nothing made) for another direction, an empty text, or the file header record to
// the right.
Position NewLine(tDataImageArk& db, tDirection direction, std::string_view text);
// Why NewLine made nothing.
inline constexpr std::string_view kLineWithoutTextText = "En ny linje må ha en tekst";
inline constexpr std::string_view kNoLineHereText = "Her kan det ikke lages en linje";

}  // namespace qn
