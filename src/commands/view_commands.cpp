#include "commands/view_commands.h"

#include <charconv>
#include <string>

#include "commands/command_support.h"
#include "commands/navigation.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "content/display_name.h"
#include "content/initial_content.h"
#include "store/record_blocks.h"
#include "content/system_lists.h"
#include "templates/template_store.h"

namespace qn {
namespace {

bool IsDataKind(int32_t kind) { return kind == kKindData || kind == kKindDataWithTemplate; }

}  // namespace

CommandFacts FactsOf(tDataImageArk& db) {
  CommandFacts f;
  if (!db.IsOpen()) return f;
  const Datapointer& dp = *db.dp;
  f.up = dp.Up();
  f.down = dp.Down();
  f.left = dp.Left();
  f.right = dp.Right();
  f.inward = dp.Inward();
  f.outward = dp.Outward();
  f.linkBlock = dp.LinkBlock();
  f.templatePos = dp.TemplatePos();
  f.kind = dp.Kind();
  f.origin = dp.Origin();
  f.clipboardHoldsData = db.clipboard.data > 0;
  // No command runs while the menus and buttons are set, so every entry of the position
  // stack is a mark.
  f.marksExist = db.StackTop() > 0;
  f.blockStart = dp.BlockStart();
  f.blockEnd = dp.BlockEnd();
  f.blockClipboard = db.blockClipboard;
  return f;
}

std::optional<std::string_view> OriginText(int32_t origin) {
  switch (origin) {
    case 0: return "Originale data";
    case 1: return "Innlimt";
    case 2: return "*Skygge";
    case 3: return "Skygge, en peker til data";
    case 4: return "Fullstendig kopi av data";
    default: return std::nullopt;
  }
}

ScreenPoint ContextMenuPoint(int windowLeft, int windowTop, int x, int y, int quickListWidth,
                             int buttonRowHeight) {
  return {windowLeft + x + quickListWidth, windowTop + y + 36 + buttonRowHeight};
}

Position QuickListTarget(tDataImageArk& db, std::string_view nrText) {
  while (!nrText.empty() && nrText.front() == ' ') nrText.remove_prefix(1);
  while (!nrText.empty() && nrText.back() == ' ') nrText.remove_suffix(1);
  Position target = 0;
  const auto [end, ec] = std::from_chars(nrText.data(), nrText.data() + nrText.size(), target);
  if (ec != std::errc() || end != nrText.data() + nrText.size()) target = 0;
  // An entry may outlive its record, or name no record at all in a damaged file.
  if (target <= 0 || !db.IsOpen() || !IsLiveRecord(db, target)) return -1;
  return target;
}

OpenAction OpenActionFor(int32_t kind, bool templateHasProgram) {
  switch (kind) {
    case kKindNamed: return OpenAction::kRename;
    case kKindData:
    case kKindDataWithTemplate:
    case kKindData | kKindNamed:  // a data record that was given a name
    case kKindDataWithTemplate | kKindNamed:
      return templateHasProgram ? OpenAction::kStartProgram : OpenAction::kDataEditor;
    case kKindTemplate: return OpenAction::kTemplateEditor;
    case kKindProgram: return OpenAction::kProgramDialog;
    case kKindIndex: return OpenAction::kBookmarkExplorer;
    case kKindNamedNote: return OpenAction::kNoteEditor;
    case kKindLink:
    case kKindNamedLink: return OpenAction::kOpenDocument;
    case kKindGlobalPointer: return OpenAction::kGlobalPointer;
    default: return OpenAction::kProperties;
  }
}

bool MoveCursor(tDataImageArk& db, Move move) {
  if (!db.IsOpen()) return false;
  Datapointer& dp = *db.dp;
  const Position before = dp.CurrentPosition();
  switch (move) {
    case Move::kFirst: dp.GoFirst(); break;
    case Move::kDown: dp.GoDown(); break;
    case Move::kUp: dp.GoUp(); break;
    case Move::kLast: dp.GoLast(); break;
    case Move::kLeft: dp.GoLeft(); break;
    case Move::kRight: dp.GoRight(); break;
    case Move::kInward: dp.GoInward(); break;
    case Move::kOutward: dp.GoOutward(); break;
    case Move::kFirstData:
      GoToFirstData(db);
      break;
    case Move::kEnter:
      if (dp.Right() != 0) dp.GoRight();
      break;
  }
  return dp.CurrentPosition() != before;
}

std::string_view NoMoveText(Move move) {
  switch (move) {
    case Move::kFirst:
    case Move::kUp: return kFirstInListText;
    case Move::kLast:
    case Move::kDown: return kLastInListText;
    case Move::kLeft: return "Listen ligger øverst i treet";
    case Move::kRight: return "Posten har ingen underliste";
    case Move::kInward: return "Posten har ingen peker innover";
    case Move::kOutward: return "Posten har ingen peker utover";
    case Move::kFirstData: return "Finner ikke listen \"Data\"";
    case Move::kEnter: return {};
  }
  return {};
}

bool GiveTemplate(tDataImageArk& db, Dialogs& dialogs) {
  if (!db.IsOpen()) return false;
  Datapointer& dp = *db.dp;
  if (!IsDataKind(dp.Kind()) && dp.Kind() != kKindExternalCalculation) return false;
  const std::string name = dialogs.ChooseTemplate(ListTemplateNames(db));
  if (name.empty() || LoadTemplate(db, name) != 0) return false;
  const Position templateRecord = LoadedTemplate(db).TemplateRecordPos;
  if (templateRecord <= 0) return false;
  dp.SetTemplatePos(templateRecord);
  dp.Store();
  return true;
}

}  // namespace qn
