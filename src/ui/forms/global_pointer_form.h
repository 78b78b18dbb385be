// TGlobalPointerForm (caption "Global Peker") over a GlobalPointerEditor: "Filnavn:"
// (eFilnavn) with a "...." button that fills it from an open dialog, "Posisjon:"
// (ePosisjon), "Tekst:" (eTekst), the radio group " Tilkobling: " (eMetode) with "Filnavn og
// posisjon" and "Filnavn og tekst", the check box "Automatisk", "O&k" and "&Avbryt". "O&k"
// hands the fields to the editor; a refusal (a Position that is not a whole number, a
// character the file cannot hold) is shown and the form stays open.
#pragma once

#include <QDialog>

#include "commands/dialogs.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace qn {

class GlobalPointerEditor;

class TGlobalPointerForm : public QDialog {
  Q_OBJECT
 public:
  // `editor` and `dialogs` must outlive the form.
  TGlobalPointerForm(GlobalPointerEditor& editor, Dialogs& dialogs, QWidget* parent = nullptr);
  void OkClick();

 private:
  GlobalPointerEditor& editor_;
  Dialogs& dialogs_;
  QLineEdit* eFilnavn_;
  QLineEdit* ePosisjon_;
  QLineEdit* eTekst_;
  QButtonGroup* eMetode_;
  QCheckBox* automatisk_;
};

}  // namespace qn
