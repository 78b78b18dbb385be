#include "ui/window/paint_box.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/window/kv_data.h"

namespace qn {

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
  setObjectName("PaintBox1");
  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFont(ListViewFont());
}

void TPaintBox::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
  if (picture_ != nullptr) picture_->Render(painter);
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(event->button(), event->position().toPoint());
  event->accept();
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClick(event->position().toPoint());
  event->accept();
}

void TPaintBox::contextMenuEvent(QContextMenuEvent* event) {
  // The right button's press already opened the menu.
  event->accept();
}

void TPaintBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit Resized();
}

}  // namespace qn
