// TNyForm, the one-line prompt most commands ask with: the caption is the question, one
// entry (NyEdit) preset with a proposed text, "O&k" and "&Avbryt". The entry takes at most
// 63 typed characters; "O&k" returns at most 255, "&Avbryt" an empty text (= cancel).
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QLineEdit;

namespace qn {

class TNyForm : public QDialog {
  Q_OBJECT
 public:
  explicit TNyForm(QWidget* parent = nullptr);

  // Shows the dialog modally, centred on the screen; the answer, empty when cancelled.
  std::string Ask(std::string_view caption, std::string_view proposed);
  // Prepares the dialog as Ask does, without showing it (Ask and tests).
  void Prepare(std::string_view caption, std::string_view proposed);
  // The text "O&k" hands back.
  std::string Answer() const;

 private:
  QLineEdit* NyEdit_;
};

}  // namespace qn
