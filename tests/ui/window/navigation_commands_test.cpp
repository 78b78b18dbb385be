// The window's ways through the tree: the search and the jump of "&Let", sorting from
// "Liste", the marks with their panel and bar, and the block. The decisions are the
// engine's and tested there; these tests prove each family is wired to its items,
// buttons and questions, and that the window shows what the engine did.
#include <QListWidget>
#include <QMenu>

#include "ui/window/commands_fixture.h"
#include "commands/block_commands.h"
#include "commands/navigation.h"
#include "commands/marks.h"
#include "ui/window/window_commands.h"

namespace qn {
namespace {

using test::CommandsTest;
using Names = std::vector<std::string>;

class SearchAndJumpTest : public CommandsTest {};

TEST_F(SearchAndJumpTest, SearchFromHereMissesWhatTheWholeDatabaseSearchFindsDeepDown) {
  const auto list = test::MakeList(db(), "Arkiv", {"Mappe", "Annet"});
  dp().Load(list[0]);
  AddNamed(db(), DirRight, "Undermappe");
  const Position deep = AddNamed(db(), DirRight, "Gammelt brev");
  ShowOn(list[1]);

  // From "Annet" to the end of its list: no hit, nothing moves.
  dialogs_.AnswerText("BREV");
  Run("Sketter1");
  EXPECT_EQ(dp().CurrentPosition(), list[1]);

  dialogs_.AnswerText("brev");
  Run("Skihelendatabasen1");
  EXPECT_EQ(dp().CurrentPosition(), deep);
  EXPECT_EQ(form_.cl().Count, 1);
  const auto prompts = dialogs_.Asked(QuestionKind::kPrompt);
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].caption, "Søk i database");
  EXPECT_EQ(prompts[1].caption, "Søk i database");
  EXPECT_EQ(db().StackTop(), 0);
}

TEST_F(SearchAndJumpTest, JumpGoesToARecordAndRefusesAPositionInsideOne) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B"});
  ShowOn(list[0]);
  dialogs_.AnswerText(std::to_string(list[1]));
  Run("Hopptilfilposisjon1");
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  EXPECT_EQ(form_.cl().CurrentIndex, 1);
  const auto prompt = dialogs_.Asked(QuestionKind::kPrompt).at(0);
  EXPECT_EQ(prompt.caption, "Hopp til filposisjon");
  EXPECT_EQ(prompt.text, "0");

  dialogs_.AnswerText(std::to_string(list[0] + 4));
  Run("Hopptilfilposisjon1");
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  EXPECT_EQ(Messages(), Names{NoRecordAtMessage(list[0] + 4)});
}

TEST_F(SearchAndJumpTest, SortingASortedListStoresNothingAndAReversedOneIsTurned) {
  const auto sorted = test::MakeList(db(), "Sortert", {"A", "B", "C"});
  const auto reversed = test::MakeList(db(), "Omvendt", {"c", "b", "a"});
  ShowOn(sorted[0]);
  const uint64_t writes = db().Counters().blockWrites;
  Run("Sorterlistenstigende1");
  EXPECT_EQ(db().Counters().blockWrites, writes);
  EXPECT_EQ(dp().CurrentPosition(), sorted[2]);  // the last of the list

  ShowOn(reversed[1]);
  Run("Sorterlistenstigende1");
  EXPECT_EQ(form_.cl().RowPos[0], reversed[2]);
  EXPECT_EQ(form_.cl().RowPos[2], reversed[0]);
  EXPECT_EQ(dp().CurrentPosition(), reversed[0]);
  EXPECT_EQ(form_.cl().CurrentIndex, 2);
  Run("Sorterlistensynkende1");
  EXPECT_EQ(form_.cl().RowPos[0], reversed[0]);
}

class MarksCommandsTest : public CommandsTest {
 protected:
  QListWidget* Lines() { return form_.findChild<QListWidget*>("Merkeliste"); }
  QWidget* Panel() { return form_.findChild<QWidget*>("MerkPanel"); }
  QStringList Texts() {
    QStringList out;
    for (int i = 0; i < Lines()->count(); ++i) out << Lines()->item(i)->text();
    return out;
  }
};

