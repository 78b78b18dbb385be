// TNyDocForm, the new-document dialog (caption "Ny dokument tilknytning"): "Filnavn:"
// (DocEdit) with a browse button that fills it from an open dialog, the check box "Bruk
// tekstlinje som visning i listen. " (bruktekst) that enables the entry eHeader, and the
// buttons "Ny til &høyre" (DirRight), "Ny &under" (DirDown, the default) and "&Avbryt".
#pragma once

#include <QDialog>

#include "content/document_link.h"

class QCheckBox;
class QLineEdit;

namespace qn {

class TNyDocForm : public QDialog {
  Q_OBJECT
 public:
  explicit TNyDocForm(QWidget* parent = nullptr);
  // Shows the dialog modally; DirNull when cancelled.
  NewDocumentChoice Ask();

 private:
  QLineEdit* DocEdit_;
  QCheckBox* bruktekst_;
  QLineEdit* eHeader_;
  tDirection direction_ = DirNull;
};

}  // namespace qn
