#include "env/startup.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "env/datetime_text.h"
#include "env/env_state.h"
#include "env/environment.h"
#include "env/errors.h"
#include "env/folders.h"
#include "env/log.h"
#include "env/settings.h"

namespace qn {

namespace {

constexpr const char* kIniName = "veltrona.ini";
constexpr const char* kStampSection = "INI_SELF";

bool IsRegularFile(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// The folder of the shared settings file: the working directory when it holds one,
// otherwise APPDATA + "Veltrona/etc/", created when missing.
std::string ChooseSettingsFolder() {
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  if (!ec && IsRegularFile((cwd / kIniName).string())) return WithSlash(cwd.string());
  const std::string etc = BaseFolder() + "etc/";
  if (!IsFolder(etc)) MakeFolders(etc);
  return etc;
}

void WriteStamps(const std::string& prefix, const std::string& time, const std::string& program) {
  WriteSettingString(prefix + "TIME", time);
  WriteSettingString(prefix + "NAME", IniFileName());
  WriteSettingString(prefix + "PROGRAM", program);
  WriteSettingString(prefix + "USER", CurrentUserName());
  WriteSettingString(prefix + "INIVERSION", kIniVersion);
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& parameters) {
  CommandLine cl;
  cl.parameters = parameters;
  const size_t n = parameters.size();
  // A value is the next parameter, which the loop still examines as an option of its own.
  auto valueAfter = [&](size_t i) { return i + 1 < n ? parameters[i + 1] : std::string(); };
  for (size_t i = 0; i < n; ++i) {
    const std::string& p = parameters[i];
    if (p == "--debug") {
      cl.debug = true;
    } else if (p == "-install") {
      cl.install = true;
    } else if (p == "-ip") {
      cl.ip = valueAfter(i);
    } else if (p == "--user") {
      cl.user = valueAfter(i);
    } else if (p == "--caption") {
      cl.caption = valueAfter(i);
    }
  }
  return cl;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> parameters;
  for (int i = 1; i < argc; ++i) parameters.emplace_back(argv[i]);
  return ParseCommandLine(parameters);
}

const CommandLine& StartupCommandLine() { return CurrentEnv().commandLine; }

namespace {

// The command line's switches, before anything else is read: "--debug" and "-install" turn
// the log and its detail lines on, "-ip" and "--user" stand in for the machine's answers.
void TakeCommandLine(const CommandLine& commandLine) {
  CurrentEnv().commandLine = commandLine;
  if (commandLine.debug || commandLine.install) LoggingEnabled = VerboseLogging = true;
  if (commandLine.ip) SetIpOption(*commandLine.ip);
  if (commandLine.user) SetUserNameOption(*commandLine.user);
}

// Opens the shared settings file by its absolute path and stamps it: "CREATED_" only when
// it was not there before this start, "MODIFIED_" at every start. True when it existed.
bool OpenAndStampSettings(const std::string& program) {
  const std::string folder = ChooseSettingsFolder();
  std::error_code ec;
  std::string iniPath = std::filesystem::absolute(folder + kIniName, ec).lexically_normal().string();
  if (ec) iniPath = folder + kIniName;
  const bool existed = IsRegularFile(iniPath);
  OpenSettings(iniPath);

  const double now = NowAsDateTime();
  const std::string time = FormatShortDate(now) + " " + FormatLongTime(now);
  SetSection(kStampSection);
  if (!existed) WriteStamps("CREATED_", time, program);
  WriteStamps("MODIFIED_", time, program);
  ResetSection();
  return existed;
}

// Logging as the settings say. The stored "DirectLogging" choice applies as well. When the
// settings turn logging off, what "--debug" collected so far is not kept either: a run with
// logging off leaves no lines of its own in the log file. Then the log is emptied when
// asked (a failing close has already been shown and counted), and the log file's lines
// replace what was logged so far.
void SettleLogging() {
  LoggingEnabled = ReadSettingBool("LogToFile");
  DirectLogging = LoggingEnabled && ReadSettingBool("DirectLogging");
  if (!LoggingEnabled) DiscardLogLines();
  if (ReadSettingBool("ClearLogFileOnStartup")) {
    try {
      ClearLog();
    } catch (const IoError&) {
    }
  }
  if (IsRegularFile(LogFileName())) LoadLogFile();
}

void WriteStartLines(const std::string& program) {
  if (!LoggingEnabled) return;
  WriteLog("START: " + program);
  WriteLog("INIFIL: " + IniFileName());
  WriteLog("BRUKER: " + CurrentUserName());
  if (VerboseLogging) WriteLog(LoginLine());
}

}  // namespace

StartupFacts RunStartup(const CommandLine& commandLine) {
  CreateLog();
  TakeCommandLine(commandLine);
  const std::string program = ProgramFilePath();
  const bool iniExisted = OpenAndStampSettings(program);

  // The settings folder is the "etc" folder; the whole tree is made on a first start or
  // when asked to install.
  SetFolder("etc", IniFolder());
  if (!IsFolder(BaseFolder() + "data") || commandLine.install) CreateFolderTree();

  SettleLogging();
  if (ReadSettingBool("DeleteTemporaryFiles")) {
    CleanTemporaryFiles(ReadSettingBool("DeleteSystemTemporaryFiles"));
  }
  GetLogFolder();  // the log folder exists from here on
  // Detail lines: "--debug" keeps them on whatever the settings say.
  if (!VerboseLogging) VerboseLogging = ReadSettingBool("VerboseLogging") && LoggingEnabled;
  WriteStartLines(program);

  StartupFacts facts;
  facts.iniFileName = IniFileName();
  facts.iniExisted = iniExisted;
  facts.baseFolder = BaseFolder();
  facts.logFileName = LogFileName();
  facts.programPath = program;
  return facts;
}

void RunShutdown() {
  // 1. Settings to disk. A read-only file is never written; CloseSettings leaves it alone.
  const std::string iniName = IniFileName();
  const bool readOnly = SettingsReadOnly();
  bool written = true;
  try {
    if (!readOnly) written = FlushSettings();
    written = CloseSettings() && written;
  } catch (const std::exception&) {
    written = false;
  }
  if (!written) WriteLog("INI-CRASH i KV_REG: " + iniName);

  // 2. The summary.
  if (VerboseLogging) {
    if (readOnly) {
      WriteLog("ADVARSEL: " + iniName + " er skrivebeskyttet og vil ikke bli lagret.");
    } else {
      WriteLog("Oppdaterer " + iniName);
    }
    WriteLog("AVSLUTTER PROGRAM. " + std::to_string(ErrorCount) + " feilmeldinger og " +
             std::to_string(WarningCount) + " advarsler");
    if (HintCount > 0) WriteLog("Det ble gitt " + std::to_string(HintCount) + " hint i programmet");
  }

  // 3. The log to its file.
  FinishLog();
}

}  // namespace qn
