// The pointer properties window over its rules: boxes found by component name, typed
// texts stored by "Lagre", the value box only for a register variable, closing stores,
// a refused box on "&Lukk" keeps the dialog open; and the main window's wiring of the
// properties dialog and the file information window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "content/system_lists.h"
#include "store/record_blocks.h"
#include "ui/forms/props_fixture.h"
#include "ui/forms/info_form.h"
#include "ui/forms/point_form.h"
#include "ui/window/quill_form.h"
#include "ui/dialogs/scripted_dialogs.h"
#include "content/initial_content.h"

namespace qn {
namespace {

// Runs `act` on the next modal window once it is shown, while `trigger` waits in it.
void WhileModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& act) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    seen = modal != nullptr;
    if (modal == nullptr) return;
    act(modal);
    // A failed check must not leave the test waiting in the window.
    if (modal->isVisible()) QMetaObject::invokeMethod(modal, "reject");
  });
  trigger();
  EXPECT_TRUE(seen);
}

class PointFormTest : public test::PropsTest {
 protected:
  void SetUp() override {
    PropsTest::SetUp();
    a_ = AddNamed(db_, DirDown, "A");
    b_ = AddNamed(db_, DirDown, "B");
    ASSERT_GT(b_, 0);
  }
  QLineEdit* Box(QWidget& form, const char* name) {
    auto* box = form.findChild<QLineEdit*>(name);
    EXPECT_NE(box, nullptr) << name;
    return box;
  }
  void Click(QWidget& form, const char* name) {
    auto* button = form.findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  void Type(QWidget& form, const char* box, const QString& text) {
    QLineEdit* edit = Box(form, box);
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }

  ScriptedDialogs dialogs_;
  Position a_ = 0, b_ = 0;
};

TEST_F(PointFormTest, BoxesShowTheRecordAndLagreStoresWhatWasTyped) {
  dp().Load(a_);
  TPointForm form(db_, dialogs_);
  form.show();
  EXPECT_EQ(form.windowTitle(), "Peker-data");
  EXPECT_EQ(form.PageControl()->tabText(form.PageControl()->currentIndex()), "&Navn");
  EXPECT_EQ(Box(form, "eHeader")->text(), "A");
  EXPECT_EQ(Box(form, "headerstr")->text(), "A");
  EXPECT_EQ(Box(form, "neste")->text(), QString::number(b_));
  EXPECT_TRUE(Box(form, "dl")->isReadOnly());
  EXPECT_TRUE(form.findChild<QToolButton*>("DownKnapp")->isEnabled());
  EXPECT_FALSE(form.findChild<QToolButton*>("RightKnapp")->isEnabled());  // no sub-list
  EXPECT_TRUE(Box(form, "VerdiEdit")->isHidden());
  EXPECT_TRUE(form.findChild<QPushButton*>("VerdiKnapp")->isHidden());

  Type(form, "eHeader", "Alfa");
  Type(form, "dataslutt", "12");
  Click(form, "SaveButton");
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(At(a_, kDataOffsetOffset), 12);
  EXPECT_EQ(NameAt(a_), "Alfa");
  EXPECT_EQ(Box(form, "headerstr")->text(), "Alfa");

  // A walk shows the next record; an edit not saved is gone.
  dp().Load(a_);
  Type(form, "eHeader", "tapt");
  Click(form, "DownKnapp");
  EXPECT_EQ(Box(form, "eHeader")->text(), "B");
  EXPECT_EQ(NameAt(a_), "Alfa");
  ExpectConsistent();
}

TEST_F(PointFormTest, ALongDisplayNameShowsItsStartAndTheWholeAsATip) {
  const std::string name = "Begynnelsen av et langt navn " + std::string(200, 'x') + " slutten";
  dp().Load(a_);
  WriteName(db_, name);
  TPointForm form(db_, dialogs_);
  form.show();
  QLineEdit* shown = Box(form, "headerstr");
  EXPECT_EQ(shown->text().toStdString(), name);
  EXPECT_EQ(shown->cursorPosition(), 0);  // the box shows the text from its start
  EXPECT_TRUE(shown->toolTip().contains(QString::fromStdString(name)));
  EXPECT_EQ(Box(form, "eHeader")->cursorPosition(), 0);
}

TEST_F(PointFormTest, RegisterVariableShowsItsValueBoxAndStoresTheValue) {
  ASSERT_EQ(SetRegisterVariable(db_, "Språk", "nb"), 1);
  ASSERT_GT(Find("Språk"), 0);
  TPointForm form(db_, dialogs_);
  form.show();
  EXPECT_EQ(form.PageControl()->tabText(form.PageControl()->currentIndex()), "&Pekere");
  form.PageControl()->setCurrentIndex(0);
  EXPECT_FALSE(Box(form, "VerdiEdit")->isHidden());
  EXPECT_FALSE(form.findChild<QWidget*>("VerdiLabel")->isHidden());
  EXPECT_EQ(Box(form, "VerdiEdit")->text(), "nb");
  Type(form, "VerdiEdit", "nn");
  Click(form, "VerdiKnapp");
  EXPECT_EQ(GetRegisterVariable(db_, "Språk"), "nn");
  ExpectConsistent();
}

TEST_F(PointFormTest, ClosingStoresAndARefusedBoxKeepsLukkOpenButNotAvbryt) {
  dp().Load(b_);
  {
    TPointForm form(db_, dialogs_);
    form.show();
    Type(form, "dataslutt", "3");
    Click(form, "AvbrytKnapp");  // closing by any means stores
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(At(b_, kDataOffsetOffset), 3);
  }
  {
    TPointForm form(db_, dialogs_);
    form.show();
    Type(form, "datapos", QString::number(a_));
    Click(form, "LukkKnapp");
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(dialogs_.Asked(QuestionKind::kMessage).size(), 1u);
    EXPECT_EQ(Box(form, "datapos")->text(), QString::number(a_));

    Click(form, "AvbrytKnapp");  // still refused: said, nothing stored, closed
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(dialogs_.Asked(QuestionKind::kMessage).size(), 2u);
  }
  EXPECT_EQ(At(a_, kPositionOffset), a_);
  EXPECT_EQ(At(b_, kPositionOffset), b_);
  ExpectConsistent();
}

TEST_F(PointFormTest, ShowPointerPropertiesIsOneForLukkOnlyAndStaysOnTheLastRecordShown) {
  dp().Load(a_);
  int result = 0;
  WhileModal([&] { result = ShowPointerProperties(db_, dialogs_, nullptr); },
             [&](QWidget* modal) {
               Click(*modal, "DownKnapp");
               Click(*modal, "LukkKnapp");
             });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(dp().CurrentPosition(), b_);
  WhileModal([&] { result = ShowPointerProperties(db_, dialogs_, nullptr); },
             [&](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_EQ(result, -1);
  ExpectConsistent();
}

// The main window carries the two commands.
class WiredTest : public test::UiTest {
 protected:
  WiredTest() { form_.SetDialogs(&dialogs_); }

  ScriptedDialogs dialogs_;
  TQuillForm form_;
};

TEST_F(WiredTest, EgenskaperAndOpeningAnEmptyRecordShowPropertiesAndInformasjonTheScan) {
  const std::string file = (Work() / "wired.pdb256").string();
  {
    tDataImageArk db;
    OpenDatabase(db, file, OpenPolicy::kCreate);
  }
  form_.FormCreate({file});
  ASSERT_TRUE(form_.dataark().IsOpen());
  const Position current = form_.dataark().dp->CurrentPosition();

  for (const char* item : {"Endrenavn1", "Egenskaper2"}) {
    QAction* action = form_.MenuItem(item);
    ASSERT_NE(action, nullptr) << item;
    EXPECT_TRUE(action->isEnabled()) << item;
    WhileModal([&] { action->trigger(); },
               [&](QWidget* modal) {
                 auto* point = qobject_cast<TPointForm*>(modal);
                 ASSERT_NE(point, nullptr);
                 EXPECT_EQ(point->findChild<QLineEdit*>("datapos")->text(),
                           QString::number(current));
                 point->findChild<QLineEdit*>("dataslutt")->setText("9");
                 point->findChild<QPushButton*>("LukkKnapp")->click();
               });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
  form_.dataark().dp->Load(current);
  EXPECT_EQ(form_.dataark().dp->DataOffset(), 9);

  // Opening a record of a kind without a window of its own shows its properties.
  ASSERT_EQ(form_.dataark().dp->NewDown(), 0);
  const Position empty = form_.dataark().dp->CurrentPosition();
  WhileModal([&] { form_.MenuItem("Egenskaper1")->trigger(); },
             [&](QWidget* modal) {
               auto* point = qobject_cast<TPointForm*>(modal);
               ASSERT_NE(point, nullptr);
               EXPECT_EQ(point->findChild<QLineEdit*>("datapos")->text(), QString::number(empty));
               point->reject();
             });

  WhileModal([&] { form_.MenuItem("Informasjonompekere1")->trigger(); },
             [&](QWidget* modal) {
               auto* info = qobject_cast<TInfoForm*>(modal);
               ASSERT_NE(info, nullptr);
               EXPECT_EQ(info->windowTitle().toStdString(), "Info [" + file + "]");
               EXPECT_EQ(info->ListBox1()->item(0)->text(), "1 pos:0 Størrelse: 256, tom peker   Ok.");
               info->reject();
             });
  EXPECT_TRUE(dialogs_.Asked(QuestionKind::kMessage).empty());
}

}  // namespace
}  // namespace qn
