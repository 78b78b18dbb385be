// TQuillForm's commands on the tree: search, jumps and sorting, the marks and their bar,
// the block, and the editing commands with their menu items, buttons and keys. Each is a
// thin call into the engine's commands followed by the refresh; what a command decides is
// the engine's, and a refusal comes back as a text that is shown here.
#include <QAbstractButton>
#include <QAction>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QShortcut>
#include <QSignalBlocker>

#include "commands/block_commands.h"
#include "commands/list_replication.h"
#include "commands/command_support.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "commands/list_commands.h"
#include "commands/list_sort.h"
#include "commands/navigation.h"
#include "ui/dialogs/command_boundary.h"
#include "ui/window/quill_form.h"
#include "env/errors.h"
#include "env/datetime_text.h"
#include "content/system_lists.h"
#include "commands/repair.h"
#include "commands/undelete.h"
#include "ui/dialogs/wait_cursor.h"
#include "ui/dialogs/qt_text.h"
#include "ui/window/exchange_commands.h"

namespace qn {
namespace {

constexpr std::string_view kSearchPrompt = "Søk i database";
constexpr std::string_view kJumpPrompt = "Hopp til filposisjon";
constexpr std::string_view kMoveBlockPrompt = "Navn på blokk som skal flyttes";
constexpr std::string_view kMarkDeletedMessage = "Den merkede posten finnes ikke lenger";
constexpr std::string_view kLinkRightRefusedMessage =
    "Den merkede posten kan ikke henges til høyre for denne: posten har en annen underliste, "
    "eller den merkede står over den i treet";
constexpr std::string_view kSortDamagedMessage = "Listen er skadet og ble ikke sortert";

}  // namespace

void TQuillForm::WireCommands() {
  // Where a command is started from: a menu item, or a button of the button row or the
  // marks bar.
  enum class Control { kItem, kButton };
  struct CommandEntry {
    Control control;
    const char* name;  // the item's or button's object name
    std::function<void()> command;
    // The command writes to the database: disabled while it is read-only, and refused
    // there before it starts when reached all the same.
    bool edits = false;
  };
  const auto markFirst = [this] {
    if (!dataark_.IsOpen()) return;
    MarkBlockFirst(dataark_);
    vis(0);
  };
  const auto markLast = [this] {
    if (!dataark_.IsOpen()) return;
    MarkBlockLast(dataark_);
    vis(0);
  };
  // A block command that ends with the refresh, whatever it answered.
  const auto blockCommand = [this](BlockResult (*run)(tDataImageArk&)) {
    return [this, run] {
      if (!dataark_.IsOpen()) return;
      const BlockResult result = run(dataark_);
      Tell(result.message);
      vis(0);
    };
  };
  constexpr Control item = Control::kItem;
  constexpr Control button = Control::kButton;
  constexpr bool edits = true;
  const CommandEntry commands[] = {
      // "&Let", "Liste", "Vis"
      {item, "Sketter1", [this] { Search(false); }},
      {item, "Skihelendatabasen1", [this] { Search(true); }},
      {item, "Hopptilmerke1", [this] { PopButtonClick(); }},
      {item, "Hopptilfilposisjon1", [this] { Hopptilfilposisjon1Click(); }},
      {item, "Gtiloriginal1", [this] { Gtiloriginal1Click(); }},
      {item, "Sorterlistenstigende1", [this] { SortCurrentList(true); }, edits},
      {item, "Sorterlistensynkende1", [this] { SortCurrentList(false); }, edits},

      // Marks
      {item, "Merkher1", [this] { MarkHere(); }},
      {button, "SpeedButton5", [this] { MarkHere(); }},
      {item, "Fjernallemerker1", [this] { RemoveAllMarks(); }},
      {button, "SpeedButton4", [this] { RemoveAllMarks(); }},
      {button, "PopButton", [this] { PopButtonClick(); }},
      {button, "SlettMButton", [this] { SlettMButtonClick(); }},

      // Block
      {item, "Merkfrste1", markFirst},
      {button, "SpeedButton7", markFirst},
      {item, "Merksiste1", markLast},
      {button, "SpeedButton8", markLast},
      {item, "Gtilstartavblokk1", blockCommand(&GoToBlockStart)},
      {item, "Gtilsluttenavblokk1", blockCommand(&GoToBlockEnd)},
      {item, "Kopier2", blockCommand(&CopyBlock)},
      {item, "Liminn1", blockCommand(&PasteBlock), edits},
      {item, "Liminnpekere1", blockCommand(&PasteBlockPointers), edits},
      {item, "Slett1", blockCommand(&DeleteBlock), edits},
      // A cut only marks the block to be moved by the next paste: nothing to show yet.
      {item, "Klipput2",
       [this] {
         if (!dataark_.IsOpen()) return;
         Tell(CutBlock(dataark_).message);
         SetButton();
       }, edits},
      {item, "Flyttblokktilhyre1", [this] { Flyttblokktilhyre1Click(); }, edits},

      // Editing
      {item, "Linje1", [this] { Linje1Click(); }, edits},
      {item, "Slett2", [this] { Slett2Click(); }, edits},
      {button, "SpeedButton2", [this] { Slett2Click(); }, edits},
      {item, "Kopier3", [this] { Kopier3Click(); }},
      {button, "CopyButton", [this] { Kopier3Click(); }},
      {item, "Klipput1", [this] { Klipput1Click(); }, edits},
      {button, "CutButton", [this] { Klipput1Click(); }, edits},
      {item, "Liminn2", [this] { Liminn2Click(); }, edits},
      {button, "PasteButton", [this] { Liminn2Click(); }, edits},
      {item, "Liminnpeker1", [this] { Liminnpeker1Click(); }, edits},
      {button, "PastePButton", [this] { Liminnpeker1Click(); }, edits},
      {item, "Flyttned1", [this] { FlyttNed(); }, edits},
      {item, "Flyttopp1", [this] { FlyttOpp(); }, edits},
      {item, "Liminnpekertilmerketpost1", [this] { Liminnpekertilmerketpost1Click(); }, edits},
      {button, "PasteCButton", [this] { Liminnpekertilmerketpost1Click(); }, edits},
      {button, "PasteC2Button", [this] { PasteC2ButtonClick(); }, edits},
      {item, "Liminnpekertilmerke1", [this] { Liminnpekertilmerke1Click(); }, edits},
      {button, "LimHButton", [this] { Liminnpekertilmerke1Click(); }, edits},
      {item, "Tilknyttdataframerketpost1", [this] { Tilknyttdataframerketpost1Click(); }, edits},
      {item, "Oppdaterdenneiframerket1", [this] { Oppdaterdenneiframerket1Click(); }, edits},
      {item, "Fix1", [this] { Fix1Click(); }, edits},

      // Templates: the editor, and the import of Pascal declarations; the view is drawn
      // again after either, since templates name records in the list.
      {item, "Definisjon1",
       [this] {
         if (!dataark_.IsOpen()) return;
         EditTemplate(true);
         vis(0);
       }, edits},
      {item, "Redigermal1",
       [this] {
         if (!dataark_.IsOpen() || !dataark_.dp->IsRecordAt(dataark_.dp->TemplatePos())) return;
         {
           CursorRestorer back(*dataark_.dp);
           dataark_.dp->Load(dataark_.dp->TemplatePos());
           EditTemplate(false);
         }
         vis(0);
       }, edits},
      {item, "Malerifrapascalkildekode1",
       [this] {
         if (!dataark_.IsOpen()) return;
         forms().ImportPascal(dataark_);
         vis(0);
       }, edits},
      {item, "Kontrollerogreparer1", [this] { Kontrollerogreparer1Click(); }, edits},
      {item, "Slettedeposter1", [this] { Slettedeposter1Click(); }, edits},

      // Exports and imports
      {item, "HTML1", [this] { LagHTML(dataark_, dialogs(), true); }},
      {item, "LagHTMLtabell1", [this] { LagHTML(dataark_, dialogs(), false); }},
      {item, "CSV1", [this] { CSV1Click(dataark_, dialogs()); vis(0); }},
      {item, "Sekvensielledata1", [this] { Sekvensielledata1Click(dataark_, dialogs(), this); vis(0); }, edits},

      // Notes, bookmarks, documents, programs, global pointers, setup
      {item, "Notat1", [this] { Notat1Click(); }, edits},
      {item, "Skiindex1", [this] { Skiindex1Click(); }},
      {item, "Leggtiliindex1", [this] { Leggtiliindex1Click(); }, edits},
      {item, "Indexutforsker1", [this] { Indexutforsker1Click(); }},
      {item, "Nyindex1", [this] { Nyindex1Click(); }, edits},
      {item, "Leggtilhurtigmeny1", [this] { Leggtilhurtigmeny1Click(); }, edits},
      {item, "Klargjrtabellforreplikering1", [this] { ReplicateList(ListReplication::kPrepare); }, edits},
      {item, "Stoppreplikering1", [this] { ReplicateList(ListReplication::kStop); }, edits},
      {item, "Setttidforreplikering1", [this] { ReplicateList(ListReplication::kStamp); }, edits},
      {item, "Dokumenttilknytning1", [this] { Dokumenttilknytning1Click(); }, edits},
      {item, "Tilknyttdokument1", [this] { Tilknyttdokument1Click(); }, edits},
      {button, "SpeedButton6", [this] { Tilknyttdokument1Click(); }, edits},
      {item, "pnedokument1", [this] { pnedokument1Click(); }},
      {button, "DocButton", [this] { pnedokument1Click(); }},
      {item, "Globalpeker1", [this] { Globalpeker1Click(); }, edits},
      {item, "Malforprogram1", [this] { Malforprogram1Click(); }, edits},
      {item, "Tilknyttprogram1", [this] { Tilknyttprogram1Click(); }, edits},
      {item, "Fjerntilknytningtilprogram1", [this] { Fjerntilknytningtilprogram1Click(); }, edits},
      {item, "Mappeplasseringer1", [this] { forms().ShowSetup(SetupDialog::kFolders); }},
      {item, "Oppstart1", [this] { forms().ShowSetup(SetupDialog::kStartup); }},
      {item, "Database1", [this] { forms().ShowSetup(SetupDialog::kDatabase); }},
      {item, "Automatiskhopp",
       [this] {
         if (dataark_.IsOpen()) dataark_.dp->SetAutoFollow(MenuItem("Automatiskhopp")->isChecked());
       }},
  };
  for (const CommandEntry& entry : commands) {
    if (entry.control == Control::kItem) {
      ConnectCommand(MenuItem(entry.name), entry.command, entry.edits);
    } else {
      ConnectCommand(findChild<QAbstractButton*>(entry.name), entry.command, entry.edits);
    }
  }

  // The mark list: a click selects a mark, a double click goes to its record.
  connect(Merkeliste_, &QListWidget::currentRowChanged, this, [this](int row) { marks_.Select(row); });
  connect(Merkeliste_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* line) {
    const int row = Merkeliste_->row(line);
    Command([this, row] { MerkelisteDblClick(row); });
  });
  connect(findChild<QMenu*>("Blokk1"), &QMenu::aboutToShow, this,
          [this] { SetBlockMenuStates(); });

