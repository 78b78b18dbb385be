// The load: two readings of the text as the JSON library's parser events, each record built
// as a tree of its own (its sub-list left out) whose memory serves the next record once it
// has been looked at.
// The first reading gives every record and every block written with a record its Position
// (they are appended in the order of the dump: the record, then its name, link text, note,
// inherited part and data), so the second can write each record with its links and
// references at once. The bytes go to the file in pieces through the database's changes,
// each stored through its journal, and the file is renamed into place once the last change
// is in.
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <unordered_map>
#include <vector>

#include "content/bookmark_index.h"
#include "env/errors.h"
#include "env/text_codec.h"
#include "exchange/database_json.h"
#include "exchange/json_form.h"
#include "exchange/json_tree.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/error_text.h"
#include "templates/field_text.h"
#include "templates/type_table.h"

namespace qn {

namespace {

// The parser's event types; every value is held as a JsonTree.
using Json = nlohmann::json;
using V = JsonValue;

// Bytes written before the open change is stored and a new one begun: what a change holds
// in memory stays small however large the database.
constexpr size_t kBytesPerChange = size_t(2) << 20;
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

// The member `key`, or none when there is none (read as null).
V Find(V object, const char* key) { return object.find(key); }
V Object(V v, const Path& at) {
  if (!v.is_object()) Refuse(at, "her skal det stå et objekt");
  return v;
}
V Array(V v, const Path& at) {
  if (!v.is_array()) Refuse(at, "her skal det stå en liste");
  return v;
}
std::string_view String(V v, const Path& at) {
  if (!v.is_string()) Refuse(at, "her skal det stå en tekst");
  return v.text();
}
int64_t Integer(V v, const Path& at, int64_t low, int64_t high) {
  if (!v.is_number_integer()) Refuse(at, "her skal det stå et heltall");
  const int64_t n = v.is_number_unsigned() && v.unsigned_() > uint64_t(INT64_MAX) ? INT64_MAX : v.integer();
  if (n < low || n > high)
    Refuse(at, "tallet " + std::to_string(n) + " ligger utenfor " + std::to_string(low) + ".." + std::to_string(high));
  return n;
}
int64_t IntegerOr(V object, const char* key, const Path& at, int64_t low, int64_t high, int64_t otherwise) {
  const V v = Find(object, key);
  return v ? Integer(v, at.Member(key), low, high) : otherwise;
}
std::vector<uint8_t> HexBytes(V v, const Path& at) {
  auto bytes = json_form::ParseHex(String(v, at));
  if (!bytes) Refuse(at, "her skal det stå heksadesimale sifre i par");
  return std::move(*bytes);
}

// A text in the file's code page; refused when a character has no byte there or it is longer.
std::string CodePageText(V v, const Path& at, size_t maxBytes) {
  const std::string_view text = String(v, at);
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

double Time(V object, const char* key, const Path& at) {
  const V v = Find(object, key);
  if (!v) return 0.0;
  const Path p = at.Member(key);
  Object(v, p);
  if (const V days = Find(v, "days")) {
    if (!days.is_number()) Refuse(p.Member("days"), "her skal det stå et tall");
    return days.real();
  }
  if (const V hex = Find(v, "hex")) {
    const std::vector<uint8_t> bytes = HexBytes(hex, p.Member("hex"));
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

// The blocks a record has written with it, and where each lies; 0 where it has none. What
// the first reading learns of a record, so the second can write it and its links at once.
struct Plan {
  int64_t parent = -1;     // the record whose sub-list holds it; -1 at the top
  int64_t slot = 0;        // its index in its list
  int64_t id = 0;
  int64_t templateId = -1;  // its "template" when that is a number
  bool deleted = false;    // in "deleted" rather than the tree
  bool subLast = false;    // "sub" is its last member: it is whole when its sub-list begins
  Position self = 0, up = 0, down = 0, left = 0, right = 0;
  Position name = 0, link = 0, note = 0, inherit = 0, data = 0;
  Position program = 0;             // a template's program block written with it
  const char* dataField = nullptr;  // the key the data block is written under
  int64_t inheritSize = -1;         // the payload of an inherited part written with it
  int64_t programSize = -1;         // the payload of a program block written with it
  int64_t dataSize = 0;             // a data payload's bytes known without a template
};

// The text of a dump, read from its first byte again for each reading.
class TextSource {
 public:
  virtual ~TextSource() = default;
  virtual void Rewind() = 0;
  // The next piece; empty at the end. Equal text gives equal pieces.
  virtual std::string_view Next() = 0;
};

class StringSource final : public TextSource {
 public:
  explicit StringSource(std::string_view text) : text_(text) {}
  void Rewind() override { given_ = false; }
  std::string_view Next() override {
    if (given_) return {};
    given_ = true;
    return text_;
  }

 private:
  std::string_view text_;
  bool given_ = false;
};

// A file read in pieces of 256 KiB, never past its bound.
struct ReadFault {
  std::string message;
};
class FileSource final : public TextSource {
 public:
  FileSource(BlockFile& file, std::string name, size_t limit) : file_(file), name_(std::move(name)), limit_(limit) {}
  void Rewind() override {
    if (const int error = file_.Seek(0); error != 0) Fail(error);
    read_ = 0;
  }
  std::string_view Next() override {
    size_t have = 0;
    while (have < buffer_.size()) {
      size_t got = 0;
      if (const int error = file_.Read(buffer_.data() + have, buffer_.size() - have, &got); error != 0) Fail(error);
      if (got == 0) break;
      have += got;
    }
    read_ += have;
    if (read_ > limit_)
      throw ReadFault{"Filen \"" + name_ + "\" kan ikke leses: den er lengre enn " + std::to_string(limit_) + " byte."};
    return std::string_view(buffer_.data(), have);
  }

 private:
  [[noreturn]] void Fail(int error) {
    throw ReadFault{"Filen \"" + name_ + "\" kan ikke leses: " + SystemErrorText(ErrnoOfErrorCode(error)) + "."};
  }
  BlockFile& file_;
  std::string name_;
  size_t limit_;
  size_t read_ = 0;
  std::vector<char> buffer_ = std::vector<char>(size_t(256) << 10);
};

// The characters of a source one by one for the JSON library's parser, with a hash of all
// of them, so the second reading can tell that it read what the first did.
class Reading {
 public:
  explicit Reading(TextSource& source) : source_(source) { source_.Rewind(); }

  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;
    Iterator() = default;
    explicit Iterator(Reading* reading) : reading_(reading) { Fill(); }
    const char& operator*() const { return *at_; }
    Iterator& operator++() {
      if (++at_ == end_) Fill();
      return *this;
    }
    bool operator==(const Iterator& other) const { return at_ == other.at_; }
    bool operator!=(const Iterator& other) const { return at_ != other.at_; }

   private:
    void Fill() {
      const std::string_view piece = reading_->source_.Next();
      reading_->hash_ = reading_->hash_ * 1099511628211u ^ std::hash<std::string_view>()(piece);
      at_ = piece.empty() ? nullptr : piece.data();
      end_ = piece.empty() ? nullptr : piece.data() + piece.size();
    }
    Reading* reading_ = nullptr;
    const char* at_ = nullptr;
    const char* end_ = nullptr;
  };

  Iterator begin() { return Iterator(this); }
  static Iterator end() { return Iterator(); }
  uint64_t Hash() const { return hash_; }

 private:
  TextSource& source_;
  uint64_t hash_ = 14695981039346656037u;
};

class Loader {
 public:
  Loader(tDataImageArk& db, const ExchangeProgress& progress) : db_(db), progress_(progress) {}

  // Reads the document twice: first to plan every record, then to write each.
  int64_t Run(TextSource& source) {
    try {
      Read(source, false);
      CheckTop();
    } catch (const InputFault&) {
      // A fault of the text as a whole, or of its kind, comes before one of a record.
      CheckWhole(source);
      throw;
    }
    Lay();
    const V header = Top("header");
    WriteHeader(header ? Object(header, Path{}.Member("header")) : header, Path{}.Member("header"));
    const uint64_t first = hash_;
    Read(source, true);
    if (hash_ != first || count_ != int64_t(plans_.size()) || nextWrite_ != count_) Changed();
    if (written_ + int64_t(buffer_.size()) != end_) Changed();
    Flush(true);
    return int64_t(plans_.size());
  }

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

  struct FileFault {};

  // The parser's events. Each goes to what the innermost open thing is: the document, a list
  // of records, a record (built as a tree, its sub-list left out), or another value.
  bool null() { return Scalar([](JsonTree& t) { t.Null(); }); }
  bool boolean(bool v) { return Scalar([v](JsonTree& t) { t.Boolean(v); }); }
  bool number_integer(Json::number_integer_t v) { return Scalar([v](JsonTree& t) { t.Integer(v); }); }
  bool number_unsigned(Json::number_unsigned_t v) { return Scalar([v](JsonTree& t) { t.Unsigned(v); }); }
  bool number_float(Json::number_float_t v, const Json::string_t&) { return Scalar([v](JsonTree& t) { t.Real(v); }); }
  bool string(Json::string_t& v) { return Scalar([&v](JsonTree& t) { t.String(v); }); }
  bool binary(Json::binary_t&) { return Scalar([](JsonTree& t) { t.Null(); }); }

  bool start_object(std::size_t) {
    if (frames_.empty()) {
      if (inTop_) return Open(JsonTree::Kind::kObject);
      if (topDone_) return false;
      inTop_ = true;
      return true;
    }
    Frame& f = frames_.back();
    if (f.kind == Frame::kList) {
      const int64_t i = BeginRecord(f);
      Frame record{Frame::kRecord};
      record.plan = i;
      record.value = Take();
      record.value->Open(JsonTree::Kind::kObject);
      frames_.push_back(std::move(record));
      return true;
    }
    return Open(JsonTree::Kind::kObject);
  }

  bool start_array(std::size_t) {
    if (frames_.empty() && inTop_ && (pendingKey_ == "records" || pendingKey_ == "deleted")) {
      const bool deleted = pendingKey_ == "deleted";
      pendingKey_.clear();
      frames_.push_back(Frame(Frame::kList));
      frames_.back().deleted = deleted;
      return true;
    }
    if (!frames_.empty()) {
      Frame& f = frames_.back();
      if (f.kind == Frame::kList) NotARecord(f);
      if (f.kind == Frame::kRecord && f.value->Depth() == 1 && f.subKey) {
        // The sub-list: its records come as records of their own.
        f.subKey = false;
        Plan& p = plans_[size_t(f.plan)];
        if (!second_ && p.deleted) Refuse(At(f.plan).Member("sub"), "en slettet post har ingen underliste");
        f.value->Open(JsonTree::Kind::kArray);
        f.value->Close();
        const int64_t parent = f.plan;
        if (second_ && p.subLast) {
          Ready(parent, *f.value);
          f.given = true;
        }
        frames_.push_back(Frame(Frame::kList));
        frames_.back().parent = parent;
        frames_.back().deleted = plans_[size_t(parent)].deleted;
        return true;
      }
    }
    return Open(JsonTree::Kind::kArray);
  }

  bool key(Json::string_t& k) {
    if (frames_.empty()) {
      if (!seenTop_.insert(k).second) Refuse(Path{}.Member(k.c_str()), "står to ganger");
      pendingKey_ = k;
      return true;
    }
    Frame& f = frames_.back();
    if (f.kind == Frame::kRecord && f.value->Depth() == 1) {
      if (f.subSeen && !second_) plans_[size_t(f.plan)].subLast = false;
      if (k == "sub") {
        f.subSeen = true;
        f.subKey = true;
        if (!second_) plans_[size_t(f.plan)].subLast = true;
      }
    }
    f.value->Key(k);
    return true;
  }

  bool end_object() {
    if (frames_.empty()) {
      topDone_ = true;
      inTop_ = false;
      return true;
    }
    Frame& f = frames_.back();
    f.value->Close();
    if (f.value->Depth() > 0) return true;
    if (f.kind == Frame::kRecord) {
      const int64_t i = f.plan;
      const bool given = f.given;
      std::unique_ptr<JsonTree> record = std::move(f.value);
      frames_.pop_back();
      if (!second_) {
        if (const auto twice = record->DuplicateAt()) throw InputFault{At(i).Text() + *twice + ": står to ganger"};
        Survey(i, record->Root());
      } else if (!given) {
        Ready(i, *record);
      }
      Give(std::move(record));
      return true;
    }
    return Close();
  }

  bool end_array() {
    Frame& f = frames_.back();
    if (f.kind == Frame::kList) {
      frames_.pop_back();
      return true;
    }
    f.value->Close();
    if (f.value->Depth() > 0) return true;
    return Close();
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
    throw InputFault{"$: ikke JSON (" + std::string(e.what()) + ")"};
  }

 private:
  struct Frame {
    enum Kind { kList, kRecord, kValue } kind;
    explicit Frame(Kind k) : kind(k) {}
    // kList: the record whose sub-list it is (-1 at the top), the next slot, the record before
    int64_t parent = -1;
    bool deleted = false;
    int64_t slot = 0;
    int64_t previous = -1;
    // kRecord: the record's plan; kRecord and kValue: the value being built
    int64_t plan = -1;
    std::unique_ptr<JsonTree> value;
    bool subKey = false;   // the key just given is the record's "sub"
    bool subSeen = false;
    bool given = false;    // written when its sub-list began
    std::string key;       // kValue of the document: its member
  };

  Path At(int64_t i) const { return Path{nullptr, nullptr, -1, this, i}; }

  [[noreturn]] static void Changed() { throw InputFault{"$: teksten ble endret mens den ble lest"}; }

  // A tree for the next value, with the memory of one let go of before.
  std::unique_ptr<JsonTree> Take() {
    if (spare_.empty()) return std::make_unique<JsonTree>();
    std::unique_ptr<JsonTree> tree = std::move(spare_.back());
    spare_.pop_back();
    return tree;
  }
  void Give(std::unique_ptr<JsonTree> tree) {
    tree->Clear();
    spare_.push_back(std::move(tree));
  }

  // A member of the document, whole or none.
  V Top(const char* key) const {
    auto it = top_.find(key);
    return it == top_.end() ? V() : it->second.Root();
  }

  void Read(TextSource& source, bool second) {
    second_ = second;
    frames_.clear();
    inTop_ = topDone_ = false;
    pendingKey_.clear();
    seenTop_.clear();
    count_ = 0;
    Reading reading(source);
    Json::sax_parse(reading.begin(), Reading::end(), this);
    hash_ = reading.Hash();
  }

  // A value that opens: in a list of records it is no record; in the document, a member.
  bool Open(JsonTree::Kind container) {
    if (frames_.empty()) {
      if (!inTop_) Refuse(Path{}, "her skal det stå et objekt");
      frames_.push_back(Frame(Frame::kValue));
      frames_.back().key = std::move(pendingKey_);
      frames_.back().value = Take();
      pendingKey_.clear();
    } else if (frames_.back().kind == Frame::kList) {
      NotARecord(frames_.back());
    }
    Frame& f = frames_.back();
    if (f.kind == Frame::kRecord && f.value->Depth() == 1) f.subKey = false;
    f.value->Open(container);
    return true;
  }

  template <typename Event>
  bool Scalar(const Event& event) {
    if (frames_.empty()) {
      if (!inTop_) Refuse(Path{}, "her skal det stå et objekt");
      Frame value{Frame::kValue};
      value.key = std::move(pendingKey_);
      value.value = Take();
      pendingKey_.clear();
      frames_.push_back(std::move(value));
      event(*frames_.back().value);
      return Close();
    }
    Frame& f = frames_.back();
    if (f.kind == Frame::kList) NotARecord(f);
    if (f.kind == Frame::kRecord && f.value->Depth() == 1) f.subKey = false;
    event(*f.value);
    return true;
  }

  // A member of the document is whole.
  bool Close() {
    Frame f = std::move(frames_.back());
    frames_.pop_back();
    const Path document;
    const Path at = document.Member(f.key.c_str());
    if (f.key == "records" || f.key == "deleted") Array(f.value->Root(), at);
    if (!second_) {
      if (const auto twice = f.value->DuplicateAt()) throw InputFault{at.Text() + *twice + ": står to ganger"};
      if (f.key == "format" || f.key == "version" || f.key == "header") {
        top_[f.key] = std::move(*f.value);
        f.value = std::make_unique<JsonTree>();
      }
    }
    Give(std::move(f.value));
    return true;
  }

  [[noreturn]] void NotARecord(Frame& list) {
    const int64_t i = BeginRecord(list);
    Refuse(At(i), "her skal det stå et objekt");
  }

  // The next record of `list`: its plan, made on the first reading and found on the second.
  int64_t BeginRecord(Frame& list) {
    const int64_t i = count_++;
    if (!second_) {
      plans_.push_back(Plan{});
      Plan& p = plans_.back();
      p.parent = list.parent;
      p.slot = list.slot;
      p.deleted = list.deleted;
      links_.push_back({list.previous, list.parent});
    } else if (i >= int64_t(plans_.size()) || plans_[size_t(i)].parent != list.parent ||
               plans_[size_t(i)].slot != list.slot || plans_[size_t(i)].deleted != list.deleted) {
      Changed();
    }
    ++list.slot;
    list.previous = i;
    return i;
  }

  // The document's own members: what it is and its version.
  void CheckTop() {
    const Path top;
    const V format = Top("format");
    if (!format.is_string() || format.text() != json_form::kFormatName)
      Refuse(top.Member("format"), "ikke en QuillNet-dump (\"" + std::string(json_form::kFormatName) + "\" ventet)");
    Integer(Top("version"), top.Member("version"), json_form::kFormatVersion, json_form::kFormatVersion);
  }

  // After a fault of a record on the first reading: the whole text read for what would
  // refuse it before any record (not JSON, not a dump, another version); that fault then.
  void CheckWhole(TextSource& source) {
    struct Whole : nlohmann::json_sax<Json> {
      int depth = 0;
      std::string member;
      bool object = false;
      std::map<std::string, JsonTree> top;
      // The document's "format" or "version" when the value begins at its top.
      JsonTree* Wanted() {
        if (depth != 1 || (member != "format" && member != "version")) return nullptr;
        JsonTree& tree = top[member];
        tree.Clear();
        return &tree;
      }
      bool Container() {
        if (JsonTree* t = Wanted()) {  // neither text nor number
          t->Open(JsonTree::Kind::kArray);
          t->Close();
        }
        ++depth;
        return true;
      }
      bool null() override {
        if (JsonTree* t = Wanted()) t->Null();
        return true;
      }
      bool boolean(bool v) override {
        if (JsonTree* t = Wanted()) t->Boolean(v);
        return true;
      }
      bool number_integer(number_integer_t v) override {
        if (JsonTree* t = Wanted()) t->Integer(v);
        return true;
      }
      bool number_unsigned(number_unsigned_t v) override {
        if (JsonTree* t = Wanted()) t->Unsigned(v);
        return true;
      }
      bool number_float(number_float_t v, const string_t&) override {
        if (JsonTree* t = Wanted()) t->Real(v);
        return true;
      }
      bool string(string_t& v) override {
        if (JsonTree* t = Wanted()) t->String(v);
        return true;
      }
      bool binary(binary_t&) override { return null(); }
      bool start_object(std::size_t) override {
        if (depth == 0) object = true;
        return Container();
      }
      bool key(string_t& k) override {
        if (depth == 1) member = k;
        return true;
      }
      bool end_object() override { return --depth, true; }
      bool start_array(std::size_t) override { return Container(); }
      bool end_array() override { return --depth, true; }
      bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
        throw InputFault{"$: ikke JSON (" + std::string(e.what()) + ")"};
      }
    } whole;
    Reading reading(source);
    Json::sax_parse(reading.begin(), Reading::end(), &whole);
    if (!whole.object) Refuse(Path{}, "her skal det stå et objekt");
    top_ = std::move(whole.top);
    CheckTop();
  }

  // The first reading's look at a whole record: its keys and id, and the blocks written
  // with it and their sizes.
  void Survey(int64_t i, V r) {
    const Path here = At(i);
    for (const V value : r.children())
      if (std::find_if(std::begin(kRecordKeys), std::end(kRecordKeys),
                       [&](const char* known) { return value.key() == known; }) == std::end(kRecordKeys))
        Refuse(here.Member(std::string(value.key()).c_str()), "en post har ingen slik nøkkel");
    const int64_t id = Integer(Find(r, "id"), here.Member("id"), 1, INT64_MAX);
    if (!ids_.emplace(id, i).second) Refuse(here.Member("id"), "id " + std::to_string(id) + " er brukt to ganger");
    Plan& p = plans_[size_t(i)];
    p.id = id;
    if (const V sub = Find(r, "sub")) {
      if (p.deleted) Refuse(here.Member("sub"), "en slettet post har ingen underliste");
      Array(sub, here.Member("sub"));
    }
    if (const V t = Find(r, "template"); t && t.is_number_integer()) p.templateId = t.integer();
    // Marks until Lay gives each block its Position.
    if (Inline(r, "name")) p.name = 1;
    if (Inline(r, "link")) p.link = 1;
    if (Inline(r, "note")) p.note = 1;
    if (Inline(r, "inherit")) p.inheritSize = PlainSize(r["inherit"], here.Member("inherit"));
    if (Inline(r, "value")) {
      p.dataField = "value";
    } else if (Inline(r, "definition")) {
      const Path d = here.Member("definition");
      const V rows = Array(Find(Object(r["definition"], d), "rows"), d.Member("rows"));
      if (rows.size() > 0xFFFF) Refuse(d.Member("rows"), "flere rader enn en mal kan ha");
      p.dataField = "definition";
      definitions_.emplace(i, DefinitionRows(r, d));
      if (const V program = Find(r["definition"], "program"); program && !IsReference(program))
        p.programSize = PlainSize(program, d.Member("program"));
    } else if (Inline(r, "index")) {
      p.dataField = "index";
    } else if (Inline(r, "data")) {
      p.dataField = "data";
      p.dataSize = DataSize(i, r);
    }
    if (progress_ && i % 4096 == 0 && !progress_(0, 0)) throw Stopped{};
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
      p.self = take(kPointerRecordSize, i);
      if (p.name != 0) p.name = take(kNameBlockSize, i);
      if (p.link != 0) p.link = take(kNameBlockSize, i);
      if (p.note != 0) p.note = take(kNoteBlockSize, i);
      if (p.inheritSize >= 0) p.inherit = take(kDataHeadSize + p.inheritSize, i);
      if (p.dataField == nullptr) continue;
      const std::string_view field = p.dataField;
      if (field == "value") {
        p.data = take(kNameBlockSize, i);
      } else if (field == "definition") {
        p.data = take(int64_t(TemplateBlockSize(uint32_t(definitions_.at(i).size()))), i);
      } else if (field == "index") {
        p.data = take(kDataHeadSize + kIndexNodeSize, i);
      } else {
        p.data = take(kDataHeadSize + p.dataSize + TextFieldsSize(i), i);
      }
      if (p.programSize >= 0) p.program = take(kDataHeadSize + p.programSize, i);
    }
    end_ = end;
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
    std::deque<std::pair<int64_t, int64_t>>().swap(links_);
  }

  // True when the record's key holds a block written with it (not a reference to another's).
  static bool Inline(V r, const char* key) {
    const V v = Find(r, key);
    return v && !IsReference(v);
  }
  static bool IsReference(V v) {
    return v.is_object() && (v.contains(json_form::kShared) || v.contains(json_form::kRecord));
  }

  int64_t PlainSize(V data, const Path& at) {
    Object(data, at);
    const V hex = Find(data, "hex");
    if (!hex) Refuse(at.Member("hex"), "bytene mangler");
    const std::string_view text = String(hex, at.Member("hex"));
    if (text.size() / 2 > size_t(INT32_MAX)) Refuse(at.Member("hex"), "for mange byte");
    return int64_t(text.size() / 2);
  }

  // The payload size of a record's "data": its bytes, or its fields' and the rest's; the
  // fields given only as text are counted once the templates are known (TextFieldsSize).
  int64_t DataSize(int64_t i, V r) {
    const Path root = At(i);
    const Path at = root.Member("data");
    const V data = Object(r["data"], at);
    if (!data.contains("fields")) return PlainSize(data, at);
    const V fields = Array(data["fields"], at.Member("fields"));
    int64_t size = 0;
    size_t f = 0;
    for (const V element : fields.children()) {
      const Path fp = at.Member("fields").Element(int64_t(f));
      const V field = Object(element, fp);
      if (const V hex = Find(field, "hex")) {
        size += int64_t(String(hex, fp.Member("hex")).size() / 2);
      } else {
        textFields_[i].push_back(int64_t(f));
      }
      ++f;
    }
    if (const V rest = Find(data, "rest")) size += int64_t(String(rest, at.Member("rest")).size() / 2);
    return size;
  }

  int64_t TextFieldsSize(int64_t i) {
    auto it = textFields_.find(i);
    if (it == textFields_.end()) return 0;
    const std::vector<TemplateField>* rows = Rows(i);
    int64_t size = 0;
    for (const int64_t f : it->second) {
      if (rows == nullptr || size_t(f) >= rows->size())
        Refuse(At(i).Member("data").Member("fields").Element(f).Member("hex"),
               "bytene mangler, og malen har ingen rad å lese teksten etter");
      size += (*rows)[size_t(f)].DataLength;
    }
    return size;
  }

  // The rows a data record's fields are laid out by: its template's own rows with bytes,
  // when the template is written with its rows and inherits none; nullptr otherwise.
  const std::vector<TemplateField>* Rows(int64_t i) {
    const int64_t ref = plans_[size_t(i)].templateId;
    if (ref < 0) return nullptr;
    auto found = ids_.find(ref);
    if (found == ids_.end()) return nullptr;
    auto rows = definitions_.find(found->second);
    if (rows == definitions_.end() ||
        std::any_of(rows->second.begin(), rows->second.end(), [](const TemplateField& f) { return f.DataType == 0; }))
      return nullptr;
    return &rows->second;
  }

  std::vector<TemplateField> DefinitionRows(V r, const Path& d) {
    const V rows = Array(Find(Object(r["definition"], d), "rows"), d.Member("rows"));
    std::vector<TemplateField> out;
    size_t k = 0;
    for (const V element : rows.children()) {
      const Path at = d.Member("rows").Element(int64_t(k++));
      const V row = Object(element, at);
      TemplateField f;
      f.Name = CodePageText(Find(row, "name"), at.Member("name"), kFieldNameMax);
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

  Position RecordRef(V r, const char* key, const Path& at) {
    const V v = Find(r, key);
    if (!v) return 0;
    return RecordOf(v, at.Member(key));
  }
  Position RecordOf(V v, const Path& at) {
    const int64_t id = Integer(v, at, 1, INT64_MAX);
    auto it = ids_.find(id);
    if (it == ids_.end()) Refuse(at, "ingen post har id " + std::to_string(id));
    return plans_[size_t(it->second)].self;
  }

  // The Position of the block under `key`: its own, or the one of the record it names.
  Position BlockOf(int64_t i, V r, const char* key, Position own) {
    const V v = Find(r, key);
    if (!v) return 0;
    if (own != 0) return own;
    const Path root = At(i);
    const Path at = root.Member(key);
    if (const V record = Find(v, json_form::kRecord)) return RecordOf(record, at.Member(json_form::kRecord));
    return SharedBlock(v, at, key);
  }

  // {"shared": id, "field": f}: the block that record writes under f (`key` when no field).
  Position SharedBlock(V v, const Path& at, const char* key) {
    const int64_t id = Integer(Find(v, json_form::kShared),
                               at.Member(json_form::kShared), 1, INT64_MAX);
    auto it = ids_.find(id);
    if (it == ids_.end()) Refuse(at.Member(json_form::kShared), "ingen post har id " + std::to_string(id));
    const std::string_view field =
        v.contains(json_form::kField) ? String(v[json_form::kField], at.Member(json_form::kField)) : std::string_view(key);
    const Plan& holder = plans_[size_t(it->second)];
    const Position block = field == "name" ? holder.name : field == "link" ? holder.link : field == "note" ? holder.note
                         : field == "inherit" ? holder.inherit : field == "program" ? holder.program
                         : holder.dataField != nullptr && field == holder.dataField ? holder.data : 0;
    if (block == 0) Refuse(at, "posten " + std::to_string(id) + " har ingen egen " + std::string(field) + " å dele");
    return block;
  }

  void WriteHeader(V header, const Path& at) {
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

  // A record of the second reading is whole: it is written when those before it are.
  void Ready(int64_t i, const JsonTree& r) {
    if (i != nextWrite_) {
      waiting_.emplace(i, r);
      return;
    }
    WriteRecord(i, r.Root());
    for (auto it = waiting_.find(++nextWrite_); it != waiting_.end(); it = waiting_.find(++nextWrite_)) {
      WriteRecord(it->first, it->second.Root());
      waiting_.erase(it);
    }
  }

  void WriteRecord(int64_t i, V r) {
    const Plan& p = plans_[size_t(i)];
    const Path at = At(i);
    if (!r.is_object() || Integer(Find(r, "id"), at.Member("id"), 1, INT64_MAX) != p.id) Changed();
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
    e.SetNameBlock(BlockOf(i, r, "name", p.name));
    e.SetLinkBlock(BlockOf(i, r, "link", p.link));
    e.SetNoteBlock(BlockOf(i, r, "note", p.note));
    e.SetInheritBlock(BlockOf(i, r, "inherit", p.inherit));
    Position data = 0;
    for (const char* key : {"value", "definition", "index", "data"})
      if (r.contains(key)) data = BlockOf(i, r, key, p.dataField != nullptr && std::strcmp(p.dataField, key) == 0 ? p.data : 0);
    if (r.contains("target")) data = RecordRef(r, "target", at);
    e.SetDataBlock(data);
    StampSignature(image);
    if (written_ + int64_t(buffer_.size()) != p.self) Changed();
    Append(image);

    if (p.name != 0) AppendNameBlock(CodePageText(r["name"], at.Member("name"), kNameMaxText), p.self);
    if (p.link != 0) AppendNameBlock(CodePageText(r["link"], at.Member("link"), kNameMaxText), p.self);
    if (p.note != 0) AppendNote(CodePageText(r["note"], at.Member("note"), kNoteTextSize), at.Member("note"));
    if (p.inherit != 0) AppendPlain(r["inherit"], at.Member("inherit"), {});
    if (p.data != 0) AppendData(i, r, at);
    const size_t next = size_t(i) + 1;
    if (written_ + int64_t(buffer_.size()) != (next < plans_.size() ? plans_[next].self : end_)) Changed();
    if (progress_ && i % 1024 == 0 && !progress_(i, int64_t(plans_.size()))) throw Stopped{};
  }

  void AppendData(int64_t i, V r, const Path& at) {
    const std::string field = plans_[size_t(i)].dataField;
    if (field == "value") {
      AppendNameBlock(CodePageText(r["value"], at.Member("value"), kNameMaxText), plans_[size_t(i)].self);
    } else if (field == "definition") {
      AppendDefinition(i, r, at.Member("definition"));
      if (plans_[size_t(i)].program != 0)
        AppendPlain(r["definition"]["program"], at.Member("definition").Member("program"), {});
    } else if (field == "index") {
      AppendIndex(Object(r["index"], at.Member("index")), at.Member("index"));
    } else {
      AppendPlain(r["data"], at.Member("data"), Payload(i, r));
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
  void AppendPlain(V data, const Path& at, std::optional<std::vector<uint8_t>> payload) {
    Object(data, at);
    if (!payload) payload = HexBytes(Find(data, "hex"), at.Member("hex"));
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
  std::optional<std::vector<uint8_t>> Payload(int64_t i, V r) {
    const V data = r["data"];
    if (!data.contains("fields")) return std::nullopt;
    const Path root = At(i);
    const Path at = root.Member("data");
    const std::vector<TemplateField>* rows = Rows(i);
    const V fields = data["fields"];
    if (rows != nullptr && fields.size() != rows->size())
      Refuse(at.Member("fields"), std::to_string(fields.size()) + " felt, malen har " +
                                      std::to_string(rows->size()));
    std::vector<uint8_t> payload;
    bool cut = false;
    size_t f = 0;
    for (const V field : fields.children()) {
      const Path fp = at.Member("fields").Element(int64_t(f));
      const TemplateField* row = rows != nullptr ? &(*rows)[f] : nullptr;
      ++f;
      if (row != nullptr) {
        const std::string name = CodePageText(Find(field, "name"),
                                              fp.Member("name"), kFieldNameMax);
        if (name != row->Name)
          Refuse(fp.Member("name"), "malens felt her er «" + Cp1252ToUtf8(row->Name) + "»");
      }
      std::vector<uint8_t> bytes;
      if (const V hex = Find(field, "hex")) {
        bytes = HexBytes(hex, fp.Member("hex"));
      } else {
        bytes.assign(row->DataLength, 0);
        const SaveResult saved = SaveFieldText(*row, String(Find(field, "text"),
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
    if (const V rest = Find(data, "rest")) {
      const std::vector<uint8_t> bytes = HexBytes(rest, at.Member("rest"));
      if (cut && !bytes.empty()) Refuse(at.Member("rest"), "byte etter et avkortet felt");
      payload.insert(payload.end(), bytes.begin(), bytes.end());
    }
    return payload;
  }

  // A template block: its header (the rows counted, the size of a data record, the linked
  // program's data block) and its rows.
  void AppendDefinition(int64_t i, V r, const Path& at) {
    const V definition = r["definition"];
    const std::vector<TemplateField> rows = DefinitionRows(r, at);
    TemplateHeader header;
    header.TotalSize = TemplateBlockSize(uint32_t(rows.size()));
    header.DataSize = int32_t(IntegerOr(definition, "dataSize", at, INT32_MIN, INT32_MAX, 0));
    header.FieldCount = uint16_t(rows.size());
    header.HasInherited = uint16_t(IntegerOr(definition, "hasInherited", at, 0, 0xFFFF, 0));
    if (const V program = Find(definition, "program"))
      header.ProgramData = plans_[size_t(i)].program != 0
                               ? plans_[size_t(i)].program
                               : SharedBlock(Object(program, at.Member("program")), at.Member("program"), "data");
    std::vector<uint8_t> block(header.TotalSize, 0);
    header.Encode(std::span<uint8_t, kTemplateHeaderSize>(block.data(), kTemplateHeaderSize));
    for (size_t k = 0; k < rows.size(); ++k)
      rows[k].Encode(std::span<uint8_t, kTemplateFieldSize>(block.data() + kTemplateHeaderSize + k * kTemplateFieldSize,
                                                             kTemplateFieldSize));
    Append(block);
  }

  void AppendIndex(V index, const Path& at) {
    tdataIndexRec node;
    node.Terminal = uint8_t(IntegerOr(index, "terminal", at, 0, 1, 0));
    node.Target = RecordRef(index, "target", at);
    const Path cp = at.Member("children");
    const V children = Find(index, "children");
    if (children) Array(children, cp);
    size_t k = 0;
    for (const V element : children.children()) {
      const Path ep = cp.Element(int64_t(k++));
      const V pair = Array(element, ep);
      if (pair.size() != 2) Refuse(ep, "her skal det stå [tegnkode, id]");
      const V first = *pair.children().begin();
      const V second = *++pair.children().begin();
      const int64_t code = Integer(first, ep.Element(0), 0, kIndexChildCount - 1);
      if (node.Children[size_t(code)] != 0) Refuse(ep.Element(0), "tegnkoden er brukt to ganger");
      node.Children[size_t(code)] = RecordOf(second, ep.Element(1));
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

  tDataImageArk& db_;
  const ExchangeProgress& progress_;
  // In pieces rather than one block: growing never copies what is there, and memory is
  // taken only as records come.
  std::deque<Plan> plans_;
  std::deque<std::pair<int64_t, int64_t>> links_;  // each record's previous record and parent, until Lay
  std::unordered_map<int64_t, int64_t> ids_;        // id -> record
  std::unordered_map<int64_t, std::vector<TemplateField>> definitions_;  // a template's rows, by record
  std::unordered_map<int64_t, std::vector<int64_t>> textFields_;  // a record's fields given only as text
  std::map<std::string, JsonTree> top_;  // the document's format, version and header
  Position topFirst_ = 0;
  int64_t end_ = 0;  // where the file ends when every record is in
  std::vector<uint8_t> buffer_;
  int64_t written_ = kPointerRecordSize;
  size_t sinceCommit_ = 0;
  // The reading under way.
  bool second_ = false;
  std::vector<Frame> frames_;
  bool inTop_ = false, topDone_ = false;
  std::string pendingKey_;
  int64_t count_ = 0;   // records begun
  uint64_t hash_ = 0;   // of the text the last reading read
  int64_t nextWrite_ = 0;
  std::map<int64_t, JsonTree> waiting_;  // whole records of the second reading written after others
  std::vector<std::unique_ptr<JsonTree>> spare_;  // trees let go of, for the next values
  std::set<std::string> seenTop_;  // the document's keys so far
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

namespace {

LoadResult LoadFrom(const std::shared_ptr<FileSystem>& files, TextSource& source, const std::string& newFile,
                    const ExchangeProgress& progress) {
  LoadResult result;
  if (files->KindOf(newFile) != EntryKind::kNone) {
    result.message = newFile + ": finnes fra før";
    return result;
  }
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
        result.records = loader.Run(source);
        error = db.EndChange();
      } catch (const InputFault& fault) {
        db.AbandonChange();
        result.inputFault = true;
        result.message = fault.message;
      } catch (const ReadFault& fault) {
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

}  // namespace

LoadResult LoadDatabase(const std::shared_ptr<FileSystem>& files, std::string_view json, const std::string& newFile,
                        const ExchangeProgress& progress) {
  StringSource source(json);
  return LoadFrom(files, source, newFile, progress);
}

LoadResult LoadDatabaseFile(const std::shared_ptr<FileSystem>& files, const std::string& input,
                            const std::string& newFile, const ExchangeProgress& progress) {
  LoadResult result;
  const auto refused = [&](const std::string& why) {
    result.message = "Filen \"" + input + "\" kan ikke leses: " + why + ".";
    return result;
  };
  std::unique_ptr<BlockFile> file;
  if (const int error = DiskFileSystem()->Open(input, true, &file); error != 0) {
    if (error == ErrorCodeFromErrno(EISDIR, false)) return refused("det er en mappe");
    if (error == ErrorCodeFromErrno(EINVAL, false)) return refused("det er ikke en vanlig fil");
    return refused(SystemErrorText(ErrnoOfErrorCode(error)));
  }
  if (file->Size() > int64_t(kDumpInputLimit))
    return refused("den er lengre enn " + std::to_string(kDumpInputLimit) + " byte");
  FileSource source(*file, input, kDumpInputLimit);
  result = LoadFrom(files, source, newFile, progress);
  file->Close();
  return result;
}

}  // namespace qn
