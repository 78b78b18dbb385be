// TQuillForm's view: the refresh, the scroll bar, the button and menu states, the mouse in
// the painted list, the moves and keys, and the commands that open the current record.
#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <algorithm>

#include "store/database.h"
#include "store/datapointer.h"
#include "commands/list_commands.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"
#include "ui/dialogs/command_boundary.h"
#include "ui/forms/data_form.h"
#include "ui/window/paint_box.h"
#include "ui/window/quill_form.h"
#include "ui/forms/def_form.h"
#include "ui/dialogs/wait_cursor.h"

namespace qn {
namespace {

bool Wired(const QObject* control) {
  return control != nullptr && control->property(kWiredProperty).toBool();
}

bool Edits(const QObject* control) { return control->property(kEditsProperty).toBool(); }

bool ReadOnlyDatabase(const tDataImageArk& db) { return db.IsOpen() && db.ReadOnly(); }

// The menus whose items follow the current record.
constexpr const char* kRecordMenus[] = {"Fil1", "Rediger1", "Let1", "Ny2", "Merk1", "Tilknytning1"};

// The keys of the scroll bar: the four that scroll, without modifiers.
bool IsScrollKey(const QKeyEvent& key) {
  const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
  if (modifiers != Qt::NoModifier) return false;
  switch (key.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return false;
  }
}

}  // namespace

void TQuillForm::WireView() {
  const std::pair<const char*, Move> moves[] = {
      {"SpeedButton3", Move::kFirstData}, {"TopButton", Move::kFirst},
      {"nButton", Move::kDown},           {"oButton", Move::kUp},
      {"BottomButton", Move::kLast},      {"vButton", Move::kLeft},
      {"hButton", Move::kRight},          {"iButton", Move::kInward},
      {"uButton", Move::kOutward},
  };
  for (const auto& [name, move] : moves) {
    const Move m = move;
    ConnectCommand(findChild<QAbstractButton*>(name), [this, m] { Go(m); });
  }

  // The keys with exactly these modifiers (none); the window sees them before any widget.
  const std::pair<Qt::Key, Move> keys[] = {{Qt::Key_Left, Move::kLeft},
                                           {Qt::Key_Right, Move::kRight},
                                           {Qt::Key_Return, Move::kEnter},
                                           {Qt::Key_Enter, Move::kEnter}};
  for (const auto& [key, move] : keys) {
    auto* shortcut = new QShortcut(QKeySequence(key), this);
    const Move m = move;
    connect(shortcut, &QShortcut::activated, this, [this, m] { Command([this, m] { Go(m); }); });
  }
  // With Ctrl the list keys move the current record; without it they stay the scroll
  // bar's.
  const std::pair<QKeyCombination, ListStep> steps[] = {
      {Qt::CTRL | Qt::Key_Up, ListStep::kUp},           {Qt::CTRL | Qt::Key_Down, ListStep::kDown},
      {Qt::CTRL | Qt::Key_Home, ListStep::kFirst},      {Qt::CTRL | Qt::Key_End, ListStep::kLast},
      {Qt::CTRL | Qt::Key_PageUp, ListStep::kPageUp},   {Qt::CTRL | Qt::Key_PageDown, ListStep::kPageDown},
  };
  for (const auto& [key, step] : steps) {
    auto* shortcut = new QShortcut(QKeySequence(key), this);
    const ListStep s = step;
    connect(shortcut, &QShortcut::activated, this, [this, s] { Command([this, s] { Step(s); }); });
  }

  ConnectCommand(MenuItem("Egenskaper1"), [this] { Egenskaper1Click(); });
  ConnectCommand(MenuItem("pne2"), [this] { Egenskaper1Click(); });
  constexpr bool edits = true;
  ConnectCommand(MenuItem("Tilknyttmal1"), [this] { Tilknyttmal1Click(); }, edits);
  ConnectCommand(MenuItem("Data1"), [this] { Data1Click(); }, edits);
  ConnectCommand(findChild<QAbstractButton*>("SpeedButton1"), [this] { Data1Click(); }, edits);

  for (const char* name : kRecordMenus) {
    if (auto* menu = findChild<QMenu*>(name)) {
      connect(menu, &QMenu::aboutToShow, this, [this] { EditMenyPopup(); });
    }
  }

  connect(ScrollBar1_, &QScrollBar::valueChanged, this,
          [this](int position) { Command([this, position] { ScrollBar1Change(position); }); });
  ScrollBar1_->installEventFilter(this);
  PaintBox1_->installEventFilter(this);

  connect(PaintBox1_, &TPaintBox::MouseDown, this, [this](Qt::MouseButton button, QPoint pos) {
    Command([this, button, pos] { PaintBox1MouseDown(button, pos.x(), pos.y()); });
  });
  connect(PaintBox1_, &TPaintBox::DoubleClick, this,
          [this](QPoint) { Command([this] { PaintBox1DblClick(); }); });
  connect(PaintBox1_, &TPaintBox::Resized, this, [this] {
    if (commandDepth_ > 0) {
      remeasurePending_ = true;
      return;
    }
    Command([this] {
      FormPaint();
      fixscrollbar();
    });
  });
  SetButton();
}

// ---- Refresh -----------------------------------------------------------------------------

void TQuillForm::vis(int /*VisMetode*/) {
  // The view shows what the file holds: a write the database refused (read-only) or that
  // failed and was rolled back may still sit in the cursor's image.
  // Another program's change (a read-only window beside a tool) is read anew.
  if (dataark_.IsOpen()) {
    dataark_.Revalidate();
    dataark_.dp->Load(dataark_.dp->CurrentPosition());
  }
  {
    WaitCursor wait;
    canvas_.SetClipRect(PaintBox1_->rect());
    BuildListView(dataark_, cl_, canvas_, &place_);
    PaintListView(dataark_, cl_, canvas_, &place_);
    PaintBox1_->update();
    fixscrollbar();
  }
  SetButton();
}

void TQuillForm::fixscrollbar() {
  // The bar's height follows its panel through the layout.
  const QSignalBlocker quiet(ScrollBar1_);
  const int over = cl_.Count - cl_.RowCount;
  ScrollBar1_->setEnabled(over > 0);
  ScrollBar1_->setRange(0, over > 0 ? over : 0);
  ScrollBar1_->setPageStep(cl_.RowCount);
  ScrollBar1_->setValue(cl_.TopIndex);
}

void TQuillForm::SetButton() {
  // The editing controls first: disabled while read-only, enabled otherwise unless the
  // current record's states below say no.
  const bool writable = !ReadOnlyDatabase(dataark_);
  for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
    if (Wired(button) && Edits(button)) button->setEnabled(writable);
  }
  for (QAction* item : findChildren<QAction*>()) {
    if (Wired(item) && Edits(item)) item->setEnabled(writable);
  }
  for (const ControlState& state : ButtonStates(dataark_)) {
    auto* button = findChild<QAbstractButton*>(state.name);
    if (Wired(button)) button->setEnabled(state.enabled && (writable || !Edits(button)));
  }
  // The keys of the menu items work only while their items are enabled, so the items
  // follow the current record here too, not only when a menu opens.
  ApplyMenuStates(MenuStates(dataark_));
  ApplyMenuStates(BlockMenuStates(dataark_));
}

