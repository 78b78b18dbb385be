// Date and time in the program's two forms: the stored timestamp (a double holding days
// since 30 December 1899, local time; 0.0 means never) and the Norwegian texts the user
// sees (short date dd.MM.yyyy, long time HH:mm:ss). This is the one place that formats them.
#pragma once

#include <cstdint>
#include <string>

namespace qn {

// The current local time as a stored timestamp.
double NowAsDateTime();

// "dd.MM.yyyy HH:mm:ss"; at exactly midnight the time part is left out ("dd.MM.yyyy").
std::string FormatDateTime(double stamp);
std::string FormatShortDate(double stamp);  // "dd.MM.yyyy"
std::string FormatLongTime(double stamp);   // "HH:mm:ss"

// Civil date and time <-> stored timestamp.
struct CivilDateTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, millisecond = 0;
};
double EncodeDateTime(const CivilDateTime& c);
CivilDateTime DecodeDateTime(double stamp);

}  // namespace qn
