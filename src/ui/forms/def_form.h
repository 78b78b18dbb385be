// TDefForm, the template editor ("Data definisjon"): the name box, the grid of a DefEditor
// with in-place editing that runs the type entry rule on each keystroke, the hidden type
// list, and the editor's menus. What a command does is the DefEditor's; the form only
// shows its grid. TDeclarationForm is the read-only "Datadefinisjon (TYPE)" window of the
// two Pascal views.
#pragma once

#include <QDialog>
#include <memory>

#include "templates/def_editor.h"
#include "commands/dialogs.h"

class QComboBox;
class QMenuBar;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;

namespace qn {

class tDataImageArk;

// The editor's questions asked through the dialog seam.
class DialogsDefHost : public DefEditorHost {
 public:
  // `dialogs` and `db` must outlive the host.
  DialogsDefHost(Dialogs& dialogs, tDataImageArk& db) : dialogs_(dialogs), db_(db) {}
  std::string Input(std::string_view prompt, std::string_view proposed) override;
  bool YesNo(std::string_view question, bool defaultYes) override;
  void Message(std::string_view text) override;
  std::string ChooseTemplate(const std::vector<std::string>& names) override;
  std::string CurrentDisplayName() override;

 private:
  Dialogs& dialogs_;
  tDataImageArk& db_;
};

class TDeclarationForm : public QDialog {
  Q_OBJECT
 public:
  explicit TDeclarationForm(QWidget* parent = nullptr);
  // Empties the text, adds `lines` and shows the window without waiting for it.
  void ShowLines(const std::vector<std::string>& lines);
  QString Text() const;

 private:
  QPlainTextEdit* Memo_;
};

class TDefForm : public QDialog {
  Q_OBJECT
 public:
  // `editor` must outlive the form.
  explicit TDefForm(DefEditor& editor, QWidget* parent = nullptr);

  // The whole grid and the name box from the editor.
  void ShowGrid();
  // A keystroke in the cell being edited (grid row = editor row).
  void CellTyped(int row, int column, const QString& text);
  // The in-place editor gives up its text.
  void CellCommitted(int row, int column, const QString& text);
  void GridDblClick(int row, int column);
  void TypeListClick(int line);
  // The declaration window, made on first use.
  TDeclarationForm& Declarations();
  bool TypeListVisible() const;

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus(QMenuBar* bar);
  // The cells of `row`; the cell in column `skip` (being typed in) keeps its editor's text.
  void ShowRow(int row, int skip = -1);
  void ShowNumbers();
  void ShowNameBox();
  void SetMenuStates();
  // The row the grid's cursor is on (at least 1).
  int CurrentRow() const;
  // Runs a menu command on the editor, then shows the grid again.
  void Run(const std::function<void()>& command);

  DefEditor& editor_;
  QComboBox* NameBox_;
  QTableWidget* Grid_;
  QListWidget* TypeListe_;
  TDeclarationForm* declarations_ = nullptr;
  bool showing_ = false;  // the grid is being filled: its signals are not edits
  bool closing_ = false;
  // The cell last typed into and its text as the editor already took it.
  struct TypedCell {
    int row = -1;
    int column = -1;
    QString text;
  } typed_;
};

}  // namespace qn
