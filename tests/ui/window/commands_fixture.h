// The fixture of the window's command tests: a main window on a new database in the test's
// own folder, answered by scripted dialogs (WindowTest), with helpers that trigger menu
// items, press buttons and keys as a user would, and read the records back through the
// engine. After every test the tree's links are checked with the engine's consistency check.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "store/consistency_check.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "ui/window/quill_form.h"
#include "ui/dialogs/scripted_dialogs.h"
#include "ui/ui_env.h"
#include "ui/window/view_fixture.h"
#include "ui/window/window_fixture.h"

namespace qn::test {

class CommandsTest : public WindowTest {
 protected:
  CommandsTest() { Open("kommandoer.pdb256"); }
  void SetUp() override { ASSERT_TRUE(db().IsOpen()); }
  void TearDown() override {
    for (const ConsistencyFault& f : CheckConsistency(db())) {
      // A record a test hung into a second list on purpose is reported where it stands.
      if (crossLinked_.count(f.position) == 0) ADD_FAILURE() << FormatFault(f);
    }
  }

  PointerRecord RecordAt(Position p) {
    RecordImage image{};
    EXPECT_TRUE(dp().ReadRecordAt(p, image)) << p;
    return PointerRecord::Decode(image);
  }
  std::string NameOf(Position p) {
    const Position keep = dp().CurrentPosition();
    dp().Load(p);
    std::string name = ReadName(db());
    dp().Load(keep);
    return name;
  }
  // The names of the list that starts at `first`, top to bottom.
  std::vector<std::string> ListFrom(Position first) {
    std::vector<std::string> out;
    for (Position p = first; p > 0 && out.size() < 1000; p = RecordAt(p).down) out.push_back(NameOf(p));
    return out;
  }
  std::vector<uint8_t> FileBytes() {
    std::ifstream in(db().FileName(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // Shows the window with `current` as the current record, active for the keys.
  void ShowOn(Position current) {
    dp().Load(current);
    if (!form_.isVisible()) {
      form_.show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
      form_.activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
    }
    form_.vis(0);
  }
  // Triggers a menu item the way the menu does: only when it is enabled.
  void Run(const char* name) {
    QAction* item = form_.MenuItem(name);
    ASSERT_NE(item, nullptr) << name;
    EXPECT_TRUE(item->isEnabled()) << name;
    item->trigger();
  }
  QToolButton* Button(const char* name) { return form_.findChild<QToolButton*>(name); }
  void Press(const char* name) {
    QToolButton* button = Button(name);
    ASSERT_NE(button, nullptr) << name;
    EXPECT_TRUE(button->isEnabled()) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&form_, key, modifiers);
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const AskedQuestion& q : dialogs_.Asked(QuestionKind::kMessage)) out.push_back(q.text);
    return out;
  }

  // A data record of a small template below the current record; the cursor ends on it.
  Position DataBelow(const std::string& name, int32_t number) {
    if (template_ == 0) template_ = MakeTemplate(db(), "Kunde", CustomerFields());
    return MakeDataRecord(db(), DirDown, template_, CustomerPayload(name, number, "", true));
  }

  Position template_ = 0;
  std::set<Position> crossLinked_;
};

}  // namespace qn::test
