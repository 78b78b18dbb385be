#include "ui/forms/data_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"

namespace qn {

TDataForm::TDataForm(DataEditor& editor, Dialogs& dialogs, QWidget* parent, bool readOnly)
    : QDialog(parent), editor_(editor), dialogs_(dialogs), readOnly_(readOnly) {
  setObjectName("DataForm");
  setWindowTitle(FromUtf8(kDataFormCaption));
  setModal(true);
  auto* layout = new QVBoxLayout(this);

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
  DataGrid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  DataGrid_->setTabKeyNavigation(true);
  DataGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(DataGrid_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* cancel = new QPushButton("&Avbryt", this);
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
                                     : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
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

void TDataForm::reject() {
  editor_.LesData();
  QDialog::reject();
}

void TDataForm::showEvent(QShowEvent* event) {
  LesData();
  QDialog::showEvent(event);
}

bool QtDataEditor::Run(DataEditor& editor) {
  TDataForm form(editor, dialogs_, parent_, ReadOnly());
  form.setWindowState(form.windowState() | Qt::WindowMaximized);
  return form.exec() == QDialog::Accepted;
}

}  // namespace qn
