#include "ui/paint_box.h"

#include <QContextMenuEvent>
#include <QPainter>

namespace qn {

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
  setObjectName("PaintBox1");
  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  QFont f = font();
  f.setPointSize(8);
  setFont(f);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
}

void TPaintBox::contextMenuEvent(QContextMenuEvent* event) {
  emit ContextMenuAt(event->globalPos());
  event->accept();
}

}  // namespace qn
