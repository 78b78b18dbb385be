// The main window's view: clicks, markers, the context menu, the scroll bar and its keys,
// the arrow keys, the buttons and menu states, and the commands that open a record. The
// engine's state is what the tests check; the window is driven as a user would.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "store/database.h"
#include "store/datapointer.h"
#include "commands/list_commands.h"
#include "store/record_blocks.h"
#include "ui/window/command_table.h"
#include "ui/window/quill_form.h"
#include "ui/dialogs/scripted_dialogs.h"
#include "commands/view_commands.h"
#include "ui/ui_env.h"
#include "ui/window/view_fixture.h"
#include "ui/window/window_fixture.h"
#include "content/initial_content.h"

namespace qn {
namespace {

class QuillFormViewTest : public test::WindowTest {
 protected:
  QuillFormViewTest() { Open("view.pdb256"); }

  QWidget* Box() { return form_.findChild<QWidget*>("PaintBox1"); }
  QScrollBar* Bar() { return form_.findChild<QScrollBar*>("ScrollBar1"); }
  QToolButton* Button(const char* name) { return form_.findChild<QToolButton*>(name); }

  void Activate() {
    form_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  }
  // The middle of record row `row` (1 = the first), at `x`.
  QPoint Row(int row, int x = 300) const { return QPoint(x, row * Lh() + Lh() / 2); }
  void Click(int row, int x = 300) { QTest::mouseClick(Box(), Qt::LeftButton, {}, Row(row, x)); }
  // A double click as the window sees it: the first click's press, then the double click.
  void DoubleClick(int row) {
    Click(row);
    QTest::mouseDClick(Box(), Qt::LeftButton, {}, Row(row));
  }
  // Makes the view exactly `rows` record rows high.
  void ResizeToRows(int rows) {
    for (int i = 0; i < 3 && form_.cl().RowCount != rows; ++i) {
      form_.resize(form_.width(), form_.height() + (rows + 1) * Lh() + Lh() / 2 - Box()->height());
      QApplication::processEvents();
      form_.vis(0);
    }
    ASSERT_EQ(form_.cl().RowCount, rows);
  }
  QString StatusText() { return form_.findChild<QLabel*>("StatusPanel1")->text(); }
};

TEST_F(QuillFormViewTest, ClickingARowMakesItCurrentAndShowsItsOrigin) {
  const auto list = test::MakeList(db(), "Liste", test::Numbered(5));
  ShowOn(list[0]);
  Click(3);
  EXPECT_EQ(dp().CurrentPosition(), list[2]);
  EXPECT_EQ(form_.cl().CurrentIndex, 2);
  EXPECT_EQ(StatusText(), "Originale data");
  EXPECT_TRUE(Button("oButton")->isEnabled());
}

TEST_F(QuillFormViewTest, TheMarkerZonesGoToTheParentAndIntoTheSubList) {
  const auto list = test::MakeList(db(), "Liste", {"Forelder", "Annen"});
  dp().Load(list[0]);
  const Position child = AddNamed(db(), DirRight, "Barn");
  ShowOn(child);
  Click(1, 2);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  EXPECT_EQ(form_.cl().Count, 2);
  Click(1, form_.Canvas().Metrics().width00 + 2);
  EXPECT_EQ(dp().CurrentPosition(), child);
  EXPECT_EQ(form_.cl().Count, 1);
}

TEST_F(QuillFormViewTest, AClickOnTheHeaderRowChangesNothing) {
  const auto list = test::MakeList(db(), "Liste", test::Numbered(5));
  ShowOn(list[3]);
  QTest::mouseClick(Box(), Qt::LeftButton, {}, QPoint(300, Lh() / 2));
  QTest::mouseClick(Box(), Qt::LeftButton, {}, QPoint(2, Lh() / 2));
  EXPECT_EQ(dp().CurrentPosition(), list[3]);
  EXPECT_EQ(form_.cl().CurrentIndex, 3);
}

TEST_F(QuillFormViewTest, ARightClickMakesTheClickedRowCurrentAndOpensTheContextMenu) {
  const auto list = test::MakeList(db(), "Liste", test::Numbered(5));
  ShowOn(list[0]);
  QTest::mouseClick(Box(), Qt::RightButton, {}, Row(3, 40));
  auto* menu = form_.findChild<QMenu*>("PopupMenu");
  EXPECT_TRUE(menu->isVisible());
  const QPoint expected(form_.frameGeometry().left() + 40,
                        form_.frameGeometry().top() + Row(3).y() + 36 + 25);
  EXPECT_EQ(menu->pos(), expected);
  menu->hide();
  EXPECT_EQ(dp().CurrentPosition(), list[2]);
  EXPECT_EQ(form_.cl().CurrentIndex, 2);
  // Below the last row the current record stays, and the menu still opens.
  QTest::mouseClick(Box(), Qt::RightButton, {}, Row(9, 40));
  EXPECT_TRUE(menu->isVisible());
  menu->hide();
  EXPECT_EQ(dp().CurrentPosition(), list[2]);
}

TEST_F(QuillFormViewTest, TheFortiethRecordOfThirtyRowsPutsTheBarAtTen) {
  const auto list = test::MakeList(db(), "Liste", test::Numbered(100));
  ShowOn(list[39]);
  ResizeToRows(30);
  EXPECT_EQ(form_.cl().TopIndex, 10);
  EXPECT_EQ(form_.cl().RowPos[29], list[39]);
  EXPECT_TRUE(Bar()->isEnabled());
  EXPECT_EQ(Bar()->value(), 10);
  EXPECT_EQ(Bar()->maximum(), 70);
  EXPECT_EQ(Bar()->pageStep(), 30);
}

TEST_F(QuillFormViewTest, AListShorterThanAPageDisablesTheBar) {
  const auto list = test::MakeList(db(), "Liste", test::Numbered(3));
  ShowOn(list[2]);
  EXPECT_FALSE(Bar()->isEnabled());
  EXPECT_EQ(form_.cl().TopIndex, 0);
}

TEST_F(QuillFormViewTest, ASizeChangeWhileACommandRunsIsMeasuredWhenItEnds) {
  const auto list = test::MakeList(db(), "Liste", test::Numbered(100));
  ShowOn(list[0]);
  const int before = form_.cl().RowCount;
  form_.Command([&] {
    form_.resize(form_.width(), form_.height() + 10 * Lh());
    QApplication::processEvents();
    EXPECT_EQ(form_.cl().RowCount, before);
  });
  EXPECT_GE(form_.cl().RowCount, before + 9);
  EXPECT_EQ(Bar()->pageStep(), form_.cl().RowCount);
}

TEST_F(QuillFormViewTest, ScrollKeysScrollTheViewWithoutMovingTheCurrentRecord) {
  const auto list = test::MakeList(db(), "Liste", test::Numbered(100));
  ShowOn(list[0]);
  ResizeToRows(30);
  Click(2);  // the bar takes the keys after a click
  ASSERT_EQ(dp().CurrentPosition(), list[1]);
  QTest::keyClick(Bar(), Qt::Key_Down);
  EXPECT_EQ(form_.cl().TopIndex, 1);
  EXPECT_EQ(form_.cl().RowPos[0], list[1]);
  QTest::keyClick(Bar(), Qt::Key_PageDown);
  EXPECT_EQ(form_.cl().TopIndex, 31);
  EXPECT_EQ(form_.cl().RowPos[0], list[31]);
  QTest::keyClick(Bar(), Qt::Key_Up);
  EXPECT_EQ(form_.cl().TopIndex, 30);
  // With a modifier the keys do not scroll (with Ctrl they step through the list, tested
  // with the other keys); nor do keys other than the four.
  QTest::keyClick(Bar(), Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(Bar(), Qt::Key_PageUp, Qt::AltModifier);
  QTest::keyClick(Bar(), Qt::Key_Home);
  EXPECT_EQ(form_.cl().TopIndex, 30);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  // A click on a scrolled row selects the record shown there.
  Click(1);
  EXPECT_EQ(dp().CurrentPosition(), list[30]);
}

TEST_F(QuillFormViewTest, ArrowKeysAndEnterFollowThePointersOnlyWithoutModifiers) {
  const auto list = test::MakeList(db(), "Liste", {"Forelder", "Enslig"});
  dp().Load(list[0]);
  const Position child = AddNamed(db(), DirRight, "Barn");
  ShowOn(list[0]);
  Activate();
  QTest::keyClick(&form_, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  QTest::keyClick(&form_, Qt::Key_Right);
  EXPECT_EQ(dp().CurrentPosition(), child);
  QTest::keyClick(&form_, Qt::Key_Left);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  QTest::keyClick(&form_, Qt::Key_Return);
  EXPECT_EQ(dp().CurrentPosition(), child);
  // Enter on a record without a sub-list does nothing.
  dp().Load(list[1]);
  QTest::keyClick(&form_, Qt::Key_Return);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
}

TEST_F(QuillFormViewTest, ButtonsFollowThePointersOfTheCurrentRecord) {
  const auto list = test::MakeList(db(), "Liste", test::Numbered(4));
  ShowOn(list[0]);
  EXPECT_TRUE(Button("SpeedButton3")->isEnabled());
  EXPECT_FALSE(Button("TopButton")->isEnabled());
  EXPECT_FALSE(Button("oButton")->isEnabled());
  EXPECT_TRUE(Button("nButton")->isEnabled());
  EXPECT_TRUE(Button("BottomButton")->isEnabled());
  EXPECT_TRUE(Button("vButton")->isEnabled());
  EXPECT_FALSE(Button("hButton")->isEnabled());
  EXPECT_FALSE(Button("iButton")->isEnabled());
  // A document can be linked to any record; one is opened only from a record with a link.
  EXPECT_TRUE(Button("SpeedButton6")->isEnabled());
  EXPECT_FALSE(Button("DocButton")->isEnabled());

  QTest::mouseClick(Button("nButton"), Qt::LeftButton);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  QTest::mouseClick(Button("BottomButton"), Qt::LeftButton);
  EXPECT_EQ(dp().CurrentPosition(), list[3]);
  EXPECT_FALSE(Button("nButton")->isEnabled());
  QTest::mouseClick(Button("oButton"), Qt::LeftButton);
  EXPECT_EQ(dp().CurrentPosition(), list[2]);
  QTest::mouseClick(Button("TopButton"), Qt::LeftButton);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  EXPECT_EQ(form_.cl().CurrentIndex, 0);
  QTest::mouseClick(Button("vButton"), Qt::LeftButton);
  EXPECT_EQ(ReadName(db()), "Liste");
}

TEST_F(QuillFormViewTest, FirstDataGoesBelowTheTopLevelData) {
  const auto data = test::MakeList(db(), "Data", {"Første", "Andre"});
  const auto other = test::MakeList(db(), "Annet", {"X"});
  ShowOn(other[0]);
  QTest::mouseClick(Button("SpeedButton3"), Qt::LeftButton);
  EXPECT_EQ(dp().CurrentPosition(), data[0]);
}

TEST_F(QuillFormViewTest, MenuItemsFollowTheRecordAsTheMenuOpens) {
  const Position kunde = test::MakeTemplate(db(), "Kunde", test::CustomerFields());
  const auto list = test::MakeList(db(), "Kunder", {"Linje"});
  const Position data =
      test::MakeDataRecord(db(), DirDown, kunde, test::CustomerPayload("Ola", 1, "", true));
  auto* menu = form_.findChild<QMenu*>("Tilknytning1");
  QAction* give = form_.MenuItem("Tilknyttmal1");

  ShowOn(data);
  menu->popup(QPoint(0, 0));
  EXPECT_TRUE(give->isEnabled());
  menu->hide();
  dp().Load(list[0]);
  menu->popup(QPoint(0, 0));
  EXPECT_FALSE(give->isEnabled());
  menu->hide();
}

TEST_F(QuillFormViewTest, DoubleClickOnALineRenamesItAndAnEmptyAnswerKeepsTheName) {
  const auto list = test::MakeList(db(), "Liste", {"Gammel", "Annen"});
  ShowOn(list[1]);
  dialogs_.AnswerText("Ny tekst");
  DoubleClick(1);
  ASSERT_EQ(dialogs_.Asked(QuestionKind::kPrompt).size(), 1u);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kPrompt)[0].caption, "Nytt navn på linje");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kPrompt)[0].text, "Gammel");
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  EXPECT_EQ(ReadName(db()), "Ny tekst");
  EXPECT_EQ(form_.Canvas().Texts(1), QStringList{"Ny tekst"});

