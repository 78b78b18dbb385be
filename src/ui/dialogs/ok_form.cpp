#include "ui/dialogs/ok_form.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

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
  AddOkCancelButtons(this, layout);
  setMinimumWidth(280);
}

void TOkForm::Prepare(std::string_view question) {
  QuestionLabel_->setText(FromUtf8(question));
}

bool TOkForm::Ask(std::string_view question) {
  Prepare(question);
  adjustSize();
  return ExecOverParent(*this) == QDialog::Accepted;
}

}  // namespace qn
