#include "commands/point_properties.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "store/database.h"
#include "store/datapointer.h"
#include "content/display_name.h"
#include "store/record_blocks.h"
#include "content/system_lists.h"
#include "env/datetime_text.h"
#include "env/number_text.h"
#include "env/text_codec.h"

namespace qn {

namespace {

// What a numeric box may name once it is changed.
enum class Check {
  kFree,         // any integer (kind, a position inside the data)
  kOwnPosition,  // only the record's own Position: the record is stored there
  kLink,         // 0, or a pointer record other than this one
  kRecord,       // 0, or a pointer record
  kNameBlock,    // 0, or a 264-byte block inside the file
  kDataBlock,    // 0, or a block with a 16-byte head inside the file
  kNoteBlock,    // 0, or an 8,208-byte block inside the file
  kAnyBlock,     // 0, or a whole block inside the file
};

struct NumberBox {
  std::string_view box;
  int32_t (RecordView::*get)() const;
  void (RecordEdit::*set)(int32_t);
  Check check;
  std::string_view label;
};

// The numeric boxes in the order they are read.
constexpr NumberBox kNumberBoxes[] = {
    {"forrige", &RecordView::Up, &RecordEdit::SetUp, Check::kLink, "Opp"},
    {"neste", &RecordView::Down, &RecordEdit::SetDown, Check::kLink, "Ned"},
    {"hogre", &RecordView::Right, &RecordEdit::SetRight, Check::kLink, "Høyre"},
    {"venstre", &RecordView::Left, &RecordEdit::SetLeft, Check::kLink, "Venstre"},
    {"inn", &RecordView::Inward, &RecordEdit::SetInward, Check::kLink, "Inn"},
    {"ut", &RecordView::Outward, &RecordEdit::SetOutward, Check::kLink, "Ut"},
    {"datastart", &RecordView::UpdateFrom, &RecordEdit::SetUpdateFrom, Check::kRecord, "Oppdateringsdata"},
    {"dataslutt", &RecordView::DataOffset, &RecordEdit::SetDataOffset, Check::kFree, "Posisjon i data"},
    {"datapos", &RecordView::OwnPosition, &RecordEdit::SetOwnPosition, Check::kOwnPosition, "Denne"},
    {"header", &RecordView::NameBlock, &RecordEdit::SetNameBlock, Check::kNameBlock, "Posisjon"},
    {"pekelengd", &RecordView::TemplatePos, &RecordEdit::SetTemplatePos, Check::kRecord, "Posisjon til mal"},
    {"dataer", &RecordView::DataBlock, &RecordEdit::SetDataBlock, Check::kDataBlock, "Posisjon til data"},
    {"pekestatus", &RecordView::Kind, &RecordEdit::SetKind, Check::kFree, "Status"},
    {"Arvdata", &RecordView::InheritBlock, &RecordEdit::SetInheritBlock, Check::kDataBlock, "Posisjon til dataarv"},
    {"Memodata", &RecordView::NoteBlock, &RecordEdit::SetNoteBlock, Check::kNoteBlock, "Notat"},
    {"ThumbData", &RecordView::PictureBlock, &RecordEdit::SetPictureBlock, Check::kAnyBlock, "Bilde"},
};

struct TimeBox {
  std::string_view box;
  void (RecordEdit::*set)(double);
  bool mayBeNever;  // "Aldri" stands for a time never set
};
constexpr TimeBox kTimeBoxes[] = {{"Opprettet", &RecordEdit::SetCreated, false},
                                  {"Endret", &RecordEdit::SetChanged, false},
                                  {"Replikert", &RecordEdit::SetReplicated, true}};

// Boxes the user cannot type into.
constexpr std::string_view kReadOnlyBoxes[] = {"dl", "netto", "dn", "df", "dr", "FilAttr",
                                               "headerstr"};

std::string IntegerMessage(std::string_view text) {
  return "'" + std::string(text) + "' er ikke en gyldig heltallsverdi";
}
std::string DateTimeMessage(std::string_view text) {
  return "'" + std::string(text) + "' er ikke en gyldig dato og tid";
}

std::string TimeText(double stamp) { return FormatDateTime(stamp); }

// The file's mode bits (permissions, set-id and sticky bits), decimal.
std::string FileAttributeText(const std::string& fileName) {
  struct stat st {};
  if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0) return "?";
  return std::to_string(st.st_mode & 07777);
}

bool IsNamedKind(int32_t kind) {
  return kind == kKindNamed || kind == kKindTemplate || kind == kKindRegisterVariable ||
         kind == kKindFileLink;
}

const std::string kNoText;

}  // namespace

