// TNyDataForm, the new-data dialog (caption "Ny data-post", label "Velg en ny fra
// listen:"): the templates in ListBox, the check box Merk ("oppdater data fra merket
// post") and three buttons that each confirm with a direction: "Ny til &venstre"
// (DirLeft), "Ny &under" (DirDown, the default) and "Ny til &høyre" (DirRight). A double
// click on an entry confirms with the direction of the last use. The form is made once and
// kept for the run, so InnDirection and the check box's flag carry from one use to the
// next; InnDirection starts at DirNull, and a double click before any button was used
// takes "Ny &under", since no record can be made in no direction.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "commands/dialogs.h"

class QCheckBox;
class QListWidget;
class QPushButton;

namespace qn {

class TNyDataForm : public QDialog {
  Q_OBJECT
 public:
  explicit TNyDataForm(QWidget* parent = nullptr);

  // Shows the dialog modally over `names` (in the order given).
  NewDataChoice Ask(const std::vector<std::string>& names);
  // Fills the list and the check box as Ask does before showing: the first entry selected,
  // Merk from the flag.
  void Prepare(const std::vector<std::string>& names);
  // The outcome after the dialog closed with `accepted`; the flag takes Merk's state.
  NewDataChoice Finish(bool accepted);

  tDirection InnDirection() const { return InnDirection_; }
  bool UpdateFromMarked() const { return UpdateFromMarked_; }

 private:
  void Choose(tDirection direction);

  QListWidget* ListBox_;
  QCheckBox* Merk_;
  tDirection InnDirection_ = DirNull;
  bool UpdateFromMarked_ = false;
};

}  // namespace qn
