#include "ui/window/paint_box.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>
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

bool TPaintBox::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const std::optional<QString> whole = picture_ != nullptr ? picture_->CutTextAt(help->pos()) : std::nullopt;
  if (whole) {
    // As rich text the tip wraps its lines instead of growing past the screen's edge.
    QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(*whole, Qt::WhiteSpaceNormal), this);
  } else {
    QToolTip::hideText();
    event->ignore();
  }
  return true;
}

void TPaintBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit Resized();
}

}  // namespace qn
