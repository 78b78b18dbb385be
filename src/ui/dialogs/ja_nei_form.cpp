#include "ui/dialogs/ja_nei_form.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

TJaNeiForm::TJaNeiForm(QWidget* parent) : QDialog(parent) {
  setObjectName("JaNeiForm");
  setWindowTitle("?");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  QuestionLabel_ = new QLabel(this);
  QuestionLabel_->setObjectName("QuestionLabel");
  QuestionLabel_->setAlignment(Qt::AlignCenter);
  layout->addWidget(QuestionLabel_);
  auto* row = new QHBoxLayout;
  row->addStretch();
  JaButton_ = new QPushButton("&Ja", this);
  JaButton_->setObjectName("JaButton");
  NeiButton_ = new QPushButton("&Nei", this);
  NeiButton_->setObjectName("NeiButton");
  row->addWidget(JaButton_);
  row->addWidget(NeiButton_);
  row->addStretch();
  layout->addLayout(row);
  connect(JaButton_, &QPushButton::clicked, this, [this] { Answer(true); });
  connect(NeiButton_, &QPushButton::clicked, this, [this] { Answer(false); });
  resize(260, 110);
}

void TJaNeiForm::Prepare(std::string_view question, bool defaultYes) {
  defaultYes_ = defaultYes;
  yes_ = defaultYes;
  answered_ = false;
  const QString text = FromUtf8(question);
  QuestionLabel_->setText(text);
  const int needed = QFontMetrics(QuestionLabel_->font()).horizontalAdvance(text) + 50;
  if (width() < needed) resize(needed, height());
  QPushButton* first = defaultYes ? JaButton_ : NeiButton_;
  JaButton_->setDefault(defaultYes);
  NeiButton_->setDefault(!defaultYes);
  first->setFocus();
}

bool TJaNeiForm::Ask(std::string_view question, bool defaultYes) {
  Prepare(question, defaultYes);
  ExecOverParent(*this);
  return yes_;
}

void TJaNeiForm::Answer(bool yes) {
  yes_ = yes;
  answered_ = true;
  done(yes ? QDialog::Accepted : QDialog::Rejected);
}

void TJaNeiForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    Answer(false);
    return;
  }
  QDialog::keyPressEvent(event);
}

void TJaNeiForm::closeEvent(QCloseEvent* event) {
  // The close box answers the caller's default.
  if (!answered_) {
    yes_ = defaultYes_;
    answered_ = true;
  }
  QDialog::closeEvent(event);
}

}  // namespace qn