  // Alt+Down and Alt+Up are written into the captions of the move items, and the keypad's
  // Enter works as Return does with Ctrl and Alt; these keys reach their items through
  // the window, and only while the item is enabled.
  const std::pair<const char*, const char*> keys[] = {{"Alt+Down", "Flyttned1"},
                                                      {"Alt+Up", "Flyttopp1"},
                                                      {"Ctrl+Enter", "Egenskaper1"},
                                                      {"Alt+Enter", "Endrenavn1"}};
  for (const auto& [sequence, name] : keys) {
    auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(sequence)), this);
    QAction* target = MenuItem(name);
    connect(shortcut, &QShortcut::activated, this, [target] {
      if (target->isEnabled()) target->trigger();
    });
  }
  SetButton();
}

void TQuillForm::Tell(std::string_view text) {
  if (!text.empty()) dialogs().Message(kErrorCaption, text, MessageKind::kInformation);
}

// ---- "&Let" and "Liste" ------------------------------------------------------------------

void TQuillForm::Search(bool wholeDatabase) {
  if (!dataark_.IsOpen()) return;
  const std::string text = dialogs().Prompt(kSearchPrompt, "");
  if (text.empty()) return;
  Position found = -1;
  {
    WaitCursor wait;
    found = FindByDisplayName(dataark_, text, wholeDatabase);
  }
  if (found >= 0) {
    vis(0);
    ShowOrigin();
  } else {
    SetStatusText(1, NotFoundText(text));
  }
}

