#include "tool/progress.h"

#include <unistd.h>

#include <iostream>

namespace qn::tool {

TerminalProgress::TerminalProgress(ToolContext& context, std::string_view what)
    : context_(context), what_(what), active_(&context.err == &std::cerr && ::isatty(2) == 1) {}

TerminalProgress::~TerminalProgress() {
  if (shown_) context_.err << '\n';
}

ExchangeProgress TerminalProgress::Callback() {
  if (!active_) return {};
  return [this](int64_t done, int64_t total) {
    const int percent = total > 0 ? int(done * 100 / total) : -1;
    if (percent >= 0 && percent == lastPercent_) return true;
    lastPercent_ = percent;
    context_.err << '\r' << what_ << ": " << done;
    if (total > 0) context_.err << '/' << total;
    context_.err.flush();
    shown_ = true;
    return true;
  };
}

}  // namespace qn::tool
