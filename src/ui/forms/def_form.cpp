#include "ui/forms/def_form.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "content/display_name.h"
#include "exchange/pascal_views.h"
#include "store/database.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/qt_text.h"

namespace qn {
namespace {

std::string ToUtf8(const QString& text) { return text.toStdString(); }

// The in-place editor of a cell: every keystroke goes to the form, and so does the text
// it gives up.
class DefCellDelegate : public QStyledItemDelegate {
 public:
  DefCellDelegate(TDefForm* form) : QStyledItemDelegate(form), form_(form) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName("CellEditor");
    const int row = index.row() + 1;
    const int column = index.column();
    TDefForm* form = form_;
    QObject::connect(edit, &QLineEdit::textEdited, form,
                     [form, row, column](const QString& text) { form->CellTyped(row, column, text); });
    return edit;
  }
  void setModelData(QWidget* widget, QAbstractItemModel*, const QModelIndex& index) const override {
    form_->CellCommitted(index.row() + 1, index.column(), static_cast<QLineEdit*>(widget)->text());
  }

 private:
  TDefForm* form_;
};

}  // namespace

// ---- DialogsDefHost -------------------------------------------------------------------------

std::string DialogsDefHost::Input(std::string_view prompt, std::string_view proposed) {
  return dialogs_.Input(prompt, proposed);
}
bool DialogsDefHost::YesNo(std::string_view question, bool defaultYes) {
  return dialogs_.YesNo(question, defaultYes);
}
void DialogsDefHost::Message(std::string_view text) {
  dialogs_.Message(kErrorCaption, text, MessageKind::kWarning);
}
std::string DialogsDefHost::ChooseTemplate(const std::vector<std::string>& names) {
  return dialogs_.ChooseTemplate(names);
}
std::string DialogsDefHost::CurrentDisplayName() { return DisplayName(db_); }

// ---- TDeclarationForm -----------------------------------------------------------------------

TDeclarationForm::TDeclarationForm(QWidget* parent) : QDialog(parent) {
  setObjectName("DeclarationForm");
  setWindowTitle(FromUtf8(kDeclarationCaption));
  auto* layout = new QVBoxLayout(this);
  Memo_ = new QPlainTextEdit(this);
  Memo_->setObjectName("Memo1");
  Memo_->setReadOnly(true);
  Memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(Memo_);
  resize(560, 420);
}

void TDeclarationForm::ShowLines(const std::vector<std::string>& lines) {
  Memo_->clear();
  for (const std::string& line : lines) Memo_->appendPlainText(FromUtf8(line));
  show();
  raise();
}

QString TDeclarationForm::Text() const { return Memo_->toPlainText(); }

// ---- TDefForm -------------------------------------------------------------------------------

TDefForm::TDefForm(DefEditor& editor, QWidget* parent) : QDialog(parent), editor_(editor) {
  setObjectName("DefForm");
  setWindowTitle(FromUtf8(kDefFormCaption));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QMenuBar(this);
  layout->setMenuBar(bar);

  NameBox_ = new QComboBox(this);
  NameBox_->setObjectName("NavnBoks");
  NameBox_->setEditable(true);
  NameBox_->setInsertPolicy(QComboBox::NoInsert);
  NameBox_->setMinimumWidth(320);
  NameBox_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  layout->addWidget(NameBox_, 0, Qt::AlignLeft);

  Grid_ = new QTableWidget(kDefGridRows - 1, kDefColumns, this);
  Grid_->setObjectName("StringGrid1");
  QStringList headings;
  for (int c = 0; c < kDefColumns; ++c) headings << FromUtf8(DefHeading(c));
  Grid_->setHorizontalHeaderLabels(headings);
  Grid_->verticalHeader()->hide();
  Grid_->verticalHeader()->setDefaultSectionSize(21);
  Grid_->setColumnWidth(kColNr, 70);
  Grid_->setColumnWidth(kColNavn, 220);
  Grid_->setColumnWidth(kColType, 130);
  Grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::SelectedClicked);
  Grid_->setItemDelegate(new DefCellDelegate(this));
  for (int r = 0; r < Grid_->rowCount(); ++r) {
    for (int c = 0; c < kDefColumns; ++c) {
      auto* item = new QTableWidgetItem;
      if (c == kColNr) {
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().button());
      }
      Grid_->setItem(r, c, item);
    }
  }
  layout->addWidget(Grid_, 1);

  TypeListe_ = new QListWidget(this);
  TypeListe_->setObjectName("TypeListe");
  for (const std::string& line : TypeListLines()) TypeListe_->addItem(FromUtf8(line));
  TypeListe_->hide();
  TypeListe_->installEventFilter(this);

  BuildMenus(bar);
  connect(Grid_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int column) { GridDblClick(row + 1, column); });
  connect(Grid_, &QTableWidget::cellClicked, this, [this](int, int) { TypeListe_->hide(); });
  connect(TypeListe_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { TypeListClick(TypeListe_->row(item)); });
  connect(NameBox_, &QComboBox::activated, this, [this](int index) {
    const std::string name = ToUtf8(NameBox_->itemText(index));
    Run([this, name] { editor_.Choose(name); });
  });
  connect(NameBox_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (!showing_) editor_.SetNameBox(ToUtf8(text));
  });
  resize(900, 600);
  ShowGrid();
}

