#include "commands/marks.h"

#include <gtest/gtest.h>

#include "store/cursor_fixture.h"
#include "commands/list_commands.h"

using namespace qn;
using qn::test::CursorFixture;
using qn::test::Names;

namespace {

class MarksTest : public CursorFixture {
 protected:
  void SetUp() override {
    CursorFixture::SetUp();
    top = TopList({"Anne", "Bodil", "Cato", "Dag"});
    marks = std::make_unique<MarkList>(*db);
  }
  void TearDown() override {
    marks.reset();
    ExpectConsistent();
    CursorFixture::TearDown();
  }
  void MarkAt(Position p) {
    dp().Load(p);
    EXPECT_EQ(marks->Push(), "");
  }
  std::vector<Position> Stack() const {
    std::vector<Position> out;
    for (int i = 1; i <= db->StackTop(); ++i) out.push_back(db->StackSlot(i));
    return out;
  }
  std::vector<Position> top;
  std::unique_ptr<MarkList> marks;
};

TEST_F(MarksTest, AMarkShowsTheDisplayNameAndIsSelected) {
  MarkAt(top[1]);
  MarkAt(top[2]);
  EXPECT_EQ(marks->Lines(), (Names{"Bodil", "Cato"}));
  EXPECT_EQ(marks->Selected(), 1);
  EXPECT_TRUE(marks->PanelVisible());
  EXPECT_EQ(Stack(), (std::vector<Position>{top[1], top[2]}));
  EXPECT_EQ(marks->MarkAt(0), top[1]);
  EXPECT_EQ(marks->LastMark(), top[2]);
  EXPECT_EQ(MarkList::StackEntry(0), 1);
}

TEST_F(MarksTest, TwoMarksOnOneRecordArePoppedTwiceBackToIt) {
  MarkAt(top[0]);
  MarkAt(top[0]);
  EXPECT_EQ(marks->Count(), 2);
  for (int i = 0; i < 2; ++i) {
    dp().Load(top[3]);
    EXPECT_EQ(marks->Pop(), top[0]);
    EXPECT_EQ(dp().CurrentPosition(), top[0]);
  }
  EXPECT_EQ(marks->Count(), 0);
  EXPECT_EQ(db->StackTop(), 0);
  EXPECT_EQ(marks->Pop(), -1);
}

TEST_F(MarksTest, GoingToALineKeepsItsMark) {
  MarkAt(top[1]);
  MarkAt(top[2]);
  dp().Load(top[3]);
  EXPECT_EQ(marks->GoTo(0), top[1]);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);
  EXPECT_EQ(marks->Count(), 2);
  EXPECT_EQ(marks->GoTo(2), -1);
}

TEST_F(MarksTest, RemovingTheOnlyMarkEmptiesTheListAndHidesThePanel) {
  MarkAt(top[1]);
  EXPECT_TRUE(marks->Remove(0));
  EXPECT_EQ(marks->Count(), 0);
  EXPECT_EQ(db->StackTop(), 0);
  EXPECT_FALSE(marks->PanelVisible());
  EXPECT_EQ(marks->Selected(), -1);
}

TEST_F(MarksTest, RemovingAMiddleLineMovesTheEntriesAboveItDown) {
  MarkAt(top[0]);
  MarkAt(top[1]);
  MarkAt(top[2]);
  dp().Load(top[3]);
  dp().SetLastDirection(DirRight);
  EXPECT_TRUE(marks->Remove(1));
  EXPECT_EQ(marks->Lines(), (Names{"Anne", "Cato"}));
  EXPECT_EQ(Stack(), (std::vector<Position>{top[0], top[2]}));
  EXPECT_EQ(marks->Selected(), 0);
  EXPECT_EQ(dp().CurrentPosition(), top[3]);
  EXPECT_EQ(dp().LastDirection(), DirRight);
  EXPECT_TRUE(marks->PanelVisible());
  EXPECT_FALSE(marks->Remove(5));
}

TEST_F(MarksTest, APushOnAFullStackIsRefusedWithAMessage) {
  dp().Load(top[0]);
  for (int i = 0; i < 254; ++i) ASSERT_EQ(marks->Push(), "");
  EXPECT_EQ(marks->Push(), "Kan ikke merke flere poster (maks 254)");
  EXPECT_EQ(marks->Count(), 254);
  EXPECT_EQ(db->StackTop(), 254);
  marks->RemoveAll();
  EXPECT_EQ(db->StackTop(), 0);
  EXPECT_FALSE(marks->PanelVisible());
}

TEST_F(MarksTest, SyncFollowsPushesAndPopsMadeBesideTheList) {
  MarkAt(top[0]);
  MarkAt(top[1]);
  EXPECT_FALSE(marks->Sync());
  dp().Load(top[3]);
  db->PushPosition();
  dp().Load(top[2]);
  EXPECT_TRUE(marks->Sync());
  EXPECT_EQ(marks->Lines(), (Names{"Anne", "Bodil", "Dag"}));
  EXPECT_EQ(dp().CurrentPosition(), top[2]);
  // Two popped and another pushed: the same count, but the second line is not Bodil's.
  db->DropPosition();
  db->DropPosition();
  db->PushPosition();
  EXPECT_TRUE(marks->Sync());
  EXPECT_EQ(marks->Lines(), (Names{"Anne", "Cato"}));
  EXPECT_EQ(marks->Positions(), (std::vector<Position>{top[0], top[2]}));
  db->DropPosition();
  db->DropPosition();
  EXPECT_TRUE(marks->Sync());
  EXPECT_EQ(marks->Count(), 0);
  EXPECT_FALSE(marks->PanelVisible());
}

TEST_F(MarksTest, ShadowsOfAllMarksFollowTheMarkOrder) {
  MarkAt(top[2]);
  MarkAt(top[0]);
  dp().Load(top[3]);
  EXPECT_EQ(PasteShadowsOfMarks(*db, marks->Positions()), 2);
  EXPECT_EQ(ListAt(top[0]), (Names{"Anne", "Bodil", "Cato", "Dag", "Cato", "Anne"}));
  EXPECT_EQ(marks->Count(), 2);
}

}  // namespace
