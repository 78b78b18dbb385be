// "Søk neste" and the window "Søk i alle tekster": F3 steps through the name search's hits
// in the order of the tree, and the search window streams hits whose activation shows the
// record in the main window. What is found is the engine's and tested there.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "content/note_text.h"
#include "ui/forms/text_search_form.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class SearchWindowTest : public test::CommandsTest {
 protected:
  // Arkiv › {Brev A, Mappe › Gammelt brev, Brev B}.
  void SetUp() override {
    CommandsTest::SetUp();
    list = test::MakeList(db(), "Arkiv", {"Brev A", "Mappe", "Brev B"});
    dp().Load(list[1]);
    deep = AddNamed(db(), DirRight, "Gammelt brev");
    EXPECT_EQ(WriteNoteText(db(), "Svar kommer i brev fra banken"), "");
  }
  std::string Status() { return form_.findChild<QLabel*>("StatusPanel1")->text().toStdString(); }

  std::vector<Position> list;
  Position deep = 0;
};

TEST_F(SearchWindowTest, F3VisitsEveryHitAfterTheCurrentRecordThenSaysThereAreNoMore) {
  ShowOn(list[0]);
  dialogs_.AnswerText("BREV");
  Run("Skihelendatabasen1");
  ASSERT_EQ(dp().CurrentPosition(), list[0]);
  Key(Qt::Key_F3);
  EXPECT_EQ(dp().CurrentPosition(), deep);
  EXPECT_EQ(form_.cl().Count, 1);  // the record's own list is shown
  Run("Soknext1");
  EXPECT_EQ(dp().CurrentPosition(), list[2]);
  Run("Soknext1");
  EXPECT_EQ(dp().CurrentPosition(), list[2]);
  EXPECT_EQ(Status(), "Ingen flere treff");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kPrompt).size(), 1u);  // the text was asked once
}

TEST_F(SearchWindowTest, TheSearchWindowStreamsHitsAndEnterShowsTheRecord) {
  ShowOn(list[0]);
  Run("Sokalletekster1");
  auto* search = form_.findChild<TextSearchForm*>("TextSearchForm");
  ASSERT_NE(search, nullptr);
  EXPECT_TRUE(search->isVisible());
  search->findChild<QLineEdit*>("SearchText")->setText("brev");
  QTest::mouseClick(search->findChild<QPushButton*>("SearchButton"), Qt::LeftButton);
  EXPECT_TRUE(search->findChild<QPushButton*>("CancelButton")->isEnabled());
  QTRY_VERIFY(!search->Running());
  auto* hits = search->findChild<QTreeWidget*>("Hits");
  ASSERT_EQ(hits->topLevelItemCount(), 4);
  const QTreeWidgetItem* note = hits->topLevelItem(2);
  EXPECT_EQ(note->text(0).toStdString(), "Arkiv › Mappe › Gammelt brev");
  EXPECT_EQ(note->text(1).toStdString(), "Notat");
  EXPECT_EQ(note->text(2).toStdString(), "Svar kommer i brev fra banken");

  hits->setCurrentItem(hits->topLevelItem(2));
  QTest::keyClick(hits, Qt::Key_Return);
  EXPECT_EQ(dp().CurrentPosition(), deep);
  EXPECT_EQ(form_.cl().Count, 1);

  // "Avbryt" before the first slice: the search stops where it stands and says so.
  QTest::mouseClick(search->findChild<QPushButton*>("SearchButton"), Qt::LeftButton);
  QTest::mouseClick(search->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
  EXPECT_FALSE(search->Running());
  EXPECT_EQ(hits->topLevelItemCount(), 0);
  EXPECT_TRUE(search->findChild<QLabel*>("SearchStatus")->text().startsWith("Avbrutt"));
}

}  // namespace
}  // namespace qn
