// The dump: the tree walked once for the ids, then each record written as it comes straight
// into a buffer that goes out in pieces. Numbers, hex and the escapes of texts are written by
// hand (a real number in the JSON library's own shortest form), so no value is built as an
// object and the text is the one the library would write for the same members.
#include <charconv>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <unordered_map>
#include <vector>

#include "commands/undelete.h"
#include "content/bookmark_index.h"
#include "env/datetime_text.h"
#include "env/text_codec.h"
#include "exchange/database_json.h"
#include "exchange/json_form.h"
#include "store/database.h"
#include "store/record_reader.h"
#include "store/tree_walk.h"
#include "templates/template_reader.h"
#include "templates/type_table.h"

namespace qn {

namespace {

// Times far outside the calendar have no text form (and no date a person would read).
constexpr double kLatestTextDay = 2958465.0;  // 31.12.9999

// The text is handed on whenever this much of it is held.
constexpr size_t kPieceSize = size_t(1) << 20;

// Where a text's UTF-8 ends being whole, or npos when all of it is: the same rule the JSON
// library decodes by (no overlong forms, no surrogates, nothing past U+10FFFF).
size_t BadUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const uint8_t b = uint8_t(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    size_t n;
    uint32_t low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      n = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 2;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      n = 3;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return i;
    }
    if (i + n >= s.size()) return i;
    for (size_t k = 1; k <= n; ++k) {
      const uint8_t c = uint8_t(s[i + k]);
      if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return i;
    }
    i += n + 1;
  }
  return std::string_view::npos;
}

// The JSON text in the making, handed on in pieces of about kPieceSize.
class Out {
 public:
  explicit Out(const DumpSink& sink) : sink_(sink) { text_.reserve(kPieceSize + 4096); }

  void Raw(std::string_view s) { text_.append(s); }
  void Char(char c) { text_.push_back(c); }
  void Blanks(size_t n) { text_.append(n, ' '); }

  void Int(int64_t n) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, n).ptr;
    text_.append(buffer, size_t(end - buffer));
  }

  // A finite real number as the JSON library writes it.
  void Real(double x) {
    char buffer[64];
    const char* end = nlohmann::detail::to_chars(buffer, buffer + sizeof buffer, x);
    text_.append(buffer, size_t(end - buffer));
  }

  void Text(std::string_view s) {
    if (BadUtf8(s) != std::string_view::npos) {
      // The library's own replacement of broken sequences.
      text_ += nlohmann::ordered_json(std::string(s)).dump(-1, ' ', false,
                                                           nlohmann::ordered_json::error_handler_t::replace);
      return;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    text_.push_back('"');
    size_t plain = 0;  // the start of the run not yet copied
    for (size_t i = 0; i < s.size(); ++i) {
      const uint8_t c = uint8_t(s[i]);
      if (c >= 0x20 && c != '"' && c != '\\') continue;
      text_.append(s.data() + plain, i - plain);
      plain = i + 1;
      text_.push_back('\\');
      switch (c) {
        case '"': text_.push_back('"'); break;
        case '\\': text_.push_back('\\'); break;
        case 0x08: text_.push_back('b'); break;
        case 0x09: text_.push_back('t'); break;
        case 0x0A: text_.push_back('n'); break;
        case 0x0C: text_.push_back('f'); break;
        case 0x0D: text_.push_back('r'); break;
        default:
          text_.append("u00");
          text_.push_back(kDigits[c >> 4]);
          text_.push_back(kDigits[c & 0xF]);
      }
    }
    text_.append(s.data() + plain, s.size() - plain);
    text_.push_back('"');
  }

  void Hex(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    text_.push_back('"');
    const size_t at = text_.size();
    text_.resize(at + 2 * bytes.size());
    char* out = text_.data() + at;
    for (const uint8_t b : bytes) {
      *out++ = kDigits[b >> 4];
      *out++ = kDigits[b & 0xF];
    }
    text_.push_back('"');
  }

  // Hands the text on when a piece is full (or `last`); false when the sink asks to stop.
  bool Pass(bool last) {
    if (text_.size() < kPieceSize && !last) return true;
    const bool go = sink_(text_);
    text_.clear();
    return go;
  }

 private:
  const DumpSink& sink_;
  std::string text_;
};

