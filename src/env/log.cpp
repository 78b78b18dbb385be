#include "env/log.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "env/datetime_text.h"
#include "env/environment.h"
#include "env/errors.h"
#include "env/whole_file.h"

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
std::shared_ptr<FileSystem> g_files;
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

FileSystem& Files() { return g_files ? *g_files : *DiskFileSystem(); }

// Lines are handed to the file in pieces of this size, and at the close.
constexpr size_t kTextFileBuffer = 1 << 16;

// A log far beyond any real one is kept in the file and appended to, not read whole.
constexpr size_t kLogFileLimit = size_t(64) << 20;

}  // namespace

// ---- text-file routines ----

TextFile::~TextFile() {
  if (file_) {
    WriteAll(*file_, buffer_);
    file_->Close();
  }
}

int OpenTextForAppend(TextFile& file, const std::string& name) {
  if (file.IsOpen()) CloseTextFile(file);
  file.name_ = name;
  file.writeError_ = 0;
  int code = Files().Open(name, false, &file.file_);
  if (code == 0) code = file.file_->Seek(file.file_->Size());
  if (code != 0) {
    file.file_.reset();
    ++ErrorCount;
    ShowError("Feil under åpning av " + name + "  (" + std::to_string(code) + ")");
  }
  return code;
}

int CreateTextFile(TextFile& file, const std::string& name) {
  if (file.IsOpen()) CloseTextFile(file);
  file.name_ = name;
  file.writeError_ = 0;
  const int code = Files().Create(name, &file.file_);
  if (code != 0) {
    file.file_.reset();
    ++ErrorCount;
    ShowError("Feil under oppretting av ny fil: " + name + "  (" + std::to_string(code) + ")");
  }
  return code;
}

int WriteTextLine(TextFile& file, std::string_view text) {
  int code = 0;
  if (!file.IsOpen()) {
    code = kFileNotOpen;
  } else {
    file.buffer_.append(text);
    file.buffer_.append("\r\n");
    if (file.buffer_.size() >= kTextFileBuffer) {
      code = WriteAll(*file.file_, file.buffer_);
      file.buffer_.clear();
      if (file.writeError_ == 0) file.writeError_ = code;
    }
  }
  if (code != 0) ++ErrorCount;
  return code;
}

int CloseTextFile(TextFile& file) {
  int code = 0;
  if (!file.IsOpen()) {
    code = kFileNotOpen;
  } else {
    // Buffered lines reach the disk here, so a full disk shows up as a failing close.
    code = file.writeError_ != 0 ? file.writeError_ : WriteAll(*file.file_, file.buffer_);
    file.buffer_.clear();
    const int closed = file.file_->Close();
    if (code == 0) code = closed;
    file.file_.reset();
  }
  if (code != 0) {
    ++ErrorCount;
    ShowError("Feil under lukking av fil");
  }
  return code;
}

namespace {
int OpenOrCreate(TextFile& file, const std::string& name) {
  return Files().Exists(name) ? OpenTextForAppend(file, name) : CreateTextFile(file, name);
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
  if (g_fileName.empty()) return;
  std::string text;
  const int code = ReadWholeFile(Files(), g_fileName, kLogFileLimit, &text);
  if (code == kErrorFileNotFound) return;
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
  std::string text;
  for (const std::string& line : g_lines) (text += line) += "\r\n";
  if (const int code = ReplaceFileWith(Files(), g_fileName, text, g_fileName + ".tmp"); code != 0) {
    ++ErrorCount;
    ShowError("Feil under oppretting av ny fil: " + g_fileName + "  (" + std::to_string(code) + ")");
  }
}

void SetLogFiles(std::shared_ptr<FileSystem> files) { g_files = std::move(files); }

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
  g_files = nullptr;
  LoggingEnabled = VerboseLogging = DirectLogging = false;
  ErrorCount = WarningCount = HintCount = 0;
}

}  // namespace qn