PointProperties::PointProperties(tDataImageArk& db) : db_(db) {
  for (const NumberBox& b : kNumberBoxes) boxes_[std::string(b.box)];
  for (const TimeBox& b : kTimeBoxes) boxes_[std::string(b.box)];
  for (std::string_view b : kReadOnlyBoxes) boxes_[std::string(b)];
  boxes_["eHeader"];
  boxes_["VerdiEdit"];
  for (std::string_view b : kPointButtons) enabled_[std::string(b)] = false;
}

PointPage PointProperties::FirstPage() const {
  return db_.dp->Kind() == kKindNamed ? PointPage::kNavn : PointPage::kPekere;
}

const std::string& PointProperties::Box(std::string_view name) const {
  const auto it = boxes_.find(name);
  return it == boxes_.end() ? kNoText : it->second;
}

bool PointProperties::SetBox(std::string_view name, std::string text) {
  for (std::string_view b : kReadOnlyBoxes) {
    if (b == name) return false;
  }
  const auto it = boxes_.find(name);
  if (it == boxes_.end()) return false;
  it->second = std::move(text);
  return true;
}

void PointProperties::SetReplStatus(int line) {
  if (line >= -1 && line < static_cast<int>(kReplicationLines.size())) replStatus_ = line;
}

bool PointProperties::Enabled(std::string_view button) const {
  const auto it = enabled_.find(button);
  return it != enabled_.end() && it->second;
}

int64_t PointProperties::FileSize() { return std::max<int64_t>(db_.FileSizeOf(), 0); }

bool PointProperties::ReadAt(Position position, uint8_t* out, int32_t count) {
  if (position < 0 || int64_t(position) + count > FileSize()) return false;
  db_.SeekTo(position);
  return db_.ReadBlock(out, count) == 0;
}

void PointProperties::LesData() {
  Datapointer& dp = *db_.dp;
  const PointerRecord r = dp.Record();
  record_ = r.position;

  boxes_["eHeader"] = ReadName(db_);
  boxes_["header"] = std::to_string(r.nameBlock);
  valueShown_ = r.kind == kKindRegisterVariable;
  // Looked up by the name, in "SystemRegister"; the cursor comes back to this record.
  boxes_["VerdiEdit"] = valueShown_ ? GetRegisterVariable(db_, boxes_["eHeader"]) : "";

  boxes_["datapos"] = std::to_string(r.position);
  boxes_["pekestatus"] = std::to_string(r.kind);
  boxes_["forrige"] = std::to_string(r.up);
  boxes_["neste"] = std::to_string(r.down);
  boxes_["venstre"] = std::to_string(r.left);
  boxes_["hogre"] = std::to_string(r.right);
  boxes_["inn"] = std::to_string(r.inward);
  boxes_["ut"] = std::to_string(r.outward);

  boxes_["dataer"] = std::to_string(r.dataBlock);
  boxes_["pekelengd"] = std::to_string(r.templatePos);
  boxes_["Arvdata"] = std::to_string(r.inheritBlock);
  boxes_["dataslutt"] = std::to_string(r.dataOffset);
  boxes_["datastart"] = std::to_string(r.updateFrom);
  boxes_["Memodata"] = std::to_string(r.noteBlock);
  boxes_["ThumbData"] = std::to_string(r.pictureBlock);

  // The head is read where the record says, without refreshing the data first: looking
  // at a record never writes to the file.
  uint8_t headBytes[kDataHeadSize];
  if (r.dataBlock > 0 && ReadAt(r.dataBlock, headBytes, kDataHeadSize)) {
    const DataHead head = DataHead::Decode(std::span<const uint8_t, kDataHeadSize>(headBytes));
    boxes_["dl"] = std::to_string(head.size);
    boxes_["netto"] = std::to_string(int64_t(head.size) - kDataHeadSize) + " netto";
    boxes_["dn"] = std::to_string(head.next);
    boxes_["df"] = std::to_string(head.previous);
    boxes_["dr"] = std::to_string(head.tag);
  } else {
    for (const char* b : {"dl", "dn", "df", "dr"}) boxes_[b] = "?";
    boxes_["netto"] = "? netto";
  }

  boxes_["Opprettet"] = TimeText(r.created);
  boxes_["Endret"] = TimeText(r.changed);
  const std::string replicated = TimeText(r.replicated);
  boxes_["Replikert"] = replicated == "30.12.1899" ? std::string(kNeverReplicated) : replicated;
  replStatus_ = r.replication >= 0 && r.replication < int32_t(kReplicationLines.size())
                    ? r.replication
                    : -1;

  boxes_["FilAttr"] = FileAttributeText(db_.FileName());
  // Read last: it may load the record's template, but leaves the cursor on the record.
  boxes_["headerstr"] = DisplayName(db_);

  enabled_["KopierHeader"] = r.nameBlock > 0;
  enabled_["LimInnheader"] = db_.copiedNameBlock > 0;
  enabled_["PopKnapp"] = db_.StackTop() > 0;
  enabled_["FirstKnapp"] = enabled_["UpKnapp"] = r.up != 0;
  enabled_["DownKnapp"] = enabled_["LastKnapp"] = r.down != 0;
  enabled_["InKnapp"] = r.inward != 0;
  enabled_["OutKnapp"] = r.outward != 0;
  enabled_["LeftKnapp"] = r.left != 0;
  enabled_["RightKnapp"] = r.right != 0;
  enabled_["HomeKnapp"] = enabled_["SpeedButton3"] = true;
  enabled_["SpeedButton2"] = db_.StackTop() < kStackLimit;
  enabled_["VerdiKnapp"] = valueShown_;

  shown_ = boxes_;
  shownReplStatus_ = replStatus_;
}

