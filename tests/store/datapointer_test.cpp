#include "store/datapointer.h"

#include <gtest/gtest.h>

#include "store/cursor_fixture.h"
#include "store/record_blocks.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::CursorFixture;
using qn::test::Names;

namespace {

// ---- Store ----

using StoreTest = CursorFixture;

TEST_F(StoreTest, StoredRecordCarriesItsPositionSizeSignatureAndAChangedStamp) {
  Position a = TopList({"A"})[0];
  Bytes f = File();
  EXPECT_EQ(At(a, kSizeOffset), 256);
  EXPECT_EQ(At(a, kPositionOffset), a);
  EXPECT_EQ(f[a + kSignatureOffset], 31);
  EXPECT_EQ(std::string(f.begin() + a + kSignatureOffset + 1, f.begin() + a + kSignatureOffset + 32),
            "QUILLNET-POINTER-RECORD-R130471");
  EXPECT_GT(GetF64(f, a + kChangedOffset), 0.0);
  EXPECT_GT(GetF64(f, a + kCreatedOffset), 0.0);
}

TEST_F(StoreTest, BytesThisProgramDoesNotInterpretSurviveAStore) {
  Position a = TopList({"A"})[0];
  Bytes& f = FileRef();
  f[a + 140] = 0xAB;  // reserved areas another program may use
  f[a + 200] = 0xCD;
  f[a + 58] = 0x11;
  Reopen();
  ASSERT_EQ(dp().Load(a), 0);
  dp().SetReplication(2);
  dp().Store();
  EXPECT_EQ(File()[a + 140], 0xAB);
  EXPECT_EQ(File()[a + 200], 0xCD);
  EXPECT_EQ(File()[a + 58], 0x11);
  EXPECT_EQ(At(a, kReplicationOffset), 2);
}

TEST_F(StoreTest, WithTheWriteCacheAnUnchangedRecordIsNotWrittenAgain) {
  Position a = TopList({"A"})[0];
  Engine().writeCache = true;
  dp().Load(a);
  dp().SetReplication(1);
  dp().Store();
  double stamp = GetF64(File(), a + kChangedOffset);
  uint64_t writes = db->Counters().blockWrites;
  dp().Store();
  EXPECT_EQ(db->Counters().blockWrites, writes);
  EXPECT_EQ(GetF64(File(), a + kChangedOffset), stamp);
  dp().SetReplication(2);
  dp().Store();
  EXPECT_EQ(db->Counters().blockWrites, writes + 1);
}

TEST_F(StoreTest, LoadRefusesAPositionThatHoldsNoRecord) {
  Position a = TopList({"A"})[0];
  Position nameBlock = At(a, kNameBlockOffset);
  dp().Load(a);
  EXPECT_NE(dp().Load(nameBlock), 0);
  EXPECT_NE(dp().Load(a + 8), 0);
  EXPECT_NE(dp().Load(-256), 0);
  EXPECT_NE(dp().Load(int32_t(File().size())), 0);
  EXPECT_EQ(dp().CurrentPosition(), a);
}

// ---- Walks ----

using WalkTest = CursorFixture;

TEST_F(WalkTest, WalksFollowTheFourPointersAndSetTheDirection) {
  auto top = TopList({"A", "B"});
  auto sub = SubList(top[0], {"A1"});
  dp().Load(top[0]);
  EXPECT_EQ(dp().GoDown(), 0);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);
  EXPECT_EQ(dp().LastDirection(), DirDown);
  EXPECT_EQ(dp().GoUp(), 0);
  EXPECT_EQ(dp().LastDirection(), DirUp);
  EXPECT_EQ(dp().GoRight(), 0);
  EXPECT_EQ(dp().CurrentPosition(), sub[0]);
  EXPECT_EQ(dp().LastDirection(), DirRight);
  EXPECT_EQ(dp().GoLeft(), 0);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(dp().LastDirection(), DirLeft);
}

TEST_F(WalkTest, AMissingPointerLeavesTheCursorSetsTheDirectionAndLogsWhenVerbose) {
  Position a = TopList({"A"})[0];
  VerboseLogging = true;
  dp().Load(a);
  EXPECT_EQ(dp().GoDown(), -1);
  EXPECT_EQ(dp().LastDirection(), DirDown);
  EXPECT_EQ(dp().CurrentPosition(), a);
  EXPECT_TRUE(Logged("QUILLAPI: There is no pointer down from pos " + std::to_string(a)));
  dp().GoRight();
  EXPECT_TRUE(Logged("QUILLAPI: There is no pointer right from pos " + std::to_string(a)));
  EXPECT_EQ(dp().LastDirection(), DirRight);
  EXPECT_EQ(dp().GoInward(), -1);
  EXPECT_EQ(dp().LastDirection(), dirIn);
}

