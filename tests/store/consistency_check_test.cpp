#include "store/consistency_check.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "store/cursor_fixture.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::CursorFixture;
using qn::test::PutI32;

namespace {

class ConsistencyCheckTest : public CursorFixture {
 protected:
  // Builds P (with sub-list X, Y) and Q through the engine.
  void Build() {
    top = TopList({"P", "Q"});
    sub = SubList(top[0], {"X", "Y"});
  }
  // Changes the file by hand and opens it again.
  void Poke(Position at, int offset, int32_t value) {
    PutI32(FileRef(), size_t(at) + offset, value);
    Reopen();
  }
  std::vector<std::string> Faults() {
    std::vector<std::string> out;
    for (const auto& f : CheckConsistency(*db)) out.push_back(FormatFault(f));
    return out;
  }
  std::string At(Position p, const std::string& what) { return std::to_string(p) + ": " + what; }
  std::vector<Position> top, sub;
};

TEST_F(ConsistencyCheckTest, ATreeBuiltByTheEngineHasNoFaultsAndIsNotChanged) {
  Build();
  dp().Load(sub[1]);
  Bytes before = File();
  EXPECT_TRUE(Faults().empty());
  EXPECT_EQ(File(), before);
  EXPECT_EQ(dp().CurrentPosition(), sub[1]);
}

TEST_F(ConsistencyCheckTest, AOneWayDownLinkIsReported) {
  Build();
  Poke(sub[1], kUpOffset, 0);
  auto faults = Faults();
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0], At(sub[0], "down " + std::to_string(sub[1]) + " has up 0"));
}

TEST_F(ConsistencyCheckTest, AParentWhoseFirstChildPointsElsewhereIsReported) {
  Build();
  Poke(sub[0], kLeftOffset, top[1]);
  auto faults = Faults();
  EXPECT_EQ(faults.at(0), At(top[0], "right " + std::to_string(sub[0]) + " has left " +
                                         std::to_string(top[1])));
  EXPECT_EQ(faults.at(1), At(sub[0], "left " + std::to_string(top[1]) + " has right 0"));
}

TEST_F(ConsistencyCheckTest, AFirstRecordOfASubListWithAnUpIsReported) {
  Build();
  Poke(sub[0], kUpOffset, top[1]);
  auto faults = Faults();
  EXPECT_NE(std::find(faults.begin(), faults.end(),
                      At(sub[0], "is first of a sub-list but has up " + std::to_string(top[1]))),
            faults.end());
}

TEST_F(ConsistencyCheckTest, ARecordWithoutItsOwnPositionOrSignatureIsReported) {
  Build();
  FileRef()[top[1] + kSignatureOffset + 5] = 'x';
  Poke(0, kReserved56Offset, 0);
  auto faults = Faults();
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0], At(top[1], "has no signature"));
  Poke(sub[1], kPositionOffset, 4);
  faults = Faults();
  EXPECT_EQ(faults.at(0), At(sub[0], "down " + std::to_string(sub[1]) +
                                         " is not a record (size 256, Position 4)"));
}

TEST_F(ConsistencyCheckTest, BlocksOutsideTheFileOrOfAnImplausibleSizeAreReported) {
  Build();
  Position nb = GetI32(File(), size_t(top[1]) + kNameBlockOffset);
  PutI32(FileRef(), size_t(top[1]) + kNoteBlockOffset, 1 << 22);
  PutI32(FileRef(), size_t(top[1]) + kTemplatePosOffset, nb);
  Poke(nb, 0, 3);
  auto faults = Faults();
  ASSERT_EQ(faults.size(), 3u);
  EXPECT_EQ(faults[0], At(top[1], "name block " + std::to_string(nb) + " has size 3"));
  EXPECT_EQ(faults[1], At(top[1], "note block 4194304 lies outside the file"));
  EXPECT_EQ(faults[2], At(top[1], "template " + std::to_string(nb) +
                                       " is not a record (size 3, Position " +
                                       std::to_string(top[1]) + ")"));
}

TEST_F(ConsistencyCheckTest, ADeletedRecordStillLinkedIsReported) {
  Build();
  Poke(top[1], kKindOffset, kKindNamed | kKindDeleted);
  EXPECT_EQ(Faults(), std::vector<std::string>{At(top[1], "is deleted but still linked")});
}

TEST_F(ConsistencyCheckTest, AnInwardOutwardChainInACircleIsReported) {
  Build();
  PutI32(FileRef(), size_t(top[0]) + kOutwardOffset, top[1]);
  PutI32(FileRef(), size_t(top[0]) + kInwardOffset, top[1]);
  PutI32(FileRef(), size_t(top[1]) + kOutwardOffset, top[0]);
  Poke(top[1], kInwardOffset, top[0]);
  auto faults = Faults();
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0], At(top[0], "the inward/outward chain runs in a cycle"));
}

TEST_F(ConsistencyCheckTest, AFileShorterThanItsHeaderIsOneFault) {
  FileRef().resize(100);
  db.reset();
  db = std::make_unique<tDataImageArk>(fs);
  db->Open(kFile, OpenPolicy::kInspect);
  ASSERT_TRUE(db->IsOpen());
  EXPECT_EQ(Faults(), std::vector<std::string>{"0: the file is shorter than its header record"});
}

}  // namespace
