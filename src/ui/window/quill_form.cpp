#include "ui/window/quill_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <charconv>
#include <stdexcept>
#include <filesystem>
#include <system_error>

#include "store/datapointer.h"
#include "store/error_text.h"
#include "env/errors.h"
#include "env/folders.h"
#include "env/log.h"
#include "env/settings.h"
#include "env/shell.h"
#include "env/user_state.h"
#include "ui/dialogs/button_icons.h"
#include "commands/command_boundary.h"
#include "ui/forms/info_form.h"
#include "ui/window/command_table.h"
#include "ui/window/main_menu.h"
#include "ui/window/window_commands.h"
#include "ui/window/paint_box.h"
#include "ui/forms/point_form.h"
#include "ui/forms/system_info_form.h"
#include "commands/command_support.h"
#include "content/display_name.h"
#include "content/global_pointer.h"
#include "content/initial_content.h"
#include "content/note_text.h"
#include "ui/dialogs/qt_text.h"

namespace qn {
namespace {

constexpr int kKnappPanelHeight = 25;
constexpr int kHurtigListeWidth = 169;
// The quick list takes at most this share of the window's width, and hides when the
// window is narrower than kHurtigListeHideBelow, so it never covers the list.
constexpr int kHurtigListeShare = 4;
constexpr int kHurtigListeHideBelow = 360;
constexpr int kNrListeWidth = 48;
constexpr int kSkrollPanelWidth = 16;
constexpr int kMerkPanelHeight = 128;
constexpr int kStatusPanelWidths[3] = {50, 300, 50};
constexpr int kInitialLargeChange = 10;

// Windows colour values, converted: green, teal.
const QColor kGreen(0, 128, 0);
const QColor kTeal(0, 128, 128);

constexpr const char* kDefaultDatabase = "QuillNet.pdb256";
constexpr const char* kDatabaseFolder = "data\\quillnet";
constexpr const char* kMainCaption = "Veltrona QuillNet";

// A whole decimal number as text (blanks around it allowed); nothing otherwise.
std::optional<int32_t> ParsePosition(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::string FullPath(const std::string& name) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(name, ec);
  return ec ? name : full.lexically_normal().string();
}

}  // namespace

TQuillForm::TQuillForm(QWidget* parent)
    : TQuillForm(std::make_unique<ProgramState>(), nullptr, parent) {}

TQuillForm::TQuillForm(ProgramState& state, QWidget* parent) : TQuillForm(nullptr, &state, parent) {}

TQuillForm::TQuillForm(std::unique_ptr<ProgramState> own, ProgramState* state, QWidget* parent)
    : QMainWindow(parent), ownState_(std::move(own)), state_(state != nullptr ? *state : *ownState_) {
  setObjectName("QuillForm");
  setWindowTitle(kMainCaption);
  BuildLayout();
  BuildCommands();
  WireView();
  resize(800, 600);
  // The update launcher ends the program by closing this window the usual way.
  SetEndApplicationCallback([this] { close(); });
}

TQuillForm::~TQuillForm() {
  SetEndApplicationCallback(nullptr);
  SetLogMessageCallback(nullptr);
}

// ---- Layout ------------------------------------------------------------------------------

void TQuillForm::BuildLayout() {
  auto* central = new QWidget(this);
  central->setObjectName("ClientArea");
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  KnappPanel_ = new QWidget(central);
  KnappPanel_->setObjectName("KnappPanel");
  KnappPanel_->setFixedHeight(kKnappPanelHeight);
  column->addWidget(KnappPanel_);

  auto* middle = new QHBoxLayout;
  middle->setContentsMargins(0, 0, 0, 0);
  middle->setSpacing(0);
  QFont small = font();
  small.setPointSize(8);

  HurtigListe_ = new QListWidget(central);
  HurtigListe_->setObjectName("HurtigListe");
  HurtigListe_->setFixedWidth(kHurtigListeWidth);
  QPalette green = HurtigListe_->palette();
  green.setColor(QPalette::Base, kGreen);
  green.setColor(QPalette::Text, Qt::white);
  HurtigListe_->setPalette(green);
  HurtigListe_->setFont(small);
  HurtigListe_->hide();  // until the quick list has entries
  middle->addWidget(HurtigListe_);

  NrListe_ = new QListWidget(central);
  NrListe_->setObjectName("NrListe");
  NrListe_->setFixedWidth(kNrListeWidth);
  NrListe_->hide();  // always: it only holds the quick list's Positions
  middle->addWidget(NrListe_);

  PaintBox1_ = new TPaintBox(central);
  middle->addWidget(PaintBox1_, 1);

  SkrollPanel_ = new QWidget(central);
  SkrollPanel_->setObjectName("SkrollPanel");
  SkrollPanel_->setFixedWidth(kSkrollPanelWidth);
  auto* scrollColumn = new QVBoxLayout(SkrollPanel_);
  scrollColumn->setContentsMargins(0, 0, 0, 0);
  ScrollBar1_ = new QScrollBar(Qt::Vertical, SkrollPanel_);
  ScrollBar1_->setObjectName("ScrollBar1");
  ScrollBar1_->setPageStep(kInitialLargeChange);
  ScrollBar1_->setRange(0, 0);
  ScrollBar1_->setEnabled(false);
  scrollColumn->addWidget(ScrollBar1_);
  middle->addWidget(SkrollPanel_);
  column->addLayout(middle, 1);

  MerkPanel_ = new QWidget(central);
  MerkPanel_->setObjectName("MerkPanel");
  MerkPanel_->setFixedHeight(kMerkPanelHeight);
  BuildMarkPanel(MerkPanel_);
  MerkPanel_->hide();  // until a mark exists
  column->addWidget(MerkPanel_);
  setCentralWidget(central);

  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar");
  for (int i = 0; i < 3; ++i) {
    StatusPanels_[i] = new QLabel(bar);
    StatusPanels_[i]->setObjectName(QString("StatusPanel%1").arg(i));
    StatusPanels_[i]->setFixedWidth(kStatusPanelWidths[i]);
    StatusPanels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(StatusPanels_[i]);
  }
  ReadOnlyLabel_ = new QLabel(FromUtf8(kReadOnlyStatus), bar);
  ReadOnlyLabel_->setObjectName("ReadOnlyLabel");
  ReadOnlyLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bar->addPermanentWidget(ReadOnlyLabel_);
  ReadOnlyLabel_->hide();

  PopupMenu_ = new QMenu(this);
  PopupMenu_->setObjectName("PopupMenu");
  PaintBox1_->SetPicture(&canvas_);
}

void TQuillForm::BuildMarkPanel(QWidget* panel) {
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* bar = new QWidget(panel);
  bar->setObjectName("MerkKnapper");
  // Its buttons come from the command table (BuildCommands), a stretch after them.
  MerkKnapper_ = new QHBoxLayout(bar);
  MerkKnapper_->setContentsMargins(0, 0, 0, 0);
  MerkKnapper_->setSpacing(0);
  column->addWidget(bar);

  Merkeliste_ = new QListWidget(panel);
  Merkeliste_->setObjectName("Merkeliste");
  QPalette teal = Merkeliste_->palette();
  teal.setColor(QPalette::Base, kTeal);
  teal.setColor(QPalette::Text, Qt::white);
  Merkeliste_->setPalette(teal);
  column->addWidget(Merkeliste_, 1);
}

// ---- Menu --------------------------------------------------------------------------------

QAction* TQuillForm::MenuItem(std::string_view objectName) const {
  return findChild<QAction*>(FromUtf8(objectName));
}

void TQuillForm::BuildCommands() {
  controls_ = BuildCommandControls(
      menuBar(), PopupMenu_, KnappPanel_, MerkKnapper_, this,
      [this](const WindowCommand& command) { RunWindowCommand(command); },
      // The key of an editing command whose item is disabled: on a read-only database it
      // says why; otherwise it does nothing, as the item would.
      [this](const WindowCommand&) { Command([this] { RefusedReadOnly(); }); });
  MerkKnapper_->addStretch();
  // Every menu sets the items that follow the current record, and its check marks, as it
  // opens.
  for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
    connect(menu, &QMenu::aboutToShow, this, [this] { EditMenyPopup(); });
  }
}

