#include "store/page_cache.h"

#include <algorithm>
#include <cstring>

namespace qn {

PageCache::PageCache(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {
  index_.reserve(capacity_);
  // Address space only: the pages are touched as they are filled.
  slots_.reserve(capacity_);
  bytes_.reserve(capacity_);
}

const uint8_t* PageCache::Find(int64_t page, size_t* length) {
  // The page read last is asked for most often: no lookup and no relinking for it.
  if (newest_ >= 0 && slots_[size_t(newest_)].page == page) {
    *length = slots_[size_t(newest_)].length;
    return bytes_[size_t(newest_)].data();
  }
  const auto it = index_.find(page);
  if (it == index_.end()) return nullptr;
  const int32_t slot = it->second;
  Unlink(slot);
  LinkNewest(slot);
  *length = slots_[size_t(slot)].length;
  return bytes_[size_t(slot)].data();
}

void PageCache::Put(int64_t page, const uint8_t* bytes, size_t length) {
  length = std::min<size_t>(length, kPageSize);
  if (length == 0) return;
  int32_t slot;
  if (const auto it = index_.find(page); it != index_.end()) {
    slot = it->second;
    Unlink(slot);
  } else {
    slot = TakeSlot();
    index_.emplace(page, slot);
  }
  slots_[size_t(slot)].page = page;
  slots_[size_t(slot)].length = length;
  std::memcpy(bytes_[size_t(slot)].data(), bytes, length);
  LinkNewest(slot);
}

void PageCache::Write(int64_t position, const uint8_t* bytes, size_t count) {
  if (count == 0 || index_.empty() || position < 0) return;
  const int64_t end = position + int64_t(count);
  for (int64_t page = position / kPageSize; page * kPageSize < end; ++page) {
    const auto it = index_.find(page);
    if (it == index_.end()) continue;
    Slot& slot = slots_[size_t(it->second)];
    const int64_t pageStart = page * kPageSize;
    const size_t from = size_t(std::max(position, pageStart) - pageStart);
    const size_t to = size_t(std::min(end, pageStart + kPageSize) - pageStart);
    if (from > slot.length) {
      // The bytes between the page's known end and the write are not known here.
      Drop(it->second);
      continue;
    }
    std::memcpy(bytes_[size_t(it->second)].data() + from, bytes + (pageStart + int64_t(from) - position),
                to - from);
    slot.length = std::max(slot.length, to);
  }
}

void PageCache::Clear() {
  index_.clear();
  slots_.clear();
  bytes_.clear();
  free_.clear();
  newest_ = oldest_ = -1;
}

void PageCache::Unlink(int32_t slot) {
  Slot& s = slots_[size_t(slot)];
  if (s.newer >= 0) slots_[size_t(s.newer)].older = s.older; else newest_ = s.older;
  if (s.older >= 0) slots_[size_t(s.older)].newer = s.newer; else oldest_ = s.newer;
  s.newer = s.older = -1;
}

void PageCache::LinkNewest(int32_t slot) {
  Slot& s = slots_[size_t(slot)];
  s.newer = -1;
  s.older = newest_;
  if (newest_ >= 0) slots_[size_t(newest_)].newer = slot;
  newest_ = slot;
  if (oldest_ < 0) oldest_ = slot;
}

void PageCache::Drop(int32_t slot) {
  Unlink(slot);
  index_.erase(slots_[size_t(slot)].page);
  slots_[size_t(slot)].page = -1;
  slots_[size_t(slot)].length = 0;
  free_.push_back(slot);
}

int32_t PageCache::TakeSlot() {
  if (!free_.empty()) {
    const int32_t slot = free_.back();
    free_.pop_back();
    return slot;
  }
  if (slots_.size() < capacity_) {
    slots_.emplace_back();
    bytes_.emplace_back();
    return int32_t(slots_.size() - 1);
  }
  const int32_t slot = oldest_;
  Drop(slot);
  free_.pop_back();
  return slot;
}

}  // namespace qn