  dialogs_.AnswerCancel();
  DoubleClick(1);
  EXPECT_EQ(ReadName(db()), "Ny tekst");
}

TEST_F(QuillFormViewTest, GivingATemplateSetsTheRecordsTemplate) {
  const Position kunde = test::MakeTemplate(db(), "Kunde", test::CustomerFields());
  test::MakeList(db(), "Kunder", {"Linje"});
  dp().SetLastDirection(DirDown);
  ASSERT_EQ(AddDataInDirection(db(), test::CustomerPayload("Ola", 7, "", true)), 0);
  const Position data = dp().CurrentPosition();
  ShowOn(data);
  dialogs_.AnswerText("Kunde");
  form_.MenuItem("Tilknyttmal1")->trigger();
  ASSERT_EQ(dialogs_.Asked(QuestionKind::kChooseTemplate).size(), 1u);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kChooseTemplate)[0].list,
            (std::vector<std::string>{"Kunde", "Database Bruker"}));
  dp().Load(data);
  EXPECT_EQ(dp().TemplatePos(), kunde);
  EXPECT_EQ(form_.Canvas().Texts(2), (QStringList{"Ola", "7", "********", "Ja"}));

  // A cancelled choice changes nothing.
  dialogs_.AnswerCancel();
  form_.MenuItem("Tilknyttmal1")->trigger();
  dp().Load(data);
  EXPECT_EQ(dp().TemplatePos(), kunde);
}

