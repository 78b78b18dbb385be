// The program's one log. Every subsystem hands it a message; the log stamps it with the
// date and time, keeps it in an in-memory list and writes the whole list to the log file
// at the end of the run. Messages beginning with an error, warning or hint prefix are
// counted for the summary at shut-down. The lines live in the owner's state (env_state.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "env/block_file.h"

namespace qn {

// Process-wide switches and counters.
extern bool LoggingEnabled;   // off: WriteLog does nothing at all
extern bool VerboseLogging;   // callers test it before writing a detail line
extern bool DirectLogging;    // on: every line is also appended to the file at once
extern int32_t ErrorCount;    // also raised by the engine and by failing text-file routines
extern int32_t WarningCount;
extern int32_t HintCount;

// Writes one log line: time stamp, a blank, the message. Returns -1 when logging is off,
// 0 when the line was only kept in memory, else the result of the direct write.
int WriteLog(std::string_view message);

// Empties the list and the log file and leaves one " LOGGFIL TØMT (TextFile.ClearLog)."
// line in both; ErrorCount becomes 0. Throws IoError when closing the file fails.
void ClearLog();

// The path of the log file, fixed when the log is created.
const std::string& LogFileName();
// Computes the log file name from the environment and the program file, stores and returns it.
std::string GetLogFileName();
// The log file of a program file below a user data folder: appData + "/Veltrona/log/" +
// the program file's name with its extension changed to ".log" ("Other.exe" -> "Other.log",
// "quillnet" -> "quillnet.log").
std::string LogFileNameFor(std::string_view appData, std::string_view programPath);
// Points the log at another file (tests, and the command-line tool's own log).
void SetLogFileName(std::string path);

// The lines kept in memory (UTF-8).
const std::vector<std::string>& LogLines();

// Creation at program start: empty list, LogFileName fixed.
void CreateLog();
// Start-up: when the log file exists, its lines replace the in-memory list.
void LoadLogFile();
// Drops the lines kept in memory; the file and the counters stay as they are.
void DiscardLogLines();
// Writes the in-memory list to LogFileName, replacing the file's content.
void SaveLogFile();
// Finalisation at program end: SaveLogFile, then the list is freed.
void FinishLog();

// The text-file routines under the log. Each failure raises ErrorCount by one; failing
// opens, creates and closes also show a message box (caption "FEIL"). I/O codes are the
// program's runtime error numbers (2 file not found, 3 path not found, 5 access denied,
// 101 disk write error, 103 file not open, ...), 0 for success.
class TextFile {
 public:
  TextFile() = default;
  ~TextFile();  // closes silently when still open
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  const std::string& Name() const { return name_; }

 private:
  friend int OpenTextForAppend(TextFile&, const std::string&);
  friend int CreateTextFile(TextFile&, const std::string&);
  friend int WriteTextLine(TextFile&, std::string_view);
  friend int CloseTextFile(TextFile&);
  std::unique_ptr<BlockFile> file_;
  std::string name_;
  std::string buffer_;  // lines written but not yet handed to the file
  int writeError_ = 0;  // the first write the file refused since it was opened
};

// Binds the file to name and opens it for appending; the file must exist.
int OpenTextForAppend(TextFile& file, const std::string& name);
// Binds the file to name and creates it; an existing file is emptied.
int CreateTextFile(TextFile& file, const std::string& name);
// Writes the text and a CR LF line end. A failure only counts.
int WriteTextLine(TextFile& file, std::string_view text);
// Closes the file; a failure (a write the disk refused, or a file not open) shows
// "Feil under lukking av fil".
int CloseTextFile(TextFile& file);
// Appends one line to name, creating the file when it is missing, and closes it. Returns
// the I/O code of the close; when the file cannot be opened at all, the code of the open
// (reported once, nothing further is tried).
int AppendLineToFile(const std::string& name, std::string_view line);

// Messages of the text-file routines ("Feil under åpning av ...") are shown through
// this callback: caption, text. The window sets it; without one they go to stderr.
using MessageCallback = std::function<void(const std::string& caption, const std::string& text)>;
void SetLogMessageCallback(MessageCallback callback);

// The files the log and its text-file routines reach (tests hand in memory files or a
// failing disk); nullptr: the disk.
void SetLogFiles(std::shared_ptr<FileSystem> files);

// Puts every switch, counter and the list back to their start values (for tests).
void ResetLogState();

}  // namespace qn
