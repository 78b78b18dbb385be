#include "ui/dialogs/input_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "env/settings.h"
#include "commands/dialogs.h"
#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {
namespace {

// Works on the per-user settings file for its lifetime, in section "STANDARD", and puts
// back the file and section it found.
class UserStandardSection {
 public:
  UserStandardSection() : switched_(!UsingUserSettings()) {
    if (switched_) UseUserSettings();
    saved_ = CurrentSection();
    ResetSection();
  }
  ~UserStandardSection() {
    SetSection(saved_);
    if (switched_) UseSharedSettings();
  }
  UserStandardSection(const UserStandardSection&) = delete;
  UserStandardSection& operator=(const UserStandardSection&) = delete;

 private:
  bool switched_;
  std::string saved_;
};

}  // namespace

TInputForm::TInputForm(QWidget* parent) : QDialog(parent) {
  setObjectName("InputForm");
  setWindowTitle("Input:");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  PromptLabel_ = new QLabel(this);
  PromptLabel_->setObjectName("PromptLabel");
  layout->addWidget(PromptLabel_);
  InputEdit_ = new QLineEdit(this);
  InputEdit_->setObjectName("InputEdit");
  InputEdit_->setMinimumWidth(320);
  PromptLabel_->setBuddy(InputEdit_);
  layout->addWidget(InputEdit_);
  AddOkCancelButtons(this, layout);
}

void TInputForm::Prepare(std::string_view prompt, std::string_view proposed) {
  password_ = prompt == kPasswordPrompt;
  PromptLabel_->setText(FromUtf8(prompt));
  InputEdit_->setEchoMode(password_ ? QLineEdit::Password : QLineEdit::Normal);
  // A password shows one "*" per character, whatever the style would draw.
  InputEdit_->setStyleSheet(password_ ? "QLineEdit { lineedit-password-character: 42; }" : "");
  std::string start(proposed);
  if (start.empty() && !password_) {
    UserStandardSection user;
    start = ReadSettingString(kLastInputKey);
  }
  InputEdit_->setText(FromUtf8(start));
  InputEdit_->selectAll();
  InputEdit_->setFocus();
}

std::string TInputForm::Accept() {
  std::string text = InputEdit_->text().toStdString();
  if (!password_) {
    UserStandardSection user;
    WriteSettingString(kLastInputKey, text);
  }
  return text;
}

std::string TInputForm::Ask(std::string_view prompt, std::string_view proposed) {
  Prepare(prompt, proposed);
  adjustSize();
  if (ExecOverParent(*this) != QDialog::Accepted) return {};
  return Accept();
}

}  // namespace qn