// The members of one object: `"key": value`. On one line ({"a": 1, "b": 2}) for an object
// of numbers and texts, one member a line `indent` + 2 blanks in otherwise, as the layout of
// the dump has it: a diff shows each changed value on a line of its own with what it
// belongs to.
class Members {
 public:
  Members(Out& out, bool oneLine, size_t indent) : out_(out), oneLine_(oneLine), indent_(indent) {}

  // Starts the member `key`; its value follows.
  Out& Key(const char* key) {
    if (oneLine_) {
      if (!first_) out_.Raw(", ");
    } else {
      if (!first_) out_.Raw(",\n");
      out_.Blanks(indent_ + 2);
    }
    first_ = false;
    out_.Char('"');
    out_.Raw(key);
    out_.Raw("\": ");
    return out_;
  }
  void Int(const char* key, int64_t n) { Key(key).Int(n); }
  void Text(const char* key, std::string_view s) { Key(key).Text(s); }

  // The indent a value that opens lines of its own stands at.
  size_t Indent() const { return indent_ + 2; }
  bool Empty() const { return first_; }

 private:
  Out& out_;
  bool oneLine_;
  size_t indent_;
  bool first_ = true;
};

// The items of one array, one a line at `indent` + 4 blanks, closed at `indent` + 2; an
// array without items is "[]".
class Items {
 public:
  Items(Out& out, size_t indent) : out_(out), indent_(indent) {}

  // Starts the next item; its value follows.
  Out& Next() {
    out_.Raw(first_ ? "[\n" : ",\n");
    first_ = false;
    out_.Blanks(indent_ + 4);
    return out_;
  }
  void Close() {
    if (first_) {
      out_.Raw("[]");
    } else {
      out_.Char('\n');
      out_.Blanks(indent_ + 2);
      out_.Char(']');
    }
  }

 private:
  Out& out_;
  size_t indent_;
  bool first_ = true;
};

class Dumper {
 public:
  Dumper(tDataImageArk& db, DumpResult& result, Out& out) : reader_(db), result_(result), out_(out) {}

  // Every record in the order of the dump: the tree's, then the deleted ones.
  struct Entry {
    Position position;
    int depth;
  };

  void Number(const std::vector<Entry>& entries) {
    for (const Entry& e : entries) ids_.emplace(e.position, int64_t(ids_.size()) + 1);
  }

  // A program record's data block, which a template may name before the record is written.
  void NoteProgram(Position block, Position record) { programs_.emplace(block, record); }

  // The file's header: its times, or {} when there are none.
  void Header() {
    PointerRecord header;
    if (!reader_.Read(0, header) || (IsZero(header.created) && IsZero(header.changed) && IsZero(header.replicated))) {
      out_.Raw("{}");
      return;
    }
    out_.Raw("{\n");
    Members m(out_, false, 2);
    PutTime(m, "created", header.created);
    PutTime(m, "changed", header.changed);
    PutTime(m, "replicated", header.replicated);
    out_.Raw("\n  }");
  }

  // The record's members without its sub-list, one a line `indent` + 2 blanks in.
  void Record(Position position, size_t indent) {
    PointerRecord r;
    if (!reader_.Read(position, r)) return;
    Members m(out_, false, indent);
    const int64_t id = ids_.at(position);
    m.Int(json_form::kId, id);
    m.Int("kind", r.kind);
    if (r.origin != 0) m.Int("origin", r.origin);
    if (r.replication != 0) m.Int("replication", r.replication);
    PutTime(m, "created", r.created);
    PutTime(m, "changed", r.changed);
    PutTime(m, "replicated", r.replicated);
    if (r.dataOffset != 0) m.Int("dataOffset", r.dataOffset);
    PutRef(m, "source", r.sourceRecord);
    PutRef(m, "updateFrom", r.updateFrom);
    PutRef(m, "template", r.templatePos);
    PutRef(m, "inward", r.inward);
    PutRef(m, "outward", r.outward);
    if (r.pictureBlock != 0) m.Int("picture", r.pictureBlock);
    if (r.reserved56 != 0) m.Int("reserved56", r.reserved56);
    if (r.nameBlock > 0 && reader_.InFile(r.nameBlock, kNameBlockSize) && !Shared(m, "name", r.nameBlock, id))
      m.Text("name", reader_.Name(r));
    if (r.linkBlock > 0 && reader_.InFile(r.linkBlock, kNameBlockSize) && !Shared(m, "link", r.linkBlock, id))
      m.Text("link", reader_.LinkText(r));
    if (r.noteBlock > 0 && reader_.InFile(r.noteBlock, kDataHeadSize) && !Shared(m, "note", r.noteBlock, id))
      m.Text("note", Note(r.noteBlock));
    if (r.inheritBlock > 0) Inherit(m, r, id);
    if (r.dataBlock > 0) Data(m, r, id);
  }

