// PaintBox1, the surface the main window paints the current list on by hand. The widget
// keeps no list state of its own: the window owns what is shown, and the widget asks it
// to paint. Until the list painting is wired in, it shows a white surface.
#pragma once

#include <QWidget>

namespace qn {

class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  explicit TPaintBox(QWidget* parent = nullptr);

 signals:
  // A right click at `globalPos`; the window pops up its context menu there. The click
  // does not select a row.
  void ContextMenuAt(QPoint globalPos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
};

}  // namespace qn
