// The setup dialogs over their models (commands/setup_options.h): TOppstartForm
// ("Oppstart"), TQuillnetOppsettForm ("Oppsett Quillnet Database", with the program's
// icon and name) and TMappeOppsettForm ("Oppsett programmapper", one box per folder with a
// browse button; a double click opens the folder). Each reads its values when it is shown
// and writes all of them when it is hidden, however that happens; each is made once and
// shown again.
#pragma once

#include <QDialog>
#include <array>

#include "commands/setup_options.h"
#include "commands/dialogs.h"

class QCheckBox;
class QLineEdit;

namespace qn {

class TOppstartForm : public QDialog {
  Q_OBJECT
 public:
  explicit TOppstartForm(QWidget* parent = nullptr);
  QCheckBox* Box(size_t i) const { return boxes_[i]; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Enable();
  std::array<QCheckBox*, kStartupItems.size()> boxes_{};
};

class TQuillnetOppsettForm : public QDialog {
  Q_OBJECT
 public:
  explicit TQuillnetOppsettForm(QWidget* parent = nullptr);
  QCheckBox* Box(size_t i) const { return boxes_[i]; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  std::array<QCheckBox*, kDatabaseItems.size()> boxes_{};
};

class TMappeOppsettForm : public QDialog {
  Q_OBJECT
 public:
  // `dialogs` chooses the folders; it must outlive the form.
  TMappeOppsettForm(Dialogs& dialogs, QWidget* parent = nullptr);
  QLineEdit* Box(size_t i) const { return boxes_[i]; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Dialogs& dialogs_;
  std::array<QLineEdit*, kFolderItems.size()> boxes_{};
};

}  // namespace qn
