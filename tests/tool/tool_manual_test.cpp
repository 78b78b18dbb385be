// The tool's installed help: "--version" prints the window's version line, and every
// command the tool knows is described in its manual page and offered by the bash
// completion, so neither falls behind when a command is added.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "store/database.h"
#include "tool/tool.h"
#include "tool/tool_fixture.h"

using namespace qn;
using namespace qn::tool;

namespace {

std::string Packaging(const std::string& name) {
  std::ifstream in(std::string(QUILLNET_SOURCE_DIR) + "/packaging/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ToolManualTest : public qn::test::ToolFixture {};

TEST_F(ToolManualTest, VersionAndEveryCommandInTheManualAndTheCompletion) {
  EXPECT_EQ(Run({"--version"}), kExitOk);
  EXPECT_EQ(out.str(), std::string(kProductName) + " " + std::string(kProductVersion) + "\n");
  EXPECT_THAT(Packaging("quilltool.1"), ::testing::HasSubstr(std::string(kProductVersion)));

  const std::string manual = Packaging("quilltool.1");
  const std::string completion = Packaging("quilltool.bash-completion");
  ASSERT_FALSE(manual.empty());
  ASSERT_FALSE(completion.empty());
  for (const ToolCommand& command : Commands()) {
    const std::string name(command.name);
    EXPECT_NE(manual.find(".BI \"" + name + " "), std::string::npos) << name;
    EXPECT_NE(completion.find(" " + name + " "), std::string::npos) << name;
  }
}

}  // namespace
