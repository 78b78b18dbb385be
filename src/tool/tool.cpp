// The command table of quilltool and the helpers its commands share.
#include "tool/tool.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>

#include "env/folders.h"
#include "env/settings.h"
#include "env/text_codec.h"
#include "store/database.h"
#include "store/error_text.h"
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
  out << "Usage: quilltool COMMAND [ARGS]\n"
         "       quilltool COMMAND --help | --help | --version\n\n"
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
  const std::string text = ErrorReason(code);
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

int OpenForWalking(ToolContext& context, const std::string& fileName, tDataImageArk& database) {
  if (!context.files->Exists(fileName)) return Fail(context, fileName + ": no such file");
  database.Open(fileName, OpenPolicy::kInspect);
  if (!database.IsOpen()) {
    return Fail(context, fileName + ": cannot open (" + ErrorDescription(database.LastError()) + ")");
  }
  return kExitOk;
}

namespace {

// The length of the well-formed UTF-8 sequence at text[i] whose first byte is 0x80 or
// above; 0 when it is not one.
size_t SequenceLength(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || text.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  return length;
}

void AppendEscape(std::string& out, const char* prefix, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += prefix;
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

}  // namespace

std::string Escaped(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c == '\\') {
      out += "\\\\";
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      AppendEscape(out, "\\x", c);
      ++i;
    } else if (c < 0x80) {
      out += char(c);
      ++i;
    } else if (const size_t length = SequenceLength(utf8, i); length == 0) {
      AppendEscape(out, "\\x", c);  // a byte that is no character: a terminal might act on it
      ++i;
    } else if (c == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      // U+0080..U+009F, the C1 controls (U+009B starts an escape sequence in some terminals).
      AppendEscape(out, "\\u00", static_cast<unsigned char>(utf8[i + 1]));
      i += 2;
    } else {
      out.append(utf8.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string PrintableText(std::string_view fileText) { return Escaped(Cp1252ToUtf8(fileText)); }

void AppendPrintableText(std::string& out, std::string_view fileText) {
  // Every 8-bit character becomes one whole UTF-8 sequence, and the escapes go by
  // sequence: a text's printed form is its bytes' printed forms one after another.
  struct Form {
    char bytes[7];
    uint8_t length;
  };
  static const std::array<Form, 256> kForms = [] {
    std::array<Form, 256> forms{};
    for (int b = 0; b < 256; ++b) {
      const std::string form = PrintableText(std::string(1, char(b)));
      forms[size_t(b)].length = uint8_t(std::min(form.size(), sizeof forms[0].bytes));
      std::memcpy(forms[size_t(b)].bytes, form.data(), forms[size_t(b)].length);
    }
    return forms;
  }();
  for (const char c : fileText) {
    const Form& form = kForms[uint8_t(c)];
    out.append(form.bytes, form.length);
  }
}

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
  if (args[0] == "--version") {
    // The same line as the window's "--version".
    context.out << kProductName << ' ' << kProductVersion << '\n';
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
