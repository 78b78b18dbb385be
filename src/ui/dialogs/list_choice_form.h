// A window that lists lines in the order given and lets the user pick one: a label above
// the list (ListBox1), a confirm button (object name "OkButton", caption set per use) and
// "&Avbryt". A double click on a line picks it and confirms at once. The lines are shown
// in a fixed-pitch font, so lines laid out in columns stay in columns.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace qn {

class ListChoiceForm : public QDialog {
  Q_OBJECT
 public:
  explicit ListChoiceForm(QWidget* parent = nullptr);

  // Fills the window; the first line is chosen, so the confirm button acts at once.
  void Prepare(std::string_view caption, std::string_view label,
               const std::vector<std::string>& lines, std::string_view confirm);
  // Shows the window modally: the index of the line chosen, nothing when cancelled.
  std::optional<size_t> Ask(std::string_view caption, std::string_view label,
                            const std::vector<std::string>& lines, std::string_view confirm);
  // The line chosen now, nothing when none is.
  std::optional<size_t> Chosen() const;

 private:
  QLabel* label_;
  QListWidget* ListBox1_;
  QPushButton* confirm_;
};

}  // namespace qn
