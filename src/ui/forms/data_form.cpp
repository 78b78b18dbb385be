#include "ui/forms/data_form.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "templates/field_text.h"
#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {
namespace {

// A value cell's mark that its field is a PASSWORD: shown masked, typed into masked.
constexpr int kPasswordRole = Qt::UserRole + 1;

// Tab, Shift+Tab (Backtab) and Enter, without Ctrl or Alt: the keys that move between
// the value cells.
bool IsHopKey(int key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) return false;
  return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return ||
         key == Qt::Key_Enter;
}

// The value cells' editor hands those keys to the form, which keeps the typed text and
// moves on to the next value cell.
class ValueCellDelegate : public QStyledItemDelegate {
 public:
  ValueCellDelegate(TDataForm* form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}

  // A PASSWORD's editor is masked too; the eye at its end shows the text while the field
  // has the focus, and the editor closes masked again.
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line == nullptr || !index.data(kPasswordRole).toBool()) return editor;
    line->setEchoMode(QLineEdit::Password);
    QAction* show = line->addAction(line->style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                    QLineEdit::TrailingPosition);
    show->setObjectName("VisPassord");
    show->setCheckable(true);
    show->setToolTip("Vis passordet");
    QObject::connect(show, &QAction::toggled, line, [line](bool shown) {
      line->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    return editor;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(kPasswordRole).toBool() && !option->text.isEmpty())
      option->text = FromUtf8(kPasswordMask);
  }

  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor != nullptr && event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (IsHopKey(key->key(), key->modifiers())) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        form_->HopKey(key->key(), key->modifiers());
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  TDataForm* form_;
};

}  // namespace

