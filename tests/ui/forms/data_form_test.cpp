// The data editor in the window: opened by a double click on a data record, made by F4
// through the new-data dialog, its save's reports, and the TDataForm widget wired to the
// editor's rows. Values are checked in the record through the engine.
#include "ui/forms/data_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <functional>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "store/database.h"
#include "store/datapointer.h"
#include "content/display_name.h"
#include "templates/data_editor.h"
#include "templates/template_store.h"
#include "ui/window/quill_form.h"
#include "ui/dialogs/scripted_dialogs.h"
#include "ui/ui_env.h"
#include "ui/window/view_fixture.h"
#include "ui/window/window_fixture.h"
#include "content/initial_content.h"

namespace qn {
namespace {

// The grid's text of field `name` in the record at `record`, as the editor reads it.
std::string ValueOf(tDataImageArk& db, Position record, const std::string& name) {
  const Position keep = db.dp->CurrentPosition();
  db.dp->Load(record);
  std::string text = "<no field>";
  EditData(db, [&](DataEditor& editor) {
    editor.LesData();
    if (const auto row = editor.RowOf(name)) text = editor.Value(*row);
    return false;
  });
  db.dp->Load(keep);
  return text;
}

class DataEditorWindowTest : public test::WindowTest {
 protected:
  DataEditorWindowTest() {
    form_.SetDataEditor(&editor_);
    Open("data.pdb256", 900);
    kunde_ = test::MakeTemplate(db(), "Kunde", test::CustomerFields());
    list_ = test::MakeList(db(), "Kunder", {"Linje"});
    ola_ = test::MakeDataRecord(db(), DirDown, kunde_, test::CustomerPayload("Ola", 42, "", true));
  }
  void DoubleClick(int row) {
    QWidget* box = form_.findChild<QWidget*>("PaintBox1");
    const QPoint at(300, row * Lh() + Lh() / 2);
    QTest::mouseClick(box, Qt::LeftButton, {}, at);
    QTest::mouseDClick(box, Qt::LeftButton, {}, at);
  }

