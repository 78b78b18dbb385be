#include "templates/template_store.h"

#include <algorithm>
#include <limits>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/position_set.h"
#include "store/record_blocks.h"
#include "store/record_reader.h"
#include "env/text_codec.h"
#include "templates/type_table.h"

namespace qn {


void tLoadedTemplate::Free() {
  TemplateLoaded = false;
  TemplateName.clear();
  TemplateRecordPos = 0;
  TemplateBlockPos = 0;
  Header = TemplateHeader{0, 0, 0, 0, 0};
  Fields.clear();
  Fields.shrink_to_fit();
  InheritedCount = 0;
  OwnCount = 0;
  InheritedDataLength = 0;
  FieldWindowMissing = false;
}

tLoadedTemplate& LoadedTemplate(tDataImageArk& db) {
  if (!db.loadedTemplate) db.loadedTemplate = std::make_unique<tLoadedTemplate>();
  return static_cast<tLoadedTemplate&>(*db.loadedTemplate);
}

namespace {

constexpr std::string_view kDefinitions = "Definitions";

}  // namespace

// ---------------------------------------------------------------------------------------
// Finding and loading

TemplateHeader FindTemplate(tDataImageArk& db, std::string_view name) {
  tLoadedTemplate& t = LoadedTemplate(db);
  RecordReader reader(db);
  const std::optional<TemplateRecordFound> found = FindTemplateRecord(reader, name, db.dp->CurrentPosition());
  if (!found) {
    t.TemplateRecordPos = 0;
    return TemplateHeader{0, 0, 0, 0, 0};
  }
  // The cursor on the template record, the file at its first row.
  if (db.dp->CurrentPosition() != found->record) db.dp->Load(found->record);
  db.SeekTo(found->block + kTemplateHeaderSize);
  t.TemplateRecordPos = found->record;
  return found->header;
}

uint32_t CountTemplateFields(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  tLoadedTemplate& t = LoadedTemplate(db);
  if (t.TemplateRecordPos <= 0 || dp.CurrentPosition() != t.TemplateRecordPos) return 0;
  RecordReader reader(db);
  const std::optional<TemplateLayout> layout =
      ReadTemplate(reader, reader.Name(dp.Record()), dp.CurrentPosition());
  return layout && layout->TemplateRecordPos == t.TemplateRecordPos ? uint32_t(layout->Fields.size()) : 0;
}

int32_t LoadTemplate(tDataImageArk& db, std::string_view name) {
  tLoadedTemplate& t = LoadedTemplate(db);
  t.Free();
  RecordReader reader(db);
  std::optional<TemplateLayout> layout = ReadTemplate(reader, name, db.dp->CurrentPosition());
  if (!layout) return -1;
  static_cast<TemplateLayout&>(t) = std::move(*layout);
  t.TemplateLoaded = true;
  return 0;
}

int32_t LoadRecordTemplate(tDataImageArk& db) {
  tLoadedTemplate& t = LoadedTemplate(db);
  t.Free();  // a stale template must not lay out this record
  RecordReader reader(db);
  std::optional<TemplateLayout> layout = ReadRecordTemplate(reader, db.dp->Record());
  if (!layout) return -1;
  static_cast<TemplateLayout&>(t) = std::move(*layout);
  t.TemplateLoaded = true;
  return 0;
}

// ---------------------------------------------------------------------------------------
// Rows in memory, saving

bool GetTemplateField(tDataImageArk& db, size_t index, TemplateField& row) {
  tLoadedTemplate& t = LoadedTemplate(db);
  if (!t.TemplateLoaded || index >= t.Fields.size()) return false;
  row = t.Fields[index];
  return true;
}

int32_t SetTemplateField(tDataImageArk& db, size_t index, const TemplateField& row) {
  tLoadedTemplate& t = LoadedTemplate(db);
  if (!t.TemplateLoaded || index >= t.Fields.size()) return -1;
  t.Fields[index] = row;
  return 0;
}

int32_t SaveTemplate(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  tLoadedTemplate& t = LoadedTemplate(db);
  if (!t.TemplateLoaded || !dp.IsRecordAt(t.TemplateRecordPos)) return -1;
  dp.Load(t.TemplateRecordPos);
  const Position block = t.TemplateBlockPos;
  const uint32_t rows = t.OwnCount;
  const int64_t bytes = kTemplateHeaderSize + int64_t(rows) * kTemplateFieldSize;
  if (block <= 0 || !dp.InFile(block, bytes) || t.InheritedCount + rows > t.Fields.size()) return -1;

  t.Header.HasInherited = 0;
  for (uint32_t i = 0; i < rows; ++i)
    if (t.Fields[t.InheritedCount + i].DataType == kTypeInherited) t.Header.HasInherited = 1;
  std::vector<uint8_t> out(static_cast<size_t>(bytes));
  t.Header.Encode(std::span<uint8_t, kTemplateHeaderSize>(out.data(), kTemplateHeaderSize));
  for (uint32_t i = 0; i < rows; ++i)
    t.Fields[t.InheritedCount + i].Encode(std::span<uint8_t, kTemplateFieldSize>(
        out.data() + kTemplateHeaderSize + size_t(i) * kTemplateFieldSize, kTemplateFieldSize));
  db.SeekTo(block);
  return db.WriteBlock(out.data(), int32_t(out.size()));
}

// ---------------------------------------------------------------------------------------
// Creating

int32_t CreateTemplate(tDataImageArk& db, std::string_view name) {
  Datapointer& dp = *db.dp;
  tLoadedTemplate& t = LoadedTemplate(db);
  t.Free();
  t.Creating = false;
  if (name.empty() || db.ReadOnly()) return -1;
  if (ScanForString(db, kDefinitions, true) < 0) return -1;
  // Below the first record of the list; below the header itself when the list is empty.
  if (dp.Right() > 0) dp.GoRight();
  const Position record = AddNamed(db, DirDown, name);
  if (record <= 0) return -1;
  const Position block = db.Allocate();
  if (block <= 0) return -1;
  dp.SetDataBlock(block);
  dp.SetKind(kKindTemplate);
  TemplateHeader header;  // TotalSize 16, all else 0
  std::array<uint8_t, kTemplateHeaderSize> head{};
  header.Encode(head);
  db.SeekTo(block);
  int32_t r = db.WriteBlock(head.data(), kTemplateHeaderSize);
  if (r != 0) return r;
  t.Creating = true;
  t.CreatingRecord = record;
  t.CreatingBlock = block;
  t.CreatingHeader = header;
  return 0;
}

int32_t AddTemplateField(tDataImageArk& db, const TemplateField& row) {
  tLoadedTemplate& t = LoadedTemplate(db);
  if (!t.Creating || t.CreatingHeader.FieldCount == std::numeric_limits<uint16_t>::max()) return -1;
  // The rows must follow the header without a gap: nothing else may have been appended.
  if (int64_t(db.Allocate()) != int64_t(t.CreatingBlock) + t.CreatingHeader.TotalSize) return -1;
  std::array<uint8_t, kTemplateFieldSize> bytes{};
  row.Encode(bytes);
  int32_t r = db.WriteBlock(bytes.data(), kTemplateFieldSize);
  if (r != 0) return r;
  TemplateHeader& h = t.CreatingHeader;
  h.FieldCount += 1;
  h.TotalSize += kTemplateFieldSize;
  h.DataSize += row.DataLength;
  if (row.DataType == kTypeInherited) h.HasInherited = 1;
  return 0;
}

int32_t FinishTemplate(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  tLoadedTemplate& t = LoadedTemplate(db);
  if (!t.Creating) return -1;
  t.Creating = false;
  if (dp.CurrentPosition() != t.CreatingRecord) {
    if (!dp.IsRecordAt(t.CreatingRecord)) return -1;
    dp.Load(t.CreatingRecord);
  }
  dp.SetDataBlock(t.CreatingBlock);
  dp.SetKind(kKindTemplate);
  dp.Store();
  std::array<uint8_t, kTemplateHeaderSize> head{};
  t.CreatingHeader.Encode(head);
  db.SeekTo(t.CreatingBlock);
  return db.WriteBlock(head.data(), kTemplateHeaderSize);
}

// ---------------------------------------------------------------------------------------
// The linked program

bool TemplateHasProgram(tDataImageArk& db) {
  CursorRestorer keep(*db.dp);
  return LoadRecordTemplate(db) == 0 && LoadedTemplate(db).Header.ProgramData != 0;
}

int32_t ReadTemplateProgram(tDataImageArk& db, std::span<uint8_t, kProgramRecordSize> program) {
  CursorRestorer keep(*db.dp);
  if (LoadRecordTemplate(db) != 0) return -1;
  const Position data = LoadedTemplate(db).Header.ProgramData;
  if (data <= 0) return -1;
  std::fill(program.begin(), program.end(), uint8_t(0));
  const int64_t n = db.dp->Fit(int64_t(data) + kDataHeadSize, kProgramRecordSize);
  if (n <= 0) return 0;
  db.SeekTo(data + kDataHeadSize);
  db.ReadBlock(program.data(), int32_t(n));
  return int32_t(n);
}

int32_t UnlinkTemplateProgram(tDataImageArk& db) {
  CursorRestorer keep(*db.dp);
  if (LoadRecordTemplate(db) != 0) return -1;
  LoadedTemplate(db).Header.ProgramData = 0;
  SaveTemplate(db);
  return 1;
}

// ---------------------------------------------------------------------------------------
// Listing

std::vector<std::string> ListTemplateNames(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  CursorRestorer keep(*db.dp);
  std::vector<std::string> names;
  if (ScanForString(db, kDefinitions, true) < 0) return names;
  if (dp.Right() <= 0 || dp.GoRight() != 0) return names;
  PositionSet seen;
  seen.Insert(dp.CurrentPosition());
  while (dp.Down() > 0 && dp.GoDown() == 0 && seen.Insert(dp.CurrentPosition())) {
    if ((dp.Kind() & kKindTemplate) != 0) names.push_back(ReadName(db));
  }
  return names;
}

int64_t ExpandedDataLength(tDataImageArk& db) { return LoadedTemplate(db).DataLength(); }

}  // namespace qn
