#include "ui/dialogs/ny_doc_form.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

TNyDocForm::TNyDocForm(QWidget* parent) : QDialog(parent) {
  setObjectName("NyDocForm");
  setWindowTitle("Ny dokument tilknytning");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Filnavn:", this), 0, 0);
  DocEdit_ = new QLineEdit(this);
  DocEdit_->setObjectName("DocEdit");
  DocEdit_->setMinimumWidth(360);
  grid->addWidget(DocEdit_, 0, 1);
  auto* browse = new QPushButton("...", this);
  browse->setObjectName("BrowseButton");
  browse->setAutoDefault(false);
  grid->addWidget(browse, 0, 2);
  bruktekst_ = new QCheckBox("Bruk tekstlinje som visning i listen. ", this);
  bruktekst_->setObjectName("bruktekst");
  grid->addWidget(bruktekst_, 1, 0, 1, 3);
  eHeader_ = new QLineEdit(this);
  eHeader_->setObjectName("eHeader");
  eHeader_->setMaxLength(255);
  eHeader_->setEnabled(false);
  grid->addWidget(eHeader_, 2, 1, 1, 2);
  layout->addLayout(grid);
  AddDirectionButtons(this, layout,
                      {{"Ny til &høyre", "DirRight", DirRight}, {"Ny &under", "DirDown", DirDown}},
                      direction_, true);
  connect(bruktekst_, &QCheckBox::toggled, eHeader_, &QLineEdit::setEnabled);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString file = QFileDialog::getOpenFileName(this, QString(), DocEdit_->text(), QString(),
                                                      nullptr, QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty()) DocEdit_->setText(file);
  });
}

NewDocumentChoice TNyDocForm::Ask() {
  direction_ = DirNull;
  DocEdit_->setFocus();
  if (ExecOverParent(*this) != QDialog::Accepted || direction_ == DirNull) return {};
  return {DocEdit_->text().toStdString(), bruktekst_->isChecked(), eHeader_->text().toStdString(),
          direction_};
}

}  // namespace qn
