// The command table of quilltool and the helpers its commands share.
#include "tool/tool.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <exception>

#include "env/folders.h"
#include "env/settings.h"
#include "env/text_codec.h"
#include "content/initial_content.h"

namespace qn::tool {

namespace {

std::vector<ToolCommand>& Table() {
  static std::vector<ToolCommand> table;
  return table;
}

const ToolCommand* Find(std::string_view name) {
  for (const ToolCommand& command : Table()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h" || arg == "help"; }

std::string UsageLine(const ToolCommand& command) {
  std::string line = "quilltool " + std::string(command.name);
  if (!command.arguments.empty()) line += " " + std::string(command.arguments);
  return line;
}

}  // namespace

RegisterCommand::RegisterCommand(const ToolCommand& command) { Table().push_back(command); }

std::vector<ToolCommand> Commands() {
  std::vector<ToolCommand> commands = Table();
  std::sort(commands.begin(), commands.end(),
            [](const ToolCommand& a, const ToolCommand& b) { return a.name < b.name; });
  return commands;
}

void PrintUsage(std::ostream& out) {
  out << "Usage: quilltool COMMAND [ARGS]\n\n"
         "Commands:\n";
  std::vector<ToolCommand> commands = Commands();
  size_t width = 0;
  for (const ToolCommand& c : commands) width = std::max(width, UsageLine(c).size() - 10);
  for (const ToolCommand& c : commands) {
    std::string head = UsageLine(c).substr(10);  // without "quilltool "
    out << "  " << head << std::string(width - head.size() + 3, ' ') << c.summary << '\n';
  }
  out << "\nExit codes: 0 done, 1 not found, 2 usage or file error.\n";
}

int Fail(ToolContext& context, std::string_view message) {
  context.err << "quilltool: " << message << '\n';
  return kExitError;
}

int UsageError(ToolContext& context, const ToolCommand& command) {
  return Fail(context, "usage: " + UsageLine(command));
}

bool ExpectArguments(ToolContext& context, const ToolCommand& command,
                     const std::vector<std::string>& args, size_t count) {
  if (args.size() == count) return true;
  UsageError(context, command);
  return false;
}

std::string ErrorDescription(int32_t code) {
  std::string text = ErrorText(code);
  // Numbers above 1000 carry a system error that has no row of its own.
  if (text.empty() && code > 1000) text = std::strerror(code - 1000);
  return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

int OpenForReading(ToolContext& context, const std::string& fileName, tDataImageArk& database) {
  if (!context.files->Exists(fileName)) return Fail(context, fileName + ": no such file");
  OpenDatabase(database, fileName, OpenPolicy::kInspect);
  if (!database.IsOpen()) {
    return Fail(context, fileName + ": cannot open (" + ErrorDescription(database.LastError()) + ")");
  }
  return kExitOk;
}

std::string PrintableText(std::string_view fileText) { return Cp1252ToUtf8(fileText); }

void LoadSettings() {
  // The program's own rule: a "veltrona.ini" in the working directory wins, else the one
  // in the user's settings folder. The tool only reads it: it never writes or creates it.
  std::string path = "veltrona.ini";
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) path = BaseFolder() + "etc/veltrona.ini";
  OpenSettings(path, SettingsAccess::kReadOnly);
}

int RunTool(const std::vector<std::string>& args, ToolContext& context) {
  if (args.empty()) return Fail(context, "no command given (see quilltool --help)");
  if (IsHelp(args[0])) {
    PrintUsage(context.out);
    return kExitOk;
  }
  const ToolCommand* command = Find(args[0]);
  if (!command) return Fail(context, "unknown command " + args[0] + " (see quilltool --help)");
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (rest.size() == 1 && (rest[0] == "--help" || rest[0] == "-h")) {
    context.out << "Usage: " << UsageLine(*command) << "\n" << command->summary << '\n';
    return kExitOk;
  }
  try {
    return command->run(rest, context);
  } catch (const std::exception& e) {
    return Fail(context, e.what());
  }
}

}  // namespace qn::tool
