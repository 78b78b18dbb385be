#include "ui/dialogs/def_velg_form.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "env/text_codec.h"
#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

TDefVelgForm::TDefVelgForm(QWidget* parent) : QDialog(parent) {
  setObjectName("DefVelgForm");
  setWindowTitle("Maler");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel("Velg en mal:", this);
  label->setObjectName("Label1");
  layout->addWidget(label);
  ListBox1_ = new QListWidget(this);
  ListBox1_->setObjectName("ListBox1");
  label->setBuddy(ListBox1_);
  layout->addWidget(ListBox1_);
  AddOkCancelButtons(this, layout);
  connect(ListBox1_, &QListWidget::currentTextChanged, this,
          [this](const QString& text) { MalString_ = text.toStdString(); });
  connect(ListBox1_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    MalString_ = item->text().toStdString();
    accept();
  });
  resize(300, 360);
}

void TDefVelgForm::Prepare(const std::vector<std::string>& names) {
  std::vector<std::string> sorted = names;
  std::stable_sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  });
  ListBox1_->blockSignals(true);
  ListBox1_->clear();
  for (const std::string& name : sorted) ListBox1_->addItem(FromUtf8(name));
  ListBox1_->setCurrentRow(-1);
  ListBox1_->blockSignals(false);
  MalString_.clear();
  ListBox1_->setFocus();
}

std::string TDefVelgForm::Ask(const std::vector<std::string>& names) {
  Prepare(names);
  if (ExecOverParent(*this) != QDialog::Accepted) return {};
  return MalString_;
}

}  // namespace qn
