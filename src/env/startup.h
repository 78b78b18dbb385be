// Start-up and shut-down of the program, the steps that need no window. Start-up creates
// the log, reads the command line, opens and stamps the shared settings file, makes sure
// the folder tree exists and settles logging; shut-down flushes the settings, logs the
// run's summary and writes the log to disk. Both run once per process, in that order.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qn {

// The command line as the program reads it. Options are compared with the whole parameter,
// exactly and case-sensitively; the value of "-ip", "--user" and "--caption" is the next
// parameter, which is still examined as an option itself; an option given last takes an
// empty value. Nothing is removed: `parameters` keeps every parameter in order, options
// included, for the main window's reading of the file name and start Position.
struct CommandLine {
  bool debug = false;    // "--debug"
  bool install = false;  // "-install"
  std::optional<std::string> ip;       // "-ip" value
  std::optional<std::string> user;     // "--user" value
  std::optional<std::string> caption;  // "--caption" value, kept but not used
  std::vector<std::string> parameters;
};

// `parameters` excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& parameters);
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The version of the stamps in the settings file's "INI_SELF" section.
inline constexpr const char* kIniVersion = "5.36";

// What start-up settled, for the caller to show or use.
struct StartupFacts {
  std::string iniFileName;  // the shared settings file, absolute
  bool iniExisted = false;  // whether it existed before this start
  std::string baseFolder;   // APPDATA + "/Veltrona/", ending in "/"
  std::string logFileName;
  std::string programPath;
};

// Start-up steps 1 to 14: after it the log and the settings are ready for the window.
StartupFacts RunStartup(const CommandLine& commandLine);
// The command line read by the last RunStartup.
const CommandLine& StartupCommandLine();

// Shut-down: flush and close the settings file (a failure is logged as "INI-CRASH i
// KV_REG: " + the file name), with verbose logging log the settings and summary lines,
// then save the log to its file and free it.
void RunShutdown();

}  // namespace qn
