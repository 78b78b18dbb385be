#include "ui/dialogs/ny_data_form.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

TNyDataForm::TNyDataForm(QWidget* parent) : QDialog(parent) {
  setObjectName("NyDataForm");
  setWindowTitle("Ny data-post");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel("Velg en ny fra listen:", this);
  label->setObjectName("Label1");
  layout->addWidget(label);
  ListBox_ = new QListWidget(this);
  ListBox_->setObjectName("ListBox");
  label->setBuddy(ListBox_);
  layout->addWidget(ListBox_);
  Merk_ = new QCheckBox("oppdater data fra merket post", this);
  Merk_->setObjectName("Merk");
  layout->addWidget(Merk_);
  AddDirectionButtons(this, layout,
                      {{"Ny til &venstre", "VenstreButton", DirLeft},
                       {"Ny &under", "UnderButton", DirDown},
                       {"Ny til &høyre", "HoyreButton", DirRight}},
                      InnDirection_, false);
  connect(ListBox_, &QListWidget::itemDoubleClicked, this, [this] {
    Choose(InnDirection_ == DirNull ? DirDown : InnDirection_);
  });
  resize(360, 380);
}

void TNyDataForm::Choose(tDirection direction) {
  InnDirection_ = direction;
  accept();
}

void TNyDataForm::Prepare(const std::vector<std::string>& names) {
  ListBox_->clear();
  for (const std::string& name : names) ListBox_->addItem(FromUtf8(name));
  if (ListBox_->count() > 0) ListBox_->setCurrentRow(0);
  Merk_->setChecked(UpdateFromMarked_);
  ListBox_->setFocus();
}

NewDataChoice TNyDataForm::Finish(bool accepted) {
  UpdateFromMarked_ = Merk_->isChecked();
  NewDataChoice choice;
  choice.ok = accepted;
  if (accepted && ListBox_->currentItem() != nullptr) {
    choice.name = ListBox_->currentItem()->text().toStdString();
  }
  choice.direction = InnDirection_;
  choice.updateFromMarked = UpdateFromMarked_;
  return choice;
}

NewDataChoice TNyDataForm::Ask(const std::vector<std::string>& names) {
  Prepare(names);
  const bool accepted = ExecOverParent(*this) == QDialog::Accepted;
  return Finish(accepted);
}

}  // namespace qn
