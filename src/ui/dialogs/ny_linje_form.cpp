#include "ui/dialogs/ny_linje_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "env/text_codec.h"
#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

TNyLinjeForm::TNyLinjeForm(QWidget* parent, const NewLineTexts& texts) : QDialog(parent) {
  setObjectName(texts.objectName);
  setWindowTitle(QString::fromUtf8(texts.caption));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QString::fromUtf8(texts.label), this);
  label->setObjectName("Label1");
  layout->addWidget(label);
  HeaderEdit_ = new QLineEdit(this);
  HeaderEdit_->setObjectName("HeaderEdit");
  HeaderEdit_->setMaxLength(kNewLineTextLength);
  HeaderEdit_->setMinimumWidth(320);
  label->setBuddy(HeaderEdit_);
  layout->addWidget(HeaderEdit_);
  AddDirectionButtons(this, layout,
                      {{texts.right, "HoyreButton", DirRight}, {texts.down, "UnderButton", DirDown}},
                      direction_, true);
}

void TNyLinjeForm::Prepare() {
  direction_ = DirNull;
  HeaderEdit_->clear();
  HeaderEdit_->setFocus();
}

NewLineChoice TNyLinjeForm::Finish(bool accepted) const {
  if (!accepted || direction_ == DirNull) return {};
  return {CutToCp1252Length(HeaderEdit_->text().toStdString(), kNewLineTextLength), direction_};
}

NewLineChoice TNyLinjeForm::Ask() {
  Prepare();
  const bool accepted = ExecOverParent(*this) == QDialog::Accepted;
  return Finish(accepted);
}

}  // namespace qn