TEST_F(WalkTest, TheFirstRecordOfAListReachesItsParentOnlyByGoingLeft) {
  auto top = TopList({"A"});
  auto sub = SubList(top[0], {"A1"});
  dp().Load(sub[0]);
  EXPECT_EQ(dp().GoUp(), -1);
  dp().Load(top[0]);
  EXPECT_EQ(dp().GoUp(), -1);  // the file header is never reached
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
}

TEST_F(WalkTest, GoFirstAndGoLastReportWhetherTheyMoved) {
  auto top = TopList({"A", "B", "C"});
  dp().Load(top[1]);
  EXPECT_EQ(dp().GoLast(), 0);
  EXPECT_EQ(dp().CurrentPosition(), top[2]);
  EXPECT_EQ(dp().LastDirection(), DirUp);
  EXPECT_EQ(dp().GoLast(), -1);
  EXPECT_EQ(dp().GoFirst(), 0);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(dp().LastDirection(), DirDown);
  EXPECT_EQ(dp().GoFirst(), -1);
}

TEST_F(WalkTest, GoToIndexCountsFromOneAndKeepsTheInBlockFlag) {
  auto top = TopList({"A", "B", "C", "D"});
  dp().SetBlockStart(top[1]);
  dp().SetBlockEnd(top[2]);
  dp().Load(top[3]);
  EXPECT_EQ(dp().GoToIndex(2), 0);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);
  EXPECT_TRUE(dp().InBlock());
  EXPECT_EQ(dp().GoToIndex(3), 0);
  EXPECT_TRUE(dp().InBlock());
  EXPECT_EQ(dp().GoToIndex(4), 0);
  EXPECT_FALSE(dp().InBlock());
  EXPECT_EQ(dp().GoToIndex(9), -1);
  EXPECT_EQ(dp().CurrentPosition(), top[3]);
  EXPECT_EQ(dp().LastDirection(), DirDown);
}

// ---- Creating records ----

using NewTest = CursorFixture;

TEST_F(NewTest, NewDownAtTheEndLinksTheOldLastRecordToIt) {
  auto top = TopList({"A", "B"});
  dp().Load(top[1]);
  ASSERT_EQ(dp().NewDown(), 0);
  Position n = dp().CurrentPosition();
  EXPECT_EQ(At(top[1], kDownOffset), n);
  EXPECT_EQ(At(n, kUpOffset), top[1]);
  EXPECT_EQ(At(n, kDownOffset), 0);
  EXPECT_EQ(At(n, kLeftOffset), 0);
  EXPECT_EQ(At(n, kRightOffset), 0);
  ExpectConsistent();
}

TEST_F(NewTest, NewDownInTheMiddleRelinksTheNextRecordsUp) {
  auto top = TopList({"A", "B"});
  VerboseLogging = true;
  dp().Load(top[0]);
  Position expected = Position(File().size());
  ASSERT_EQ(dp().NewDown(), 0);
  Position n = dp().CurrentPosition();
  EXPECT_EQ(n, expected);  // appended at the end of the file
  EXPECT_EQ(At(top[0], kDownOffset), n);
  EXPECT_EQ(At(n, kDownOffset), top[1]);
  EXPECT_EQ(At(top[1], kUpOffset), n);
  EXPECT_TRUE(Logged("QUILLAPI: Datapointer.NewDown pos: " + std::to_string(n)));
  ExpectConsistent();
}

TEST_F(NewTest, NewDownOnTheFileHeaderStartsTheTopLevelList) {
  auto top = TopList({"A"});
  dp().Load(0);
  dp().NewDown();
  Position n = dp().CurrentPosition();
  EXPECT_EQ(At(0, kDownOffset), n);
  EXPECT_EQ(At(n, kUpOffset), 0);
  EXPECT_EQ(At(n, kDownOffset), top[0]);
  ExpectConsistent();
}

