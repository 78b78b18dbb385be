// TQuillForm, the main window. It owns the one open database (dataark) for its whole
// life, lays out the button row, the quick list, the painted view with its scroll bar,
// the marks panel and the status bar, and carries the menu bar. Every command runs
// through the command boundary (Command), so an I/O or conversion error ends that command
// with one message and the window goes on. Questions are asked through the dialog seam
// the window is given; widgets and menu items carry their component names as object names.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "commands/list_place.h"
#include "commands/list_replication.h"
#include "commands/navigation.h"
#include "commands/program_state.h"
#include "commands/run_program.h"
#include "commands/undo_history.h"
#include "store/database.h"
#include "templates/data_editor.h"
#include "ui/forms/data_editor_runner.h"
#include "ui/forms/window_forms.h"
#include "commands/dialogs.h"
#include "ui/window/kv_data.h"
#include "ui/window/main_menu.h"
#include "commands/marks.h"
#include "commands/view_commands.h"

class QAbstractButton;
class QAction;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QMenu;
class QScrollBar;
class QTimer;
class QToolButton;

namespace qn {

class TPaintBox;
struct WindowCommand;

// The panels "&Vis" shows and hides.
enum class WindowPanel { kStatusBar, kMarks, kQuickList, kButtonRow };

// The recent-file list of databases in the shared settings.
inline constexpr std::string_view kDatabaseFileSection = ".pdb256";
// The name the window's placement is kept under.
inline constexpr std::string_view kWindowName = "QuillNet";
// The file dialogs' filter for databases.
inline constexpr std::string_view kDatabaseFilter =
    "Peker databaser (*.pdb256)|*.pdb256|Alle filer (*.*)|*.*";

// The caption's addition and the status bar's permanent label on a read-only database.
inline constexpr std::string_view kReadOnlyCaption = " [skrivebeskyttet]";
inline constexpr std::string_view kReadOnlyStatus = "Skrivebeskyttet";

class TQuillForm : public QMainWindow {
  Q_OBJECT
 public:
  // The window works with `state`'s engine state and row clipboard; `state` must outlive it.
  // Without one it keeps its own.
  explicit TQuillForm(ProgramState& state, QWidget* parent = nullptr);
  explicit TQuillForm(QWidget* parent = nullptr);
  ~TQuillForm() override;

  // The seam every command asks through; borrowed, it must outlive the window's commands.
  void SetDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }
  // How the data editor is shown; borrowed. Without one the window shows TDataForm.
  void SetDataEditor(DataEditorRunner* runner) { dataEditor_ = runner; }
  // How the record forms (note, bookmark explorer, global pointer, program, setup) are
  // shown; borrowed. Without one the window shows the real forms.
  void SetForms(WindowForms* forms) { forms_ = forms; }

  // Window creation: chooses the database from the command line's parameters (or the
  // last file used, or the default file), opens it, sets the caption, scans the quick
  // list, shows the Position
  // the second parameter names, and restores the window's placement and button row.
  void FormCreate(const std::vector<std::string>& parameters);

  // The database file FormCreate opens for these parameters: the first parameter, else
  // the newest of the recent-file list; ".pdb256" added to a name without an extension;
  // a name that is empty or names no existing file gives data/quillnet/QuillNet.pdb256.
  // The result is a full path.
  static std::string StartFileName(const std::vector<std::string>& parameters);

  // Runs one command inside the command boundary; false when it ended by an error.
  bool Command(const std::function<void()>& command);
  // Wires an action to a command (through the boundary) and enables it. A command that
  // `edits` is refused on a read-only database before it starts, with one message.
  void ConnectCommand(QAction* action, std::function<void()> command, bool edits = false);