void TQuillForm::RunWindowCommand(const WindowCommand& command) {
  if (command.run == nullptr) return;
  // The changes the command stores are undo steps named by it and by the record its row
  // says: by default the one it acted on, which is one it made (the cursor ends on a
  // Position the file did not have when it began), else the one it began on.
  const bool steps = dataark_.IsOpen() && !dataark_.ReadOnly();
  Position startedOn = 0;
  int64_t startSize = 0;
  std::string startName;
  if (steps) {
    startedOn = dataark_.dp->CurrentPosition();
    startSize = dataark_.FileSizeOf();
    startName = StepRecordName();
    undo_.BeginCommand(startedOn);
  }
  Command([this, &command] {
    // An editing command runs only on a writable database; the check comes first, so
    // nothing the command would ask or change happens on a read-only one.
    if (command.edits && RefusedReadOnly()) return;
    // What the status bar said was about the record before: a command says anew what it
    // found, or else the record it leaves current tells where its data comes from.
    SetStatusText(1, "");
    command.run(*this);
    if (StatusPanels_[1]->text().isEmpty()) ShowOrigin();
  });
  if (!steps) return;
  std::string record;
  if (command.stepRecord == StepRecord::kLanded) {
    record = StepRecordName();
  } else if (command.stepRecord == StepRecord::kActedOn) {
    const bool madeRecord = dataark_.IsOpen() && dataark_.dp->CurrentPosition() >= startSize;
    record = madeRecord ? StepRecordName() : startName;
  }
  undo_.EndCommand(StepName(StepCaption(command), record));
  if (const std::string note = undo_.TakeNote(); !note.empty()) SetStatusText(1, note);
  SetButton();
}

