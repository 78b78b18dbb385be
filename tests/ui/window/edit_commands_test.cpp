// The window's editing commands: the new-line dialog, delete, copy, cut and paste, the
// shadows and links made from marks, the way back from a shadow to its original, the size
// repair, and the keys of the keyboard table with their exact modifiers. Each family is
// driven through its item, button or key and checked through the engine.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "ui/window/commands_fixture.h"
#include "content/system_lists.h"
#include "ui/dialogs/ny_linje_form.h"
#include "ui/forms/point_form.h"
#include "commands/view_commands.h"

namespace qn {
namespace {

using test::CommandsTest;
using Names = std::vector<std::string>;

class EditCommandsTest : public CommandsTest {};

TEST_F(EditCommandsTest, NewLineGoesBelowOrIntoTheSubListAndCancelMakesNothing) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B"});
  ShowOn(list[0]);
  dialogs_.AnswerNewLine("Under", DirDown);
  Run("Linje1");
  const Position below = dp().CurrentPosition();
  EXPECT_EQ(ListFrom(list[0]), (Names{"A", "Under", "B"}));
  dialogs_.AnswerNewLine("Høyre", DirRight);
  Run("Linje1");
  EXPECT_EQ(RecordAt(below).right, dp().CurrentPosition());
  EXPECT_EQ(ReadName(db()), "Høyre");
  EXPECT_EQ(form_.cl().Count, 1);

  const std::vector<uint8_t> before = FileBytes();
  dialogs_.AnswerCancel();
  Run("Linje1");
  EXPECT_EQ(FileBytes(), before);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kChooseNewLine).size(), 3u);
}

TEST_F(EditCommandsTest, CopyThenPasteTwiceMakesTwoOwnCopiesAndCutOfALineKeepsTheClipboard) {
  const auto list = test::MakeList(db(), "Liste", {"Linje"});
  const Position source = DataBelow("Ola", 7);
  ShowOn(source);
  EXPECT_FALSE(Button("PasteButton")->isEnabled());
  // The record has a template: its editor can be opened.
  EXPECT_TRUE(form_.MenuItem("Redigermal1")->isEnabled());
  Press("CopyButton");
  EXPECT_EQ(db().clipboard.record, source);
  EXPECT_TRUE(Button("PasteButton")->isEnabled());
  Run("Liminn2");
  const Position first = dp().CurrentPosition();
  Press("PasteButton");
  const Position second = dp().CurrentPosition();
  EXPECT_EQ(ListFrom(list[0]).size(), 4u);
  for (Position copy : {first, second}) {
    EXPECT_EQ(RecordAt(copy).origin, kOriginCopy);
    EXPECT_EQ(RecordAt(copy).templatePos, RecordAt(source).templatePos);
    EXPECT_NE(RecordAt(copy).dataBlock, RecordAt(source).dataBlock);
  }
  EXPECT_NE(RecordAt(first).dataBlock, RecordAt(second).dataBlock);

  // Cut on a named line deletes it and leaves the clipboard as it was.
  ShowOn(list[0]);
  EXPECT_FALSE(Button("CutButton")->isEnabled());
  Run("Klipput1");
  EXPECT_TRUE(RecordAt(list[0]).IsDeleted());
  EXPECT_EQ(db().clipboard.record, source);
}

TEST_F(EditCommandsTest, AShadowLeadsBackToItsOriginalWhichIsRestoredWhenDeleted) {
  test::MakeList(db(), "Liste", {"Linje"});
  const Position original = DataBelow("Kari", 3);
  ShowOn(original);
  Run("Kopier3");
  Press("PastePButton");
  const Position shadow = dp().CurrentPosition();
  EXPECT_EQ(RecordAt(shadow).origin, kOriginDataShadow);
  EXPECT_EQ(RecordAt(shadow).dataBlock, RecordAt(original).dataBlock);
  Run("Gtiloriginal1");
  EXPECT_EQ(dp().CurrentPosition(), original);
  EXPECT_FALSE(form_.MenuItem("Gtiloriginal1")->isEnabled());

  Run("Slett2");
  ShowOn(shadow);
  dialogs_.AnswerCancel();  // the window's close box answers the preselected "Ja"
  Run("Gtiloriginal1");
  const auto asked = dialogs_.Asked(QuestionKind::kYesNo);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "Originalen er slettet. Vil du gjenopprette originalen ?");
  const Position restored = dp().CurrentPosition();
  EXPECT_NE(restored, shadow);
  EXPECT_FALSE(RecordAt(restored).IsDeleted());
  EXPECT_EQ(RecordAt(shadow).down, restored);
  EXPECT_EQ(RecordAt(shadow).sourceRecord, restored);
}

