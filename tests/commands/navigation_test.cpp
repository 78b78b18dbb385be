#include "commands/navigation.h"

#include <gtest/gtest.h>

#include "commands/list_commands.h"
#include "content/record_clipboard.h"
#include "commands/list_fixture.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::ListFixture;

namespace {

class SearchTest : public ListFixture {
 protected:
  void SetUp() override {
    ListFixture::SetUp();
    top = TopList({"Kunder", "Leverandører", "Arkiv"});
    level1 = SubList(top[1], {"Norge", "Sverige"});
    level2 = SubList(level1[0], {"Oslo", "Bergen"});
    level3 = SubList(level2[1], {"Fisk og skalldyr AS", "Bryggen Øl"});
  }
  std::vector<Position> top, level1, level2, level3;
};

TEST_F(SearchTest, TheWholeDatabaseIsSearchedDepthFirstIntoADeepSubList) {
  dp().Load(top[2]);
  EXPECT_EQ(FindByDisplayName(*db, "brygGEN ø", true), level3[1]);
  EXPECT_EQ(dp().CurrentPosition(), level3[1]);
}

TEST_F(SearchTest, AMissLeavesTheCursorAndItsDirectionAsTheyWere) {
  dp().Load(top[2]);
  dp().SetLastDirection(DirRight);
  EXPECT_EQ(FindByDisplayName(*db, "Danmark", true), -1);
  EXPECT_EQ(dp().CurrentPosition(), top[2]);
  EXPECT_EQ(dp().LastDirection(), DirRight);
  EXPECT_EQ(db->StackTop(), 0);
}

TEST_F(SearchTest, FromTheCurrentRecordTheSearchBeginsWithItAndEndsWithItsList) {
  dp().Load(top[1]);
  EXPECT_EQ(FindByDisplayName(*db, "KUNDER", false), -1);  // above the start
  EXPECT_EQ(FindByDisplayName(*db, "arkiv", false), top[2]);
  EXPECT_EQ(FindByDisplayName(*db, "arkiv", false), top[2]);  // again: the same record
  dp().Load(top[1]);
  EXPECT_EQ(FindByDisplayName(*db, "e", false), top[1]);  // the current record itself
}

TEST_F(SearchTest, AFullPositionStackDoesNotHinderTheSearch) {
  dp().Load(top[0]);
  while (db->PushPosition() >= 0) {
  }
  EXPECT_EQ(FindByDisplayName(*db, "bergen", true), level2[1]);
  EXPECT_EQ(db->StackTop(), 254);
  while (db->DropPosition() >= 0) {
  }
}

TEST_F(SearchTest, ASubListThatRunsInACycleEndsTheSearch) {
  checkAtEnd = false;
  Damage(level3[1], kDownOffset, level3[0]);
  dp().Load(top[0]);
  EXPECT_EQ(FindByDisplayName(*db, "finnes ikke", true), -1);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
}

TEST_F(SearchTest, AnEmptyTextFindsNothing) {
  dp().Load(top[0]);
  EXPECT_EQ(FindByDisplayName(*db, "", true), -1);
}

TEST_F(SearchTest, AMissIsToldWithTheText) {
  EXPECT_EQ(NotFoundText("Bryggen Øl"), "Fant ikke \"Bryggen Øl\"");
}

class StepTest : public ListFixture {
 protected:
  void SetUp() override {
    ListFixture::SetUp();
    top = TopList({"Kunder", "Arkiv"});
    list = SubList(top[0], {"a", "b", "c", "d", "e", "f", "g"});
  }
  // Takes the step from `from`; where the cursor ends.
  Position Step(Position from, ListStep step, int32_t page = 3) {
    dp().Load(from);
    last = StepInList(*db, step, page);
    return dp().CurrentPosition();
  }
  std::vector<Position> top, list;
  ListStepResult last;
};

TEST_F(StepTest, StepsAndPagesStayInTheListAndStopAtItsEnds) {
  EXPECT_EQ(Step(list[2], ListStep::kDown), list[3]);
  EXPECT_EQ(last.passed, 1);
  EXPECT_EQ(Step(list[2], ListStep::kUp), list[1]);
  EXPECT_EQ(Step(list[1], ListStep::kPageDown), list[4]);
  EXPECT_EQ(last.passed, 3);
  EXPECT_EQ(Step(list[5], ListStep::kPageDown), list[6]);  // a short page: to the end
  EXPECT_EQ(last.passed, 1);
  EXPECT_EQ(Step(list[1], ListStep::kPageUp), list[0]);
  EXPECT_EQ(Step(list[3], ListStep::kPageUp, 0), list[2]);  // a page is at least a record
  EXPECT_EQ(Step(list[3], ListStep::kFirst), list[0]);
  EXPECT_EQ(Step(list[3], ListStep::kLast), list[6]);
  EXPECT_TRUE(last.message.empty());
  EXPECT_EQ(dp().LastDirection(), DirUp);
}

TEST_F(StepTest, AtAnEndNothingMovesAndTheTextSaysWhy) {
  // The first record of a sub-list goes no higher: its parent is to the left, not above.
  for (ListStep step : {ListStep::kUp, ListStep::kPageUp, ListStep::kFirst}) {
    EXPECT_EQ(Step(list[0], step), list[0]);
    EXPECT_EQ(last.passed, 0);
    EXPECT_EQ(last.message, kFirstInListText);
  }
  for (ListStep step : {ListStep::kDown, ListStep::kPageDown, ListStep::kLast}) {
    EXPECT_EQ(Step(list[6], step), list[6]);
    EXPECT_EQ(last.message, kLastInListText);
  }
  EXPECT_EQ(db->StackTop(), 0);
}

TEST_F(StepTest, APageThroughAListThatRunsInACircleEndsAfterItsRecords) {
  checkAtEnd = false;
  Damage(list[6], kDownOffset, list[0]);
  EXPECT_EQ(Step(list[5], ListStep::kPageDown, 81), list[(5 + 81) % 7]);
  EXPECT_EQ(last.passed, 81);
  Step(list[5], ListStep::kLast);  // the engine's own walk is bounded as well
  EXPECT_GT(last.passed, 0);
}

class JumpTest : public ListFixture {};

TEST_F(JumpTest, TheAnswerIsCutTo21CharactersAndReadAsADecimalNumber) {
  EXPECT_EQ(ParseFilePosition("1280"), 1280);
  EXPECT_EQ(ParseFilePosition("  512 "), 512);
  EXPECT_EQ(ParseFilePosition("-5"), -5);
  EXPECT_EQ(ParseFilePosition("12ab"), 0);
  EXPECT_EQ(ParseFilePosition("abc"), 0);
  EXPECT_EQ(ParseFilePosition(""), 0);
  EXPECT_EQ(ParseFilePosition("99999999999"), 0);  // beyond a Position
  EXPECT_EQ(ParseFilePosition("000000000000000000001" "7"), 1);
  EXPECT_EQ(ParseFilePosition("øøøøøøøøøøøøøøøøøøøøø7"), 0);
}

TEST_F(JumpTest, ARecordPositionIsLoaded) {
  auto top = TopList({"A", "B"});
  dp().Load(top[0]);
  const JumpResult r = JumpToFilePosition(*db, top[1]);
  EXPECT_TRUE(r.moved);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);
}

