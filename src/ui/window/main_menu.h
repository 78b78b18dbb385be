// The main window's controls, built from the command table (ui/window/command_table.h):
// the menu bar with its menus and submenus, the context menu's items, the buttons of the
// button row and the marks bar, and the window's keys. Menus are QMenu objects and items
// QActions named by their rows, so the window and its tests find them with findChild.
// Everything starts disabled; the window enables from the rows' rules.
#pragma once

#include <functional>
#include <vector>

class QAbstractButton;
class QAction;
class QBoxLayout;
class QMenu;
class QMenuBar;
class QShortcut;
class QWidget;

namespace qn {

struct WindowCommand;

// The controls one row was given; nullptr where it has none.
struct CommandControls {
  const WindowCommand* command = nullptr;
  QAction* item = nullptr;
  QAction* context = nullptr;
  QAbstractButton* button = nullptr;
  // For a command that edits: its item's key again, taken only while the database is
  // read-only (the item is disabled then), so the key says why it does nothing.
  QShortcut* readOnlyKey = nullptr;
};

// Builds every row's controls, each owned by `owner` or its widget: items into `bar`,
// context items into `context`, row buttons into `buttonRow` at their places, marks-bar
// buttons appended to `markBar` in their order. Each control calls `run` with its row; a
// key of a row with a menu item triggers the item while it is enabled, and otherwise, for
// a row that edits, calls `refused` (which says why on a read-only database).
std::vector<CommandControls> BuildCommandControls(
    QMenuBar* bar, QMenu* context, QWidget* buttonRow, QBoxLayout* markBar, QWidget* owner,
    const std::function<void(const WindowCommand&)>& run,
    const std::function<void(const WindowCommand&)>& refused);

}  // namespace qn
