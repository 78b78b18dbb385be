#include "commands/list_place.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/list_fixture.h"

namespace qn {
namespace {

class ListPlaceTest : public test::ListFixture {
 protected:
  // A sub-list of `n` named records under a new top-level line; their Positions.
  std::vector<Position> LongList(int n) {
    dp().Load(0);
    AddNamed(*db, DirDown, "Liste");
    std::vector<Position> out;
    for (int i = 0; i < n; ++i) out.push_back(AddNamed(*db, i == 0 ? DirRight : DirDown, "R" + std::to_string(i)));
    return out;
  }
  // The length and index a walk from the head gives, and the record at `index`; the
  // cursor stays.
  ListMeasure Recount() {
    ListPlace fresh;
    return fresh.Measure(*db);
  }
  uint64_t Reads() const { return db->Counters().blockReads; }
};

TEST_F(ListPlaceTest, MovesNearKnownRecordsWalkOnlyThereAndEveryResultEqualsACount) {
  const auto list = LongList(2000);
  ListPlace place;
  dp().Load(list[1000]);
  ListMeasure m = place.Measure(*db);
  EXPECT_TRUE(place.LastCounted());
  EXPECT_EQ(m.count, 2000);
  EXPECT_EQ(m.currentIndex, 1000);
  // A paint learns the rows it shows; moves near them cost a few reads.
  for (int i = 980; i <= 1000; ++i) place.Learn(list[size_t(i)], i);
  for (int target : {1001, 1005, 990, 1200, 1999, 0, 1}) {
    dp().Load(list[size_t(target)]);
    const uint64_t before = Reads();
    m = place.Measure(*db);
    EXPECT_FALSE(place.LastCounted()) << target;
    EXPECT_LE(Reads() - before, uint64_t(2 * ListPlace::kReach + 4)) << target;
    EXPECT_EQ(m.currentIndex, target);
    EXPECT_EQ(m.count, 2000);
    EXPECT_EQ(dp().CurrentPosition(), list[size_t(target)]);
  }
  // A jump far from anything known counts.
  dp().Load(list[1600]);
  EXPECT_EQ(place.Measure(*db).currentIndex, 1600);
  EXPECT_TRUE(place.LastCounted());
  // The first shown record is reached from the nearest known one.
  bool inBlock = true;
  const uint64_t before = Reads();
  ASSERT_TRUE(place.GoToIndex(*db, 1590, &inBlock));
  EXPECT_EQ(dp().CurrentPosition(), list[1590]);
  EXPECT_FALSE(inBlock);
  EXPECT_LE(Reads() - before, 12u);
  EXPECT_FALSE(place.GoToIndex(*db, 2000, &inBlock));
}

TEST_F(ListPlaceTest, AWriteAnotherListOrNewBlockMarksMakeItCountAgain) {
  const auto list = LongList(300);
  ListPlace place;
  dp().Load(list[100]);
  place.Measure(*db);
  // A new record below the cursor: the list has grown.
  {
    ChangeScope change(*db);
    AddNamed(*db, DirDown, "Ny");
  }
  const Position added = dp().CurrentPosition();
  ListMeasure m = place.Measure(*db);
  EXPECT_TRUE(place.LastCounted());
  EXPECT_EQ(m.count, 301);
  EXPECT_EQ(m.currentIndex, 101);
  EXPECT_EQ(m.count, Recount().count);
  // Another list.
  dp().Load(0);
  m = place.Measure(*db);
  EXPECT_TRUE(place.LastCounted());
  EXPECT_EQ(m.currentIndex, Recount().currentIndex);
  // Block marks: which rows are in the block is what a walk down from the head says.
  dp().Load(added);
  dp().SetBlockStart(list[99]);
  dp().SetBlockEnd(list[102]);
  place.Measure(*db);
  EXPECT_TRUE(place.LastCounted());
  for (int index : {0, 98, 99, 100, 101, 102, 103, 104, 300}) {
    bool inBlock = false;
    ASSERT_TRUE(place.GoToIndex(*db, index, &inBlock));
    const Position at = dp().CurrentPosition();
    ASSERT_EQ(dp().GoToIndex(index + 1), 0);
    EXPECT_EQ(dp().CurrentPosition(), at) << index;
    EXPECT_EQ(inBlock, dp().InBlock()) << index;
  }
}

TEST_F(ListPlaceTest, TheFileHeaderHeadsTheTopLevelListOnlyWhileTheCursorIsOnIt) {
  dp().Load(0);
  for (int i = 0; i < 400; ++i) AddNamed(*db, DirDown, "T" + std::to_string(i));
  ListPlace place;
  dp().Load(0);
  ListMeasure m = place.Measure(*db);
  EXPECT_EQ(m.count, 401);
  EXPECT_EQ(m.currentIndex, 0);
  ASSERT_EQ(dp().GoDown(), 0);
  ASSERT_EQ(dp().GoDown(), 0);
  m = place.Measure(*db);
  EXPECT_TRUE(place.LastCounted());
  EXPECT_EQ(m.count, 400);
  EXPECT_EQ(m.currentIndex, 1);
  ASSERT_EQ(dp().GoDown(), 0);
  m = place.Measure(*db);
  EXPECT_FALSE(place.LastCounted());
  EXPECT_EQ(m.currentIndex, 2);
  EXPECT_EQ(m.count, Recount().count);
  dp().Load(0);
  m = place.Measure(*db);
  EXPECT_TRUE(place.LastCounted());
  EXPECT_EQ(m.count, 401);
}

TEST_F(ListPlaceTest, AListWhoseLinksDisagreeIsAlwaysCounted) {
  const auto list = LongList(50);
  checkAtEnd = false;
  Damage(list[20], kUpOffset, list[5]);  // the up link skips records
  ListPlace place;
  dp().Load(list[30]);
  ListMeasure m = place.Measure(*db);
  EXPECT_EQ(m.currentIndex, 30);
  place.Learn(list[5], 5);
  dp().Load(list[25]);
  m = place.Measure(*db);
  EXPECT_TRUE(place.LastCounted());
  EXPECT_EQ(m.currentIndex, Recount().currentIndex);
  EXPECT_EQ(m.currentIndex, 25);
}

}  // namespace
}  // namespace qn
