// The template editor and the Pascal import in the window: TDefForm shows its DefEditor's
// grid and sends each keystroke through the type entry rule, "&Mal" and "Å&pne" on a
// template open it, and TImportForm lists and imports a source's declarations.
#include "ui/forms/def_form.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "content/initial_content.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "templates/template_store.h"
#include "ui/dialogs/scripted_dialogs.h"
#include "ui/forms/import_form.h"
#include "ui/ui_env.h"
#include "ui/window/view_fixture.h"
#include "ui/window/window_fixture.h"

namespace qn {
namespace {

class DefFormTest : public test::WindowTest {
 protected:
  DefFormTest() {
    Open("def.pdb256", 900);
    kunde_ = test::MakeTemplate(db(), "Kunde", test::CustomerFields());
  }
  // Runs `inside` on the editor window once it is shown, then closes it.
  void WhenShown(std::function<void(TDefForm&)> inside) {
    QTimer::singleShot(0, [this, inside] {
      auto* form = qobject_cast<TDefForm*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      seen_ = true;
      inside(*form);
      form->close();
    });
  }
  Position kunde_ = 0;
  bool seen_ = false;
};

TEST_F(DefFormTest, TheGridShowsTheEditorAndTypingRunsTheTypeEntryRule) {
  DialogsDefHost host(dialogs_, db());
  DefEditor editor(db(), host, false);
  editor.SetNameBox("Kunde");
  editor.ScanTemplates();
  ASSERT_TRUE(editor.Open());
  TDefForm form(editor);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.windowTitle(), "Data definisjon");
  auto* grid = form.findChild<QTableWidget*>("StringGrid1");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->horizontalHeaderItem(kColNodvendig)->text(), QString::fromUtf8("Nødvendig"));
  EXPECT_EQ(grid->item(0, kColNavn)->text(), "Navn");
  EXPECT_EQ(grid->item(5, kColNr)->text(), "6 (40)");
  EXPECT_EQ(grid->item(6, kColNr)->text(), "7");
  EXPECT_EQ(form.findChild<QComboBox*>("NavnBoks")->currentText(), "Kunde");

  grid->setCurrentCell(5, kColType);
  grid->editItem(grid->item(5, kColType));
  auto* cell = grid->findChild<QLineEdit*>("CellEditor");
  ASSERT_NE(cell, nullptr);
  QTest::keyClicks(cell, "byte");
  EXPECT_EQ(editor.Cell(kColDataType, 6), "2");
  EXPECT_EQ(grid->item(5, kColDataLengd)->text(), "1");
  EXPECT_EQ(grid->item(5, kColNavn)->text(), "B6 (40)");
  QTest::keyClick(cell, Qt::Key_Return);
  QTest::qWait(0);  // the delegate commits after the key
  EXPECT_EQ(grid->item(5, kColType)->text(), "BYTE");

  form.GridDblClick(6, kColSkjult);
  EXPECT_EQ(grid->item(5, kColSkjult)->text(), "Ja");
  form.GridDblClick(6, kColType);
  EXPECT_TRUE(form.TypeListVisible());
  form.TypeListClick(kTypeWord);
  EXPECT_FALSE(form.TypeListVisible());
  EXPECT_EQ(grid->item(5, kColType)->text(), "WORD");
  EXPECT_EQ(grid->item(6, kColNr)->text(), "7 (42)");

  form.findChild<QAction*>("Vissomobjekt1")->trigger();
  EXPECT_TRUE(form.Declarations().isVisible());
  EXPECT_TRUE(form.Declarations().Text().startsWith("TYPE\n Kunde = Object\n      Navn : String;"));
  EXPECT_FALSE(form.findChild<QAction*>("Nypekerpvalgtdefinisjon1") == nullptr);
  form.close();
  const std::vector<AskedQuestion> asked = dialogs_.Asked(QuestionKind::kYesNo);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "Data er endret, vil du lagre ?");

  // Text typed before a save and given up by the cell after it is no new change.
  form.CellTyped(2, kColType, "string");
  ASSERT_TRUE(editor.Save());
  form.CellCommitted(2, kColType, "string");
  EXPECT_TRUE(editor.Lagret());
}

TEST_F(DefFormTest, TheWindowOpensTheEditorOnATemplateAndForANewOne) {
  ShowOn(kunde_);
  WhenShown([](TDefForm& form) {
    EXPECT_TRUE(form.isMaximized());
    EXPECT_EQ(form.findChild<QComboBox*>("NavnBoks")->currentText(), "Kunde");
    EXPECT_FALSE(form.findChild<QAction*>("Lagre1")->isEnabled() == false);
  });
  dialogs_.AnswerYes();  // the close question
  form_.MenuItem("Egenskaper1")->trigger();
  EXPECT_TRUE(seen_);
  EXPECT_EQ(dp().CurrentPosition(), kunde_);

  seen_ = false;
  WhenShown([](TDefForm& form) {
    EXPECT_FALSE(form.findChild<QAction*>("Lagre1")->isEnabled());
    form.CellCommitted(1, kColType, "longint");
  });
  dialogs_.AnswerYes().AnswerText("Ny mal");
  form_.MenuItem("Definisjon1")->trigger();
  EXPECT_TRUE(seen_);
  ASSERT_EQ(LoadTemplate(db(), "Ny mal"), 0);
  ASSERT_EQ(LoadedTemplate(db()).Fields.size(), 1u);
  EXPECT_EQ(LoadedTemplate(db()).Fields[0].DataType, kTypeLongint);
}

TEST_F(DefFormTest, TheImportFormListsAndImportsDeclarations) {
  const std::string file = (Work() / "enhet.pas").string();
  std::ofstream(file) << "type\n  TA = record\n    A: Byte;\n  end;\n  TB = object(TA)\n    B: Word;\n  end;\n";
  TImportForm form(db(), dialogs_);
  form.show();
  dialogs_.AnswerText(file);
  form.BrowseClick();
  EXPECT_EQ(form.findChild<QLineEdit*>("Linjer")->text(), "7");
  EXPECT_EQ(form.findChild<QLineEdit*>("Objekter")->text(), "2");
  ASSERT_EQ(form.findChild<QListWidget*>("ListBox1")->count(), 2);
  // Inside the window's command, as the form runs there: each import reaches the file at once.
  db().BeginChange();
  form.ImportAllClick();
  EXPECT_EQ(form.Imported(), 2);
  EXPECT_EQ(form.ResultText(), "2 maler importert.");
  EXPECT_FALSE(dialogs_.Asked(QuestionKind::kProgress).empty());
  {
    tDataImageArk reader;
    OpenDatabase(reader, db().FileName(), OpenPolicy::kInspect);
    ASSERT_TRUE(reader.IsOpen());
    ASSERT_EQ(LoadTemplate(reader, "TB"), 0);
    EXPECT_EQ(LoadedTemplate(reader).Fields.size(), 3u);  // A from TA, the INHERITED row, B
  }
  form.ImportAllClick();  // imported before: left out, said in one line, no message box
  EXPECT_EQ(form.Imported(), 2);
  EXPECT_EQ(form.ResultText(), "0 maler importert. 2 hoppet over, navnet er allerede i bruk: TA, TB.");
  EXPECT_TRUE(dialogs_.Asked(QuestionKind::kMessage).empty());
  db().EndChange();
}

}  // namespace
}  // namespace qn
