// Memory that comes zeroed from the system, its pages made present in one call rather than
// one fault at a time as they are first touched: for a large table that is about to be
// used whole (the set of records a walk has visited), where taking the pages one by one
// costs more than filling them.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

namespace qn {

// `bytes` zeroed bytes, or nullptr when the system has none to give; released with
// ReleaseZeroed(p, bytes).
void* TakeZeroed(size_t bytes);
void ReleaseZeroed(void* p, size_t bytes);

// An array of `count` zeroed elements of a type that zero bytes make a value of.
template <class T>
class ZeroedArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  ZeroedArray() = default;
  explicit ZeroedArray(size_t count) : data_(static_cast<T*>(TakeZeroed(count * sizeof(T)))) {
    size_ = data_ != nullptr ? count : 0;
  }
  ZeroedArray(ZeroedArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  ZeroedArray& operator=(ZeroedArray&& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    return *this;
  }
  ZeroedArray(const ZeroedArray&) = delete;
  ZeroedArray& operator=(const ZeroedArray&) = delete;
  ~ZeroedArray() { ReleaseZeroed(data_, size_ * sizeof(T)); }

  size_t size() const { return size_; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }

 private:
  T* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace qn