std::string PointProperties::CheckPointer(std::string_view label, Position value) {
  RecordImage image;
  if (value < 0 || !db_.dp->ReadRecordAt(value, image) || !HasPointerSignature(image)) {
    return std::string(label) + ": ingen peker starter på posisjon " + std::to_string(value) + ".";
  }
  return {};
}

std::string PointProperties::CheckBlock(std::string_view label, Position value,
                                        uint32_t exactSize, uint32_t minSize) {
  const std::string where = std::string(label) + ": posisjon " + std::to_string(value);
  uint8_t sizeBytes[4];
  if (value <= 0 || !ReadAt(value, sizeBytes, 4)) return where + " er utenfor filen.";
  const uint32_t size = BlockSizeOf(sizeBytes);
  if (exactSize != 0 && size != exactSize) {
    return where + " er ikke starten på en blokk på " + std::to_string(exactSize) + " byte.";
  }
  if (size < minSize) return where + " er ikke starten på en blokk.";
  if (int64_t(value) + size > FileSize()) return where + ": blokken går utenfor filen.";
  return {};
}

// What the user changed, read from the boxes and not yet stored.
struct PointProperties::BoxEdits {
  struct Number {
    const NumberBox* box;
    int32_t value;
  };
  std::vector<Number> numbers;
  std::vector<std::pair<const TimeBox*, double>> times;  // the field, its new stamp
};

std::string PointProperties::SkrivData() {
  Datapointer& dp = *db_.dp;
  RecordImage image;
  std::copy(dp.Image().begin(), dp.Image().end(), image.begin());

  // Nothing is stored unless every changed box is accepted.
  BoxEdits edits;
  std::string refusal = ReadChangedBoxes(image, edits);
  if (refusal.empty()) refusal = CheckChangedPositions(edits);
  if (!refusal.empty()) return refusal;

  StoreRecord(edits, image);
  StoreName();
  LesData();
  return {};
}

std::string PointProperties::ReadChangedBoxes(const RecordImage& image, BoxEdits& edits) {
  // A box the user did not touch keeps the field's bytes as they are, so a time keeps its
  // milliseconds and a damaged field is not refused for being what it already was.
  for (const NumberBox& b : kNumberBoxes) {
    const std::string& text = boxes_[std::string(b.box)];
    if (text == shown_[std::string(b.box)]) continue;
    const std::optional<int32_t> value = ParseInt32(text);
    if (!value) return IntegerMessage(text);
    if (*value != (RecordView(image).*b.get)()) edits.numbers.push_back({&b, *value});
  }
  for (const TimeBox& b : kTimeBoxes) {
    std::string text = boxes_[std::string(b.box)];
    if (text == shown_[std::string(b.box)]) continue;
    if (b.mayBeNever && Trim(text) == kNeverReplicated) {
      edits.times.emplace_back(&b, 0.0);
      continue;
    }
    const std::optional<double> stamp = ParseDateTime(text);
    if (!stamp) return DateTimeMessage(text);
    edits.times.emplace_back(&b, *stamp);
  }
  return {};
}

