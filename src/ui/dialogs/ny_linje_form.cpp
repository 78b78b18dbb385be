#include "ui/dialogs/ny_linje_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "env/text_codec.h"

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
  auto* row = new QHBoxLayout;
  auto* right = new QPushButton(QString::fromUtf8(texts.right), this);
  right->setObjectName("HoyreButton");
  auto* down = new QPushButton(QString::fromUtf8(texts.down), this);
  down->setObjectName("UnderButton");
  down->setDefault(true);
  auto* cancel = new QPushButton("&Avbryt", this);
  cancel->setObjectName("AvbrytButton");
  row->addWidget(right);
  row->addWidget(down);
  row->addWidget(cancel);
  layout->addLayout(row);
  connect(right, &QPushButton::clicked, this, [this] { Choose(DirRight); });
  connect(down, &QPushButton::clicked, this, [this] { Choose(DirDown); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TNyLinjeForm::Choose(tDirection direction) {
  direction_ = direction;
  accept();
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
  const bool accepted = exec() == QDialog::Accepted;
  return Finish(accepted);
}

}  // namespace qn
