// A JSON value held as one flat list of nodes, built from a parser's events and cleared for
// the next value with its memory kept: the load builds each record of a dump this way, so
// a record costs no allocation of its own once the first few have been read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qn {

class JsonTree;

// One value of a tree, or none (a member that is not there). Cheap to copy; valid while
// its tree is neither changed nor cleared.
class JsonValue {
 public:
  JsonValue() = default;

  bool present() const { return tree_ != nullptr; }
  explicit operator bool() const { return present(); }
  bool is_object() const;
  bool is_array() const;
  bool is_string() const;
  bool is_number() const;
  bool is_number_integer() const;  // a whole number, signed or not
  bool is_number_unsigned() const;
  int64_t integer() const { return NumberAs<int64_t>(); }     // as signed (an unsigned one wraps)
  uint64_t unsigned_() const { return NumberAs<uint64_t>(); }  // as unsigned
  double real() const { return NumberAs<double>(); }
  std::string_view text() const;  // a string's bytes; empty for anything else
  // The name it stands under in the object holding it; empty in an array or at the top.
  std::string_view key() const;

  // Members or elements; 0 for anything else.
  size_t size() const;
  // The member named `name` of an object; none when it is not an object or has no such member.
  JsonValue find(std::string_view name) const;
  bool contains(std::string_view name) const { return find(name).present(); }
  JsonValue operator[](std::string_view name) const { return find(name); }

  // Its members or elements in the order of the text.
  class Iterator {
   public:
    JsonValue operator*() const;
    Iterator& operator++();
    bool operator==(const Iterator& other) const { return at_ == other.at_; }

   private:
    friend class JsonValue;
    Iterator(const JsonTree* tree, uint32_t at) : tree_(tree), at_(at) {}
    const JsonTree* tree_;
    uint32_t at_;
  };
  struct Children {
    Iterator first, last;
    Iterator begin() const { return first; }
    Iterator end() const { return last; }
  };
  Children children() const;


 private:
  friend class JsonTree;
  // Any number converted to T; 0 for anything else.
  template <class T>
  T NumberAs() const;
  JsonValue(const JsonTree* tree, uint32_t node) : tree_(tree), node_(node) {}
  const JsonTree* tree_ = nullptr;
  uint32_t node_ = 0;
};

class JsonTree {
 public:
  enum class Kind : uint8_t { kNull, kBoolean, kInteger, kUnsigned, kReal, kString, kObject, kArray };

  // Empties the tree for the next value and keeps its memory.
  void Clear();

  // The parser's events, in the order of the text. A value inside an object follows its
  // Key. A key that an object already has is kept and remembered (DuplicateAt).
  void Null();
  void Boolean(bool v);
  void Integer(int64_t v);
  void Unsigned(uint64_t v);
  void Real(double v);
  void String(std::string_view v);
  void Open(Kind container);  // kObject or kArray
  void Close();
  void Key(std::string_view name);

  // Containers open; 0 once the value is whole.
  size_t Depth() const { return open_.size(); }
  // The whole value; none before its first event.
  JsonValue Root() const { return nodes_.empty() ? JsonValue() : JsonValue(this, 0); }
  // Where the first key given twice in one object stands below the root, as ".data.fields[2].hex";
  // nullopt when there is none.
  std::optional<std::string> DuplicateAt() const;

 private:
  friend class JsonValue;
  struct Node {
    Kind kind = Kind::kNull;
    uint32_t end = 0;    // one past its last descendant; kOpen while a container is open
    uint32_t count = 0;  // members or elements
    uint32_t keyLength = 0;
    size_t key = 0;      // where its member name stands in text_
    size_t text = 0;     // a string's bytes in text_
    size_t length = 0;
    union {
      int64_t integer;
      uint64_t unsignedValue;
      double real;
    } number{};
  };
  static constexpr uint32_t kOpen = UINT32_MAX;
  Node& Add(Kind kind);
  // One past the node's last descendant: for a container still open, the nodes so far.
  uint32_t EndOf(uint32_t node) const {
    return nodes_[node].end == kOpen ? uint32_t(nodes_.size()) : nodes_[node].end;
  }
  std::string_view KeyOf(const Node& n) const { return std::string_view(text_).substr(n.key, n.keyLength); }

  std::vector<Node> nodes_;
  std::string text_;             // the strings and member names, one after another
  std::vector<uint32_t> open_;   // the containers open, outermost first
  size_t pendingKey_ = 0;
  uint32_t pendingKeyLength_ = 0;
  bool haveKey_ = false;
  // The first repeated key: the object and the key's bytes.
  std::optional<std::pair<uint32_t, std::string>> duplicate_;
};

}  // namespace qn
