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
#include <vector>

#include "env/environment.h"

namespace qn::scratch {

// Machine facts a test decides. Fields left unset read the running system.
struct FakeFacts : SystemFacts {
  std::optional<std::optional<std::string>> logon;  // set to nullopt-inside: no login name
  std::optional<std::string> host, nis_domain, resolv_conf, kernel, os_release, program,
      spool, windows;
  std::optional<std::vector<std::string>> addresses;

  std::optional<std::string> LogonName() override {
    return logon ? *logon : SystemFacts::LogonName();
  }
  std::string HostName() override { return host ? *host : SystemFacts::HostName(); }
  std::string NisDomain() override { return nis_domain ? *nis_domain : SystemFacts::NisDomain(); }
  std::string ResolvConf() override {
    return resolv_conf ? *resolv_conf : SystemFacts::ResolvConf();
  }
  std::vector<std::string> Ipv4Addresses() override {
    return addresses ? *addresses : SystemFacts::Ipv4Addresses();
  }
  std::string KernelRelease() override { return kernel ? *kernel : SystemFacts::KernelRelease(); }
  std::string OsRelease() override { return os_release ? *os_release : SystemFacts::OsRelease(); }
  std::string ProgramFile() override { return program ? *program : SystemFacts::ProgramFile(); }
  std::string SpoolFolder() override { return spool ? *spool : SystemFacts::SpoolFolder(); }
  std::string WindowsFolder() override {
    return windows ? *windows : SystemFacts::WindowsFolder();
  }
};

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
  // Installed for every test. The spool, system and program folders point into root_, so
  // no test can reach the real ones; the rest reads the running system until a test sets it.
  FakeFacts facts_;

 private:
  std::map<std::string, std::optional<std::string>> saved_env_;
  std::string saved_cwd_;
};

}  // namespace qn::scratch
