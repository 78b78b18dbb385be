// The cursor. Every read and change of the tree goes through it; it holds the 256-byte
// image of the current record. After any operation the neighbours' up/down/left/right
// links agree with each other, and every record it stores carries its own Position, the
// size 256 and the signature.
#pragma once

#include <array>
#include <cstdint>

#include "engine/format.h"

namespace qn {

class tDataImageArk;

class Datapointer {
 public:
  explicit Datapointer(tDataImageArk& database);

  // Reads the 256 bytes at `position` into the current record; the ReadBlock result.
  int32_t Load(Position position);
  // The current record's own Position.
  Position CurrentPosition() const;

  // (The walks, the structure operations and the field accessors are declared here by
  // the cursor's implementation.)

 private:
  tDataImageArk& database_;
  std::array<uint8_t, kPointerRecordSize> current_{};
};

}  // namespace qn
