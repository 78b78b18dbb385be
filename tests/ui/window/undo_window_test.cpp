// Undo and redo in the window: each family of commands done, undone (the file byte for
// byte as before) and done again (byte for byte as after), through the window's items
// with scripted answers; the items' captions name the step.
#include <QMenu>
#include <ostream>

#include "commands/command_support.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class UndoWindowTest;
struct UndoCase {
  const char* what;
  void (*prepare)(UndoWindowTest&);  // what the step needs first; nullptr: nothing
  void (*act)(UndoWindowTest&);
  const char* step;  // how the undo item names the step
};

// The case by what it does, in test listings and failures.
void PrintTo(const UndoCase& c, std::ostream* os) { *os << c.what; }

class UndoWindowTest : public test::CommandsTest, public ::testing::WithParamInterface<UndoCase> {
 public:
  using CommandsTest::DataBelow;
  using CommandsTest::Key;
  using CommandsTest::Run;
  using CommandsTest::ShowOn;
  ScriptedDialogs& Dialogs() { return dialogs_; }
  std::string Caption(const char* item) { return form_.MenuItem(item)->text().toStdString(); }

  // Liste: Alfa, Beta (with Indre below it), Gamma; the cursor on Beta.
  std::vector<Position> list;
  void SetUp() override {
    CommandsTest::SetUp();
    list = test::MakeList(db(), "Liste", {"Alfa", "Beta", "Gamma"});
    dp().Load(list[1]);
    AddNamed(db(), DirRight, "Indre");
    ShowOn(list[1]);
  }
};

const UndoCase kCases[] = {
    {"new line", nullptr, [](UndoWindowTest& t) {
       t.Dialogs().AnswerNewLine("Delta", DirDown);
       t.Run("Linje1");
     }, "Ny linje «Delta»"},
    {"delete", nullptr, [](UndoWindowTest& t) { t.Run("Slett2"); }, "Slett «Beta»"},
    {"cut", nullptr, [](UndoWindowTest& t) { t.Run("Klipput1"); }, "Klipp ut «Beta»"},
    {"move", nullptr, [](UndoWindowTest& t) { t.Run("Flyttned1"); }, "Flytt ned «Beta»"},
    {"sort", nullptr, [](UndoWindowTest& t) { t.Run("Sorterlistensynkende1"); },
     "Sorter listen synkende «Beta»"},
    {"paste", [](UndoWindowTest& t) {
       t.ShowOn(t.DataBelow("Ola", 7));
       t.Run("Kopier3");
     }, [](UndoWindowTest& t) { t.Run("Liminn2"); }, "Lim inn"},
    {"pointer to a mark", [](UndoWindowTest& t) {
       t.Run("Merkher1");
       t.ShowOn(t.list[2]);
     }, [](UndoWindowTest& t) { t.Run("Liminnpekertilmerketpost1"); }, "Lim inn peker til merket post"},
    {"block to the right", [](UndoWindowTest& t) {
       t.ShowOn(t.list[0]);
       t.Run("Merkfrste1");
       t.ShowOn(t.list[1]);
       t.Run("Merksiste1");
     }, [](UndoWindowTest& t) {
       t.Dialogs().AnswerText("Blokk");
       t.Run("Flyttblokktilhyre1");
     }, "Flytt blokk til høyre"},
    {"bookmark", nullptr, [](UndoWindowTest& t) {
       t.Dialogs().AnswerText("beta");
       t.Run("Leggtiliindex1");
     }, "Legg til bokmerke «Beta»"},
    {"quick list", nullptr, [](UndoWindowTest& t) {
       t.Dialogs().AnswerText("Til beta");
       t.Run("Leggtilhurtigmeny1");
     }, "Legg til i hurtigmeny «Beta»"},
    {"replication", nullptr, [](UndoWindowTest& t) { t.Run("Klargjrtabellforreplikering1"); },
     "Klargjør listen for replikering"},
};

TEST_P(UndoWindowTest, UndoGivesTheFileAsBeforeAndRedoAsAfter) {
  const UndoCase& c = GetParam();
  EXPECT_FALSE(form_.MenuItem("Angre1")->isEnabled());
  EXPECT_EQ(Caption("Angre1"), "&Angre");
  if (c.prepare != nullptr) c.prepare(*this);
  const Position startedOn = dp().CurrentPosition();
  const std::vector<uint8_t> before = FileBytes();
  c.act(*this);
  const std::vector<uint8_t> after = FileBytes();
  ASSERT_NE(after, before) << c.what;
  const std::string step = Caption("Angre1").substr(std::string("&Angre ").size());
  EXPECT_TRUE(Caption("Angre1").starts_with(std::string("&Angre ") + c.step)) << c.what << ": " << step;
  EXPECT_FALSE(form_.MenuItem("Gjrom1")->isEnabled());
  Run("Angre1");
  EXPECT_EQ(FileBytes(), before) << c.what;
  EXPECT_EQ(dp().CurrentPosition(), startedOn) << c.what;
  EXPECT_EQ(Caption("Gjrom1"), "&Gjør om " + step);
  EXPECT_EQ(Caption("Angre1"), "&Angre");
  Run("Gjrom1");
  EXPECT_EQ(FileBytes(), after) << c.what;
  EXPECT_TRUE(IsLiveRecord(db(), dp().CurrentPosition())) << c.what;
}

TEST_F(UndoWindowTest, KeysTakeStepsANewChangeEndsRedoAndAFileChangedBehindTheHistoryIsRefused) {
  Dialogs().AnswerNewLine("Delta", DirDown);
  Run("Linje1");
  Run("Merkher1");  // on the new line
  const std::vector<uint8_t> made = FileBytes();
  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  EXPECT_EQ(form_.Marks().Count(), 0) << "the mark went with its record";
  Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(FileBytes(), made);
  Key(Qt::Key_Z, Qt::ControlModifier);
  Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(FileBytes(), made);
  Key(Qt::Key_Z, Qt::ControlModifier);
  Run("Slett2");
  EXPECT_FALSE(form_.MenuItem("Gjrom1")->isEnabled());
  EXPECT_EQ(Caption("Gjrom1"), "&Gjør om");

  test::MakeList(db(), "Bak ryggen", {"x"});  // a change the window did not make
  const std::vector<uint8_t> changed = FileBytes();
  Run("Angre1");
  EXPECT_EQ(FileBytes(), changed);
  EXPECT_FALSE(form_.MenuItem("Angre1")->isEnabled());
  ASSERT_FALSE(Messages().empty());
  EXPECT_TRUE(Messages().back().starts_with("Kan ikke angre Slett «Beta»")) << Messages().back();
}

INSTANTIATE_TEST_SUITE_P(Families, UndoWindowTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::to_string(info.index); });

}  // namespace
}  // namespace qn
