// The load: the document parsed whole, then two passes over its records. The first gives
// every record and every block written with a record its Position (they are appended in
// the order of the dump: the record, then its name, link text, note, inherited part and
// data), so the second can write each record with its links and references at once. The
// bytes go to the file in pieces through the database's changes, each stored through its
// journal, and the file is renamed into place once the last change is in.
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <unordered_map>
#include <vector>

#include "content/bookmark_index.h"
#include "env/text_codec.h"
#include "exchange/database_json.h"
#include "exchange/json_form.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/error_text.h"
#include "templates/field_text.h"
#include "templates/type_table.h"

namespace qn {

namespace {

// Objects as vectors of members (in the order of the text): a dump parses into far less
// memory than as tree maps, and its objects are small enough to look keys up in order.
using Json = nlohmann::ordered_json;

// Bytes written before the open change is stored and a new one begun: what a change holds
// in memory stays small however large the database.
constexpr size_t kBytesPerChange = size_t(16) << 20;
constexpr size_t kBytesPerWrite = size_t(1) << 20;

struct InputFault {
  std::string message;
};
struct Stopped {};

// Where in the document a value stands, built into text only for a message.
class Loader;

struct Path {
  const Path* parent = nullptr;
  const char* key = nullptr;  // a member, or
  int64_t index = -1;         // an element
  // At the root: the record whose object this is (its path is the loader's to tell), or
  // none for the document.
  const Loader* loader = nullptr;
  int64_t record = -1;

  Path Member(const char* k) const { return Path{this, k, -1, nullptr, -1}; }
  Path Element(int64_t i) const { return Path{this, nullptr, i, nullptr, -1}; }
  std::string Text() const;
};

[[noreturn]] void Refuse(const Path& at, const std::string& what) { throw InputFault{at.Text() + ": " + what}; }

const Json& EmptyArray() {
  static const Json kEmpty = Json::array();
  return kEmpty;
}
// The member `key`, or null when there is none.
const Json& Member(const Json& object, const char* key) {
  static const Json kNone;
  auto it = object.find(key);
  return it == object.end() ? kNone : *it;
}
const Json* Find(const Json& object, const char* key) {
  auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}
const Json& Object(const Json& v, const Path& at) {
  if (!v.is_object()) Refuse(at, "her skal det stå et objekt");
  return v;
}
const Json& Array(const Json& v, const Path& at) {
  if (!v.is_array()) Refuse(at, "her skal det stå en liste");
  return v;
}
const std::string& String(const Json& v, const Path& at) {
  if (!v.is_string()) Refuse(at, "her skal det stå en tekst");
  return v.get_ref<const std::string&>();
}
int64_t Integer(const Json& v, const Path& at, int64_t low, int64_t high) {
  if (!v.is_number_integer()) Refuse(at, "her skal det stå et heltall");
  const int64_t n = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(INT64_MAX) ? INT64_MAX : v.get<int64_t>();
  if (n < low || n > high)
    Refuse(at, "tallet " + std::to_string(n) + " ligger utenfor " + std::to_string(low) + ".." + std::to_string(high));
  return n;
}
int64_t IntegerOr(const Json& object, const char* key, const Path& at, int64_t low, int64_t high, int64_t otherwise) {
  const Json* v = Find(object, key);
  return v != nullptr ? Integer(*v, at.Member(key), low, high) : otherwise;
}
std::vector<uint8_t> HexBytes(const Json& v, const Path& at) {
  auto bytes = json_form::ParseHex(String(v, at));
  if (!bytes) Refuse(at, "her skal det stå heksadesimale sifre i par");
  return std::move(*bytes);
}

// A text in the file's code page; refused when a character has no byte there or it is longer.
std::string CodePageText(const Json& v, const Path& at, size_t maxBytes) {
  const std::string& text = String(v, at);
  std::string out;
  for (char32_t c : DecodeUtf8(text)) {
    const int byte = UnicodeToCp1252(c);
    if (byte < 0 || c == 0xFFFD) {
      std::string shown;
      AppendUtf8(shown, c);
      Refuse(at, "tegnet «" + shown + "» finnes ikke i databasens tegnsett (Windows-1252)");
    }
    out += char(byte);
  }
  if (out.size() > maxBytes)
    Refuse(at, "teksten har " + std::to_string(out.size()) + " tegn, det er plass til " +
                   std::to_string(maxBytes));
  return out;
}

double Time(const Json& object, const char* key, const Path& at) {
  const Json* v = Find(object, key);
  if (v == nullptr) return 0.0;
  const Path p = at.Member(key);
  Object(*v, p);
  if (const Json* days = Find(*v, "days")) {
    if (!days->is_number()) Refuse(p.Member("days"), "her skal det stå et tall");
    return days->get<double>();
  }
  if (const Json* hex = Find(*v, "hex")) {
    const std::vector<uint8_t> bytes = HexBytes(*hex, p.Member("hex"));
    if (bytes.size() != 8) Refuse(p.Member("hex"), "her skal det stå 8 byte");
    return GetF64(bytes, 0);
  }
  Refuse(p, "her skal det stå \"days\" eller \"hex\"");
}

// The keys a record may have; anything else is a mistake that would otherwise be lost.
constexpr const char* kRecordKeys[] = {
    "id",   "kind",   "origin", "replication", "created",  "changed", "replicated", "dataOffset", "source",
    "updateFrom", "template", "inward", "outward", "picture", "reserved56", "name", "link", "note",
    "inherit", "target", "value", "definition", "index", "data", "sub"};

// The blocks a record has written with it, and where each lies; 0 where it has none.
struct Plan {
  const Json* record = nullptr;
  int64_t parent = -1;     // the record whose sub-list holds it; -1 at the top
  int64_t slot = 0;        // its index in its list
  bool deleted = false;    // in "deleted" rather than the tree
  Position self = 0, up = 0, down = 0, left = 0, right = 0;
  Position name = 0, link = 0, note = 0, inherit = 0, data = 0;
  const char* dataField = nullptr;  // the key the data block is written under
};

class Loader {
 public:
  Loader(tDataImageArk& db, const ExchangeProgress& progress) : db_(db), progress_(progress) {}

