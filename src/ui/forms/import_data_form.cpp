#include "ui/forms/import_data_form.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/database.h"
#include "commands/dialogs.h"
#include "ui/dialogs/qt_text.h"

namespace qn {

TImportDataForm::TImportDataForm(tDataImageArk& db, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), db_(db), dialogs_(dialogs), model_(db, db.Files()) {
  setObjectName("ImportDataForm");
  setWindowTitle(FromUtf8(kImportCaption));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;

  auto* fileRow = new QHBoxLayout;
  FileEdit_ = new QLineEdit(this);
  FileEdit_->setObjectName("KildefilEdit");
  auto* browse = new QPushButton("&Bla gjennom ....", this);
  browse->setObjectName("BlaButton");
  fileRow->addWidget(FileEdit_, 1);
  fileRow->addWidget(browse);
  auto* fileLabel = new QLabel("&Kildefil", this);
  fileLabel->setBuddy(FileEdit_);
  form->addRow(fileLabel, fileRow);

  TemplateBox_ = new QComboBox(this);
  TemplateBox_->setObjectName("MalBox");
  for (const std::string& name : model_.Templates()) TemplateBox_->addItem(FromUtf8(name));
  TemplateBox_->setCurrentIndex(-1);
  auto* templateLabel = new QLabel("&Mal som skal brukes", this);
  templateLabel->setBuddy(TemplateBox_);
  form->addRow(templateLabel, TemplateBox_);

  RecordsLabel_ = new QLabel("0", this);
  RecordsLabel_->setObjectName("AntallPosterLabel");
  LengthLabel_ = new QLabel("0", this);
  LengthLabel_->setObjectName("DataLengdLabel");
  FieldsLabel_ = new QLabel("0", this);
  FieldsLabel_->setObjectName("AntallFeltLabel");
  form->addRow("Antall poster", RecordsLabel_);
  form->addRow("Data lengd", LengthLabel_);
  form->addRow("Antall felt", FieldsLabel_);
  layout->addLayout(form);

  auto* row = new QHBoxLayout;
  ErrorPanel_ = new QLabel(FromUtf8(std::string(kImportErrorLine1) + "\n" + std::string(kImportErrorLine2)), this);
  ErrorPanel_->setObjectName("FeilPanel");
  ErrorPanel_->setAlignment(Qt::AlignCenter);
  ErrorPanel_->setAutoFillBackground(true);
  ErrorPanel_->setStyleSheet("background-color: red; color: white; font-weight: bold; padding: 4px;");
  ErrorPanel_->hide();
  ImportButton_ = new QPushButton("&Importer filen", this);
  ImportButton_->setObjectName("ImporterButton");
  row->addWidget(ErrorPanel_);
  row->addStretch();
  row->addWidget(ImportButton_);
  layout->addLayout(row);

  connect(browse, &QPushButton::clicked, this, [this] { BrowseClick(); });
  connect(ImportButton_, &QPushButton::clicked, this, [this] { ImportClick(); });
  connect(FileEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
    model_.SetFile(text.toStdString());
    ShowState();
  });
  connect(TemplateBox_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (text.isEmpty()) return;
    model_.ChooseTemplate(text.toStdString());
    ShowState();
  });
  ShowState();
  resize(520, sizeHint().height());
}

void TImportDataForm::ShowState() {
  const SequentialFileCheck& check = model_.Check();
  RecordsLabel_->setText(QString::number(check.records));
  LengthLabel_->setText(QString::number(check.dataSize));
  FieldsLabel_->setText(QString::number(check.fieldCount));
  ErrorPanel_->setVisible(model_.ErrorShown());
  ImportButton_->setEnabled(model_.CanImport());
}

void TImportDataForm::BrowseClick() {
  FileRequest request;
  request.title = std::string(kImportCaption);
  request.filter = std::string(kImportFileFilter);
  request.fileName = model_.FileName();
  request.mustExist = true;
  if (std::optional<std::string> file = dialogs_.OpenFile(request)) FileEdit_->setText(FromUtf8(*file));
}

void TImportDataForm::ImportClick() {
  if (!model_.CanImport()) return;
  {
    std::unique_ptr<ProgressTask> progress = dialogs_.StartProgress(kImportProgressCaption, kImportProgressText);
    result_ = model_.Import([&progress](int64_t done, int64_t total) {
      progress->SetPosition(total > 0 ? int(done * 100 / total) : 0);
      return !progress->Aborted();
    });
  }
  accept();
}

}  // namespace qn
