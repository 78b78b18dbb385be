// quilltool's framework: the table of commands, which each command file fills through a
// RegisterCommand object of its own (main.cpp never changes for a new command), and the
// helpers every command shares. Exit codes: 0 done, 1 not found, 2 a usage or file error
// with exactly one line on stderr. Output is UTF-8; read-only commands never change a
// byte of the file and never create it.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "env/block_file.h"
#include "store/database.h"

namespace qn::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNotFound = 1;
inline constexpr int kExitError = 2;

// What a command runs with. Tests hand in string streams and an in-memory file system.
struct ToolContext {
  std::ostream& out;
  std::ostream& err;
  std::shared_ptr<FileSystem> files;  // the disk unless a test hands in another
};

struct ToolCommand {
  std::string_view name;       // "scan"
  std::string_view arguments;  // "FILE"
  std::string_view summary;    // one line for the usage text
  int (*run)(const std::vector<std::string>& args, ToolContext& context);
};

// Declared at namespace scope in a command's file: `RegisterCommand reg{{"scan", ...}};`
class RegisterCommand {
 public:
  explicit RegisterCommand(const ToolCommand& command);
};

// Every registered command, by name.
std::vector<ToolCommand> Commands();

// Runs the command line (without the program name) and returns the exit code.
int RunTool(const std::vector<std::string>& args, ToolContext& context);

// Writes the usage text (all commands) to `out`.
void PrintUsage(std::ostream& out);

// One line "quilltool: <message>" on stderr; returns kExitError.
int Fail(ToolContext& context, std::string_view message);
// The usage line of one command as an error; returns kExitError.
int UsageError(ToolContext& context, const ToolCommand& command);

// Checks the number of arguments of `command`; false after writing its usage error.
bool ExpectArguments(ToolContext& context, const ToolCommand& command,
                     const std::vector<std::string>& args, size_t count);

// Opens `fileName` through the engine for reading only: the file is never created and
// never changed, and no backup copy is made. Returns kExitOk, or kExitError after one
// line on stderr.
int OpenForReading(ToolContext& context, const std::string& fileName, tDataImageArk& database);
// The same for a command that walks from the top and never uses where the cursor starts:
// the opening does not look for the first data record, a walk of its own through every
// list before "Data".
int OpenForWalking(ToolContext& context, const std::string& fileName, tDataImageArk& database);

// "error 5: Ikke tilgang til fil/mappe" (the text left out when the number has none).
std::string ErrorDescription(int32_t code);

// Text as the tool prints it: every control character (the bytes below 0x20 and 0x7F,
// and U+0080..U+009F) as an escape (`\x1b`, `\u009b`) and the backslash doubled, so
// that no name, text or path from a file can drive the terminal or break a line, and
// every printed text reads back one way. Every command prints text from the file
// through this. Invalid UTF-8 is passed on as it is.
std::string Escaped(std::string_view utf8);

// Text from the database file (Windows-1252) as it is printed: UTF-8, Escaped.
std::string PrintableText(std::string_view fileText);
// The same appended to `out`, each byte from a table made once: for a listing that
// prints many names.
void AppendPrintableText(std::string& out, std::string_view fileText);

// Loads the user's settings for the run, so the engine sees the same switches as the
// program. Called once by main before a command runs.
void LoadSettings();

}  // namespace qn::tool
