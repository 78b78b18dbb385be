#include "env/shutdown_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace qn {

namespace {

// These two stay process-wide, outside the owners' state: a signal handler can reach
// nothing but globals (no installed pointer may be read safely inside one), and a signal is
// for the whole process, not for one owner.
volatile sig_atomic_t g_signal = 0;
int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGINT, SIGTERM};

extern "C" void OnShutdownSignal(int sig) {
  const int savedErrno = errno;
  g_signal = sig;
  if (g_pipe[1] >= 0) {
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);  // a full pipe already wakes the reader
  }
  errno = savedErrno;
}

}  // namespace

int InstallShutdownSignals() {
  if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
  struct sigaction sa{};
  sa.sa_handler = OnShutdownSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
  return g_pipe[0];
}

int ShutdownSignal() { return g_signal; }

void RemoveShutdownSignals() {
  struct sigaction sa{};
  sa.sa_handler = SIG_DFL;
  sigemptyset(&sa.sa_mask);
  for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
  for (int& fd : g_pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  g_signal = 0;
}

}  // namespace qn
