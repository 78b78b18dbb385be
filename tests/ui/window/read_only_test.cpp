// The window on a database opened read-only: the caption and the status bar say so, every
// command that writes is disabled, one reached all the same is refused with one message
// and leaves the file as it was.
#include <QAction>
#include <QLabel>

#include "env/settings.h"
#include "store/database.h"
#include "commands/command_boundary.h"
#include "ui/forms/data_editor_runner.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class ReadOnlyWindowTest : public test::CommandsTest {
 protected:
  // Opens the window's database again through "Å&pne", read-only or not by the setting.
  void Reopen(bool readOnly) {
    {
      SectionScope section(kEngineSection);
      WriteSettingBool("ReadOnlyDatabase", readOnly);
    }
    dialogs_.AnswerText(db().FileName());
    Run("pne1");
    ASSERT_TRUE(db().IsOpen());
    ASSERT_EQ(db().ReadOnly(), readOnly);
  }
  QLabel* ReadOnlyLabel() { return form_.findChild<QLabel*>("ReadOnlyLabel"); }
};

TEST_F(ReadOnlyWindowTest, SaysSoDisablesEveryEditAndRefusesOneReachedAnywayWithoutChange) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B"});
  const Position data = DataBelow("Ola", 7);
  Reopen(true);
  ShowOn(list[0]);
  EXPECT_TRUE(form_.windowTitle().endsWith(" [skrivebeskyttet]"));
  ASSERT_NE(ReadOnlyLabel(), nullptr);
  EXPECT_FALSE(ReadOnlyLabel()->isHidden());
  EXPECT_EQ(ReadOnlyLabel()->text(), "Skrivebeskyttet");

  // A mark exists, so the items that follow the marks would be enabled on a writable
  // database: reading ones are, editing ones are not.
  Run("Merkher1");
  for (const char* name : {"Linje1", "Data1", "Slett2", "Klipput1", "Flyttned1", "Flyttopp1",
                           "Sorterlistenstigende1", "Fix1", "Tilknyttmal1",
                           "Liminnpekertilmerketpost1", "Oppdaterdenneiframerket1"}) {
    EXPECT_FALSE(form_.MenuItem(name)->isEnabled()) << name;
  }
  for (const char* name : {"SpeedButton1", "SpeedButton2", "CutButton", "PasteCButton"}) {
    EXPECT_FALSE(Button(name)->isEnabled()) << name;
  }
  for (const char* name : {"Sketter1", "Hopptilmerke1", "Hopptilfilposisjon1", "Merkfrste1",
                           "Endrenavn1", "Egenskaper1"}) {
    EXPECT_TRUE(form_.MenuItem(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(Button("nButton")->isEnabled());
  EXPECT_TRUE(Button("PopButton")->isEnabled());

  const std::vector<uint8_t> before = FileBytes();
  // A command reached past its disabled item asks nothing and is refused.
  form_.MenuItem("Linje1")->setEnabled(true);
  form_.MenuItem("Linje1")->trigger();
  EXPECT_TRUE(dialogs_.Asked(QuestionKind::kChooseNewLine).empty());
  EXPECT_FALSE(form_.MenuItem("Linje1")->isEnabled());
  // A double click on a line would rename it.
  form_.Command([this] { form_.PaintBox1DblClick(); });
  EXPECT_TRUE(dialogs_.Asked(QuestionKind::kPrompt).empty());
  // The data editor shows a data record, but its save writes nothing.
  ScriptedDataEditor editor(dialogs_);
  editor.SaveWith({{"Navn", "Kari"}});
  form_.SetDataEditor(&editor);
  ShowOn(data);
  Run("Egenskaper1");
  EXPECT_EQ(editor.Shown().size(), 1u);
  EXPECT_EQ(Messages(), std::vector<std::string>(3, std::string(kReadOnlyRefusal)));
  EXPECT_EQ(FileBytes(), before);
  // The editing keys say why they do nothing, as the refusal above does.
  Key(Qt::Key_F4);
  Key(Qt::Key_Down, Qt::AltModifier);
  Key(Qt::Key_Delete);
  EXPECT_EQ(Messages(), std::vector<std::string>(6, std::string(kReadOnlyRefusal)));
  EXPECT_TRUE(dialogs_.Asked(QuestionKind::kChooseNewData).empty());
  EXPECT_EQ(FileBytes(), before);
  // The check runs, since it only reads; a sound file says so.
  Run("Kontrollerogreparer1");
  EXPECT_EQ(Messages().back(), "Databasen er uten feil.");

  // The same file opened writable again loses the read-only marks.
  Reopen(false);
  EXPECT_FALSE(form_.windowTitle().contains("skrivebeskyttet"));
  EXPECT_TRUE(ReadOnlyLabel()->isHidden());
  EXPECT_TRUE(form_.MenuItem("Linje1")->isEnabled());
  EXPECT_TRUE(form_.MenuItem("Slett2")->isEnabled());
}

}  // namespace
}  // namespace qn