std::string PointProperties::CheckChangedPositions(const BoxEdits& edits) {
  // Every changed Position must name what its field needs.
  for (const BoxEdits::Number& c : edits.numbers) {
    std::string refusal;
    switch (c.box->check) {
      case Check::kFree:
        break;
      case Check::kOwnPosition:
        refusal = "Denne kan ikke endres: posten ligger på posisjon " + std::to_string(record_) +
                  ", og den lagres alltid der.";
        break;
      case Check::kLink:
        if (c.value == record_ && c.value != 0) {
          refusal = std::string(c.box->label) + ": en post kan ikke peke på seg selv.";
        } else if (c.value != 0) {
          refusal = CheckPointer(c.box->label, c.value);
        }
        break;
      case Check::kRecord:
        if (c.value != 0) refusal = CheckPointer(c.box->label, c.value);
        break;
      case Check::kNameBlock:
        if (c.value != 0) refusal = CheckBlock(c.box->label, c.value, kNameBlockSize, 0);
        break;
      case Check::kDataBlock:
        if (c.value != 0) refusal = CheckBlock(c.box->label, c.value, 0, kDataHeadSize);
        break;
      case Check::kNoteBlock:
        if (c.value != 0) refusal = CheckBlock(c.box->label, c.value, kNoteBlockSize, 0);
        break;
      case Check::kAnyBlock:
        if (c.value != 0) refusal = CheckBlock(c.box->label, c.value, 0, 4);
        break;
    }
    if (!refusal.empty()) return refusal;
  }
  return {};
}

void PointProperties::StoreRecord(const BoxEdits& edits, RecordImage& image) {
  // The record is written at its own Position with a fresh `changed` stamp, so an edited
  // "Endret" does not survive.
  Datapointer& dp = *db_.dp;
  RecordEdit fields(image);
  for (const BoxEdits::Number& c : edits.numbers) (fields.*c.box->set)(c.value);
  for (const auto& [box, stamp] : edits.times) (fields.*box->set)(stamp);
  if (replStatus_ != shownReplStatus_ && replStatus_ >= 0) {
    fields.SetReplication(replStatus_);
  }
  dp.StoreImage(image);
  // The cursor takes what the file now holds (on a read-only database: what it held).
  dp.Load(record_);
}

void PointProperties::StoreName() {
  // Only when its box was changed: a name block taken over from another record keeps
  // that record's name.
  const std::string& name = boxes_["eHeader"];
  if (name != shown_["eHeader"] && (!name.empty() || IsNamedKind(db_.dp->Kind()))) {
    WriteName(db_, name);
  }
}

std::string PointProperties::VerdiKnappClick() {
  if (!valueShown_) return {};
  const std::string name = ReadName(db_);
  std::string result;
  if (name.empty()) {
    result = "Registervariabelen har ikke noe navn.";
  } else if (SetRegisterVariable(db_, name, boxes_["VerdiEdit"]) < 0) {
    result = "Finner ikke listen SystemRegister; verdien er ikke lagret.";
  }
  LesData();
  return result;
}

void PointProperties::KopierHeaderClick() {
  db_.copiedNameBlock = db_.dp->NameBlock();
  enabled_["LimInnheader"] = db_.copiedNameBlock > 0;
}

void PointProperties::LimInnheaderClick() {
  const Position copied = db_.copiedNameBlock;
  if (copied <= 0) return;
  boxes_["header"] = std::to_string(copied);
  uint8_t block[kNameBlockSize];
  if (ReadAt(copied, block, kNameBlockSize)) {
    boxes_["eHeader"] = Cp1252ToUtf8(NameBlock::Decode(std::span<const uint8_t>(block)).text);
  }
}

int32_t PointProperties::AfterMove(int32_t result) {
  LesData();
  return result;
}

int32_t PointProperties::UpKnappClick() { return AfterMove(db_.dp->GoUp()); }
int32_t PointProperties::DownKnappClick() { return AfterMove(db_.dp->GoDown()); }
int32_t PointProperties::LeftKnappClick() { return AfterMove(db_.dp->GoLeft()); }
int32_t PointProperties::RightKnappClick() { return AfterMove(db_.dp->GoRight()); }
int32_t PointProperties::InKnappClick() { return AfterMove(db_.dp->GoInward()); }
int32_t PointProperties::OutKnappClick() { return AfterMove(db_.dp->GoOutward()); }
int32_t PointProperties::FirstKnappClick() { return AfterMove(db_.dp->GoFirst()); }
int32_t PointProperties::LastKnappClick() { return AfterMove(db_.dp->GoLast()); }
int32_t PointProperties::HomeKnappClick() { return AfterMove(db_.dp->Load(0)); }

int32_t PointProperties::SpeedButton2Click() {
  const int32_t pushed = db_.PushPosition();
  enabled_["PopKnapp"] = db_.StackTop() > 0;
  enabled_["SpeedButton2"] = db_.StackTop() < kStackLimit;
  return pushed;
}

int32_t PointProperties::PopKnappClick() { return AfterMove(db_.PopPosition()); }

}  // namespace qn
