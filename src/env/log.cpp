#include "env/log.h"

#include <cerrno>
#include <cstdio>

#include "env/datetime_text.h"
#include "env/env_state.h"
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

LogState& State() { return CurrentEnv().log; }

void ShowError(const std::string& text) {
  if (State().callback) {
    State().callback("FEIL", text);
  } else {
    std::fprintf(stderr, "FEIL: %s\n", text.c_str());
  }
}

std::string TimeStamp() { return FormatDateTime(NowAsDateTime()); }

FileSystem& Files() {
  const std::shared_ptr<FileSystem>& files = State().files;
  return files ? *files : *DiskFileSystem();
}

// The log's folder may be missing when the log is written before the folder tree exists or
// when the "log" folder has been registered elsewhere; the file always lives here. A folder
// that cannot be made shows when the file is written.
void MakeParentFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) Files().MakeFolder(path.substr(0, slash));
}

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
  State().lines.push_back(line);
  int result = 0;
  if (DirectLogging) result = AppendLineToFile(State().fileName, line);
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
  LogState& log = State();
  const std::string line = TimeStamp() + kClearedText;
  log.lines.clear();
  log.lines.push_back(line);
  log.keepFileContent = false;
  MakeParentFolder(log.fileName);
  TextFile file;
  // A file that cannot be created has already been reported; there is nothing to close.
  if (CreateTextFile(file, log.fileName) == 0) {
    WriteTextLine(file, line);
    const int code = CloseTextFile(file);
    if (code != 0) throw IoError(code, "Feil under lukking av fil " + log.fileName);
  }
  ErrorCount = 0;
}

const std::string& LogFileName() { return State().fileName; }

std::string LogFileNameFor(std::string_view appData, std::string_view programPath) {
  std::string name(programPath.substr(programPath.find_last_of('/') + 1));
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  std::string folder(appData);
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + "Veltrona/log/" + name + ".log";
}

std::string GetLogFileName() {
  LogState& log = State();
  log.fileName = LogFileNameFor(AppDataFolder(), ProgramFilePath());
  return log.fileName;
}

void SetLogFileName(std::string path) { State().fileName = std::move(path); }

const std::vector<std::string>& LogLines() { return State().lines; }

void CreateLog() {
  LogState& log = State();
  log.lines.clear();
  log.keepFileContent = false;
  log.unsavedFrom = 0;
  GetLogFileName();
}

void LoadLogFile() {
  LogState& log = State();
  if (log.fileName.empty()) return;
  std::string text;
  const int code = ReadWholeFile(Files(), log.fileName, kLogFileLimit, &text);
  if (code == kErrorFileNotFound) return;
  if (code != 0) {
    // Keep the earlier runs' lines in the file rather than overwrite them at the end.
    ++ErrorCount;
    ShowError("Feil under åpning av " + log.fileName + "  (" + std::to_string(code) + ")");
    log.keepFileContent = true;
    log.unsavedFrom = 0;
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
  log.lines = std::move(lines);
  log.keepFileContent = false;
}

void DiscardLogLines() {
  LogState& log = State();
  log.lines.clear();
  log.unsavedFrom = 0;
}

void SaveLogFile() {
  LogState& log = State();
  if (log.fileName.empty()) return;
  MakeParentFolder(log.fileName);
  TextFile file;
  if (log.keepFileContent) {
    if (OpenOrCreate(file, log.fileName) != 0) return;
    for (size_t i = log.unsavedFrom; i < log.lines.size(); ++i) WriteTextLine(file, log.lines[i]);
    if (CloseTextFile(file) == 0) log.unsavedFrom = log.lines.size();
    return;
  }
  // Written beside the log and moved over it, so a full disk never costs the earlier lines.
  std::string text;
  for (const std::string& line : log.lines) (text += line) += "\r\n";
  if (const int code = ReplaceFileWith(Files(), log.fileName, text, log.fileName + ".tmp"); code != 0) {
    ++ErrorCount;
    ShowError("Feil under oppretting av ny fil: " + log.fileName + "  (" + std::to_string(code) + ")");
  }
}

void SetLogFiles(std::shared_ptr<FileSystem> files) { State().files = std::move(files); }

void FinishLog() {
  LogState& log = State();
  SaveLogFile();
  log.lines.clear();
  log.lines.shrink_to_fit();
}

void SetLogMessageCallback(MessageCallback callback) { State().callback = std::move(callback); }

void ResetLogState() {
  State() = LogState{};
  LoggingEnabled = VerboseLogging = DirectLogging = false;
  ErrorCount = WarningCount = HintCount = 0;
}

}  // namespace qn