std::string TQuillForm::StepRecordName() {
  if (!dataark_.IsOpen()) return {};
  try {
    std::string name = DisplayName(dataark_);
    // A long name is cut where a character begins, so the menu stays readable.
    constexpr size_t kLongest = 40;
    if (name.size() > kLongest) {
      size_t cut = kLongest;
      while (cut > 0 && (uint8_t(name[cut]) & 0xC0) == 0x80) --cut;
      name = name.substr(0, cut) + "…";
    }
    return name;
  } catch (const std::exception&) {
    return {};  // a record that cannot be read names no step
  }
}

bool TQuillForm::PanelShown(WindowPanel panel) const {
  switch (panel) {
    case WindowPanel::kStatusBar: return !statusBar()->isHidden();
    case WindowPanel::kMarks: return !MerkPanel_->isHidden();
    case WindowPanel::kQuickList: return quickListWanted_;
    case WindowPanel::kButtonRow: return !KnappPanel_->isHidden();
  }
  return false;
}

void TQuillForm::ShowPanel(WindowPanel panel, bool shown) {
  switch (panel) {
    case WindowPanel::kStatusBar: statusBar()->setVisible(shown); break;
    case WindowPanel::kMarks: MerkPanel_->setVisible(shown); break;
    case WindowPanel::kQuickList:
      quickListWanted_ = shown;
      FitQuickList();
      break;
    case WindowPanel::kButtonRow: KnappPanel_->setVisible(shown); break;
  }
}

Dialogs& TQuillForm::dialogs() const {
  if (dialogs_ == nullptr) throw std::logic_error("the window has no dialogs to ask with");
  return *dialogs_;
}

bool TQuillForm::Command(const std::function<void()>& command) {
  bool ran = false;
  ++commandDepth_;
  if (commandDepth_ == 1) place_.CommandBegins(dataark_);
  // Everything one command writes reaches the file together, or nothing of it does.
  const bool change = dataark_.IsOpen() && !dataark_.ReadOnly();
  if (change) dataark_.BeginChange();
  if (dialogs_ != nullptr) {
    ran = RunCommand(*dialogs_, command);
    if (change) {
      if (!ran) {
        dataark_.AbandonChange();
      } else if (const int32_t error = dataark_.EndChange(); error != 0) {
        const std::string file = dataark_.FileName();
        RunCommand(*dialogs_, [&] {
          throw IoError(error, "Endringen kunne ikke lagres i " + file + ": " + ReasonAndNumber(error) +
                                   ". Filen er som den var.");
        });
      }
    }
  } else {
    // Before the dialogs exist nothing can be shown; the failure goes to the log.
    try {
      command();
      ran = true;
    } catch (const std::exception& e) {
      WriteLog(std::string("FEIL: ") + e.what());
    }
    if (change) {
      if (ran) {
        dataark_.EndChange();
      } else {
        dataark_.AbandonChange();
      }
    }
  }
  --commandDepth_;
  // A program or document a command started is collected once it ends, so none lingers as
  // a zombie while the window runs.
  if (StartedProgramsRunning() > 0) {
    if (ReapTimer_ == nullptr) {
      ReapTimer_ = new QTimer(this);
      ReapTimer_->setInterval(1000);
      connect(ReapTimer_, &QTimer::timeout, this, [this] {
        if (StartedProgramsRunning() == 0) ReapTimer_->stop();
      });
    }
    ReapTimer_->start();
  }
  if (commandDepth_ == 0 && remeasurePending_) {
    remeasurePending_ = false;
    Command([this] {
      FormPaint();
      fixscrollbar();
    });
  }
  return ran;
}