 private:
  static bool IsZero(double days) {
    uint8_t bytes[8];
    std::memcpy(bytes, &days, 8);
    return std::all_of(bytes, bytes + 8, [](uint8_t b) { return b == 0; });
  }

  void PutTime(Members& m, const char* key, double days) {
    if (IsZero(days)) return;
    m.Key(key).Char('{');
    Members t(out_, true, 0);
    if (std::isfinite(days)) {
      t.Key("days").Real(days);
      if (std::fabs(days) <= kLatestTextDay) t.Text("text", FormatDateTime(days));
    } else {
      uint8_t le[8];
      PutF64(le, 0, days);
      t.Key("hex").Hex(le);
    }
    out_.Char('}');
  }

  // A reference to a record of the dump; a Position no record of the dump stands at is
  // left out and counted.
  void PutRef(Members& m, const char* key, Position p) {
    if (p == 0) return;
    if (auto it = ids_.find(p); it != ids_.end()) {
      m.Int(key, it->second);
    } else {
      ++result_.droppedLinks;
    }
  }

  // A block is written with the first record that names it; the later ones name that
  // record: true when `block` is such a later one and its reference is written.
  bool Shared(Members& m, const char* field, Position block, int64_t id) {
    auto [it, first] = holders_.emplace(block, Holder{id, field});
    if (first) return false;
    m.Key(field).Raw("{\"");
    out_.Raw(json_form::kShared);
    out_.Raw("\": ");
    out_.Int(it->second.id);
    if (std::strcmp(it->second.field, field) != 0) {
      out_.Raw(", \"");
      out_.Raw(json_form::kField);
      out_.Raw("\": ");
      out_.Text(it->second.field);
    }
    out_.Char('}');
    return true;
  }

  std::string Note(Position block) {
    std::vector<uint8_t> text(size_t(reader_.Fit(block + kDataHeadSize, kNoteTextSize)));
    reader_.ReadBytes(block + kDataHeadSize, text);
    const auto end = std::find(text.begin(), text.end(), uint8_t(0));
    return Cp1252ToUtf8(std::string(text.begin(), end));
  }

  // The data block's head words and payload as they are; nullopt when it is not in the file.
  struct RawData {
    DataHead head;
    std::vector<uint8_t> payload;
  };
  std::optional<RawData> ReadRaw(Position block) {
    auto head = reader_.DataHeadAt(block);
    if (!head) return std::nullopt;
    PointerRecord owner;
    owner.dataBlock = block;
    auto payload = reader_.OwnPayload(owner, json_form::kPayloadLimit);
    if (!payload) return std::nullopt;
    return RawData{*head, std::move(*payload)};
  }

  // The head words that are not 0.
  static void HeadWords(Members& d, const DataHead& head) {
    if (head.next != 0) d.Int("next", head.next);
    if (head.previous != 0) d.Int("previous", head.previous);
    if (head.tag != 0) d.Int("tag", head.tag);
  }

  void PlainData(const RawData& raw) {
    out_.Char('{');
    Members d(out_, true, 0);
    HeadWords(d, raw.head);
    d.Key("hex").Hex(raw.payload);
    out_.Char('}');
  }

  void Inherit(Members& m, const PointerRecord& r, int64_t id) {
    RecordImage image;
    if (reader_.Image(r.inheritBlock, image) && HasPointerSignature(image)) {
      if (auto it = ids_.find(r.inheritBlock); it != ids_.end()) {
        m.Key("inherit").Raw("{\"");
        out_.Raw(json_form::kRecord);
        out_.Raw("\": ");
        out_.Int(it->second);
        out_.Char('}');
      } else {
        ++result_.droppedLinks;
      }
      return;
    }
    auto raw = ReadRaw(r.inheritBlock);
    if (raw && !Shared(m, "inherit", r.inheritBlock, id)) {
      m.Key("inherit");
      PlainData(*raw);
    }
  }

