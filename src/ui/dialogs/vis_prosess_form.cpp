#include "ui/dialogs/vis_prosess_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/dialogs/qt_text.h"

namespace qn {

TVisProsessForm::TVisProsessForm(QWidget* parent) : QWidget(parent, Qt::Dialog) {
  setObjectName("VisProsessForm");
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  ProsessLabel_ = new QLabel(this);
  ProsessLabel_->setObjectName("ProsessLabel");
  layout->addWidget(ProsessLabel_);
  ProgressBar1_ = new QProgressBar(this);
  ProgressBar1_->setObjectName("ProgressBar1");
  ProgressBar1_->setRange(0, 100);
  layout->addWidget(ProgressBar1_);
  auto* hint = new QLabel("Esc avbryter", this);
  hint->setObjectName("EscLabel");
  layout->addWidget(hint);
  resize(360, 110);
}

void TVisProsessForm::Start(std::string_view caption, std::string_view text) {
  aborted_ = false;
  setWindowTitle(FromUtf8(caption));
  ProsessLabel_->setText(FromUtf8(text));
  ProgressBar1_->setValue(0);
  show();
  raise();
  activateWindow();
  setFocus();
  QCoreApplication::processEvents();
}

void TVisProsessForm::SetText(std::string_view text) {
  ProsessLabel_->setText(FromUtf8(text));
  QCoreApplication::processEvents();
}

void TVisProsessForm::SetPosition(int percent) {
  ProgressBar1_->setValue(std::clamp(percent, 0, 100));
  QCoreApplication::processEvents();
}

bool TVisProsessForm::Aborted() {
  QCoreApplication::processEvents();
  return aborted_;
}

void TVisProsessForm::Finish() { hide(); }

void TVisProsessForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    aborted_ = true;
    ProsessLabel_->setText("Avbryter ...");
    return;
  }
  QWidget::keyPressEvent(event);
}

void TVisProsessForm::closeEvent(QCloseEvent* event) {
  // The window goes away when its task ends; closing it asks the task to stop.
  aborted_ = true;
  event->ignore();
}

}  // namespace qn