void TQuillForm::ConnectCommand(QAction* action, std::function<void()> command, bool edits) {
  if (action == nullptr) return;
  connect(action, &QAction::triggered, this, [this, command = std::move(command), edits] {
    Command([&] {
      if (edits && RefusedReadOnly()) return;
      command();
    });
  });
  action->setEnabled(true);
}

bool TQuillForm::RefusedReadOnly() {
  if (!dataark_.IsOpen() || !dataark_.ReadOnly()) return false;
  Tell(kReadOnlyRefusal);
  vis(0);
  return true;
}

void TQuillForm::SetCaption(const std::string& file) {
  std::string caption = std::string(kMainCaption) + " (" + file + ")";
  const bool readOnly = dataark_.IsOpen() && dataark_.ReadOnly();
  if (readOnly) caption += kReadOnlyCaption;
  setWindowTitle(FromUtf8(caption));
  ReadOnlyLabel_->setVisible(readOnly);
}

void TQuillForm::SetStatusText(int panel, std::string_view text) {
  if (panel >= 0 && panel < 3) StatusPanels_[panel]->setText(FromUtf8(text));
}


// ---- Window creation and close -----------------------------------------------------------

std::string TQuillForm::StartFileName(const std::vector<std::string>& parameters) {
  std::string name = !parameters.empty() ? parameters[0] : GetLastFile(kDatabaseFileSection, 1);
  // Only the file's own name decides whether an extension is there: a dot in a folder
  // name does not count.
  if (!name.empty() && !std::filesystem::path(name).has_extension()) name += ".pdb256";
  std::error_code ec;
  if (name.empty() || !std::filesystem::is_regular_file(name, ec)) {
    name = veltronapath(kDatabaseFolder) + kDefaultDatabase;
  }
  return FullPath(name);
}

bool TQuillForm::OpenDatabase(const std::string& fileName, bool create) {
  SetStatusText(1, "");  // what the panel said was about the database before
  dataark_.SetOpenRole(OpenRole::kWindow);
  // A new history for every opening; what the opening itself writes is none of it.
  undo_.Clear();
  dataark_.SetChangeObserver(nullptr);
  qn::OpenDatabase(dataark_, fileName, create ? OpenPolicy::kCreateWhenMissing : OpenPolicy::kFromSettings);
  if (dataark_.IsOpen() && !dataark_.ReadOnly())
    dataark_.SetChangeObserver([this](ChangeImages&& images) { undo_.Record(std::move(images)); });
  if (dataark_.IsOpen()) {
    AddLastFile(kDatabaseFileSection, fileName);
    if (dialogs_ != nullptr && dataark_.BackupKeptForFaults()) {
      dialogs_->Message(kErrorCaption,
                        "Databasen " + fileName +
                            " har feil i pekerne (quilltool check viser dem, quilltool repair retter dem). "
                            "Den forrige sikkerhetskopien er beholdt.",
                        MessageKind::kWarning);
    } else if (dialogs_ != nullptr && dataark_.BackupError() != 0) {
      dialogs_->Message(kErrorCaption,
                        "Sikkerhetskopien av " + fileName + " kunne ikke lages: " +
                            ReasonAndNumber(dataark_.BackupError()) + ". Den forrige er beholdt.",
                        MessageKind::kWarning);
    }
    if (dialogs_ != nullptr && !dataark_.JournalNotice().empty())
      dialogs_->Message(kErrorCaption, dataark_.JournalNotice(), MessageKind::kWarning);
    if (dataark_.HeldElsewhere() && dialogs_ != nullptr) {
      dialogs_->Message(kErrorCaption,
                        "Databasen " + fileName +
                            " er åpen for endring i et annet program. Den er åpnet skrivebeskyttet.",
                        MessageKind::kInformation);
    }
    return true;
  }
  if (dialogs_ != nullptr) {
    const std::string reason =
        dataark_.JournalNotice().empty() ? ReasonAndNumber(dataark_.LastError()) : dataark_.JournalNotice();
    dialogs_->Message(kErrorCaption,
                      "Kan ikke åpne databasen " + fileName + (reason.empty() ? "" : ": " + reason),
                      MessageKind::kError);
  }
  return false;
}