  // The refresh every command ends with: the current record read again from the file (a
  // change that was refused or failed may have been left in the cursor's image only),
  // then measure and paint the current list, set the scroll bar and the buttons.
  // `VisMetode` has no effect.
  void vis(int VisMetode);
  // The scroll bar from the last measurement: enabled with maximum Count - RowCount when
  // the list is longer than the page, page step RowCount, position TopIndex.
  void fixscrollbar();
  // Enables the buttons and menu items from the current record; those that edit stay
  // disabled while the database is read-only.
  void SetButton();
  // Paints with the last measurement, then sets the scroll bar.
  void PaintBox1Paint();
  // Measures and paints.
  void FormPaint();
  // The scroll bar moved: the view shows the list from `position` on.
  void ScrollBar1Change(int position);
  void FormResize();
  void FormShow();
  // A press in the view at (x, y): the left button selects and follows the markers, the
  // right button opens the context menu without selecting.
  void PaintBox1MouseDown(Qt::MouseButton button, int x, int y);
  // A double click in the view: "Å&pne" on the current record.
  void PaintBox1DblClick();
  // Sets the menu items that follow the current record and the check marks; runs as each
  // menu opens.
  void EditMenyPopup();

  const tCanvasListeRec& cl() const { return cl_; }
  const ListPlace& place() const { return place_; }
  const tListCanvas& Canvas() const { return canvas_; }

  // Status-bar panel 1 := the current record's origin text (empty for an origin without one).
  void ShowOrigin();
  // The quick list's width and whether it shows, from the window's width and whether the
  // user (or its entries) want it shown.
  void FitQuickList();

  tDataImageArk& dataark() { return dataark_; }
  // The steps the window can undo and redo: every change it stored since it opened the
  // file, none on a read-only database.
  UndoHistory& History() { return undo_; }
  // The text the last name search looked for, which "Søk neste" looks for again.
  std::string& LastSearchText() { return lastSearchText_; }
  // The title the program is known by to the desktop: the open database's full path.
  const std::string& ApplicationTitle() const { return applicationTitle_; }
  // The menu item (or context-menu item) with this object name; nullptr when none.
  QAction* MenuItem(std::string_view objectName) const;
  // Status-bar panel 0, 1 or 2.
  void SetStatusText(int panel, std::string_view text);

  // The window's own commands on the open file.
  void Ny1Click();   // "&Ny": a new database
  void pne1Click();  // "Å&pne" under "&Fil": open a database

  // ---- Quick list ----
  // ScanHurtigListen: HurtigListe and NrListe from the "Filelinks" list; the quick list
  // shows once it has a line and is never hidden here.
  void ScanHurtigListen();
  // A click on line `line` of HurtigListe: the record the entry leads to becomes current
  // (an entry that leads nowhere moves nothing); then the refresh.
  void HurtigListeClick(int line);

  // ---- Marks ----
  const MarkList& Marks() const { return marks_; }
  MarkList& MarkLines() { return marks_; }
  // Merkeliste from the marks: one line per mark, the selected line current; the panel
  // goes when the last mark does.
  void ShowMarks();
  // A double click on line `line` of Merkeliste: that mark's record becomes current.
  void MerkelisteDblClick(int line);
  // The mark at `mark` when its record is still in the tree; otherwise says so and gives -1.
  Position LiveMark(Position mark);
  // LiveMark of the selected mark, and of the newest mark; -1 without an open database or
  // without such a mark.
  Position SelectedLiveMark();
  Position LastLiveMark();

  // ---- Panels ----
  bool PanelShown(WindowPanel panel) const;
  void ShowPanel(WindowPanel panel, bool shown);
  void TogglePanel(WindowPanel panel) { ShowPanel(panel, !PanelShown(panel)); }

  // ---- What the commands work with ----
  // The seam; throws std::logic_error (ending the command) while none is set.
  Dialogs& dialogs() const;
  DataEditorRunner& dataEditor();
  WindowForms& forms();
  ListPlace& Place() { return place_; }
  // The new-data dialog's choices, kept for the run.
  NewDataRecord& NewData() { return newData_; }
  // Shows a refusal or failure text through the dialogs; an empty text shows nothing.
  void Tell(std::string_view text);
  // On a read-only database: says that nothing was changed, refreshes and gives true.
  bool RefusedReadOnly();
  // The data editor on the current record; true when it closed with "&Lagre".
  bool EditData();
  // The template editor: `ny` ("&Mal") starts it empty, for a template that "&Lagre som
  // ...." creates; otherwise it opens the template named like the current record ("&Rediger
  // mal" on the record's template, "Å&pne" on a template). True when it saved.
  bool EditTemplate(bool ny);
  // The note editor on the current record (kind 257 opened); true when it saved.
  bool EditNote();

