#include "ui/window/shutdown_watcher.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <unistd.h>

#include "env/shutdown_signal.h"

namespace qn {
namespace {
constexpr int kRetryMilliseconds = 50;
constexpr int kPollMilliseconds = 200;
}

ShutdownWatcher::ShutdownWatcher(int fd, QWidget* window, QObject* parent)
    : QObject(parent),
      fd_(fd),
      window_(window),
      retry_(new QTimer(this)) {
  retry_->setInterval(kRetryMilliseconds);
  connect(retry_, &QTimer::timeout, this, [this] { TryClose(); });
  if (fd >= 0) {
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { OnSignal(); });
  } else {
    // Without the pipe the request is only a flag; look at it now and then.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll] {
      if (ShutdownRequested()) {
        poll->stop();
        OnSignal();
      }
    });
    poll->start(kPollMilliseconds);
  }
}

void ShutdownWatcher::OnSignal() {
  char buffer[64];
  while (fd_ >= 0 && ::read(fd_, buffer, sizeof buffer) > 0) {
  }
  requested_ = true;
  TryClose();
}

void ShutdownWatcher::TryClose() {
  // Each open dialog is asked once per try; one that refuses (a running task's progress
  // window) stops its task instead and goes away when the task ends.
  if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->close();
    retry_->start();
    return;
  }
  if (QThread::currentThread()->loopLevel() > 1) {
    retry_->start();  // a command is still unwinding from its dialog
    return;
  }
  retry_->stop();
  window_->close();
}

}  // namespace qn
