#include "templates/data_editor.h"

#include <algorithm>
#include <array>
#include <limits>

#include "store/database.h"
#include "store/record_blocks.h"
#include "env/errors.h"
#include "env/text_codec.h"
#include "templates/field_io.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

namespace qn {

namespace {

// The largest payload a new data record is given; a template asking for more is damaged.
constexpr int64_t kMaxNewPayload = 16 * 1024 * 1024;
// How much DataSize may exceed the fields: the inherited part's size an INHERITED row
// carries in its 16-bit Length.
constexpr int64_t kMaxInheritedPart = 65535;

DataSaveResult Refused(DataSaveStatus status, std::string message) {
  DataSaveResult r;
  r.status = status;
  r.message = std::move(message);
  return r;
}

}  // namespace

void DataSaveResult::ThrowIfConvertError() const {
  if (status == DataSaveStatus::kConvertError) throw ConvertError(message);
}

// ---------------------------------------------------------------------------------------
// DataEditor

DataEditor::DataEditor(tDataImageArk& db) : db_(db), record_(db.dp->CurrentPosition()) {
  rows_.push_back(Row{std::string(kFieldNameHeading), std::string(kFieldValueHeading), false});
}

bool DataEditor::OnRecord() {
  Datapointer& dp = *db_.dp;
  if (dp.CurrentPosition() == record_) return true;
  return dp.IsRecordAt(record_) && dp.Load(record_) == 0;
}

int32_t DataEditor::LoadTemplate() {
  if (!OnRecord()) {
    LoadedTemplate(db_).Free();
    return -1;
  }
  return LoadRecordTemplate(db_);
}

void DataEditor::FixDataTabell() {
  const tLoadedTemplate& t = LoadedTemplate(db_);
  rows_.resize(std::max<size_t>(rows_.size(), 1 + t.Fields.size()));
  size_t row = 1;
  for (const TemplateField& f : t.Fields) {
    if (f.DataType == kTypeInherited) continue;
    rows_[row].password = f.DataType == kTypePassword;
    rows_[row++].name = Cp1252ToUtf8(f.Name);
  }
}

void DataEditor::LesData() {
  rows_.resize(1);
  const tLoadedTemplate& t = LoadedTemplate(db_);
  if (!t.TemplateLoaded || !OnRecord()) return;
  FixDataTabell();
  const bool hasData = SeekToFieldValues(db_, true) >= 0;
  size_t row = 1;
  for (size_t i = 0; i < t.Fields.size(); ++i) {
    if (t.Fields[i].DataType == kTypeInherited) continue;
    // A record without data shows empty cells rather than values it does not hold.
    if (hasData && ReadFieldValue(db_, i) == 0)
      rows_[row].value = FieldValueText(db_, i, ShowOptions::Editor());
    rows_[row].edited = false;
    ++row;
  }
  rows_.resize(1 + t.Fields.size());
}

DataSaveResult DataEditor::SkrivData(SaveRows which) {
  const tLoadedTemplate& t = LoadedTemplate(db_);
  Datapointer& dp = *db_.dp;
  if (!t.TemplateLoaded) return Refused(DataSaveStatus::kNoTemplate, "Ingen mal er hentet for posten; ingenting er lagret.");
  if (!OnRecord()) return Refused(DataSaveStatus::kNoDataBlock, "Posten finnes ikke lenger; ingenting er lagret.");
  const int32_t kind = dp.Kind();
  if ((kind & kKindData) == 0 && kind != kKindEmpty)
    return Refused(DataSaveStatus::kNotDataRecord, "Posten er ikke en datapost; ingenting er lagret.");

  // The own data block, read directly: no copy from updateFrom on the way.
  const Position block = dp.DataBlock();
  std::array<uint8_t, kDataHeadSize> head{};
  if (block <= 0 || !dp.InFile(block, kDataHeadSize))
    return Refused(DataSaveStatus::kNoDataBlock, "Posten har ingen datablokk; ingenting er lagret.");
  db_.SeekTo(block);
  if (db_.ReadBlock(head.data(), kDataHeadSize) != 0)
    return Refused(DataSaveStatus::kNoDataBlock, "Postens datablokk kan ikke leses; ingenting er lagret.");
  const uint32_t size = DataHead::Decode(head).size;
  const int64_t start = int64_t(block) + kDataHeadSize;
  const int64_t length = size > uint32_t(kDataHeadSize) ? dp.Fit(start, int64_t(size) - kDataHeadSize) : 0;
  const int64_t needed = ExpandedDataLength(db_);
  if (length < needed)
    return Refused(DataSaveStatus::kBlockTooShort,
                   "Postens data er kortere enn malen (" + std::to_string(length) + " av " +
                       std::to_string(needed) + " byte); ingenting er lagret.");

  std::vector<uint8_t> before(static_cast<size_t>(length));
  if (length > 0) {
    CompareWindow window(db_);
    db_.SeekTo(Position(start));
    if (db_.ReadBlock(before.data(), int32_t(length)) != 0)
      return Refused(DataSaveStatus::kNoDataBlock, "Postens datablokk kan ikke leses; ingenting er lagret.");
  }
  std::vector<uint8_t> payload = before;

  DataSaveResult result;
  size_t offset = 0;
  size_t row = 1;
  for (const TemplateField& f : t.Fields) {
    if (f.DataType == kTypeInherited) continue;
    const size_t r = row++;
    std::span<uint8_t> bytes(payload.data() + offset, f.DataLength);
    offset += f.DataLength;
    if (r >= rows_.size() || (which == SaveRows::kEdited && !rows_[r].edited)) continue;
    SaveResult saved = SaveFieldText(f, rows_[r].value, bytes);
    if (saved.status == SaveStatus::kRefused) result.refusedRows.push_back(r);
    if (saved.status == SaveStatus::kConvertError) {
      result.status = DataSaveStatus::kConvertError;
      result.message = saved.message;
      result.stoppedAtRow = r;
      break;
    }
  }

  if (payload != before) {
    CompareWindow window(db_);
    db_.SeekTo(Position(start));
    if (db_.WriteBlock(payload.data(), int32_t(payload.size())) != 0)
      return Refused(DataSaveStatus::kWriteFailed, "Dataene kunne ikke skrives til filen.");
  }
  for (Row& r : rows_) r.edited = false;
  return result;
}

bool DataEditor::SetValue(size_t row, std::string text) {
  if (row == 0 || row >= rows_.size()) return false;
  rows_[row].value = std::move(text);
  rows_[row].edited = true;
  return true;
}

std::optional<size_t> DataEditor::HopFrom(size_t row, Hop hop) const {
  const size_t n = rows_.size();
  if (n < 2) return std::nullopt;
  const bool back = hop == Hop::kPrevious;
  const bool round = hop != Hop::kBelow;
  size_t r = std::min(row, n - 1);
  for (size_t tries = 0; tries < n; ++tries) {
    if (back) {
      r = r > 1 ? r - 1 : (round ? n - 1 : 0);
    } else {
      r = r + 1 < n ? r + 1 : (round ? 1 : n);
    }
    if (r == 0 || r == n) return std::nullopt;
    if (IsValueRow(r)) return r == row ? std::nullopt : std::optional<size_t>(r);
  }
  return std::nullopt;
}

std::optional<size_t> DataEditor::RowOf(std::string_view name) const {
  for (size_t row = 1; row < rows_.size(); ++row)
    if (!rows_[row].name.empty() && rows_[row].name == name) return row;
  return std::nullopt;
}

bool EditData(tDataImageArk& db, const std::function<bool(DataEditor&)>& show) {
  DataEditor editor(db);
  editor.LoadTemplate();
  // Back on the record: loading the template looked elsewhere.
  const Position record = editor.Record();
  if (db.dp->CurrentPosition() != record) db.dp->Load(record);
  return show(editor);
}

// ---------------------------------------------------------------------------------------
// New data records

int64_t NewDataPayloadLength(tDataImageArk& db) {
  const tLoadedTemplate& t = LoadedTemplate(db);
  const int64_t fields = ExpandedDataLength(db);
  int64_t length = int64_t(t.Header.DataSize) - t.InheritedDataLength;
  // A DataSize beyond the fields and an inherited part is damaged; the fields decide.
  if (length < fields || length > fields + kMaxInheritedPart) length = fields;
  return length;
}

Position CreateDataRecord(tDataImageArk& db, tDirection direction, Position updateFrom) {
  Datapointer& dp = *db.dp;
  const tLoadedTemplate& t = LoadedTemplate(db);
  if (!t.TemplateLoaded || db.ReadOnly()) return -1;
  if (direction != DirDown && direction != DirRight && direction != DirLeft) return -1;
  if (dp.CurrentPosition() <= 0 && direction != DirDown) return -1;
  const int64_t length = NewDataPayloadLength(db);
  if (length > kMaxNewPayload ||
      db.FileSizeOf() + kPointerRecordSize + kDataHeadSize + length > std::numeric_limits<Position>::max())
    return -1;
  std::vector<uint8_t> payload(static_cast<size_t>(length), 0);
  dp.SetLastDirection(direction);
  if (dp.NewInDirection() != 0) return -1;
  if (AddData(db, payload) != 0) return -1;
  dp.SetTemplatePos(t.TemplateRecordPos);
  if (updateFrom > 0) dp.SetUpdateFromField(updateFrom);
  dp.Store();
  return dp.CurrentPosition();
}

NewDataOutcome NewDataRecord::Run(tDataImageArk& db, const Ask& ask, const Edit& edit) {
  Datapointer& dp = *db.dp;
  NewDataOutcome outcome;
  const Position start = dp.CurrentPosition();

  NewDataQuestion question;
  question.templates = ListTemplateNames(db);
  question.merk = updateFromMarked_;
  question.direction = innDirection_;
  NewDataAnswer answer = ask(question);
  updateFromMarked_ = answer.updateFromMarked;
  if (!answer.ok || answer.name.empty()) {
    if (dp.CurrentPosition() != start) dp.Load(start);
    return outcome;
  }
  if (answer.direction == DirDown || answer.direction == DirLeft || answer.direction == DirRight)
    innDirection_ = answer.direction;

  std::string name = Utf8ToCp1252(answer.name);
  if (name.size() > kNameMaxText) name.resize(kNameMaxText);
  outcome.name = Cp1252ToUtf8(name);
  if (LoadTemplate(db, outcome.name) != 0) {
    outcome.status = NewDataOutcome::Status::kTemplateNotLoaded;
    return outcome;
  }
  if (dp.CurrentPosition() != start) dp.Load(start);

  // No direction chosen yet in this run: below, as the dialog's default button does.
  outcome.direction = innDirection_ == DirNull ? DirDown : innDirection_;
  const Position marked =
      updateFromMarked_ && db.StackTop() > 0 ? db.StackSlot(db.StackTop()) : 0;
  outcome.record = CreateDataRecord(db, outcome.direction, marked);
  if (outcome.record <= 0) {
    outcome.record = -1;
    outcome.status = NewDataOutcome::Status::kNotCreated;
    if (dp.CurrentPosition() != start) dp.Load(start);
    return outcome;
  }
  outcome.status = NewDataOutcome::Status::kCreated;
  outcome.edited = edit ? edit(db) : false;
  return outcome;
}

}  // namespace qn
