#include "store/record_blocks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include "env/text_codec.h"
#include "store/database.h"
#include "store/record_reader.h"
#include "store/tree_walk.h"
#include "env/log.h"

namespace qn {

namespace {

std::string CutName(std::string_view utf8) {
  std::string bytes = Utf8ToCp1252(utf8);
  if (bytes.size() > size_t(kNameMaxText)) bytes.resize(kNameMaxText);
  return bytes;
}

// True when `block` holds a whole 264-byte name (or link-text) block inside the file, so
// that rewriting it in place cannot touch its neighbours.
bool IsNameBlockAt(tDataImageArk& db, Position block) {
  Datapointer& dp = *db.dp;
  if (block <= 0 || !dp.InFile(block, kNameBlockSize)) return false;
  uint8_t size[4];
  db.SeekTo(block);
  if (db.ReadBlock(size, 4) != 0) return false;
  return BlockSizeOf(size) == kNameBlockSize;
}

// Reads the block at `block` as a name block: at most 264 bytes, no more than its size
// says and the file holds. The bytes read, or 0.
int32_t ReadNameImage(tDataImageArk& db, Position block, std::array<uint8_t, kNameBlockSize>& image,
                      bool sizeFirst) {
  Datapointer& dp = *db.dp;
  image.fill(0);
  int64_t count = dp.Fit(block, kNameBlockSize);
  if (count < 4) return 0;
  if (sizeFirst) {
    uint8_t size[4];
    db.SeekTo(block);
    if (db.ReadBlock(size, 4) != 0) return 0;
    count = std::min<int64_t>(count, BlockSizeOf(size));
    if (count <= 0) return 0;
  }
  db.SeekTo(block);
  db.ReadBlock(image.data(), int32_t(count));
  return int32_t(count);
}

std::string TextOf(const std::array<uint8_t, kNameBlockSize>& image, int32_t count) {
  return NameBlock::Decode(std::span<const uint8_t>(image.data(), size_t(count))).text;
}

// Rewrites the text of the name block in `object` at its block, or appends a new block
// for the current record. Returns true when a new block was made.
bool PutName(tDataImageArk& db, tNameObject& object, Position existing, const std::string& bytes) {
  Datapointer& dp = *db.dp;
  object.recordPosition = dp.CurrentPosition();
  if (IsNameBlockAt(db, existing)) {
    object.blockPosition = existing;
    db.SeekTo(existing);
    db.ReadBlock(object.image.data(), kNameBlockSize);
    object.image[kNameLengthOffset] = uint8_t(bytes.size());
    std::memcpy(object.image.data() + kNameTextOffset, bytes.data(), bytes.size());
    db.SeekTo(existing);
    db.WriteBlock(object.image.data(), kNameBlockSize);
    object.loaded = true;
    return false;
  }
  Position a = db.Allocate();
  if (a <= 0) return false;  // no room for a block: the record keeps what it names
  NameBlock block;
  block.owner = dp.CurrentPosition();
  block.text = bytes;
  block.Encode(object.image);
  object.blockPosition = a;
  db.SeekTo(a);
  db.WriteBlock(object.image.data(), kNameBlockSize);
  object.loaded = true;
  return true;
}

// The payload length of the data block at `block` with head `head`: what the head says,
// cut to what the file holds.
int64_t PayloadLength(Datapointer& dp, Position block, const DataHead& head) {
  if (head.size < uint32_t(kDataHeadSize)) return 0;
  return dp.Fit(int64_t(block) + kDataHeadSize, int64_t(head.size) - kDataHeadSize);
}

bool ReadHeadAt(tDataImageArk& db, Position block, DataHead& head) {
  if (block <= 0 || !db.dp->InFile(block, kDataHeadSize)) return false;
  std::array<uint8_t, kDataHeadSize> bytes;
  db.SeekTo(block);
  if (db.ReadBlock(bytes.data(), kDataHeadSize) != 0) return false;
  head = DataHead::Decode(bytes);
  return true;
}

// The data block whose payload comes before the record's own: `inheritBlock` names a
// data block; a pointer record found there (as older files may hold) stands for its data
// block. 0 when there is none.
Position InheritedBlock(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  Position ib = dp.InheritBlock();
  if (ib <= 0) return 0;
  RecordImage record;
  if (dp.ReadRecordAt(ib, record) && HasPointerSignature(record)) {
    Position block = RecordView(record).DataBlock();
    return block > 0 && block != ib && dp.InFile(block, kDataHeadSize) ? block : 0;
  }
  return dp.InFile(ib, kDataHeadSize) ? ib : 0;
}

// Writes the payload of the record at `updateFrom` over the own payload, up to the
// shorter of the two lengths; the rest of a longer own payload stays as it was. The
// cursor does not move.
void RefreshFromSource(tDataImageArk& db, Position own) {
  Datapointer& dp = *db.dp;
  RecordImage source;
  if (!dp.ReadRecordAt(dp.UpdateFrom(), source)) return;
  Position from = RecordView(source).DataBlock();
  DataHead fromHead, ownHead;
  if (from == own || !ReadHeadAt(db, from, fromHead) || !ReadHeadAt(db, own, ownHead)) return;
  int64_t n = std::min(PayloadLength(dp, from, fromHead), PayloadLength(dp, own, ownHead));
  if (n <= 0) return;
  std::vector<uint8_t> payload(static_cast<size_t>(n));
  db.SeekTo(from + kDataHeadSize);
  if (db.ReadBlock(payload.data(), int32_t(n)) != 0) return;
  db.SeekTo(own + kDataHeadSize);
  db.WriteBlock(payload.data(), int32_t(n));
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Names and link texts

namespace {

// Reads the current record's name or link-text block `block` into `object`, which then
// remembers the record, the block and whether it holds a text.
std::string ReadTextBlock(tDataImageArk& db, tNameObject& object, Position block, bool isName) {
  object.recordPosition = db.dp->CurrentPosition();
  object.blockPosition = block;
  const int32_t count = ReadNameImage(db, block, object.image, isName);
  object.loaded = count > 0;
  return Cp1252ToUtf8(TextOf(object.image, count));
}

}  // namespace

std::string ReadName(tDataImageArk& db) {
  const Position nb = db.dp->NameBlock();
  if (nb == 0) return {};
  return ReadTextBlock(db, db.name, nb, true);
}

int32_t WriteName(tDataImageArk& db, std::string_view text) {
  Datapointer& dp = *db.dp;
  std::string bytes = CutName(text);
  Position nb = dp.NameBlock();
  if (nb == 0 && bytes.empty()) {
    dp.Store();
    return 0;
  }
  if (PutName(db, db.name, nb, bytes)) {
    Position a = db.name.blockPosition;
    dp.SetNameBlock(a);
    if (nb == 0) dp.SetKind(dp.Kind() + kKindNamed);
    if (VerboseLogging)
      WriteLog("QUILLAPI: creating header \"" + std::string(text) + "\" at offset " +
               std::to_string(a));
  }
  dp.Store();
  return 0;
}

namespace {

// A new record in `direction` from the cursor, then `text` stored by `write`.
Position AddWithText(tDataImageArk& db, tDirection direction, std::string_view text,
                     int32_t (*write)(tDataImageArk&, std::string_view)) {
  Datapointer& dp = *db.dp;
  dp.SetLastDirection(direction);
  if (dp.NewInDirection() != 0) return -1;
  write(db, text);
  return dp.CurrentPosition();
}

}  // namespace

Position AddNamed(tDataImageArk& db, tDirection direction, std::string_view text) {
  return AddWithText(db, direction, text, WriteName);
}

std::string ReadLinkText(tDataImageArk& db) {
  const Position lb = db.dp->LinkBlock();
  if (lb == 0) {
    db.linkText.loaded = false;
    return {};
  }
  return ReadTextBlock(db, db.linkText, lb, false);
}

int32_t WriteLinkText(tDataImageArk& db, std::string_view text) {
  Datapointer& dp = *db.dp;
  Position lb = dp.LinkBlock();
  if (PutName(db, db.linkText, lb, CutName(text))) {
    dp.SetLinkBlock(db.linkText.blockPosition);
    if (dp.Kind() == kKindEmpty) dp.SetKind(kKindLink);
  }
  dp.Store();
  return 0;
}

Position AddLinked(tDataImageArk& db, tDirection direction, std::string_view text) {
  return AddWithText(db, direction, text, WriteLinkText);
}

// ---------------------------------------------------------------------------------------
// Data

Position SeekToData(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  Position block = dp.DataBlock();
  if (block <= 0 || !dp.InFile(block, kDataHeadSize)) return -1;
  if (db.autoUpdate && dp.UpdateFrom() > 0) RefreshFromSource(db, block);
  db.SeekTo(block);
  return block;
}

std::optional<DataHead> ReadDataHead(tDataImageArk& db) {
  if (SeekToData(db) < 0) return std::nullopt;
  std::array<uint8_t, kDataHeadSize> bytes;
  if (db.ReadBlock(bytes.data(), kDataHeadSize) != 0) return std::nullopt;
  return DataHead::Decode(bytes);
}

int32_t DataLength(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  Position block = dp.DataBlock();
  DataHead head, inherited;
  if (!ReadHeadAt(db, block, head)) return -1;
  int64_t total = PayloadLength(dp, block, head);
  Position ib = InheritedBlock(db);
  if (ib > 0 && ReadHeadAt(db, ib, inherited)) total += PayloadLength(dp, ib, inherited);
  return int32_t(std::min<int64_t>(total, std::numeric_limits<int32_t>::max()));
}

namespace {

// Where a payload of `own` bytes and the inherited payload before it go in a buffer of
// `room` bytes: the inherited block's payload first, then the record's own, each cut to
// what is left of the room. `inherited` is 0 when no inherited block is read.
struct PayloadParts {
  Position inherited = 0;
  int64_t first = 0;
  int64_t second = 0;
};

PayloadParts SplitPayload(tDataImageArk& db, int64_t own, int64_t room) {
  PayloadParts parts;
  const Position ib = InheritedBlock(db);
  DataHead inherited;
  if (ib > 0 && ReadHeadAt(db, ib, inherited)) {
    parts.inherited = ib;
    parts.first = std::min(PayloadLength(*db.dp, ib, inherited), room);
  }
  parts.second = std::min(own, room - parts.first);
  return parts;
}

}  // namespace

int32_t ReadData(tDataImageArk& db, std::span<uint8_t> buffer) {
  Datapointer& dp = *db.dp;
  Position block = SeekToData(db);
  if (block < 0) return -1;
  DataHead head;
  if (!ReadHeadAt(db, block, head)) return -1;
  const int64_t own = PayloadLength(dp, block, head);
  CompareWindow window(db);
  const PayloadParts parts = SplitPayload(db, own, int64_t(buffer.size()));
  if (parts.first > 0) {
    db.SeekTo(parts.inherited + kDataHeadSize);
    db.ReadBlock(buffer.data(), int32_t(parts.first));
  }
  if (parts.second > 0) {
    db.SeekTo(block + kDataHeadSize);
    db.ReadBlock(buffer.data() + parts.first, int32_t(parts.second));
  }
  return int32_t(parts.first + parts.second);
}

int32_t RewriteData(tDataImageArk& db, std::span<const uint8_t> buffer) {
  Datapointer& dp = *db.dp;
  Position block = SeekToData(db);
  if (block < 0) return -1;
  DataHead head;
  if (!ReadHeadAt(db, block, head)) return -1;
  const int64_t own = PayloadLength(dp, block, head);
  const PayloadParts parts = SplitPayload(db, own, int64_t(buffer.size()));
  if (parts.inherited > 0) {
    if (parts.first > 0) {
      db.SeekTo(parts.inherited + kDataHeadSize);
      db.WriteBlock(buffer.data(), int32_t(parts.first));
    }
    if (parts.second > 0) {
      CompareWindow window(db);
      db.SeekTo(block + kDataHeadSize);
      db.WriteBlock(buffer.data() + parts.first, int32_t(parts.second));
    }
    dp.Store();
    return int32_t(parts.first + std::max<int64_t>(parts.second, 0));
  }
  const int64_t n = parts.second;
  int32_t r = 0;
  if (n > 0) {
    CompareWindow window(db);
    db.SeekTo(block + kDataHeadSize);
    r = db.WriteBlock(buffer.data(), int32_t(n));
  }
  if (r == 0) return 0;
  dp.Store();
  int64_t moved = db.ReadOnly() ? 0 : n + r;
  return moved > 0 ? int32_t(moved) : -1;
}

int32_t AddData(tDataImageArk& db, std::span<const uint8_t> buffer) {
  Datapointer& dp = *db.dp;
  const int64_t count = int64_t(buffer.size());
  Position a = db.Allocate();
  if (a < 0 || int64_t(a) + kDataHeadSize + count > std::numeric_limits<Position>::max())
    return -1;  // the file cannot grow past the largest Position
  dp.SetDataBlock(a);
  dp.SetKind(dp.Kind() + kKindData);
  dp.Store();
  std::array<uint8_t, kDataHeadSize> head;
  DataHead{uint32_t(count + kDataHeadSize), 0, 0, 0}.Encode(head);
  db.SeekTo(a);
  int32_t r = db.WriteBlock(head.data(), kDataHeadSize);
  if (r != 0) return r;
  return count > 0 ? db.WriteBlock(buffer.data(), int32_t(count)) : 0;
}

int32_t AddDataInDirection(tDataImageArk& db, std::span<const uint8_t> buffer) {
  if (db.dp->NewInDirection() != 0) return -1;
  return AddData(db, buffer);
}

int32_t AddGlobalPointer(tDataImageArk& db, std::span<const uint8_t, kGlobalPointerSize> buffer) {
  Datapointer& dp = *db.dp;
  if (dp.NewInDirection() != 0) return -1;
  int32_t r = AddData(db, buffer);
  dp.SetKind(kKindGlobalPointer);
  dp.Store();
  return r;
}

// ---------------------------------------------------------------------------------------
// Notes

int32_t ReadNote(tDataImageArk& db, std::span<uint8_t, kNoteTextSize> buffer) {
  Datapointer& dp = *db.dp;
  Position nb = dp.NoteBlock();
  DataHead head;
  if (nb == 0 || !ReadHeadAt(db, nb, head)) return -1;
  int64_t n = dp.Fit(int64_t(nb) + kDataHeadSize, kNoteTextSize);
  std::fill(buffer.begin() + n, buffer.end(), uint8_t(0));
  if (n > 0) db.ReadBlock(buffer.data(), int32_t(n));
  return int32_t(n);
}

int32_t WriteNote(tDataImageArk& db, std::span<const uint8_t, kNoteTextSize> buffer) {
  Datapointer& dp = *db.dp;
  Position nb = dp.NoteBlock();
  DataHead head;
  // Only a whole note block inside the file is written over.
  if (nb == 0 || !dp.InFile(nb, kNoteBlockSize) || !ReadHeadAt(db, nb, head) ||
      head.size != uint32_t(kNoteBlockSize))
    return -1;
  if (head.tag != 1) {
    head.tag = 1;
    std::array<uint8_t, kDataHeadSize> bytes;
    head.Encode(bytes);
    db.SeekTo(nb);
    db.WriteBlock(bytes.data(), kDataHeadSize);
  }
  db.SeekTo(nb + kDataHeadSize);
  int32_t r = db.WriteBlock(buffer.data(), kNoteTextSize);
  dp.Store();
  if (r == 0) return kNoteTextSize;
  int32_t moved = db.ReadOnly() ? 0 : kNoteTextSize + r;
  return moved > 0 ? moved : -1;
}

int32_t AddNote(tDataImageArk& db, std::span<const uint8_t, kNoteTextSize> buffer) {
  Datapointer& dp = *db.dp;
  Position a = db.Allocate();
  if (a <= 0) return -1;
  dp.SetNoteBlock(a);
  dp.SetKind(dp.Kind() | kKindNote);
  dp.Store();
  std::array<uint8_t, kDataHeadSize> head;
  DataHead{uint32_t(kNoteBlockSize), 0, 0, 1}.Encode(head);
  db.SeekTo(a);
  int32_t r = db.WriteBlock(head.data(), kDataHeadSize);
  if (r != 0) return r;
  return db.WriteBlock(buffer.data(), kNoteTextSize);
}

// ---------------------------------------------------------------------------------------
// Search

Position ScanForString(tDataImageArk& db, std::string_view text, bool fromTop) {
  Datapointer& dp = *db.dp;
  const std::string wanted = Utf8ToCp1252(text);
  Position first = dp.CurrentPosition();
  if (fromTop || first == 0) first = dp.TopLevelFirst();

  // The walk reads records and names without moving the cursor, so the way back never
  // depends on the position stack.
  RecordReader reader(db);
  const Position named = reader.FindNamed(first, wanted);
  const Position found = named > 0 ? named : -1;

  if (found < 0) {
    if (VerboseLogging) WriteLog("QUILLAPI: ScanForString Failed. Search: " + std::string(text));
    return -1;
  }
  dp.Load(found);
  return found;
}

}  // namespace qn