  int64_t Run(const Json& document) {
    const Path top;
    Object(document, top);
    const Json* format = Find(document, "format");
    if (format == nullptr || *format != json_form::kFormatName)
      Refuse(top.Member("format"), "ikke en QuillNet-dump (\"" + std::string(json_form::kFormatName) + "\" ventet)");
    Integer(Member(document, "version"), top.Member("version"),
            json_form::kFormatVersion, json_form::kFormatVersion);
    if (const Json* records = Find(document, "records")) Collect(*records, top.Member("records"), false);
    if (const Json* deleted = Find(document, "deleted")) Collect(*deleted, top.Member("deleted"), true);
    Lay();
    WriteHeader(document.contains("header") ? Object(document["header"], top.Member("header")) : Json::object(),
                top.Member("header"));
    for (size_t i = 0; i < plans_.size(); ++i) {
      WriteRecord(int64_t(i));
      if (progress_ && i % 1024 == 0 && !progress_(int64_t(i), int64_t(plans_.size()))) throw Stopped{};
    }
    Flush(true);
    return int64_t(plans_.size());
  }

 private:
  Path At(int64_t i) const { return Path{nullptr, nullptr, -1, this, i}; }

 public:
  // "$.records[3].sub[0]": built from the record up, without recursion however deep.
  std::string RecordPath(int64_t i) const {
    std::vector<int64_t> chain;
    for (int64_t k = i; k >= 0; k = plans_[size_t(k)].parent) chain.push_back(k);
    std::string text = plans_[size_t(chain.back())].deleted ? "$.deleted" : "$.records";
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      if (it != chain.rbegin()) text += ".sub";
      text += "[" + std::to_string(plans_[size_t(*it)].slot) + "]";
    }
    return text;
  }

