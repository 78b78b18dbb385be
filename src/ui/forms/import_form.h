// TImportForm ("Importer Pascal kildekode"): a Pascal source file scanned for declaration
// headers (sjekkfilen), the list of those it found, and their import as templates one by
// one (a double click) or all ("&Importer alle"), each with the progress window. The scan
// and the import are the exchange layer's; the form shows them and asks through the seam.
// The source is read once, when it is scanned: the list and the imports come from that one
// reading.
#pragma once

#include <QDialog>
#include <optional>

#include "exchange/pascal_import.h"
#include "commands/dialogs.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace qn {

class tDataImageArk;

class TImportForm : public QDialog {
  Q_OBJECT
 public:
  // `db` and `dialogs` must outlive the form.
  TImportForm(tDataImageArk& db, Dialogs& dialogs, QWidget* parent = nullptr);

  // sjekkfilen: the file named in the box, scanned.
  void sjekkfilen();
  // "Bla gjennom ....": a file chosen in the file dialog, then scanned.
  void BrowseClick();
  // ImporterRecord on line `line` of the list. True when a template was made. Each import
  // is stored at once, and the form says under the list what it made.
  bool ImporterRecord(int line);
  // "&Importer alle": every line, top to bottom; a declaration whose name is already a
  // template (imported before) is left out, and the form says in one line how many
  // templates it made and which it left out.
  void ImportAllClick();
  // What the form says under the list after an import.
  QString ResultText() const;
  // Templates made while the form was open.
  int Imported() const { return imported_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::optional<ImportResult> ImportLine(int line);
  bool RefusedReadOnly();
  void Say(const std::string& text);

  tDataImageArk& DataArk_;
  Dialogs& dialogs_;
  int32_t AntLinjer_ = 0;
  int32_t AntRecord_ = 0;
  int imported_ = 0;
  std::optional<PascalSource> source_;  // the source as scanned; empty before a scan
  QLineEdit* FileName_;
  QLineEdit* Lines_;
  QLineEdit* Objects_;
  QListWidget* List_;
  QCheckBox* AskName_;
  QLabel* Result_;
};

}  // namespace qn