void TQuillForm::Hopptilfilposisjon1Click() {
  if (!dataark_.IsOpen()) return;
  const std::string answer = dialogs().Prompt(kJumpPrompt, "0");
  if (answer.empty()) return;
  const JumpResult jump = JumpToFilePosition(dataark_, ParseFilePosition(answer));
  if (!jump.moved) {
    Tell(jump.message);
    return;
  }
  vis(0);
}

void TQuillForm::Gtiloriginal1Click() {
  if (!dataark_.IsOpen()) return;
  const OriginalResult result =
      GoToOriginal(dataark_, [this](std::string_view question) {
        // Restoring the original writes: on a read-only database the answer is no, and
        // the user hears why instead of being asked.
        if (dataark_.ReadOnly()) {
          Tell(kReadOnlyRefusal);
          return false;
        }
        return dialogs().YesNo(question, true);
      });
  if (result.status == OriginalStatus::kNotAShadow) return;
  Tell(result.message);
  vis(0);
}

void TQuillForm::SortCurrentList(bool ascending) {
  if (!dataark_.IsOpen()) return;
  SortResult result;
  {
    WaitCursor wait;
    result = SortList(dataark_, ascending);
  }
  if (result.status == SortStatus::kDamaged) Tell(kSortDamagedMessage);
  if (result.status == SortStatus::kReadOnly) Tell(kReadOnlyMessage);
  vis(0);
}