TEST_F(JumpTest, APositionWhereNoPointerRecordStartsIsRefusedWithAMessage) {
  auto top = TopList({"A"});
  dp().Load(top[0]);
  const Position nameBlock = dp().NameBlock();
  for (Position p : {nameBlock, top[0] + 4, Position(File().size()), Position(-256)}) {
    const JumpResult r = JumpToFilePosition(*db, p);
    EXPECT_FALSE(r.moved);
    EXPECT_EQ(r.message, "Det starter ingen peker på filposisjon " + std::to_string(p));
    EXPECT_EQ(dp().CurrentPosition(), top[0]);
  }
}

TEST_F(JumpTest, ARecordWithoutItsSignatureIsRefused) {
  checkAtEnd = false;
  auto top = TopList({"A", "B"});
  Damage(top[1], kSignatureOffset, 0);
  dp().Load(top[0]);
  EXPECT_FALSE(JumpToFilePosition(*db, top[1]).moved);
}

class OriginalTest : public ListFixture {
 protected:
  void SetUp() override {
    ListFixture::SetUp();
    line = TopList({"Data"})[0];
    source = DataBelow({1, 2, 3});
    CopyRecord(*db);
    dp().Load(line);
    PasteRecordShadow(*db);
    shadow = dp().CurrentPosition();
  }
  Position line = 0, source = 0, shadow = 0;
};

