// A throwaway environment for the env tests: a fresh temporary folder that is the working
// directory and holds APPDATA and HOME, with the log, settings and environment state reset
// before and after. The folder and
// everything below it is removed afterwards; the real home folder is never touched.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

#include "env/environment.h"
#include "env/log.h"
#include "env/settings.h"

namespace qn::test {

class TempEnv {
 public:
  TempEnv() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillnet-env-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    oldCwd_ = std::filesystem::current_path();
    for (const char* name : {"APPDATA", "HOME", "XDG_DATA_HOME"}) saved_[Index(name)] = Get(name);
    std::filesystem::create_directories(root_ / "appdata");
    std::filesystem::create_directories(root_ / "home");
    std::filesystem::create_directories(root_ / "work");
    ::setenv("APPDATA", (root_ / "appdata").c_str(), 1);
    ::setenv("HOME", (root_ / "home").c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    std::filesystem::current_path(root_ / "work");
    ResetState();
  }
  ~TempEnv() {
    ResetState();
    std::error_code ec;
    std::filesystem::current_path(oldCwd_, ec);
    for (const char* name : {"APPDATA", "HOME", "XDG_DATA_HOME"}) {
      const auto& v = saved_[Index(name)];
      if (v) ::setenv(name, v->c_str(), 1); else ::unsetenv(name);
    }
    std::filesystem::remove_all(root_, ec);
  }
  TempEnv(const TempEnv&) = delete;
  TempEnv& operator=(const TempEnv&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path AppData() const { return root_ / "appdata"; }
  std::filesystem::path Work() const { return root_ / "work"; }

  static std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }

 private:
  static void ResetState() {
    ResetLogState();
    ResetSettingsState();
    ResetEnvironmentState();
  }
  static int Index(const std::string& name) { return name == "APPDATA" ? 0 : name == "HOME" ? 1 : 2; }
  static std::optional<std::string> Get(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
  }

  std::filesystem::path root_;
  std::filesystem::path oldCwd_;
  std::optional<std::string> saved_[3];
};

}  // namespace qn::test