  void Data(Members& m, const PointerRecord& r, int64_t id) {
    const int32_t kind = r.kind & ~kKindDeleted;
    if (kind == kKindFileLink) return PutRef(m, "target", r.dataBlock);
    if (kind == kKindRegisterVariable) {
      if (reader_.InFile(r.dataBlock, kNameBlockSize) && !Shared(m, "value", r.dataBlock, id))
        m.Text("value", Cp1252ToUtf8(reader_.NameBytes(r.dataBlock)));
      return;
    }
    auto raw = ReadRaw(r.dataBlock);
    if (!raw) return;
    if (holders_.count(r.dataBlock) == 0) {
      if (kind == kKindTemplate && Definition(m, *raw, r.dataBlock, id)) return;
      if (kind == kKindIndex && IndexNode(m, *raw, r.dataBlock, id)) return;
    }
    if (Shared(m, "data", r.dataBlock, id)) return;
    m.Key("data");
    // By the template the loaded file will find again: one the dump names. The fields are
    // the record's own block as the data editor shows it, with or without an inherited part.
    const TemplateLayout* layout = nullptr;
    if ((kind == kKindData || kind == kKindDataWithTemplate) && ids_.count(r.templatePos) != 0)
      layout = Layout(r);
    if (layout == nullptr) return PlainData(*raw);
    Fields(*raw, *layout, m.Indent());
  }

  // A template's header and rows, when its block holds whole rows and nothing else.
  bool Definition(Members& m, const RawData& raw, Position block, int64_t id) {
    const size_t rows = raw.payload.size() / kTemplateFieldSize;
    // The head's words after the size: DataSize, FieldCount and HasInherited, ProgramData.
    if (raw.payload.size() % kTemplateFieldSize != 0 || (raw.head.previous & 0xFFFF) != rows) return false;
    std::vector<TemplateField> fields;
    for (size_t i = 0; i < rows; ++i) {
      fields.push_back(TemplateField::Decode(std::span<const uint8_t, kTemplateFieldSize>(
          raw.payload.data() + i * kTemplateFieldSize, kTemplateFieldSize)));
      if (!json_form::RowFault(fields.back()).empty()) return false;
    }
    const size_t indent = m.Indent();
    m.Key("definition").Raw("{\n");
    Members d(out_, false, indent);
    d.Int("dataSize", int32_t(raw.head.next));
    d.Int("hasInherited", raw.head.previous >> 16);
    if (raw.head.tag != 0) {
      // The data block of the program the template is linked to.
      const Position program = Position(raw.head.tag);
      std::optional<std::pair<int64_t, const char*>> shared;
      std::optional<RawData> own;
      if (auto it = holders_.find(program); it != holders_.end()) {
        shared.emplace(it->second.id, it->second.field);
      } else if (auto p = programs_.find(program); p != programs_.end() && ids_.count(p->second) != 0) {
        shared.emplace(ids_.at(p->second), "data");
      } else if ((own = ReadRaw(program))) {
        // No record of the dump holds it (its program was deleted, say): the template
        // writes it, and a record after it that names the block shares it.
        holders_.emplace(program, Holder{id, "program"});
      } else {
        ++result_.droppedLinks;
      }
      if (shared) {
        d.Key("program").Char('{');
        Members s(out_, true, 0);
        s.Int(json_form::kShared, shared->first);
        s.Text(json_form::kField, shared->second);
        out_.Char('}');
      } else if (own) {
        d.Key("program");
        PlainData(*own);
      }
    }
    d.Key("rows");
    Items list(out_, indent);
    for (const TemplateField& f : fields) {
      list.Next().Char('{');
      Members row(out_, true, 0);
      row.Text("name", Cp1252ToUtf8(f.Name));
      row.Int("type", f.DataType);
      row.Int("dataLength", f.DataLength);
      row.Int("length", f.Length);
      row.Int("decimals", f.Decimals);
      row.Int("showLength", f.ShowLength);
      row.Int("hidden", f.Hidden);
      row.Int("required", f.Required);
      out_.Char('}');
    }
    list.Close();
    out_.Char('\n');
    out_.Blanks(indent);
    out_.Char('}');
    holders_.emplace(block, Holder{id, "definition"});
    return true;
  }

