// The main window on a database of its own in the test's folder, answered by scripted
// dialogs: the base of the fixtures that drive the window as a user would and read the
// records back through the engine behind it.
#pragma once

#include <gtest/gtest.h>

#include <QTest>

#include "store/database.h"
#include "store/datapointer.h"
#include "ui/dialogs/scripted_dialogs.h"
#include "ui/ui_env.h"
#include "ui/window/quill_form.h"

namespace qn::test {

class WindowTest : public UiTest {
 protected:
  WindowTest() { form_.SetDialogs(&dialogs_); }
  ~WindowTest() override { form_.close(); }

  // Creates the window on `fileName` in the test's folder (a new database), not
  // maximised, `width` pixels wide.
  void Open(const char* fileName, int width = 800) {
    form_.FormCreate({(Work() / fileName).string()});
    form_.setWindowState(Qt::WindowNoState);
    form_.resize(width, 600);
  }

  tDataImageArk& db() { return form_.dataark(); }
  Datapointer& dp() { return *db().dp; }
  int Lh() const { return form_.cl().LineHeight; }

  // Shows the window with `current` as the current record.
  void ShowOn(Position current) {
    dp().Load(current);
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    form_.vis(0);
  }

  ScriptedDialogs dialogs_;
  TQuillForm form_;
};

}  // namespace qn::test