 private:
  // Every record of `list` and of the sub-lists in it, depth first, in the order of the
  // dump; a stack of the lists begun keeps deep trees off the call stack.
  void Collect(const Json& top, const Path& at, bool deleted) {
    struct Open {
      const Json* list;
      int64_t parent;   // the record whose sub-list it is; -1 at the top
      size_t next = 0;  // the next element to take
      int64_t previous = -1;
    };
    Array(top, at);
    std::vector<Open> open{{&top, -1}};
    while (!open.empty()) {
      Open& o = open.back();
      if (o.next == o.list->size()) {
        open.pop_back();
        continue;
      }
      const size_t k = o.next++;
      const Json& element = (*o.list)[k];
      const int64_t i = int64_t(plans_.size());
      plans_.push_back(Plan{});
      plans_.back().parent = o.parent;
      plans_.back().slot = int64_t(k);
      plans_.back().deleted = deleted;
      const Path here = At(i);
      if (!element.is_object()) Refuse(here, "her skal det stå et objekt");
      plans_.back().record = &element;
      for (const auto& [key, value] : element.items())
        if (std::find_if(std::begin(kRecordKeys), std::end(kRecordKeys),
                         [&](const char* known) { return key == known; }) == std::end(kRecordKeys))
          Refuse(here.Member(key.c_str()), "en post har ingen slik nøkkel");
      const int64_t id = Integer(Member(element, "id"), here.Member("id"), 1, INT64_MAX);
      if (!ids_.emplace(id, i).second) Refuse(here.Member("id"), "id " + std::to_string(id) + " er brukt to ganger");
      links_.push_back({o.previous, o.parent});
      o.previous = i;
      if (const Json* sub = Find(element, "sub")) {
        if (deleted) Refuse(here.Member("sub"), "en slettet post har ingen underliste");
        Array(*sub, here.Member("sub"));
        open.push_back({sub, i});  // `o` is not used past this point
      }
    }
  }

  // Positions for every record and every block written with one, in the order of the dump.
  void Lay() {
    int64_t end = kPointerRecordSize;
    const auto take = [&](int64_t size, int64_t i) {
      if (end + size > int64_t(INT32_MAX)) Refuse(At(i), "databasen ville bli større enn formatets 2 GiB");
      const Position p = Position(end);
      end += size;
      return p;
    };
    for (size_t k = 0; k < plans_.size(); ++k) {
      Plan& p = plans_[k];
      const int64_t i = int64_t(k);
      const Json& r = *p.record;
      const Path at = At(i);
      p.self = take(kPointerRecordSize, i);
      if (Inline(r, "name")) p.name = take(kNameBlockSize, i);
      if (Inline(r, "link")) p.link = take(kNameBlockSize, i);
      if (Inline(r, "note")) p.note = take(kNoteBlockSize, i);
      if (Inline(r, "inherit")) p.inherit = take(kDataHeadSize + PlainSize(r["inherit"], at.Member("inherit")), i);
      if (Inline(r, "value")) {
        p.data = take(kNameBlockSize, i), p.dataField = "value";
      } else if (Inline(r, "definition")) {
        const Path d = at.Member("definition");
        const Json& rows = Array(Member(Object(r["definition"], d), "rows"), d.Member("rows"));
        if (rows.size() > 0xFFFF) Refuse(d.Member("rows"), "flere rader enn en mal kan ha");
        p.data = take(int64_t(TemplateBlockSize(uint32_t(rows.size()))), i), p.dataField = "definition";
      } else if (Inline(r, "index")) {
        p.data = take(kDataHeadSize + kIndexNodeSize, i), p.dataField = "index";
      } else if (Inline(r, "data")) {
        p.data = take(kDataHeadSize + DataSize(i), i), p.dataField = "data";
      }
    }
    // The tree's links.
    for (size_t k = 0; k < plans_.size(); ++k) {
      Plan& p = plans_[k];
      if (p.deleted) continue;
      const auto [previous, parent] = links_[k];
      if (previous >= 0) {
        p.up = plans_[size_t(previous)].self;
        plans_[size_t(previous)].down = p.self;
      } else if (parent >= 0) {
        p.left = plans_[size_t(parent)].self;
        plans_[size_t(parent)].right = p.self;
      } else {
        topFirst_ = p.self;
      }
    }
  }

  // True when the record's key holds a block written with it (not a reference to another's).
  static bool Inline(const Json& r, const char* key) {
    const Json* v = Find(r, key);
    return v != nullptr && !(v->is_object() && (v->contains(json_form::kShared) || v->contains(json_form::kRecord)));
  }

  int64_t PlainSize(const Json& data, const Path& at) {
    Object(data, at);
    const Json* hex = Find(data, "hex");
    if (hex == nullptr) Refuse(at.Member("hex"), "bytene mangler");
    const std::string& text = String(*hex, at.Member("hex"));
    if (text.size() / 2 > size_t(INT32_MAX)) Refuse(at.Member("hex"), "for mange byte");
    return int64_t(text.size() / 2);
  }

