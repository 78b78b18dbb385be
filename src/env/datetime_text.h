// Date and time in the program's two forms: the stored timestamp (a double holding days
// since 30 December 1899, local time; 0.0 means never) and the Norwegian texts the user
// sees (short date dd.MM.yyyy, long time HH:mm:ss). This is the one place that formats them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qn {

// The current local time as a stored timestamp.
double NowAsDateTime();

// "dd.MM.yyyy HH:mm:ss"; at exactly midnight the time part is left out ("dd.MM.yyyy").
std::string FormatDateTime(double stamp);
std::string FormatShortDate(double stamp);  // "dd.MM.yyyy"
std::string FormatLongTime(double stamp);   // "HH:mm:ss"

// A date in the short date form as the user types it: day and month of one or two digits,
// then the year; a two-digit year is taken within fifty years of today, a missing year
// ("24.12" or "24.12.") means this year. Blanks around the text are skipped. The stamp of
// that day at midnight, or nullopt when the text is not such a date.
std::optional<double> ParseShortDate(std::string_view text);

// A date as ParseShortDate reads it, optionally followed by a blank and the time "HH:mm" or
// "HH:mm:ss" (hours and minutes of one or two digits). nullopt for anything else.
std::optional<double> ParseDateTime(std::string_view text);

// Civil date and time <-> stored timestamp.
struct CivilDateTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, millisecond = 0;
};
double EncodeDateTime(const CivilDateTime& c);
CivilDateTime DecodeDateTime(double stamp);

}  // namespace qn
