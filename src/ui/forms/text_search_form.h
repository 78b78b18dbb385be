// "Søk i alle tekster": a window of its own beside the main window. A text box, check boxes
// for where to look and "Skill mellom store og små bokstaver"; "Søk" starts a TextSearch
// that runs in short slices between the window's events, so both windows stay responsive,
// with a progress bar and "Avbryt" while it runs. Hits stream into a list (path from the
// top, where, text around the hit); Enter or a double click on one hands its Position to
// the main window, which shows the record's list with the cursor on it.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "store/format.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace qn {

class RecordReader;
class TextSearch;
class tDataImageArk;
struct SearchHit;

class TextSearchForm : public QWidget {
  Q_OBJECT
 public:
  using GoTo = std::function<void(Position)>;
  // `db` must outlive the form; `goTo` shows a hit's record in the main window.
  TextSearchForm(tDataImageArk& db, GoTo goTo, QWidget* parent);
  ~TextSearchForm() override;

  // "Søk": a new search for the text box's text in the places checked.
  void Start();
  // "Avbryt": the search stops; the hits found stay.
  void Stop();
  bool Running() const;

 private:
  void Slice();
  void AddHit(const SearchHit& hit);
  void Activate(QTreeWidgetItem* item);
  void ShowState();

  tDataImageArk& db_;
  GoTo goTo_;
  std::string searchedFile_;
  bool stopped_ = false;  // "Avbryt" ended the last search  // the search stops when the main window opens another file
  std::unique_ptr<RecordReader> reader_;
  std::unique_ptr<TextSearch> search_;
  QTimer* timer_;
  QLineEdit* text_;
  QCheckBox* names_;
  QCheckBox* data_;
  QCheckBox* notes_;
  QCheckBox* links_;
  QCheckBox* variables_;
  QCheckBox* matchCase_;
  QPushButton* searchButton_;
  QPushButton* cancelButton_;
  QProgressBar* progress_;
  QTreeWidget* hits_;
  QLabel* status_;
};

}  // namespace qn