TEST_F(NewTest, NewRightOnARecordWithASubListMakesTheNewRecordItsParent) {
  auto top = TopList({"A"});
  auto sub = SubList(top[0], {"A1", "A2"});
  dp().Load(top[0]);
  ASSERT_EQ(dp().NewRight(), 0);
  Position n = dp().CurrentPosition();
  EXPECT_EQ(At(top[0], kRightOffset), n);
  EXPECT_EQ(At(n, kLeftOffset), top[0]);
  EXPECT_EQ(At(n, kRightOffset), sub[0]);
  EXPECT_EQ(At(sub[0], kLeftOffset), n);
  EXPECT_EQ(ListAt(sub[1]), (Names{"A1", "A2"}));
  ExpectConsistent();
}

TEST_F(NewTest, NewLeftOnTheFirstRecordOfASubListPutsANewLevelBetween) {
  auto top = TopList({"A"});
  auto sub = SubList(top[0], {"A1", "A2"});
  dp().Load(sub[0]);
  ASSERT_EQ(dp().NewLeft(), 0);
  Position n = dp().CurrentPosition();
  EXPECT_EQ(At(top[0], kRightOffset), n);
  EXPECT_EQ(At(n, kLeftOffset), top[0]);
  EXPECT_EQ(At(n, kRightOffset), sub[0]);
  EXPECT_EQ(At(sub[0], kLeftOffset), n);
  ExpectConsistent();
}

TEST_F(NewTest, NewLeftInTheMiddleTakesThePlaceAndCarriesTheRestOfTheList) {
  auto top = TopList({"A", "B", "C"});
  dp().Load(top[1]);
  ASSERT_EQ(dp().NewLeft(), 0);
  Position n = dp().CurrentPosition();
  EXPECT_EQ(At(top[0], kDownOffset), n);
  EXPECT_EQ(At(n, kUpOffset), top[0]);
  EXPECT_EQ(At(n, kDownOffset), 0);
  EXPECT_EQ(At(n, kRightOffset), top[1]);
  EXPECT_EQ(ListAt(top[1]), (Names{"B", "C"}));
  ExpectConsistent();
}

TEST_F(NewTest, NewLeftOnTheFirstTopLevelRecordRewritesTheFileHeader) {
  auto top = TopList({"A", "B"});
  dp().Load(top[0]);
  ASSERT_EQ(dp().NewLeft(), 0);
  Position n = dp().CurrentPosition();
  EXPECT_EQ(At(0, kDownOffset), n);
  EXPECT_EQ(At(n, kRightOffset), top[0]);
  ExpectConsistent();
}

TEST_F(NewTest, NewInDirectionFollowsTheLastMoveAndRefusesAfterUpInOrOut) {
  auto top = TopList({"A", "B"});
  dp().Load(top[1]);
  dp().GoUp();
  int64_t size = int64_t(File().size());
  EXPECT_EQ(dp().NewInDirection(), -1);
  dp().GoInward();
  EXPECT_EQ(dp().NewInDirection(), -1);
  EXPECT_EQ(int64_t(File().size()), size);
  dp().GoRight();  // no sub-list: the cursor stays, the direction is right
  ASSERT_EQ(dp().NewInDirection(), 0);
  EXPECT_EQ(At(top[0], kRightOffset), dp().CurrentPosition());
  ExpectConsistent();
}

TEST_F(NewTest, ARunOfNewRecordsInTheMiddleKeepsGoingDown) {
  auto top = TopList({"A", "B"});
  dp().Load(top[0]);
  dp().GoDown();
  dp().GoUp();
  dp().SetLastDirection(DirDown);
  ASSERT_EQ(dp().NewInDirection(), 0);
  ASSERT_EQ(dp().NewInDirection(), 0);
  WriteName(*db, "x2");
  EXPECT_EQ(ListNames(), (Names{"A", "", "x2", "B"}));
  ExpectConsistent();
}

TEST_F(NewTest, OnAReadOnlyDatabaseNothingReachesTheFileButTheCursorShowsTheChange) {
  auto top = TopList({"A", "B"});
  db.reset();
  db = std::make_unique<tDataImageArk>(fs);
  db->Open(kFile, OpenPolicy::kInspect);
  ASSERT_TRUE(db->ReadOnly());
  Bytes before = File();
  dp().Load(top[0]);
  EXPECT_EQ(dp().NewDown(), 0);
  EXPECT_EQ(dp().Up(), top[0]);
  EXPECT_EQ(dp().Down(), top[1]);
  dp().Load(top[1]);
  EXPECT_EQ(dp().Delete(), 0);
  EXPECT_EQ(File(), before);
}

