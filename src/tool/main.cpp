// quilltool: the command-line tool over the database engine. The commands live in their
// own files (cmd_*.cpp) and register themselves; see tool.h.
#include <iostream>
#include <string>
#include <vector>

#include "commands/program_state.h"
#include "env/block_file.h"
#include "tool/tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  qn::ProgramState state;
  qn::ProgramScope scope(state);
  qn::tool::LoadSettings();
  qn::tool::ToolContext context{std::cout, std::cerr, qn::DiskFileSystem()};
  int code = qn::tool::RunTool(args, context);
  std::cout.flush();
  return code;
}