TEST_F(OriginalTest, FromAShadowToTheRecordItWasPastedFrom) {
  EXPECT_EQ(RecordAt(shadow).origin, kOriginDataShadow);
  EXPECT_EQ(RecordAt(shadow).dataBlock, RecordAt(source).dataBlock);
  bool asked = false;
  const OriginalResult r = GoToOriginal(*db, [&](std::string_view) { return asked = true; });
  EXPECT_EQ(r.status, OriginalStatus::kAtOriginal);
  EXPECT_EQ(dp().CurrentPosition(), source);
  EXPECT_FALSE(asked);
}

TEST_F(OriginalTest, ARecordThatIsNoDataShadowGoesNowhere) {
  dp().Load(line);
  EXPECT_EQ(GoToOriginal(*db, nullptr).status, OriginalStatus::kNotAShadow);
  EXPECT_EQ(dp().CurrentPosition(), line);
}

TEST_F(OriginalTest, ADeletedOriginalIsRestoredBelowTheShadowWhenTheUserAgrees) {
  dp().Load(source);
  dp().Delete();
  dp().Load(shadow);
  std::string question;
  const OriginalResult r = GoToOriginal(*db, [&](std::string_view q) {
    question = q;
    return true;
  });
  EXPECT_EQ(question, "Originalen er slettet. Vil du gjenopprette originalen ?");
  EXPECT_EQ(r.status, OriginalStatus::kRestored);
  const Position restored = dp().CurrentPosition();
  EXPECT_EQ(RecordAt(shadow).down, restored);
  EXPECT_EQ(RecordAt(restored).dataBlock, RecordAt(source).dataBlock);
  EXPECT_EQ(RecordAt(restored).kind, kKindData);
  EXPECT_EQ(RecordAt(shadow).sourceRecord, restored);
  // Asked again, the shadow leads to the restored record without a question.
  dp().Load(shadow);
  EXPECT_EQ(GoToOriginal(*db, nullptr).status, OriginalStatus::kAtOriginal);
  EXPECT_EQ(dp().CurrentPosition(), restored);
}

TEST_F(OriginalTest, ADeletedOriginalTheUserKeepsDeletedLeavesTheCursorOnTheShadow) {
  dp().Load(source);
  dp().Delete();
  dp().Load(shadow);
  const Bytes before = File();
  const OriginalResult r = GoToOriginal(*db, [](std::string_view) { return false; });
  EXPECT_EQ(r.status, OriginalStatus::kDeclined);
  EXPECT_EQ(dp().CurrentPosition(), shadow);
  EXPECT_EQ(File(), before);
}

TEST_F(OriginalTest, AShadowWhoseSourceIsNoRecordSaysSo) {
  checkAtEnd = false;
  Damage(shadow, kSourceRecordOffset, RecordAt(source).dataBlock);
  dp().Load(shadow);
  const OriginalResult r = GoToOriginal(*db, nullptr);
  EXPECT_EQ(r.status, OriginalStatus::kMissing);
  EXPECT_EQ(r.message, "Originalen finnes ikke i databasen");
  EXPECT_EQ(dp().CurrentPosition(), shadow);
}

}  // namespace
