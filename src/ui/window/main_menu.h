// The main window's menu bar, written down once as a table: every menu and item with its
// object name, caption (with its "&" accelerator) and shortcut key. Each item is a QAction
// named by its object name, so the window and its tests find it with findChild. Items
// start disabled; the window enables those whose commands it carries. "Innhold" is never
// enabled.
#pragma once

class QMenuBar;
class QWidget;

namespace qn {

// Fills `bar` from the table. Menus are QMenu objects named by their entry; items are
// QActions named by theirs, owned by `owner` (the window).
void BuildMainMenu(QMenuBar* bar, QWidget* owner);

}  // namespace qn
