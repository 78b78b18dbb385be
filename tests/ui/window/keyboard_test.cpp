// The window as a user drives it from the keyboard and the wheel: the Ctrl keys through a
// list, the wheel over the view, and what the status bar says after a move, a paste, a
// search that finds nothing and a command that is refused. The steps themselves are the
// engine's and tested there; these tests prove the keys reach them and the window shows
// what happened.
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>

#include "commands/list_commands.h"
#include "commands/navigation.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class WindowKeysTest : public test::CommandsTest {
 protected:
  // A list of `n` lines below a header; their Positions.
  std::vector<Position> Lines(int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) names.push_back("Linje " + std::to_string(i + 1));
    return test::MakeList(db(), "Liste", names);
  }
  std::string Status() {
    return form_.findChild<QLabel*>("StatusPanel1")->text().toStdString();
  }
  void Wheel(int steps) {
    QWidget* box = form_.findChild<QWidget*>("PaintBox1");
    const QPointF at(100, 100);
    QWheelEvent wheel(at, box->mapToGlobal(at), QPoint(), QPoint(0, -120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(box, &wheel);
  }
};

TEST_F(WindowKeysTest, CtrlKeysStepThroughTheListAndTheEndSaysSo) {
  const auto lines = Lines(100);
  ShowOn(lines[10]);
  const int page = form_.cl().RowCount;
  ASSERT_GT(page, 5);

  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), lines[11]);
  EXPECT_EQ(form_.cl().CurrentIndex, 11);  // refreshed
  EXPECT_EQ(Status(), "Originale data");
  Key(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), lines[10]);
  Key(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), lines[10 + page]);
  Key(Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), lines[10]);
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), lines[0]);
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), lines[99]);
  EXPECT_EQ(form_.cl().CurrentIndex, 99);

  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), lines[99]);
  EXPECT_EQ(Status(), kLastInListText);
  Key(Qt::Key_Home, Qt::ControlModifier);
  Key(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(Status(), kFirstInListText);
  EXPECT_EQ(db().StackTop(), 0);
}

TEST_F(WindowKeysTest, TheWheelOverTheViewScrollsItAsTheBarDoes) {
  const auto lines = Lines(100);
  ShowOn(lines[0]);
  QScrollBar* bar = form_.findChild<QScrollBar*>("ScrollBar1");
  Wheel(2);
  EXPECT_GT(bar->value(), 0);
  EXPECT_EQ(form_.cl().TopIndex, bar->value());
  EXPECT_EQ(dp().CurrentPosition(), lines[0]);
  const int down = bar->value();
  Wheel(-1);
  EXPECT_LT(bar->value(), down);
  EXPECT_EQ(form_.cl().TopIndex, bar->value());

  // A list that fits has nothing to scroll.
  const auto few = test::MakeList(db(), "Kort", {"A", "B"});
  ShowOn(few[0]);
  Wheel(3);
  EXPECT_EQ(form_.cl().TopIndex, 0);
}

TEST_F(WindowKeysTest, TheStatusBarTellsAMissAPasteAndWhyACommandChangedNothing) {
  const auto lines = test::MakeList(db(), "Kunder", {"Linje"});
  ShowOn(lines[0]);
  dialogs_.AnswerText("Finnes ikke");
  Run("Skihelendatabasen1");
  EXPECT_EQ(Status(), "Fant ikke \"Finnes ikke\"");
  EXPECT_EQ(dp().CurrentPosition(), lines[0]);

  Key(Qt::Key_Up, Qt::AltModifier);  // the first line moves no higher
  EXPECT_EQ(Status(), kFirstInListText);
  Key(Qt::Key_Right);  // a line without a sub-list
  EXPECT_EQ(Status(), "Posten har ingen underliste");
  dialogs_.AnswerNewLine("", DirDown);
  Key(Qt::Key_F4, Qt::ControlModifier);
  EXPECT_EQ(Status(), kLineWithoutTextText);

  const Position data = DataBelow("Ola", 1);
  ShowOn(data);
  Key(Qt::Key_Insert, Qt::ControlModifier);
  Run("Liminnpeker1");
  EXPECT_NE(dp().CurrentPosition(), data);
  EXPECT_EQ(Status(), "Skygge, en peker til data");
  Key(Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(Status(), "Fullstendig kopi av data");
  Key(Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(Status(), kLastInListText);

  // A miss is not said again by the next command, and "Gå til original" tells of the
  // original, not of the shadow it left.
  dialogs_.AnswerText("Finnes ikke");
  Run("Skihelendatabasen1");
  Run("Oppdater1");
  EXPECT_EQ(Status(), "Fullstendig kopi av data");
  Run("Liminnpeker1");
  ASSERT_EQ(Status(), "Skygge, en peker til data");
  Run("Gtiloriginal1");
  EXPECT_EQ(dp().CurrentPosition(), data);
  EXPECT_EQ(Status(), "Originale data");
}

}  // namespace
}  // namespace qn