void TQuillForm::FormCreate(const std::vector<std::string>& parameters) {
  const std::string file = StartFileName(parameters);
  std::error_code ec;
  OpenDatabase(file, !std::filesystem::exists(file, ec));
  SetCaption(file);
  applicationTitle_ = file;
  ScanHurtigListen();

  if (parameters.size() >= 2 && dataark_.IsOpen()) {
    // Only a Position where a record starts is shown; any other number is passed over.
    const std::optional<int32_t> start = ParsePosition(parameters[1]);
    if (start && *start != 0 && dataark_.dp->IsRecordAt(*start)) dataark_.dp->Load(*start);
  }

  vis(1);
  WindowGeometry geometry{x(), y(), width(), height(), isMaximized()};
  std::string text;
  const QRect screen = QGuiApplication::primaryScreen() != nullptr
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, 1024, 768);
  LoadWindowPosition(geometry, kWindowName, text, {screen.width(), screen.height()});
  move(geometry.left, geometry.top);
  resize(geometry.width, geometry.height);
  if (geometry.maximized) setWindowState(windowState() | Qt::WindowMaximized);
  // The button row shows unless the user hid it last time; on a first start it shows.
  KnappPanel_->setVisible(text.empty() || text.front() == 'J');
}

void TQuillForm::closeEvent(QCloseEvent* event) {
  dataark_.Close();
  const WindowGeometry geometry{x(), y(), width(), height(), isMaximized()};
  SaveWindowPosition(geometry, kWindowName, KnappPanel_->isHidden() ? "N" : "J");
  event->accept();
}

// ---- Database commands -------------------------------------------------------------------

void TQuillForm::Ny1Click() {
  FileRequest request;
  request.title = "Ny peker database";
  request.filter = kDatabaseFilter;
  request.defaultExtension = "pdb256";
  request.askOverwrite = true;
  request.folder = veltronapath(kDatabaseFolder);
  const std::optional<std::string> chosen = dialogs().SaveFile(request);
  if (!chosen || chosen->empty()) return;
  const std::string file = FullPath(*chosen);
  const std::string previous = dataark_.FileName();
  dataark_.Close();
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    std::filesystem::remove(file, ec);
    if (ec) {
      // The old file stays: opening it would pass it off as the new, empty database.
      dialogs().Message(kErrorCaption, "Kan ikke slette " + file + ": " + ec.message(),
                        MessageKind::kError);
      if (!previous.empty()) OpenDatabase(previous, false);
      vis(1);
      return;
    }
  }
  OpenDatabase(file, true);
  RemoveAllMarks(*this);
  vis(1);
  SetCaption(file);
  applicationTitle_ = file;
  ScanHurtigListen();
}

void TQuillForm::pne1Click() {
  FileRequest request;
  request.title = "Åpne database";
  request.filter = kDatabaseFilter;
  request.mustExist = true;
  request.folder = veltronapath(kDatabaseFolder);
  const std::optional<std::string> chosen = dialogs().OpenFile(request);
  if (chosen && !chosen->empty()) {
    const std::string file = FullPath(*chosen);
    // A file that is no database is refused before the open one is closed, so the user
    // keeps working where they were.
    std::error_code ec;
    const bool empty = std::filesystem::is_regular_file(file, ec) && std::filesystem::file_size(file, ec) == 0;
    if (const std::string refusal = empty ? std::string() : GlobalFileRefusal(file); !refusal.empty()) {
      dialogs().Message(kErrorCaption, refusal + " Den åpne databasen er beholdt.", MessageKind::kError);
    } else {
      const std::string previous = dataark_.FileName();
      const Position at = dataark_.IsOpen() ? dataark_.dp->CurrentPosition() : 0;
      dataark_.Close();
      std::string opened = file;
      if (!OpenDatabase(file, false) && !previous.empty()) {
        // The file could not be opened after all (OpenDatabase said why): back to the one
        // that was open.
        opened = previous;
        if (OpenDatabase(previous, false) && at > 0 && dataark_.dp->IsRecordAt(at)) dataark_.dp->Load(at);
      }
      vis(1);
      SetCaption(opened);
      applicationTitle_ = opened;
      ScanHurtigListen();
    }
  }
  RemoveAllMarks(*this);
}

// ---- Quick list --------------------------------------------------------------------------