TEST_F(NewTest, AFilePastTheLargestPositionTakesNoNewRecordAndKeepsItsLinks) {
  auto top = TopList({"A", "B"});
  Bytes before = File();
  fs->extraSize = int64_t(INT32_MAX);  // the next block would lie past every Position
  dp().Load(top[0]);
  EXPECT_EQ(dp().NewDown(), -1);
  EXPECT_EQ(dp().NewRight(), -1);
  EXPECT_EQ(dp().NewLeft(), -1);
  EXPECT_EQ(AddNamed(*db, DirDown, "C"), -1);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(db->FirstWriteError(), kErrorWriteFault);
}

// ---- Delete ----

using DeleteTest = CursorFixture;

TEST_F(DeleteTest, FirstRecordOfASubListWithANextRecordHandsTheParentToIt) {
  auto top = TopList({"P"});
  auto sub = SubList(top[0], {"X", "Y"});
  int64_t size = int64_t(File().size());
  dp().Load(sub[0]);
  ASSERT_EQ(dp().Delete(), 0);
  EXPECT_EQ(At(top[0], kRightOffset), sub[1]);
  EXPECT_EQ(At(sub[1], kLeftOffset), top[0]);
  EXPECT_EQ(At(sub[1], kUpOffset), 0);
  EXPECT_EQ(At(sub[0], kKindOffset), kKindNamed | kKindDeleted);
  EXPECT_EQ(int64_t(File().size()), size);  // the deleted record stays where it was
  EXPECT_EQ(dp().CurrentPosition(), sub[1]);
  EXPECT_EQ(dp().LastDeleted(), sub[0]);
  ExpectConsistent();
}

TEST_F(DeleteTest, OnlyRecordOfASubListLiftsItsOwnSubListIntoItsPlace) {
  auto top = TopList({"P"});
  auto sub = SubList(top[0], {"X"});
  auto subsub = SubList(sub[0], {"X1", "X2"});
  dp().Load(sub[0]);
  dp().Delete();
  EXPECT_EQ(At(top[0], kRightOffset), subsub[0]);
  EXPECT_EQ(At(subsub[0], kLeftOffset), top[0]);
  EXPECT_EQ(dp().CurrentPosition(), subsub[0]);
  ExpectConsistent();
}

TEST_F(DeleteTest, OnlyRecordOfASubListWithoutOneLeavesTheParentWithout) {
  auto top = TopList({"P"});
  auto sub = SubList(top[0], {"X"});
  dp().Load(sub[0]);
  dp().Delete();
  EXPECT_EQ(At(top[0], kRightOffset), 0);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  ExpectConsistent();
}

TEST_F(DeleteTest, ARecordWithASubListAndANextRecordHandsTheSubListToTheNextRecord) {
  auto top = TopList({"A", "X", "B"});
  auto xs = SubList(top[1], {"X1", "X2"});
  auto bs = SubList(top[2], {"B1"});
  VerboseLogging = true;
  dp().Load(top[1]);
  dp().Delete();
  EXPECT_TRUE(Logged("QUILLAPI: Datapointer.Delete pos: " + std::to_string(top[1])));
  EXPECT_EQ(ListAt(top[0]), (Names{"A", "B"}));
  EXPECT_EQ(At(top[2], kRightOffset), xs[0]);
  EXPECT_EQ(At(xs[0], kLeftOffset), top[2]);
  // The next record's own sub-list continues below the one it adopted.
  EXPECT_EQ(ListAt(xs[0]), (Names{"X1", "X2", "B1"}));
  EXPECT_EQ(At(bs[0], kLeftOffset), 0);
  ExpectConsistent();
}

TEST_F(DeleteTest, TheFirstRecordOfASubListWithASubListAndANextRecordKeepsEverythingReachable) {
  auto top = TopList({"P"});
  auto sub = SubList(top[0], {"X", "Y"});
  auto xs = SubList(sub[0], {"X1"});
  dp().Load(sub[0]);
  dp().Delete();
  EXPECT_EQ(At(top[0], kRightOffset), sub[1]);
  EXPECT_EQ(At(sub[1], kRightOffset), xs[0]);
  EXPECT_EQ(At(xs[0], kLeftOffset), sub[1]);
  ExpectConsistent();
}