TEST_F(EditCommandsTest, MarksGiveShadowsInMarkOrderInheritanceAndAnUpdateSource) {
  const auto here = test::MakeList(db(), "Her", {"Start"});
  const auto arkiv = test::MakeList(db(), "Arkiv", {"A", "B", "C"});
  for (Position mark : {arkiv[2], arkiv[0], arkiv[1]}) {
    ShowOn(mark);
    Press("SpeedButton5");
  }
  ShowOn(here[0]);
  Press("PasteC2Button");
  EXPECT_EQ(ListFrom(here[0]), (Names{"Start", "C", "A", "B"}));
  for (Position p = RecordAt(here[0]).down; p > 0; p = RecordAt(p).down)
    EXPECT_EQ(RecordAt(p).origin, kOriginShadow);

  // The selected line's mark, alone.
  ShowOn(here[0]);
  form_.findChild<QListWidget*>("Merkeliste")->setCurrentRow(0);
  Press("PasteCButton");
  EXPECT_EQ(ListFrom(here[0]), (Names{"Start", "C", "C", "A", "B"}));

  // Inheritance and the update source take the last mark, a data record here.
  const Position source = DataBelow("Kilde", 1);
  Press("SpeedButton5");
  const Position target = DataBelow("Mål", 2);
  ShowOn(target);
  Run("Tilknyttdataframerketpost1");
  Run("Oppdaterdenneiframerket1");
  EXPECT_EQ(RecordAt(target).inheritBlock, RecordAt(source).dataBlock);
  EXPECT_EQ(RecordAt(target).updateFrom, source);
}

TEST_F(EditCommandsTest, TheRightLinkHangsTheSelectedMarkUnderTheCurrentRecord) {
  const auto here = test::MakeList(db(), "Her", {"Forelder", "Med barn"});
  const auto arkiv = test::MakeList(db(), "Arkiv", {"A", "B"});
  ShowOn(arkiv[1]);
  Press("SpeedButton5");
  ShowOn(here[0]);
  Press("LimHButton");
  EXPECT_EQ(dp().CurrentPosition(), here[0]);
  EXPECT_EQ(RecordAt(here[0]).right, arkiv[1]);
  EXPECT_EQ(RecordAt(arkiv[1]).left, here[0]);
  // "B" stays in its own list too, so the check reaches it twice: from its list and from
  // its new parent, where the fault is reported.
  EXPECT_EQ(ListFrom(arkiv[0]), (Names{"A", "B"}));
  crossLinked_ = {here[0], arkiv[1]};

  // A record with a sub-list of its own keeps it: the link is refused.
  dp().Load(here[1]);
  AddNamed(db(), DirRight, "Eget barn");
  ShowOn(here[1]);
  Run("Liminnpekertilmerke1");
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(NameOf(RecordAt(here[1]).right), "Eget barn");
}

TEST_F(EditCommandsTest, SizeRepairMendsARecordAndEndsOnTheFirstData) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B"});
  // "B" says it is 300 bytes long: 0x12C, little-endian.
  const uint8_t size300[4] = {0x2C, 0x01, 0x00, 0x00};
  db().SeekTo(list[1] + kSizeOffset);
  ASSERT_EQ(db().WriteBlock(size300, 4), 0);
  ASSERT_FALSE(dp().IsRecordAt(list[1]));
  ShowOn(list[0]);
  Run("Fix1");
  EXPECT_EQ(RecordAt(list[1]).size, 256u);
  EXPECT_EQ(NameOf(dp().CurrentPosition()),
            "** Ingen data (denne linjen kan endres elles slettes) **");
  EXPECT_EQ(form_.findChild<QLabel*>("StatusPanel1")->text().left(2), "1 ");
}

