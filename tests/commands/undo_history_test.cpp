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
  std::vector<Position> top;
};

TEST_F(UndoHistoryTest, StepsGoLastInFirstOutAndANewChangeDropsWhatWasUndone) {
  UndoHistory history;
  Watch(history);
  const Bytes start = File();
  const Bytes one = Rename(history, "one");
  Rename(history, std::string(300, 't'));  // a new name block
  EXPECT_EQ(history.Undo(*db).startedOn, top[0]);
  EXPECT_EQ(File(), one);
  EXPECT_EQ(history.Undo(*db).error, 0);
  EXPECT_EQ(File(), start);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(history.Redo(*db).error, 0);
  EXPECT_EQ(File(), one);
  Rename(history, "three");
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.Undo(*db).error, 0);
  EXPECT_EQ(File(), one);
}

TEST_F(UndoHistoryTest, TheOldestStepsGoPastTheBoundAndAChangeLargerThanItIsNotKept) {
  UndoHistory few(3, 1 << 20);
  Watch(few);
  std::vector<Bytes> after;
  for (int i = 0; i < 5; ++i) after.push_back(Rename(few, "n" + std::to_string(i)));
  EXPECT_EQ(few.Steps(), 3u);
  while (few.CanUndo()) ASSERT_EQ(few.Undo(*db).error, 0);
  EXPECT_EQ(File(), after[1]);
  // The bytes bound: room for two and a half steps of one size keeps the last two. The
  // names are long, so the few bytes of the change time a step also holds (more or fewer
  // as the clock moves between steps) cannot decide it.
  const auto name = [](char c) { return std::string(200, c); };
  UndoHistory probe;
  Watch(probe);
  Rename(probe, name('b'));
  const size_t first = probe.Bytes();
  Rename(probe, name('c'));
  const size_t step = probe.Bytes() - first;
  UndoHistory bytes(200, step * 5 / 2);
  Watch(bytes);
  for (char c : {'d', 'e', 'f'}) after.push_back(Rename(bytes, name(c)));
  EXPECT_EQ(bytes.Steps(), 2u);
  while (bytes.CanUndo()) ASSERT_EQ(bytes.Undo(*db).error, 0);
  EXPECT_EQ(File(), after[after.size() - 3]);
  UndoHistory tiny(200, 100);
  Watch(tiny);
  Rename(tiny, "w");
  Rename(tiny, std::string(255, 'z'));  // a new name block: more than the bound
  EXPECT_EQ(tiny.Steps(), 0u);
  EXPECT_NE(tiny.TakeNote().find("kan ikke angres"), std::string::npos);
  EXPECT_EQ(tiny.TakeNote(), "");
}

}  // namespace
