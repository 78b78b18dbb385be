// TProgramForm (caption: the program record's name) over a ProgramEditor: "&Programfil som
// skal kjøres:" (ProgramEdit) with "&Bla gjennom ...", the folder entry (MappeEdit, labelled
// "Mappe", or "Parameter" with the reference option), "Filtype" (Ext), the check box "Send
// referanse til databasefil" (UsePDB) with its note, "O&k" and "&Avbryt". The fields go back
// to the editor however the form closes; only "O&k" writes the record.
#pragma once

#include <QDialog>

#include "content/program_record.h"
#include "commands/dialogs.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace qn {

class TProgramForm : public QDialog {
  Q_OBJECT
 public:
  // `editor` and `dialogs` must outlive the form.
  TProgramForm(ProgramEditor& editor, Dialogs& dialogs, QWidget* parent = nullptr);
  void OkClick();
  void done(int result) override;
  // The enabling rules of the reference option.
  void UsePDBClick();

 private:
  void TakeFields();

  ProgramEditor& editor_;
  Dialogs& dialogs_;
  QLineEdit* ProgramEdit_;
  QLabel* MappeLabel_;
  QLineEdit* MappeEdit_;
  QLabel* ExtLabel_;
  QLineEdit* Ext_;
  QCheckBox* UsePDB_;
};

}  // namespace qn
