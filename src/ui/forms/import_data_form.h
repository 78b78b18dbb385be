// TImportDataForm ("Importer Data"): the sequential data import. The user names a file
// ("&Kildefil", or "&Bla gjennom ...."), chooses a template ("&Mal som skal brukes"), and
// sees the number of records the file holds, the template's data length and field count;
// the red panel "Feil i fil," / "eller feil mal" shows, and "&Importer filen" stays
// disabled, while the file does not fit the template. The state and the import live in
// ImportDataModel; the form shows it. An import closes the form, and its result is read
// by the command that opened it (which abandons its change after a write error).
#pragma once

#include <QDialog>
#include <optional>

#include "exchange/sequential_import.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qn {

class Dialogs;
class tDataImageArk;

class TImportDataForm : public QDialog {
  Q_OBJECT
 public:
  // The templates are listed at once; the cursor comes back.
  TImportDataForm(tDataImageArk& db, Dialogs& dialogs, QWidget* parent = nullptr);

  // "&Bla gjennom ....": the file dialog; a chosen file goes into the file box.
  void BrowseClick();
  // "&Importer filen": the import with the progress window; then the form closes.
  void ImportClick();
  // The outcome of the import; empty when the form closed without one.
  const std::optional<SequentialImportResult>& Result() const { return result_; }

 private:
  void ShowState();

  tDataImageArk& db_;
  Dialogs& dialogs_;
  ImportDataModel model_;
  std::optional<SequentialImportResult> result_;
  QLineEdit* FileEdit_ = nullptr;
  QComboBox* TemplateBox_ = nullptr;
  QLabel* RecordsLabel_ = nullptr;
  QLabel* LengthLabel_ = nullptr;
  QLabel* FieldsLabel_ = nullptr;
  QLabel* ErrorPanel_ = nullptr;
  QPushButton* ImportButton_ = nullptr;
};

}  // namespace qn