void TQuillForm::ApplyMenuStates(const std::vector<ControlState>& states) {
  for (const ControlState& state : states) {
    QAction* item = MenuItem(state.name);
    if (Wired(item)) {
      item->setEnabled(state.enabled && (!ReadOnlyDatabase(dataark_) || !Edits(item)));
    }
  }
}

void TQuillForm::EditMenyPopup() {
  ApplyMenuStates(MenuStates(dataark_));
  for (const ControlState& state : MenuChecks(dataark_)) {
    if (QAction* item = MenuItem(state.name)) item->setChecked(state.enabled);
  }
}

void TQuillForm::PaintBox1Paint() {
  PaintListView(dataark_, cl_, canvas_, &place_);
  PaintBox1_->update();
  fixscrollbar();
}

void TQuillForm::FormPaint() {
  canvas_.SetClipRect(PaintBox1_->rect());
  BuildListView(dataark_, cl_, canvas_, &place_);
  PaintListView(dataark_, cl_, canvas_, &place_);
  PaintBox1_->update();
}

void TQuillForm::ScrollBar1Change(int position) {
  cl_.TopIndex = position;
  PaintBox1Paint();
}

void TQuillForm::FormResize() {
  ScrollBar1_->resize(ScrollBar1_->width(), SkrollPanel_->height());
}

