#include <gtest/gtest.h>

#include "env/log.h"

TEST(LogTest, LoggingOffWritesNothing) {
  qn::ResetLogState();
  EXPECT_EQ(qn::WriteLog("FEIL: x"), -1);
  EXPECT_TRUE(qn::LogLines().empty());
}