TEST_F(MarksCommandsTest, TwoMarksOnOneRecordArePoppedTwiceAndTheLastPopHidesThePanel) {
  const auto list = test::MakeList(db(), "Liste", {"Anne", "Bodil"});
  ShowOn(list[0]);
  EXPECT_TRUE(Panel()->isHidden());
  EXPECT_FALSE(Button("PopButton")->isEnabled());
  Press("SpeedButton5");
  Run("Merkher1");
  EXPECT_EQ(Texts(), (QStringList{"Anne", "Anne"}));
  EXPECT_EQ(Lines()->currentRow(), 1);
  EXPECT_FALSE(Panel()->isHidden());
  EXPECT_EQ(db().StackTop(), 2);
  EXPECT_TRUE(Button("PopButton")->isEnabled());

  ShowOn(list[1]);
  Press("PopButton");
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  EXPECT_EQ(Texts(), QStringList{"Anne"});
  ShowOn(list[1]);
  Run("Hopptilmerke1");
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  EXPECT_EQ(Lines()->count(), 0);
  EXPECT_TRUE(Panel()->isHidden());
  EXPECT_EQ(db().StackTop(), 0);
  EXPECT_FALSE(Button("PopButton")->isEnabled());
}

TEST_F(MarksCommandsTest, TheBarRemovesOneOrAllAndADoubleClickGoesToALine) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B", "C", "D"});
  for (int i = 0; i < 3; ++i) {
    ShowOn(list[i]);
    Press("SpeedButton5");
  }
  ShowOn(list[3]);
  Lines()->setCurrentRow(1);
  Press("SlettMButton");
  EXPECT_EQ(Texts(), (QStringList{"A", "C"}));
  EXPECT_EQ(form_.Marks().Positions(), (std::vector<Position>{list[0], list[2]}));
  EXPECT_EQ(Lines()->currentRow(), 0);
  EXPECT_EQ(dp().CurrentPosition(), list[3]);

  // A double click as the list sees it: the first click's press, then the double click.
  const QPoint line = Lines()->visualItemRect(Lines()->item(1)).center();
  QTest::mouseClick(Lines()->viewport(), Qt::LeftButton, {}, line);
  QTest::mouseDClick(Lines()->viewport(), Qt::LeftButton, {}, line);
  EXPECT_EQ(dp().CurrentPosition(), list[2]);
  EXPECT_EQ(Lines()->count(), 2);

  Press("SpeedButton4");
  EXPECT_EQ(Lines()->count(), 0);
  EXPECT_TRUE(Panel()->isHidden());
  EXPECT_EQ(db().StackTop(), 0);

  // Removing the only mark with the bar's "Slett" hides the panel too.
  Press("SpeedButton5");
  EXPECT_FALSE(Panel()->isHidden());
  Press("SlettMButton");
  EXPECT_TRUE(Panel()->isHidden());
  EXPECT_EQ(db().StackTop(), 0);
}

TEST_F(MarksCommandsTest, AFullStackRefusesTheNextMarkAndOpeningAnotherDatabaseDropsAll) {
  const auto list = test::MakeList(db(), "Liste", {"A"});
  ShowOn(list[0]);
  for (int i = 0; i < 254; ++i) MarkHere(form_);
  ASSERT_EQ(Lines()->count(), 254);
  Press("SpeedButton5");
  EXPECT_EQ(Messages(), Names{std::string(kMarksFullMessage)});
  EXPECT_EQ(Lines()->count(), 254);
  EXPECT_EQ(db().StackTop(), 254);

  dialogs_.AnswerCancel();
  Run("pne1");
  EXPECT_EQ(Lines()->count(), 0);
  EXPECT_EQ(db().StackTop(), 0);
  EXPECT_TRUE(Panel()->isHidden());
}

