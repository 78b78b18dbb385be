// The settings store: the shared settings file "veltrona.ini" (and, for a moment at a time,
// the per-user file) held in memory as an ini file. Sections and keys match without regard
// to case; values are kept exactly as given. Reads and writes work on the memory copy,
// which is written back whole only by Flush. A file that cannot be written (read-only) is
// read normally and never written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qn {

// The current section of every read and write below; initially "STANDARD".
void SetSection(std::string_view name);
void ResetSection();
std::string CurrentSection();

std::string ReadSettingString(std::string_view key);  // "" when missing
bool ReadSettingBool(std::string_view key);           // false when missing
int32_t ReadSettingInteger(std::string_view key);     // 0 when missing
void WriteSettingString(std::string_view key, std::string_view value);
void WriteSettingBool(std::string_view key, bool value);  // written 1 / 0
void WriteSettingInteger(std::string_view key, int32_t value);

}  // namespace qn