TEST_F(QuillFormViewTest, QuickListShowsTheFilelinksEntriesAndAClickGoesToTheirRecord) {
  auto* quick = form_.findChild<QListWidget*>("HurtigListe");
  auto* numbers = form_.findChild<QListWidget*>("NrListe");
  const auto list = test::MakeList(db(), "Liste", {"Første", "Andre", "Tredje"});
  ShowOn(list[0]);
  // A new database's "Filelinks" holds only its placeholder: nothing to show.
  form_.MenuItem("Oppdater1")->trigger();
  EXPECT_TRUE(quick->isHidden());

  dp().Load(list[2]);
  ASSERT_EQ(dp().AddFileLink("Til tredje"), list[2]);
  dp().Load(list[1]);
  ASSERT_EQ(dp().AddFileLink("Til andre"), list[1]);
  form_.MenuItem("Oppdater1")->trigger();
  ASSERT_FALSE(quick->isHidden());
  ASSERT_EQ(quick->count(), 2);
  EXPECT_EQ(quick->item(0)->text(), "Til tredje");
  EXPECT_EQ(numbers->item(1)->text(), QString::number(list[1]));
  // It shrinks with a narrow window, hides below a width, and comes back when it widens.
  const QSize size = form_.size();
  form_.resize(500, size.height());
  EXPECT_LE(quick->width(), 500 / 4);
  form_.resize(300, size.height());
  EXPECT_TRUE(quick->isHidden());
  form_.resize(size);
  EXPECT_FALSE(quick->isHidden());
  EXPECT_EQ(quick->width(), std::min(169, size.width() / 4));

  dp().Load(list[0]);
  form_.HurtigListeClick(0);
  EXPECT_EQ(dp().CurrentPosition(), list[2]);
  // An entry whose record is gone refreshes without moving.
  DeleteRecord(db());
  dp().Load(list[0]);
  form_.HurtigListeClick(0);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
}