// ---- Marks -------------------------------------------------------------------------------

void TQuillForm::ShowMarks() {
  const QSignalBlocker quiet(Merkeliste_);
  Merkeliste_->clear();
  for (const std::string& line : marks_.Lines()) Merkeliste_->addItem(FromUtf8(line));
  Merkeliste_->setCurrentRow(marks_.Selected());
  // The panel shows while there are marks, and goes when the last one does.
  if (marks_.Count() == 0) MerkPanel_->hide();
}

Position TQuillForm::LiveMark(Position mark) {
  if (mark <= 0) return -1;
  if (IsLiveRecord(dataark_, mark)) return mark;
  // A deleted record keeps its old links, which no longer lead back to it: no command
  // may go there or link to it.
  Tell(kMarkDeletedMessage);
  return -1;
}

Position TQuillForm::SelectedLiveMark() {
  if (!dataark_.IsOpen() || marks_.SelectedMark() < 0) return -1;
  return LiveMark(marks_.SelectedMark());
}

Position TQuillForm::LastLiveMark() {
  if (!dataark_.IsOpen() || marks_.Count() == 0) return -1;
  return LiveMark(marks_.LastMark());
}

void TQuillForm::MarkHere() {
  if (!dataark_.IsOpen()) return;
  const std::string refused = marks_.Push();
  if (!refused.empty()) {
    Tell(refused);
    return;
  }
  ShowMarks();
  MerkPanel_->show();
  SetButton();
  fixscrollbar();
}

void TQuillForm::PopButtonClick() {
  if (!dataark_.IsOpen() || marks_.Count() == 0) return;
  const int last = marks_.Count() - 1;
  if (LiveMark(marks_.MarkAt(last)) < 0) {
    marks_.Remove(last);
  } else {
    marks_.Pop();
  }
  ShowMarks();
  vis(0);
}

void TQuillForm::MerkelisteDblClick(int line) {
  if (!dataark_.IsOpen() || LiveMark(marks_.MarkAt(line)) < 0) return;
  marks_.GoTo(line);
  vis(0);
}

void TQuillForm::SlettMButtonClick() {
  if (marks_.Count() == 1) {
    RemoveAllMarks();
    return;
  }
  if (!marks_.Remove(marks_.Selected())) return;
  ShowMarks();
  SetButton();
}