TDataForm::TDataForm(DataEditor& editor, Dialogs& dialogs, QWidget* parent, bool readOnly)
    : QDialog(parent), editor_(editor), dialogs_(dialogs), readOnly_(readOnly) {
  setObjectName("DataForm");
  setWindowTitle(FromUtf8(kDataFormCaption));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  if (readOnly_) {
    auto* note = new QLabel(FromUtf8(kDataFormReadOnlyNote), this);
    note->setObjectName("SkrivebeskyttetMerknad");
    note->setWordWrap(true);
    layout->addWidget(note);
  }

  DataGrid_ = new QTableWidget(0, 2, this);
  DataGrid_->setObjectName("DataGrid");
  DataGrid_->setHorizontalHeaderLabels(
      {FromUtf8(kFieldNameHeading), FromUtf8(kFieldValueHeading)});
  DataGrid_->setColumnWidth(0, kNameColumnWidth);
  DataGrid_->setColumnWidth(1, kValueColumnWidth);
  DataGrid_->verticalHeader()->hide();
  DataGrid_->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
  DataGrid_->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
  DataGrid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
  DataGrid_->horizontalHeader()->setStretchLastSection(true);
  // A read-only database's record is shown, never typed into.
  DataGrid_->setEditTriggers(readOnly_ ? QAbstractItemView::NoEditTriggers
                                       : QAbstractItemView::AllEditTriggers);
  DataGrid_->setTabKeyNavigation(true);
  DataGrid_->setItemDelegateForColumn(1, new ValueCellDelegate(this, DataGrid_));
  DataGrid_->installEventFilter(this);
  DataGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(DataGrid_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* cancel = new QPushButton(readOnly_ ? "&Lukk" : "&Avbryt", this);
  cancel->setObjectName("AvbrytButton");
  auto* save = new QPushButton("&Lagre", this);
  save->setObjectName(kSaveButtonName);
  save->setDefault(true);
  save->setEnabled(!readOnly_);
  buttons->addWidget(cancel);
  buttons->addWidget(save);
  layout->addLayout(buttons);
  connect(save, &QPushButton::clicked, this, [this] { LagreClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  resize(kNameColumnWidth + kValueColumnWidth + 40, 400);
}

void TDataForm::LesData() {
  editor_.LesData();
  const int rows = editor_.RowCount() > 0 ? int(editor_.RowCount()) - 1 : 0;
  DataGrid_->clearContents();
  DataGrid_->setRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    const std::string& name = editor_.Name(size_t(r) + 1);
    auto* nameCell = new QTableWidgetItem(FromUtf8(name));
    // The name column is fixed: shown like a heading, never edited.
    nameCell->setFlags(Qt::ItemIsEnabled);
    nameCell->setBackground(palette().button());
    DataGrid_->setItem(r, 0, nameCell);
    auto* valueCell = new QTableWidgetItem(FromUtf8(editor_.Value(size_t(r) + 1)));
    // Rows past the fields (the grid counts the template's inherited rows too) hold nothing.
    valueCell->setFlags(name.empty() ? Qt::ItemIsEnabled
                        : readOnly_  ? Qt::ItemIsEnabled | Qt::ItemIsSelectable
                                     : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    valueCell->setData(kPasswordRole, editor_.IsPassword(size_t(r) + 1));
    DataGrid_->setItem(r, 1, valueCell);
    DataGrid_->setRowHeight(r, kGridRowHeight);
  }
  if (rows > 0) DataGrid_->setCurrentCell(0, 1);
}

void TDataForm::LagreClick() {
  // A cell still being typed in gives up its text first.
  DataGrid_->setFocus();
  for (int r = 0; r < DataGrid_->rowCount(); ++r) {
    const QTableWidgetItem* cell = DataGrid_->item(r, 1);
    if (cell == nullptr || editor_.Name(size_t(r) + 1).empty()) continue;
    const std::string text = cell->text().toStdString();
    if (text != editor_.Value(size_t(r) + 1)) editor_.SetValue(size_t(r) + 1, text);
  }
  if (SaveAndReport(editor_, dialogs_, readOnly_)) accept();
}

bool TDataForm::HopKey(int key, Qt::KeyboardModifiers modifiers) {
  if (!IsHopKey(key, modifiers)) return false;
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  const bool back = key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier);
  const DataEditor::Hop hop = enter  ? DataEditor::Hop::kBelow
                              : back ? DataEditor::Hop::kPrevious
                                     : DataEditor::Hop::kNext;
  const size_t row = DataGrid_->currentRow() >= 0 ? size_t(DataGrid_->currentRow()) + 1 : 0;
  const std::optional<size_t> next = editor_.HopFrom(row, hop);
  if (!next) return true;  // the cell keeps the focus: Enter on the last value only confirms
  DataGrid_->setCurrentCell(int(*next) - 1, 1);
  // Moving the current cell opens its editor already, as any edit trigger would.
  if (DataGrid_->indexWidget(DataGrid_->currentIndex()) == nullptr)
    DataGrid_->editItem(DataGrid_->currentItem());
  return true;
}

bool TDataForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DataGrid_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    // Enter on a cell not being edited is left to the dialog: it presses "&Lagre".
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter && HopKey(key->key(), key->modifiers())) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TDataForm::reject() {
  editor_.LesData();
  QDialog::reject();
}

void TDataForm::showEvent(QShowEvent* event) {
  LesData();
  QDialog::showEvent(event);
}

QSize TDataForm::ContentSize() const {
  const QMargins margins = layout()->contentsMargins();
  int height = margins.top() + margins.bottom() + 2 * DataGrid_->frameWidth() +
               DataGrid_->horizontalHeader()->sizeHint().height() +
               DataGrid_->rowCount() * kGridRowHeight;
  // The rows below the grid: the buttons, and the read-only note above it.
  for (int i = 0; i < layout()->count(); ++i) {
    const QLayoutItem* item = layout()->itemAt(i);
    if (item->widget() != DataGrid_) height += item->sizeHint().height() + layout()->spacing();
  }
  return {margins.left() + margins.right() + 2 * DataGrid_->frameWidth() + kNameColumnWidth +
              kValueColumnWidth,
          std::max(height, 160)};
}

bool QtDataEditor::Run(DataEditor& editor) {
  TDataForm form(editor, dialogs_, parent_, ReadOnly());
  // A few fields make a small window; many fill the screen's height and scroll.
  form.LesData();
  SizeToContent(form, form.ContentSize());
  return ExecOverParent(form) == QDialog::Accepted;
}

}  // namespace qn
