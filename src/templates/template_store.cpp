#include "templates/template_store.h"

#include <algorithm>
#include <limits>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/position_set.h"
#include "store/record_blocks.h"
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

// A template record found by name, with the own rows its block really holds.
struct FoundTemplate {
  Position record = 0;
  Position block = 0;
  TemplateHeader header{0, 0, 0, 0, 0};
  uint32_t rows = 0;  // FieldCount, cut to what TotalSize and the file hold
};

bool SameName(tDataImageArk& db, std::string_view name) {
  return Utf8ToCp1252(ReadName(db)) == Utf8ToCp1252(name);
}

// FindTemplate's search. On success the cursor is on the record and the file at its first
// row; otherwise the cursor is where it was.
bool FindTemplateRecord(tDataImageArk& db, std::string_view name, FoundTemplate& found) {
  Datapointer& dp = *db.dp;
  found = FoundTemplate{};
  if (name.empty()) return false;  // an empty name would match every unnamed record
  const Position start = dp.CurrentPosition();
  const bool current = start > 0 && dp.DataBlock() > 0 && (dp.Kind() & kKindTemplate) != 0 &&
                       SameName(db, name);
  if (!current && ScanForString(db, name, true) < 0) return false;
  // Whatever record bears the name first is taken; without a data block it has no
  // template to read.
  const Position block = dp.DataBlock();
  if (block <= 0 || !dp.InFile(block, kTemplateHeaderSize)) {
    if (dp.CurrentPosition() != start) dp.Load(start);
    return false;
  }
  std::array<uint8_t, kTemplateHeaderSize> head{};
  db.SeekTo(block);
  if (db.ReadBlock(head.data(), kTemplateHeaderSize) != 0) {
    if (dp.CurrentPosition() != start) dp.Load(start);
    return false;
  }
  found.record = dp.CurrentPosition();
  found.block = block;
  found.header = TemplateHeader::Decode(head);
  const uint64_t bySize = found.header.TotalSize >= uint32_t(kTemplateHeaderSize)
                              ? (found.header.TotalSize - kTemplateHeaderSize) / kTemplateFieldSize
                              : 0;
  const uint64_t wanted = std::min<uint64_t>(found.header.FieldCount, bySize);
  const int64_t inFile = dp.Fit(int64_t(block) + kTemplateHeaderSize, int64_t(wanted) * kTemplateFieldSize);
  found.rows = uint32_t(inFile / kTemplateFieldSize);
  return true;
}

std::vector<TemplateField> ReadRows(tDataImageArk& db, Position block, uint32_t rows) {
  std::vector<TemplateField> out;
  if (rows == 0) return out;
  std::vector<uint8_t> bytes(size_t(rows) * kTemplateFieldSize);
  db.SeekTo(block + kTemplateHeaderSize);
  db.ReadBlock(bytes.data(), int32_t(bytes.size()));
  out.reserve(rows);
  for (uint32_t i = 0; i < rows; ++i)
    out.push_back(TemplateField::Decode(
        std::span<const uint8_t, kTemplateFieldSize>(bytes.data() + size_t(i) * kTemplateFieldSize,
                                                     kTemplateFieldSize)));
  return out;
}

struct ChainLink {
  FoundTemplate found;
  std::vector<TemplateField> rows;
  bool expandsParent = false;  // its first row is an INHERITED row that was followed
};