  // A bookmark node: its target and its children by character code.
  bool IndexNode(Members& m, const RawData& raw, Position block, int64_t id) {
    if (raw.payload.size() != size_t(kIndexNodeSize) || raw.head.next != 0 || raw.head.previous != 0 ||
        raw.head.tag != 0 || raw.payload[4] != 0 || raw.payload[5] != 0 || raw.payload[kIndexTerminalOffset] > 1)
      return false;
    const tdataIndexRec node =
        tdataIndexRec::Decode(std::span<const uint8_t, kIndexNodeSize>(raw.payload.data(), kIndexNodeSize));
    if (node.NodeSize != uint32_t(kIndexNodeSize)) return false;
    const size_t indent = m.Indent();
    m.Key("index").Raw("{\n");
    Members n(out_, false, indent);
    n.Int("terminal", node.Terminal);
    PutRef(n, "target", node.Target);
    n.Key("children");
    Items children(out_, indent);
    for (int c = 0; c < kIndexChildCount; ++c) {
      if (node.Children[size_t(c)] == 0) continue;
      auto it = ids_.find(node.Children[size_t(c)]);
      if (it == ids_.end()) {
        ++result_.droppedLinks;
        continue;
      }
      children.Next().Char('[');
      out_.Int(c);
      out_.Raw(", ");
      out_.Int(it->second);
      out_.Char(']');
    }
    children.Close();
    out_.Char('\n');
    out_.Blanks(indent);
    out_.Char('}');
    holders_.emplace(block, Holder{id, "index"});
    return true;
  }

  // The fields of a data record laid out by its template, each with its text and bytes; the
  // bytes past the last field as "rest". A payload shorter than the template cuts a field.
  void Fields(const RawData& raw, const TemplateLayout& layout, size_t indent) {
    const std::vector<uint8_t>& payload = raw.payload;
    out_.Raw("{\n");
    Members d(out_, false, indent);
    HeadWords(d, raw.head);
    d.Key("fields");
    Items items(out_, indent);
    size_t at = 0;
    for (const TemplateField& field : layout.Fields) {
      if (field.DataType == 0) continue;
      const size_t end = std::min(payload.size(), at + field.DataLength);
      const std::span<const uint8_t> bytes(payload.data() + std::min(at, payload.size()),
                                           end - std::min(at, payload.size()));
      at += field.DataLength;
      items.Next().Char('{');
      Members f(out_, true, 0);
      f.Text("name", NameText(field));
      f.Text("text", json_form::FieldText(field, bytes));
      f.Key("hex").Hex(bytes);
      out_.Char('}');
    }
    items.Close();
    if (at < payload.size()) d.Key("rest").Hex(std::span(payload).subspan(at));
    out_.Char('\n');
    out_.Blanks(indent);
    out_.Char('}');
  }

  // A field's name in UTF-8, converted once for all the records its template lays out.
  const std::string& NameText(const TemplateField& field) {
    auto it = names_.find(&field);
    if (it == names_.end()) it = names_.emplace(&field, Cp1252ToUtf8(field.Name)).first;
    return it->second;
  }

  const TemplateLayout* Layout(const PointerRecord& r) {
    auto it = templates_.find(r.templatePos);
    if (it == templates_.end()) it = templates_.emplace(r.templatePos, ReadRecordTemplate(reader_, r)).first;
    return it->second ? &*it->second : nullptr;
  }

  struct Holder {
    int64_t id;
    const char* field;
  };

  RecordReader reader_;
  DumpResult& result_;
  Out& out_;
  std::unordered_map<Position, int64_t> ids_;
  std::unordered_map<Position, Holder> holders_;
  // Node-based, so the layouts and their fields stay where they are as others are added.
  std::unordered_map<Position, std::optional<TemplateLayout>> templates_;
  std::unordered_map<const TemplateField*, std::string> names_;
  std::unordered_map<Position, Position> programs_;  // data block -> the first program record naming it
};

