#include "commands/command_support.h"

#include <algorithm>

#include "store/database.h"

namespace qn {

Position PositionOf(const RecordImage& image) { return GetI32(image, kPositionOffset); }

RecordImage CurrentImage(const Datapointer& dp) {
  RecordImage out;
  std::copy(dp.Image().begin(), dp.Image().end(), out.begin());
  return out;
}

bool IsLiveRecord(tDataImageArk& db, Position p) {
  RecordImage img;
  return p > 0 && db.dp->ReadRecordAt(p, img) && (GetI32(img, kKindOffset) & kKindDeleted) == 0;
}

bool PatchRecord(tDataImageArk& db, Position p, const std::function<void(RecordImage&)>& change) {
  RecordImage img;
  if (!db.dp->ReadRecordAt(p, img)) return false;
  const RecordImage before = img;
  change(img);
  if (img != before) db.dp->StoreImage(img);
  return true;
}

ListHead HeadOf(tDataImageArk& db, const RecordImage& first) {
  ListHead head;
  if (GetI32(first, kUpOffset) != 0) return head;
  head.parent = GetI32(first, kLeftOffset);
  if (head.parent == 0) head.topLevel = db.dp->TopLevelFirst() == GetI32(first, kPositionOffset);
  return head;
}

}  // namespace qn