void TQuillForm::FormShow() { vis(0); }

void TQuillForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  Command([this] { FormShow(); });
}

void TQuillForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

bool TQuillForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ScrollBar1_ && event->type() == QEvent::KeyPress) {
    // Every other key is the window's; the bar scrolls by the four it is given.
    return !IsScrollKey(*static_cast<QKeyEvent*>(event));
  }
  if (watched == PaintBox1_ && event->type() == QEvent::Wheel) {
    // The wheel scrolls the view as the bar does, and only while the bar can scroll.
    if (ScrollBar1_->isEnabled()) QCoreApplication::sendEvent(ScrollBar1_, event);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- Mouse -------------------------------------------------------------------------------

void TQuillForm::PaintBox1MouseDown(Qt::MouseButton button, int x, int y) {
  if (button == Qt::RightButton) {
    const ScreenPoint at = ContextMenuPoint(
        frameGeometry().left(), frameGeometry().top(), x, y,
        HurtigListe_->isVisible() ? HurtigListe_->width() : 0,
        KnappPanel_->isVisible() ? KnappPanel_->height() : 0);
    PopupMenu_->popup(QPoint(at.x, at.y));
    return;
  }
  if (button != Qt::LeftButton || !dataark_.IsOpen()) return;
  const int result = ListViewClick(dataark_, x, y, cl_, canvas_,
                                   [this] { return FollowGlobalPointer(false); }, &place_);
  PaintBox1_->update();
  if (result == 1) fixscrollbar();
  if (const auto text = OriginText(dataark_.dp->Origin())) SetStatusText(1, *text);
  if (ScrollBar1_->isEnabled()) ScrollBar1_->setFocus();
  SetButton();
}

void TQuillForm::PaintBox1DblClick() {
  Egenskaper1Click();
  SetButton();
}

// ---- Commands ----------------------------------------------------------------------------

void TQuillForm::Go(Move move) {
  const bool moved = MoveCursor(dataark_, move);
  if (moved && dataark_.dp->FollowPending()) FollowGlobalPointer(true);
  // Enter does nothing on a record without a sub-list; every other move refreshes also
  // when it had no pointer to follow.
  if (move != Move::kEnter || moved) vis(0);
  if (moved) {
    ShowOrigin();
  } else if (const std::string_view why = NoMoveText(move); !why.empty()) {
    SetStatusText(1, why);
  }
}

void TQuillForm::Step(ListStep step) {
  if (!dataark_.IsOpen()) return;
  const ListStepResult result = StepInList(dataark_, step, std::max(cl_.RowCount, 1));
  vis(0);
  if (result.passed > 0) {
    ShowOrigin();
  } else {
    SetStatusText(1, result.message);
  }
}

void TQuillForm::ShowOrigin() {
  if (!dataark_.IsOpen()) return;
  SetStatusText(1, OriginText(dataark_.dp->Origin()).value_or(""));
}

void TQuillForm::Egenskaper1Click() {
  if (!dataark_.IsOpen()) return;
  Datapointer& dp = *dataark_.dp;
  const int32_t kind = dp.Kind();
  const bool data = (kind & ~kKindNamed) == kKindData || (kind & ~kKindNamed) == kKindDataWithTemplate;
  switch (OpenActionFor(kind, data && dp.TemplatePos() > 0 && TemplateHasProgram(dataark_))) {
    case OpenAction::kRename: {
      // "Å&pne" also shows records of other kinds, so only this case is an edit.
      if (RefusedReadOnly()) break;
      // An empty answer (or cancel) keeps the name.
      const std::string answer = dialogs().Prompt(kRenamePrompt, ReadName(dataark_));
      if (RenameRecord(dataark_, answer)) vis(0);
      break;
    }
    case OpenAction::kStartProgram:
      RunProgram();
      break;
    case OpenAction::kProgramDialog:
      EditProgram();
      break;
    case OpenAction::kDataEditor:
      if (EditData()) vis(0);
      break;
    case OpenAction::kTemplateEditor:
      EditTemplate(false);
      vis(0);
      break;
    case OpenAction::kProperties:
      Endrenavn1Click();
      break;
    case OpenAction::kNoteEditor:
      if (EditNote()) vis(0);
      break;
    case OpenAction::kBookmarkExplorer:
      Indexutforsker1Click();
      break;
    case OpenAction::kOpenDocument:
      pnedokument1Click();
      break;
    case OpenAction::kGlobalPointer:
      OpenGlobalPointer();
      break;
    default:
      // The windows of the other kinds are not part of the program yet.
      SetStatusText(1, kNoWindowYetText);
      break;
  }
}

DataEditorRunner& TQuillForm::dataEditor() {
  if (dataEditor_ != nullptr) return *dataEditor_;
  if (!ownDataEditor_) ownDataEditor_ = std::make_unique<QtDataEditor>(this, dialogs());
  return *ownDataEditor_;
}

WindowForms& TQuillForm::forms() {
  if (forms_ != nullptr) return *forms_;
  if (!ownForms_) ownForms_ = std::make_unique<QtWindowForms>(this, dialogs());
  return *ownForms_;
}

bool TQuillForm::EditData() {
  if (!dataark_.IsOpen()) return false;
  // On a read-only database the editor only shows the record.
  dataEditor().SetReadOnly(dataark_.ReadOnly());
  return ::qn::EditData(dataark_, [this](DataEditor& editor) { return dataEditor().Run(editor); });
}

bool TQuillForm::EditTemplate(bool ny) {
  if (!dataark_.IsOpen()) return false;
  DialogsDefHost host(dialogs(), dataark_);
  DefEditor editor(dataark_, host, ny);
  if (ny) {
    editor.ClearAll();
    editor.SetNameBox("");
  } else {
    editor.SetNameBox(ReadName(dataark_));
  }
  editor.ScanTemplates();
  if (!ny) editor.Open();
  return forms().EditTemplate(editor);
}

void TQuillForm::Data1Click() {
  if (!dataark_.IsOpen()) return;
  const NewDataOutcome outcome = newData_.Run(
      dataark_,
      [this](const NewDataQuestion& question) {
        const NewDataChoice choice = dialogs().ChooseNewData(question.templates);
        return NewDataAnswer{choice.ok, choice.name, choice.direction, choice.updateFromMarked};
      },
      [this](tDataImageArk&) { return EditData(); });
  switch (outcome.status) {
    case NewDataOutcome::Status::kTemplateNotLoaded:
      dialogs().Message(kErrorCaption, "Finner ikke malen \"" + outcome.name + "\".",
                        MessageKind::kWarning);
      break;
    case NewDataOutcome::Status::kNotCreated:
      dialogs().Message(kErrorCaption, "Dataposten kunne ikke lages.", MessageKind::kError);
      break;
    default:
      break;
  }
  if (!outcome.name.empty()) vis(0);
}

void TQuillForm::Tilknyttmal1Click() {
  if (GiveTemplate(dataark_, dialogs())) vis(0);
}

}  // namespace qn