// Writes `entries` as the elements of one array standing `indent` blanks in, each record
// with its sub-list (the records after it one level deeper) as "sub". The lists begun are
// kept on a stack of their own, so a deep tree does not deepen the call stack.
void WriteList(Dumper& dumper, const std::vector<Dumper::Entry>& entries, size_t indent, Out& out,
               DumpResult& result, const ExchangeProgress& progress, int64_t total) {
  std::vector<size_t> open;  // the indent of each record whose sub-list is being written
  const auto close = [&] {
    const size_t at = open.back();
    open.pop_back();
    out.Char('\n');
    out.Blanks(at + 2);
    out.Raw("]\n");
    out.Blanks(at);
    out.Char('}');
  };
  bool first = true;
  for (size_t i = 0; i < entries.size() && !result.stopped; ++i) {
    while (open.size() > size_t(std::max(entries[i].depth, 0))) close();
    if (!first) out.Raw(",\n");
    first = false;
    const size_t at = indent + 4 * open.size();
    out.Blanks(at);
    out.Raw("{\n");
    dumper.Record(entries[i].position, at);
    ++result.records;
    if (!out.Pass(false)) result.stopped = true;
    if (progress && result.records % 1024 == 0 && !progress(result.records, total)) result.stopped = true;
    if (i + 1 < entries.size() && entries[i + 1].depth > entries[i].depth) {
      // The object goes on with its sub-list.
      out.Raw(",\n");
      out.Blanks(at + 2);
      out.Raw("\"sub\": [\n");
      open.push_back(at);
      first = true;
    } else {
      out.Char('\n');
      out.Blanks(at);
      out.Char('}');
    }
  }
  while (!open.empty()) close();
}

}  // namespace

DumpResult DumpDatabase(tDataImageArk& db, const DumpOptions& options, const DumpSink& sink,
                        const ExchangeProgress& progress) {
  DumpResult result;
  std::vector<Dumper::Entry> tree, deleted;
  RecordReader reader(db);
  Out out(sink);
  Dumper dumper(db, result, out);
  if (const Position top = reader.TopLevelFirst(); top > 0) {
    WalkFrom(reader, top, [&](Position p, std::span<const uint8_t, kPointerRecordSize> image, int depth) {
      tree.push_back({p, depth});
      const RecordView view(image);
      if (view.LiveKind() == kKindProgram && view.DataBlock() > 0) dumper.NoteProgram(view.DataBlock(), p);
      return true;
    });
  }
  if (options.deleted) {
    std::unordered_map<Position, bool> inTree;
    for (const Dumper::Entry& e : tree) inTree.emplace(e.position, true);
    for (const DeletedRecord& d : ListDeleted(db))
      if (inTree.count(d.position) == 0) deleted.push_back({d.position, 0});
  }
  dumper.Number(tree);
  dumper.Number(deleted);
  const int64_t total = int64_t(tree.size() + deleted.size());
  if (progress) progress(0, total);

  out.Raw("{\n  \"format\": ");
  out.Text(json_form::kFormatName);
  out.Raw(",\n  \"version\": ");
  out.Int(json_form::kFormatVersion);
  out.Raw(",\n  \"header\": ");
  dumper.Header();
  out.Raw(",\n  \"records\": [");
  if (!tree.empty()) {
    out.Char('\n');
    WriteList(dumper, tree, 4, out, result, progress, total);
    out.Raw("\n  ");
  }
  out.Char(']');
  if (options.deleted && !result.stopped) {
    out.Raw(",\n  \"deleted\": [");
    if (!deleted.empty()) {
      out.Char('\n');
      WriteList(dumper, deleted, 4, out, result, progress, total);
      out.Raw("\n  ");
    }
    out.Char(']');
  }
  out.Raw("\n}\n");
  if (!out.Pass(true)) result.stopped = true;
  if (progress) progress(total, total);
  return result;
}

DumpResult DumpDatabase(tDataImageArk& db, const DumpOptions& options, const ExchangeProgress& progress) {
  std::string text;
  DumpResult result = DumpDatabase(
      db, options,
      [&](std::string_view piece) {
        text.append(piece);
        return true;
      },
      progress);
  result.text = std::move(text);
  return result;
}

}  // namespace qn
