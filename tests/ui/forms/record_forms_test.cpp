// The record forms over their models, driven through their widgets: TIndexForm,
// TProgramForm and TGlobalPointerForm show the model's fields, hand back what the user
// typed, and close (or stay open) by their buttons and keys as they should. The models'
// own rules are tested in content/.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "content/bookmark_explorer.h"
#include "content/bookmark_index.h"
#include "content/global_pointer.h"
#include "content/program_record.h"
#include "content/system_lists.h"
#include "ui/forms/global_pointer_form.h"
#include "ui/forms/index_form.h"
#include "ui/forms/program_form.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class RecordFormsTest : public test::CommandsTest {
 protected:
  template <typename Widget = QLineEdit>
  static Widget* Child(QWidget& form, const char* name) {
    auto* child = form.findChild<Widget*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  static QString TextOf(QWidget& form, const char* name) { return Child(form, name)->text(); }
  static void Click(QWidget& form, const char* name) {
    auto* button = form.findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    // At the left edge: a check box's or radio button's box, wherever the layout stretched it.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }
  // Shows `form` and waits until it can take keys.
  static void Show(QWidget& form) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }
};

TEST_F(RecordFormsTest, TheBookmarkExplorerShowsItsModelActsOnWhatWasTypedAndClosesOnlyOnAJump) {
  const auto list = test::MakeList(db(), "Liste", {"Alfa", "Beta"});
  dp().Load(list[1]);
  ASSERT_EQ(AddBookmark(db(), "ab"), list[1]);
  dp().Load(list[0]);
  BookmarkExplorer explorer(db());
  TIndexForm form(explorer);
  Show(form);
  EXPECT_EQ(form.windowTitle(), "Bokmerke Utforsker");
  EXPECT_EQ(TextOf(form, "Edit1"), "Standard");
  EXPECT_TRUE(Child(form, "Edit1")->isReadOnly());
  EXPECT_FALSE(Child(form, "Edit3")->isReadOnly());
  EXPECT_EQ(form.focusWidget(), Child(form, "Edit3")) << "the entry to type in, not the read-only table name";
  EXPECT_EQ(TextOf(form, "Edit3"), "Standard");
  EXPECT_EQ(TextOf(form, "inr"), "65");
  EXPECT_EQ(Child<QLabel>(form, "ilabel")->text(), "A");
  EXPECT_EQ(TextOf(form, "ipos"), QString::number(explorer.ChildPosition()));
  EXPECT_TRUE(Child<QCheckBox>(form, "auto")->isChecked());

  // No button is the default: Enter in the prefix neither walks nor closes.
  QTest::keyClick(Child(form, "Edit3"), Qt::Key_Return);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(TextOf(form, "Edit3"), "Standard");

  Click(form, "SpeedButton1");
  EXPECT_EQ(TextOf(form, "inr"), "66");
  EXPECT_EQ(Child<QLabel>(form, "ilabel")->text(), "B");
  EXPECT_FALSE(Child<QCheckBox>(form, "auto")->isChecked()) << "a picture button ends the auto search";

  // "&Hent" looks up the prefix as typed.
  Child(form, "Edit3")->clear();
  QTest::keyClicks(Child(form, "Edit3"), "AB");
  Click(form, "HentButton");
  EXPECT_EQ(TextOf(form, "Edit3"), "AB");
  EXPECT_TRUE(Child<QCheckBox>(form, "finnes")->isChecked());
  EXPECT_EQ(TextOf(form, "indexpos"), QString::number(list[1]));

  // The box unticked by the user: no jump, the form stays; ticked: the jump closes it.
  Click(form, "finnes");
  Click(form, "HoppButton");
  EXPECT_TRUE(form.isVisible());
  EXPECT_NE(dp().CurrentPosition(), list[1]);
  Click(form, "finnes");
  Click(form, "HoppButton");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);

  Show(form);
  QTest::keyClick(Child(form, "Edit3"), Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(RecordFormsTest, TheProgramFormShowsTheRecordFollowsTheReferenceOptionAndOnlyOkWrites) {
  ASSERT_EQ(NewProgramRecord(db(), "Redigerer"), 0);
  {
    ProgramEditor editor(db());
    editor.programFile = "/usr/bin/redigerer";
    editor.folder = "/srv/ut";
    editor.fileType = "CSV";
    ASSERT_EQ(editor.Ok(), "");
  }
  const std::vector<uint8_t> before = FileBytes();
  ProgramEditor editor(db());
  TProgramForm form(editor, dialogs_);
  Show(form);
  EXPECT_EQ(form.windowTitle(), "Redigerer");
  EXPECT_EQ(TextOf(form, "ProgramEdit"), "/usr/bin/redigerer");
  EXPECT_EQ(TextOf(form, "MappeEdit"), "/srv/ut");
  EXPECT_EQ(TextOf(form, "Ext"), "CSV");
  EXPECT_EQ(Child<QLabel>(form, "MappeLabel")->text(), "Mappe");
  EXPECT_FALSE(Child<QCheckBox>(form, "UsePDB")->isChecked());
  EXPECT_TRUE(Child<QPushButton>(form, "OkButton")->isDefault());

  Click(form, "UsePDB");
  EXPECT_FALSE(Child(form, "MappeEdit")->isEnabled());
  EXPECT_FALSE(Child(form, "Ext")->isEnabled());
  EXPECT_FALSE(Child<QLabel>(form, "ExtLabel")->isEnabled());
  EXPECT_EQ(Child<QLabel>(form, "MappeLabel")->text(), "Parameter");
  Click(form, "UsePDB");
  EXPECT_TRUE(Child(form, "MappeEdit")->isEnabled());
  EXPECT_TRUE(Child(form, "Ext")->isEnabled());
  EXPECT_EQ(Child<QLabel>(form, "MappeLabel")->text(), "Mappe");

  // "&Avbryt": the fields reach the editor's image, not the file.
  Child(form, "ProgramEdit")->setText("/bin/false");
  Click(form, "AvbrytButton");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(editor.programFile, "/bin/false");
  EXPECT_EQ(FileBytes(), before);

  // Enter in an entry is "O&k", which writes the record.
  ProgramEditor again(db());
  TProgramForm second(again, dialogs_);
  Show(second);
  Child(second, "Ext")->clear();
  QTest::keyClicks(Child(second, "Ext"), "TXT");
  Click(second, "UsePDB");
  QTest::keyClick(Child(second, "ProgramEdit"), Qt::Key_Return);
  EXPECT_FALSE(second.isVisible());
  EXPECT_EQ(second.result(), QDialog::Accepted);
  ProgramEditor stored(db());
  EXPECT_EQ(stored.programFile, "/usr/bin/redigerer");
  EXPECT_EQ(stored.fileType, "TXT");
  EXPECT_TRUE(stored.useData);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(RecordFormsTest, TheGlobalPointerFormStaysOpenOnARefusalWritesOnOkAndShowsAnEdit) {
  const auto list = test::MakeList(db(), "Liste", {"A"});
  dp().Load(list[0]);
  dp().SetLastDirection(DirDown);
  const std::vector<uint8_t> before = FileBytes();
  GlobalPointerEditor editor(db(), false);
  TGlobalPointerForm form(editor, dialogs_);
  Show(form);
  EXPECT_EQ(form.windowTitle(), "Global Peker");
  for (const char* entry : {"eFilnavn", "ePosisjon", "eTekst"}) EXPECT_EQ(TextOf(form, entry), "") << entry;
  EXPECT_TRUE(Child<QRadioButton>(form, "eMetode0")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(form, "Automatisk")->isChecked());
  EXPECT_TRUE(Child<QPushButton>(form, "OkButton")->isDefault());

  QTest::keyClicks(Child(form, "eFilnavn"), "annen.pdb256");
  QTest::keyClicks(Child(form, "ePosisjon"), "12x");
  EXPECT_FALSE(Child(form, "eTekst")->isEnabled()) << "a pointer by Position has no text to ask for";
  Click(form, "OkButton");
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(Messages(), std::vector<std::string>{"'12x' er ikke en gyldig heltallsverdi"});
  EXPECT_EQ(FileBytes(), before);

  Child(form, "ePosisjon")->setText("120");
  Click(form, "eMetode1");
  EXPECT_FALSE(Child(form, "ePosisjon")->isEnabled());
  QTest::keyClicks(Child(form, "eTekst"), QString::fromUtf8("Mål"));
  Click(form, "Automatisk");
  QTest::keyClick(Child(form, "eTekst"), Qt::Key_Return);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  const std::optional<GlobalPointer> made = ReadGlobalPointer(db());
  ASSERT_TRUE(made.has_value());
  EXPECT_EQ(made->fileName, "annen.pdb256");
  EXPECT_EQ(made->position, 120);
  EXPECT_EQ(made->text, "Mål");
  EXPECT_EQ(made->method & 0x03, 1);
  EXPECT_TRUE(made->automatic);

  // Opening the pointer shows it; Escape writes nothing.
  const std::vector<uint8_t> written = FileBytes();
  GlobalPointerEditor edit(db(), true);
  TGlobalPointerForm again(edit, dialogs_);
  Show(again);
  EXPECT_EQ(TextOf(again, "eFilnavn"), "annen.pdb256");
  EXPECT_EQ(TextOf(again, "ePosisjon"), "120");
  EXPECT_EQ(TextOf(again, "eTekst"), QString::fromUtf8("Mål"));
  EXPECT_TRUE(Child<QRadioButton>(again, "eMetode1")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(again, "Automatisk")->isChecked());
  Child(again, "ePosisjon")->setText("7");
  QTest::keyClick(Child(again, "ePosisjon"), Qt::Key_Escape);
  EXPECT_FALSE(again.isVisible());
  EXPECT_EQ(FileBytes(), written);
}

}  // namespace
}  // namespace qn
