// TIndexForm, the bookmark explorer (caption "Bokmerke Utforsker"), over a BookmarkExplorer:
// "Innholdsfortegnelse" (Edit1), "Bokmerke" (Edit3, the prefix, which "&Hent" looks up),
// "pos." (ipos) and "nr." (inr) with the character (ilabel), "Finnes i pos:" (finnes) with
// indexpos, "Auto søk etter brukt index" (auto), the picture buttons for the previous
// (SpeedButton2) and next (SpeedButton1) character code, and "&Frem", "&Reset", "&Hent",
// "&Tilbake", "Hopp til bokmerke" and "&Lagre". The form shows the model's fields and hands
// the ones the user can change back to it before each button.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace qn {

class BookmarkExplorer;

class TIndexForm : public QDialog {
  Q_OBJECT
 public:
  // `explorer` must outlive the form.
  explicit TIndexForm(BookmarkExplorer& explorer, QWidget* parent = nullptr);

  // Runs a button's action on the model: the editable fields first, then the fields shown.
  void Act(void (BookmarkExplorer::*action)());
  // "Hopp til bokmerke": closes the form (accepted) when the model moved.
  void HoppClick();
  void ShowFields();

 private:
  void TakeFields();

  BookmarkExplorer& explorer_;
  QLineEdit* Edit1_;
  QLineEdit* Edit3_;
  QLineEdit* ipos_;
  QLineEdit* inr_;
  QLabel* ilabel_;
  QCheckBox* finnes_;
  QLineEdit* indexpos_;
  QCheckBox* auto_;
};

}  // namespace qn
