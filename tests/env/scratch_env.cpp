#include "env/scratch_env.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "env/environment.h"
#include "env/log.h"
#include "env/settings.h"

namespace qn::scratch {

namespace {

int RemoveEntry(const char* path, const struct stat* st, int type, FTW*) {
  if (type == FTW_DP) {
    ::rmdir(path);
  } else {
    if (type != FTW_SL && S_ISDIR(st->st_mode)) ::rmdir(path);
    ::unlink(path);
  }
  return 0;
}

int OpenUpEntry(const char* path, const struct stat* st, int type, FTW*) {
  if (type != FTW_SL && type != FTW_SLN && S_ISDIR(st->st_mode)) ::chmod(path, 0755);
  return 0;
}

}  // namespace

void ScratchEnvTest::SetUp() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                        "/quill-env-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << errno;
  root_ = pattern;
  char* cwd = ::getcwd(nullptr, 0);
  saved_cwd_ = cwd != nullptr ? cwd : "/";
  std::free(cwd);
  ASSERT_EQ(::chdir(root_.c_str()), 0);

  MakeDirs(Path("appdata"));
  MakeDirs(Path("home"));
  SetEnv("APPDATA", Path("appdata"));
  SetEnv("HOME", Path("home"));
  SetEnv("XDG_DATA_HOME", std::nullopt);
  SetEnv("XDG_CONFIG_HOME", std::nullopt);

  ResetSettingsState();
  ResetEnvironmentState();
  ResetLogState();
  LoggingEnabled = true;
  facts_.spool = Path("spool/");
  facts_.windows = Path("win/");
  facts_.program = Path("prog/bin/quillnet");
  SetSystemFacts(&facts_);
}

void ScratchEnvTest::TearDown() {
  ResetSettingsState();
  ResetEnvironmentState();
  ResetLogState();
  for (const auto& [name, value] : saved_env_) {
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }
  saved_env_.clear();
  if (::chdir(saved_cwd_.c_str()) != 0 && ::chdir("/") != 0) ADD_FAILURE();
  if (!root_.empty()) {
    ::nftw(root_.c_str(), OpenUpEntry, 16, FTW_PHYS);
    ::nftw(root_.c_str(), RemoveEntry, 16, FTW_PHYS | FTW_DEPTH);
  }
}

std::string ScratchEnvTest::Path(std::string_view rel) const {
  return root_ + "/" + std::string(rel);
}

void ScratchEnvTest::SetEnv(const char* name, std::optional<std::string> value) {
  if (saved_env_.find(name) == saved_env_.end()) {
    const char* old = std::getenv(name);
    saved_env_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
  }
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

void ScratchEnvTest::WriteFile(const std::string& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  ASSERT_TRUE(out.good()) << path;
}

std::string ScratchEnvTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool ScratchEnvTest::Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool ScratchEnvTest::IsDir(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ScratchEnvTest::IsLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

void ScratchEnvTest::MakeDirs(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0755);
  }
}

bool ScratchEnvTest::Logged(std::string_view message) {
  for (const std::string& line : LogLines()) {
    if (line.size() >= message.size() &&
        line.compare(line.size() - message.size(), message.size(), message) == 0) {
      return true;
    }
  }
  return false;
}

int ScratchEnvTest::LoggedCount(std::string_view part) {
  int n = 0;
  for (const std::string& line : LogLines()) {
    if (line.find(part) != std::string::npos) ++n;
  }
  return n;
}

}  // namespace qn::scratch
