// The shared dialog forms, driven offscreen through their widgets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

#include "env/settings.h"
#include "ui/dialogs/def_velg_form.h"
#include "ui/dialogs/input_form.h"
#include "ui/dialogs/ja_nei_form.h"
#include "ui/dialogs/ny_data_form.h"
#include "ui/dialogs/ny_doc_form.h"
#include "ui/dialogs/ny_form.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/dialogs/vis_prosess_form.h"
#include "ui/ui_env.h"

namespace qn {
namespace {

using test::UiTest;

// ---- TNyForm ----

using NyFormTest = UiTest;

TEST_F(NyFormTest, EntryRefusesMoreThanSixtyThreeTypedCharacters) {
  TNyForm form;
  form.Prepare("Søk i database", "");
  auto* edit = form.findChild<QLineEdit*>("NyEdit");
  ASSERT_NE(edit, nullptr);
  QTest::keyClicks(edit, QString(70, 'a'));
  EXPECT_EQ(form.Answer(), std::string(63, 'a'));
  EXPECT_EQ(form.windowTitle(), "Søk i database");
}

TEST_F(NyFormTest, APromptOpensCentredOverItsWindowAndInsideTheScreen) {
  QWidget window;
  window.setGeometry(60, 80, 500, 400);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  TNyForm form(&window);
  QPoint centre;
  QTimer::singleShot(0, &form, [&] {
    centre = form.frameGeometry().center();
    form.reject();
  });
  form.Ask("Søk i database", "");
  EXPECT_LE((centre - window.frameGeometry().center()).manhattanLength(), 4);

  // A window at the screen's edge does not push its dialog off the screen.
  window.move(window.screen()->availableGeometry().right() - 100, 80);
  QTimer::singleShot(0, &form, [&] {
    EXPECT_TRUE(window.screen()->availableGeometry().contains(form.frameGeometry()));
    form.reject();
  });
  form.Ask("Søk i database", "");
}

TEST_F(NyFormTest, LongProposedNameIsShownWholeAndCannotGrow) {
  TNyForm form;
  const std::string name(100, 'n');
  form.Prepare("Nytt navn på linje", name);
  auto* edit = form.findChild<QLineEdit*>("NyEdit");
  EXPECT_EQ(form.Answer(), name);
  edit->end(false);
  QTest::keyClicks(edit, "xyz");
  EXPECT_EQ(form.Answer(), name);
}

// ---- TInputForm ----

class InputFormTest : public UiTest {
 protected:
  std::string StoredLastInput() {
    UseUserSettings();
    std::string value = ReadSettingString(kLastInputKey);
    UseSharedSettings();
    return value;
  }
  void StoreLastInput(const std::string& text) {
    UseUserSettings();
    WriteSettingString(kLastInputKey, text);
    UseSharedSettings();
  }
};

TEST_F(InputFormTest, OkRemembersTheTextInTheUserFile) {
  TInputForm form;
  form.Prepare("HTML Mappe", "/tmp/html/");
  auto* edit = form.findChild<QLineEdit*>("InputEdit");
  EXPECT_EQ(edit->selectedText(), "/tmp/html/");
  EXPECT_EQ(form.windowTitle(), "Input:");
  EXPECT_EQ(form.findChild<QLabel*>("PromptLabel")->text(), "HTML Mappe");
  EXPECT_EQ(form.Accept(), "/tmp/html/");
  EXPECT_EQ(StoredLastInput(), "/tmp/html/");
  // The shared file does not get it.
  EXPECT_FALSE(SettingExists(kLastInputKey));
}

TEST_F(InputFormTest, WithoutProposedTextStartsWithTheLastTextAllSelected) {
  StoreLastInput("forrige svar");
  TInputForm form;
  form.Prepare("Nytt navn på mal", "");
  auto* edit = form.findChild<QLineEdit*>("InputEdit");
  EXPECT_EQ(edit->text(), "forrige svar");
  EXPECT_EQ(edit->selectedText(), "forrige svar");
  EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
}

TEST_F(InputFormTest, PasswordIsMaskedAndNeverWrittenToSettings) {
  StoreLastInput("forrige svar");
  TInputForm form;
  form.Prepare("Passord", "");
  auto* edit = form.findChild<QLineEdit*>("InputEdit");
  EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
  EXPECT_EQ(edit->text(), "");  // the last text is not offered as a password
  QTest::keyClicks(edit, "hemmelig");
  EXPECT_EQ(edit->displayText(), "********");  // one "*" a character
  EXPECT_EQ(form.Accept(), "hemmelig");
  EXPECT_EQ(StoredLastInput(), "forrige svar");
  // The next ordinary prompt shows text again.
  form.Prepare("Navn", "");
  EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
}

// ---- TJaNeiForm ----

using JaNeiFormTest = UiTest;

TEST_F(JaNeiFormTest, EscapeAnswersNoEvenWhenYesIsTheDefault) {
  TJaNeiForm form;
  form.Prepare("Originalen er slettet. Vil du gjenopprette originalen ?", true);
  form.show();
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.AnsweredYes());
  EXPECT_FALSE(form.isVisible());
}

TEST_F(JaNeiFormTest, CloseBoxAnswersTheDefault) {
  TJaNeiForm form;
  form.Prepare("Spørsmål", true);
  form.show();
  form.close();
  EXPECT_TRUE(form.AnsweredYes());
  form.Prepare("Spørsmål", false);
  form.show();
  form.close();
  EXPECT_FALSE(form.AnsweredYes());
}

TEST_F(JaNeiFormTest, DefaultButtonHasTheFocusAndButtonsAnswer) {
  TJaNeiForm form;
  form.Prepare("Spørsmål", false);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_TRUE(form.findChild<QPushButton*>("NeiButton")->hasFocus());
  QTest::mouseClick(form.findChild<QPushButton*>("JaButton"), Qt::LeftButton);
  EXPECT_TRUE(form.AnsweredYes());
  EXPECT_EQ(form.windowTitle(), "?");
}

TEST_F(JaNeiFormTest, LongQuestionWidensTheWindow) {
  TJaNeiForm form;
  const int narrow = form.width();
  form.Prepare(std::string(200, 'W'), true);
  const QLabel* label = form.findChild<QLabel*>("QuestionLabel");
  EXPECT_GE(form.width(), label->fontMetrics().horizontalAdvance(label->text()) + 50);
  EXPECT_GT(form.width(), narrow);
}

// ---- TVisProsessForm ----

using VisProsessFormTest = UiTest;

TEST_F(VisProsessFormTest, EscapeSetsTheAbortedFlagUntilTheNextStart) {
  TVisProsessForm form;
  form.Start("Importerer objekt", "Leser fil .....");
  EXPECT_FALSE(form.Aborted());
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_TRUE(form.Aborted());
  EXPECT_TRUE(form.isVisible());  // the task closes the window, not the key
  form.Finish();
  form.Start("Importerer objekt", "Leser fil .....");
  EXPECT_FALSE(form.Aborted());
  form.Finish();
}

TEST_F(VisProsessFormTest, TaskSeesEscapeThroughTheSeam) {
  QWidget parent;
  QtDialogs dialogs(&parent);
  auto task = dialogs.StartProgress("Importerer objekt", "Leser fil .....");
  EXPECT_FALSE(task->Aborted());
  QTest::keyClick(&dialogs.VisProsessForm(), Qt::Key_Escape);
  EXPECT_TRUE(task->Aborted());
  task.reset();
  EXPECT_FALSE(dialogs.VisProsessForm().isVisible());
}

// ---- TNyDocForm ----

using NyDocFormTest = UiTest;

TEST_F(NyDocFormTest, EnterCreatesBelowTheBoxEnablesTheTextAndCancelGivesNoDirection) {
  TNyDocForm form;
  auto* doc = form.findChild<QLineEdit*>("DocEdit");
  auto* header = form.findChild<QLineEdit*>("eHeader");
  auto* useText = form.findChild<QCheckBox*>("bruktekst");
  ASSERT_NE(doc, nullptr);
  ASSERT_NE(header, nullptr);
  ASSERT_NE(useText, nullptr);
  EXPECT_EQ(form.windowTitle(), "Ny dokument tilknytning");
  // Asks with `act` run inside the shown dialog.
  auto ask = [&form](const std::function<void()>& act) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      ran = true;
      act();
      if (form.isVisible()) form.reject();  // a failed step must not leave the test waiting
    });
    const NewDocumentChoice choice = form.Ask();
    EXPECT_TRUE(ran);
    return choice;
  };

  NewDocumentChoice choice = ask([&] {
    EXPECT_EQ(form.focusWidget(), doc);
    EXPECT_FALSE(header->isEnabled());
    QTest::keyClicks(doc, "/srv/notat.txt");
    QTest::mouseClick(useText, Qt::LeftButton, {}, QPoint(6, useText->height() / 2));
    EXPECT_TRUE(header->isEnabled());
    QTest::keyClicks(header, "Notat");
    QTest::keyClick(doc, Qt::Key_Return);  // "Ny &under" is the default, not the browse button
  });
  EXPECT_EQ(choice.fileName, "/srv/notat.txt");
  EXPECT_TRUE(choice.useText);
  EXPECT_EQ(choice.text, "Notat");
  EXPECT_EQ(choice.direction, DirDown);

  choice = ask([&] {
    QTest::mouseClick(useText, Qt::LeftButton, {}, QPoint(6, useText->height() / 2));
    EXPECT_FALSE(header->isEnabled());
    QTest::mouseClick(form.findChild<QPushButton*>("DirRight"), Qt::LeftButton);
  });
  EXPECT_EQ(choice.fileName, "/srv/notat.txt") << "the fields stay from the last showing";
  EXPECT_FALSE(choice.useText);
  EXPECT_EQ(choice.direction, DirRight);

  choice = ask([&] { QTest::mouseClick(form.findChild<QPushButton*>("AvbrytButton"), Qt::LeftButton); });
  EXPECT_EQ(choice.direction, DirNull);
  EXPECT_EQ(choice.fileName, "");
  choice = ask([&] { QTest::keyClick(doc, Qt::Key_Escape); });
  EXPECT_EQ(choice.direction, DirNull);
}

