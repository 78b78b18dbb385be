#include "ui/dialogs/ny_form.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "env/text_codec.h"
#include "commands/dialogs.h"
#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

TNyForm::TNyForm(QWidget* parent) : QDialog(parent) {
  setObjectName("NyForm");
  // A dialog box without title-bar buttons: it is answered with its own buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  NyEdit_ = new QLineEdit(this);
  NyEdit_->setObjectName("NyEdit");
  NyEdit_->setMinimumWidth(320);
  layout->addWidget(NyEdit_);
  AddOkCancelButtons(this, layout);
}

void TNyForm::Prepare(std::string_view caption, std::string_view proposed) {
  setWindowTitle(FromUtf8(caption));
  NyEdit_->setMaxLength(static_cast<int>(PromptEntryLimit(proposed)));
  NyEdit_->setText(FromUtf8(proposed));
  NyEdit_->selectAll();
  NyEdit_->setFocus();
}

std::string TNyForm::Answer() const {
  return CutToCp1252Length(NyEdit_->text().toStdString(), kPromptResultLength);
}

std::string TNyForm::Ask(std::string_view caption, std::string_view proposed) {
  Prepare(caption, proposed);
  adjustSize();
  if (ExecOverParent(*this) != QDialog::Accepted) return {};
  return Answer();
}

}  // namespace qn