// ---- The decisions, without a window ----

TEST(ViewCommandsTest, OriginTextsCoverTheFiveOriginsOnly) {
  EXPECT_EQ(OriginText(0), "Originale data");
  EXPECT_EQ(OriginText(1), "Innlimt");
  EXPECT_EQ(OriginText(2), "*Skygge");
  EXPECT_EQ(OriginText(3), "Skygge, en peker til data");
  EXPECT_EQ(OriginText(4), "Fullstendig kopi av data");
  EXPECT_FALSE(OriginText(5));
  EXPECT_FALSE(OriginText(-1));
}

TEST(ViewCommandsTest, ContextMenuPointAddsTheVisiblePanels) {
  const ScreenPoint bare = ContextMenuPoint(100, 50, 10, 20, 0, 0);
  EXPECT_EQ(bare.x, 110);
  EXPECT_EQ(bare.y, 106);
  const ScreenPoint panels = ContextMenuPoint(100, 50, 10, 20, 169, 25);
  EXPECT_EQ(panels.x, 279);
  EXPECT_EQ(panels.y, 131);
}

TEST(ViewCommandsTest, OpenByKindChoosesTheCommandOfEachKind) {
  EXPECT_EQ(OpenActionFor(1, false), OpenAction::kRename);
  EXPECT_EQ(OpenActionFor(2, false), OpenAction::kDataEditor);
  EXPECT_EQ(OpenActionFor(3, false), OpenAction::kDataEditor);  // named data records
  EXPECT_EQ(OpenActionFor(11, false), OpenAction::kDataEditor);
  EXPECT_EQ(OpenActionFor(10, true), OpenAction::kStartProgram);
  EXPECT_EQ(OpenActionFor(4, false), OpenAction::kTemplateEditor);
  EXPECT_EQ(OpenActionFor(513, false), OpenAction::kOpenDocument);
  EXPECT_EQ(OpenActionFor(640, false), OpenAction::kGlobalPointer);
  EXPECT_EQ(OpenActionFor(129, false), OpenAction::kProperties);
  EXPECT_EQ(OpenActionFor(1 + 1024, false), OpenAction::kProperties);
}

