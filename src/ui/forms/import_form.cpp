#include "ui/forms/import_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "exchange/sequential_import.h"  // the progress window's caption, shared by the imports
#include "store/database.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/wait_cursor.h"

namespace qn {

TImportForm::TImportForm(tDataImageArk& db, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), DataArk_(db), dialogs_(dialogs) {
  setObjectName("ImportForm");
  setWindowTitle(FromUtf8(kImportFormCaption));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QGridLayout;
  top->addWidget(new QLabel("Filnavn", this), 0, 0);
  FileName_ = new QLineEdit(this);
  FileName_->setObjectName("Filnavn");
  top->addWidget(FileName_, 0, 1, 1, 3);
  auto* browse = new QPushButton("Bla gjennom ....", this);
  browse->setObjectName("BlaButton");
  top->addWidget(browse, 0, 4);
  top->addWidget(new QLabel("Linjer", this), 1, 0);
  Lines_ = new QLineEdit(this);
  Lines_->setObjectName("Linjer");
  Lines_->setReadOnly(true);
  top->addWidget(Lines_, 1, 1);
  top->addWidget(new QLabel("Objekter", this), 1, 2);
  Objects_ = new QLineEdit(this);
  Objects_->setObjectName("Objekter");
  Objects_->setReadOnly(true);
  top->addWidget(Objects_, 1, 3);
  layout->addLayout(top);
  List_ = new QListWidget(this);
  List_->setObjectName("ListBox1");
  layout->addWidget(List_, 1);
  auto* bottom = new QHBoxLayout;
  AskName_ = new QCheckBox(FromUtf8("Spør etter navn"), this);
  AskName_->setObjectName("SporNavn");
  bottom->addWidget(AskName_);
  // What the last import made, or left out.
  Result_ = new QLabel(this);
  Result_->setObjectName("Resultat");
  Result_->setWordWrap(true);
  bottom->addWidget(Result_, 1);
  auto* all = new QPushButton("&Importer alle", this);
  all->setObjectName("ImporterAlle");
  bottom->addWidget(all);
  layout->addLayout(bottom);

  connect(browse, &QPushButton::clicked, this, [this] { BrowseClick(); });
  connect(FileName_, &QLineEdit::editingFinished, this, [this] { sjekkfilen(); });
  connect(List_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ImporterRecord(List_->row(item)); });
  connect(all, &QPushButton::clicked, this, [this] { ImportAllClick(); });
  resize(640, 480);
}

void TImportForm::showEvent(QShowEvent* event) {
  FileName_->clear();
  Result_->clear();
  Lines_->setText("0");
  Objects_->setText("0");
  QDialog::showEvent(event);
}

void TImportForm::sjekkfilen() {
  List_->clear();
  Result_->clear();
  AntLinjer_ = 0;
  AntRecord_ = 0;
  source_.reset();
  const std::string path = FileName_->text().toStdString();
  if (!path.empty()) {
    {
      WaitCursor wait;
      source_ = PascalSource::ReadFile(path);
    }
    const SourceScan& scan = source_->Scan();
    if (!scan.error.empty()) dialogs_.Message(kErrorCaption, scan.error, MessageKind::kError);
    AntLinjer_ = scan.AntLinjer;
    AntRecord_ = scan.AntRecord;
    for (const std::string& line : scan.declarations) List_->addItem(FromUtf8(line));
  }
  Lines_->setText(QString::number(AntLinjer_));
  Objects_->setText(QString::number(AntRecord_));
}

void TImportForm::BrowseClick() {
  FileRequest request;
  request.title = "Velg Pascal kildekode";
  // Pascal sources are named in either case here.
  request.filter = "Pascal filer|*.PAS;*.pas;*.pp|Alle filer|*.*";
  request.defaultExtension = "PAS";
  request.mustExist = true;
  const std::optional<std::string> file = dialogs_.OpenFile(request);
  if (!file) return;
  FileName_->setText(FromUtf8(*file));
  sjekkfilen();
}

// One declaration as a template, stored in the file at once even while the window's
// command that opened the form is still running; nothing when the user cancels the name.
std::optional<ImportResult> TImportForm::ImportLine(int line) {
  const std::string declaration = List_->item(line)->text().toStdString();
  std::string name;
  if (AskName_->isChecked()) {
    name = dialogs_.Input(kImportNamePrompt, declaration);
    if (name.empty()) return std::nullopt;
  }
  ImportResult result;
  {
    std::unique_ptr<ProgressTask> progress = dialogs_.StartProgress(kImportProgressCaption, declaration);
    const ImportProgress shown = [&](int percent, std::string_view field) {
      if (!progress) return;
      progress->SetPosition(percent);
      if (!field.empty()) progress->SetText(field);
    };
    result = source_ ? ImportDeclaration(DataArk_, *source_, declaration, name, shown)
                     : ImportDeclarationFromFile(DataArk_, FileName_->text().toStdString(), declaration, name, shown);
  }
  if (result.status == ImportResult::Status::kImported && DataArk_.InChange() &&
      DataArk_.CommitChangeSoFar() != 0) {
    result.status = ImportResult::Status::kFailed;
    result.message = "Malen \"" + result.name + "\" kunne ikke lagres i databasen.";
  }
  if (result.status == ImportResult::Status::kImported) ++imported_;
  return result;
}

bool TImportForm::RefusedReadOnly() {
  if (!DataArk_.ReadOnly()) return false;
  dialogs_.Message(kErrorCaption, kReadOnlyRefusal, MessageKind::kInformation);
  return true;
}

void TImportForm::Say(const std::string& text) { Result_->setText(FromUtf8(text)); }

QString TImportForm::ResultText() const { return Result_->text(); }

bool TImportForm::ImporterRecord(int line) {
  if (line < 0 || line >= List_->count() || RefusedReadOnly()) return false;
  const std::optional<ImportResult> result = ImportLine(line);
  if (!result) return false;
  if (result->status != ImportResult::Status::kImported) {
    dialogs_.Message(kErrorCaption, result->message, MessageKind::kWarning);
    return false;
  }
  Say("1 mal importert: \"" + result->name + "\" med " + std::to_string(result->fields) + " felt.");
  return true;
}

void TImportForm::ImportAllClick() {
  if (List_->count() == 0 || RefusedReadOnly()) return;
  int made = 0;
  std::vector<std::string> taken;
  std::vector<std::string> failed;
  for (int line = 0; line < List_->count(); ++line) {
    const std::optional<ImportResult> result = ImportLine(line);
    if (!result) continue;
    if (result->status == ImportResult::Status::kImported) {
      ++made;
    } else if (result->nameTaken) {
      taken.push_back(result->name);
    } else {
      failed.push_back(result->message);
    }
  }
  std::string said = std::to_string(made) + (made == 1 ? " mal" : " maler") + " importert.";
  if (!taken.empty()) {
    said += " " + std::to_string(taken.size()) + " hoppet over, navnet er allerede i bruk:";
    for (size_t i = 0; i < taken.size(); ++i) said += (i == 0 ? " " : ", ") + taken[i];
    said += ".";
  }
  Say(said);
  if (!failed.empty()) {
    std::string text;
    for (const std::string& line : failed) text += (text.empty() ? "" : "\n") + line;
    dialogs_.Message(kErrorCaption, text, MessageKind::kWarning);
  }
}

}  // namespace qn
