// TDataForm, the data editor (caption "Data"): the grid DataGrid of field names and value
// texts over a DataEditor, "&Lagre" and "&Avbryt". The form only shows the editor's rows
// and hands typed values back to it; what is read and written is the editor's business.
// Only value cells of field rows can be edited, and the keyboard moves only between them.
// A PASSWORD shows masked; its editor can show it while it has the focus. On a read-only
// database the form says so above the grid and nothing in it can be typed into.
// QtDataEditor is the runner the window uses: it sizes the form to its fields (no larger
// than the screen) and opens it over the window.
#pragma once

#include <QDialog>
#include <string_view>

#include "templates/data_editor.h"

#include "ui/forms/data_editor_runner.h"

class QPushButton;
class QTableWidget;

namespace qn {

inline constexpr int kNameColumnWidth = 200;
inline constexpr int kValueColumnWidth = 351;
inline constexpr int kGridRowHeight = 21;
inline constexpr std::string_view kDataFormReadOnlyNote =
    "Databasen er åpnet skrivebeskyttet: dataene vises, men kan ikke endres her.";

class TDataForm : public QDialog {
  Q_OBJECT
 public:
  // `editor` and `dialogs` must outlive the form. A `readOnly` form shows the record with
  // "&Lagre" disabled.
  TDataForm(DataEditor& editor, Dialogs& dialogs, QWidget* parent = nullptr,
            bool readOnly = false);

  // Fills the grid from the record; runs when the form is shown and on "&Avbryt".
  void LesData();
  // "&Lagre": the typed values go to the editor and into the record; the form closes
  // unless the save asks for a correction.
  void LagreClick();
  // "&Avbryt" (and Escape): the record is read again and the form closes.
  void reject() override;
  // Tab, Shift+Tab and Enter in the grid: the typed value is kept and the next value
  // cell the editor names (DataEditor::HopFrom) is edited; true when the key was taken.
  bool HopKey(int key, Qt::KeyboardModifiers modifiers);
  // The size that shows every row of the grid and the buttons without scrolling.
  QSize ContentSize() const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  DataEditor& editor_;
  Dialogs& dialogs_;
  bool readOnly_;
  QTableWidget* DataGrid_;
};

class QtDataEditor : public DataEditorRunner {
 public:
  // `parent` and `dialogs` must outlive the runner.
  QtDataEditor(QWidget* parent, Dialogs& dialogs) : parent_(parent), dialogs_(dialogs) {}
  bool Run(DataEditor& editor) override;

 private:
  QWidget* parent_;
  Dialogs& dialogs_;
};

}  // namespace qn
