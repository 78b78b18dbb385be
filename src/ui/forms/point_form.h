// TPointForm, the pointer properties dialog ("Peker-data"): a window over PointProperties
// that shows its boxes as edit boxes named by their component names and forwards the
// buttons to it. Closing the dialog by any means stores the boxes (SkrivData); when a box
// is refused, "&Lukk" keeps the dialog open with the message so the box can be corrected,
// while "&Avbryt", Escape and the window's close button show the message and close with
// nothing stored. On a read-only database the dialog only shows: its save buttons are
// disabled and closing stores nothing.
#pragma once

#include <QDialog>

#include "commands/dialogs.h"
#include "commands/point_properties.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace qn {

class tDataImageArk;

class TPointForm : public QDialog {
  Q_OBJECT
 public:
  // Shows the record under `db`'s cursor. REQUIRES: `db` is open; `db` and `dialogs`
  // outlive the form.
  TPointForm(tDataImageArk& db, Dialogs& dialogs, QWidget* parent = nullptr);

  QTabWidget* PageControl() const { return PageControl_; }

  // Closing, by any means, runs SkrivData first.
  void done(int result) override;

 protected:
  // The first showing reads the record (LesData).
  void showEvent(QShowEvent* event) override;

 private:
  // The parts of the window, top to bottom; each page is added to PageControl_.
  QWidget* BuildSpeedButtons();
  void BuildNamePage();
  void BuildPointersPage();
  void BuildDataPage();
  void BuildReplicationPage();
  void BuildFilePage();
  QHBoxLayout* BuildCloseButtons();
  // The walks, the file header, push and pop, connected to the logic.
  void WireSpeedButtons();
  QLineEdit* AddBox(QWidget* page, const char* name, bool readOnly = false);
  QToolButton* AddSpeedButton(QWidget* row, const char* name, const char* hint, int picture);
  // The boxes' texts, the enabling and the visibility from the logic.
  void ToWidgets();
  // What the user typed, into the logic.
  void FromWidgets();
  // A button that rereads (a walk) or keeps the typed texts (copy, paste, push).
  void Reread(int32_t (PointProperties::*click)());
  void Keep(void (PointProperties::*click)());
  void LagreClick();
  void VerdiKnappClick();
  void ShowRefusal(const std::string& message);
  // On a read-only database: says so and shows the record again; true when refused.
  bool RefusedReadOnly();

  Dialogs& dialogs_;
  PointProperties logic_;
  bool readOnly_;  // the database was opened read-only: nothing is stored
  bool read_ = false;
  QTabWidget* PageControl_ = nullptr;
  QComboBox* ReplStatus_ = nullptr;
  QLabel* VerdiLabel_ = nullptr;
};

// Shows the dialog modally on the current record: 1 when it was closed with "&Lukk", -1
// otherwise (also when no database is open). The cursor stays on the record the dialog
// was showing last.
int ShowPointerProperties(tDataImageArk& db, Dialogs& dialogs, QWidget* parent);

}  // namespace qn
