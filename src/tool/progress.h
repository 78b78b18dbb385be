// The progress line of the long quilltool commands: "what: done/total" rewritten in place
// on stderr, only when stderr is a terminal (never in a pipe, a log or a test), and ended
// with a line break when the command is through.
#pragma once

#include <string>
#include <string_view>

#include "exchange/output_file.h"
#include "tool/tool.h"

namespace qn::tool {

class TerminalProgress {
 public:
  TerminalProgress(ToolContext& context, std::string_view what);
  ~TerminalProgress();
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  // Empty when stderr is no terminal.
  ExchangeProgress Callback();

 private:
  ToolContext& context_;
  std::string what_;
  bool active_ = false;
  bool shown_ = false;
  int lastPercent_ = -1;
};

}  // namespace qn::tool
