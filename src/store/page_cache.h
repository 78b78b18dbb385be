// The pages of a file a database object has read: aligned 4 KiB pages, at most a fixed
// number of them, the least recently used one given up first. A page holds the bytes the
// file had there when it was read, up to the end of the file (the last page may be
// short). The cache knows nothing of the file: its owner keeps it equal to the file by
// passing on every write (Write) and by emptying it (Clear) whenever it cannot.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qn {

class PageCache {
 public:
  static constexpr int64_t kPageSize = 4096;
  // 8 MiB: a walk through lists whose records lie far apart finds the pages it read for
  // one list again when it comes to the next.
  static constexpr size_t kDefaultPages = 2048;

  explicit PageCache(size_t capacity = kDefaultPages);

  // The bytes of `page` and how many of them are known (1..kPageSize), making it the most
  // recently used page; nullptr when the page is not held.
  const uint8_t* Find(int64_t page, size_t* length);
  bool Contains(int64_t page) const { return index_.count(page) > 0; }
  // Holds `length` (1..kPageSize) bytes as the start of `page`, in place of what it held.
  void Put(int64_t page, const uint8_t* bytes, size_t length);
  // `count` bytes were written at `position`: the pages that hold any of them take them; a
  // page the write would leave with unknown bytes before them (written past its known end)
  // is given up.
  void Write(int64_t position, const uint8_t* bytes, size_t count);
  void Clear();

  size_t Pages() const { return index_.size(); }
  size_t Capacity() const { return capacity_; }

 private:
  struct Slot {
    int64_t page = -1;
    size_t length = 0;
    int32_t newer = -1;  // towards the most recently used
    int32_t older = -1;
  };

  void Unlink(int32_t slot);
  void LinkNewest(int32_t slot);
  void Drop(int32_t slot);
  int32_t TakeSlot();

  size_t capacity_;
  std::vector<Slot> slots_;
  std::vector<std::array<uint8_t, kPageSize>> bytes_;  // grows with the slots in use
  std::vector<int32_t> free_;
  std::unordered_map<int64_t, int32_t> index_;
  int32_t newest_ = -1;
  int32_t oldest_ = -1;
};

}  // namespace qn
