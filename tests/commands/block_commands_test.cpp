#include "commands/block_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "commands/list_commands.h"
#include "content/record_clipboard.h"
#include "commands/list_fixture.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::ListFixture;
using qn::test::Names;

namespace {

class BlockTest : public ListFixture {
 protected:
  void SetUp() override {
    ListFixture::SetUp();
    top = TopList({"Mapper", "Post", "Arkiv"});
    sub = SubList(top[0], {"A", "B", "C", "D"});
  }
  void Mark(Position first, Position last) {
    dp().Load(first);
    MarkBlockFirst(*db);
    dp().Load(last);
    MarkBlockLast(*db);
  }
  std::vector<Position> top, sub;
};

TEST_F(BlockTest, MarkingTheFirstSetsAnUnsetEndToo) {
  dp().Load(sub[1]);
  MarkBlockFirst(*db);
  EXPECT_EQ(dp().BlockStart(), sub[1]);
  EXPECT_EQ(dp().BlockEnd(), sub[1]);
  dp().Load(sub[2]);
  MarkBlockLast(*db);
  dp().Load(sub[0]);
  MarkBlockFirst(*db);
  EXPECT_EQ(dp().BlockEnd(), sub[2]);
  EXPECT_TRUE(GoToBlockEnd(*db).done);
  EXPECT_EQ(dp().CurrentPosition(), sub[2]);
  EXPECT_TRUE(GoToBlockStart(*db).done);
  EXPECT_EQ(dp().CurrentPosition(), sub[0]);
}

TEST_F(BlockTest, MovingABlockAtTheHeadOfASubListRightPutsTheNewLineFirstUnderTheParent) {
  Mark(sub[0], sub[1]);
  EXPECT_TRUE(MoveBlockRight(*db, "Gruppe").done);
  EXPECT_EQ(SubNames(top[0]), (Names{"Gruppe", "C", "D"}));
  const Position line = RecordAt(top[0]).right;
  EXPECT_EQ(RecordAt(line).left, top[0]);
  EXPECT_EQ(RecordAt(line).up, 0);
  EXPECT_EQ(SubNames(line), (Names{"A", "B"}));
  EXPECT_EQ(RecordAt(sub[0]).left, line);
  EXPECT_EQ(dp().CurrentPosition(), sub[0]);
}

TEST_F(BlockTest, MovingABlockInTheMiddleRightLeavesTheNewLineInItsPlace) {
  Mark(sub[1], sub[2]);
  EXPECT_TRUE(MoveBlockRight(*db, "Midten").done);
  EXPECT_EQ(SubNames(top[0]), (Names{"A", "Midten", "D"}));
  EXPECT_EQ(SubNames(RecordAt(sub[0]).down), (Names{"B", "C"}));
}

TEST_F(BlockTest, MovingTheWholeTopLevelListRightRewritesTheFileHeader) {
  Mark(top[0], top[2]);
  EXPECT_TRUE(MoveBlockRight(*db, "Alt").done);
  EXPECT_EQ(TopNames(), (Names{"Alt"}));
  EXPECT_EQ(SubNames(TopFirst()), (Names{"Mapper", "Post", "Arkiv"}));
  EXPECT_EQ(SubNames(top[0]), (Names{"A", "B", "C", "D"}));
}

TEST_F(BlockTest, ABlockOfOneRecordAtTheEndOfItsList) {
  Mark(sub[3], sub[3]);
  EXPECT_TRUE(MoveBlockRight(*db, "Siste").done);
  EXPECT_EQ(SubNames(top[0]), (Names{"A", "B", "C", "Siste"}));
  EXPECT_EQ(SubNames(RecordAt(sub[2]).down), (Names{"D"}));
}

TEST_F(BlockTest, AnEmptyNameMovesNothing) {
  Mark(sub[0], sub[1]);
  const Bytes before = File();
  const BlockResult r = MoveBlockRight(*db, "");
  EXPECT_FALSE(r.done);
  EXPECT_TRUE(r.message.empty());
  EXPECT_EQ(File(), before);
}

TEST_F(BlockTest, ABlockAcrossTwoListsOrUpsideDownIsRefusedWithoutAChange) {
  const Bytes before = File();
  Mark(sub[1], top[2]);
  BlockResult r = MoveBlockRight(*db, "X");
  EXPECT_FALSE(r.done);
  EXPECT_EQ(r.message, kBlockNotOneListMessage);
  Mark(sub[2], sub[1]);
  EXPECT_EQ(MoveBlockRight(*db, "X").message, kBlockNotOneListMessage);
  EXPECT_EQ(DeleteBlock(*db).message, kBlockNotOneListMessage);
  EXPECT_EQ(CopyBlock(*db).message, kBlockNotOneListMessage);
  EXPECT_EQ(File(), before);
  EXPECT_FALSE(db->blockClipboard);
}

TEST_F(BlockTest, ABlockHoldingADeletedRecordIsRefusedWithoutAChange) {
  checkAtEnd = false;
  // "B" is marked deleted but the list still runs through it.
  Damage(sub[1], kKindOffset, RecordAt(sub[1]).kind | kKindDeleted);
  const Bytes before = File();
  Mark(sub[0], sub[2]);
  EXPECT_EQ(CopyBlock(*db).message, kBlockDamagedMessage);
  EXPECT_EQ(CutBlock(*db).message, kBlockDamagedMessage);
  EXPECT_EQ(DeleteBlock(*db).message, kBlockDamagedMessage);
  EXPECT_EQ(MoveBlockRight(*db, "X").message, kBlockDamagedMessage);
  // As the block's first or last record it is gone.
  Mark(sub[1], sub[2]);
  EXPECT_EQ(CopyBlock(*db).message, kBlockGoneMessage);
  Mark(sub[0], sub[1]);
  EXPECT_EQ(DeleteBlock(*db).message, kBlockGoneMessage);
  EXPECT_EQ(File(), before);
  EXPECT_FALSE(db->blockClipboard);
}

TEST_F(BlockTest, NothingIsPastedBelowADeletedRecordOrTheFileHeader) {
  Mark(sub[1], sub[2]);
  ASSERT_TRUE(CopyBlock(*db).done);
  dp().Load(top[2]);
  dp().Delete();
  const Bytes before = File();
  for (Position target : {top[2], Position(0)}) {
    dp().Load(target);
    EXPECT_EQ(PasteBlock(*db).message, kBlockNoPlaceMessage) << target;
    EXPECT_EQ(PasteBlockPointers(*db).message, kBlockNoPlaceMessage) << target;
  }
  EXPECT_EQ(File(), before);
  EXPECT_TRUE(db->blockClipboard);
}

TEST_F(BlockTest, CopiesArePastedBelowTheCurrentRecordWithTheirOwnNames) {
  Mark(sub[1], sub[2]);
  ASSERT_TRUE(CopyBlock(*db).done);
  dp().Load(top[2]);
  ASSERT_TRUE(PasteBlock(*db).done);
  EXPECT_EQ(TopNames(), (Names{"Mapper", "Post", "Arkiv", "B", "C"}));
  const Position copy = RecordAt(top[2]).down;
  EXPECT_NE(RecordAt(copy).nameBlock, RecordAt(sub[1]).nameBlock);
  EXPECT_EQ(RecordAt(copy).kind, kKindNamed);
  EXPECT_EQ(dp().CurrentPosition(), RecordAt(copy).down);
  EXPECT_EQ(SubNames(top[0]), (Names{"A", "B", "C", "D"}));
  // The clipboard stays: a second paste makes a second pair.
  ASSERT_TRUE(PasteBlock(*db).done);
  EXPECT_EQ(TopNames(), (Names{"Mapper", "Post", "Arkiv", "B", "C", "B", "C"}));
}

TEST_F(BlockTest, ACopiedDataRecordGetsItsOwnDataAndOrigin4) {
  dp().Load(sub[3]);
  const Position data = DataBelow({7, 8, 9});
  Mark(data, data);
  CopyBlock(*db);
  dp().Load(top[1]);
  PasteBlock(*db);
  const Position copy = dp().CurrentPosition();
  EXPECT_EQ(RecordAt(copy).kind, kKindData);
  EXPECT_EQ(RecordAt(copy).origin, kOriginCopy);
  EXPECT_NE(RecordAt(copy).dataBlock, RecordAt(data).dataBlock);
  EXPECT_EQ(PayloadOf(copy), PayloadOf(data));
}

TEST_F(BlockTest, ACopiedNoteGetsItsOwnNoteBlockAndACopiedFileLinkKeepsItsTarget) {
  dp().Load(sub[3]);
  const Position note = NewLine(*db, DirDown, "Notat");
  std::array<uint8_t, kNoteTextSize> text{};
  text[0] = 'h';
  text[1] = 'i';
  AddNote(*db, text);
  const Position link = NewLine(*db, DirDown, "Lenke");
  dp().SetKind(kKindFileLink);
  dp().SetDataBlock(top[2]);
  dp().Store();
  Mark(note, link);
  CopyBlock(*db);
  dp().Load(top[1]);
  ASSERT_TRUE(PasteBlock(*db).done);
  const Position noteCopy = RecordAt(top[1]).down;
  const Position linkCopy = RecordAt(noteCopy).down;
  EXPECT_EQ(RecordAt(noteCopy).kind, kKindNamedNote);
  EXPECT_NE(RecordAt(noteCopy).noteBlock, RecordAt(note).noteBlock);
  const Bytes f = File();
  EXPECT_TRUE(std::equal(f.begin() + RecordAt(note).noteBlock, f.begin() + RecordAt(note).noteBlock + kNoteBlockSize,
                         f.begin() + RecordAt(noteCopy).noteBlock));
  EXPECT_EQ(RecordAt(linkCopy).kind, kKindFileLink);
  EXPECT_EQ(RecordAt(linkCopy).dataBlock, top[2]);
  EXPECT_EQ(StoredName(linkCopy), "Lenke");
}

TEST_F(BlockTest, PastingInsideTheCopiedBlockCopiesItAsItWas) {
  Mark(sub[0], sub[1]);
  CopyBlock(*db);
  dp().Load(sub[0]);
  ASSERT_TRUE(PasteBlock(*db).done);
  EXPECT_EQ(SubNames(top[0]), (Names{"A", "A", "B", "B", "C", "D"}));
}

TEST_F(BlockTest, PointersAreShadowsOfTheBlocksRecordsInOrder) {
  Mark(sub[0], sub[2]);
  CopyBlock(*db);
  dp().Load(top[1]);
  ASSERT_TRUE(PasteBlockPointers(*db).done);
  EXPECT_EQ(TopNames(), (Names{"Mapper", "Post", "A", "B", "C", "Arkiv"}));
  Position p = RecordAt(top[1]).down;
  for (Position original : {sub[0], sub[1], sub[2]}) {
    EXPECT_EQ(RecordAt(p).origin, kOriginShadow);
    EXPECT_EQ(RecordAt(p).nameBlock, RecordAt(original).nameBlock);
    p = RecordAt(p).down;
  }
}

TEST_F(BlockTest, ACutBlockIsMovedWithItsSubListsByThePaste) {
  auto under = SubList(sub[1], {"B1", "B2"});
  Mark(sub[1], sub[2]);
  const Bytes before = File();
  ASSERT_TRUE(CutBlock(*db).done);
  EXPECT_TRUE(CutPending(*db));
  EXPECT_EQ(File(), before);  // nothing is removed by the cut itself
  dp().Load(top[2]);
  const int64_t size = db->FileSizeOf();
  ASSERT_TRUE(PasteBlock(*db).done);
  EXPECT_EQ(db->FileSizeOf(), size);  // moved, not copied
  EXPECT_EQ(SubNames(top[0]), (Names{"A", "D"}));
  EXPECT_EQ(TopNames(), (Names{"Mapper", "Post", "Arkiv", "B", "C"}));
  EXPECT_EQ(SubNames(sub[1]), (Names{"B1", "B2"}));
  EXPECT_EQ(RecordAt(under[0]).left, sub[1]);
  EXPECT_EQ(dp().CurrentPosition(), sub[2]);
  EXPECT_FALSE(CutPending(*db));
}

TEST_F(BlockTest, ACutOfAWholeSubListLeavesTheParentWithoutOne) {
  Mark(sub[0], sub[3]);
  CutBlock(*db);
  dp().Load(top[1]);
  ASSERT_TRUE(PasteBlock(*db).done);
  EXPECT_EQ(RecordAt(top[0]).right, 0);
  EXPECT_EQ(TopNames(), (Names{"Mapper", "Post", "A", "B", "C", "D", "Arkiv"}));
}

TEST_F(BlockTest, ACutBlockIsNotPastedIntoItselfOrItsSubLists) {
  auto under = SubList(sub[1], {"B1"});
  Mark(sub[0], sub[1]);
  CutBlock(*db);
  const Bytes before = File();
  for (Position target : {sub[1], under[0]}) {
    dp().Load(target);
    EXPECT_EQ(PasteBlock(*db).message, kBlockIntoItselfMessage);
  }
  EXPECT_EQ(File(), before);
  EXPECT_TRUE(CutPending(*db));
}

TEST_F(BlockTest, DeletingABlockRemovesItsRecordsAndKeepsTheirSubLists) {
  SubList(sub[1], {"B1"});
  Mark(sub[1], sub[2]);
  ASSERT_TRUE(DeleteBlock(*db).done);
  EXPECT_EQ(SubNames(top[0]), (Names{"A", "D"}));
  EXPECT_EQ(SubNames(sub[3]), (Names{"B1"}));
  EXPECT_TRUE(RecordAt(sub[1]).IsDeleted());
  EXPECT_TRUE(RecordAt(sub[2]).IsDeleted());
  EXPECT_EQ(dp().BlockStart(), 0);
  EXPECT_EQ(dp().BlockEnd(), 0);
}

TEST_F(BlockTest, AClipboardWhoseRecordsWereDeletedIsEmptied) {
  Mark(sub[1], sub[2]);
  CopyBlock(*db);
  dp().Load(sub[2]);
  DeleteRecord(*db);
  EXPECT_FALSE(db->blockClipboard);
  EXPECT_EQ(dp().BlockEnd(), 0);
  EXPECT_EQ(dp().BlockStart(), sub[1]);
  dp().Load(top[2]);
  const Bytes before = File();
  EXPECT_FALSE(PasteBlock(*db).done);
  EXPECT_EQ(File(), before);
}

TEST_F(BlockTest, AClipboardBlockTornApartElsewhereIsRefusedAtThePasteAndEmptied) {
  Mark(sub[1], sub[2]);
  CutBlock(*db);
  dp().Load(sub[2]);
  dp().Delete();  // not through the commands: the paste finds out
  dp().Load(top[2]);
  const BlockResult r = PasteBlock(*db);
  EXPECT_FALSE(r.done);
  EXPECT_EQ(r.message, kBlockGoneMessage);
  EXPECT_FALSE(db->blockClipboard);
  EXPECT_FALSE(CutPending(*db));
}

TEST_F(BlockTest, GoingToADeletedBlockStartIsRefusedAndClearsIt) {
  Mark(sub[1], sub[2]);
  dp().Load(sub[1]);
  dp().Delete();
  dp().Load(top[0]);
  EXPECT_EQ(GoToBlockStart(*db).message, kBlockGoneMessage);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(dp().BlockStart(), 0);
}

}  // namespace
