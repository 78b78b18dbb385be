// quillnet: start-up, the main window, shut-down. "--help" and "--version" answer before
// anything else runs. SIGINT and SIGTERM never end the program on the spot: they are
// recorded and the program goes down through the normal shut-down.
#include <cstdio>
#include <cstring>

#include "engine/database.h"
#include "env/shutdown_signal.h"
#include "env/startup.h"

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

  qn::InstallShutdownSignals();
  const qn::StartupFacts facts = qn::RunStartup(qn::ParseCommandLine(argc, argv));
  // The main window comes here and runs until it is closed or a shut-down signal arrives;
  // until it exists the program goes straight on to shut-down.
  qn::RunShutdown();

  std::printf("Settings file: %s\n", facts.iniFileName.c_str());
  std::printf("Base folder:   %s\n", facts.baseFolder.c_str());
  std::printf("Log file:      %s\n", facts.logFileName.c_str());
  if (qn::ShutdownRequested()) std::printf("Ended by signal %d\n", qn::ShutdownSignal());
  return 0;
}
