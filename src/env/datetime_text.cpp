#include "env/datetime_text.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <sys/time.h>

#include <array>

#include "env/number_text.h"
#include "env/text_codec.h"

namespace qn {

namespace {

// Days from 1970-01-01 to y-m-d in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

constexpr int64_t kEpochOffsetDays = 25569;  // 1899-12-30 to 1970-01-01

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

double EncodeDateTime(const CivilDateTime& c) {
  double days = static_cast<double>(DaysFromCivil(c.year, c.month, c.day) + kEpochOffsetDays);
  double fraction = (c.hour * 3600000.0 + c.minute * 60000.0 + c.second * 1000.0 + c.millisecond) / 86400000.0;
  // Before the epoch the fraction counts away from zero, as the stored form has it.
  return days >= 0 ? days + fraction : days - fraction;
}

CivilDateTime DecodeDateTime(double stamp) {
  CivilDateTime c;
  if (!std::isfinite(stamp) || std::fabs(stamp) > 3.0e6) return c;
  double whole = std::trunc(stamp);
  double fraction = std::fabs(stamp - whole);
  int64_t ms = std::llround(fraction * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    whole += stamp >= 0 ? 1 : -1;
  }
  CivilFromDays(static_cast<int64_t>(whole) - kEpochOffsetDays, &c.year, &c.month, &c.day);
  c.hour = static_cast<int>(ms / 3600000);
  c.minute = static_cast<int>(ms / 60000 % 60);
  c.second = static_cast<int>(ms / 1000 % 60);
  c.millisecond = static_cast<int>(ms % 1000);
  return c;
}

double NowAsDateTime() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  time_t secs = tv.tv_sec;
  std::tm local{};
  localtime_r(&secs, &local);
  CivilDateTime c{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min,        local.tm_sec,      static_cast<int>(tv.tv_usec / 1000)};
  return EncodeDateTime(c);
}

std::string FormatShortDate(double stamp) {
  CivilDateTime c = DecodeDateTime(stamp);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", c.day, c.month, c.year);
  return buf;
}

std::string FormatLongTime(double stamp) {
  CivilDateTime c = DecodeDateTime(stamp);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", c.hour, c.minute, c.second);
  return buf;
}

std::optional<double> ParseShortDate(std::string_view text) {
  text = Trim(text);
  std::array<int, 3> values{};
  std::array<size_t, 3> digits{};
  size_t count = 0;
  while (count < 3) {
    values[count] = LeadingNumber(text, 5, &digits[count]);
    if (digits[count] == 0) return std::nullopt;
    text.remove_prefix(digits[count]);
    ++count;
    if (text.empty()) break;
    if (text.front() != '.') return std::nullopt;
    text.remove_prefix(1);
    if (text.empty() && count == 2) break;  // "24.12." names this year too
  }
  if (!text.empty() || count < 2 || digits[0] > 2 || digits[1] > 2) return std::nullopt;
  int thisYear = DecodeDateTime(NowAsDateTime()).year;
  int year = thisYear;
  if (count == 3) {
    year = values[2];
    if (digits[2] <= 2) {
      int windowStart = thisYear - 50;
      year += windowStart / 100 * 100;
      if (year < windowStart) year += 100;
    } else if (digits[2] > 4) {
      return std::nullopt;
    }
  }
  int day = values[0], month = values[1];
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return std::nullopt;
  return EncodeDateTime(CivilDateTime{year, month, day});
}

std::string FormatDateTime(double stamp) {
  CivilDateTime c = DecodeDateTime(stamp);
  // Only midnight itself: a stamp a fraction of a second later still shows its time.
  if (c.hour == 0 && c.minute == 0 && c.second == 0 && c.millisecond == 0) {
    return FormatShortDate(stamp);
  }
  return FormatShortDate(stamp) + " " + FormatLongTime(stamp);
}

std::optional<double> ParseDateTime(std::string_view text) {
  text = Trim(text);
  const size_t blank = text.find(' ');
  const std::optional<double> day = ParseShortDate(text.substr(0, blank));
  if (!day) return std::nullopt;
  CivilDateTime c = DecodeDateTime(*day);
  if (blank == std::string_view::npos) return *day;
  std::string_view time = Trim(text.substr(blank + 1));
  int parts[3] = {0, 0, 0};
  int count = 0;
  while (count < 3) {
    size_t digits = 0;
    parts[count] = LeadingNumber(time, 2, &digits);
    if (digits == 0) return std::nullopt;
    ++count;
    time.remove_prefix(digits);
    if (time.empty()) break;
    if (time.front() != ':') return std::nullopt;
    time.remove_prefix(1);
  }
  if (!time.empty() || count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
    return std::nullopt;
  c.hour = parts[0];
  c.minute = parts[1];
  c.second = parts[2];
  c.millisecond = 0;
  return EncodeDateTime(c);
}

}  // namespace qn
