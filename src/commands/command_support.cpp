#include "commands/command_support.h"

#include <algorithm>

#include "store/database.h"

namespace qn {

Position PositionOf(const RecordImage& image) { return RecordView(image).OwnPosition(); }

RecordImage CurrentImage(const Datapointer& dp) {
  RecordImage out;
  std::copy(dp.Image().begin(), dp.Image().end(), out.begin());
  return out;
}

bool IsLiveRecord(tDataImageArk& db, Position p) {
  RecordImage img;
  return p > 0 && db.dp->ReadRecordAt(p, img) && !RecordView(img).IsDeleted();
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
  if (RecordView(first).Up() != 0) return head;
  head.parent = RecordView(first).Left();
  if (head.parent == 0) head.topLevel = db.dp->TopLevelFirst() == RecordView(first).OwnPosition();
  return head;
}

}  // namespace qn
