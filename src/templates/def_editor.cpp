#include "templates/def_editor.h"

#include <algorithm>
#include <limits>

#include "env/number_text.h"
#include "env/text_codec.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/position_set.h"
#include "store/record_blocks.h"
#include "store/tree_walk.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

namespace qn {
namespace {

constexpr std::string_view kDefinitions = "Definitions";
constexpr std::string_view kHeadings[kDefColumns] = {
    "nr", "Navn", "Type", "Lengd", "Dec", "Skjult", "Nødvendig", "Vis lengde", "Data lengd", "Data type"};
constexpr size_t kTypeWordMax = 40;
constexpr size_t kClipboardTextMax = 255;
constexpr std::string_view kStringWord = "SHORTSTRING";
// A string row whose "Lengd" gives no length holds the longest text a length byte counts.
constexpr int64_t kLongestString = 255;

std::string Decimal(int64_t n) { return std::to_string(n); }

// The writes of `write` as one change of the journal, stored before it returns; its
// result, or the change's error when the change could not be stored.
template <typename Write>
int32_t InOneChange(tDataImageArk& db, Write write) {
  db.BeginChange();
  int32_t result = 0;
  try {
    result = write();
  } catch (...) {
    db.AbandonChange();
    throw;
  }
  int32_t stored = db.EndChange();
  // Inside a longer command (the editor's window stays open over several saves) a save
  // still reaches the file now, not when the window closes.
  if (stored == 0 && result == 0 && db.InChange()) stored = db.CommitChangeSoFar();
  return result != 0 ? result : stored;
}

}  // namespace

std::string_view DefHeading(int column) {
  return column >= 0 && column < kDefColumns ? kHeadings[column] : std::string_view();
}

std::vector<std::string> TypeListLines() {
  std::vector<std::string> lines;
  for (const TypeInfo& t : TypeTable())
    lines.push_back(std::string(t.description) + "   (" + std::string(t.name) + ")");
  return lines;
}

DefEditor::DefEditor(tDataImageArk& db, DefEditorHost& host, bool ny, DefRowTexts* rowClipboard)
    : db_(db), host_(host), ny_(ny), grid_(kDefGridRows),
      rowClipboard_(rowClipboard != nullptr ? *rowClipboard : ownRowClipboard_) {
  for (int c = 0; c < kDefColumns; ++c) grid_[0][c] = std::string(kHeadings[c]);
  for (int r = 1; r < kDefGridRows; ++r) grid_[r][kColNr] = Decimal(r);
}

// ---- The grid --------------------------------------------------------------------------

const std::string& DefEditor::Cell(int column, int row) const {
  static const std::string kNone;
  if (column < 0 || column >= kDefColumns || row < 0 || row >= kDefGridRows) return kNone;
  return grid_[size_t(row)][size_t(column)];
}

std::string& DefEditor::At(int column, int row) { return grid_.at(size_t(row)).at(size_t(column)); }

void DefEditor::SetCell(int column, int row, std::string text) {
  if (column < 0 || column >= kDefColumns || row < 0 || row >= kDefGridRows) return;
  At(column, row) = std::move(text);
}

void DefEditor::EditCell(int column, int row, std::string text) {
  // The heading row and the number column are not edited.
  if (column < 1 || column >= kDefColumns || row < 1 || row >= kDefGridRows) return;
  // "Vis lengde" follows "Lengd" until the user gives it a value of its own.
  const bool follows = column == kColLengd && Cell(kColVisLengde, row) == Cell(kColLengd, row);
  At(column, row) = std::move(text);
  TypeEntryRule(column, row);
  if (follows) At(kColVisLengde, row) = Cell(kColLengd, row);
  // The "nr" column shows each row's offset, which every data length before it moves.
  if (column == kColDataLengd || column == kColLengd) SetOffsets();
}

int64_t DefEditor::Number(int column, int row) const {
  return ParseInt32(Cell(column, row)).value_or(0);
}

void DefEditor::TypeEntryRule(int column, int row) {
  if (row < 1 || row >= kDefGridRows) return;
  lagret_ = false;
  std::string word = CutToCp1252Length(UpperCase(Cell(kColType, row)), kTypeWordMax);
  if (word == "ARV") word = "INHERITED";
  if (word == "STRING") word = std::string(kStringWord);
  if (word == "INTEGER") word = "SMALLINT";

  if (column == kColType) {
    const auto table = TypeTable();
    const auto match = std::find_if(table.begin(), table.end(),
                                    [&](const TypeInfo& t) { return t.name == word; });
    if (match != table.end()) {
      At(kColDataLengd, row) = Decimal(match->dataLength);
      At(kColDataType, row) = Decimal(match->code);
      At(kColLengd, row) = Decimal(match->length);
      if (match->code == kTypeCurrency) At(kColDec, row) = "2";
      At(kColType, row) = word;
    } else if (word == kStringWord) {
      // The table names its string types in mixed case, so no typed word matches them:
      // a string row is the text type, one byte longer than its length for the count.
      int64_t length = Number(kColLengd, row);
      if (length <= 0 || length > kLongestString) length = kLongestString;
      At(kColLengd, row) = Decimal(length);
      At(kColDataLengd, row) = Decimal(length + 1);
      At(kColDataType, row) = Decimal(kTypeString);
      At(kColType, row) = word;
    }
    if (Cell(kColNodvendig, row).empty()) At(kColNodvendig, row) = "Ja";
    if (Cell(kColSkjult, row).empty()) At(kColSkjult, row) = "Nei";
    At(kColVisLengde, row) = Cell(kColLengd, row);
    if (Cell(kColNavn, row).empty()) At(kColNavn, row) = word + Cell(kColNr, row);
    SetOffsets();
    return;
  }
  if (column == kColLengd && word == kStringWord) {
    // A string's length byte counts at most 255 characters.
    if (Number(kColLengd, row) > kLongestString) At(kColLengd, row) = Decimal(kLongestString);
    // A stored template's rows keep their bytes: its data records are laid out by them.
    if (ny_) At(kColDataLengd, row) = Decimal(Number(kColLengd, row) + 1);
  }
}

void DefEditor::SetOffsets() {
  uint16_t offset = 0;
  if (Cell(kColType, 1) == "INHERITED") offset = uint16_t(Number(kColLengd, 1));
  int i = 1;
  for (; i < kDefGridRows && !Cell(kColNavn, i).empty(); ++i) {
    At(kColNr, i) = Decimal(i) + " (" + Decimal(offset) + ")";
    offset = uint16_t(offset + uint16_t(Number(kColDataLengd, i)));
  }
  if (i < kDefGridRows) At(kColNr, i) = Decimal(i) + " (" + Decimal(offset) + ")";
  maxOffset_ = offset;
  lagret_ = false;
}

void DefEditor::ClearAll() {
  for (int r = 1; r <= kDefWorkRows; ++r) {
    for (int c = 1; c < kDefColumns; ++c) At(c, r).clear();
    At(kColNr, r) = Decimal(r);
  }
  lagret_ = false;
}

bool DefEditor::DoubleClick(int column, int row) {
  if (row < 1 || row >= kDefGridRows) return false;
  lagret_ = false;
  if (column == kColNavn && Cell(kColDataType, row) == "0") {
    At(kColNavn, row) = host_.ChooseTemplate(ListTemplateNames(db_));
  } else if (column == kColType) {
    return true;
  } else if (column == kColSkjult || column == kColNodvendig) {
    At(column, row) = Cell(column, row) == "Ja" ? "Nei" : "Ja";
  }
  return false;
}

void DefEditor::PickType(int row, int line) {
  if (line < 0 || line >= kTypeCount || row < 1 || row >= kDefGridRows) return;
  At(kColType, row) = std::string(TypeTable()[size_t(line)].name);
  TypeEntryRule(kColType, row);
}

TemplateField DefEditor::RowField(int row) const {
  TemplateField f;
  f.Name = Utf8ToCp1252(CutToCp1252Length(Cell(kColNavn, row), kFieldNameMax));
  f.DataLength = uint16_t(Number(kColDataLengd, row));
  f.DataType = uint16_t(Number(kColDataType, row));
  f.Length = uint16_t(Number(kColLengd, row));
  f.Decimals = uint16_t(Number(kColDec, row));
  f.ShowLength = uint16_t(Number(kColVisLengde, row));
  f.Hidden = Cell(kColSkjult, row) == "Ja" ? 1 : 0;
  f.Required = Cell(kColNodvendig, row) == "Ja" ? 1 : 0;
  return f;
}

void DefEditor::FillRow(int row, const TemplateField& f) {
  if (row < 1 || row >= kDefGridRows) return;
  At(kColDataLengd, row) = Decimal(f.DataLength);
  At(kColDataType, row) = Decimal(f.DataType);
  At(kColLengd, row) = Decimal(f.Length);
  At(kColDec, row) = Decimal(f.Decimals);
  At(kColVisLengde, row) = Decimal(f.ShowLength);
  At(kColSkjult, row) = f.Hidden != 0 ? "Ja" : "Nei";
  At(kColNodvendig, row) = f.Required != 0 ? "Ja" : "Nei";
  At(kColNavn, row) = Cp1252ToUtf8(f.Name);
  At(kColType, row) = std::string(TypeName(f.DataType));
}

std::string DefEditor::CheckNumbers(int lastRow) const {
  constexpr int columns[] = {kColLengd, kColDec, kColVisLengde, kColDataLengd, kColDataType};
  std::string rows;
  for (int r = 1; r <= lastRow && r < kDefGridRows; ++r) {
    if (Cell(kColNavn, r).empty()) continue;
    bool bad = false;
    for (int c : columns) {
      const std::optional<int32_t> n = ParseInt32(Cell(c, r));
      if (n && (*n < 0 || *n > std::numeric_limits<uint16_t>::max())) bad = true;
    }
    // A field wider than the value buffer could never be read or written.
    if (Number(kColDataLengd, r) > int64_t(kValueBufferSize)) bad = true;
    if (bad) rows += (rows.empty() ? "" : ", ") + Decimal(r);
  }
  if (rows.empty()) return rows;
  return "Linje " + rows + " har tall som en mal ikke kan lagre (0 til 65535, \"Data lengd\" høyst " +
         Decimal(kValueBufferSize) + "). Ingenting er lagret.";
}

// ---- The name box ------------------------------------------------------------------------

void DefEditor::ScanTemplates() {
  names_.clear();
  Datapointer& dp = *db_.dp;
  {
    CursorRestorer keep(dp);
    if (ScanForString(db_, kDefinitions, true) >= 0) {
      if (dp.Right() > 0) dp.GoRight();
      std::vector<Position> templates;
      WalkFrom(db_, dp.CurrentPosition(),
               [&](Position p, std::span<const uint8_t, kPointerRecordSize> record, int) {
                 if (RecordView(record).Kind() == kKindTemplate) templates.push_back(p);
                 return true;
               });
      for (Position p : templates) {
        if (dp.Load(p) == 0) names_.push_back(ReadName(db_));
      }
    }
  }
  std::sort(names_.begin(), names_.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
}

void DefEditor::PointerCheck() {
  if (!chosen_) nameBox_ = host_.CurrentDisplayName();
  pointerEnabled_ = Loaded() != nullptr;
}

bool DefEditor::Choose(std::string name) {
  nameBox_ = std::move(name);
  const bool opened = Open();
  // The box keeps the chosen name, so "&Lagre" stores into the template the grid shows.
  chosen_ = true;
  PointerCheck();
  return opened;
}

// ---- Commands ------------------------------------------------------------------------------

bool DefEditor::Open() {
  ClearAll();
  antallDef_ = 0;
  openedRecord_ = 0;
  if (LoadTemplate(db_, nameBox_) != 0) return false;
  const tLoadedTemplate& t = LoadedTemplate(db_);
  antallDef_ = int16_t(std::min<uint32_t>(t.OwnCount, std::numeric_limits<int16_t>::max()));
  const int rows = std::min<int>(antallDef_, kDefWorkRows);
  for (int k = 1; k <= rows; ++k) {
    TemplateField f;
    if (GetTemplateField(db_, t.InheritedCount + size_t(k) - 1, f)) FillRow(k, f);
  }
  chosen_ = true;
  Opened();
  SetOffsets();
  lagret_ = false;
  return true;
}

const tLoadedTemplate* DefEditor::Loaded() {
  // The database holds one loaded template, which others (the main window's view, a
  // chooser) may have replaced meanwhile: the grid's template is loaded again then.
  if (openedRecord_ <= 0) return nullptr;
  const tLoadedTemplate& t = LoadedTemplate(db_);
  if (!t.TemplateLoaded || t.TemplateRecordPos != openedRecord_) {
    if (LoadTemplate(db_, openedName_) != 0 || t.TemplateRecordPos != openedRecord_) {
      openedRecord_ = 0;
      return nullptr;
    }
  }
  return &t;
}

void DefEditor::Opened() {
  const tLoadedTemplate& t = LoadedTemplate(db_);
  openedRecord_ = t.TemplateLoaded ? t.TemplateRecordPos : 0;
  openedName_ = openedRecord_ > 0 ? nameBox_ : std::string();
}

void DefEditor::CheckInheritedLength() {
  const tLoadedTemplate* loaded = Loaded();
  if (loaded == nullptr || loaded->InheritedCount == 0) return;
  const tLoadedTemplate& t = *loaded;
  int64_t sum = 0;
  for (uint32_t i = 0; i < t.InheritedCount && i < t.Fields.size(); ++i) {
    const TemplateField& f = t.Fields[i];
    if (IsSizedStringType(f.DataType)) {
      sum += f.Length + 1;
    } else if (const TypeInfo* type = FindType(f.DataType)) {
      sum += type->dataLength;
    }
  }
  At(kColLengd, 1) = Decimal(sum);
  SetOffsets();
}

bool DefEditor::RefusedReadOnly() {
  if (!db_.ReadOnly()) return false;
  host_.Message(kReadOnlyDefinition);
  return true;
}

bool DefEditor::Save() {
  droppedRows_ = 0;
  if (RefusedReadOnly()) return false;
  CheckInheritedLength();
  if (ny_) return SaveAs();
  if (LoadTemplate(db_, nameBox_) != 0) {
    host_.Message("Finner ikke malen \"" + nameBox_ + "\"; ingenting er lagret.");
    return false;
  }
  if (std::string refused = CheckNumbers(kDefWorkRows); !refused.empty()) {
    host_.Message(refused);
    return false;
  }
  tLoadedTemplate& t = LoadedTemplate(db_);
  for (int i = 1; i <= kDefWorkRows; ++i) {
    if (Cell(kColNavn, i).empty()) continue;
    if (uint32_t(i) <= t.OwnCount) {
      SetTemplateField(db_, t.InheritedCount + size_t(i) - 1, RowField(i));
    } else {
      ++droppedRows_;
    }
  }
  // The record's size follows the rows as stored: the inherited part a first INHERITED
  // row gives, then every own row's bytes, counted without a 16-bit wrap.
  int64_t dataSize = 0;
  for (uint32_t k = 0; k < t.OwnCount; ++k) {
    const TemplateField& f = t.Fields[t.InheritedCount + k];
    if (k == 0 && f.DataType == kTypeInherited) dataSize += f.Length;
    dataSize += f.DataLength;
  }
  if (dataSize != t.Header.DataSize) {
    const int64_t users = CountRecordsUsingTemplate(db_, t.TemplateRecordPos);
    if (users > 0 &&
        !host_.YesNo(Decimal(users) + " dataposter bruker malen \"" + nameBox_ +
                         "\". Datalengden endres fra " + Decimal(t.Header.DataSize) + " til " +
                         Decimal(dataSize) +
                         " byte, og postene blir lest med den nye oppbygningen. Vil du lagre ?",
                     false)) {
      LoadTemplate(db_, nameBox_);  // the rows set in memory are dropped
      return false;
    }
  }
  t.Header.DataSize = int32_t(std::min<int64_t>(dataSize, std::numeric_limits<int32_t>::max()));
  const Position keep = db_.dp->CurrentPosition();
  const int32_t result = InOneChange(db_, [&] { return SaveTemplate(db_); });
  if (db_.dp->IsRecordAt(keep)) db_.dp->Load(keep);
  LoadTemplate(db_, nameBox_);
  Opened();
  if (result != 0) {
    host_.Message("Malen \"" + nameBox_ + "\" kunne ikke lagres.");
    return false;
  }
  lagret_ = true;
  if (droppedRows_ > 0)
    host_.Message(Decimal(droppedRows_) + (droppedRows_ == 1 ? " linje" : " linjer") +
                  " ble ikke lagret: malen \"" + nameBox_ + "\" har " + Decimal(t.OwnCount) +
                  " felt. \"Lagre som ....\" tar vare på alle linjene i en ny mal.");
  return true;
}

bool DefEditor::SaveAs() {
  Datapointer& dp = *db_.dp;
  const Position start = dp.CurrentPosition();
  if (RefusedReadOnly()) return false;
  const std::string name = host_.Input(kNewDefinitionPrompt, "");
  if (name.empty()) return false;
  if (TemplateNameTaken(db_, name)) {
    host_.Message("Navnet \"" + name + "\" er allerede i bruk i databasen; en mal med samme navn ville "
                  "aldri bli funnet. Velg et annet navn.");
    return false;
  }
  int last = 0;
  while (last < kDefWorkRows && !Cell(kColNavn, last + 1).empty()) ++last;
  if (std::string refused = CheckNumbers(last); !refused.empty()) {
    host_.Message(refused);
    return false;
  }
  const int32_t result = InOneChange(db_, [&]() -> int32_t {
    if (CreateTemplate(db_, name) != 0) return -1;
    for (int i = 1; i <= last; ++i)
      if (AddTemplateField(db_, RowField(i)) != 0) return -1;
    return FinishTemplate(db_);
  });
  if (dp.IsRecordAt(start)) dp.Load(start);
  if (result != 0) {
    host_.Message("Malen \"" + name + "\" kunne ikke lages (finnes listen \"Definitions\"?).");
    return false;
  }
  nameBox_ = name;
  if (std::find(names_.begin(), names_.end(), name) == names_.end()) {
    names_.push_back(name);
    std::sort(names_.begin(), names_.end(),
              [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  }
  LoadTemplate(db_, name);
  antallDef_ = int16_t(last);
  chosen_ = true;
  Opened();
  // From now on the editor edits the template it made: "&Lagre" stores into it.
  ny_ = false;
  PointerCheck();
  lagret_ = true;
  return true;
}

void DefEditor::PasteOriginal(int row) {
  if (row < 1 || row >= kDefGridRows) return;
  lagret_ = false;
  const tLoadedTemplate* t = Loaded();
  TemplateField f;
  if (t == nullptr || uint32_t(row) > t->OwnCount ||
      !GetTemplateField(db_, t->InheritedCount + size_t(row) - 1, f)) {
    At(kColNavn, row) = std::string(kNoMoreInFile);
    return;
  }
  FillRow(row, f);
}

void DefEditor::SwapWithNext(int row) {
  if (row < 1 || row + 1 >= kDefGridRows) return;
  for (int c = 1; c < kDefColumns; ++c) std::swap(At(c, row), At(c, row + 1));
  SetOffsets();
  lagret_ = false;
}

void DefEditor::RecordOfObject() {
  ClearAll();
  int row = 1;
  if (const tLoadedTemplate* t = Loaded()) {
    for (const TemplateField& f : t->Fields) {
      if (f.DataType == kTypeInherited) continue;
      if (row > kDefWorkRows) break;
      FillRow(row++, f);
    }
  }
  SetOffsets();
}

bool DefEditor::NewPointer() {
  const tLoadedTemplate* t = Loaded();
  if (t == nullptr) return false;
  const Position templateRecord = t->TemplateRecordPos;
  const Position block = t->TemplateBlockPos;
  if (RefusedReadOnly()) return false;
  const std::string name = host_.Input(kNewPointerPrompt, "");
  if (name.empty()) return false;
  if (TemplateNameTaken(db_, name)) {
    host_.Message("Navnet \"" + name + "\" er allerede i bruk i databasen. Velg et annet navn.");
    return false;
  }
  Datapointer& dp = *db_.dp;
  const Position start = dp.CurrentPosition();
  Position made = -1;
  const int32_t result = InOneChange(db_, [&]() -> int32_t {
    made = AddNamed(db_, DirDown, name);
    if (made <= 0) return -1;
    // The second name shares the template's data block, so finding the template by
    // either name reads the same header and rows; it stands as a shadow of the first.
    dp.SetKind(kKindTemplate);
    dp.SetDataBlock(block);
    dp.SetSourceRecord(templateRecord);
    dp.SetOrigin(kOriginShadow);
    return dp.Store();
  });
  if (result != 0 || made <= 0) {
    if (dp.IsRecordAt(start)) dp.Load(start);
    host_.Message("Den nye pekeren \"" + name + "\" kunne ikke lages.");
    return false;
  }
  dp.Load(made);
  nameBox_ = name;
  if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
  std::sort(names_.begin(), names_.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  Open();
  PointerCheck();
  return true;
}

void DefEditor::CopyRow(int row) {
  if (row < 1 || row >= kDefGridRows) return;
  DefRowTexts& clip = rowClipboard_;
  for (int c = 1; c < kDefColumns; ++c)
    clip[size_t(c) - 1] = Utf8ToCp1252(CutToCp1252Length(Cell(c, row), kClipboardTextMax));
  copyPerformed_ = true;
}

void DefEditor::CutRow(int row) {
  if (row < 1 || row >= kDefGridRows) return;
  CopyRow(row);
  for (int c = 1; c < kDefColumns; ++c) At(c, row).clear();
  lagret_ = false;
}

void DefEditor::PasteRow(int row) {
  if (!copyPerformed_ || row < 1 || row >= kDefGridRows) return;
  const DefRowTexts& clip = rowClipboard_;
  for (int c = 1; c < kDefColumns; ++c) At(c, row) = Cp1252ToUtf8(clip[size_t(c) - 1]);
  lagret_ = false;
}

void DefEditor::Close() {
  if (!lagret_ && host_.YesNo(kSaveQuestion, true)) Save();
}

// ---------------------------------------------------------------------------------------

int64_t CountRecordsUsingTemplate(tDataImageArk& db, Position templateRecord) {
  Datapointer& dp = *db.dp;
  std::array<uint8_t, kPointerRecordSize> own{};
  if (templateRecord <= 0 || !dp.ReadRecordAt(templateRecord, own)) return 0;
  const Position block = RecordView(own).DataBlock();
  PositionSet templates;
  templates.Insert(templateRecord);
  std::vector<Position> uses;
  WalkFrom(db, dp.TopLevelFirst(),
           [&](Position p, std::span<const uint8_t, kPointerRecordSize> record, int) {
             const int32_t kind = RecordView(record).Kind();
             if ((kind & kKindDeleted) != 0) return true;
             if ((kind & kKindTemplate) != 0 && block > 0 && RecordView(record).DataBlock() == block)
               templates.Insert(p);
             if ((kind & kKindData) != 0 && RecordView(record).TemplatePos() > 0)
               uses.push_back(RecordView(record).TemplatePos());
             return true;
           });
  return std::count_if(uses.begin(), uses.end(), [&](Position p) { return templates.Contains(p); });
}

bool TemplateNameTaken(tDataImageArk& db, std::string_view name) {
  CursorRestorer keep(*db.dp);
  return ScanForString(db, name, true) >= 0;
}

}  // namespace qn