// The template `top` (the cursor on it) and the templates it inherits from, child first.
// A template inherits when its header says so and its first row is an INHERITED row
// naming a template that can be found. The chain ends at a template met before (a
// template inheriting from itself, A -> B -> A) and once the rows read add up to the
// file's size, so a damaged file can neither loop nor make it read without end.
std::vector<ChainLink> ResolveChain(tDataImageArk& db, const FoundTemplate& top) {
  Datapointer& dp = *db.dp;
  int64_t budget = std::max<int64_t>(db.FileSizeOf(), 0) / kTemplateFieldSize;
  PositionSet records, blocks;
  std::vector<ChainLink> chain;
  FoundTemplate next = top;
  for (;;) {
    records.Insert(next.record);
    blocks.Insert(next.block);
    uint32_t rows = uint32_t(std::min<int64_t>(next.rows, budget));
    budget -= rows;
    chain.push_back(ChainLink{next, ReadRows(db, next.block, rows), false});
    ChainLink& link = chain.back();
    if (link.found.header.HasInherited != 1 || link.rows.empty() ||
        link.rows.front().DataType != kTypeInherited || budget <= 0)
      break;
    FoundTemplate parent;
    if (!FindTemplateRecord(db, Cp1252ToUtf8(link.rows.front().Name), parent)) break;
    if (records.Contains(parent.record) || blocks.Contains(parent.block)) {
      dp.Load(link.found.record);
      break;
    }
    link.expandsParent = true;
    next = parent;
  }
  return chain;
}

// Fills the loaded template from a resolved chain: the root's rows first, the named
// template's own rows last.
void Expand(tLoadedTemplate& t, std::vector<ChainLink>& chain) {
  size_t total = 0;
  t.InheritedDataLength = 0;
  for (const ChainLink& link : chain) {
    total += link.rows.size();
    if (link.expandsParent) t.InheritedDataLength += link.rows.front().DataLength;
  }
  t.Fields.clear();
  t.Fields.reserve(total);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (TemplateField& row : it->rows) t.Fields.push_back(std::move(row));
  t.OwnCount = uint32_t(chain.front().rows.size());
  t.InheritedCount = uint32_t(total) - t.OwnCount;
}

std::string CutTemplateName(std::string_view name) {
  std::string bytes = Utf8ToCp1252(name);
  if (bytes.size() > kTemplateNameMax) bytes.resize(kTemplateNameMax);
  return Cp1252ToUtf8(bytes);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Finding and loading

TemplateHeader FindTemplate(tDataImageArk& db, std::string_view name) {
  tLoadedTemplate& t = LoadedTemplate(db);
  FoundTemplate found;
  if (!FindTemplateRecord(db, name, found)) {
    t.TemplateRecordPos = 0;
    return TemplateHeader{0, 0, 0, 0, 0};
  }
  t.TemplateRecordPos = found.record;
  return found.header;
}

uint32_t CountTemplateFields(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  tLoadedTemplate& t = LoadedTemplate(db);
  if (t.TemplateRecordPos <= 0 || dp.CurrentPosition() != t.TemplateRecordPos) return 0;
  const int64_t place = db.FilePosition();
  uint32_t total = 0;
  {
    CursorRestorer keep(*db.dp);
    FoundTemplate top;
    if (FindTemplateRecord(db, ReadName(db), top) && top.record == t.TemplateRecordPos)
      for (const ChainLink& link : ResolveChain(db, top)) total += uint32_t(link.rows.size());
  }
  db.SeekTo(Position(place));
  return total;
}

int32_t LoadTemplate(tDataImageArk& db, std::string_view name) {
  tLoadedTemplate& t = LoadedTemplate(db);
  t.Free();
  CursorRestorer keep(*db.dp);
  FoundTemplate top;
  if (!FindTemplateRecord(db, name, top)) return -1;
  std::vector<ChainLink> chain = ResolveChain(db, top);
  Expand(t, chain);
  t.TemplateName = CutTemplateName(name);
  t.TemplateRecordPos = top.record;
  t.TemplateBlockPos = top.block;
  t.Header = top.header;
  t.TemplateLoaded = true;
  return 0;
}

int32_t LoadRecordTemplate(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  const Position templatePos = dp.TemplatePos();
  if (templatePos <= 0 || !dp.IsRecordAt(templatePos)) {
    LoadedTemplate(db).Free();  // a stale template must not lay out this record
    return -1;
  }
  CursorRestorer keep(*db.dp);
  dp.Load(templatePos);
  std::string name = ReadName(db);
  return LoadTemplate(db, name);
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

int64_t ExpandedDataLength(tDataImageArk& db) {
  int64_t total = 0;
  for (const TemplateField& f : LoadedTemplate(db).Fields)
    if (f.DataType != kTypeInherited) total += f.DataLength;
  return total;
}

}  // namespace qn
