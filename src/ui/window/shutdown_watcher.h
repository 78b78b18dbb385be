// Watches the shut-down pipe (SIGINT, SIGTERM) and closes the main window the way the
// user would, so the database is closed and the placement saved before the program goes
// down. A signal that arrives while a dialog is open first closes the open dialogs (a
// running task is asked to stop); the window itself is closed once control is back in
// the main event loop, never from inside a command that is still running.
#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;
class QWidget;

namespace qn {

class ShutdownWatcher : public QObject {
  Q_OBJECT
 public:
  // `fd` is the read end of the pipe (non-blocking), or -1 when there is none: the
  // request is then noticed by looking at the flag. `window` must outlive the watcher.
  ShutdownWatcher(int fd, QWidget* window, QObject* parent = nullptr);

  bool Requested() const { return requested_; }

 private:
  void OnSignal();
  void TryClose();

  int fd_;
  QWidget* window_;
  QTimer* retry_;
  bool requested_ = false;
};

}  // namespace qn
