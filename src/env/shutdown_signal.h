// SIGINT and SIGTERM as a request for the normal shut-down. The handler only records the
// signal and writes one byte to a pipe (both async-signal-safe); the program notices the
// request at its next step, or the window watches the pipe, and then shuts down the usual
// way: settings flushed, summary logged, log saved.
#pragma once

namespace qn {

// Installs the handlers and returns the read end of the pipe (non-blocking; a byte arrives
// for each signal), or -1 when the pipe could not be made (the flag still works).
int InstallShutdownSignals();
// The signal that asked for shut-down, 0 while none has arrived.
int ShutdownSignal();
inline bool ShutdownRequested() { return ShutdownSignal() != 0; }
// Puts the default handlers back, closes the pipe and forgets the request (for tests).
void RemoveShutdownSignals();

}  // namespace qn
