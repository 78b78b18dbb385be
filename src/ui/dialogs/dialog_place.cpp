#include "ui/dialogs/dialog_place.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace qn {
namespace {

QScreen* ScreenOf(const QDialog& dialog) {
  const QWidget* owner = dialog.parentWidget() != nullptr ? dialog.parentWidget()->window() : nullptr;
  if (owner != nullptr && owner->screen() != nullptr) return owner->screen();
  return QGuiApplication::primaryScreen();
}

}  // namespace

void SizeToContent(QDialog& dialog, const QSize& wanted) {
  QSize size = wanted.isEmpty() ? dialog.sizeHint() : wanted;
  if (const QScreen* screen = ScreenOf(dialog)) {
    // Room for the window manager's frame around the dialog.
    const QSize room = screen->availableGeometry().size() - QSize(16, 48);
    size = size.boundedTo(room);
  }
  dialog.resize(size.expandedTo(dialog.minimumSizeHint()));
}

int ExecOverParent(QDialog& dialog) {
  // A maximised window is placed by the window manager.
  if (dialog.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return dialog.exec();
  if (dialog.size().isEmpty() || !dialog.testAttribute(Qt::WA_Resized)) dialog.adjustSize();
  const QWidget* owner = dialog.parentWidget() != nullptr ? dialog.parentWidget()->window() : nullptr;
  const QScreen* screen = ScreenOf(dialog);
  QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
  const QPoint centre = owner != nullptr && owner->isVisible() ? owner->frameGeometry().center()
                                                               : area.center();
  QRect place(QPoint(0, 0), dialog.frameGeometry().size().expandedTo(dialog.size()));
  place.moveCenter(centre);
  if (area.isValid()) {
    // Inside the screen: a window near its edge does not push the dialog off it.
    place.moveRight(std::min(place.right(), area.right()));
    place.moveBottom(std::min(place.bottom(), area.bottom()));
    place.moveLeft(std::max(place.left(), area.left()));
    place.moveTop(std::max(place.top(), area.top()));
  }
  dialog.move(place.topLeft());
  return dialog.exec();
}

}  // namespace qn