void TQuillForm::RemoveAllMarks() {
  marks_.RemoveAll();
  ShowMarks();
  MerkPanel_->hide();
  SetButton();
}

// ---- Block -------------------------------------------------------------------------------

void TQuillForm::SetBlockMenuStates() { ApplyMenuStates(BlockMenuStates(dataark_)); }

void TQuillForm::Flyttblokktilhyre1Click() {
  if (!dataark_.IsOpen()) return;
  // A block that cannot be moved is refused before its new line is asked for.
  const BlockRecords block = CollectBlock(dataark_, dataark_.dp->BlockStart(), dataark_.dp->BlockEnd());
  if (block.records.empty()) {
    Tell(block.message);
    return;
  }
  const std::string name = dialogs().Prompt(kMoveBlockPrompt, "");
  if (name.empty()) return;
  Tell(MoveBlockRight(dataark_, name).message);
  vis(0);
}

// ---- Editing -----------------------------------------------------------------------------

void TQuillForm::Linje1Click() {
  if (!dataark_.IsOpen()) return;
  const NewLineChoice choice = dialogs().ChooseNewLine();
  if (choice.direction == DirNull) return;
  const bool made = NewLine(dataark_, choice.direction, choice.text) >= 0;
  if (made && choice.direction == DirDown) place_.Replaced(dataark_, 1, 0, 1);
  vis(0);
  if (!made) SetStatusText(1, choice.text.empty() ? kLineWithoutTextText : kNoLineHereText);
}

void TQuillForm::Slett2Click() {
  if (!dataark_.IsOpen()) return;
  const bool refused = DeleteRecord(dataark_) < 0;
  if (!refused) place_.Replaced(dataark_, 0, 1, 0);
  vis(0);
  if (refused) SetStatusText(1, DeleteRefusedText(dataark_));
}

void TQuillForm::Kopier3Click() {
  if (!dataark_.IsOpen()) return;
  if (CopyRecord(dataark_) < 0) SetStatusText(1, CopyRefusedText(dataark_));
  SetButton();
}

void TQuillForm::Klipput1Click() {
  if (!dataark_.IsOpen()) return;
  const bool refused = CutRecord(dataark_) < 0;
  if (!refused) place_.Replaced(dataark_, 0, 1, 0);
  vis(0);
  if (refused) SetStatusText(1, DeleteRefusedText(dataark_));
}

void TQuillForm::Liminn2Click() {
  if (!dataark_.IsOpen()) return;
  const bool pasted = PasteRecord(dataark_) >= 0;
  if (pasted) place_.Replaced(dataark_, 1, 0, 1);
  vis(0);
  if (pasted) {
    ShowOrigin();
  } else {
    SetStatusText(1, PasteRefusedText(dataark_));
  }
}

void TQuillForm::Liminnpeker1Click() {
  if (!dataark_.IsOpen()) return;
  const bool pasted = PasteRecordShadow(dataark_) > 0;
  if (pasted) place_.Replaced(dataark_, 1, 0, 1);
  vis(0);
  if (pasted) {
    ShowOrigin();
  } else {
    SetStatusText(1, PasteRefusedText(dataark_));
  }
}

void TQuillForm::FlyttNed() {
  if (!dataark_.IsOpen()) return;
  const bool refused = dataark_.dp->MoveDown() < 0;
  if (!refused) place_.Replaced(dataark_, 0, 2, 2);
  vis(0);
  if (refused) SetStatusText(1, kLastInListText);
}

void TQuillForm::FlyttOpp() {
  if (!dataark_.IsOpen()) return;
  const bool refused = MoveRecordUp(dataark_) < 0;
  if (!refused) place_.Replaced(dataark_, -1, 2, 2);
  vis(0);
  if (refused) SetStatusText(1, kFirstInListText);
}

void TQuillForm::Liminnpekertilmerketpost1Click() {
  const Position mark = SelectedLiveMark();
  if (mark < 0) return;
  if (PasteShadowOfMark(dataark_, mark) == 0) place_.Replaced(dataark_, 1, 0, 1);
  vis(0);
  ShowOrigin();
}

