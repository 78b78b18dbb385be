#include "env/shell.h"

#include <cerrno>
#include <cstring>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "env/env_state.h"
#include "env/environment.h"
#include "env/folders.h"
#include "env/log.h"
#include "env/settings.h"

extern char** environ;

namespace qn {

namespace {

StartedPrograms& Started() { return CurrentEnv().started; }

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void ReapStartedPrograms() {
  std::vector<pid_t> running;
  for (pid_t pid : Started().running) {
    int status;
    if (::waitpid(pid, &status, WNOHANG) == 0) running.push_back(pid);
  }
  Started().running = std::move(running);
}

size_t StartedProgramsRunning() {
  ReapStartedPrograms();
  return Started().running.size();
}

pid_t StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder) {
  ReapStartedPrograms();
  if (program.empty()) {
    errno = ENOENT;
    return -1;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t pid = -1;
  // A name without "/" is looked up in PATH; a path is used as it stands.
  const auto spawn = program.find('/') == std::string::npos ? ::posix_spawnp : ::posix_spawn;
  const int rc = spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  Started().running.push_back(pid);
  return pid;
}

pid_t OpenWithShell(const std::string& file, const std::vector<std::string>& parameters,
                    const std::string& folder) {
  pid_t pid;
  if (!parameters.empty()) {
    pid = StartProgram(file, parameters, folder);
  } else {
    // xdg-open would read a name beginning with "-" as an option of its own.
    const std::string target = !file.empty() && file.front() == '-' ? "./" + file : file;
    pid = StartProgram("xdg-open", {target}, folder);
  }
  if (pid < 0) {
    WriteLog("FEIL: kan ikke åpne " + file + " (" + std::strerror(errno) + ")");
  }
  return pid;
}

void SetEndApplicationCallback(std::function<void()> callback) {
  Started().endApplication = std::move(callback);
}

bool StartUpdate() {
  std::string bin = veltronapath("bin");
  if (!FileExists(bin + "oppdater")) bin = GetProgramFolder();
  const std::string program = ProgramFilePath();
  WriteLog("Starter oppdatering av programmet...");
  if (StartProgram(bin + "oppdater", {program}, bin) < 0) {
    WriteLog("FEIL: kan ikke starte " + bin + "oppdater (" + std::strerror(errno) + ")");
    return false;
  }
  WriteLog("Avslutter " + program + " for å oppdatere i fra internett.");
  if (Started().endApplication) Started().endApplication();
  return true;
}

std::string DesktopExecArgument(std::string_view argument) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string out;
  const bool quote = argument.find_first_of(kReserved) != std::string_view::npos;
  if (quote) out += '"';
  for (char c : argument) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    if (c == '%') out += '%';  // "%" starts a field code; "%%" is a plain "%"
    out += c;
  }
  if (quote) out += '"';
  return out;
}

namespace {

// The general escaping of a launcher's string values: "\" is written "\\".
std::string DesktopValue(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

bool CreateDesktopShortcut() {
  const std::string program = ProgramFilePath();
  // A line break cannot be written in a launcher's value.
  if (program.empty() || program.find_first_of("\r\n") != std::string::npos) return false;
  const std::string desktop = DesktopFolder();
  if (!FolderExists(desktop)) return false;
  IniFile launcher;
  constexpr char kSection[] = "Desktop Entry";
  launcher.Set(kSection, "Type", "Application");
  launcher.Set(kSection, "Version", "1.0");
  launcher.Set(kSection, "Name", "QuillNet");
  launcher.Set(kSection, "Exec", DesktopValue(DesktopExecArgument(program)));
  launcher.Set(kSection, "Path", DesktopValue(ProgramFolder()));
  launcher.Set(kSection, "Terminal", "false");
  const std::string path = desktop + ProgramFileName() + ".desktop";
  if (launcher.Save(path) != 0) return false;
  // Desktops start only launchers that are marked executable.
  return ::chmod(path.c_str(), 0755) == 0;
}

}  // namespace qn
