// The main window's commands, one row each: its id (the object name of its menu item, or
// of its button when it has no item), its caption, where it appears (a menu and submenu,
// a button of the button row or the marks bar, the context menu), its keys, whether it
// edits the file, when it is enabled, and the function that runs it. The menu bar, the
// buttons, the context menu, the window's keys, the read-only refusal and the enabled
// states are all built from these rows, so a command is added by adding its row and its
// function; nothing is wired by a name written twice.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ui/dialogs/button_icons.h"
#include "commands/view_commands.h"

namespace qn {

class TQuillForm;

// The menus of the menu bar, in the order they stand on it.
enum class TopMenu : uint8_t {
  kNone,  // the command has no menu item
  kFil,
  kRediger,
  kLet,
  kNy,
  kMerk,
  kTilknytning,
  kListe,
  kBlokk,
  kVis,
  kVerktoy,
  kOppsett,
  kHjelp,
};
enum class SubMenu : uint8_t { kNone, kImporter, kEksporter };

struct MenuPlace {
  TopMenu menu = TopMenu::kNone;
  SubMenu sub = SubMenu::kNone;
  // A separator stands before the item (before its submenu, for the submenu's first item).
  bool separatorBefore = false;
};

enum class ButtonBar : uint8_t { kNone, kRow, kMarks };

struct ButtonPlace {
  ButtonBar bar = ButtonBar::kNone;
  const char* name = nullptr;  // the button's object name
  int x = 0;                   // left edge in the button row; order in the marks bar
  const char* hint = nullptr;  // tool tip; nullptr shows only the picture
  const char* accessibleName = nullptr;
  ButtonPicture picture = ButtonPicture::kDelete;
  const char* text = nullptr;  // a caption drawn instead of a picture
  // The button's own rule where it is stricter than its command's; nullptr: the command's.
  bool (*enabled)(const CommandFacts&) = nullptr;
};

struct ContextPlace {
  const char* name = nullptr;  // the context menu item's object name; nullptr: none
  const char* caption = nullptr;
  bool separatorBefore = false;
};

// Which record an undo step made by a command names in «»: the one it acted on (the record
// it made, when the cursor ends on one, else the one it began on), the one the cursor ends
// on (a record put back), or none (the command works on the file, not on a record).
enum class StepRecord : uint8_t { kActedOn, kLanded, kNone };

struct WindowCommand {
  const char* id = nullptr;
  const char* caption = nullptr;  // the menu item's caption; nullptr: no menu item
  MenuPlace menu;
  const char* shortcut = nullptr;  // the menu item's key, in Qt's portable text form
  // Further keys the window takes: for a command with a menu item they run it only while
  // the item is enabled; for one without, always (a move without a pointer to follow says
  // so in the status bar).
  const char* windowKeys[2] = {nullptr, nullptr};
  ButtonPlace button;
  ContextPlace context;
  bool edits = false;      // refused on a read-only database, its controls disabled there
  bool checkable = false;  // a menu item with a check mark
  // When the command is enabled, from the current record; nullptr: always.
  bool (*enabled)(const CommandFacts&) = nullptr;
  // The check mark of a checkable item, set as its menu opens.
  bool (*checked)(TQuillForm&) = nullptr;
  // nullptr: the item is not part of the program and stays disabled.
  void (*run)(TQuillForm&) = nullptr;
  // The name of the undo step a change this command makes becomes, where the caption does
  // not say it ("Ny linje" for "&Linje" under "&Ny"); nullptr: the caption's.
  const char* step = nullptr;
  StepRecord stepRecord = StepRecord::kActedOn;
  // The menu and context item's caption as the window's state gives it, set with the
  // enabled states; nullptr: the fixed caption.
  std::string (*label)(TQuillForm&) = nullptr;
};
// The name a step made by `command` starts with: its step name, else its caption (menu,
// context menu, button hint) without "&", "..." and the key written into it.
std::string StepCaption(const WindowCommand& command);

// Every command of the window, the menu items in menu order.
std::span<const WindowCommand> WindowCommands();
// The row with this id; nullptr when there is none.
const WindowCommand* FindWindowCommand(std::string_view id);

// The menu bar's menus: object name and caption.
struct TopMenuName {
  const char* name;
  const char* caption;
};
TopMenuName NameOf(TopMenu menu);
TopMenuName NameOf(SubMenu sub);

// Whether a row's controls are enabled, for the current record's facts and whether the
// database can be written.
bool CommandEnabled(const WindowCommand& command, const CommandFacts& facts, bool writable);
bool ButtonEnabled(const WindowCommand& command, const CommandFacts& facts, bool writable);

}  // namespace qn
