// A fixture for tests of the settings, folders and environment: each test gets its own
// scratch folder with APPDATA and HOME pointing into it and the working directory set to
// it; afterwards every variable, the working directory and all process-wide state of the
// settings, environment and log are put back, and the folder is removed without following
// any link.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qn::scratch {

class ScratchEnvTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // root_ + "/" + rel.
  std::string Path(std::string_view rel) const;
  // Sets (or with nullopt unsets) an environment variable until the test ends.
  void SetEnv(const char* name, std::optional<std::string> value);

  static void WriteFile(const std::string& path, std::string_view text);
  static std::string ReadFile(const std::string& path);
  static bool Exists(const std::string& path);
  static bool IsDir(const std::string& path);
  static bool IsLink(const std::string& path);
  static void MakeDirs(const std::string& path);

  // True when some log line ends with `message` (the log stamps lines at the front).
  static bool Logged(std::string_view message);
  // How many log lines contain `part`.
  static int LoggedCount(std::string_view part);

  std::string root_;  // the scratch folder, no trailing "/"

 private:
  std::map<std::string, std::optional<std::string>> saved_env_;
  std::string saved_cwd_;
};

}  // namespace qn::scratch
