#include "store/consistency_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

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

TEST_F(ConsistencyCheckTest, AFileShorterThanItsHeaderIsNoDatabase) {
  FileRef().resize(100);
  const Bytes before = File();
  db.reset();
  db = std::make_unique<tDataImageArk>(fs);
  db->Open(kFile, OpenPolicy::kInspect);
  EXPECT_FALSE(db->IsOpen());
  EXPECT_EQ(db->LastError(), kErrorNotADatabase);
  EXPECT_EQ(File(), before);
}

}  // namespace

class BlockComparisonTest : public ConsistencyCheckTest {
 protected:
  Position NameBlockOf(Position p) { return GetI32(File(), size_t(p) + kNameBlockOffset); }
  Position DataBlockOf(Position p) { return GetI32(File(), size_t(p) + kDataBlockOffset); }
  std::string N(Position p) { return std::to_string(p); }
};

TEST_F(BlockComparisonTest, ShadowsShareTheirOriginalsBlocksWithoutAFault) {
  Build();
  dp().Load(top[0]);
  std::array<uint8_t, 40> payload{};
  AddData(*db, payload);
  dp().Remember();
  dp().Load(top[1]);
  ASSERT_EQ(dp().PasteShadow(), 0);
  const Position shadow = dp().CurrentPosition();
  EXPECT_EQ(NameBlockOf(shadow), NameBlockOf(top[0]));
  EXPECT_EQ(DataBlockOf(shadow), DataBlockOf(top[0]));
  // Another record inherits the data block, a third shares it as a data shadow.
  Poke(top[1], kInheritBlockOffset, DataBlockOf(top[0]));
  PutI32(FileRef(), size_t(sub[0]) + kDataBlockOffset, DataBlockOf(top[0]));
  Poke(sub[0], kOriginOffset, kOriginDataShadow);
  EXPECT_EQ(Faults(), std::vector<std::string>{});
}

TEST_F(BlockComparisonTest, ABlockNamedByTwoOwnersOrForTwoPurposesIsReported) {
  Build();
  const Position nameP = NameBlockOf(top[0]);
  // Q shares P's name block, as a record given a copied name block does (no fault); X
  // names it as its link text, Y names a block that begins inside it.
  PutI32(FileRef(), size_t(top[1]) + kNameBlockOffset, nameP);
  PutI32(FileRef(), size_t(sub[0]) + kLinkBlockOffset, nameP);
  Poke(sub[1], kDataBlockOffset, nameP + 4);  // the owner field reads as a size of 256
  EXPECT_EQ(Faults(), (std::vector<std::string>{
                          At(sub[0], "link block " + N(nameP) + " is also the name block of " + N(top[0])),
                          At(sub[1], "data block " + N(nameP + 4) + " lies inside the block at " +
                                         N(nameP) + " (264 bytes)")}));
}

TEST_F(BlockComparisonTest, ARecordWrittenWhereAStoppedCommandReservedABlockIsReported) {
  Build();
  // Q was given a data block at the end of the file, and the command stopped before
  // writing it; the next record was appended there.
  const Position reserved = Position(File().size());
  PutI32(FileRef(), size_t(top[1]) + kKindOffset, kKindNamed + kKindData);
  Poke(top[1], kDataBlockOffset, reserved);
  dp().Load(top[1]);
  ASSERT_EQ(AddNamed(*db, DirDown, "R"), reserved);
  EXPECT_EQ(Faults(), std::vector<std::string>{
                          At(top[1], "data block " + N(reserved) + " is the pointer record at " +
                                         N(reserved))});
}

TEST_F(BlockComparisonTest, RecordsNoListReachesAreReportedUnlessDeleted) {
  Build();
  // X's list now ends at X: Y is cut off, and so is Q once P's list ends at P.
  PutI32(FileRef(), size_t(sub[0]) + kDownOffset, 0);
  PutI32(FileRef(), size_t(sub[1]) + kUpOffset, 0);
  PutI32(FileRef(), size_t(top[0]) + kDownOffset, 0);
  PutI32(FileRef(), size_t(top[1]) + kUpOffset, 0);
  Poke(top[1], kKindOffset, kKindNamed | kKindDeleted);
  EXPECT_EQ(Faults(), std::vector<std::string>{At(sub[1], "is not deleted, but no list reaches it")});
}

TEST_F(BlockComparisonTest, AChainOfBlocksThatBreaksIsReportedOnce) {
  Build();
  Bytes& f = FileRef();
  const Position end = Position(f.size());
  // A name block cut short: its size says 264, 100 bytes made it to the file.
  f.resize(f.size() + 100, 0);
  PutI32(f, end, kNameBlockSize);
  Reopen();
  EXPECT_EQ(Faults(), std::vector<std::string>{"0: the chain of blocks breaks at " + N(end) +
                                               ": a block of 264 bytes runs past the end of the file"});
  FileRef().resize(size_t(end) + 2);
  Reopen();
  EXPECT_EQ(Faults(), std::vector<std::string>{"0: the chain of blocks breaks at " + N(end) +
                                               ": 2 bytes are left, too few for a block size"});
  // A damaged name block already reported is not reported again as the break.
  FileRef().resize(size_t(end));
  Poke(NameBlockOf(top[1]), 0, 3);
  EXPECT_EQ(Faults(), std::vector<std::string>{
                          At(top[1], "name block " + N(NameBlockOf(top[1])) + " has size 3")});
}
