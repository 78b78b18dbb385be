// TInputForm, the text input dialog (caption "Input:"): the prompt in a label above one
// entry. The entry starts with the proposed text or, without one, with the last text given
// here ("LastInputStr" in the per-user settings), all selected. For the prompt "Passord"
// the entry shows "*" for each character, and the password is neither proposed from nor
// written to the settings file. "O&k" returns the text, "&Avbryt" an empty text.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QLabel;
class QLineEdit;

namespace qn {

class TInputForm : public QDialog {
  Q_OBJECT
 public:
  explicit TInputForm(QWidget* parent = nullptr);

  // Shows the dialog modally; the answer, empty when cancelled.
  std::string Ask(std::string_view prompt, std::string_view proposed);
  // Fills label and entry as Ask does, without showing the dialog.
  void Prepare(std::string_view prompt, std::string_view proposed);
  // What "O&k" does: remembers the text (not a password) and returns it.
  std::string Accept();

 private:
  QLabel* PromptLabel_;
  QLineEdit* InputEdit_;
  bool password_ = false;
};

}  // namespace qn