  ScriptedDataEditor editor_{dialogs_};
  Position kunde_ = 0;
  std::vector<Position> list_;
  Position ola_ = 0;
};

TEST_F(DataEditorWindowTest, DoubleClickOnADataRecordSavesTheChangedValues) {
  ShowOn(list_[0]);
  editor_.SaveWith({{"Navn", "Per"}, {"Nr", "7"}});
  DoubleClick(2);
  ASSERT_EQ(editor_.Shown().size(), 1u);
  EXPECT_EQ(editor_.Shown()[0][0], qn::FieldText("Navn", "Ola"));
  EXPECT_EQ(editor_.Shown()[0][1], qn::FieldText("Nr", "42"));
  EXPECT_TRUE(editor_.UnknownFields().empty());
  EXPECT_EQ(dp().CurrentPosition(), ola_);
  EXPECT_EQ(ValueOf(db(), ola_, "Navn"), "Per");
  EXPECT_EQ(ValueOf(db(), ola_, "Nr"), "7");
  EXPECT_EQ(ValueOf(db(), ola_, "Aktiv"), "Ja");
  // The view was refreshed with the new values.
  EXPECT_EQ(form_.Canvas().Texts(2), (QStringList{"Per", "7", "********", "Ja"}));
}

TEST_F(DataEditorWindowTest, CancellingTheEditorLeavesTheRecordAsItWas) {
  ShowOn(ola_);
  editor_.Cancel();
  DoubleClick(2);
  ASSERT_EQ(editor_.Shown().size(), 1u);
  EXPECT_EQ(ValueOf(db(), ola_, "Navn"), "Ola");
}

TEST_F(DataEditorWindowTest, AValueTheFieldCannotHoldIsReportedAndTheEditorStaysOpen) {
  const Position tider = test::MakeTemplate(
      db(), "Tider", {test::Field("Tekst", 16, 11, 10, 0), test::Field("Tid", 43, 8, 14, 0),
                      test::Field("Tall", 8, 8, 12, 0)});
  dp().Load(ola_);
  const Position rec = test::MakeDataRecord(db(), DirDown, tider, std::vector<uint8_t>(27, 0));
  ShowOn(rec);
  const std::string number = ValueOf(db(), rec, "Tall");
  // A time that is not a date stops the save; the text before it is written already.
  editor_.SaveWith({{"Tekst", "skrevet"}, {"Tid", "ikke en dato"}});
  DoubleClick(3);
  ASSERT_EQ(dialogs_.Asked(QuestionKind::kMessage).size(), 1u);
  EXPECT_FALSE(dialogs_.Asked(QuestionKind::kMessage)[0].text.empty());
  EXPECT_EQ(ValueOf(db(), rec, "Tekst"), "skrevet");
  // A real-number text that is not a number keeps the old value and names the field.
  editor_.SaveWith({{"Tall", "2.5x"}});
  DoubleClick(3);
  ASSERT_EQ(dialogs_.Asked(QuestionKind::kMessage).size(), 2u);
  EXPECT_NE(dialogs_.Asked(QuestionKind::kMessage)[1].text.find("\"Tall\""), std::string::npos);
  EXPECT_EQ(ValueOf(db(), rec, "Tall"), number);
}

TEST_F(DataEditorWindowTest, F4MakesADataRecordOnTheChosenTemplateAndEditsIt) {
  ShowOn(list_[0]);
  form_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  dialogs_.AnswerNewData("Database Bruker", DirDown);
  editor_.SaveWith({{"Brukernavn", "kari"}, {"Bruker ID", "12"}});
  QTest::keyClick(&form_, Qt::Key_F4);

  ASSERT_EQ(dialogs_.Asked(QuestionKind::kChooseNewData).size(), 1u);
  const std::vector<std::string> offered = dialogs_.Asked(QuestionKind::kChooseNewData)[0].list;
  EXPECT_NE(std::find(offered.begin(), offered.end(), "Database Bruker"), offered.end());
  EXPECT_NE(std::find(offered.begin(), offered.end(), "Kunde"), offered.end());

  // Below the line, current, laid out by "Database Bruker", holding the typed values.
  const Position made = dp().CurrentPosition();
  dp().Load(list_[0]);
  EXPECT_EQ(dp().Down(), made);
  dp().Load(made);
  EXPECT_NE(dp().Kind() & kKindData, 0);
  ASSERT_EQ(LoadTemplate(db(), "Database Bruker"), 0);
  EXPECT_EQ(dp().TemplatePos(), LoadedTemplate(db()).TemplateRecordPos);
  EXPECT_EQ(ValueOf(db(), made, "Brukernavn"), "kari");
  EXPECT_EQ(ValueOf(db(), made, "Bruker ID"), "12");
  EXPECT_EQ(form_.cl().CurrentIndex, 1);
  EXPECT_EQ(form_.Canvas().Texts(0).first(), "Brukernavn");
  EXPECT_EQ(form_.Canvas().Texts(2).first(), "kari");
}

TEST_F(DataEditorWindowTest, ACancelledNewDataDialogMakesNothing) {
  ShowOn(list_[0]);
  dialogs_.AnswerCancel();
  form_.MenuItem("Data1")->trigger();
  EXPECT_EQ(dp().CurrentPosition(), list_[0]);
  EXPECT_EQ(dp().Down(), ola_);
  EXPECT_TRUE(editor_.Shown().empty());
}

// ---- The form itself ----

class DataFormTest : public test::UiTest {
 protected:
  DataFormTest() {
    OpenDatabase(db_, (Work() / "form.pdb256").string(), OpenPolicy::kCreate);
    const Position kunde = test::MakeTemplate(db_, "Kunde", test::CustomerFields());
    test::MakeList(db_, "Kunder", {"Linje"});
    rec_ = test::MakeDataRecord(db_, DirDown, kunde, test::CustomerPayload("Ola", 42, "pw", true));
  }

  // Opens the form on the record, lets `act` work on it, and returns its result.
  bool WithForm(const std::function<void(TDataForm&, QTableWidget&)>& act) {
    db_.dp->Load(rec_);
    return EditData(db_, [&](DataEditor& editor) {
      TDataForm form(editor, dialogs_);
      form.show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
      auto* grid = form.findChild<QTableWidget*>("DataGrid");
      act(form, *grid);
      return form.result() == QDialog::Accepted;
    });
  }