void TDefForm::BuildMenus(QMenuBar* bar) {
  struct Item {
    const char* menu;
    const char* name;
    const char* caption;
    std::function<void()> command;
  };
  const auto row = [this] { return CurrentRow(); };
  const Item items[] = {
      {"&Fil", "Avslutt1", "&Avslutt", [this] { close(); }},
      {"&Rediger", "Klipput1", "Klipp ut", [this, row] { Run([this, row] { editor_.CutRow(row()); }); }},
      {"&Rediger", "Kopier1", "Kopier", [this, row] { editor_.CopyRow(row()); }},
      {"&Rediger", "Liminn1", "Lim inn", [this, row] { Run([this, row] { editor_.PasteRow(row()); }); }},
      {"&Rediger", "Slettalledata1", "&Slett alle data", [this] { Run([this] { editor_.ClearAll(); }); }},
      {"&Rediger", "Byttmedlinjeunder1", "Bytt med linje under",
       [this, row] { Run([this, row] { editor_.SwapWithNext(row()); }); }},
      {"&Rediger", "Liminnoriginal1", "Lim inn original",
       [this, row] { Run([this, row] { editor_.PasteOriginal(row()); }); }},
      {"&Definisjon", "Lagre1", "&Lagre", [this] { Run([this] { editor_.Save(); }); }},
      {"&Definisjon", "Lagresom1", "&Lagre som ....", [this] { Run([this] { editor_.SaveAs(); }); }},
      {"&Definisjon", "pnevalgtdefinisjon1", "Å&pne valgt definisjon",
       [this] { Run([this] { editor_.Open(); }); }},
      {"&Definisjon", "Nypekerpvalgtdefinisjon1", "Ny peker på valgt definisjon",
       [this] { Run([this] { editor_.NewPointer(); }); }},
      {"&Object", "NyRECORDavOBJECT1", "Ny RECORD av OBJECT", [this] { Run([this] { editor_.RecordOfObject(); }); }},
      {"&Object", "Kontrollerdatalengdparv1", "Kontroller datalengd på arv",
       [this] { Run([this] { editor_.CheckInheritedLength(); }); }},
      {"&Vis", "Vissomobjekt1", "Vis som objekt (pascal)",
       [this] { Declarations().ShowLines(ObjectDeclaration(editor_)); }},
      {"&Vis", "Vissomrecord1", "Vis som record",
       [this] {
         const tLoadedTemplate* t = editor_.Loaded();
         Declarations().ShowLines(
             RecordDeclaration(editor_.NameBox(), t != nullptr ? t->Fields : std::vector<TemplateField>{}));
       }},
      {"&Vis", "Settoffset1", "Sett offset i kolonne 1", [this] { Run([this] { editor_.SetOffsets(); }); }},
  };
  QMenu* menu = nullptr;
  QString menuCaption;
  for (const Item& item : items) {
    if (menu == nullptr || menuCaption != FromUtf8(item.menu)) {
      menuCaption = FromUtf8(item.menu);
      menu = bar->addMenu(menuCaption);
    }
    QAction* action = menu->addAction(FromUtf8(item.caption));
    action->setObjectName(item.name);
    const std::function<void()> command = item.command;
    connect(action, &QAction::triggered, this, [command] { command(); });
  }
}

int TDefForm::CurrentRow() const { return std::max(Grid_->currentRow(), 0) + 1; }

