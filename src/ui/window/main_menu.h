// The main window's menu bar, written down once as a table: every menu and item with its
// object name, caption (with its "&" accelerator) and shortcut key. Each item is a QAction
// named by its object name, so the window and its tests find it with findChild. Items
// start disabled; the window enables those whose commands it carries. "Innhold" is never
// enabled.
#pragma once

#include <span>

class QMenuBar;
class QWidget;

namespace qn {

struct MenuEntry {
  int level;             // 0 a menu on the bar, 1 its item or submenu, 2 an item of a submenu
  const char* name;      // object name; nullptr for a separator
  const char* caption;
  const char* shortcut;  // key sequence in Qt's portable text form, or nullptr
  bool checkable = false;
  bool submenu = false;  // an entry of level 1 that opens a submenu
};

// The whole menu bar, top to bottom.
std::span<const MenuEntry> MainMenuEntries();

// Fills `bar` from the table. Menus are QMenu objects named by their entry; items are
// QActions named by theirs, owned by `owner` (the window).
void BuildMainMenu(QMenuBar* bar, QWidget* owner);

}  // namespace qn