// ---- TNyDataForm ----

using NyDataFormTest = UiTest;

TEST_F(NyDataFormTest, DoubleClickBeforeAnyButtonCreatesBelow) {
  TNyDataForm form;
  form.Prepare({"Adresse", "Bok"});
  EXPECT_EQ(form.InnDirection(), DirNull);
  auto* list = form.findChild<QListWidget*>("ListBox");
  EXPECT_EQ(list->currentRow(), 0);
  list->setCurrentRow(1);
  emit list->itemDoubleClicked(list->item(1));
  const NewDataChoice choice = form.Finish(form.result() == QDialog::Accepted);
  EXPECT_TRUE(choice.ok);
  EXPECT_EQ(choice.direction, DirDown);
  EXPECT_EQ(choice.name, "Bok");
}

TEST_F(NyDataFormTest, DirectionOfTheLastButtonCarriesToTheNextDoubleClick) {
  TNyDataForm form;
  form.Prepare({"Adresse"});
  QTest::mouseClick(form.findChild<QPushButton*>("HoyreButton"), Qt::LeftButton);
  EXPECT_EQ(form.Finish(true).direction, DirRight);

  form.Prepare({"Adresse"});
  auto* list = form.findChild<QListWidget*>("ListBox");
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(form.InnDirection(), DirRight);
  EXPECT_TRUE(form.findChild<QPushButton*>("UnderButton")->isDefault());
}

