#include "env/user_state.h"

#include <algorithm>
#include <vector>

#include "env/settings.h"

namespace qn {

namespace {

std::string LastFileKey(int n) { return "SISTEFIL" + std::to_string(n); }

// Switches to the per-user file for as long as it lives, unless it was in use already.
class UserSettingsScope {
 public:
  UserSettingsScope() : switched_(!UsingUserSettings()) {
    if (switched_) UseUserSettings();
  }
  ~UserSettingsScope() {
    if (switched_) UseSharedSettings();
  }
  UserSettingsScope(const UserSettingsScope&) = delete;
  UserSettingsScope& operator=(const UserSettingsScope&) = delete;

 private:
  bool switched_;
};

std::string WindowSection(std::string_view name) { return "VINDU-" + std::string(name); }

}  // namespace

void AddLastFile(std::string_view section, std::string_view file) {
  SectionScope scope(section);
  std::vector<std::string> list = {std::string(file)};
  for (int n = 1; n <= kLastFileCount; ++n) {
    std::string entry = ReadSettingString(LastFileKey(n));
    if (!entry.empty() && entry != file) list.push_back(std::move(entry));
  }
  // Every key is rewritten, so a gap in the stored list can never leave a second copy of
  // the file behind at a key that was not reached.
  for (int n = 1; n <= kLastFileCount; ++n) {
    if (n <= static_cast<int>(list.size())) {
      WriteSettingString(LastFileKey(n), list[n - 1]);
    } else {
      DeleteSetting(LastFileKey(n));
    }
  }
}

std::string GetLastFile(std::string_view section, int n) {
  SectionScope scope(section);
  return ReadSettingString(LastFileKey(std::clamp(n, 1, kLastFileCount)));
}

void SaveWindowPosition(const WindowGeometry& window, std::string_view name,
                        std::string_view text) {
  UserSettingsScope user;
  SectionScope scope(WindowSection(name));
  WriteSettingBool("Maximized", window.maximized);
  WriteSettingInteger("Left", window.left);
  WriteSettingInteger("Top", window.top);
  WriteSettingInteger("Height", window.height);
  WriteSettingInteger("Width", window.width);
  WriteSettingString("Diverse", text);
}

bool WindowPositionStored(std::string_view name) {
  UserSettingsScope user;
  SectionScope scope(WindowSection(name));
  return SettingExists("Left") && SettingExists("Top");
}

void LoadWindowPosition(WindowGeometry& window, std::string_view name, std::string& text,
                        ScreenSize screen) {
  UserSettingsScope user;
  SectionScope scope(WindowSection(name));
  if (text != "OnlyPos") {
    const int height = ReadSettingInteger("Height");
    const int width = ReadSettingInteger("Width");
    if (height > 0) window.height = height;
    if (width > 0) window.width = width;
  }
  // The size is settled first, so the position is clamped for the size the window has.
  // A screen size of 0 means unknown: nothing is clamped in that direction.
  if (screen.width > 0) window.width = std::min(window.width, screen.width);
  if (screen.height > 0) window.height = std::min(window.height, screen.height);
  window.left = ReadSettingInteger("Left");
  window.top = ReadSettingInteger("Top");
  if (screen.width > 0) window.left = std::clamp(window.left, 0, screen.width - window.width);
  if (screen.height > 0) window.top = std::clamp(window.top, 0, screen.height - window.height);
  if (ReadSettingBool("Maximized")) window.maximized = true;
  text = ReadSettingString("Diverse");
}

}  // namespace qn
