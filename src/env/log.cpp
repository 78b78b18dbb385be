#include "env/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "env/datetime_text.h"
#include "env/environment.h"
#include "env/errors.h"

namespace qn {

bool LoggingEnabled = false;
bool VerboseLogging = false;
bool DirectLogging = false;
int32_t ErrorCount = 0;
int32_t WarningCount = 0;
int32_t HintCount = 0;

namespace {

constexpr int kFileNotOpen = 103;
constexpr const char* kClearedText = " LOGGFIL TØMT (TextFile.ClearLog).";

std::vector<std::string> g_lines;
std::string g_fileName;
MessageCallback g_callback;
// Set when the log file existed at start but could not be read: its content is then kept,
// and saving appends the lines from g_unsavedFrom on instead of replacing the file.
bool g_keepFileContent = false;
size_t g_unsavedFrom = 0;

void ShowError(const std::string& text) {
  if (g_callback) {
    g_callback("FEIL", text);
  } else {
    std::fprintf(stderr, "FEIL: %s\n", text.c_str());
  }
}

std::string TimeStamp() { return FormatDateTime(NowAsDateTime()); }

// The log's folder may be missing when the log is written before the folder tree exists or
// when the "log" folder has been registered elsewhere; the file always lives here.
void MakeParentFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
}

int OpenStream(std::FILE*& stream, const std::string& name, int flags) {
  stream = nullptr;
  const int fd = ::open(name.c_str(), flags | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return ErrorCodeFromErrno(errno, false);
  stream = ::fdopen(fd, (flags & O_APPEND) ? "ab" : "wb");
  if (stream == nullptr) {
    const int err = errno;
    ::close(fd);
    return ErrorCodeFromErrno(err, false);
  }
  return 0;
}

}  // namespace

// ---- text-file routines ----

TextFile::~TextFile() {
  if (file_ != nullptr) std::fclose(file_);
}

int OpenTextForAppend(TextFile& file, const std::string& name) {
  if (file.file_ != nullptr) std::fclose(file.file_);
  file.name_ = name;
  const int code = OpenStream(file.file_, name, O_APPEND);
  if (code != 0) {
    ++ErrorCount;
    ShowError("Feil under åpning av " + name + "  (" + std::to_string(code) + ")");
  }
  return code;
}

int CreateTextFile(TextFile& file, const std::string& name) {
  if (file.file_ != nullptr) std::fclose(file.file_);
  file.name_ = name;
  const int code = OpenStream(file.file_, name, O_CREAT | O_TRUNC);
  if (code != 0) {
    ++ErrorCount;
    ShowError("Feil under oppretting av ny fil: " + name + "  (" + std::to_string(code) + ")");
  }
  return code;
}

int WriteTextLine(TextFile& file, std::string_view text) {
  int code = 0;
  if (file.file_ == nullptr) {
    code = kFileNotOpen;
  } else {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file.file_) != text.size() ||
        std::fwrite("\r\n", 1, 2, file.file_) != 2) {
      code = errno != 0 ? ErrorCodeFromErrno(errno, true) : 101;
    }
  }
  if (code != 0) ++ErrorCount;
  return code;
}

int CloseTextFile(TextFile& file) {
  int code = 0;
  if (file.file_ == nullptr) {
    code = kFileNotOpen;
  } else {
    // Buffered lines reach the disk here, so a full disk shows up as a failing close.
    errno = 0;
    if (std::fflush(file.file_) != 0) code = ErrorCodeFromErrno(errno, true);
    errno = 0;
    if (std::fclose(file.file_) != 0 && code == 0) code = ErrorCodeFromErrno(errno, true);
    file.file_ = nullptr;
  }
  if (code != 0) {
    ++ErrorCount;
    ShowError("Feil under lukking av fil");
  }
  return code;
}

namespace {
int OpenOrCreate(TextFile& file, const std::string& name) {
  struct stat st{};
  return ::stat(name.c_str(), &st) == 0 ? OpenTextForAppend(file, name) : CreateTextFile(file, name);
}
}  // namespace

int AppendLineToFile(const std::string& name, std::string_view line) {
  TextFile file;
  const int opened = OpenOrCreate(file, name);
  if (opened != 0) return opened;
  WriteTextLine(file, line);
  return CloseTextFile(file);
}

// ---- the log ----