  // The payload size of a record's "data": its bytes, or its fields' and the rest's.
  int64_t DataSize(int64_t i) {
    const Json& r = *plans_[size_t(i)].record;
    const Path root = At(i);
    const Path at = root.Member("data");
    const Json& data = Object(r["data"], at);
    if (!data.contains("fields")) return PlainSize(data, at);
    const Json& fields = Array(data["fields"], at.Member("fields"));
    const std::vector<TemplateField>* rows = Rows(i);
    int64_t size = 0;
    for (size_t f = 0; f < fields.size(); ++f) {
      const Path fp = at.Member("fields").Element(int64_t(f));
      const Json& field = Object(fields[f], fp);
      if (const Json* hex = Find(field, "hex")) {
        size += int64_t(String(*hex, fp.Member("hex")).size() / 2);
      } else if (rows != nullptr && f < rows->size()) {
        size += (*rows)[f].DataLength;
      } else {
        Refuse(fp.Member("hex"), "bytene mangler, og malen har ingen rad å lese teksten etter");
      }
    }
    if (const Json* rest = Find(data, "rest")) size += int64_t(String(*rest, at.Member("rest")).size() / 2);
    return size;
  }

  // The rows a data record's fields are laid out by: its template's own rows with bytes,
  // when the template is written with its rows and inherits none; nullptr otherwise.
  const std::vector<TemplateField>* Rows(int64_t i) {
    const Json& r = *plans_[size_t(i)].record;
    const Json* ref = Find(r, "template");
    if (ref == nullptr || !ref->is_number_integer()) return nullptr;
    auto found = ids_.find(ref->get<int64_t>());
    if (found == ids_.end()) return nullptr;
    auto cached = rows_.find(found->second);
    if (cached == rows_.end()) {
      std::optional<std::vector<TemplateField>> rows;
      const Json& t = *plans_[size_t(found->second)].record;
      if (Inline(t, "definition")) {
        const Path root = At(found->second);
        rows = DefinitionRows(t, root.Member("definition"));
        if (std::any_of(rows->begin(), rows->end(), [](const TemplateField& f) { return f.DataType == 0; }))
          rows.reset();
      }
      cached = rows_.emplace(found->second, std::move(rows)).first;
    }
    return cached->second ? &*cached->second : nullptr;
  }

  std::vector<TemplateField> DefinitionRows(const Json& r, const Path& d) {
    const Json& rows = Array(Member(Object(r["definition"], d), "rows"), d.Member("rows"));
    std::vector<TemplateField> out;
    for (size_t k = 0; k < rows.size(); ++k) {
      const Path at = d.Member("rows").Element(int64_t(k));
      const Json& row = Object(rows[k], at);
      TemplateField f;
      f.Name = CodePageText(Member(row, "name"), at.Member("name"), kFieldNameMax);
      f.DataType = uint16_t(IntegerOr(row, "type", at, 0, 0xFFFF, 0));
      f.DataLength = uint16_t(IntegerOr(row, "dataLength", at, 0, 0xFFFF, 0));
      f.Length = uint16_t(IntegerOr(row, "length", at, 0, 0xFFFF, 0));
      f.Decimals = uint16_t(IntegerOr(row, "decimals", at, 0, 0xFFFF, 0));
      f.ShowLength = uint16_t(IntegerOr(row, "showLength", at, 0, 0xFFFF, 0));
      f.Hidden = uint8_t(IntegerOr(row, "hidden", at, 0, 0xFF, 0));
      f.Required = uint8_t(IntegerOr(row, "required", at, 0, 0xFF, 0));
      if (const std::string why = json_form::RowFault(f); !why.empty()) Refuse(at, why);
      out.push_back(std::move(f));
    }
    return out;
  }

  Position RecordRef(const Json& r, const char* key, const Path& at) {
    const Json* v = Find(r, key);
    if (v == nullptr) return 0;
    return RecordOf(*v, at.Member(key));
  }
  Position RecordOf(const Json& v, const Path& at) {
    const int64_t id = Integer(v, at, 1, INT64_MAX);
    auto it = ids_.find(id);
    if (it == ids_.end()) Refuse(at, "ingen post har id " + std::to_string(id));
    return plans_[size_t(it->second)].self;
  }

