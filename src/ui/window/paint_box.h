// PaintBox1, the surface the main window's list is painted on. The widget keeps no list
// state of its own: it replays the picture the window drew (tListCanvas) and reports the
// mouse and its size changes to the window, which owns what is shown.
// The whole of a text cut at the list's edge shows in a tip.
#pragma once

#include <QPoint>
#include <QWidget>

namespace qn {

class tListCanvas;

class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  explicit TPaintBox(QWidget* parent = nullptr);

  // The picture to replay; borrowed, it must outlive the widget. Null shows white.
  void SetPicture(const tListCanvas* picture) { picture_ = picture; }

 signals:
  // A button pressed at `pos` (widget coordinates). A double click comes as DoubleClick
  // after the press of its first click.
  void MouseDown(Qt::MouseButton button, QPoint pos);
  void DoubleClick(QPoint pos);
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // A text drawn cut ("…") shows whole in a tip, wrapped so it is never wider than the
  // screen.
  bool event(QEvent* event) override;

 private:
  const tListCanvas* picture_ = nullptr;
};

}  // namespace qn
