#include "exchange/json_tree.h"

#include <cstring>

namespace qn {

namespace {
using Kind = JsonTree::Kind;
}

// ---------------------------------------------------------------------------------------
// The tree

void JsonTree::Clear() {
  nodes_.clear();
  text_.clear();
  open_.clear();
  haveKey_ = false;
  duplicate_.reset();
}

JsonTree::Node& JsonTree::Add(Kind kind) {
  const uint32_t at = uint32_t(nodes_.size());
  Node& n = nodes_.emplace_back();
  n.kind = kind;
  n.end = at + 1;
  if (!open_.empty()) ++nodes_[open_.back()].count;
  if (haveKey_) {
    n.key = pendingKey_;
    n.keyLength = pendingKeyLength_;
    haveKey_ = false;
  }
  return n;
}

void JsonTree::Null() { Add(Kind::kNull); }
void JsonTree::Boolean(bool) { Add(Kind::kBoolean); }  // only its kind is ever asked
void JsonTree::Integer(int64_t v) { Add(Kind::kInteger).number.integer = v; }
void JsonTree::Unsigned(uint64_t v) { Add(Kind::kUnsigned).number.unsignedValue = v; }
void JsonTree::Real(double v) { Add(Kind::kReal).number.real = v; }

void JsonTree::String(std::string_view v) {
  const size_t at = text_.size();
  text_.append(v);
  Node& n = Add(Kind::kString);
  n.text = at;
  n.length = v.size();
}

void JsonTree::Open(Kind container) {
  Add(container).end = kOpen;
  open_.push_back(uint32_t(nodes_.size() - 1));
}

void JsonTree::Close() {
  if (open_.empty()) return;
  nodes_[open_.back()].end = uint32_t(nodes_.size());
  open_.pop_back();
}

void JsonTree::Key(std::string_view name) {
  if (!duplicate_ && !open_.empty()) {
    // The members so far are whole: each one's end is known.
    const uint32_t object = open_.back();
    for (uint32_t m = object + 1; m < nodes_.size(); m = EndOf(m)) {
      const Node& member = nodes_[m];
      if (member.keyLength == name.size() && KeyOf(member) == name) {
        duplicate_.emplace(object, std::string(name));
        break;
      }
    }
  }
  pendingKey_ = text_.size();
  pendingKeyLength_ = uint32_t(name.size());
  text_.append(name);
  haveKey_ = true;
}

std::optional<std::string> JsonTree::DuplicateAt() const {
  if (!duplicate_) return std::nullopt;
  const uint32_t target = duplicate_->first;
  std::string path;
  uint32_t at = 0;
  while (at != target && at < nodes_.size()) {
    const Node& container = nodes_[at];
    const uint32_t end = EndOf(at);
    size_t index = 0;
    uint32_t child = at + 1;
    while (child < end && EndOf(child) <= target) {
      child = EndOf(child);
      ++index;
    }
    if (child >= end) break;
    if (container.kind == Kind::kObject) {
      path += '.';
      path += KeyOf(nodes_[child]);
    } else {
      path += '[' + std::to_string(index) + ']';
    }
    at = child;
  }
  return path + "." + duplicate_->second;
}

// ---------------------------------------------------------------------------------------
// A value of it

bool JsonValue::is_object() const { return present() && tree_->nodes_[node_].kind == Kind::kObject; }
bool JsonValue::is_array() const { return present() && tree_->nodes_[node_].kind == Kind::kArray; }
bool JsonValue::is_string() const { return present() && tree_->nodes_[node_].kind == Kind::kString; }
bool JsonValue::is_number_integer() const {
  return present() && (tree_->nodes_[node_].kind == Kind::kInteger || tree_->nodes_[node_].kind == Kind::kUnsigned);
}
bool JsonValue::is_number_unsigned() const { return present() && tree_->nodes_[node_].kind == Kind::kUnsigned; }
bool JsonValue::is_number() const { return is_number_integer() || (present() && tree_->nodes_[node_].kind == Kind::kReal); }
template <class T>
T JsonValue::NumberAs() const {
  if (!present()) return T(0);
  const auto& n = tree_->nodes_[node_];
  switch (n.kind) {
    case Kind::kInteger: return T(n.number.integer);
    case Kind::kUnsigned: return T(n.number.unsignedValue);
    case Kind::kReal: return T(n.number.real);
    default: return T(0);
  }
}
template int64_t JsonValue::NumberAs<int64_t>() const;
template uint64_t JsonValue::NumberAs<uint64_t>() const;
template double JsonValue::NumberAs<double>() const;

std::string_view JsonValue::text() const {
  if (!is_string()) return {};
  const auto& n = tree_->nodes_[node_];
  return std::string_view(tree_->text_).substr(n.text, n.length);
}

std::string_view JsonValue::key() const {
  return present() ? tree_->KeyOf(tree_->nodes_[node_]) : std::string_view();
}

size_t JsonValue::size() const {
  return is_object() || is_array() ? tree_->nodes_[node_].count : 0;
}

JsonValue JsonValue::find(std::string_view name) const {
  if (!is_object()) return {};
  const auto& nodes = tree_->nodes_;
  for (uint32_t m = node_ + 1, end = tree_->EndOf(node_); m < end; m = tree_->EndOf(m))
    if (nodes[m].keyLength == name.size() && tree_->KeyOf(nodes[m]) == name) return JsonValue(tree_, m);
  return {};
}

JsonValue::Children JsonValue::children() const {
  if (!is_object() && !is_array()) return Children{Iterator(tree_, 0), Iterator(tree_, 0)};
  return Children{Iterator(tree_, node_ + 1), Iterator(tree_, tree_->EndOf(node_))};
}

JsonValue JsonValue::Iterator::operator*() const { return JsonValue(tree_, at_); }

JsonValue::Iterator& JsonValue::Iterator::operator++() {
  at_ = tree_->EndOf(at_);
  return *this;
}

}  // namespace qn
