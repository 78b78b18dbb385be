#include <gtest/gtest.h>

#include "env/datetime_text.h"

using namespace qn;

TEST(DateTimeTextTest, EpochAndKnownDaysDecodeToTheirCivilDates) {
  EXPECT_EQ(FormatShortDate(0.0), "30.12.1899");
  EXPECT_EQ(FormatShortDate(36518.0), "24.12.1999");
  EXPECT_EQ(FormatDateTime(36518.75), "24.12.1999 18:00:00");
}

TEST(DateTimeTextTest, MidnightLeavesOutTheTimePart) {
  EXPECT_EQ(FormatDateTime(45000.0), FormatShortDate(45000.0));
  // Half a second after midnight is not midnight.
  EXPECT_EQ(FormatDateTime(45000.0 + 0.5 / 86400.0), FormatShortDate(45000.0) + " 00:00:00");
}

TEST(DateTimeTextTest, EncodeAndDecodeRoundTripToTheSecond) {
  CivilDateTime c{2011, 10, 30, 13, 45, 7, 0};
  CivilDateTime back = DecodeDateTime(EncodeDateTime(c));
  EXPECT_EQ(back.year, 2011);
  EXPECT_EQ(back.month, 10);
  EXPECT_EQ(back.day, 30);
  EXPECT_EQ(back.hour, 13);
  EXPECT_EQ(back.minute, 45);
  EXPECT_EQ(back.second, 7);
}
