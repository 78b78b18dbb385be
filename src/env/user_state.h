// What the program remembers between runs for the user: the list of last opened files
// (in the shared settings file, "SISTEFIL1" the newest, at most nine, no file twice) and
// the windows' last positions (in the per-user settings file, section "VINDU-" + name).
// Every operation restores the section, and the settings file, that it found.
#pragma once

#include <string>
#include <string_view>

namespace qn {

inline constexpr int kLastFileCount = 9;

// Puts `file` first in the list of `section`; the others keep their order below it, an
// earlier entry of the same file (compared case-sensitively) is dropped and the gap
// closes, and the oldest falls off beyond nine.
void AddLastFile(std::string_view section, std::string_view file);
// Entry n (clamped to 1..9) of the list of `section`; "" when missing.
std::string GetLastFile(std::string_view section, int n);

// A window's placement, in screen pixels. A window framework maps its own to and from it.
struct WindowGeometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;
};

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// Stores the placement and one free text of the caller's under "VINDU-" + name.
void SaveWindowPosition(const WindowGeometry& window, std::string_view name,
                        std::string_view text);

// True when a placement of the window `name` is stored (it has been closed before).
bool WindowPositionStored(std::string_view name);

// Gives `window` its stored placement: the size when stored larger than 0 (not when
// `text` reads exactly "OnlyPos"), capped to the screen; then the position, pulled back
// so the whole window lies on the screen; then maximised when stored so (a window stored
// not maximised keeps its state). `text` receives the stored free text.
void LoadWindowPosition(WindowGeometry& window, std::string_view name, std::string& text,
                        ScreenSize screen);

}  // namespace qn
