#include "ui/ok_form.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qn {

TOkForm::TOkForm(QWidget* parent) : QDialog(parent) {
  setObjectName("OkForm");
  setWindowTitle("Bekreft");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  QuestionLabel_ = new QLabel(this);
  QuestionLabel_->setObjectName("QuestionLabel");
  QuestionLabel_->setWordWrap(true);
  layout->addWidget(QuestionLabel_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("O&k", QDialogButtonBox::AcceptRole);
  ok->setObjectName("OkButton");
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton("&Avbryt", QDialogButtonBox::RejectRole);
  cancel->setObjectName("AvbrytButton");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  setMinimumWidth(280);
}

void TOkForm::Prepare(std::string_view question) {
  QuestionLabel_->setText(QString::fromUtf8(question.data(), static_cast<int>(question.size())));
}

bool TOkForm::Ask(std::string_view question) {
  Prepare(question);
  adjustSize();
  return exec() == QDialog::Accepted;
}

}  // namespace qn
