#include <gtest/gtest.h>

#include <QTest>

#include "ui/quill_form.h"

TEST(QuillFormTest, ShowsItsWindowOffscreen) {
  qn::TQuillForm form;
  form.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.windowTitle(), "Veltrona QuillNet");
}
