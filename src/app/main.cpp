// quillnet: start-up, the main window, shut-down. "--help" and "--version" answer before
// anything else runs. SIGINT and SIGTERM never end the program on the spot: they are
// recorded, and the main window is closed as the user would close it, so the program goes
// down through the normal shut-down.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "store/database.h"
#include "env/log.h"
#include "env/shutdown_signal.h"
#include "env/startup.h"
#include "ui/dialogs/program_icon.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/dialogs/qt_translation.h"
#include "ui/window/quill_form.h"
#include "ui/window/shutdown_watcher.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillnet [FILE.pdb256 [POSITION]] [--debug] [-install] [-ip ADDRESS] [--user NAME] "
    "[--caption TEXT]\n"
    "       quillnet --help | --version\n"
    "\n"
    "  FILE.pdb256  the database to open (default: the last one used)\n"
    "  POSITION     the record to show first\n"
    "  --debug      log with detail lines (the setting LogToFile decides whether to log)\n"
    "  -install     as --debug, and create the working folder tree again\n"
    "  -ip ADDRESS  the address to report for this machine\n"
    "  --user NAME  the user name to work as\n";

// Steps 15 and 16 of start-up: the application, the main window with its database, the
// shared dialogs, then the event loop until the window closes.
void RunWindow(qn::ProgramState& state, int& argc, char** argv, int signalFd) {
  QApplication app(argc, argv);
  app.setApplicationName("QuillNet");
  app.setWindowIcon(qn::ProgramIcon());
  // The desktop matches the window to its menu entry by this name.
  app.setDesktopFileName("no.veltrona.quillnet");
  // Qt's own dialog texts speak Norwegian with the rest of the program.
  if (qn::InstallQtTranslation(app) == nullptr)
    qn::WriteLog("ADVARSEL: Qt-oversettelsen til norsk ble ikke funnet (pakken qt6-translations-l10n)");

  qn::TQuillForm window(state);
  // The log's messages (a log file that cannot be written) reach the user from here on,
  // also while the window is created. A database that fails to open at start is left to
  // the engine's log, so the window gets its dialogs only once it is made.
  qn::QtDialogs dialogs(&window);
  qn::SetLogMessageCallback([&dialogs](const std::string& caption, const std::string& text) {
    dialogs.Message(caption, text, qn::MessageKind::kError);
  });
  window.FormCreate(qn::StartupCommandLine().parameters);
  window.SetDialogs(&dialogs);

  qn::ShutdownWatcher watcher(signalFd, &window);

  window.show();
  app.exec();
  qn::SetLogMessageCallback(nullptr);
  window.SetDialogs(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s %s\n", qn::kProductName.data(), qn::kProductVersion.data());
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }

  qn::ProgramState state;
  qn::ProgramScope scope(state);
  const int signalFd = qn::InstallShutdownSignals();
  qn::RunStartup(qn::ParseCommandLine(argc, argv));
  // A signal during start-up still gets the window's orderly close: the pipe holds it.
  RunWindow(state, argc, argv, signalFd);
  qn::RunShutdown();
  return 0;
}
