// A set of Positions for the walks that visit a whole tree (search, check, listing): it
// lets them step over a record they have already seen, so a damaged file whose pointers
// run in a cycle, or a list reachable from two places, is visited once and never loops.
// Only Positions greater than 0 are held; 0 marks an empty slot.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "env/zeroed_memory.h"
#include "store/format.h"

namespace qn {

class PositionSet {
 public:
  explicit PositionSet(size_t expected = 1024) {
    size_t cap = 64;
    shift_ = 58;
    while (cap < expected * 2) {
      cap *= 2;
      --shift_;
    }
    slots_.assign(cap, 0);
  }

  // Adds p (> 0); true when it was not there before.
  bool Insert(Position p) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    size_t i = Slot(p);
    while (slots_[i] != 0) {
      if (slots_[i] == p) return false;
      i = (i + 1) & (slots_.size() - 1);
    }
    slots_[i] = p;
    ++count_;
    return true;
  }

  bool Contains(Position p) const {
    size_t i = Slot(p);
    while (slots_[i] != 0) {
      if (slots_[i] == p) return true;
      i = (i + 1) & (slots_.size() - 1);
    }
    return false;
  }

  size_t size() const { return count_; }
  size_t capacity() const { return slots_.size(); }
  // Empties the set and keeps its room.
  void clear() {
    if (count_ > 0) std::fill(slots_.begin(), slots_.end(), 0);
    count_ = 0;
  }

 private:
  size_t Slot(Position p) const {
    // The records of one 4 KiB page of the file share a group of 16 slots (one cache
    // line), the pages' groups spread by a multiplicative hash: a walk that meets records
    // in the order of the file touches one line of the set per page, not one per record.
    const uint64_t page = uint64_t(uint32_t(p)) >> 12;
    const size_t group = size_t((page * 0x9E3779B97F4A7C15ull) >> shift_);
    return (group ^ ((uint32_t(p) >> 8) & 15)) & (slots_.size() - 1);
  }
  void Grow() {
    std::vector<Position> old;
    old.swap(slots_);
    slots_.assign(old.size() * 2, 0);
    --shift_;
    count_ = 0;
    for (Position p : old)
      if (p != 0) Insert(p);
  }

  std::vector<Position> slots_;
  size_t count_ = 0;
  int shift_ = 58;  // 64 - log2(slots_.size())
};

// The records a walk over one file has visited, by where they lie: a pointer record takes
// 256 bytes, so records that do not overlap begin in different 256-byte pieces of the file,
// and one entry per piece says which Position in it was visited. A Position whose piece
// already holds another (records that overlap, in a damaged file) or that lies past the
// size given is kept in an exact set beside it. Its room is two bytes per 256 bytes of the
// file, made once, whatever the walk visits.
class RecordSet {
 public:
  explicit RecordSet(int64_t fileSize = 0) { Reset(fileSize); }

  // Adds p (> 0); true when it was not there before.
  bool Insert(Position p) {
    const size_t piece = size_t(uint32_t(p)) >> 8;
    const uint16_t mark = uint16_t(0x100 | (uint32_t(p) & 0xFF));
    if (piece < pieces_.size()) {
      uint16_t& held = pieces_[piece];
      if (held == 0) {
        held = mark;
        return true;
      }
      if (held == mark) return false;
    }
    return others_.Insert(p);
  }

  // Empties the set for a walk over a file of `fileSize` bytes, keeping its room when it
  // is large enough.
  void Reset(int64_t fileSize) {
    const size_t pieces = size_t(std::max<int64_t>(fileSize, 0) >> 8) + 1;
    if (pieces > pieces_.size()) {
      pieces_ = ZeroedArray<uint16_t>(pieces);
    } else {
      std::fill(pieces_.begin(), pieces_.end(), 0);
    }
    others_.clear();
  }
  // The bytes it holds.
  size_t Room() const { return pieces_.size() * sizeof(uint16_t) + others_.capacity() * sizeof(Position); }

 private:
  ZeroedArray<uint16_t> pieces_;
  PositionSet others_{16};
};

}  // namespace qn
