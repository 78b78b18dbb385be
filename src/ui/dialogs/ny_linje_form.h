// TNyLinjeForm, the new-line dialog (caption "Ny linje"): the label "Tekst:" over the
// entry HeaderEdit (at most 255 characters) and three buttons: "Ny til &høyre" (the line
// goes into the current record's sub-list, DirRight), "Ny &under" (below it, DirDown, the
// default button) and "&Avbryt". The entry starts empty at every showing.
#pragma once

#include <QDialog>

#include "ui/dialogs/dialogs.h"

class QLineEdit;

namespace qn {

class TNyLinjeForm : public QDialog {
  Q_OBJECT
 public:
  explicit TNyLinjeForm(QWidget* parent = nullptr);

  // Shows the dialog modally; an empty text and DirNull when cancelled.
  NewLineChoice Ask();
  // Empties the entry and gives it the focus, as Ask does before showing.
  void Prepare();
  // The outcome once the dialog has closed with `accepted`.
  NewLineChoice Finish(bool accepted) const;

 private:
  void Choose(tDirection direction);

  QLineEdit* HeaderEdit_;
  tDirection direction_ = DirNull;
};

}  // namespace qn
