// What the env floor keeps for one owner of the program's state (the window, the tool): the
// settings files in memory, the log's lines, the facts about the user and the machine, the
// command line and the programs started. The owner makes one EnvState and installs it with
// an EnvScope for its lifetime; the settings, log and environment functions reach it
// through CurrentEnv(). Code that runs with no owner installed (most tests) works on a
// default state of its own.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "env/block_file.h"
#include "env/environment.h"
#include "env/log.h"
#include "env/settings.h"
#include "env/startup.h"

namespace qn {

// One settings file held in memory.
struct SettingsStore {
  IniFile ini;
  std::string path;               // empty: held in memory only, never written
  bool forced_read_only = false;  // opened read-only, or could not be read
};

struct SettingsState {
  SettingsStore shared;
  SettingsStore user;
  bool usingUser = false;
  std::string iniFileName;
  std::string iniFolder;
  std::string section = "STANDARD";
  int error = 0;
};

struct LogState {
  std::vector<std::string> lines;
  std::string fileName;
  MessageCallback callback;
  std::shared_ptr<FileSystem> files;  // null: the disk
  // Set when the log file existed at start but could not be read: its content is then
  // kept, and saving appends the lines from unsavedFrom on instead of replacing the file.
  bool keepFileContent = false;
  size_t unsavedFrom = 0;
};

struct FactsState {
  SystemFacts system;
  SystemFacts* facts = nullptr;  // null: `system`, the running system
  std::optional<std::string> userOption;
  std::optional<std::string> ipOption;
  std::optional<std::string> userName;  // the kept CurrentUserName

  SystemFacts& Facts() { return facts != nullptr ? *facts : system; }
};

struct StartedPrograms {
  std::vector<pid_t> running;
  std::function<void()> endApplication;
};

struct EnvState {
  SettingsState settings;
  LogState log;
  FactsState facts;
  CommandLine commandLine;
  StartedPrograms started;
};

// The installed state, or the default one when none is installed.
EnvState& CurrentEnv();

// Installs `state` for the scope's lifetime; the state installed before comes back at its
// end. Scopes nest and end in the reverse order of their making.
class EnvScope {
 public:
  explicit EnvScope(EnvState& state);
  ~EnvScope();
  EnvScope(const EnvScope&) = delete;
  EnvScope& operator=(const EnvScope&) = delete;

 private:
  EnvState* previous_;
};

}  // namespace qn