void TQuillForm::PasteC2ButtonClick() {
  if (!dataark_.IsOpen() || marks_.Count() == 0) return;
  std::vector<Position> live;
  for (Position mark : marks_.Positions()) {
    if (IsLiveRecord(dataark_, mark)) live.push_back(mark);
  }
  // Shadows of the marks still in the tree; the user hears once about the others.
  if (live.size() < size_t(marks_.Count())) Tell(kMarkDeletedMessage);
  if (const int32_t made = PasteShadowsOfMarks(dataark_, live); made > 0) place_.Replaced(dataark_, 1, 0, made);
  vis(0);
}

void TQuillForm::Liminnpekertilmerke1Click() {
  const Position mark = SelectedLiveMark();
  if (mark < 0) return;
  if (LinkRightToMark(dataark_, mark) < 0) Tell(kLinkRightRefusedMessage);
  vis(0);
}

void TQuillForm::Tilknyttdataframerketpost1Click() {
  const Position mark = LastLiveMark();
  if (mark >= 0 && InheritDataFromMark(dataark_, mark) < 0) SetStatusText(1, kNoDataBlockText);
}

void TQuillForm::Oppdaterdenneiframerket1Click() {
  const Position mark = LastLiveMark();
  if (mark >= 0 && UpdateFromMark(dataark_, mark) < 0) SetStatusText(1, kNoDataBlockText);
}

void TQuillForm::Fix1Click() {
  if (!dataark_.IsOpen()) return;
  RepairResult result;
  {
    WaitCursor wait;
    result = RepairRecordSizes(dataark_);
  }
  vis(0);
  SetStatusText(1, std::to_string(result.repaired) + " av " + std::to_string(result.records) +
                       " pekere rettet");
}

void TQuillForm::Kontrollerogreparer1Click() {
  const size_t faults = CheckDatabase(dataark_).size();
  if (faults == 0) {
    dialogs().Message(kErrorCaption, "Databasen er uten feil.", MessageKind::kInformation);
    return;
  }
  if (!dialogs().YesNo("Databasen har " + std::to_string(faults) +
                           " feil. Lage sikkerhetskopi og reparere pekerne nå?",
                       true))
    return;
  if (const int32_t error = CopyToBackup(dataark_.Files(), dataark_.FileName()); error != 0) {
    dialogs().Message(kErrorCaption,
                      "Sikkerhetskopien kunne ikke lages (" + ErrorText(error) + "); ingenting er endret.",
                      MessageKind::kError);
    return;
  }
  const double stamp = NowAsDateTime();
  const LinkRepairResult result = RepairLinks(dataark_, stamp);
  const size_t left = CheckDatabase(dataark_).size();
  std::string text = std::to_string(result.changes.size()) + " pekere er rettet";
  if (result.found > 0)
    text += ", " + std::to_string(result.found) + " poster som ingen liste nådde er lagt under \"" +
            FoundLineName(stamp) + "\"";
  text += left == 0 ? ". Databasen er nå uten feil." : ". " + std::to_string(left) + " feil er igjen.";
  dialogs().Message(kErrorCaption, text, left == 0 ? MessageKind::kInformation : MessageKind::kWarning);
}

void TQuillForm::Slettedeposter1Click() {
  if (!dataark_.IsOpen()) return;
  std::vector<DeletedRecord> deleted;
  {
    WaitCursor wait;
    deleted = ListDeleted(dataark_);
  }
  if (deleted.empty()) {
    dialogs().Message(kErrorCaption, "Databasen har ingen slettede poster.",
                      MessageKind::kInformation);
    return;
  }
  std::vector<std::string> lines;
  lines.reserve(deleted.size());
  for (const DeletedRecord& record : deleted) lines.push_back(DeletedLine(record));
  const std::optional<size_t> chosen = dialogs().ChooseLine(
      "Slettede poster", "Posisjon, type, slettet, navn. Den valgte settes inn under denne posten:",
      lines, "&Gjenopprett");
  if (!chosen) return;
  const Position target = dataark_.dp->CurrentPosition();
  if (RestoreDeleted(dataark_, deleted[*chosen].position, target) != RestoreStatus::kRestored) {
    Tell("Posten kunne ikke settes tilbake her.");
    return;
  }
  vis(0);
}

}  // namespace qn
