#include "templates/field_io.h"

#include <algorithm>
#include <array>
#include <limits>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

namespace qn {

namespace {

const TemplateField* FieldAt(tDataImageArk& db, size_t index) {
  tLoadedTemplate& t = LoadedTemplate(db);
  if (!t.TemplateLoaded || index >= t.Fields.size()) return nullptr;
  return &t.Fields[index];
}

// The bytes a field occupies in the record: none for INHERITED rows.
int64_t Width(const TemplateField& field) {
  return field.DataType == kTypeInherited ? 0 : field.DataLength;
}

// How many bytes from `place` lie inside the block the field window was set to: the place
// is inside it, or is where the last field of a walk through it ended (past a short
// block's end: 0). -1 when the place belongs to no window.
int64_t RoomInWindow(const tLoadedTemplate& t, int64_t place) {
  if (t.FieldWindowEnd < t.FieldWindowStart || t.FieldWindowStart <= 0) return -1;
  const bool inside = place >= t.FieldWindowStart && place <= t.FieldWindowEnd;
  if (!inside && place != t.FieldNextPlace) return -1;
  return std::max<int64_t>(0, t.FieldWindowEnd - place);
}

}  // namespace

int64_t SeekToFieldValues(tDataImageArk& db, bool refresh) {
  Datapointer& dp = *db.dp;
  tLoadedTemplate& t = LoadedTemplate(db);
  t.FieldWindowStart = t.FieldWindowEnd = t.FieldNextPlace = 0;
  // Until a block is found the walk has no bytes to read: a record without data reads as
  // zeros, never as whatever the file place was left on.
  t.FieldWindowMissing = true;
  Position block = dp.DataBlock();
  if (refresh) {
    block = SeekToData(db);
  } else if (block <= 0 || !dp.InFile(block, kDataHeadSize)) {
    block = -1;
  }
  if (block <= 0) return -1;
  std::array<uint8_t, kDataHeadSize> head{};
  db.SeekTo(block);
  if (db.ReadBlock(head.data(), kDataHeadSize) != 0) return -1;
  t.FieldWindowMissing = false;
  const uint32_t size = DataHead::Decode(head).size;
  const int64_t start = int64_t(block) + kDataHeadSize;
  const int64_t payload = size > uint32_t(kDataHeadSize) ? dp.Fit(start, int64_t(size) - kDataHeadSize) : 0;
  t.FieldWindowStart = start;
  t.FieldWindowEnd = start + payload;
  t.FieldNextPlace = start;
  db.SeekTo(Position(start));
  return start;
}

int32_t ReadFieldValue(tDataImageArk& db, size_t index) {
  const TemplateField* field = FieldAt(db, index);
  if (!field) return -1;
  tLoadedTemplate& t = LoadedTemplate(db);
  t.ValueBuffer.fill(0);
  if (t.FieldWindowMissing) return 0;
  const int64_t place = db.FilePosition();
  const int64_t width = Width(*field);
  int64_t room = RoomInWindow(t, place);
  if (room < 0) room = db.dp->Fit(place, width);
  const int64_t n = std::min<int64_t>({width, int64_t(kValueBufferSize), room});
  if (n > 0) db.ReadBlock(t.ValueBuffer.data(), int32_t(n));
  const int64_t next = std::min<int64_t>(place + width, std::numeric_limits<Position>::max());
  if (RoomInWindow(t, place) >= 0) t.FieldNextPlace = next;
  db.SeekTo(Position(next));
  return 0;
}

int32_t WriteFieldValue(tDataImageArk& db, size_t index) {
  const TemplateField* field = FieldAt(db, index);
  if (!field) return -1;
  tLoadedTemplate& t = LoadedTemplate(db);
  if (t.FieldWindowMissing) return -1;
  const int64_t place = db.FilePosition();
  const int64_t room = RoomInWindow(t, place);
  if (room < 0) return -1;
  const int64_t width = Width(*field);
  if (IsTextType(field->DataType) && field->DataLength > 0)
    t.ValueBuffer[0] = uint8_t(std::min<int>(t.ValueBuffer[0], field->DataLength - 1));
  const int64_t n = std::min<int64_t>(width, int64_t(kValueBufferSize));
  if (n > room) return -1;  // the field does not lie wholly inside the block
  int32_t r = 0;
  if (n > 0) {
    db.Engine().compareWindow = true;
    r = db.WriteBlock(t.ValueBuffer.data(), int32_t(n));
    db.Engine().compareWindow = false;
  }
  t.FieldNextPlace = place + width;
  db.SeekTo(Position(std::min<int64_t>(place + width, std::numeric_limits<Position>::max())));
  return r;
}

std::span<uint8_t, kValueBufferSize> ValueBuffer(tDataImageArk& db) {
  return LoadedTemplate(db).ValueBuffer;
}

std::string FieldValueText(tDataImageArk& db, size_t index, const ShowOptions& options) {
  const TemplateField* field = FieldAt(db, index);
  if (!field) return {};
  return ShowFieldText(*field, ValueBuffer(db), options);
}

SaveResult SetFieldValueText(tDataImageArk& db, size_t index, std::string_view text) {
  const TemplateField* field = FieldAt(db, index);
  if (!field) return {SaveStatus::kRefused, {}};
  return SaveFieldText(*field, text, ValueBuffer(db));
}

}  // namespace qn