TEST_F(EditCommandsTest, OpeningATemplateShowsItsEditorAndAnUneditedCloseChangesNothing) {
  // Every kind has its window now: a template opens the template editor.
  const Position kunde = test::MakeTemplate(db(), "Kunde", test::CustomerFields());
  ShowOn(kunde);
  const std::vector<uint8_t> before = FileBytes();
  bool shown = false;
  QTimer::singleShot(0, [&] {
    QWidget* editor = QApplication::activeModalWidget();
    ASSERT_NE(editor, nullptr);
    shown = editor->windowTitle() == "Data definisjon";
    editor->close();  // the close question is answered with its default, "Ja"
  });
  Run("Egenskaper1");
  EXPECT_TRUE(shown);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kYesNo).size(), 1u);
  EXPECT_EQ(FileBytes(), before);
  EXPECT_EQ(dp().CurrentPosition(), kunde);
}

// ---- The keyboard table ----

class KeyboardTest : public CommandsTest {
 protected:
  // A key that must do nothing: no question, no change to the file, the cursor stays.
  void ExpectNothing(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    const std::vector<uint8_t> before = FileBytes();
    const Position at = dp().CurrentPosition();
    const size_t asked = dialogs_.Asked().size();
    const tDataClipboard clipboard = db().clipboard;
    Key(key, modifiers);
    EXPECT_EQ(FileBytes(), before) << key << " " << modifiers;
    EXPECT_EQ(dp().CurrentPosition(), at) << key << " " << modifiers;
    EXPECT_EQ(dialogs_.Asked().size(), asked) << key << " " << modifiers;
    EXPECT_EQ(db().clipboard.record, clipboard.record) << key << " " << modifiers;
  }
};

