// The window's editing commands run on records named by Position.
#include "commands/record_edits.h"

#include "commands/block_commands.h"
#include "commands/command_support.h"
#include "commands/list_commands.h"
#include "commands/list_sort.h"
#include "commands/navigation.h"
#include "store/database.h"

namespace qn {

namespace {

// Why `p` cannot be edited: no record there, or a deleted one (whose links are stale, so
// no command may relink through it). Empty for a live record.
std::string_view RecordRefusal(tDataImageArk& db, Position p) {
  if (!db.dp->IsRecordAt(p)) return kNoRecordThereText;
  if (!IsLiveRecord(db, p)) return kRecordDeletedText;
  return {};
}

// The cursor on `record`, when it may be edited; otherwise why not.
std::string LoadLive(tDataImageArk& db, Position record) {
  if (std::string_view refused = RecordRefusal(db, record); !refused.empty())
    return std::string(refused);
  return db.dp->Load(record) == 0 ? std::string() : std::string(kNoRecordThereText);
}

// The cursor where the window's user stands to paste into `place` of `target`: on the
// target itself to paste below it (the file header record: at the top of the file), on
// the last record of its sub-list to paste into that. `hangRight` is set when the target
// has no sub-list: the paste goes below it and is then hung to its right.
std::string LoadPastePlace(tDataImageArk& db, Position target, EditPlace place, bool& hangRight) {
  Datapointer& dp = *db.dp;
  hangRight = false;
  if (target == 0) {
    if (place == EditPlace::kRightOf) return std::string(kNoSubListHereText);
    return dp.Load(0) == 0 ? std::string() : std::string(kNoRecordThereText);
  }
  if (std::string refused = LoadLive(db, target); !refused.empty()) return refused;
  if (place == EditPlace::kBelow) return {};
  const Position subList = dp.Right();
  if (subList <= 0) {
    hangRight = true;
    return {};
  }
  if (!LoadLive(db, subList).empty()) return std::string(kSubListDamagedText);
  dp.GoLast();
  return {};
}

// The records first..last, which follow `parent` directly in its list, leave that list and
// become the sub-list of `parent`, which has none; the record after them takes their place.
void HangRight(tDataImageArk& db, Position parent, Position first, Position last) {
  RecordImage image;
  const Position after = db.dp->ReadRecordAt(last, image) ? RecordView(image).Down() : 0;
  if (after > 0)
    PatchRecord(db, after, [parent](RecordImage& img) { RecordEdit(img).SetUp(parent); });
  PatchRecord(db, parent, [after, first](RecordImage& img) {
    RecordEdit(img).SetDown(after);
    RecordEdit(img).SetRight(first);
  });
  PatchRecord(db, first, [parent](RecordImage& img) {
    RecordEdit(img).SetUp(0);
    RecordEdit(img).SetLeft(parent);
  });
  PatchRecord(db, last, [](RecordImage& img) { RecordEdit(img).SetDown(0); });
  db.dp->Load(last);
  db.dp->SetLastDirection(DirDown);
}

// The block start and end on `first` and `last`, as "Merk første" and "Merk siste" set them.
std::string MarkBlock(tDataImageArk& db, Position first, Position last) {
  if (std::string refused = LoadLive(db, first); !refused.empty()) return refused;
  MarkBlockFirst(db);
  if (std::string refused = LoadLive(db, last); !refused.empty()) return refused;
  MarkBlockLast(db);
  return {};
}

}  // namespace

std::string RenameAt(tDataImageArk& db, Position record, std::string_view name) {
  if (std::string refused = LoadLive(db, record); !refused.empty()) return refused;
  if (!RenameRecord(db, name))
    return std::string(name.empty() ? kNameMissingText : kHeaderNotRenamedText);
  return {};
}

std::string DeleteAt(tDataImageArk& db, Position record) {
  if (std::string refused = LoadLive(db, record); !refused.empty()) return refused;
  if (DeleteRecord(db) < 0) return std::string(DeleteRefusedText(db));
  return {};
}

std::string MoveAt(tDataImageArk& db, Position record, bool up) {
  if (std::string refused = LoadLive(db, record); !refused.empty()) return refused;
  if (up) return MoveRecordUp(db) < 0 ? std::string(kFirstInListText) : std::string();
  return db.dp->MoveDown() < 0 ? std::string(kLastInListText) : std::string();
}

std::string SortListAt(tDataImageArk& db, Position record, bool ascending) {
  if (std::string refused = LoadLive(db, record); !refused.empty()) return refused;
  switch (SortList(db, ascending).status) {
    case SortStatus::kSorted: return {};
    case SortStatus::kDamaged: return std::string(kSortDamagedMessage);
    case SortStatus::kReadOnly: return std::string(kReadOnlyMessage);
    case SortStatus::kNoList: break;
  }
  return std::string(kNoSubListHereText);
}

std::string CopyTo(tDataImageArk& db, Position record, Position target, EditPlace place,
                   CopyForm form, Position* made) {
  if (std::string refused = LoadLive(db, record); !refused.empty()) return refused;
  // "Kopier" first, for the two pastes that take the record clipboard.
  if (form != CopyForm::kShadow && CopyRecord(db) < 0)
    return std::string(CopyRefusedText(db));
  bool hangRight = false;
  if (std::string refused = LoadPastePlace(db, target, place, hangRight); !refused.empty())
    return refused;
  switch (form) {
    case CopyForm::kCopy:
      if (PasteRecord(db) < 0) return std::string(PasteRefusedText(db));
      break;
    case CopyForm::kDataShadow:
      if (PasteRecordShadow(db) <= 0) return std::string(PasteRefusedText(db));
      break;
    case CopyForm::kShadow:
      if (PasteShadowOfMark(db, record) != 0) return std::string(kNoRecordThereText);
      break;
  }
  const Position copy = db.dp->CurrentPosition();
  if (hangRight) HangRight(db, target, copy, copy);
  if (made != nullptr) *made = copy;
  return {};
}

std::string MoveBlockTo(tDataImageArk& db, Position first, Position last, Position target,
                        EditPlace place) {
  if (std::string refused = MarkBlock(db, first, last); !refused.empty()) return refused;
  // "Klipp ut" marks the block to be moved by the next "Lim inn".
  if (BlockResult cut = CutBlock(db); !cut.done) return cut.message;
  bool hangRight = false;
  if (std::string refused = LoadPastePlace(db, target, place, hangRight); !refused.empty())
    return refused;
  const BlockResult pasted = PasteBlock(db);
  if (!pasted.done)
    return pasted.message.empty() ? std::string(kBlockNotMovedText) : pasted.message;
  if (hangRight) HangRight(db, target, first, last);
  return {};
}

std::string DeleteBlockAt(tDataImageArk& db, Position first, Position last) {
  if (std::string refused = MarkBlock(db, first, last); !refused.empty()) return refused;
  return DeleteBlock(db).message;
}

}  // namespace qn