void TDefForm::Run(const std::function<void()>& command) {
  command();
  ShowGrid();
}

void TDefForm::ShowRow(int row, int skip) {
  if (row < 1 || row >= kDefGridRows) return;
  for (int c = 0; c < kDefColumns; ++c) {
    if (c == skip) continue;
    QTableWidgetItem* item = Grid_->item(row - 1, c);
    const QString text = FromUtf8(editor_.Cell(c, row));
    if (item->text() != text) item->setText(text);
  }
}

void TDefForm::ShowNumbers() {
  for (int r = 1; r < kDefGridRows; ++r) {
    QTableWidgetItem* item = Grid_->item(r - 1, kColNr);
    const QString text = FromUtf8(editor_.Cell(kColNr, r));
    if (item->text() != text) item->setText(text);
  }
}

void TDefForm::ShowNameBox() {
  showing_ = true;
  NameBox_->clear();
  for (const std::string& name : editor_.Names()) NameBox_->addItem(FromUtf8(name));
  NameBox_->setEditText(FromUtf8(editor_.NameBox()));
  showing_ = false;
}

void TDefForm::SetMenuStates() {
  const auto enable = [this](const char* name, bool on) {
    if (auto* action = findChild<QAction*>(name)) action->setEnabled(on);
  };
  enable("Lagre1", editor_.CanSave());
  enable("pnevalgtdefinisjon1", editor_.CanSave());
  enable("Nypekerpvalgtdefinisjon1", editor_.CanMakePointer());
}

void TDefForm::ShowGrid() {
  showing_ = true;
  for (int r = 1; r < kDefGridRows; ++r) ShowRow(r);
  showing_ = false;
  ShowNameBox();
  SetMenuStates();
}

void TDefForm::CellTyped(int row, int column, const QString& text) {
  typed_ = {row, column, text};
  editor_.EditCell(column, row, ToUtf8(text));
  ShowRow(row, column);
  ShowNumbers();
}

void TDefForm::CellCommitted(int row, int column, const QString& text) {
  const std::string typed = ToUtf8(text);
  // The keystrokes reached the editor as they were typed; the same text given up again
  // (when a save's question takes the focus, or the form closes) is no new change.
  const bool alreadyTyped = typed_.row == row && typed_.column == column && typed_.text == text;
  typed_ = {};
  if (!alreadyTyped && typed != editor_.Cell(column, row)) editor_.EditCell(column, row, typed);
  Grid_->item(row - 1, column)->setText(FromUtf8(editor_.Cell(column, row)));
  ShowRow(row);
  ShowNumbers();
}

void TDefForm::GridDblClick(int row, int column) {
  const bool special = column == kColType || column == kColSkjult || column == kColNodvendig ||
                       (column == kColNavn && editor_.Cell(kColDataType, row) == "0");
  if (!special) {
    if (column != kColNr) Grid_->editItem(Grid_->item(row - 1, column));
    return;
  }
  if (editor_.DoubleClick(column, row)) {
    const QRect cell = Grid_->visualRect(Grid_->model()->index(row - 1, kColType));
    const QPoint at = Grid_->viewport()->mapTo(this, cell.bottomLeft());
    TypeListe_->setGeometry(at.x(), at.y(), 360, 260);
    TypeListe_->show();
    TypeListe_->raise();
    TypeListe_->setFocus();
    return;
  }
  ShowRow(row);
}

void TDefForm::TypeListClick(int line) {
  editor_.PickType(CurrentRow(), line);
  TypeListe_->hide();
  ShowRow(CurrentRow());
  ShowNumbers();
}

bool TDefForm::TypeListVisible() const { return TypeListe_->isVisible(); }

TDeclarationForm& TDefForm::Declarations() {
  if (declarations_ == nullptr) declarations_ = new TDeclarationForm(this);
  return *declarations_;
}

void TDefForm::showEvent(QShowEvent* event) {
  editor_.PointerCheck();
  ShowNameBox();
  SetMenuStates();
  QDialog::showEvent(event);
}

bool TDefForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == TypeListe_ && event->type() == QEvent::FocusOut) TypeListe_->hide();
  return QDialog::eventFilter(watched, event);
}

void TDefForm::done(int result) {
  if (!closing_) {
    closing_ = true;
    // A cell still being typed in gives up its text first.
    Grid_->setFocus();
    editor_.Close();
  }
  QDialog::done(result);
}

}  // namespace qn