TEST_F(DeleteTest, TheLastRecordOfAListWithASubListLeavesTheSubListInItsPlace) {
  auto top = TopList({"A", "X"});
  auto xs = SubList(top[1], {"X1", "X2"});
  dp().Load(top[1]);
  dp().Delete();
  EXPECT_EQ(dp().CurrentPosition(), top[0]);  // the previous record
  EXPECT_EQ(ListAt(top[0]), (Names{"A", "X1", "X2"}));
  EXPECT_EQ(At(xs[0], kLeftOffset), 0);
  ExpectConsistent();
}

TEST_F(DeleteTest, TheFirstTopLevelRecordIsTakenOutOfTheFileHeader) {
  auto top = TopList({"A", "B"});
  Bytes& f = FileRef();
  PutF64(f, kChangedOffset, 0.0);
  Reopen();
  dp().Load(top[0]);
  dp().Delete();
  EXPECT_EQ(At(0, kDownOffset), top[1]);
  EXPECT_EQ(At(top[1], kUpOffset), 0);
  EXPECT_GT(GetF64(File(), kChangedOffset), 0.0);
  EXPECT_TRUE(HasPointerSignature(std::span<const uint8_t, 256>(File().data(), 256)));
  EXPECT_EQ(ScanForString(*db, "A", true), -1);
  ExpectConsistent();
}

TEST_F(DeleteTest, TheInwardOutwardChainClosesOverTheDeletedRecord) {
  auto top = TopList({"A", "B", "C"});
  // Chain A -> B -> C, set as the pointer properties dialog would.
  dp().Load(top[0]); dp().SetOutward(top[1]); dp().Store();
  dp().Load(top[1]); dp().SetInward(top[0]); dp().SetOutward(top[2]); dp().Store();
  dp().Load(top[2]); dp().SetInward(top[1]); dp().Store();
  dp().Load(top[1]);
  dp().Delete();
  EXPECT_EQ(At(top[0], kOutwardOffset), top[2]);
  EXPECT_EQ(At(top[2], kInwardOffset), top[0]);
  ExpectConsistent();
}

TEST_F(DeleteTest, TheFileHeaderIsNeverDeleted) {
  TopList({"A"});
  dp().Load(0);
  EXPECT_EQ(dp().Delete(), -1);
  EXPECT_EQ(At(0, kKindOffset), 0);
  ExpectConsistent();
}

// ---- MoveDown ----

using MoveDownTest = CursorFixture;

TEST_F(MoveDownTest, TheRecordTradesPlacesWithTheNextAndStaysCurrent) {
  auto top = TopList({"A", "B", "C", "D"});
  dp().Load(top[1]);
  EXPECT_EQ(dp().MoveDown(), top[1]);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);
  EXPECT_EQ(ListAt(top[0]), (Names{"A", "C", "B", "D"}));
  ExpectConsistent();
}

TEST_F(MoveDownTest, TheFirstRecordOfASubListHandsTheParentLinkToTheRecordBelow) {
  auto top = TopList({"P"});
  auto sub = SubList(top[0], {"X", "Y"});
  dp().Load(sub[0]);
  dp().MoveDown();
  EXPECT_EQ(At(top[0], kRightOffset), sub[1]);
  EXPECT_EQ(At(sub[1], kLeftOffset), top[0]);
  EXPECT_EQ(At(sub[1], kUpOffset), 0);
  EXPECT_EQ(At(sub[0], kLeftOffset), 0);
  ExpectConsistent();
}

TEST_F(MoveDownTest, TheFirstTopLevelRecordHandsTheFileHeaderToTheRecordBelow) {
  auto top = TopList({"A", "B"});
  dp().Load(top[0]);
  dp().MoveDown();
  EXPECT_EQ(At(0, kDownOffset), top[1]);
  EXPECT_EQ(ListAt(top[0]), (Names{"B", "A"}));
  ExpectConsistent();
}

TEST_F(MoveDownTest, TheLastRecordReturnsMinusOneAndChangesNothing) {
  auto top = TopList({"A", "B"});
  Bytes before = File();
  dp().Load(top[1]);
  EXPECT_EQ(dp().MoveDown(), -1);
  EXPECT_EQ(File(), before);
}

