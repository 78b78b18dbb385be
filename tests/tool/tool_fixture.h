// The shared base of the quilltool tests: an in-memory file system, the tool's output and
// error text captured, and the process-wide log, settings and engine state reset before and
// after each test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "store/database.h"
#include "store/new_database_file.h"
#include "env/log.h"
#include "env/settings.h"
#include "tool/tool.h"

namespace qn::test {

class ToolFixture : public ::testing::Test {
 protected:
  void SetUp() override { ResetState(); }
  void TearDown() override { ResetState(); }

  static void ResetState() {
    ResetLogState();
    ResetSettingsState();
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    tool::ToolContext context{out, err, fs};
    return tool::RunTool(args, context);
  }
  int ErrLines() const {
    std::string e = err.str();
    return int(std::count(e.begin(), e.end(), '\n'));
  }
  static std::string P(Position p) { return std::to_string(p); }

  std::shared_ptr<MemoryFileSystem> fs = std::make_shared<MemoryFileSystem>();
  std::ostringstream out, err;
};

}  // namespace qn::test
