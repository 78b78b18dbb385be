// The block commands over the cursor's block start and end and the block clipboard.
#include "commands/block_commands.h"

#include <array>
#include <memory>
#include <limits>
#include <optional>

#include "commands/command_support.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/position_set.h"
#include "store/record_blocks.h"
#include "content/record_clipboard.h"

namespace qn {

namespace {

// The block a cut marked for moving, and the database it belongs to, one for the owner of
// the engine state. The block clipboard must still hold the same first and last record for
// the cut to count.
struct CutState : DatabaseAttachment {
  const tDataImageArk* owner = nullptr;
  Position first = 0;
  Position last = 0;
};

CutState& Cut(tDataImageArk& db) {
  std::unique_ptr<DatabaseAttachment>& slot = db.Engine().cutBlock;
  if (!slot) slot = std::make_unique<CutState>();
  return static_cast<CutState&>(*slot);
}

void ForgetCut(tDataImageArk& db) {
  CutState& cut = Cut(db);
  cut.owner = nullptr;
  cut.first = cut.last = 0;
}

void ForgetBlockClipboard(tDataImageArk& db) {
  db.blockClipboard = false;
  ForgetCut(db);
}

BlockResult Refused(std::string_view message) { return {false, std::string(message)}; }

// The clipboard block's records, checked again against the file; a block that is no longer
// one piece of one list empties the clipboard.
BlockRecords ClipboardBlock(tDataImageArk& db) {
  const BlockClipboardImages* clip = BlockClipboard(db);
  if (clip == nullptr) return {{}, {}};
  BlockRecords block = CollectBlock(db, PositionOf(clip->first), PositionOf(clip->last));
  if (block.records.empty()) ForgetBlockClipboard(db);
  return block;
}

// True when `p` is one of `block` or hangs somewhere below one of them. The walk climbs each
// list to its first record and from there to the record that holds the list; only `p` and
// those holders are asked, so a record further down the block's own list is not inside it.
bool InsideBlock(tDataImageArk& db, Position p, const PositionSet& block) {
  Datapointer& dp = *db.dp;
  PositionSet seen;
  RecordImage img;
  bool holder = true;  // `p` is the target or a record holding its list
  for (int64_t steps = dp.RecordBound(); p > 0 && steps > 0; --steps) {
    if (holder && block.Contains(p)) return true;
    if (!seen.Insert(p) || !dp.ReadRecordAt(p, img)) return false;
    const Position up = RecordView(img).Up();
    holder = up <= 0;
    p = up > 0 ? up : RecordView(img).Left();
  }
  return false;
}

// Moves the records `block` (one piece of one list) with their sub-lists below `target`.
BlockResult MoveBlock(tDataImageArk& db, const std::vector<Position>& block, Position target) {
  Datapointer& dp = *db.dp;
  PositionSet members(block.size());
  for (Position p : block) members.Insert(p);
  if (InsideBlock(db, target, members)) return Refused(kBlockIntoItselfMessage);

  const Position s = block.front(), e = block.back();
  RecordImage first, last;
  if (!dp.ReadRecordAt(s, first) || !dp.ReadRecordAt(e, last)) return Refused(kBlockGoneMessage);
  const ListHead head = HeadOf(db, first);
  const Position u = RecordView(first).Up();
  const Position n = RecordView(last).Down();

  // Out of its list: the record before it (or the parent, or the file header record) and
  // the record after it close the gap.
  if (u > 0)
    PatchRecord(db, u, [n](RecordImage& img) { RecordEdit(img).SetDown(n); });
  else if (head.parent > 0)
    PatchRecord(db, head.parent, [n](RecordImage& img) { RecordEdit(img).SetRight(n); });
  else if (head.topLevel)
    db.dp->SetTopLevelFirst(n);
  if (n > 0)
    PatchRecord(db, n, [u, head](RecordImage& img) {
      RecordEdit(img).SetUp(u);
      if (head.parent > 0) RecordEdit(img).SetLeft(head.parent);
    });

  // Into its new place below the target.
  RecordImage at;
  if (!dp.ReadRecordAt(target, at)) return Refused(kBlockNoPlaceMessage);
  const Position after = RecordView(at).Down();
  PatchRecord(db, target, [s](RecordImage& img) { RecordEdit(img).SetDown(s); });
  PatchRecord(db, s, [target](RecordImage& img) {
    RecordEdit(img).SetUp(target);
    RecordEdit(img).SetLeft(0);
  });
  PatchRecord(db, e, [after](RecordImage& img) { RecordEdit(img).SetDown(after); });
  if (after > 0) PatchRecord(db, after, [e](RecordImage& img) { RecordEdit(img).SetUp(e); });

  ForgetCut(db);
  dp.Load(e);
  dp.SetLastDirection(DirDown);
  return {true, {}};
}

// What a copy of one record takes from it, read before anything is made.
struct RecordCopy {
  RecordImage image{};
  std::optional<std::string> name;
  std::optional<std::string> linkText;
  std::optional<std::array<uint8_t, kNoteTextSize>> note;
  std::vector<uint8_t> data;  // the whole data block, head included; empty when none
};

int32_t KindOf(const RecordImage& image) { return RecordView(image).LiveKind(); }

// Reads what the copy of the record at the cursor needs. False when its data block does not
// lie whole in the file.
bool ReadForCopy(tDataImageArk& db, RecordCopy& copy) {
  Datapointer& dp = *db.dp;
  copy.image = CurrentImage(dp);
  if (dp.NameBlock() != 0) copy.name = ReadName(db);
  if (dp.LinkBlock() != 0) copy.linkText = ReadLinkText(db);
  if (dp.NoteBlock() != 0) {
    std::array<uint8_t, kNoteTextSize> note{};
    if (ReadNote(db, note) >= 0) copy.note = note;
  }
  const Position block = dp.DataBlock();
  // A file link's `dataBlock` is the Position of the record it links to, not a block.
  if (block == 0 || KindOf(copy.image) == kKindFileLink) return true;
  std::array<uint8_t, 4> size{};
  if (block < 0 || !dp.InFile(block, 4)) return false;
  db.SeekTo(block);
  if (db.ReadBlock(size.data(), 4) != 0) return false;
  const uint32_t total = BlockSizeOf(size);
  if (total < 4 || total > uint32_t(std::numeric_limits<int32_t>::max()) || !dp.InFile(block, total))
    return false;
  copy.data.resize(total);
  db.SeekTo(block);
  return db.ReadBlock(copy.data.data(), int32_t(total)) == 0;
}

// Makes the copy below the cursor's record; the cursor ends on it.
void MakeCopy(tDataImageArk& db, RecordCopy& copy) {
  Datapointer& dp = *db.dp;
  const RecordImage& source = copy.image;
  dp.NewDown();
  if (copy.name) WriteName(db, *copy.name);
  if (copy.linkText) WriteLinkText(db, *copy.linkText);
  if (copy.note) AddNote(db, *copy.note);
  const int32_t kind = KindOf(source);
  bool dataCopied = false;
  if (kind == kKindFileLink) {
    dp.SetDataBlock(RecordView(source).DataBlock());
  } else if (!copy.data.empty()) {
    // A register variable's value block is shaped like a name block and names its owner.
    if (kind == kKindRegisterVariable && copy.data.size() >= 8)
      SetNameOwner(copy.data, dp.CurrentPosition());
    const Position a = db.Allocate();
    if (a > 0) {
      db.SeekTo(a);
      if (db.WriteBlock(copy.data.data(), int32_t(copy.data.size())) == 0) {
        dp.SetDataBlock(a);
        dataCopied = true;
      }
    }
  }
  dp.SetKind(kind);
  dp.SetTemplatePos(RecordView(source).TemplatePos());
  dp.SetInheritBlockField(RecordView(source).InheritBlock());
  dp.SetUpdateFromField(RecordView(source).UpdateFrom());
  dp.SetDataOffset(RecordView(source).DataOffset());
  dp.SetPictureBlock(RecordView(source).PictureBlock());
  dp.SetOrigin(dataCopied ? kOriginCopy : kOriginDirect);
  dp.Store();
}

BlockResult CopyRecords(tDataImageArk& db, const std::vector<Position>& block, Position target) {
  Datapointer& dp = *db.dp;
  // Everything is read first: the copies may land inside the block itself.
  std::vector<RecordCopy> copies(block.size());
  for (size_t i = 0; i < block.size(); ++i) {
    if (dp.Load(block[i]) != 0 || !ReadForCopy(db, copies[i])) {
      dp.Load(target);
      return Refused(kBlockDataDamagedMessage);
    }
  }
  dp.Load(target);
  for (RecordCopy& copy : copies) MakeCopy(db, copy);
  dp.SetLastDirection(DirDown);
  return {true, {}};
}

// The current record, when a block may be pasted below it.
bool PastePlace(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  return dp.CurrentPosition() > 0 && !dp.IsDeleted();
}

}  // namespace

BlockRecords CollectBlock(tDataImageArk& db, Position start, Position end) {
  Datapointer& dp = *db.dp;
  if (start <= 0 || end <= 0) return {{}, std::string(kBlockNotMarkedMessage)};
  if (!IsLiveRecord(db, start) || !IsLiveRecord(db, end)) return {{}, std::string(kBlockGoneMessage)};
  RecordImage img;
  dp.ReadRecordAt(start, img);
  PositionSet seen;
  seen.Insert(start);
  BlockRecords block;
  for (Position p = start;;) {
    block.records.push_back(p);
    if (p == end) return block;
    const Position next = RecordView(img).Down();
    if (next == 0) return {{}, std::string(kBlockNotOneListMessage)};
    if (!seen.Insert(next) || !dp.ReadRecordAt(next, img) || RecordView(img).Up() != p ||
        RecordView(img).IsDeleted())
      return {{}, std::string(kBlockDamagedMessage)};
    p = next;
  }
}

void MarkBlockFirst(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  dp.SetBlockStart(dp.CurrentPosition());
  if (dp.BlockEnd() == 0) dp.SetBlockEnd(dp.CurrentPosition());
}

void MarkBlockLast(tDataImageArk& db) { db.dp->SetBlockEnd(db.dp->CurrentPosition()); }

namespace {

// Moves to the record a block mark names; a mark whose record is gone is cleared.
BlockResult GoToBlock(tDataImageArk& db, Position mark, void (Datapointer::*clear)(Position)) {
  Datapointer& dp = *db.dp;
  if (mark <= 0) return {};
  if (!IsLiveRecord(db, mark)) {
    (dp.*clear)(0);
    return Refused(kBlockGoneMessage);
  }
  return {dp.Load(mark) == 0, {}};
}

}  // namespace

BlockResult GoToBlockStart(tDataImageArk& db) {
  return GoToBlock(db, db.dp->BlockStart(), &Datapointer::SetBlockStart);
}

BlockResult GoToBlockEnd(tDataImageArk& db) {
  return GoToBlock(db, db.dp->BlockEnd(), &Datapointer::SetBlockEnd);
}

BlockResult CopyBlock(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  const BlockRecords block = CollectBlock(db, dp.BlockStart(), dp.BlockEnd());
  if (block.records.empty()) return Refused(block.message);
  if (!FillBlockClipboard(db, block.records.front(), block.records.back()))
    return Refused(kBlockGoneMessage);
  ForgetCut(db);
  return {true, {}};
}

BlockResult CutBlock(tDataImageArk& db) {
  BlockResult result = CopyBlock(db);
  if (result.done) {
    CutState& cut = Cut(db);
    cut.owner = &db;
    cut.first = db.dp->BlockStart();
    cut.last = db.dp->BlockEnd();
  }
  return result;
}

bool CutPending(const tDataImageArk& db) {
  const auto* cut = static_cast<const CutState*>(db.Engine().cutBlock.get());
  if (cut == nullptr) return false;
  const BlockClipboardImages* clip = BlockClipboard(db);
  return cut->owner == &db && clip != nullptr && PositionOf(clip->first) == cut->first &&
         PositionOf(clip->last) == cut->last;
}

BlockResult DeleteBlock(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  if (db.ReadOnly()) return Refused(kReadOnlyMessage);
  const BlockRecords block = CollectBlock(db, dp.BlockStart(), dp.BlockEnd());
  if (block.records.empty()) return Refused(block.message);
  for (Position p : block.records)
    if (dp.Load(p) == 0) dp.Delete();
  KeepBlockConsistent(db);
  return {true, {}};
}

BlockResult PasteBlock(tDataImageArk& db) {
  if (BlockClipboard(db) == nullptr) return {};
  if (db.ReadOnly()) return Refused(kReadOnlyMessage);
  const bool cut = CutPending(db);
  const BlockRecords block = ClipboardBlock(db);
  if (block.records.empty()) return Refused(block.message);
  if (!PastePlace(db)) return Refused(kBlockNoPlaceMessage);
  const Position target = db.dp->CurrentPosition();
  return cut ? MoveBlock(db, block.records, target) : CopyRecords(db, block.records, target);
}

BlockResult PasteBlockPointers(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  if (BlockClipboard(db) == nullptr) return {};
  if (db.ReadOnly()) return Refused(kReadOnlyMessage);
  const BlockRecords block = ClipboardBlock(db);
  if (block.records.empty()) return Refused(block.message);
  if (!PastePlace(db)) return Refused(kBlockNoPlaceMessage);
  Position below = dp.CurrentPosition();
  for (Position p : block.records) {
    if (dp.Load(p) != 0) break;
    dp.Remember();
    dp.Load(below);
    dp.PasteShadow();
    below = dp.CurrentPosition();
  }
  dp.Load(below);
  dp.SetLastDirection(DirDown);
  return {true, {}};
}

BlockResult MoveBlockRight(tDataImageArk& db, std::string_view name) {
  Datapointer& dp = *db.dp;
  if (name.empty()) return {};
  if (db.ReadOnly()) return Refused(kReadOnlyMessage);
  const BlockRecords block = CollectBlock(db, dp.BlockStart(), dp.BlockEnd());
  if (block.records.empty()) return Refused(block.message);
  const Position s = block.records.front(), e = block.records.back();

  // The new line L goes directly above the block's first record S.
  dp.Load(s);
  const bool firstOfList = dp.GoUp() != 0;
  const Position line = AddNamed(db, DirDown, name);
  if (line < 0) {
    dp.Load(s);
    return {};
  }
  if (firstOfList) {
    // L was made below S: S moves below L, which takes S's place at the head of the list.
    dp.GoUp();
    dp.MoveDown();
    dp.GoUp();
  }

  // L takes the record after the block as its next record; the block hangs to its right.
  RecordImage last;
  const Position after = dp.ReadRecordAt(e, last) ? RecordView(last).Down() : 0;
  if (after > 0) PatchRecord(db, after, [line](RecordImage& img) { RecordEdit(img).SetUp(line); });
  PatchRecord(db, line, [after, s](RecordImage& img) {
    RecordEdit(img).SetDown(after);
    RecordEdit(img).SetRight(s);
  });
  PatchRecord(db, s, [line](RecordImage& img) {
    RecordEdit(img).SetLeft(line);
    RecordEdit(img).SetUp(0);
  });
  PatchRecord(db, e, [](RecordImage& img) { RecordEdit(img).SetDown(0); });
  dp.Load(s);
  dp.SetLastDirection(DirDown);
  return {true, {}};
}

void KeepBlockConsistent(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  if (dp.BlockStart() > 0 && !IsLiveRecord(db, dp.BlockStart())) dp.SetBlockStart(0);
  if (dp.BlockEnd() > 0 && !IsLiveRecord(db, dp.BlockEnd())) dp.SetBlockEnd(0);
  if (const BlockClipboardImages* clip = BlockClipboard(db)) {
    if (!IsLiveRecord(db, PositionOf(clip->first)) || !IsLiveRecord(db, PositionOf(clip->last)))
      ForgetBlockClipboard(db);
  }
}

}  // namespace qn