  // The Position of the block under `key`: its own, or the one of the record it names.
  Position BlockOf(int64_t i, const char* key, Position own) {
    const Json* v = Find(*plans_[size_t(i)].record, key);
    if (v == nullptr) return 0;
    if (own != 0) return own;
    const Path root = At(i);
    const Path at = root.Member(key);
    if (const Json* record = Find(*v, json_form::kRecord)) return RecordOf(*record, at.Member(json_form::kRecord));
    return SharedBlock(*v, at, key);
  }

  // {"shared": id, "field": f}: the block that record writes under f (`key` when no field).
  Position SharedBlock(const Json& v, const Path& at, const char* key) {
    const int64_t id = Integer(Member(v, json_form::kShared),
                               at.Member(json_form::kShared), 1, INT64_MAX);
    auto it = ids_.find(id);
    if (it == ids_.end()) Refuse(at.Member(json_form::kShared), "ingen post har id " + std::to_string(id));
    const std::string field =
        v.contains(json_form::kField) ? String(v[json_form::kField], at.Member(json_form::kField)) : key;
    const Plan& holder = plans_[size_t(it->second)];
    const Position block = field == "name" ? holder.name : field == "link" ? holder.link : field == "note" ? holder.note
                         : field == "inherit" ? holder.inherit
                         : holder.dataField != nullptr && field == holder.dataField ? holder.data : 0;
    if (block == 0) Refuse(at, "posten " + std::to_string(id) + " har ingen egen " + field + " å dele");
    return block;
  }

  void WriteHeader(const Json& header, const Path& at) {
    RecordImage image{};
    EncodeFileHeader(image);
    RecordEdit e(image);
    e.SetDown(topFirst_);
    e.SetCreated(Time(header, "created", at));
    e.SetChanged(Time(header, "changed", at));
    e.SetReplicated(Time(header, "replicated", at));
    db_.SeekTo(0);
    if (db_.WriteBlock(image.data(), kPointerRecordSize) != 0) throw FileFault{};
  }

  void WriteRecord(int64_t i) {
    const Plan& p = plans_[size_t(i)];
    const Json& r = *p.record;
    const Path at = At(i);
    RecordImage image{};
    RecordEdit e(image);
    e.SetSize(kPointerRecordSize);
    e.SetOwnPosition(p.self);
    e.SetUp(p.up), e.SetDown(p.down), e.SetLeft(p.left), e.SetRight(p.right);
    const int32_t kind = int32_t(IntegerOr(r, "kind", at, INT32_MIN, INT32_MAX, 0));
    e.SetKind(kind);
    e.SetOrigin(int32_t(IntegerOr(r, "origin", at, INT32_MIN, INT32_MAX, 0)));
    e.SetReplication(int32_t(IntegerOr(r, "replication", at, INT32_MIN, INT32_MAX, 0)));
    e.SetCreated(Time(r, "created", at));
    e.SetChanged(Time(r, "changed", at));
    e.SetReplicated(Time(r, "replicated", at));
    e.SetDataOffset(int32_t(IntegerOr(r, "dataOffset", at, INT32_MIN, INT32_MAX, 0)));
    e.SetSourceRecord(RecordRef(r, "source", at));
    e.SetUpdateFrom(RecordRef(r, "updateFrom", at));
    e.SetTemplatePos(RecordRef(r, "template", at));
    e.SetInward(RecordRef(r, "inward", at));
    e.SetOutward(RecordRef(r, "outward", at));
    e.SetPictureBlock(Position(IntegerOr(r, "picture", at, INT32_MIN, INT32_MAX, 0)));
    PutU32(image, kReserved56Offset, uint32_t(IntegerOr(r, "reserved56", at, 0, UINT32_MAX, 0)));
    e.SetNameBlock(BlockOf(i, "name", p.name));
    e.SetLinkBlock(BlockOf(i, "link", p.link));
    e.SetNoteBlock(BlockOf(i, "note", p.note));
    e.SetInheritBlock(BlockOf(i, "inherit", p.inherit));
    Position data = 0;
    for (const char* key : {"value", "definition", "index", "data"})
      if (r.contains(key)) data = BlockOf(i, key, p.dataField != nullptr && std::strcmp(p.dataField, key) == 0 ? p.data : 0);
    if (r.contains("target")) data = RecordRef(r, "target", at);
    e.SetDataBlock(data);
    StampSignature(image);
    if (written_ + int64_t(buffer_.size()) != p.self) Refuse(at, "intern feil: posten ligger ikke der den skulle");
    Append(image);

    if (p.name != 0) AppendNameBlock(CodePageText(r["name"], at.Member("name"), kNameMaxText), p.self);
    if (p.link != 0) AppendNameBlock(CodePageText(r["link"], at.Member("link"), kNameMaxText), p.self);
    if (p.note != 0) AppendNote(CodePageText(r["note"], at.Member("note"), kNoteTextSize), at.Member("note"));
    if (p.inherit != 0) AppendPlain(r["inherit"], at.Member("inherit"), {});
    if (p.data == 0) return;
    const std::string field = p.dataField;
    if (field == "value") {
      AppendNameBlock(CodePageText(r["value"], at.Member("value"), kNameMaxText), p.self);
    } else if (field == "definition") {
      AppendDefinition(r, at.Member("definition"));
    } else if (field == "index") {
      AppendIndex(Object(r["index"], at.Member("index")), at.Member("index"));
    } else {
      AppendPlain(r["data"], at.Member("data"), Payload(i));
    }
  }

