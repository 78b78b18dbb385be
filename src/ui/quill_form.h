// The main window of QuillNet.
#pragma once

#include <QMainWindow>

namespace qn {

class TQuillForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TQuillForm(QWidget* parent = nullptr);
};

}  // namespace qn
