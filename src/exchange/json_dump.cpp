// The dump: the tree walked once for the ids, then each record written as it comes, its
// own keys through the JSON library and the nesting of the sub-lists by hand, so the text
// grows record by record and no whole document is held as objects.
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

using Json = nlohmann::ordered_json;

// Times far outside the calendar have no text form (and no date a person would read).
constexpr double kLatestTextDay = 2958465.0;  // 31.12.9999

class Dumper {
 public:
  Dumper(tDataImageArk& db, DumpResult& result) : reader_(db), result_(result) {}

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

  Json Header() {
    PointerRecord header;
    Json h = Json::object();
    if (reader_.Read(0, header)) {
      PutTime(h, "created", header.created);
      PutTime(h, "changed", header.changed);
      PutTime(h, "replicated", header.replicated);
    }
    return h;
  }

  // The record's keys without its sub-list.
  Json Record(Position position) {
    PointerRecord r;
    Json j = Json::object();
    if (!reader_.Read(position, r)) return j;
    const int64_t id = ids_.at(position);
    j[json_form::kId] = id;
    j["kind"] = r.kind;
    if (r.origin != 0) j["origin"] = r.origin;
    if (r.replication != 0) j["replication"] = r.replication;
    PutTime(j, "created", r.created);
    PutTime(j, "changed", r.changed);
    PutTime(j, "replicated", r.replicated);
    if (r.dataOffset != 0) j["dataOffset"] = r.dataOffset;
    PutRef(j, "source", r.sourceRecord);
    PutRef(j, "updateFrom", r.updateFrom);
    PutRef(j, "template", r.templatePos);
    PutRef(j, "inward", r.inward);
    PutRef(j, "outward", r.outward);
    if (r.pictureBlock != 0) j["picture"] = r.pictureBlock;
    if (r.reserved56 != 0) j["reserved56"] = r.reserved56;
    if (r.nameBlock > 0 && reader_.InFile(r.nameBlock, kNameBlockSize))
      j["name"] = Block(r.nameBlock, id, "name", [&] { return Json(reader_.Name(r)); });
    if (r.linkBlock > 0 && reader_.InFile(r.linkBlock, kNameBlockSize))
      j["link"] = Block(r.linkBlock, id, "link", [&] { return Json(reader_.LinkText(r)); });
    if (r.noteBlock > 0 && reader_.InFile(r.noteBlock, kDataHeadSize))
      j["note"] = Block(r.noteBlock, id, "note", [&] { return Json(Note(r.noteBlock)); });
    if (r.inheritBlock > 0) Inherit(j, r, id);
    if (r.dataBlock > 0) Data(j, r, id);
    return j;
  }

 private:
  void PutTime(Json& j, const char* key, double days) {
    uint8_t bytes[8];
    std::memcpy(bytes, &days, 8);
    if (std::all_of(bytes, bytes + 8, [](uint8_t b) { return b == 0; })) return;
    Json t = Json::object();
    if (std::isfinite(days)) {
      t["days"] = days;
      if (std::fabs(days) <= kLatestTextDay) t["text"] = FormatDateTime(days);
    } else {
      uint8_t le[8];
      PutF64(le, 0, days);
      t["hex"] = json_form::Hex(le);
    }
    j[key] = std::move(t);
  }

  // A reference to a record of the dump; a Position no record of the dump stands at is
  // left out and counted.
  void PutRef(Json& j, const char* key, Position p) {
    if (p == 0) return;
    if (auto it = ids_.find(p); it != ids_.end()) {
      j[key] = it->second;
    } else {
      ++result_.droppedLinks;
    }
  }

