// The repair of a damaged file's links: files damaged byte by byte, repaired, then held to
// the consistency check; a stop anywhere in the repair leaves the old file or the new.
#include <gtest/gtest.h>

#include <algorithm>

#include "commands/list_fixture.h"
#include "commands/repair.h"
#include "store/fault_injection.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::Names;

namespace {

constexpr double kStamp = 46000.5;  // 9 December 2025, 12:00:00

class LinkRepairTest : public qn::test::ListFixture {
 protected:
  LinkRepairResult Repair() {
    db->BeginChange();
    LinkRepairResult r = RepairLinks(*db, kStamp);
    EXPECT_EQ(db->EndChange(), 0);
    return r;
  }
  bool Mentions(const LinkRepairResult& r, Position p, std::string_view text) {
    return std::any_of(r.changes.begin(), r.changes.end(), [&](const LinkRepairChange& c) {
      return c.position == p && c.what.find(text) != std::string::npos;
    });
  }
};

TEST_F(LinkRepairTest, ASoundFileIsLeftAsItWas) {
  auto top = TopList({"C", "B", "A"});
  SubList(top[1], {"B1", "B2"});
  const Bytes before = File();
  const LinkRepairResult r = Repair();
  EXPECT_TRUE(r.changes.empty());
  EXPECT_EQ(r.foundLine, 0);
  EXPECT_EQ(File(), before);
}

TEST_F(LinkRepairTest, BackLinksFollowForwardLinksBadLinksAreCutAndLostRecordsAreFound) {
  auto top = TopList({"A", "B", "C", "D", "E", "F", "G"});
  auto b = SubList(top[1], {"B1", "B2"});
  auto d = SubList(top[3], {"D1"});
  SubList(d[0], {"D1a"});
  dp().Load(top[5]);  // F
  ASSERT_EQ(dp().Delete(), 0);

  Damage(top[2], kUpOffset, 12345);      // C's up is wrong
  Damage(b[0], kLeftOffset, 0);          // B1 lost its way back to B
  Damage(b[1], kDownOffset, b[0]);       // B2 leads back to B1: a cycle
  Damage(top[3], kRightOffset, 999999);  // D's sub-list pointer leads outside the file
  Damage(top[4], kDownOffset, top[5]);   // E leads to the deleted F again
  Damage(top[6], kDownOffset, top[0]);   // G leads back to A: a cycle

  const LinkRepairResult r = Repair();
  EXPECT_TRUE(Mentions(r, top[2], "up 12345 is now " + std::to_string(top[1])));
  EXPECT_TRUE(Mentions(r, b[0], "left 0 is now " + std::to_string(top[1])));
  EXPECT_TRUE(Mentions(r, b[1], "already reached: cut"));
  EXPECT_TRUE(Mentions(r, top[3], "outside the file: cut"));
  EXPECT_TRUE(Mentions(r, top[4], "deleted record: now down " + std::to_string(top[6])));
  EXPECT_TRUE(Mentions(r, top[6], "already reached: cut"));

  // D's lost sub-list, with its own sub-list, hangs under the new last top-level line.
  EXPECT_EQ(TopNames(), (Names{"A", "B", "C", "D", "E", "G", "Gjenfunnet 09.12.2025 12:00:00"}));
  ASSERT_GT(r.foundLine, 0);
  EXPECT_EQ(r.found, 2);
  EXPECT_EQ(SubNames(r.foundLine), (Names{"D1"}));
  EXPECT_EQ(SubNames(d[0]), (Names{"D1a"}));
  EXPECT_EQ(SubNames(top[1]), (Names{"B1", "B2"}));
  EXPECT_TRUE(RecordAt(top[5]).IsDeleted());
  ExpectConsistent();

  // Repaired once, there is nothing left to do.
  const Bytes repaired = File();
  EXPECT_TRUE(Repair().changes.empty());
  EXPECT_EQ(File(), repaired);
}

TEST_F(LinkRepairTest, ListsThatRunInACycleAmongThemselvesAreFoundAndOpened) {
  auto top = TopList({"A", "B"});
  dp().Load(top[1]);
  const Position x = AddNamed(*db, DirDown, "X");
  const Position y = AddNamed(*db, DirDown, "Y");
  Damage(top[1], kDownOffset, 0);  // B's list ends at B: X and Y are lost ...
  Damage(y, kDownOffset, x);       // ... and run in a cycle, so neither is a head
  const LinkRepairResult r = Repair();
  ASSERT_GT(r.foundLine, 0);
  EXPECT_EQ(r.found, 2);
  EXPECT_EQ(SubNames(r.foundLine), (Names{"X", "Y"}));
}

TEST_F(LinkRepairTest, SeparateLostListsAllHangUnderTheFoundLineAndAreCounted) {
  auto top = TopList({"A", "B", "C"});
  auto a = SubList(top[0], {"A1", "A2"});
  SubList(a[0], {"A1a"});
  SubList(top[2], {"C1"});
  SubList(top[1], {"B1"});
  Damage(top[0], kRightOffset, 999999);  // three lists lost, one with a sub-list of its own
  Damage(top[1], kRightOffset, 0);
  Damage(top[2], kRightOffset, 999999);
  const LinkRepairResult r = Repair();
  ASSERT_GT(r.foundLine, 0);
  EXPECT_EQ(SubNames(r.foundLine), (Names{"A1", "A2", "C1", "B1"}));
  EXPECT_EQ(SubNames(a[0]), (Names{"A1a"}));
  EXPECT_EQ(r.found, 5);
}

TEST_F(LinkRepairTest, AFileHeaderLeadingToDeletedRecordsIsRelinkedToTheFirstLiveOne) {
  auto top = TopList({"A", "B", "C"});
  for (Position p : {top[0], top[1]}) {
    dp().Load(p);
    ASSERT_EQ(dp().Delete(), 0);
  }
  Damage(0, kDownOffset, top[0]);  // the header still leads to the deleted A
  const LinkRepairResult r = Repair();
  EXPECT_TRUE(Mentions(r, 0, "deleted record: now down " + std::to_string(top[2])));
  EXPECT_EQ(TopFirst(), top[2]);
  EXPECT_EQ(TopNames(), (Names{"C"}));
  EXPECT_EQ(r.foundLine, 0);
}

TEST_F(LinkRepairTest, RecordsPastADamagedBlockAreFoundWhereTheChainOfBlocksBreaks) {
  auto top = TopList({"A", "B", "C", "D"});
  SubList(top[3], {"D1", "D2"});
  // B's signature and its name block's size are damaged: the chain of blocks breaks there.
  FileRef()[size_t(top[1]) + kSignatureOffset + 1] ^= 0x20;
  qn::test::PutI32(FileRef(), size_t(RecordAt(top[1]).nameBlock), 2);
  Damage(top[3], kRightOffset, 999999);  // D's sub-list is reached by nothing
  const LinkRepairResult r = Repair();
  EXPECT_TRUE(Mentions(r, top[0], "not a pointer record: cut"));
  ASSERT_GT(r.foundLine, 0);
  EXPECT_EQ(r.found, 4);
  EXPECT_EQ(SubNames(r.foundLine), (Names{"C", "D", "D1", "D2"}));
  checkAtEnd = false;  // B's name block stays damaged
}

TEST_F(LinkRepairTest, AStoppedRepairLeavesTheDamagedFileOrTheRepairedOne) {
  auto top = TopList({"C", "B", "A"});
  SubList(top[1], {"B1"});
  Damage(top[0], kDownOffset, 999999);  // B and C are lost
  Damage(top[1], kUpOffset, 0);
  db.reset();
  const Bytes before = File();
  auto run = [&] {
    auto d = std::make_unique<tDataImageArk>(fs);
    d->Open(kFile, OpenPolicy::kFromSettings);
    ASSERT_TRUE(d->IsOpen());
    d->BeginChange();
    RepairLinks(*d, kStamp);
    d->EndChange();
  };
  qn::test::Reset(*fs, kFile, before);
  const int64_t start = fs->changes;
  run();
  const int64_t changes = fs->changes - start;
  const Bytes after = File();
  ASSERT_NE(after, before);
  for (bool powerCut : {false, true}) {
    for (int64_t k = 0; k < changes; ++k) {
      qn::test::Reset(*fs, kFile, before);
      fs->changesUntilStop = k;
      EXPECT_THROW(run(), qn::test::MemoryFileSystem::SimulatedStop);
      fs->Restart(powerCut);
      Reopen();  // rolls back what the stop left
      EXPECT_TRUE(File() == before || File() == after) << "stop before change " << k;
    }
  }
  qn::test::Reset(*fs, kFile, after);
  Reopen();
}

TEST_F(LinkRepairTest, TheBackupCopyIsTheWholeFileAndAFailedCopyKeepsTheLastOne) {
  TopList({"A"});
  const Bytes file = File();
  EXPECT_EQ(CopyToBackup(*fs, kFile), 0);
  EXPECT_EQ(fs->Get(std::string(kFile) + ".backup"), file);
  TopList({"B"});
  fs->diskSpace = 100;
  EXPECT_NE(CopyToBackup(*fs, kFile), 0);
  fs->diskSpace = -1;
  EXPECT_EQ(fs->Get(std::string(kFile) + ".backup"), file);
  EXPECT_EQ(fs->files.count(std::string(kFile) + ".backup-repair"), 0u);
}

}  // namespace
