// The hourglass for the length of a scope: shown while a refresh, a sort or a search runs,
// and put back when the scope ends, also when a command ends by an error.
#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace qn {

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace qn