TEST_F(MoveDownTest, MovingUpIsAMoveDownOfTheRecordAbove) {
  auto top = TopList({"A", "B", "C"});
  dp().Load(top[2]);
  db->PushPosition();
  ASSERT_EQ(dp().GoUp(), 0);
  dp().MoveDown();
  db->PopPosition();
  EXPECT_EQ(dp().CurrentPosition(), top[2]);
  EXPECT_EQ(ListAt(top[0]), (Names{"A", "C", "B"}));
  ExpectConsistent();
}

// ---- LinkRight ----

using LinkRightTest = CursorFixture;

TEST_F(LinkRightTest, HangsTheRecordToTheRightAndEndsOnTheParent) {
  auto top = TopList({"A", "B"});
  // A detached record to hang: deleted from its list, then linked back under A.
  dp().Load(top[1]);
  dp().Delete();
  ASSERT_EQ(dp().LinkRight(top[0], top[1]), 0);
  EXPECT_EQ(At(top[0], kRightOffset), top[1]);
  EXPECT_EQ(At(top[1], kLeftOffset), top[0]);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(dp().LastDirection(), DirLeft);
}

TEST_F(LinkRightTest, IsRefusedWhereItWouldCutOffASubListOrCloseACycle) {
  auto top = TopList({"A", "B"});
  auto sub = SubList(top[0], {"A1"});
  Bytes before = File();
  EXPECT_EQ(dp().LinkRight(top[0], top[1]), -1);  // A's own sub-list would be lost
  EXPECT_EQ(dp().LinkRight(sub[0], top[0]), -1);  // A would hang below itself
  EXPECT_EQ(dp().LinkRight(0, 0), -1);
  EXPECT_EQ(File(), before);
}

// ---- Shadows, restore, inheritance ----

using ShadowTest = CursorFixture;

TEST_F(ShadowTest, AShadowOfADeletedRecordSharesItsBlocksWithoutTheDeletedBit) {
  auto top = TopList({"A", "B"});
  dp().Load(top[0]);
  uint8_t data[4] = {1, 2, 3, 4};
  AddData(*db, data);
  dp().SetTemplatePos(top[1]);
  dp().Store();
  dp().Delete();
  dp().Load(top[0]);
  dp().Remember();
  dp().Load(top[1]);
  ASSERT_EQ(dp().PasteShadow(), 0);
  Position s = dp().CurrentPosition();
  EXPECT_EQ(At(s, kKindOffset), kKindNamed + kKindData);
  EXPECT_EQ(At(s, kOriginOffset), kOriginShadow);
  EXPECT_EQ(At(s, kDataBlockOffset), At(top[0], kDataBlockOffset));
  EXPECT_EQ(At(s, kNameBlockOffset), At(top[0], kNameBlockOffset));
  EXPECT_EQ(At(s, kTemplatePosOffset), top[1]);
  EXPECT_EQ(At(s, kRightOffset), 0);
  EXPECT_EQ(Name(), "A");
  ExpectConsistent();
}

TEST_F(ShadowTest, NothingRememberedPastesNothing) {
  auto top = TopList({"A"});
  dp().Load(top[0]);
  int64_t size = int64_t(File().size());
  EXPECT_EQ(dp().PasteShadow(), -1);
  EXPECT_EQ(int64_t(File().size()), size);
}

TEST_F(ShadowTest, RestoreSourceRecreatesADeletedRecordsDataWithoutTheDeletedBit) {
  auto top = TopList({"A", "B"});
  dp().Load(top[1]);
  uint8_t data[3] = {7, 8, 9};
  AddData(*db, data);
  dp().Delete();
  dp().Load(top[0]);
  ASSERT_EQ(dp().RestoreSource(top[1]), top[1]);
  Position r = dp().CurrentPosition();
  EXPECT_EQ(At(top[0], kDownOffset), r);
  EXPECT_EQ(At(r, kKindOffset), kKindNamed + kKindData);
  EXPECT_EQ(At(r, kDataBlockOffset), At(top[1], kDataBlockOffset));
  EXPECT_EQ(Name(), "B");
  ExpectConsistent();
}

TEST_F(ShadowTest, RestoreSourceOfARecordWithoutDataLeavesTheCursor) {
  auto top = TopList({"A", "B"});
  dp().Load(top[0]);
  int64_t size = int64_t(File().size());
  EXPECT_EQ(dp().RestoreSource(top[1]), -1);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(int64_t(File().size()), size);
}

