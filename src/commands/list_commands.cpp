// The editing commands on the current record.
#include "commands/list_commands.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "commands/block_commands.h"
#include "commands/command_support.h"
#include "store/database.h"
#include "content/initial_content.h"
#include "store/position_set.h"
#include "store/record_blocks.h"
#include "content/record_clipboard.h"

namespace qn {

bool IsCopyableKind(int32_t kind) { return kind == kKindData || kind == kKindDataWithTemplate; }

int32_t MoveRecordUp(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  const Position p = dp.CurrentPosition();
  const tDirection direction = dp.LastDirection();
  if (p <= 0 || dp.GoUp() != 0) {
    dp.SetLastDirection(direction);
    return -1;
  }
  // The record above moves down past the current one.
  const int32_t moved = dp.MoveDown();
  dp.Load(p);
  dp.SetLastDirection(direction);
  return moved < 0 ? -1 : p;
}

int32_t PasteShadowOfMark(tDataImageArk& db, Position mark) {
  Datapointer& dp = *db.dp;
  const Position here = dp.CurrentPosition();
  if (mark <= 0 || !dp.IsRecordAt(mark) || dp.Load(mark) != 0) return -1;
  dp.Remember();
  dp.Load(here);
  return dp.PasteShadow();
}

int32_t PasteShadowsOfMarks(tDataImageArk& db, std::span<const Position> marks) {
  int32_t made = 0;
  for (Position mark : marks)
    if (PasteShadowOfMark(db, mark) == 0) ++made;
  return made;
}

int32_t LinkRightToMark(tDataImageArk& db, Position mark) {
  if (mark <= 0) return -1;
  return db.dp->LinkRight(0, mark);
}

int32_t InheritDataFromMark(tDataImageArk& db, Position mark) {
  if (mark <= 0) return -1;
  return db.dp->SetInheritBlock(mark);
}

int32_t UpdateFromMark(tDataImageArk& db, Position mark) {
  if (mark <= 0 || !db.dp->IsRecordAt(mark)) return -1;
  return db.dp->SetUpdateFrom(mark);
}

int32_t CopyRecord(tDataImageArk& db) {
  if (!IsCopyableKind(db.dp->Kind())) return -1;
  return CopyData(db);
}

int32_t CutRecord(tDataImageArk& db) {
  if (IsCopyableKind(db.dp->Kind())) CopyData(db);
  return DeleteRecord(db);
}

int32_t DeleteRecord(tDataImageArk& db) {
  const int32_t result = db.dp->Delete();
  KeepBlockConsistent(db);
  return result;
}

int32_t PasteRecord(tDataImageArk& db) {
  if (!IsCopyableKind(db.clipboard.kind)) return -1;
  return PasteDataCopy(db);
}

int32_t PasteRecordShadow(tDataImageArk& db) { return NewDataShadow(db); }

std::string_view CopyRefusedText(tDataImageArk& db) {
  return IsCopyableKind(db.dp->Kind()) ? kNoDataText : kNotCopyableText;
}

std::string_view DeleteRefusedText(tDataImageArk& db) {
  return db.dp->CurrentPosition() <= 0 ? kFileHeaderKeptText : kNotDeletedText;
}

std::string_view PasteRefusedText(tDataImageArk& db) {
  return db.clipboard.data <= 0 || !IsCopyableKind(db.clipboard.kind) ? kNothingCopiedText
                                                                      : kCopiedDataUnreadableText;
}

namespace {

bool HasSignatureText(const RecordImage& image) {
  return image[kSignatureOffset] == kSignature.size() &&
         std::memcmp(image.data() + kSignatureOffset + 1, kSignature.data(), kSignature.size()) == 0;
}

// Reads the block at `p` when it is a pointer record, perhaps with a damaged size field.
bool ReadRepairable(tDataImageArk& db, Position p, RecordImage& out) {
  Datapointer& dp = *db.dp;
  if (p < 0 || !dp.InFile(p, kPointerRecordSize)) return false;
  db.SeekTo(p);
  if (db.ReadBlock(out.data(), kPointerRecordSize) != 0) return false;
  return RecordView(out).OwnPosition() == p &&
         (RecordView(out).Size() == uint32_t(kPointerRecordSize) || HasSignatureText(out));
}

}  // namespace

RepairResult RepairRecordSizes(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  RepairResult result;
  // Depth first from the file header record: a record, its sub-list, then its next record.
  PositionSet visited;  // grows with the records visited
  std::vector<Position> pending{0};
  RecordImage image;
  while (!pending.empty()) {
    const Position p = pending.back();
    pending.pop_back();
    if (p != 0 && !visited.Insert(p)) continue;
    if (!ReadRepairable(db, p, image)) continue;
    ++result.records;
    if (RecordView(image).Size() != uint32_t(kPointerRecordSize) || !HasPointerSignature(image)) {
      RecordEdit(image).SetSize(kPointerRecordSize);
      dp.StoreImage(image);
      ++result.repaired;
    }
    const Position down = RecordView(image).Down();
    const Position right = RecordView(image).Right();
    if (down > 0) pending.push_back(down);
    if (right > 0) pending.push_back(right);
  }
  // The cursor's own image may have been one of those repaired.
  dp.Load(dp.CurrentPosition());
  GoToFirstData(db);
  return result;
}

bool RenameRecord(tDataImageArk& db, std::string_view text) {
  if (text.empty() || db.dp->CurrentPosition() <= 0) return false;
  WriteName(db, text);
  return true;
}

Position NewLine(tDataImageArk& db, tDirection direction, std::string_view text) {
  if (text.empty() || (direction != DirDown && direction != DirRight)) return -1;
  return AddNamed(db, direction, text);
}

}  // namespace qn