  tDataImageArk db_;
  ScriptedDialogs dialogs_;
  Position rec_ = 0;
};

TEST_F(DataFormTest, TheGridShowsNamesAndValuesAndOnlyValuesAreEditable) {
  WithForm([](TDataForm& form, QTableWidget& grid) {
    EXPECT_EQ(form.windowTitle(), "Data");
    EXPECT_EQ(grid.horizontalHeaderItem(0)->text(), "Feltnavn");
    EXPECT_EQ(grid.horizontalHeaderItem(1)->text(), "Verdi");
    EXPECT_EQ(grid.columnWidth(0), 200);
    EXPECT_EQ(grid.rowHeight(0), 21);
    EXPECT_EQ(grid.item(0, 0)->text(), "Navn");
    EXPECT_EQ(grid.item(0, 1)->text(), "Ola");
    EXPECT_EQ(grid.item(1, 1)->text(), "42");
    // The editor shows a password as it is stored.
    EXPECT_EQ(grid.item(3, 1)->text(), "pw");
    EXPECT_FALSE(grid.item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(grid.item(0, 1)->flags() & Qt::ItemIsEditable);
    form.reject();
  });
}

TEST_F(DataFormTest, APasswordIsTypedMaskedAndAReadOnlyFormShowsWithoutEditing) {
  WithForm([](TDataForm& form, QTableWidget& grid) {
    grid.setCurrentCell(3, 1);
    grid.editItem(grid.item(3, 1));
    auto* editor = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->echoMode(), QLineEdit::Password);
    auto* show = editor->findChild<QAction*>("VisPassord");
    ASSERT_NE(show, nullptr);
    show->trigger();
    EXPECT_EQ(editor->echoMode(), QLineEdit::Normal);
    grid.setCurrentCell(0, 1);
    grid.editItem(grid.item(0, 1));
    auto* name = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->echoMode(), QLineEdit::Normal);
    // Sized to its rows: every field shows without scrolling, and it is no full screen.
    EXPECT_LT(form.ContentSize().height(), 400);
    form.reject();
  });
  db_.dp->Load(rec_);
  EditData(db_, [&](DataEditor& editor) {
    TDataForm form(editor, dialogs_, nullptr, true);
    form.show();
    auto* grid = form.findChild<QTableWidget*>("DataGrid");
    EXPECT_NE(form.findChild<QLabel*>("SkrivebeskyttetMerknad"), nullptr);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(grid->item(0, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(form.findChild<QPushButton*>("SaveButton")->isEnabled());
    EXPECT_EQ(form.findChild<QPushButton*>("AvbrytButton")->text(), "&Lukk");
    form.reject();
    return false;
  });
}

TEST_F(DataFormTest, LagreWritesTheTypedValuesAndAvbrytThrowsThemAway) {
  EXPECT_TRUE(WithForm([](TDataForm& form, QTableWidget& grid) {
    grid.item(0, 1)->setText("Kari");
    QTest::mouseClick(form.findChild<QPushButton*>("SaveButton"), Qt::LeftButton);
  }));
  EXPECT_EQ(ValueOf(db_, rec_, "Navn"), "Kari");

  EXPECT_FALSE(WithForm([](TDataForm& form, QTableWidget& grid) {
    grid.item(0, 1)->setText("Per");
    QTest::mouseClick(form.findChild<QPushButton*>("AvbrytButton"), Qt::LeftButton);
  }));
  EXPECT_EQ(ValueOf(db_, rec_, "Navn"), "Kari");
}

TEST_F(DataFormTest, TabShiftTabAndEnterMoveBetweenTheValueCellsOnly) {
  EXPECT_TRUE(WithForm([](TDataForm& form, QTableWidget& grid) {
    // The form opens on the first value, ready for typing; each key hands the typed text
    // to its cell and opens the next value cell, never a name cell.
    const auto type = [&](const char* text, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
      QWidget* editor = grid.indexWidget(grid.currentIndex());
      ASSERT_NE(editor, nullptr) << "no cell is being edited";
      QTest::keyClicks(editor, text);
      QTest::keyClick(editor, key, modifiers);
    };
    EXPECT_EQ(grid.currentColumn(), 1);
    type("Kari", Qt::Key_Tab);
    type("7", Qt::Key_Tab);
    EXPECT_EQ(grid.currentRow(), 2);
    type("", Qt::Key_Tab, Qt::ShiftModifier);  // back to "Nr"
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.currentColumn(), 1);
    type("8", Qt::Key_Return);
    EXPECT_EQ(grid.currentRow(), 2);
    type("gjem", Qt::Key_Return);
    type("", Qt::Key_Return);
    EXPECT_EQ(grid.currentRow(), 4);
    type("Nei", Qt::Key_Return);  // Enter on the last value only confirms it
    EXPECT_EQ(grid.currentRow(), 4);
    EXPECT_EQ(grid.currentColumn(), 1);
    EXPECT_TRUE(form.isVisible());
    // Not editing, Enter is the dialog's: it presses "&Lagre".
    QTest::keyClick(&grid, Qt::Key_Return);
  }));
  EXPECT_EQ(ValueOf(db_, rec_, "Navn"), "Kari");
  EXPECT_EQ(ValueOf(db_, rec_, "Nr"), "8");
  EXPECT_EQ(ValueOf(db_, rec_, "Skjult"), "gjem");
  EXPECT_EQ(ValueOf(db_, rec_, "Aktiv"), "Nei");
}

}  // namespace
}  // namespace qn
