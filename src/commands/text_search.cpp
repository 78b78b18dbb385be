#include "commands/text_search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "content/display_name.h"
#include "env/text_codec.h"
#include "store/database.h"
#include "store/record_reader.h"
#include "store/tree_walk.h"
#include "templates/field_text.h"
#include "templates/type_table.h"

namespace qn {

namespace {

// Characters of text kept on either side of a hit.
constexpr size_t kAroundChars = 30;

// Every character of `needle` is one of `allowed`.
bool OnlyOf(std::string_view needle, std::string_view allowed) {
  return std::all_of(needle.begin(), needle.end(),
                     [&](char c) { return allowed.find(c) != std::string_view::npos; });
}

}  // namespace

// ---- TextMatcher ----

TextMatcher::TextMatcher(std::string_view utf8, bool matchCase) {
  for (int b = 0; b < 256; ++b) {
    fold_[b] = uint8_t(b);
    if (matchCase) continue;
    const int upper = UnicodeToCp1252(UpperCase1252(Cp1252ToUnicode(uint8_t(b))));
    if (upper >= 0) fold_[b] = uint8_t(upper);
  }
  for (char32_t c : DecodeUtf8(utf8)) {
    const int byte = UnicodeToCp1252(c);
    if (byte < 0) {
      needle_.clear();
      return;
    }
    needle_ += char(fold_[uint8_t(byte)]);
  }
}

size_t TextMatcher::Find(std::string_view text) const {
  const size_t n = needle_.size();
  if (n == 0 || text.size() < n) return std::string_view::npos;
  const auto* t = reinterpret_cast<const uint8_t*>(text.data());
  const auto* w = reinterpret_cast<const uint8_t*>(needle_.data());
  const uint8_t first = w[0];
  for (size_t i = 0, last = text.size() - n; i <= last; ++i) {
    if (fold_[t[i]] != first) continue;
    size_t k = 1;
    while (k < n && fold_[t[i + k]] == w[k]) ++k;
    if (k == n) return i;
  }
  return std::string_view::npos;
}

// ---- TextSearch ----

TextSearch::TextSearch(RecordReader& reader, const SearchRequest& request)
    : reader_(reader), request_(request), matcher_(request.text, request.matchCase), strays_(64) {
  fileSize_ = std::max<int64_t>(reader_.Database().FileSizeOf(), 1);
  if (!matcher_.Usable()) return;  // nothing stored can hold the text
  const std::string wanted = Utf8ToCp1252(request_.text);
  numbersCanMatch_ = OnlyOf(wanted, "0123456789+-.,eEINFAinfa ");
  datesCanMatch_ = OnlyOf(wanted, "0123456789.:-/ ");
  booleansCanMatch_ = matcher_.Find("Ja") != std::string_view::npos ||
                      matcher_.Find("Nei") != std::string_view::npos;
  start_ = reader_.TopLevelFirst();
  if (start_ > 0) pending_.push_back({start_, 0, false, 0});
}

double TextSearch::Progress() const {
  if (Done()) return 1.0;
  return std::min(0.99, double(bytesRead_) / double(fileSize_));
}

// A record a sub-list begins with has up 0 and its left on its parent; any other record has
// its up on the record above it. A record has one such way back, so a walk that takes
// only links that agree with it reaches each record once, and never loops.
bool TextSearch::Accept(const Pending& link, const PointerRecord& record) {
  if (link.from == 0) return true;
  if (record.position == start_) return false;
  const bool agrees = link.viaRight ? record.left == link.from && record.up == 0 : record.up == link.from;
  if (agrees) return true;
  // A record with a way back of its own is reached through it (if at all); a record whose
  // way back is damaged is taken from the first link that leads to it.
  return !HasOwnParent(record) && strays_.Insert(record.position);
}

bool TextSearch::HasOwnParent(const PointerRecord& record) {
  PointerRecord parent;
  if (record.up != 0) return reader_.Read(record.up, parent) && parent.down == record.position;
  return record.left != 0 && reader_.Read(record.left, parent) && parent.right == record.position;
}

bool TextSearch::Run(int64_t budget, const HitSink& sink) {
  PointerRecord record;
  for (; budget > 0 && !pending_.empty(); --budget) {
    const Pending link = pending_.back();
    pending_.pop_back();
    if (!reader_.Read(link.target, record) || !Accept(link, record)) {
      ++damaged_;
      continue;
    }
    ++visited_;
    bytesRead_ += kPointerRecordSize;
    ancestors_.resize(size_t(link.depth));
    if (!record.IsDeleted()) Search(record, link.depth, sink);
    ancestors_.push_back(record.position);
    if (record.down > 0) pending_.push_back({record.down, record.position, false, link.depth});
    if (record.right > 0) pending_.push_back({record.right, record.position, true, link.depth + 1});
  }
  return !pending_.empty();
}

namespace {

// The text of a name-shaped block whose first `count` bytes are `image`; nullopt when its
// own size (its first four bytes, when `sizeFirst`) is no size such a block can have.
std::optional<std::string> NameShapedText(const uint8_t* image, int64_t count, bool sizeFirst) {
  int64_t size = count;
  if (sizeFirst) {
    const uint32_t own = GetU32(std::span(image, 4), 0);
    if (own < uint32_t(kNameTextOffset) || own > uint32_t(kNameBlockSize)) return std::nullopt;
    size = std::min<int64_t>(size, own);
  }
  const size_t length = std::min<size_t>(image[kNameLengthOffset], size_t(size - kNameTextOffset));
  return std::string(reinterpret_cast<const char*>(image) + kNameTextOffset, length);
}

}  // namespace

std::optional<std::string> TextSearch::NameShaped(Position block, bool sizeFirst) {
  const int64_t count = reader_.Fit(block, kNameBlockSize);
  if (count <= kNameTextOffset) {
    ++damaged_;
    return std::nullopt;
  }
  // Read where it lies in the file's map when it can be: only the text is copied.
  std::optional<std::string> text;
  bool read = false;
  if (const uint8_t* view = reader_.Database().View(block, count)) {
    text = NameShapedText(view, count, sizeFirst);
    read = reader_.Database().ViewIntact();
  }
  if (!read) {
    std::array<uint8_t, kNameBlockSize> image;
    if (!reader_.ReadBytes(block, std::span(image.data(), size_t(count)))) {
      ++damaged_;
      return std::nullopt;
    }
    text = NameShapedText(image.data(), count, sizeFirst);
  }
  if (!text) {
    ++damaged_;
    return std::nullopt;
  }
  bytesRead_ += count;
  return text;
}

std::optional<std::string> TextSearch::NoteText(Position block) {
  std::array<uint8_t, kDataHeadSize> head;
  if (!reader_.ReadBytes(block, head) || DataHead::Decode(head).size != uint32_t(kNoteBlockSize)) {
    ++damaged_;
    return std::nullopt;
  }
  // The text ends at its first zero byte: read piece by piece up to it, most notes being
  // far shorter than their block.
  constexpr int64_t kPiece = 512;
  const int64_t end = block + kDataHeadSize + std::max<int64_t>(reader_.Fit(block + kDataHeadSize, kNoteTextSize), 0);
  std::string text;
  for (int64_t at = block + kDataHeadSize; at < end;) {
    const size_t n = size_t(std::min(kPiece, end - at));
    const size_t from = text.size();
    text.resize(from + n);
    if (!reader_.ReadBytes(at, std::span(reinterpret_cast<uint8_t*>(text.data()) + from, n))) {
      ++damaged_;
      return std::nullopt;
    }
    at += int64_t(n);
    if (const size_t zero = text.find('\0', from); zero != std::string::npos) {
      text.resize(zero);
      break;
    }
  }
  bytesRead_ += kNoteBlockSize;
  // The editor shows a line end as one character.
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

void TextSearch::Search(const PointerRecord& record, int depth, const HitSink& sink) {
  const unsigned places = request_.places;
  const int32_t kind = record.kind;
  const bool variable = kind == kKindRegisterVariable;
  auto look = [&](HitPlace place, const std::optional<std::string>& text) {
    if (!text) return;
    if (const size_t at = matcher_.Find(*text); at != std::string_view::npos)
      Report(record, depth, place, {}, *text, at, sink);
  };
  if (record.nameBlock != 0 && (places & (variable ? kSearchVariables : kSearchNames)))
    look(variable ? HitPlace::kVariableName : HitPlace::kName, NameShaped(record.nameBlock, true));
  if (variable) {
    if ((places & kSearchVariables) && record.dataBlock != 0)
      look(HitPlace::kVariableValue, NameShaped(record.dataBlock, true));
  } else if ((places & kSearchData) && (kind & kKindData) && record.templatePos > 0) {
    SearchFields(record, depth, sink);
  }
  if ((places & kSearchLinks) && record.linkBlock != 0 && (kind & kKindLink))
    look(HitPlace::kLink, NameShaped(record.linkBlock, false));
  if ((places & kSearchNotes) && record.noteBlock != 0) look(HitPlace::kNote, NoteText(record.noteBlock));
}

const TextSearch::TemplatePlan* TextSearch::Plan(const PointerRecord& record) {
  // Records of one template mostly come one after another.
  if (lastPlan_ != nullptr && lastPlan_->first == record.templatePos)
    return lastPlan_->second.layout ? &lastPlan_->second : nullptr;
  auto [it, added] = plans_.try_emplace(record.templatePos);
  lastPlan_ = &*it;
  TemplatePlan& plan = it->second;
  if (added && (plan.layout = ReadRecordTemplate(reader_, record))) {
    plan.dataLength = plan.layout->DataLength();
    size_t place = 0;
    for (const TemplateField& field : plan.layout->Fields) {
      if (field.DataType == kTypeInherited) continue;
      const size_t at = place;
      place += field.DataLength;
      if (field.DataType == kTypePassword) continue;
      const TypeClass type = ClassOf(field.DataType);
      const bool text = type == TypeClass::kText || type == TypeClass::kDosText;
      const bool canMatch = text || ((type == TypeClass::kInteger || type == TypeClass::kReal) && numbersCanMatch_) ||
                            ((type == TypeClass::kDate || type == TypeClass::kTDateTime) && datesCanMatch_) ||
                            (type == TypeClass::kBoolean && booleansCanMatch_);
      if (canMatch) plan.fields.push_back(SearchedField{&field, at, text, type == TypeClass::kDosText});
    }
  }
  return plan.layout ? &plan : nullptr;
}

namespace {

// The text of a field as the data editor shows it, from the payload `payload`; in `storage`
// when it must be made. A text field's bytes are its shown text in the code page (its
// length byte clamped to the field, as the editor reads it; the DOS letters shown as such):
// looked at where they lie instead of through the UTF-8 form and back.
std::string_view ShownField(const TemplateField& field, size_t at, bool text, bool dos,
                            std::span<const uint8_t> payload, std::string& storage) {
  const size_t n = at < payload.size() ? std::min<size_t>(field.DataLength, payload.size() - at) : 0;
  const std::span<const uint8_t> bytes(payload.data() + at, n);
  if (!text) {
    storage = Utf8ToCp1252(ShowFieldText(field, bytes, ShowOptions::Editor()));
    return storage;
  }
  const size_t size = std::min<size_t>({n, kValueBufferSize});
  const std::string_view shown(reinterpret_cast<const char*>(bytes.data()) + (size > 0 ? 1 : 0),
                               size > 0 ? std::min<size_t>(bytes[0], size - 1) : 0);
  if (!dos) return shown;
  storage.assign(shown);
  for (char& c : storage) c = char(DosByteShown(uint8_t(c)));
  return storage;
}

}  // namespace

void TextSearch::SearchFields(const PointerRecord& record, int depth, const HitSink& sink) {
  const TemplatePlan* plan = Plan(record);
  if (plan == nullptr) return;
  std::string storage;
  // Most records hold no hit: their fields are looked at where they lie in the file's map,
  // and read (with the record's automatic update) only when one may hold the text.
  if (const std::optional<std::span<const uint8_t>> view = reader_.OwnPayloadView(record, plan->dataLength)) {
    bool hit = false;
    for (const SearchedField& f : plan->fields)
      if (matcher_.Find(ShownField(*f.field, f.at, f.text, f.dos, *view, storage)) != std::string_view::npos) {
        hit = true;
        break;
      }
    if (!hit && reader_.Database().ViewIntact()) {
      bytesRead_ += kDataHeadSize + int64_t(view->size());
      return;
    }
  }
  // The fields as the data editor shows them: the record's own block (an inherited part
  // is not among them), read into the room the record before left.
  if (!reader_.ShownPayload(record, plan->dataLength, payload_)) {
    ++damaged_;
    return;
  }
  bytesRead_ += kDataHeadSize + int64_t(payload_.size());
  for (const SearchedField& f : plan->fields) {
    const std::string_view shown = ShownField(*f.field, f.at, f.text, f.dos, payload_, storage);
    if (const size_t hit = matcher_.Find(shown); hit != std::string_view::npos)
      Report(record, depth, HitPlace::kField, Cp1252ToUtf8(f.field->Name), shown, hit, sink);
  }
}

void TextSearch::Report(const PointerRecord& record, int depth, HitPlace place, std::string_view field,
                        std::string_view text, size_t at, const HitSink& sink) {
  ++hits_;
  SearchHit hit;
  hit.position = record.position;
  hit.place = place;
  hit.field = std::string(field);
  PointerRecord above;
  for (int d = 0; d < depth && size_t(d) < ancestors_.size(); ++d)
    hit.path.push_back(reader_.Read(ancestors_[size_t(d)], above) ? DisplayName(reader_, above) : std::string());
  hit.path.push_back(DisplayName(reader_, record));
  const size_t from = at > kAroundChars ? at - kAroundChars : 0;
  const size_t to = std::min(text.size(), at + matcher_.Length() + kAroundChars);
  std::string around(text.substr(from, to - from));
  // On one line; other control characters are left for the printer to show.
  for (char& c : around)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  hit.around = (from > 0 ? "…" : "") + Cp1252ToUtf8(around) + (to < text.size() ? "…" : "");
  if (sink) sink(hit);
}

std::optional<Position> FindNextByDisplayName(RecordReader& reader, std::string_view text, Position after) {
  const std::string wanted = UpperCase(text);
  if (wanted.empty()) return std::nullopt;
  // When `after` is not in the tree the first hit from the top counts.
  std::optional<Position> first, next;
  bool passed = after <= 0;
  PointerRecord record;
  WalkFrom(reader, reader.TopLevelFirst(), [&](Position p, std::span<const uint8_t, kPointerRecordSize> image, int) {
    if (p == after) {
      passed = true;
      return true;
    }
    if (first && !passed) return true;
    PointerRecord::Decode(image, record);
    if (UpperCase(DisplayName(reader, record)).find(wanted) == std::string::npos) return true;
    (passed ? next : first) = p;
    return !next;
  });
  return passed ? next : first;
}

}  // namespace qn