class MenuStatesTest : public test::UiTest {
 protected:
  MenuStatesTest() { OpenDatabase(db_, (Work() / "m.pdb256").string(), OpenPolicy::kCreate); }
  bool State(const char* name) {
    if (const WindowCommand* command = FindWindowCommand(name))
      return CommandEnabled(*command, FactsOf(db_), true);
    ADD_FAILURE() << name;
    return false;
  }
  tDataImageArk db_;
};

TEST_F(MenuStatesTest, ADataRecordEnablesItsItemsAndANamedLineDoesNot) {
  const Position kunde = test::MakeTemplate(db_, "Kunde", test::CustomerFields());
  const auto list = test::MakeList(db_, "Kunder", {"Linje"});
  test::MakeDataRecord(db_, DirDown, kunde, test::CustomerPayload("Ola", 1, "", true));
  for (const char* item : {"Kopier3", "Redigermal1", "Tilknyttprogram1", "Tilknyttmal1",
                           "Fjerntilknytningtilprogram1"})
    EXPECT_TRUE(State(item)) << item;
  for (const char* item : {"Liminn2", "Hopptilmerke1", "Gtiloriginal1", "pnedokument1"})
    EXPECT_FALSE(State(item)) << item;

  db_.dp->Load(list[0]);
  for (const char* item : {"Kopier3", "Redigermal1", "Tilknyttprogram1", "Tilknyttmal1",
                           "Fjerntilknytningtilprogram1", "Hopptilmerke1"})
    EXPECT_FALSE(State(item)) << item;
  db_.PushPosition();  // a mark
  EXPECT_TRUE(State("Hopptilmerke1"));
  EXPECT_TRUE(State("Tilknyttdataframerketpost1"));
}

}  // namespace
}  // namespace qn
