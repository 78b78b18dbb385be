// The record clipboard and the block clipboard.
#include "content/record_clipboard.h"

#include <memory>
#include <vector>

#include "store/database.h"
#include "store/record_blocks.h"

namespace qn {

namespace {

// The block clipboard's images and the database they were taken from, one for the owner
// of the engine state: the owner check keeps images of another of its databases, or of a
// closed one, from being handed out.
struct BlockClipboardStore : DatabaseAttachment {
  const tDataImageArk* owner = nullptr;
  BlockClipboardImages images;
};

BlockClipboardStore& BlockStore(tDataImageArk& db) {
  std::unique_ptr<DatabaseAttachment>& slot = db.Engine().blockClipboard;
  if (!slot) slot = std::make_unique<BlockClipboardStore>();
  return static_cast<BlockClipboardStore&>(*slot);
}

}  // namespace

int32_t CopyData(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  const int32_t kind = dp.Kind() & ~kKindDeleted;
  if (dp.DataBlock() <= 0 || kind == kKindFileLink || kind == kKindRegisterVariable) return -1;
  db.clipboard = tDataClipboard{dp.CurrentPosition(), dp.DataBlock(), dp.Kind(), dp.TemplatePos()};
  return dp.DataBlock();
}

int32_t PasteDataShadow(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  const tDataClipboard& clip = db.clipboard;
  if (clip.data <= 0) return clip.data;
  if (dp.CurrentPosition() <= 0) return -1;  // the file header record holds no data
  dp.SetKind(clip.kind);
  dp.SetDataBlock(clip.data);
  dp.SetTemplatePos(clip.templatePos);
  dp.SetOrigin(kOriginDataShadow);
  dp.SetSourceRecord(clip.record);
  dp.Store();
  return clip.data;
}

int32_t PasteDataCopy(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  const tDataClipboard clip = db.clipboard;
  if (clip.data <= 0) return -1;
  // The whole payload is read first: a block that is no longer whole in the file makes
  // no record.
  if (!dp.InFile(clip.data, kDataHeadSize)) return -1;
  std::array<uint8_t, kDataHeadSize> headBytes;
  db.SeekTo(clip.data);
  if (db.ReadBlock(headBytes.data(), kDataHeadSize) != 0) return -1;
  const DataHead head = DataHead::Decode(headBytes);
  if (head.size < uint32_t(kDataHeadSize)) return -1;
  const int64_t length = int64_t(head.size) - kDataHeadSize;
  if (!dp.InFile(int64_t(clip.data) + kDataHeadSize, length)) return -1;
  std::vector<uint8_t> payload(static_cast<size_t>(length));
  if (length > 0 && db.ReadBlock(payload.data(), int32_t(length)) != 0) return -1;

  if (dp.NewDown() != 0) return -1;
  dp.SetTemplatePos(clip.templatePos);
  int32_t result = AddData(db, payload);
  dp.SetOrigin(kOriginCopy);
  dp.Store();
  return result;
}

int32_t NewDataShadow(tDataImageArk& db) {
  if (db.clipboard.data <= 0) return db.clipboard.data;
  if (db.dp->NewDown() != 0) return -1;
  return PasteDataShadow(db);
}

bool FillBlockClipboard(tDataImageArk& db, Position first, Position last) {
  Datapointer& dp = *db.dp;
  BlockClipboardImages images;
  if (!dp.ReadRecordAt(first, images.first) || !dp.ReadRecordAt(last, images.last)) return false;
  BlockClipboardStore& store = BlockStore(db);
  store.owner = &db;
  store.images = images;
  db.blockClipboard = true;
  return true;
}

const BlockClipboardImages* BlockClipboard(const tDataImageArk& db) {
  const auto* store = static_cast<const BlockClipboardStore*>(db.Engine().blockClipboard.get());
  if (!db.blockClipboard || store == nullptr || store->owner != &db) return nullptr;
  return &store->images;
}

}  // namespace qn
