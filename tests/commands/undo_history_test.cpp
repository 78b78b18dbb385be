#include <gtest/gtest.h>

#include "commands/list_fixture.h"
#include "commands/undo_history.h"

using namespace qn;
using qn::test::Bytes;

namespace {

class UndoHistoryTest : public qn::test::ListFixture {
 protected:
  void SetUp() override {
    ListFixture::SetUp();
    top = TopList({"a", "b"});
    Watch(history);
  }
  void Watch(UndoHistory& h) {
    db->SetChangeObserver([&h](ChangeImages&& images) { h.Record(std::move(images)); });
  }
  // One command renaming the first record; the file after it.
  Bytes Rename(UndoHistory& h, const std::string& name) {
    h.BeginCommand(top[0]);
    {
      ChangeScope change(*db);
      dp().Load(top[0]);
      WriteName(*db, name);
    }
    h.EndCommand(StepName("&Egenskaper...", name));
    return File();
  }
  UndoHistory history;
  std::vector<Position> top;
};

TEST_F(UndoHistoryTest, StepsGoLastInFirstOutAndANewChangeDropsWhatWasUndone) {
  const Bytes start = File();
  const Bytes one = Rename(history, "one");
  const Bytes two = Rename(history, std::string(300, 't'));
  EXPECT_EQ(history.UndoName(), "Egenskaper «" + std::string(300, 't') + "»");
  UndoOutcome undone = history.Undo(*db);
  EXPECT_EQ(undone.error, 0);
  EXPECT_EQ(undone.startedOn, top[0]);
  EXPECT_EQ(File(), one);
  EXPECT_EQ(history.Undo(*db).error, 0);
  EXPECT_EQ(File(), start);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(history.Redo(*db).error, 0);
  EXPECT_EQ(File(), one);
  EXPECT_EQ(history.RedoName(), "Egenskaper «" + std::string(300, 't') + "»");
  Rename(history, "three");
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.Steps(), 2u);
  EXPECT_EQ(history.Undo(*db).error, 0);
  EXPECT_EQ(File(), one);
}

TEST_F(UndoHistoryTest, AFileThatNoLongerHoldsTheStepIsNotTouchedAndTheHistoryGoes) {
  Rename(history, "one");
  // A change the history never heard of.
  db->SetChangeObserver(nullptr);
  const Bytes changed = Rename(history, "elsewhere");
  const UndoOutcome out = history.Undo(*db);
  EXPECT_EQ(out.error, kErrorImageMismatch);
  EXPECT_NE(out.message.find("Kan ikke angre Egenskaper «one»"), std::string::npos);
  EXPECT_EQ(File(), changed);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(history.CanRedo());
}

TEST_F(UndoHistoryTest, TheOldestStepsGoPastTheBoundAndAChangeLargerThanItIsNotKept) {
  UndoHistory few(3, 1 << 20);
  Watch(few);
  std::vector<Bytes> after;
  for (int i = 0; i < 5; ++i) after.push_back(Rename(few, "n" + std::to_string(i)));
  EXPECT_EQ(few.Steps(), 3u);
  while (few.CanUndo()) ASSERT_EQ(few.Undo(*db).error, 0);
  EXPECT_EQ(File(), after[1]);

  UndoHistory small(200, 3000);
  Watch(small);
  Rename(small, "x");
  Rename(small, "y");
  EXPECT_EQ(small.Steps(), 2u);
  Rename(small, std::string(255, 'z'));  // a new name block: more than the bound allows with the others
  EXPECT_LE(small.Bytes(), 3000u);
  EXPECT_EQ(small.TakeNote(), "");
  UndoHistory tiny(200, 100);
  Watch(tiny);
  Rename(tiny, "w");
  EXPECT_FALSE(tiny.CanUndo());
  EXPECT_NE(tiny.TakeNote().find("kan ikke angres"), std::string::npos);
  EXPECT_EQ(tiny.TakeNote(), "");
}

TEST(StepNameTest, TheCaptionWithoutItsMarksAndKeysAndTheRecordInQuotes) {
  EXPECT_EQ(StepName("Flytt &ned    Alt+Pil ned", "Beta"), "Flytt ned «Beta»");
  EXPECT_EQ(StepName("Tilknytt program ...", ""), "Tilknytt program");
  EXPECT_EQ(StepName("&Lagre som ....", "x"), "Lagre som «x»");
}

}  // namespace
