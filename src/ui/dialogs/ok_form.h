// TOkForm, the confirm dialog (caption "Bekreft"): the question in a label, "O&k" and
// "&Avbryt". Only "O&k" confirms; Escape and the close box cancel.
#pragma once

#include <QDialog>
#include <string_view>

class QLabel;

namespace qn {

class TOkForm : public QDialog {
  Q_OBJECT
 public:
  explicit TOkForm(QWidget* parent = nullptr);

  // Shows the dialog modally; true for "O&k".
  bool Ask(std::string_view question);
  void Prepare(std::string_view question);

 private:
  QLabel* QuestionLabel_;
};

}  // namespace qn
