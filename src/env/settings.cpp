// Placeholder until the settings store is built: every key reads as missing.
#include "env/settings.h"

namespace qn {

namespace {
std::string g_section = "STANDARD";
}

void SetSection(std::string_view name) { g_section = std::string(name); }
void ResetSection() { g_section = "STANDARD"; }
std::string CurrentSection() { return g_section; }
std::string ReadSettingString(std::string_view) { return {}; }
bool ReadSettingBool(std::string_view) { return false; }
int32_t ReadSettingInteger(std::string_view) { return 0; }
void WriteSettingString(std::string_view, std::string_view) {}
void WriteSettingBool(std::string_view, bool) {}
void WriteSettingInteger(std::string_view, int32_t) {}

}  // namespace qn