TEST_F(ShadowTest, InheritanceAndUpdateSourceNeedADataBlock) {
  auto top = TopList({"A", "B"});
  dp().Load(top[0]);
  EXPECT_EQ(dp().SetInheritBlock(top[1]), -1);
  EXPECT_EQ(dp().SetUpdateFrom(top[1]), -1);
  uint8_t data[2] = {1, 2};
  AddData(*db, data);
  EXPECT_EQ(dp().SetUpdateFrom(top[1]), top[1]);
  EXPECT_EQ(At(top[0], kUpdateFromOffset), top[1]);
  EXPECT_EQ(dp().SetInheritBlock(top[1]), -1);  // the marked record has no data to give
  dp().Load(top[1]);
  AddData(*db, data);
  dp().Load(top[0]);
  EXPECT_EQ(dp().SetInheritBlock(top[1]), top[1]);
  EXPECT_EQ(At(top[0], kInheritBlockOffset), At(top[1], kDataBlockOffset));
}

// ---- The position stack ----

using PositionStackTest = CursorFixture;

TEST_F(PositionStackTest, HoldsAtMost254Positions) {
  auto top = TopList({"A", "B"});
  dp().Load(top[0]);
  for (int i = 0; i < 254; ++i) ASSERT_EQ(db->PushPosition(), top[0]);
  dp().Load(top[1]);
  EXPECT_EQ(db->PushPosition(), -1);
  EXPECT_EQ(db->StackTop(), 254);
  EXPECT_EQ(db->StackSlot(254), top[0]);
  EXPECT_EQ(db->StackSlot(255), 0);
}

TEST_F(PositionStackTest, PopLoadsAndDropOnlyRemoves) {
  auto top = TopList({"A", "B"});
  EXPECT_EQ(db->PopPosition(), -1);
  EXPECT_EQ(db->DropPosition(), -1);
  dp().Load(top[0]);
  db->PushPosition();
  dp().Load(top[1]);
  db->PushPosition();
  EXPECT_EQ(db->DropPosition(), top[1]);
  EXPECT_EQ(db->PopPosition(), top[0]);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(db->StackTop(), 0);
}

TEST_F(PositionStackTest, RemovingASlotMovesTheSlotsAboveItDownAndLeavesTheCursor) {
  auto top = TopList({"A", "B", "C"});
  for (Position p : top) {
    dp().Load(p);
    db->PushPosition();
  }
  dp().Load(top[0]);
  EXPECT_EQ(db->RemovePositionAt(0), -1);
  EXPECT_EQ(db->RemovePositionAt(4), -1);
  EXPECT_EQ(db->RemovePositionAt(2), top[1]);
  EXPECT_EQ(db->StackTop(), 2);
  EXPECT_EQ(db->StackSlot(1), top[0]);
  EXPECT_EQ(db->StackSlot(2), top[2]);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(db->RemovePositionAt(2), top[2]);
  EXPECT_EQ(db->PopPosition(), top[0]);
  EXPECT_EQ(db->StackTop(), 0);
}

// ---- File links ----

using FileLinkTest = CursorFixture;

TEST_F(FileLinkTest, AnEntryGoesBelowTheSecondRecordOfFilelinksAndPointsBack) {
  auto top = TopList({"System", "Data"});
  auto sys = SubList(top[0], {"Version", "Filelinks"});
  auto links = SubList(sys[1], {"User", "First"});
  dp().Load(top[1]);
  ASSERT_EQ(dp().AddFileLink(""), top[1]);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);
  EXPECT_EQ(ListAt(links[0]), (Names{"User", "First", "Data"}));
  Position entry = At(links[1], kDownOffset);
  EXPECT_EQ(At(entry, kKindOffset), kKindFileLink);
  EXPECT_EQ(At(entry, kDataBlockOffset), top[1]);
  dp().Load(top[1]);
  dp().AddFileLink("Second");
  EXPECT_EQ(ListAt(links[0]), (Names{"User", "First", "Second", "Data"}));
  ExpectConsistent();
}

TEST_F(FileLinkTest, WithoutFilelinksNothingIsCreated) {
  auto top = TopList({"Data"});
  dp().Load(top[0]);
  int64_t size = int64_t(File().size());
  EXPECT_EQ(dp().AddFileLink("x"), -1);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(int64_t(File().size()), size);
}

}  // namespace
