#include "commands/list_commands.h"

#include <gtest/gtest.h>

#include "content/record_clipboard.h"
#include "commands/list_fixture.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::ListFixture;
using qn::test::Names;

namespace {

class MoveUpTest : public ListFixture {};

TEST_F(MoveUpTest, TheFirstRecordOfAListStaysWhereItIs) {
  auto top = TopList({"A", "B"});
  auto sub = SubList(top[0], {"a1", "a2"});
  for (Position first : {top[0], sub[0]}) {
    dp().Load(first);
    const Bytes before = File();
    EXPECT_EQ(MoveRecordUp(*db), -1);
    EXPECT_EQ(File(), before);
    EXPECT_EQ(dp().CurrentPosition(), first);
  }
}

TEST_F(MoveUpTest, ARecordRisesOnePlaceAndTheCursorStaysOnIt) {
  auto top = TopList({"P"});
  auto sub = SubList(top[0], {"a", "b", "c"});
  dp().Load(sub[1]);
  dp().SetLastDirection(DirRight);
  EXPECT_EQ(MoveRecordUp(*db), sub[1]);
  EXPECT_EQ(SubNames(top[0]), (Names{"b", "a", "c"}));
  EXPECT_EQ(RecordAt(top[0]).right, sub[1]);
  EXPECT_EQ(dp().CurrentPosition(), sub[1]);
  EXPECT_EQ(dp().LastDirection(), DirRight);
  EXPECT_EQ(db->StackTop(), 0);
}

class MarkShadowTest : public ListFixture {};

TEST_F(MarkShadowTest, ShadowsOfThreeMarksStandInMarkOrderBelowTheCurrentRecord) {
  auto top = TopList({"Her", "Arkiv"});
  auto marked = SubList(top[1], {"A", "B", "C"});
  dp().Load(top[0]);
  const std::vector<Position> marks = {marked[0], marked[1], marked[2]};
  EXPECT_EQ(PasteShadowsOfMarks(*db, marks), 3);
  EXPECT_EQ(TopNames(), (Names{"Her", "A", "B", "C", "Arkiv"}));
  Position p = RecordAt(top[0]).down;
  for (Position mark : marks) {
    EXPECT_EQ(RecordAt(p).origin, kOriginShadow);
    EXPECT_EQ(RecordAt(p).nameBlock, RecordAt(mark).nameBlock);
    EXPECT_EQ(RecordAt(p).right, 0);
    p = RecordAt(p).down;
  }
  EXPECT_EQ(dp().CurrentPosition(), RecordAt(top[1]).up);  // on the last shadow
  EXPECT_EQ(SubNames(top[1]), (Names{"A", "B", "C"}));
}

TEST_F(MarkShadowTest, AMarkThatIsNoRecordMakesNothing) {
  auto top = TopList({"Her"});
  dp().Load(top[0]);
  const Position nameBlock = dp().NameBlock();
  const Bytes before = File();
  EXPECT_EQ(PasteShadowOfMark(*db, nameBlock), -1);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
}

TEST_F(MarkShadowTest, InheritAndUpdateNeedADataRecordAndAMark) {
  auto top = TopList({"Linje"});
  const Position source = DataBelow({1, 2});
  const Position target = DataBelow({3, 4});
  EXPECT_EQ(UpdateFromMark(*db, source), source);
  EXPECT_EQ(RecordAt(target).updateFrom, source);
  EXPECT_EQ(InheritDataFromMark(*db, source), source);
  EXPECT_EQ(RecordAt(target).inheritBlock, RecordAt(source).dataBlock);
  EXPECT_EQ(UpdateFromMark(*db, -1), -1);  // no mark
  dp().Load(top[0]);
  EXPECT_EQ(UpdateFromMark(*db, source), -1);  // a line has no data
}

class ClipboardCommandTest : public ListFixture {
 protected:
  void SetUp() override {
    ListFixture::SetUp();
    line = TopList({"Data"})[0];
    source = DataBelow({10, 20, 30, 40});
  }
  Position line = 0, source = 0;
};

TEST_F(ClipboardCommandTest, CopyThenPasteTwiceMakesTwoOwnCopiesWithOrigin4) {
  EXPECT_GT(CopyRecord(*db), 0);
  EXPECT_EQ(PasteRecord(*db), 0);
  const Position first = dp().CurrentPosition();
  EXPECT_EQ(PasteRecord(*db), 0);
  const Position second = dp().CurrentPosition();
  EXPECT_EQ(Chain(TopFirst()), (std::vector<Position>{line, source, first, second}));
  for (Position copy : {first, second}) {
    EXPECT_EQ(RecordAt(copy).origin, kOriginCopy);
    EXPECT_EQ(RecordAt(copy).kind, kKindData);
    EXPECT_EQ(PayloadOf(copy), PayloadOf(source));
  }
  EXPECT_NE(RecordAt(first).dataBlock, RecordAt(source).dataBlock);
  EXPECT_NE(RecordAt(second).dataBlock, RecordAt(first).dataBlock);
}

TEST_F(ClipboardCommandTest, CutOfANamedLineDeletesItAndLeavesTheClipboard) {
  CopyRecord(*db);
  const tDataClipboard before = db->clipboard;
  dp().Load(line);
  EXPECT_EQ(CutRecord(*db), 0);
  EXPECT_TRUE(RecordAt(line).IsDeleted());
  EXPECT_EQ(db->clipboard.record, before.record);
  EXPECT_EQ(db->clipboard.data, before.data);
  EXPECT_EQ(TopFirst(), source);
}

TEST_F(ClipboardCommandTest, ACutDataRecordCanStillBePasted) {
  EXPECT_EQ(CutRecord(*db), 0);
  EXPECT_EQ(db->clipboard.record, source);
  dp().Load(line);
  EXPECT_EQ(PasteRecord(*db), 0);
  EXPECT_EQ(PayloadOf(dp().CurrentPosition()), (Bytes{10, 20, 30, 40}));
}

TEST_F(ClipboardCommandTest, CopyAndPasteTakeOnlyDataKinds) {
  dp().Load(line);
  const tDataClipboard before = db->clipboard;
  EXPECT_EQ(CopyRecord(*db), -1);
  EXPECT_EQ(db->clipboard.data, before.data);
  EXPECT_EQ(PasteRecord(*db), -1);  // the clipboard is empty
  EXPECT_EQ(Chain(TopFirst()).size(), 2u);
}

TEST_F(ClipboardCommandTest, ARefusalSaysWhy) {
  dp().Load(line);
  EXPECT_EQ(CopyRefusedText(*db), kNotCopyableText);
  EXPECT_EQ(PasteRefusedText(*db), kNothingCopiedText);
  dp().Load(0);
  EXPECT_EQ(DeleteRecord(*db), -1);
  EXPECT_EQ(DeleteRefusedText(*db), kFileHeaderKeptText);

  // A copied record whose data block no longer lies whole in the file.
  dp().Load(source);
  CopyRecord(*db);
  db->clipboard.data = Position(File().size()) - 2;
  dp().Load(line);
  EXPECT_EQ(PasteRecord(*db), -1);
  EXPECT_EQ(PasteRefusedText(*db), kCopiedDataUnreadableText);
}

class RepairTest : public ListFixture {};

TEST_F(RepairTest, ARecordWithADamagedSizeIsStoredWith256AndTheCursorGoesToTheFirstData) {
  auto top = TopList({"System", "Data"});
  auto sys = SubList(top[0], {"Version"});
  auto data = SubList(top[1], {"Første", "Andre"});
  Damage(sys[0], kSizeOffset, 300);
  Damage(data[1], kSizeOffset, 0);
  ASSERT_NE(dp().Load(data[1]), 0);  // not loadable as it is
  dp().Load(top[0]);
  const uint64_t writes = Writes();
  const RepairResult r = RepairRecordSizes(*db);
  EXPECT_EQ(r.records, 6);  // the file header record and five records
  EXPECT_EQ(r.repaired, 2);
  EXPECT_EQ(Writes() - writes, 2u);
  EXPECT_EQ(At(sys[0], kSizeOffset), 256);
  EXPECT_EQ(At(data[1], kSizeOffset), 256);
  EXPECT_EQ(dp().CurrentPosition(), data[0]);
}

TEST_F(RepairTest, APointerCycleEndsTheWalk) {
  checkAtEnd = false;
  auto top = TopList({"A", "B"});
  Damage(top[1], kDownOffset, top[0]);
  Damage(top[1], kRightOffset, top[1]);
  EXPECT_EQ(RepairRecordSizes(*db).records, 3);
}

class LineTest : public ListFixture {};

TEST_F(LineTest, NewLinesGoBelowOrIntoTheSubListAndNeedAText) {
  auto top = TopList({"Topp"});
  dp().Load(top[0]);
  const Position right = NewLine(*db, DirRight, "Under");
  EXPECT_EQ(SubNames(top[0]), (Names{"Under"}));
  const Position below = NewLine(*db, DirDown, "Neste");
  EXPECT_EQ(RecordAt(right).down, below);
  EXPECT_EQ(SubNames(top[0]), (Names{"Under", "Neste"}));
  const Bytes before = File();
  EXPECT_EQ(NewLine(*db, DirDown, ""), -1);
  EXPECT_EQ(NewLine(*db, DirLeft, "Venstre"), -1);
  EXPECT_EQ(File(), before);
}

TEST_F(LineTest, RenamingToAnEmptyTextIsRefused) {
  auto top = TopList({"Gammelt"});
  dp().Load(top[0]);
  EXPECT_FALSE(RenameRecord(*db, ""));
  EXPECT_EQ(StoredName(top[0]), "Gammelt");
  EXPECT_TRUE(RenameRecord(*db, "Nytt"));
  EXPECT_EQ(StoredName(top[0]), "Nytt");
}

}  // namespace