  void AppendNameBlock(const std::string& text, Position owner) {
    std::array<uint8_t, kNameBlockSize> block{};
    NameBlock{kNameBlockSize, owner, text}.Encode(block);
    Append(block);
  }

  void AppendNote(const std::string& text, const Path& at) {
    if (text.find('\0') != std::string::npos) Refuse(at, "et notat kan ikke inneholde tegnet null");
    std::vector<uint8_t> block(kNoteBlockSize, 0);
    DataHead{uint32_t(kNoteBlockSize), 0, 0, 1}.Encode(std::span<uint8_t, kDataHeadSize>(block.data(), kDataHeadSize));
    std::memcpy(block.data() + kDataHeadSize, text.data(), text.size());
    Append(block);
  }

  // A data block: the head words and the bytes of "hex", or `payload` when it is given.
  void AppendPlain(const Json& data, const Path& at, std::optional<std::vector<uint8_t>> payload) {
    Object(data, at);
    if (!payload) payload = HexBytes(Member(data, "hex"), at.Member("hex"));
    DataHead head;
    head.size = uint32_t(kDataHeadSize + payload->size());
    head.next = uint32_t(IntegerOr(data, "next", at, 0, UINT32_MAX, 0));
    head.previous = uint32_t(IntegerOr(data, "previous", at, 0, UINT32_MAX, 0));
    head.tag = uint32_t(IntegerOr(data, "tag", at, 0, UINT32_MAX, 0));
    std::array<uint8_t, kDataHeadSize> bytes{};
    head.Encode(bytes);
    Append(bytes);
    Append(*payload);
  }

  // A data record's payload from its fields (each by its bytes, or by its text through its
  // template row) and the rest; nullopt when the data is given as bytes.
  std::optional<std::vector<uint8_t>> Payload(int64_t i) {
    const Json& data = (*plans_[size_t(i)].record)["data"];
    if (!data.contains("fields")) return std::nullopt;
    const Path root = At(i);
    const Path at = root.Member("data");
    const std::vector<TemplateField>* rows = Rows(i);
    const Json& fields = data["fields"];
    if (rows != nullptr && fields.size() != rows->size())
      Refuse(at.Member("fields"), std::to_string(fields.size()) + " felt, malen har " +
                                      std::to_string(rows->size()));
    std::vector<uint8_t> payload;
    bool cut = false;
    for (size_t f = 0; f < fields.size(); ++f) {
      const Path fp = at.Member("fields").Element(int64_t(f));
      const TemplateField* row = rows != nullptr ? &(*rows)[f] : nullptr;
      if (row != nullptr) {
        const std::string name = CodePageText(Member(fields[f], "name"),
                                              fp.Member("name"), kFieldNameMax);
        if (name != row->Name)
          Refuse(fp.Member("name"), "malens felt her er «" + Cp1252ToUtf8(row->Name) + "»");
      }
      std::vector<uint8_t> bytes;
      if (const Json* hex = Find(fields[f], "hex")) {
        bytes = HexBytes(*hex, fp.Member("hex"));
      } else {
        bytes.assign(row->DataLength, 0);
        const SaveResult saved = SaveFieldText(*row, String(Member(fields[f], "text"),
                                                            fp.Member("text")), bytes);
        if (saved.status == SaveStatus::kRefused || saved.status == SaveStatus::kConvertError)
          Refuse(fp.Member("text"), "ikke en verdi feltet kan ha" + (saved.message.empty() ? "" : ": " + saved.message));
      }
      if (cut && !bytes.empty()) Refuse(fp.Member("hex"), "et felt etter et avkortet felt kan ikke ha byte");
      if (row != nullptr && bytes.size() > row->DataLength)
        Refuse(fp.Member("hex"), std::to_string(bytes.size()) + " byte, feltet rommer " +
                                     std::to_string(row->DataLength));
      if (row != nullptr && bytes.size() < row->DataLength) cut = true;
      payload.insert(payload.end(), bytes.begin(), bytes.end());
    }
    if (const Json* rest = Find(data, "rest")) {
      const std::vector<uint8_t> bytes = HexBytes(*rest, at.Member("rest"));
      if (cut && !bytes.empty()) Refuse(at.Member("rest"), "byte etter et avkortet felt");
      payload.insert(payload.end(), bytes.begin(), bytes.end());
    }
    return payload;
  }

