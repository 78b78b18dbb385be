// TDefVelgForm, the template chooser (caption "Maler", label "Velg en mal:"): the names it
// is given in a sorted list (ListBox1), "O&k" and "&Avbryt". Picking an entry, by click or
// keyboard, sets the chosen name (MalString); a double click picks and confirms at once.
// The dialog returns the chosen name on "O&k" and an empty text otherwise.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace qn {

class TDefVelgForm : public QDialog {
  Q_OBJECT
 public:
  explicit TDefVelgForm(QWidget* parent = nullptr);

  // Shows the dialog modally over `names`; the chosen name, empty when cancelled.
  std::string Ask(const std::vector<std::string>& names);
  // Fills the list as Ask does (sorted without regard to case); nothing is chosen yet.
  void Prepare(const std::vector<std::string>& names);
  const std::string& MalString() const { return MalString_; }

 private:
  QListWidget* ListBox1_;
  std::string MalString_;
};

}  // namespace qn