  // Follows the global pointer under the cursor (`automatic`: only one marked so). The
  // other database replaces the open one, with the marks dropped and the caption and quick
  // list its own; a file that is missing or no database leaves the open one and says so;
  // a pointer into the open file moves within it. True when the cursor moved.
  bool FollowGlobalPointer(bool automatic);
  // Opening a data record whose template has a program: the program started on it; without
  // the reference option its exchange file is watched every 200 ms.
  void RunProgram();
  // One tick of the watch: reads the exchange file back once the program wrote it.
  void FilTimerTimer();
  // The program being watched; its exchangeFile is empty while none is.
  const ProgramRun& Running() const { return run_; }

 protected:
  // FormClose: the database is closed and the window's placement saved.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // The scroll bar takes only the scroll keys, without modifiers; the wheel over the view
  // turns the scroll bar.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string lastSearchText_;
  void BuildLayout();
  void BuildMarkPanel(QWidget* panel);
  // The menu bar, the context menu, the buttons and the keys, from the command table.
  void BuildCommands();
  void WireView();
  // The command of `command` through the boundary; an editing one is refused first on a
  // read-only database.
  void RunWindowCommand(const WindowCommand& command);
  // The current record's display name as an undo step names it; empty when it has none.
  std::string StepRecordName();
  // The caption for the open file: the program's name and `file`, with the read-only mark
  // when the database is read-only; the status bar's label follows.
  void SetCaption(const std::string& file);
  // Opens `fileName`; with `create`, a missing file is created whatever the settings say.
  // Reports a database that could not be opened. True when it is open.
  bool OpenDatabase(const std::string& fileName, bool create);

  TQuillForm(std::unique_ptr<ProgramState> own, ProgramState* state, QWidget* parent);

  std::unique_ptr<ProgramState> ownState_;  // only when no owner gave one
  ProgramState& state_;
  tDataImageArk dataark_{nullptr, &state_.engine};
  UndoHistory undo_;
  // The marks over dataark_'s position stack; declared after it, which it borrows.
  MarkList marks_{dataark_};
  Dialogs* dialogs_ = nullptr;
  std::string applicationTitle_;
  tCanvasListeRec cl_;
  tListCanvas canvas_;
  // The list's length and the cursor's index between refreshes.
  ListPlace place_;
  // The new-data dialog's choices, kept for the run.
  NewDataRecord newData_;
  DataEditorRunner* dataEditor_ = nullptr;
  std::vector<CommandControls> controls_;
  // Commands running (a dialog's event loop lets others in). Measuring reads only through
  // the read-only reader, but a command in the middle of its work shows a list it has not
  // finished; so a size change meanwhile is remembered and measured when the outermost
  // command ends, and the kept list place hears once per outermost command that one began.
  int commandDepth_ = 0;
  bool remeasurePending_ = false;
  std::unique_ptr<DataEditorRunner> ownDataEditor_;
  WindowForms* forms_ = nullptr;
  // The started program (RunFileName, RunFileSize, RunUseData) and its watch (FilTimer,
  // OnTheRun while it runs).
  ProgramRun run_;
  QTimer* FilTimer_ = nullptr;
  QTimer* ReapTimer_ = nullptr;  // collects ended programs while any run
  std::unique_ptr<WindowForms> ownForms_;

  QWidget* KnappPanel_ = nullptr;
  QListWidget* HurtigListe_ = nullptr;
  bool quickListWanted_ = false;  // shown by the user or by its entries; FitQuickList decides
  QListWidget* NrListe_ = nullptr;
  TPaintBox* PaintBox1_ = nullptr;
  QWidget* SkrollPanel_ = nullptr;
  QScrollBar* ScrollBar1_ = nullptr;
  QWidget* MerkPanel_ = nullptr;
  QListWidget* Merkeliste_ = nullptr;
  QHBoxLayout* MerkKnapper_ = nullptr;  // the marks bar's row of buttons
  QLabel* StatusPanels_[3] = {nullptr, nullptr, nullptr};
  QLabel* ReadOnlyLabel_ = nullptr;  // permanent in the status bar; shows while read-only
  QMenu* PopupMenu_ = nullptr;
};

}  // namespace qn