  // A block written with the first record that names it; the later ones name that record.
  template <typename Inline>
  Json Block(Position block, int64_t id, const char* field, Inline inlineForm) {
    if (auto it = holders_.find(block); it != holders_.end()) {
      Json ref = Json::object();
      ref[json_form::kShared] = it->second.id;
      if (std::strcmp(it->second.field, field) != 0) ref[json_form::kField] = it->second.field;
      return ref;
    }
    holders_.emplace(block, Holder{id, field});
    return inlineForm();
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

  static Json PlainData(const RawData& raw) {
    Json d = Json::object();
    if (raw.head.next != 0) d["next"] = raw.head.next;
    if (raw.head.previous != 0) d["previous"] = raw.head.previous;
    if (raw.head.tag != 0) d["tag"] = raw.head.tag;
    d["hex"] = json_form::Hex(raw.payload);
    return d;
  }

  void Inherit(Json& j, const PointerRecord& r, int64_t id) {
    RecordImage image;
    if (reader_.Image(r.inheritBlock, image) && HasPointerSignature(image)) {
      Json ref = Json::object();
      if (auto it = ids_.find(r.inheritBlock); it != ids_.end()) {
        ref[json_form::kRecord] = it->second;
        j["inherit"] = std::move(ref);
      } else {
        ++result_.droppedLinks;
      }
      return;
    }
    auto raw = ReadRaw(r.inheritBlock);
    if (raw) j["inherit"] = Block(r.inheritBlock, id, "inherit", [&] { return PlainData(*raw); });
  }

  void Data(Json& j, const PointerRecord& r, int64_t id) {
    const int32_t kind = r.kind & ~kKindDeleted;
    if (kind == kKindFileLink) return PutRef(j, "target", r.dataBlock);
    if (kind == kKindRegisterVariable) {
      if (reader_.InFile(r.dataBlock, kNameBlockSize))
        j["value"] = Block(r.dataBlock, id, "value",
                           [&] { return Json(Cp1252ToUtf8(reader_.NameBytes(r.dataBlock))); });
      return;
    }
    auto raw = ReadRaw(r.dataBlock);
    if (!raw) return;
    if (holders_.count(r.dataBlock) == 0) {
      if (kind == kKindTemplate && Definition(j, *raw, r.dataBlock, id)) return;
      if (kind == kKindIndex && IndexNode(j, *raw, r.dataBlock, id)) return;
    }
    j["data"] = Block(r.dataBlock, id, "data", [&] {
      Json d = PlainData(*raw);
      // By the template the loaded file will find again: one the dump names.
      if ((kind == kKindData || kind == kKindDataWithTemplate) && ids_.count(r.templatePos) != 0 &&
          r.inheritBlock == 0)
        Fields(d, r, raw->payload);
      return d;
    });
  }

  // A template's header and rows, when its block holds whole rows and nothing else.
  bool Definition(Json& j, const RawData& raw, Position block, int64_t id) {
    const size_t rows = raw.payload.size() / kTemplateFieldSize;
    // The head's words after the size: DataSize, FieldCount and HasInherited, ProgramData.
    if (raw.payload.size() % kTemplateFieldSize != 0 || (raw.head.previous & 0xFFFF) != rows) return false;
    std::vector<TemplateField> fields;
    for (size_t i = 0; i < rows; ++i) {
      fields.push_back(TemplateField::Decode(std::span<const uint8_t, kTemplateFieldSize>(
          raw.payload.data() + i * kTemplateFieldSize, kTemplateFieldSize)));
      if (!json_form::RowFault(fields.back()).empty()) return false;
    }
    Json d = Json::object();
    d["dataSize"] = int32_t(raw.head.next);
    d["hasInherited"] = raw.head.previous >> 16;
    if (raw.head.tag != 0) {
      // The data block of the program the template is linked to.
      const Position program = Position(raw.head.tag);
      if (auto it = holders_.find(program); it != holders_.end()) {
        d["program"] = Json{{json_form::kShared, it->second.id}, {json_form::kField, it->second.field}};
      } else if (auto p = programs_.find(program); p != programs_.end() && ids_.count(p->second) != 0) {
        d["program"] = Json{{json_form::kShared, ids_.at(p->second)}, {json_form::kField, "data"}};
      } else {
        ++result_.droppedLinks;
      }
    }
    Json list = Json::array();
    for (const TemplateField& f : fields) {
      list.push_back(Json{{"name", Cp1252ToUtf8(f.Name)},     {"type", f.DataType},
                          {"dataLength", f.DataLength},       {"length", f.Length},
                          {"decimals", f.Decimals},           {"showLength", f.ShowLength},
                          {"hidden", f.Hidden},               {"required", f.Required}});
    }
    d["rows"] = std::move(list);
    holders_.emplace(block, Holder{id, "definition"});
    j["definition"] = std::move(d);
    return true;
  }

  // A bookmark node: its target and its children by character code.
  bool IndexNode(Json& j, const RawData& raw, Position block, int64_t id) {
    if (raw.payload.size() != size_t(kIndexNodeSize) || raw.head.next != 0 || raw.head.previous != 0 ||
        raw.head.tag != 0 || raw.payload[4] != 0 || raw.payload[5] != 0 || raw.payload[kIndexTerminalOffset] > 1)
      return false;
    const tdataIndexRec node =
        tdataIndexRec::Decode(std::span<const uint8_t, kIndexNodeSize>(raw.payload.data(), kIndexNodeSize));
    if (node.NodeSize != uint32_t(kIndexNodeSize)) return false;
    Json n = Json::object();
    n["terminal"] = node.Terminal;
    PutRef(n, "target", node.Target);
    Json children = Json::array();
    for (int c = 0; c < kIndexChildCount; ++c) {
      if (node.Children[size_t(c)] == 0) continue;
      if (auto it = ids_.find(node.Children[size_t(c)]); it != ids_.end()) {
        children.push_back(Json::array({c, it->second}));
      } else {
        ++result_.droppedLinks;
      }
    }
    n["children"] = std::move(children);
    holders_.emplace(block, Holder{id, "index"});
    j["index"] = std::move(n);
    return true;
  }

  // The fields of a data record laid out by its template, each with its text and bytes; the
  // bytes past the last field as "rest". A payload shorter than the template cuts a field.
  void Fields(Json& d, const PointerRecord& r, const std::vector<uint8_t>& payload) {
    const TemplateLayout* layout = Layout(r);
    if (layout == nullptr) return;
    Json fields = Json::array();
    size_t at = 0;
    for (const TemplateField& field : layout->Fields) {
      if (field.DataType == 0) continue;
      const size_t end = std::min(payload.size(), at + field.DataLength);
      const std::span<const uint8_t> bytes(payload.data() + std::min(at, payload.size()),
                                           end - std::min(at, payload.size()));
      at += field.DataLength;
      Json f = Json::object();
      f["name"] = Cp1252ToUtf8(field.Name);
      f["text"] = json_form::FieldText(field, bytes);
      f["hex"] = json_form::Hex(bytes);
      fields.push_back(std::move(f));
    }
    d.erase("hex");
    d["fields"] = std::move(fields);
    if (at < payload.size()) d["rest"] = json_form::Hex(std::span(payload).subspan(at));
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
  std::unordered_map<Position, int64_t> ids_;
  std::unordered_map<Position, Holder> holders_;
  std::unordered_map<Position, std::optional<TemplateLayout>> templates_;
  std::unordered_map<Position, Position> programs_;  // data block -> the first program record naming it
};

// The text layout: a container that holds containers stands one member a line; one that
// holds only numbers and texts (a time, a field, a template row) stays on one line. So a
// diff shows each changed value on a line of its own with what it belongs to.
void Scalar(const Json& v, std::string& out) { out += v.dump(-1, ' ', false, Json::error_handler_t::replace); }

void Format(const Json& v, size_t indent, std::string& out);

// The members (or elements) of `v`, one a line `indent` + 2 blanks in, the last without its
// line break.
void Members(const Json& v, size_t indent, std::string& out) {
  bool first = true;
  for (auto it = v.begin(); it != v.end(); ++it) {
    if (!first) out += ",\n";
    first = false;
    out.append(indent + 2, ' ');
    if (v.is_object()) {
      Scalar(Json(it.key()), out);
      out += ": ";
    }
    Format(*it, indent + 2, out);
  }
}

void Format(const Json& v, size_t indent, std::string& out) {
  if (!v.is_structured()) return Scalar(v, out);
  const bool object = v.is_object();
  if (std::none_of(v.begin(), v.end(), [](const Json& e) { return e.is_structured(); })) {
    out += object ? "{" : "[";
    bool first = true;
    for (auto it = v.begin(); it != v.end(); ++it) {
      if (!first) out += ", ";
      first = false;
      if (object) {
        Scalar(Json(it.key()), out);
        out += ": ";
      }
      Scalar(*it, out);
    }
    out += object ? "}" : "]";
    return;
  }
  out += object ? "{\n" : "[\n";
  Members(v, indent, out);
  out += "\n";
  out.append(indent, ' ');
  out += object ? "}" : "]";
}

// Writes `entries` as the elements of one array standing `indent` blanks in, each record
// with its sub-list (the records after it one level deeper) as "sub". The lists begun are
// kept on a stack of their own, so a deep tree does not deepen the call stack.
void WriteList(Dumper& dumper, const std::vector<Dumper::Entry>& entries, size_t indent, std::string& out,
               DumpResult& result, const ExchangeProgress& progress, int64_t total) {
  std::vector<size_t> open;  // the indent of each record whose sub-list is being written
  const auto close = [&] {
    const size_t at = open.back();
    open.pop_back();
    out += "\n" + std::string(at + 2, ' ') + "]\n" + std::string(at, ' ') + "}";
  };
  bool first = true;
  for (size_t i = 0; i < entries.size() && !result.stopped; ++i) {
    while (open.size() > size_t(std::max(entries[i].depth, 0))) close();
    if (!first) out += ",\n";
    first = false;
    const size_t at = indent + 4 * open.size();
    out.append(at, ' ');
    out += "{\n";
    Members(dumper.Record(entries[i].position), at, out);
    ++result.records;
    if (progress && result.records % 1024 == 0 && !progress(result.records, total)) result.stopped = true;
    if (i + 1 < entries.size() && entries[i + 1].depth > entries[i].depth) {
      // The object goes on with its sub-list.
      out += ",\n";
      out.append(at + 2, ' ');
      out += "\"sub\": [\n";
      open.push_back(at);
      first = true;
    } else {
      out += "\n";
      out.append(at, ' ');
      out += "}";
    }
  }
  while (!open.empty()) close();
}

}  // namespace

DumpResult DumpDatabase(tDataImageArk& db, const DumpOptions& options, const ExchangeProgress& progress) {
  DumpResult result;
  std::vector<Dumper::Entry> tree, deleted;
  RecordReader reader(db);
  Dumper dumper(db, result);
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

  std::string& out = result.text;
  out += "{\n  \"format\": " + Json(json_form::kFormatName).dump() + ",\n  \"version\": " +
         std::to_string(json_form::kFormatVersion) + ",\n  \"header\": ";
  Format(dumper.Header(), 2, out);
  out += ",\n  \"records\": [";
  if (!tree.empty()) {
    out += "\n";
    WriteList(dumper, tree, 4, out, result, progress, total);
    out += "\n  ";
  }
  out += "]";
  if (options.deleted) {
    out += ",\n  \"deleted\": [";
    if (!deleted.empty()) {
      out += "\n";
      WriteList(dumper, deleted, 4, out, result, progress, total);
      out += "\n  ";
    }
    out += "]";
  }
  out += "\n}\n";
  if (progress) progress(total, total);
  return result;
}

}  // namespace qn