void TQuillForm::ScanHurtigListen() {
  HurtigListe_->clear();
  NrListe_->clear();
  for (const QuickListEntry& entry : QuickListEntries(dataark_)) {
    HurtigListe_->addItem(FromUtf8(entry.name));
    NrListe_->addItem(QString::number(entry.target));
  }
  if (HurtigListe_->count() > 0) ShowPanel(WindowPanel::kQuickList, true);
}

void TQuillForm::FitQuickList() {
  const int room = width();
  HurtigListe_->setFixedWidth(std::min(kHurtigListeWidth, room / kHurtigListeShare));
  HurtigListe_->setVisible(quickListWanted_ && room >= kHurtigListeHideBelow);
}

void TQuillForm::HurtigListeClick(int line) {
  const QListWidgetItem* nr = NrListe_->item(line);
  if (nr == nullptr) return;
  const Position target = QuickListTarget(dataark_, nr->text().toStdString());
  if (target > 0) dataark_.dp->Load(target);
  vis(0);
}

// ---- Marks, notes, global pointers and programs ---------------------------------------

void TQuillForm::Tell(std::string_view text) {
  if (!text.empty()) dialogs().Message(kErrorCaption, text, MessageKind::kInformation);
}

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

void TQuillForm::MerkelisteDblClick(int line) {
  if (!dataark_.IsOpen() || LiveMark(marks_.MarkAt(line)) < 0) return;
  marks_.GoTo(line);
  vis(0);
}

bool TQuillForm::EditNote() {
  if (!dataark_.IsOpen()) return false;
  NoteEditor editor(dataark_);
  return forms().EditNote(editor, dataark_.ReadOnly());
}

bool TQuillForm::FollowGlobalPointer(bool automatic) {
  if (!dataark_.IsOpen()) return false;
  const std::optional<GlobalPointer> pointer = ReadGlobalPointer(dataark_);
  if (!pointer || (automatic && !pointer->automatic)) return false;
  const GlobalTarget target = ResolveGlobalTarget(*pointer, dataark_.FileName());
  std::error_code ec;
  if (!std::filesystem::equivalent(target.file, dataark_.FileName(), ec)) {
    if (const std::string refusal = GlobalFileRefusal(target.file); !refusal.empty()) {
      Tell(refusal + " Den åpne databasen er beholdt.");
      return false;
    }
    const bool autoFollow = dataark_.dp->AutoFollow();
    const std::string previous = dataark_.FileName();
    const Position at = dataark_.dp->CurrentPosition();
    dataark_.Close();
    std::string file = target.file;
    if (!OpenDatabase(file, false)) {
      file = previous;
      OpenDatabase(previous, false);
      if (dataark_.IsOpen()) dataark_.dp->Load(at);
    }
    if (dataark_.IsOpen()) dataark_.dp->SetAutoFollow(autoFollow);
    // The marks name records of the file left behind.
    RemoveAllMarks(*this);
    SetCaption(file);
    applicationTitle_ = file;
    ScanHurtigListen();
    if (file == previous) {
      vis(1);
      return false;
    }
  }
  GoToGlobalTarget(dataark_, target.pointer);
  vis(1);
  return true;
}

void TQuillForm::RunProgram() {
  if (!dataark_.IsOpen()) return;
  // Starting another program ends the watch of the one before.
  if (FilTimer_ != nullptr) FilTimer_->stop();
  run_ = PrepareProgram(dataark_);
  if (!StartPreparedProgram(run_)) {
    Tell(run_.message);
    run_ = ProgramRun{};
    return;
  }
  if (run_.useData) return;
  if (FilTimer_ == nullptr) {
    FilTimer_ = new QTimer(this);
    FilTimer_->setObjectName("FilTimer");
    FilTimer_->setInterval(200);
    connect(FilTimer_, &QTimer::timeout, this, [this] { Command([this] { FilTimerTimer(); }); });
  }
  FilTimer_->start();
}

void TQuillForm::FilTimerTimer() {
  if (run_.exchangeFile.empty() || !dataark_.IsOpen()) return;
  if (dataark_.ReadOnly()) {
    FilTimer_->stop();
    Tell(kReadOnlyRefusal);
    run_ = ProgramRun{};
    return;
  }
  const ReadBackResult result = ReadBackExchangeFile(dataark_, run_);
  if (result.status == ReadBackStatus::kWaiting) return;
  FilTimer_->stop();
  run_ = ProgramRun{};
  Tell(result.message);
  vis(0);
}

}  // namespace qn