TEST_F(KeyboardTest, EachKeyWorksWithItsModifiersOnlyAndWrongOnesDoNothing) {
  const auto list = test::MakeList(db(), "Liste", {"Første", "Andre"});
  const Position data = DataBelow("Ola", 1);
  ShowOn(data);

  ExpectNothing(Qt::Key_Insert, Qt::ControlModifier | Qt::ShiftModifier);
  ExpectNothing(Qt::Key_Insert, Qt::AltModifier);
  Key(Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(db().clipboard.record, data);

  ExpectNothing(Qt::Key_Insert, Qt::NoModifier);
  ExpectNothing(Qt::Key_Insert, Qt::ShiftModifier | Qt::AltModifier);
  Key(Qt::Key_Insert, Qt::ShiftModifier);
  const Position copy = dp().CurrentPosition();
  EXPECT_EQ(RecordAt(copy).origin, kOriginCopy);

  ExpectNothing(Qt::Key_Delete, Qt::ShiftModifier | Qt::ControlModifier);
  Key(Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_TRUE(RecordAt(copy).IsDeleted());

  ShowOn(list[0]);
  ExpectNothing(Qt::Key_Up, Qt::AltModifier);  // the first of its list stays
  ExpectNothing(Qt::Key_Down, Qt::AltModifier | Qt::ShiftModifier);
  ExpectNothing(Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);  // Ctrl alone steps
  Key(Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(ListFrom(list[1]), (Names{"Andre", "Første", ""}));
  Key(Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(ListFrom(list[0]), (Names{"Første", "Andre", ""}));

  // The dialogs of F4, Ctrl+F4, Shift+F4, F7 and Ctrl+Enter, each with its modifiers only.
  ExpectNothing(Qt::Key_F4, Qt::ControlModifier | Qt::ShiftModifier);
  ExpectNothing(Qt::Key_F7, Qt::ShiftModifier);
  ExpectNothing(Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
  dialogs_.AnswerCancel().AnswerCancel().AnswerCancel().AnswerCancel().AnswerCancel();
  Key(Qt::Key_F4);
  Key(Qt::Key_F4, Qt::ControlModifier);
  Key(Qt::Key_Return, Qt::ControlModifier);
  Key(Qt::Key_F4, Qt::ShiftModifier);
  Key(Qt::Key_F7);
  const auto& asked = dialogs_.Asked();
  ASSERT_EQ(asked.size(), 5u);
  EXPECT_EQ(asked[0].kind, QuestionKind::kChooseNewData);
  EXPECT_EQ(asked[1].kind, QuestionKind::kChooseNewLine);
  EXPECT_EQ(asked[2].caption, "Nytt navn på linje");
  EXPECT_EQ(asked[3].kind, QuestionKind::kChooseNewNote);
  EXPECT_EQ(asked[4].caption, "Finn bokmerke");

  // F5 shows what changed behind the window's back.
  WriteName(db(), "Omdøpt");
  Key(Qt::Key_F5, Qt::ShiftModifier);
  EXPECT_EQ(form_.Canvas().Texts(1), QStringList{"Første"});
  Key(Qt::Key_F5);
  EXPECT_EQ(form_.Canvas().Texts(1), QStringList{"Omdøpt"});

  // Delete alone is "Slett": the record goes, the clipboard keeps what it held.
  ShowOn(data);
  Key(Qt::Key_Delete);
  EXPECT_TRUE(RecordAt(data).IsDeleted());
  EXPECT_EQ(db().clipboard.record, copy);
}

TEST_F(KeyboardTest, AltEnterShowsThePropertiesOfARegisterVariableAndItsPushIsAMark) {
  ASSERT_EQ(SetRegisterVariable(db(), "Språk", "nb"), 1);
  const Position variable = ScanForString(db(), "Språk", true);
  ASSERT_GT(variable, 0);
  ShowOn(variable);
  ExpectNothing(Qt::Key_Return, Qt::AltModifier | Qt::ShiftModifier);
  bool shown = false;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<TPointForm*>(QApplication::activeModalWidget());
    if (form == nullptr) return;
    shown = true;
    EXPECT_EQ(form->findChild<QLineEdit*>("VerdiEdit")->text(), "nb");
    EXPECT_FALSE(form->findChild<QLineEdit*>("VerdiEdit")->isHidden());
    form->findChild<QToolButton*>("SpeedButton2")->click();  // its own push
    form->reject();
  });
  Key(Qt::Key_Return, Qt::AltModifier);
  EXPECT_TRUE(shown);
  EXPECT_EQ(dp().CurrentPosition(), variable);
  // The dialog pushed on the marks' stack: the marks list shows it.
  auto* lines = form_.findChild<QListWidget*>("Merkeliste");
  ASSERT_EQ(lines->count(), 1);
  EXPECT_EQ(lines->item(0)->text(), "Språk=nb");
  EXPECT_FALSE(form_.findChild<QWidget*>("MerkPanel")->isHidden());
}

// ---- The new-line dialog ----

class NyLinjeFormTest : public test::UiTest {
 protected:
  // Runs the dialog, acting on it once it shows.
  NewLineChoice AskAnd(const std::function<void()>& act) {
    QTimer::singleShot(0, act);
    return form_.Ask();
  }
  QPushButton* ButtonNamed(const char* name) { return form_.findChild<QPushButton*>(name); }
  QLineEdit* Edit() { return form_.findChild<QLineEdit*>("HeaderEdit"); }
  TNyLinjeForm form_;
};

TEST_F(NyLinjeFormTest, EnterMakesTheLineBelowAndEachButtonGivesItsDirection) {
  EXPECT_EQ(form_.windowTitle(), "Ny linje");
  EXPECT_EQ(form_.findChild<QLabel*>("Label1")->text(), "Tekst:");
  EXPECT_EQ(ButtonNamed("HoyreButton")->text(), "Ny til &høyre");
  EXPECT_EQ(ButtonNamed("UnderButton")->text(), "Ny &under");
  EXPECT_EQ(ButtonNamed("AvbrytButton")->text(), "&Avbryt");
  EXPECT_TRUE(ButtonNamed("UnderButton")->isDefault());
  EXPECT_EQ(Edit()->maxLength(), 255);

  NewLineChoice choice = AskAnd([&] {
    QTest::keyClicks(Edit(), "Linje en");
    QTest::keyClick(Edit(), Qt::Key_Return);
  });
  EXPECT_EQ(choice.text, "Linje en");
  EXPECT_EQ(choice.direction, DirDown);

  choice = AskAnd([&] {
    EXPECT_TRUE(Edit()->text().isEmpty());
    QTest::keyClicks(Edit(), "Til høyre");
    ButtonNamed("HoyreButton")->click();
  });
  EXPECT_EQ(choice.text, "Til høyre");
  EXPECT_EQ(choice.direction, DirRight);

  choice = AskAnd([&] {
    QTest::keyClicks(Edit(), "Bort");
    ButtonNamed("AvbrytButton")->click();
  });
  EXPECT_EQ(choice.text, "");
  EXPECT_EQ(choice.direction, DirNull);
}

}  // namespace
}  // namespace qn
