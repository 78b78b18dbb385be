#include "commands/undelete.h"

#include <limits>

#include "commands/command_support.h"
#include "env/datetime_text.h"
#include "store/block_scan.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "store/tree_walk.h"

namespace qn {

namespace {

// The name of a record's kind as the window shows kinds; the number for a kind without one.
std::string KindText(int32_t kind) {
  switch (kind) {
    case kKindFileLink: return "fillenke";
    case kKindLink: return "dokument";
    case kKindNamedLink: return "dokument med navn";
    case kKindGlobalPointer: return "global peker";
    default: break;
  }
  const std::string name = KindName(kind);  // ", header", ", data med mal", ...
  if (kind < kKindDeleted && name.rfind(", ", 0) == 0) return name.substr(2);
  return std::to_string(kind);
}

}  // namespace

std::string DeletedLine(const DeletedRecord& record, bool kindByName) {
  const std::string time = record.changed == 0.0
                               ? std::string("Aldri")
                               : FormatShortDate(record.changed) + " " + FormatLongTime(record.changed);
  const std::string kind = kindByName ? KindText(record.kind) : std::to_string(record.kind);
  return std::to_string(record.position) + ' ' + kind + ' ' + time + ' ' + record.name;
}

std::vector<DeletedRecord> ListDeleted(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  CursorRestorer restore(dp);
  std::vector<Position> deleted;
  WalkBlockChain(
      [&](int64_t position, uint8_t* out, size_t count) {
        if (position > std::numeric_limits<Position>::max() ||
            count > size_t(std::numeric_limits<int32_t>::max()) ||
            !dp.InFile(position, int64_t(count)))
          return false;
        db.SeekTo(Position(position));
        return db.ReadBlock(out, int32_t(count)) == 0;
      },
      db.FileSizeOf(),
      [&](const ChainBlock& block) {
        if (block.record && block.position > 0 && (block.kind & kKindDeleted) != 0)
          deleted.push_back(Position(block.position));
      });
  std::vector<DeletedRecord> out;
  for (Position p : deleted) {
    if (dp.Load(p) != 0) continue;
    out.push_back({p, dp.Kind() & ~kKindDeleted, ReadName(db), dp.Changed()});
  }
  return out;
}

RestoreStatus RestoreDeleted(tDataImageArk& db, Position position, Position target) {
  Datapointer& dp = *db.dp;
  RecordImage record;
  if (!dp.ReadRecordAt(position, record) || !HasPointerSignature(record) ||
      !RecordView(record).IsDeleted())
    return RestoreStatus::kNotDeleted;
  // Only below a record the user can see: anywhere else it would be lost again.
  if (target != 0) {
    bool reached = false;
    WalkTree(db, [&](Position p, int) {
      reached = p == target;
      return !reached;
    });
    if (!reached || target == position) return RestoreStatus::kNoTarget;
  }
  RecordImage above;
  Position next = 0;
  if (target == 0) {
    next = dp.TopLevelFirst();
  } else {
    if (!dp.ReadRecordAt(target, above)) return RestoreStatus::kNoTarget;
    next = RecordView(above).Down();
  }

  RecordEdit restored(record);
  restored.SetKind(restored.LiveKind());
  restored.SetUp(target);
  restored.SetDown(next);
  for (RecordLink link : {RecordLink::kLeft, RecordLink::kRight, RecordLink::kInward, RecordLink::kOutward})
    restored.SetLink(link, 0);
  dp.StoreImage(record);
  if (next > 0) PatchRecord(db, next, [position](RecordImage& img) { RecordEdit(img).SetUp(position); });
  if (target == 0) {
    // The first record of the top-level list has no left; the one put back takes its place.
    dp.SetTopLevelFirst(position);
  } else {
    PatchRecord(db, target, [position](RecordImage& img) { RecordEdit(img).SetDown(position); });
  }
  dp.Load(position);
  dp.SetLastDirection(DirDown);
  return RestoreStatus::kRestored;
}

}  // namespace qn