int WriteLog(std::string_view message) {
  if (!LoggingEnabled) return -1;
  std::string line = TimeStamp();
  line += ' ';
  line += message;
  g_lines.push_back(line);
  int result = 0;
  if (DirectLogging) result = AppendLineToFile(g_fileName, line);
  if (message.starts_with("ERROR:") || message.starts_with("FEIL:")) {
    ++ErrorCount;
  } else if (message.starts_with("WARNING:") || message.starts_with("ADVARSEL:")) {
    ++WarningCount;
  } else if (message.starts_with("HINT:")) {
    ++HintCount;
  }
  return result;
}

void ClearLog() {
  const std::string line = TimeStamp() + kClearedText;
  g_lines.clear();
  g_lines.push_back(line);
  g_keepFileContent = false;
  MakeParentFolder(g_fileName);
  TextFile file;
  // A file that cannot be created has already been reported; there is nothing to close.
  if (CreateTextFile(file, g_fileName) == 0) {
    WriteTextLine(file, line);
    const int code = CloseTextFile(file);
    if (code != 0) throw IoError(code, "Feil under lukking av fil " + g_fileName);
  }
  ErrorCount = 0;
}

const std::string& LogFileName() { return g_fileName; }

std::string LogFileNameFor(std::string_view appData, std::string_view programPath) {
  std::string name(programPath.substr(programPath.find_last_of('/') + 1));
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  std::string folder(appData);
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + "Veltrona/log/" + name + ".log";
}

std::string GetLogFileName() {
  g_fileName = LogFileNameFor(AppDataFolder(), ProgramFilePath());
  return g_fileName;
}

void SetLogFileName(std::string path) { g_fileName = std::move(path); }

const std::vector<std::string>& LogLines() { return g_lines; }

void CreateLog() {
  g_lines.clear();
  g_keepFileContent = false;
  g_unsavedFrom = 0;
  GetLogFileName();
}

void LoadLogFile() {
  struct stat st{};
  if (g_fileName.empty() || ::stat(g_fileName.c_str(), &st) != 0) return;
  std::FILE* in = std::fopen(g_fileName.c_str(), "rbe");
  std::string text;
  int code = in == nullptr ? ErrorCodeFromErrno(errno, false) : 0;
  if (in != nullptr) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) text.append(buf, n);
    if (std::ferror(in)) code = ErrorCodeFromErrno(errno != 0 ? errno : EIO, false);
    std::fclose(in);
  }
  if (code != 0) {
    // Keep the earlier runs' lines in the file rather than overwrite them at the end.
    ++ErrorCount;
    ShowError("Feil under åpning av " + g_fileName + "  (" + std::to_string(code) + ")");
    g_keepFileContent = true;
    g_unsavedFrom = 0;
    return;
  }
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text, start, i - start);
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text, start);
  g_lines = std::move(lines);
  g_keepFileContent = false;
}

void DiscardLogLines() {
  g_lines.clear();
  g_unsavedFrom = 0;
}

void SaveLogFile() {
  if (g_fileName.empty()) return;
  MakeParentFolder(g_fileName);
  TextFile file;
  if (g_keepFileContent) {
    if (OpenOrCreate(file, g_fileName) != 0) return;
    for (size_t i = g_unsavedFrom; i < g_lines.size(); ++i) WriteTextLine(file, g_lines[i]);
    if (CloseTextFile(file) == 0) g_unsavedFrom = g_lines.size();
    return;
  }
  // Written beside the log and moved over it, so a full disk never costs the earlier lines.
  const std::string temp = g_fileName + ".tmp";
  if (CreateTextFile(file, temp) != 0) return;
  for (const std::string& line : g_lines) WriteTextLine(file, line);
  if (CloseTextFile(file) != 0) {
    ::unlink(temp.c_str());
    return;
  }
  if (::rename(temp.c_str(), g_fileName.c_str()) != 0) {
    ++ErrorCount;
    ShowError("Feil under oppretting av ny fil: " + g_fileName + "  (" +
              std::to_string(ErrorCodeFromErrno(errno, true)) + ")");
    ::unlink(temp.c_str());
  }
}

void FinishLog() {
  SaveLogFile();
  g_lines.clear();
  g_lines.shrink_to_fit();
}

void SetLogMessageCallback(MessageCallback callback) { g_callback = std::move(callback); }

void ResetLogState() {
  g_lines.clear();
  g_fileName.clear();
  g_callback = nullptr;
  g_keepFileContent = false;
  g_unsavedFrom = 0;
  LoggingEnabled = VerboseLogging = DirectLogging = false;
  ErrorCount = WarningCount = HintCount = 0;
}

}  // namespace qn
