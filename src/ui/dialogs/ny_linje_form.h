// TNyLinjeForm, the new-line dialog (caption "Ny linje"): the label "Tekst:" over the
// entry HeaderEdit (at most 255 characters) and three buttons: "Ny til &høyre" (the line
// goes into the current record's sub-list, DirRight), "Ny &under" (below it, DirDown, the
// default button) and "&Avbryt". The entry starts empty at every showing. TNyttNotatForm,
// the new-note dialog, is the same form with its own texts (kNewNoteTexts).
#pragma once

#include <QDialog>

#include "commands/dialogs.h"

class QLineEdit;

namespace qn {

// The texts that tell the new-line dialog and its likes apart.
struct NewLineTexts {
  const char* objectName;
  const char* caption;
  const char* label;
  const char* right;
  const char* down;
};
inline constexpr NewLineTexts kNewLineTexts = {"NyLinjeForm", "Ny linje", "Tekst:",
                                               "Ny til &høyre", "Ny &under"};
inline constexpr NewLineTexts kNewNoteTexts = {"NyttNotatForm", "Legg inn nytt notat",
                                               "Navn på notat:", "Nytt notat til &høyre",
                                               "Nytt notat &under"};

class TNyLinjeForm : public QDialog {
  Q_OBJECT
 public:
  explicit TNyLinjeForm(QWidget* parent = nullptr, const NewLineTexts& texts = kNewLineTexts);

  // Shows the dialog modally; an empty text and DirNull when cancelled.
  NewLineChoice Ask();
  // Empties the entry and gives it the focus, as Ask does before showing.
  void Prepare();
  // The outcome once the dialog has closed with `accepted`.
  NewLineChoice Finish(bool accepted) const;

 private:
  QLineEdit* HeaderEdit_;
  tDirection direction_ = DirNull;
};

}  // namespace qn
