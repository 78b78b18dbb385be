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
#include "commands/command_boundary.h"
#include "ui/forms/data_form.h"
#include "ui/window/paint_box.h"
#include "ui/window/command_table.h"
#include "ui/dialogs/qt_text.h"
#include "ui/window/quill_form.h"
#include "ui/window/window_commands.h"
#include "ui/forms/def_form.h"
#include "ui/dialogs/wait_cursor.h"

namespace qn {
namespace {

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
  connect(HurtigListe_, &QListWidget::itemClicked, this, [this](QListWidgetItem* line) {
    const int row = HurtigListe_->row(line);
    Command([this, row] { HurtigListeClick(row); });
  });
  connect(HurtigListe_, &QListWidget::itemDoubleClicked, this,
          [this] { Command([this] { ScanHurtigListen(); }); });
  // The mark list: a click selects a mark, a double click goes to its record.
  connect(Merkeliste_, &QListWidget::currentRowChanged, this, [this](int row) { marks_.Select(row); });
  connect(Merkeliste_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* line) {
    const int row = Merkeliste_->row(line);
    Command([this, row] { MerkelisteDblClick(row); });
  });

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
  CommandFacts facts = FactsOf(dataark_);
  facts.undoable = undo_.CanUndo();
  facts.redoable = undo_.CanRedo();
  const bool writable = !(dataark_.IsOpen() && dataark_.ReadOnly());
  for (const CommandControls& c : controls_) {
    const bool enabled = CommandEnabled(*c.command, facts, writable);
    if (c.command->label != nullptr) {
      const QString label = FromUtf8(c.command->label(*this));
      if (c.item != nullptr) c.item->setText(label);
      if (c.context != nullptr) c.context->setText(label);
    }
    if (c.item != nullptr) c.item->setEnabled(enabled);
    if (c.context != nullptr) c.context->setEnabled(enabled);
    if (c.button != nullptr) c.button->setEnabled(ButtonEnabled(*c.command, facts, writable));
    if (c.readOnlyKey != nullptr) c.readOnlyKey->setEnabled(!writable);
  }
}

void TQuillForm::EditMenyPopup() {
  SetButton();
  for (const CommandControls& c : controls_) {
    if (c.item != nullptr && c.command->checked != nullptr) c.item->setChecked(c.command->checked(*this));
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
  FitQuickList();
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
    // The clicked row becomes current first, so the menu acts on the row it opened on.
    if (dataark_.IsOpen() && SelectRowAt(dataark_, cl_, canvas_, y)) {
      PaintBox1_->update();
      ShowOrigin();
      SetButton();
    }
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
  Egenskaper1Click(*this);
  SetButton();
}

// ---- Commands ----------------------------------------------------------------------------

void TQuillForm::ShowOrigin() {
  if (!dataark_.IsOpen()) return;
  SetStatusText(1, OriginText(dataark_.dp->Origin()).value_or(""));
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
  DefEditor editor(dataark_, host, ny, &state_.rowClipboard);
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

}  // namespace qn
