#include <gtest/gtest.h>

#include <optional>
#include <string>

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

TEST(DateTimeTextTest, TwoDigitYearsFallInTheHundredYearsFromFiftyYearsAgo) {
  const int thisYear = DecodeDateTime(NowAsDateTime()).year;
  auto yearOf = [](int year) {
    const std::string yy = std::to_string(year % 100 + 100).substr(1);
    const std::optional<double> stamp = ParseShortDate("01.07." + yy);
    return stamp ? DecodeDateTime(*stamp).year : -1;
  };
  EXPECT_EQ(yearOf(thisYear - 50), thisYear - 50);  // the first year of the window
  EXPECT_EQ(yearOf(thisYear - 49), thisYear - 49);
  EXPECT_EQ(yearOf(thisYear - 51), thisYear + 49);  // the last year of the window
  EXPECT_EQ(yearOf(thisYear), thisYear);
  // Four digits are taken as they stand; no year means this year.
  EXPECT_EQ(DecodeDateTime(*ParseShortDate("1.7." + std::to_string(thisYear - 51))).year, thisYear - 51);
  EXPECT_EQ(DecodeDateTime(*ParseShortDate(" 24.12. ")).year, thisYear);
}