TEST_F(NyDataFormTest, CheckBoxStateIsKeptAlsoWhenCancelled) {
  TNyDataForm form;
  form.Prepare({"Adresse"});
  auto* merk = form.findChild<QCheckBox*>("Merk");
  EXPECT_EQ(merk->text(), "oppdater data fra merket post");
  EXPECT_FALSE(merk->isChecked());
  merk->setChecked(true);
  const NewDataChoice cancelled = form.Finish(false);
  EXPECT_FALSE(cancelled.ok);
  EXPECT_TRUE(cancelled.name.empty());
  EXPECT_TRUE(cancelled.updateFromMarked);
  form.Prepare({"Adresse"});
  EXPECT_TRUE(merk->isChecked());
}

// ---- TDefVelgForm ----

using DefVelgFormTest = UiTest;

TEST_F(DefVelgFormTest, ListsNamesSortedWithoutRegardToCaseAndNothingChosenAtStart) {
  TDefVelgForm form;
  form.Prepare({"ordre", "Adresse", "Bok", "ærend"});
  auto* list = form.findChild<QListWidget*>("ListBox1");
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(0)->text(), "Adresse");
  EXPECT_EQ(list->item(1)->text(), "Bok");
  EXPECT_EQ(list->item(2)->text(), "ordre");
  EXPECT_EQ(list->item(3)->text(), "ærend");
  EXPECT_EQ(form.MalString(), "");
  list->setCurrentRow(2);
  EXPECT_EQ(form.MalString(), "ordre");
  EXPECT_EQ(form.windowTitle(), "Maler");
}

// ---- File filters ----

TEST(FileFilterTest, PairsBecomeQtFiltersWithoutRepeatingPatternsTheLabelShows) {
  EXPECT_EQ(QtDialogs::FilterList("Peker databaser (*.pdb256)|*.pdb256|Alle filer (*.*)|*.*"),
            (std::vector<std::string>{"Peker databaser (*.pdb256)", "Alle filer (*.*)"}));
  EXPECT_EQ(QtDialogs::FilterList("Programfiler|*.EXE;*.COM|Alle filer|*.*"),
            (std::vector<std::string>{"Programfiler (*.EXE *.COM)", "Alle filer (*.*)"}));
  EXPECT_TRUE(QtDialogs::FilterList("").empty());
  EXPECT_TRUE(QtDialogs::FilterList("Bare en etikett").empty());
}

}  // namespace
}  // namespace qn
