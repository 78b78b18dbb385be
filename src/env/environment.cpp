#include "env/environment.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sstream>
#include <sys/utsname.h>
#include <unistd.h>

#include "env/env_state.h"
#include "env/text_codec.h"

namespace qn {

namespace {

FactsState& State() { return CurrentEnv().facts; }
SystemFacts& Facts() { return State().Facts(); }

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}

std::string WithSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/' && path[path.size() - 2] == '/') path.pop_back();
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

}  // namespace

// ---- SystemFacts: the running system ----

std::optional<std::string> SystemFacts::LogonName() {
  const char* name = ::getlogin();
  if (name == nullptr || *name == '\0') return std::nullopt;
  return std::string(name);
}

std::string SystemFacts::HostName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  return buf;
}

std::string SystemFacts::NisDomain() {
  char buf[256] = {};
  if (::getdomainname(buf, sizeof buf - 1) != 0) return {};
  const std::string d = buf;
  return d == "(none)" ? std::string() : d;
}

std::string SystemFacts::ResolvConf() { return ReadWholeFile("/etc/resolv.conf"); }

std::vector<std::string> SystemFacts::Ipv4Addresses() {
  std::vector<std::string> out;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    if ((a->ifa_flags & IFF_LOOPBACK) != 0 || (a->ifa_flags & IFF_UP) == 0) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) out.emplace_back(text);
  }
  ::freeifaddrs(list);
  return out;
}

std::string SystemFacts::KernelRelease() {
  utsname u;
  if (::uname(&u) != 0) return {};
  return u.release;
}

std::string SystemFacts::OsRelease() {
  std::string text = ReadWholeFile("/etc/os-release");
  if (text.empty()) text = ReadWholeFile("/usr/lib/os-release");
  return text;
}

std::string SystemFacts::ProgramFile() {
  char* real = ::realpath("/proc/self/exe", nullptr);
  if (real == nullptr) return {};
  std::string out = real;
  std::free(real);
  return out;
}

std::string SystemFacts::SpoolFolder() { return "/var/spool/cups/"; }
std::string SystemFacts::WindowsFolder() { return "/etc/"; }

void SetSystemFacts(SystemFacts* facts) { State().facts = facts; }

// ---- Command-line values ----

void SetUserNameOption(std::string_view name) {
  State().userOption = std::string(name);
  State().userName.reset();
}

void SetIpOption(std::string_view address) { State().ipOption = std::string(address); }

// ---- Folders of the user ----

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
      home = pw->pw_dir;
    }
  }
  return home.empty() ? std::string("/") : WithSlash(home);
}

std::string AppDataFolder() {
  std::string base = Env("APPDATA");
  if (base.empty()) base = Env("XDG_DATA_HOME");
  if (base.empty()) return HomeFolder() + ".local/share/";
  return WithSlash(base);
}

// ---- The user ----

std::string LogonUserName() {
  if (std::optional<std::string> name = Facts().LogonName()) return *name;
  std::string name = Env("USERNAME");
  if (name.empty()) name = Env("USER");
  return name;
}

std::string CurrentUserName() {
  if (State().userName) return *State().userName;
  // An empty "--user" value (the option given last) counts as not given.
  std::string name = State().userOption.value_or("");
  if (name.empty()) name = LogonUserName();
  name = UpperCase(name);
  if (name.empty()) name = "BRUKER";
  State().userName = name;
  return name;
}

void ResetUserNameCache() { State().userName.reset(); }

// ---- The machine ----

std::string RegComputerName() { return Facts().HostName(); }

std::string DomainFromResolvConf(std::string_view text) {
  std::string domain;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = TrimView(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::string_view word;
    if (line.substr(0, 6) == "domain") {
      word = line.substr(6);
    } else if (line.substr(0, 6) == "search") {
      word = line.substr(6);
    } else {
      continue;
    }
    if (word.empty() || (word.front() != ' ' && word.front() != '\t')) continue;
    word = TrimView(word);
    const size_t blank = word.find_first_of(" \t");
    domain = std::string(word.substr(0, blank));
  }
  return domain;
}

std::string RegDomain() {
  std::string domain = Facts().NisDomain();
  if (domain.empty()) domain = DomainFromResolvConf(Facts().ResolvConf());
  return domain;
}

std::string IpAddress() {
  if (State().ipOption) return *State().ipOption;
  if (RegDomain().empty()) return {};
  for (const std::string& a : Facts().Ipv4Addresses()) {
    if (!a.empty() && a != "0.0.0.0") return a;
  }
  return "0.0.0.0";
}

std::string SpoolFolder() { return WithSlash(Facts().SpoolFolder()); }
std::string WindowsFolder() { return WithSlash(Facts().WindowsFolder()); }
std::string HostsFolder() { return WindowsFolder(); }

std::string TempFolder() {
  std::string t = Env("TEMP");
  if (t.empty()) t = Env("TMPDIR");
  if (t.empty()) t = "/tmp";
  return WithSlash(t);
}

std::string DesktopFolder() {
  const std::string home = HomeFolder();
  std::string config = Env("XDG_CONFIG_HOME");
  config = config.empty() ? home + ".config/" : WithSlash(config);
  const std::string dirs = ReadWholeFile((config + "user-dirs.dirs").c_str());
  std::string_view text = dirs;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = TrimView(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
    if (line.substr(0, kKey.size()) != kKey) continue;
    std::string_view value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    // The file holds "$HOME/..." or an absolute path; anything else is not used.
    if (value.substr(0, 5) == "$HOME") {
      std::string_view rest = value.substr(5);
      while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
      if (!rest.empty()) return WithSlash(home + std::string(rest));
    } else if (!value.empty() && value.front() == '/') {
      return WithSlash(std::string(value));
    }
  }
  return home + "Desktop/";
}

std::string OsReleaseValue(std::string_view text, std::string_view key) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = TrimView(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.size() <= key.size() || line.substr(0, key.size()) != key ||
        line[key.size()] != '=') {
      continue;
    }
    std::string_view value = line.substr(key.size() + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
      if (value[i] == '\\' && i + 1 < value.size()) ++i;  // shell-style escapes
      out += value[i];
    }
    return out;
  }
  return {};
}

std::string WindowsVersionText() {
  const std::string release = Facts().KernelRelease();
  std::string distribution = OsReleaseValue(Facts().OsRelease(), "PRETTY_NAME");
  if (distribution.empty()) distribution = OsReleaseValue(Facts().OsRelease(), "NAME");
  // The release begins "major.minor."; the rest tells the build.
  std::string version;
  size_t dots = 0;
  for (char c : release) {
    if (c == '.' && ++dots == 2) break;
    if ((c < '0' || c > '9') && c != '.') break;
    version += c;
  }
  std::string text = "Linux";
  if (!distribution.empty()) text += " (" + distribution + ")";
  return text + " Version: " + version + " Build: " + release;
}

// ---- The program ----

std::string ProgramFilePath() { return Facts().ProgramFile(); }

std::string ProgramFileName() {
  const std::string path = ProgramFilePath();
  return path.substr(path.rfind('/') + 1);
}

std::string ProgramFolder() {
  const std::string path = ProgramFilePath();
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

std::string LoginLine() {
  return "LOGIN: " + LogonUserName() + "  node: " + RegComputerName() + "." + RegDomain() +
         " IP:" + IpAddress();
}

void ResetEnvironmentState() {
  FactsState& state = State();
  state.facts = nullptr;
  state.userOption.reset();
  state.ipOption.reset();
  state.userName.reset();
}

}  // namespace qn