  // A template block: its header (the rows counted, the size of a data record, the linked
  // program's data block) and its rows.
  void AppendDefinition(const Json& r, const Path& at) {
    const Json& definition = r["definition"];
    const std::vector<TemplateField> rows = DefinitionRows(r, at);
    TemplateHeader header;
    header.TotalSize = TemplateBlockSize(uint32_t(rows.size()));
    header.DataSize = int32_t(IntegerOr(definition, "dataSize", at, INT32_MIN, INT32_MAX, 0));
    header.FieldCount = uint16_t(rows.size());
    header.HasInherited = uint16_t(IntegerOr(definition, "hasInherited", at, 0, 0xFFFF, 0));
    if (const Json* program = Find(definition, "program"))
      header.ProgramData = SharedBlock(Object(*program, at.Member("program")), at.Member("program"), "data");
    std::vector<uint8_t> block(header.TotalSize, 0);
    header.Encode(std::span<uint8_t, kTemplateHeaderSize>(block.data(), kTemplateHeaderSize));
    for (size_t k = 0; k < rows.size(); ++k)
      rows[k].Encode(std::span<uint8_t, kTemplateFieldSize>(block.data() + kTemplateHeaderSize + k * kTemplateFieldSize,
                                                             kTemplateFieldSize));
    Append(block);
  }

  void AppendIndex(const Json& index, const Path& at) {
    tdataIndexRec node;
    node.Terminal = uint8_t(IntegerOr(index, "terminal", at, 0, 1, 0));
    node.Target = RecordRef(index, "target", at);
    const Path cp = at.Member("children");
    const Json& children = Array(index.contains("children") ? index["children"] : EmptyArray(), cp);
    for (size_t k = 0; k < children.size(); ++k) {
      const Path ep = cp.Element(int64_t(k));
      const Json& pair = Array(children[k], ep);
      if (pair.size() != 2) Refuse(ep, "her skal det stå [tegnkode, id]");
      const int64_t code = Integer(pair[0], ep.Element(0), 0, kIndexChildCount - 1);
      if (node.Children[size_t(code)] != 0) Refuse(ep.Element(0), "tegnkoden er brukt to ganger");
      node.Children[size_t(code)] = RecordOf(pair[1], ep.Element(1));
    }
    std::array<uint8_t, kDataHeadSize + kIndexNodeSize> block{};
    DataHead{uint32_t(block.size()), 0, 0, 0}.Encode(std::span<uint8_t, kDataHeadSize>(block.data(), kDataHeadSize));
    node.Encode(std::span<uint8_t, kIndexNodeSize>(block.data() + kDataHeadSize, kIndexNodeSize));
    Append(block);
  }

  template <typename Bytes>
  void Append(const Bytes& bytes) {
    buffer_.insert(buffer_.end(), std::begin(bytes), std::end(bytes));
    if (buffer_.size() >= kBytesPerWrite) Flush(false);
  }

