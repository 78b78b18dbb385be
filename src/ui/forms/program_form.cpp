#include "ui/forms/program_form.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "env/folders.h"
#include "ui/dialogs/form_buttons.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

TProgramForm::TProgramForm(ProgramEditor& editor, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), editor_(editor), dialogs_(dialogs) {
  setObjectName("ProgramForm");
  setWindowTitle(FromUtf8(editor_.Caption()));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* programLabel = new QLabel(QString::fromUtf8("&Programfil som skal kjøres:"), this);
  layout->addWidget(programLabel);
  auto* programRow = new QHBoxLayout;
  ProgramEdit_ = new QLineEdit(FromUtf8(editor_.programFile), this);
  ProgramEdit_->setObjectName("ProgramEdit");
  ProgramEdit_->setMaxLength(kNameMaxText);
  ProgramEdit_->setMinimumWidth(360);
  programLabel->setBuddy(ProgramEdit_);
  auto* browse = new QPushButton("&Bla gjennom ...", this);
  browse->setObjectName("BrowseButton");
  browse->setAutoDefault(false);
  programRow->addWidget(ProgramEdit_);
  programRow->addWidget(browse);
  layout->addLayout(programRow);

  auto* grid = new QGridLayout;
  MappeLabel_ = new QLabel(this);
  MappeLabel_->setObjectName("MappeLabel");
  MappeEdit_ = new QLineEdit(FromUtf8(editor_.folder), this);
  MappeEdit_->setObjectName("MappeEdit");
  MappeEdit_->setMaxLength(kNameMaxText);
  ExtLabel_ = new QLabel("Filtype", this);
  ExtLabel_->setObjectName("ExtLabel");
  Ext_ = new QLineEdit(FromUtf8(editor_.fileType), this);
  Ext_->setObjectName("Ext");
  Ext_->setMaxLength(kProgramTypeMax);
  grid->addWidget(MappeLabel_, 0, 0);
  grid->addWidget(MappeEdit_, 0, 1);
  grid->addWidget(ExtLabel_, 1, 0);
  grid->addWidget(Ext_, 1, 1);
  layout->addLayout(grid);
  UsePDB_ = new QCheckBox("Send referanse til databasefil", this);
  UsePDB_->setObjectName("UsePDB");
  UsePDB_->setChecked(editor_.useData);
  layout->addWidget(UsePDB_);
  auto* note = new QLabel(
      "Sender filnavn og filpeker til programmet som oppdaterer databasefilen direkte.", this);
  note->setWordWrap(true);
  layout->addWidget(note);

  AddOkCancelButtons(this, layout, [this] { OkClick(); });

  connect(UsePDB_, &QCheckBox::clicked, this, [this] { UsePDBClick(); });
  connect(browse, &QPushButton::clicked, this, [this] {
    QFileDialog dialog(this, "Programfil til data", FromUtf8(veltronapath("bin")));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QStringList filters;
    for (const std::string& f : QtDialogs::FilterList("Programfiler|*.EXE;*.COM|Alle filer|*.*"))
      filters << FromUtf8(f);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix("EXE");
    if (ExecOverParent(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      ProgramEdit_->setText(dialog.selectedFiles().first());
  });
  UsePDBClick();
}

void TProgramForm::UsePDBClick() {
  editor_.useData = UsePDB_->isChecked();
  MappeEdit_->setEnabled(editor_.FolderEnabled());
  Ext_->setEnabled(editor_.FolderEnabled());
  ExtLabel_->setEnabled(editor_.FolderEnabled());
  MappeLabel_->setText(FromUtf8(editor_.FolderLabel()));
}

void TProgramForm::TakeFields() {
  editor_.programFile = ProgramEdit_->text().toStdString();
  editor_.folder = MappeEdit_->text().toStdString();
  editor_.fileType = Ext_->text().toStdString();
  editor_.useData = UsePDB_->isChecked();
}

void TProgramForm::OkClick() {
  TakeFields();
  const std::string failed = editor_.Ok();
  if (!failed.empty()) dialogs_.Message(kErrorCaption, failed, MessageKind::kError);
  QDialog::done(failed.empty() ? QDialog::Accepted : QDialog::Rejected);
}

void TProgramForm::done(int result) {
  TakeFields();
  editor_.Close();
  QDialog::done(result);
}

}  // namespace qn
