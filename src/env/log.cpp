// Placeholder until the log is built: keeps lines in memory only.
#include "env/log.h"

namespace qn {

bool LoggingEnabled = false;
bool VerboseLogging = false;
bool DirectLogging = false;
int32_t ErrorCount = 0;
int32_t WarningCount = 0;
int32_t HintCount = 0;

namespace {
std::vector<std::string> g_lines;
std::string g_fileName;
}  // namespace

int WriteLog(std::string_view message) {
  if (!LoggingEnabled) return -1;
  g_lines.emplace_back(message);
  return 0;
}
void ClearLog() { g_lines.clear(); ErrorCount = 0; }
const std::string& LogFileName() { return g_fileName; }
std::string GetLogFileName() { return g_fileName; }
const std::vector<std::string>& LogLines() { return g_lines; }
void CreateLog() {}
void LoadLogFile() {}
void SaveLogFile() {}
void FinishLog() {}
void SetLogMessageCallback(MessageCallback) {}
void ResetLogState() {
  g_lines.clear();
  LoggingEnabled = VerboseLogging = DirectLogging = false;
  ErrorCount = WarningCount = HintCount = 0;
}

}  // namespace qn