  // Writes what the buffer holds at the end of the file; every kBytesPerChange bytes (and
  // at the end) the change so far is stored.
  void Flush(bool last) {
    if (!buffer_.empty()) {
      db_.SeekTo(Position(written_));
      if (db_.WriteBlock(buffer_.data(), int32_t(buffer_.size())) != 0) throw FileFault{};
      written_ += int64_t(buffer_.size());
      sinceCommit_ += buffer_.size();
      buffer_.clear();
    }
    if (last || sinceCommit_ >= kBytesPerChange) {
      if (db_.CommitChangeSoFar() != 0) throw FileFault{};
      sinceCommit_ = 0;
    }
  }

 public:
  struct FileFault {};

 private:
  tDataImageArk& db_;
  const ExchangeProgress& progress_;
  std::vector<Plan> plans_;
  std::vector<std::pair<int64_t, int64_t>> links_;  // each record's previous record and parent
  std::unordered_map<int64_t, int64_t> ids_;        // id -> record
  std::unordered_map<int64_t, std::optional<std::vector<TemplateField>>> rows_;  // template -> rows
  Position topFirst_ = 0;
  std::vector<uint8_t> buffer_;
  int64_t written_ = kPointerRecordSize;
  size_t sinceCommit_ = 0;
};

std::string Path::Text() const {
  std::vector<const Path*> chain;
  for (const Path* p = this; p != nullptr; p = p->parent) chain.push_back(p);
  const Path& root = *chain.back();
  std::string text = root.loader != nullptr ? root.loader->RecordPath(root.record) : "$";
  for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it)
    text += (*it)->key != nullptr ? std::string(".") + (*it)->key : "[" + std::to_string((*it)->index) + "]";
  return text;
}

}  // namespace

LoadResult LoadDatabase(const std::shared_ptr<FileSystem>& files, std::string json, const std::string& newFile,
                        const ExchangeProgress& progress) {
  LoadResult result;
  if (files->KindOf(newFile) != EntryKind::kNone) {
    result.message = newFile + ": finnes fra før";
    return result;
  }
  Json document;
  try {
    document = Json::parse(json);
  } catch (const Json::parse_error& e) {
    result.inputFault = true;
    result.message = "$: ikke JSON (" + std::string(e.what()) + ")";
    return result;
  }
  std::string().swap(json);
  const std::string building = newFile + ".load-new";
  std::unique_ptr<BlockFile> fresh;
  files->Remove(building + "-journal");
  if (files->KindOf(building) == EntryKind::kRegular) files->Remove(building);  // left by a stopped load
  if (const int error = files->CreateFresh(building, std::string(), &fresh); error != 0) {
    result.message = building + ": kan ikke lages (" + ErrorReason(error) + ")";
    return result;
  }
  fresh->Close();
  fresh.reset();
  int32_t error = 0;
  {
    tDataImageArk db(files);
    db.Open(building, OpenPolicy::kCreate);
    if (!db.IsOpen() || db.FileSizeOf() != kPointerRecordSize) {
      error = db.LastError() != 0 ? db.LastError() : kErrorWriteFault;
    } else {
      Loader loader(db, progress);
      db.BeginChange();
      try {
        result.records = loader.Run(document);
        error = db.EndChange();
      } catch (const InputFault& fault) {
        db.AbandonChange();
        result.inputFault = true;
        result.message = fault.message;
      } catch (const Stopped&) {
        db.AbandonChange();
        result.stopped = true;
        result.message = newFile + ": avbrutt";
      } catch (const Loader::FileFault&) {
        db.AbandonChange();
        error = db.FirstWriteError() != 0 ? db.FirstWriteError() : kErrorWriteFault;
      } catch (...) {
        db.AbandonChange();
        files->Remove(building);
        throw;
      }
      if (error == 0 && !result.inputFault && !result.stopped) error = db.FirstWriteError();
    }
    db.Close();
    if (error == 0 && !result.inputFault && db.LastError() != 0) error = db.LastError();
  }
  const bool given = result.inputFault || result.stopped;  // a fault of the input, or the user's stop
  if (error == 0 && !given) error = files->Rename(building, newFile);
  if (error != 0 || given) {
    files->Remove(building);
    files->Remove(building + "-journal");
    if (!given) result.message = newFile + ": kan ikke skrives (" + ErrorReason(error) + ")";
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace qn
