// TJaNeiForm, the yes/no dialog (caption "?"): the question in a centred label, "&Ja" and
// "&Nei". The caller names a default answer: its button has the focus at start, and
// closing the window with its close box answers it. Escape always presses "&Nei". The
// window is widened to the question's width + 50 pixels when it is narrower.
#pragma once

#include <QDialog>
#include <string_view>

class QLabel;
class QPushButton;

namespace qn {

class TJaNeiForm : public QDialog {
  Q_OBJECT
 public:
  explicit TJaNeiForm(QWidget* parent = nullptr);

  // Shows the dialog modally; true for "&Ja".
  bool Ask(std::string_view question, bool defaultYes);
  // Sets the question and the default answer as Ask does, without showing the dialog.
  void Prepare(std::string_view question, bool defaultYes);
  bool AnsweredYes() const { return yes_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Answer(bool yes);

  QLabel* QuestionLabel_;
  QPushButton* JaButton_;
  QPushButton* NeiButton_;
  bool defaultYes_ = false;
  bool yes_ = false;
  bool answered_ = false;
};

}  // namespace qn
