// TNotatForm, the note editor (caption "Notat"): a memo filling the window with both
// scroll bars, where Tab types a tab; below it the room left in the note and the buttons
// "&Lagre" and "&Avbryt". The room is counted in the database's 8-bit form, line ends as
// two; a text that does not fit or holds a character the file cannot is refused on save
// with a message, and the form stays open with the text as typed.
#pragma once

#include <QDialog>

#include "commands/dialogs.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace qn {

class NoteEditor;

class TNotatForm : public QDialog {
  Q_OBJECT
 public:
  // `editor` and `dialogs` must outlive the form.
  TNotatForm(NoteEditor& editor, Dialogs& dialogs, QWidget* parent = nullptr,
             bool readOnly = false);

  // "&Lagre": closes the form when the note was written.
  void LagreClick();
  QPlainTextEdit& Memo() { return *Memo_; }

 private:
  void ShowRoom();

  NoteEditor& editor_;
  Dialogs& dialogs_;
  QPlainTextEdit* Memo_;
  QLabel* RoomLabel_;
  QPushButton* SaveButton_;
};

}  // namespace qn
