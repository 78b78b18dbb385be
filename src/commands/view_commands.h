// The decisions of the main window's view commands, kept apart from the window so they
// run without one: which buttons and menu items the current record enables, the origin
// text of the status bar, where the context menu pops up, what "Å&pne" does for a kind,
// the moves of the button row and the keyboard, and the giving of a template. Each works
// on the open database and asks its questions through the dialog seam.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "content/quick_list.h"
#include "store/format.h"
#include "commands/dialogs.h"

namespace qn {

class tDataImageArk;

// ---- What the commands' enabled states look at ----

// The current record's facts the window's controls follow, read once per refresh; all
// zero while no database is open.
struct CommandFacts {
  Position up = 0, down = 0, left = 0, right = 0, inward = 0, outward = 0;
  Position linkBlock = 0, templatePos = 0;
  int32_t kind = 0, origin = 0;
  bool clipboardHoldsData = false;
  bool marksExist = false;
  Position blockStart = 0, blockEnd = 0;
  bool blockClipboard = false;
  // The window's undo history holds a step to undo, to redo (the window sets these).
  bool undoable = false, redoable = false;
};
CommandFacts FactsOf(tDataImageArk& db);

// ---- Status bar and context menu ----

// The origin text of a record's `origin` field; nothing for a value without one.
std::optional<std::string_view> OriginText(int32_t origin);

// Where the context menu of a right click at (x, y) in the view pops up: the window's
// left + x (+ the quick list's width when it shows), the window's top + y + 36 (+ the
// button row's height when it shows).
struct ScreenPoint {
  int x;
  int y;
};
ScreenPoint ContextMenuPoint(int windowLeft, int windowTop, int x, int y, int quickListWidth,
                             int buttonRowHeight);

// ---- Quick list ----

// The lines (QuickListEntries) are content's (content/quick_list.h).
// The record a quick-list line leads to: the decimal text of its NrListe line when that
// names a record still in the tree; -1 otherwise (0, not a number, a deleted or damaged
// target), when the click only refreshes.
Position QuickListTarget(tDataImageArk& db, std::string_view nrText);

// ---- Open by kind ----

enum class OpenAction {
  kRename,            // 1: a new name for the line
  kStartProgram,      // 2, 10 whose template has a linked program
  kDataEditor,        // 2, 10
  kTemplateEditor,    // 4
  kProgramDialog,     // 16
  kBookmarkExplorer,  // 32
  kNoteEditor,        // 257
  kOpenDocument,      // 512, 513
  kGlobalPointer,     // 640
  kProperties,        // any other kind
};
OpenAction OpenActionFor(int32_t kind, bool templateHasProgram);
// The status text when "Å&pne" meets a kind whose window the program does not have yet.
inline constexpr std::string_view kNoWindowYetText = "Denne posttypen kan ikke åpnes her ennå";

// ---- Moves ----

enum class Move {
  kFirst,      // GoFirst
  kDown,       // GoDown
  kUp,         // GoUp
  kLast,       // GoLast
  kLeft,       // GoLeft, to the parent
  kRight,      // GoRight, into the sub-list
  kInward,     // GoInward
  kOutward,    // GoOutward
  kFirstData,  // the first record below the top-level "Data"
  kEnter,      // into the sub-list when there is one; nothing otherwise
};
// Moves the cursor; true when the current record changed. A move without a pointer to
// follow leaves it where it is.
bool MoveCursor(tDataImageArk& db, Move move);
// Why `move` left the cursor where it was, for the status bar; empty for Enter, which
// says nothing on a record without a sub-list.
std::string_view NoMoveText(Move move);

// ---- Commands with a question ----

// The caption of the rename prompt.
inline constexpr std::string_view kRenamePrompt = "Nytt navn på linje";

// "&Tilknytt mal": the template chooser over the templates of "Definitions"; the chosen
// template's record becomes the current record's template. Nothing changes on cancel or
// when the template cannot be loaded. True when the record was given the template.
bool GiveTemplate(tDataImageArk& db, Dialogs& dialogs);

}  // namespace qn
