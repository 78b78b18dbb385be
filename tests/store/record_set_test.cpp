#include <gtest/gtest.h>

#include "store/position_set.h"

using namespace qn;

namespace {

// A small file's set lives on the heap, a large one's in pages of its own: either way each
// Position is new once, two records in one 256-byte piece are both held, and a reset
// forgets them all.
TEST(RecordSetTest, EachPositionIsNewOnceInASmallOrLargeFileAndAResetForgetsThem) {
  for (const int64_t fileSize : {int64_t(4096), int64_t(64) << 20}) {
    SCOPED_TRACE(fileSize);
    RecordSet set(fileSize);
    for (int round = 0; round < 2; ++round) {
      for (Position p = 256; p < fileSize; p += Position(fileSize / 64)) {
        EXPECT_TRUE(set.Insert(p));
        EXPECT_TRUE(set.Insert(p + 104));  // the same piece
        EXPECT_FALSE(set.Insert(p));
        EXPECT_FALSE(set.Insert(p + 104));
      }
      EXPECT_TRUE(set.Insert(Position(fileSize + 1000)));  // past the file: held too
      EXPECT_FALSE(set.Insert(Position(fileSize + 1000)));
      set.Reset(fileSize);
    }
  }
}

}  // namespace