TEST_F(MarksCommandsTest, AMarkWhoseRecordWasDeletedIsDroppedInsteadOfVisited) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B"});
  ShowOn(list[0]);
  Press("SpeedButton5");
  Press("SpeedButton2");  // deletes "A", asking nothing
  EXPECT_TRUE(dialogs_.Asked().empty());
  ShowOn(list[1]);
  Press("PopButton");
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  EXPECT_FALSE(dp().IsDeleted());
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Lines()->count(), 0);
  EXPECT_EQ(db().StackTop(), 0);
}

class BlockCommandsTest : public CommandsTest {
 protected:
  void OpenBlockMenu() { emit form_.findChild<QMenu*>("Blokk1")->aboutToShow(); }
  bool Enabled(const char* name) { return form_.MenuItem(name)->isEnabled(); }
};

TEST_F(BlockCommandsTest, MovingABlockAtTheHeadOfASubListPutsTheNewLineFirstUnderTheParent) {
  const auto parent = test::MakeList(db(), "Liste", {"Forelder"});
  dp().Load(parent[0]);
  const Position a = AddNamed(db(), DirRight, "a");
  const Position b = AddNamed(db(), DirDown, "b");
  const Position c = AddNamed(db(), DirDown, "c");
  ShowOn(a);
  OpenBlockMenu();
  EXPECT_FALSE(Enabled("Flyttblokktilhyre1"));
  EXPECT_FALSE(Enabled("Gtilstartavblokk1"));
  Press("SpeedButton7");
  ShowOn(b);
  Press("SpeedButton8");
  OpenBlockMenu();
  for (const char* item : {"Flyttblokktilhyre1", "Gtilstartavblokk1", "Gtilsluttenavblokk1",
                           "Kopier2", "Klipput2", "Slett1"})
    EXPECT_TRUE(Enabled(item)) << item;
  EXPECT_FALSE(Enabled("Liminn1"));
  EXPECT_FALSE(Enabled("Liminnpekere1"));

  dialogs_.AnswerText("Blokk");
  Run("Flyttblokktilhyre1");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kPrompt).at(0).caption, "Navn på blokk som skal flyttes");
  const Position line = RecordAt(parent[0]).right;
  EXPECT_EQ(NameOf(line), "Blokk");
  EXPECT_EQ(RecordAt(line).left, parent[0]);
  EXPECT_EQ(ListFrom(line), (Names{"Blokk", "c"}));
  EXPECT_EQ(ListFrom(RecordAt(line).right), (Names{"a", "b"}));
  EXPECT_EQ(dp().CurrentPosition(), a);
  EXPECT_EQ(RecordAt(c).up, line);
}

TEST_F(BlockCommandsTest, ABlockAcrossTwoListsIsRefusedBeforeItsNameIsAsked) {
  const auto list = test::MakeList(db(), "Liste", {"Forelder"});
  dp().Load(list[0]);
  const Position child = AddNamed(db(), DirRight, "Barn");
  ShowOn(list[0]);
  Run("Merkfrste1");
  ShowOn(child);
  Run("Merksiste1");
  Run("Flyttblokktilhyre1");
  EXPECT_TRUE(dialogs_.Asked(QuestionKind::kPrompt).empty());
  EXPECT_EQ(Messages(), Names{std::string(kBlockNotOneListMessage)});
  EXPECT_EQ(RecordAt(list[0]).right, child);
}

TEST_F(BlockCommandsTest, ACopiedBlockIsPastedBelowTheCurrentRecordAndGoingToItsEndsWorks) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B", "C"});
  ShowOn(list[0]);
  Press("SpeedButton7");
  ShowOn(list[1]);
  Press("SpeedButton8");
  Run("Kopier2");
  OpenBlockMenu();
  EXPECT_TRUE(Enabled("Liminn1"));
  EXPECT_TRUE(Enabled("Liminnpekere1"));
  ShowOn(list[2]);
  Run("Liminn1");
  EXPECT_EQ(ListFrom(list[0]), (Names{"A", "B", "C", "A", "B"}));
  Run("Gtilstartavblokk1");
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  Run("Gtilsluttenavblokk1");
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  Run("Slett1");
  EXPECT_EQ(ListFrom(list[2]), (Names{"C", "A", "B"}));
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace qn
