#include "env/settings.h"

#include <cerrno>
#include <climits>
#include <memory>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "env/text_codec.h"
#include "env/whole_file.h"
#include "env/env_state.h"
#include "env/environment.h"

namespace qn {

namespace {

constexpr char kStandardSection[] = "STANDARD";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

// Section and key names compared without regard to case. Names are nearly always plain
// ASCII, compared here directly; anything else goes through the full upper-casing.
bool SameName(std::string_view a, std::string_view b) {
  if (!IsAscii(a) || !IsAscii(b)) return SameText(a, b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// A line break inside a name or value would start a new line in the file.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

// An ini file far beyond any real one is not read without end.
constexpr size_t kSettingsFileLimit = size_t(16) << 20;

// Writes the whole text over the file's old content, through the file itself: for a folder
// this program may not create files in, and for a link that leads nowhere yet.
int WriteInPlace(FileSystem& files, const std::string& path, const std::string& text, bool create) {
  std::unique_ptr<BlockFile> file;
  int error = create ? files.Create(path, &file) : files.Open(path, false, &file);
  if (error != 0) return error;
  error = file->Truncate(0);
  if (error == 0) error = WriteAll(*file, text);
  if (error == 0) error = file->Sync();
  const int closed = file->Close();
  return error != 0 ? error : closed;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

// ---- IniFile ----

IniFile::LoadResult IniFile::Load(const std::string& path) { return Load(*DiskFileSystem(), path); }

IniFile::LoadResult IniFile::Load(FileSystem& files, const std::string& path) {
  Clear();
  std::string text;
  const int error = ReadWholeFile(files, path, kSettingsFileLimit, &text);
  if (error == kErrorFileNotFound) return LoadResult::kMissing;
  if (error != 0) return LoadResult::kUnreadable;
  Parse(text);
  return LoadResult::kLoaded;
}

int IniFile::Save(const std::string& path) const { return Save(*DiskFileSystem(), path); }

int IniFile::Save(FileSystem& files, const std::string& path) const {
  const std::string text = Serialize();
  std::string target = path;
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return WriteInPlace(files, path, text, true);  // a dangling link: create its target
    target = real;
    std::free(real);
  }
  const size_t slash = target.rfind('/');
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  // The fresh file is hidden beside the target.
  const int error = ReplaceFileWith(files, target, text, FolderOf(target) + "/." + name + ".new");
  // A folder we may not create files in can still hold a file we may write.
  if (error == kErrorAccessDenied && files.Exists(target)) return WriteInPlace(files, target, text, false);
  return error;
}

void IniFile::Clear() {
  sections_.clear();
  modified_ = false;
}

void IniFile::Parse(std::string_view text) {
  Clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark
  Section* current = nullptr;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::string_view trimmed = TrimBlanks(line);
    if (!trimmed.empty() && trimmed.front() == '[') {
      const size_t close = trimmed.rfind(']');
      if (close != std::string_view::npos && close > 0) {
        const std::string_view name = TrimBlanks(trimmed.substr(1, close - 1));
        current = FindSection(name);  // a repeated header continues the earlier section
        if (current == nullptr) {
          sections_.push_back(Section{std::string(name), {}});
          current = &sections_.back();
        }
        continue;
      }
    }
    if (current == nullptr) {
      sections_.push_back(Section{"", {}});
      current = &sections_.back();
    }
    const bool comment = !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
    const size_t eq = line.find('=');
    const std::string_view key = eq == std::string_view::npos ? std::string_view{}
                                                              : TrimBlanks(line.substr(0, eq));
    if (comment || key.empty()) {
      current->lines.push_back(Line{"", std::string(line)});
    } else {
      current->lines.push_back(Line{std::string(key), std::string(line.substr(eq + 1))});
    }
  }
  // Serialize puts one blank line between sections; trailing blanks would pile up.
  for (Section& s : sections_) {
    while (!s.lines.empty() && s.lines.back().key.empty() &&
           TrimBlanks(s.lines.back().value).empty()) {
      s.lines.pop_back();
    }
  }
  modified_ = false;
}

std::string IniFile::Serialize() const {
  std::string out;
  bool first = true;
  for (const Section& s : sections_) {
    if (s.name.empty() && s.lines.empty()) continue;
    if (!first) out += '\n';
    first = false;
    if (!s.name.empty()) out += "[" + s.name + "]\n";
    for (const Line& l : s.lines) {
      if (!l.key.empty()) out += l.key + "=";
      out += l.value;
      out += '\n';
    }
  }
  return out;
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
  for (Section& s : sections_) {
    if (SameName(s.name, name)) return &s;
  }
  return nullptr;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  for (const Section& s : sections_) {
    if (SameName(s.name, name)) return &s;
  }
  return nullptr;
}

const IniFile::Line* IniFile::FindLine(const Section& s, std::string_view key) {
  for (const Line& l : s.lines) {
    if (!l.key.empty() && SameName(l.key, key)) return &l;
  }
  return nullptr;
}

bool IniFile::HasSection(std::string_view section) const {
  return FindSection(TrimBlanks(section)) != nullptr;
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(TrimBlanks(section));
  return s != nullptr && FindLine(*s, TrimBlanks(key)) != nullptr;
}

std::string IniFile::Get(std::string_view section, std::string_view key,
                         std::string_view fallback) const {
  const Section* s = FindSection(TrimBlanks(section));
  const Line* l = s == nullptr ? nullptr : FindLine(*s, TrimBlanks(key));
  return l == nullptr ? std::string(fallback) : l->value;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string name = OneLine(TrimBlanks(section));
  const std::string k = OneLine(TrimBlanks(key));
  if (k.empty()) return;  // a line "=value" would not read back as a key
  const std::string v = OneLine(value);
  Section* s = FindSection(name);
  if (s == nullptr) {
    // Lines without a section can only stand before the first header.
    if (name.empty()) {
      sections_.insert(sections_.begin(), Section{"", {}});
      s = &sections_.front();
    } else {
      sections_.push_back(Section{name, {}});
      s = &sections_.back();
    }
  }
  for (Line& l : s->lines) {
    if (!l.key.empty() && SameName(l.key, k)) {
      if (l.value != v) {
        l.value = v;
        modified_ = true;
      }
      return;
    }
  }
  s->lines.push_back(Line{k, v});
  modified_ = true;
}

void IniFile::EraseKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(TrimBlanks(section));
  if (s == nullptr) return;
  const std::string_view k = TrimBlanks(key);
  for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
    if (!it->key.empty() && SameName(it->key, k)) {
      s->lines.erase(it);
      modified_ = true;
      return;
    }
  }
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> out;
  for (const Section& s : sections_) {
    if (!s.name.empty()) out.push_back(s.name);
  }
  return out;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> out;
  if (const Section* s = FindSection(TrimBlanks(section))) {
    for (const Line& l : s->lines) {
      if (!l.key.empty()) out.push_back(l.key);
    }
  }
  return out;
}

// ---- The settings files of the run ----

namespace {

SettingsState& State() { return CurrentEnv().settings; }

SettingsStore& Active() {
  SettingsState& st = State();
  return st.usingUser ? st.user : st.shared;
}

// A file counts as read-only when its owner may not write it (the mode bit, which also
// holds for root) or this process may not.
bool IsReadOnlyFile(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;  // missing: created at flush
  return (st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool StoreReadOnly(const SettingsStore& s) {
  return s.forced_read_only || (!s.path.empty() && IsReadOnlyFile(s.path));
}

bool LoadStore(SettingsStore* s, const std::string& path, bool read_only) {
  s->path = path;
  const IniFile::LoadResult r = s->ini.Load(path);
  s->forced_read_only = read_only || r == IniFile::LoadResult::kUnreadable;
  return r != IniFile::LoadResult::kUnreadable;
}

bool FlushStore(SettingsStore* s) {
  if (s->path.empty() || !s->ini.modified() || StoreReadOnly(*s)) return true;
  if (const int error = s->ini.Save(s->path); error != 0) {
    State().error = error;
    return false;
  }
  s->ini.MarkSaved();
  return true;
}

std::string Absolute(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  char* cwd = ::getcwd(nullptr, 0);
  if (cwd == nullptr) return path;
  std::string out = cwd;
  std::free(cwd);
  if (out.back() != '/') out += '/';
  return out + path;
}

}  // namespace

bool OpenSettings(const std::string& path, SettingsAccess access) {
  SettingsState& st = State();
  st.usingUser = false;
  st.user = SettingsStore{};
  st.iniFileName = Absolute(path);
  st.iniFolder = FolderOf(st.iniFileName);
  if (st.iniFolder.back() != '/') st.iniFolder += '/';
  return LoadStore(&st.shared, st.iniFileName, access == SettingsAccess::kReadOnly);
}

const std::string& IniFileName() { return State().iniFileName; }
const std::string& IniFolder() { return State().iniFolder; }

bool SettingsReadOnly() { return StoreReadOnly(State().shared); }

bool FlushSettings() { return FlushStore(&Active()); }
bool FlushSharedSettings() { return FlushStore(&State().shared); }

bool CloseSettings() {
  bool ok = UseSharedSettings();
  ok = FlushStore(&State().shared) && ok;
  State().shared = SettingsStore{};
  return ok;
}

int SettingsErrorCode() { return State().error; }

std::string UserSettingsFileName() {
  const std::string& folder = State().iniFolder;
  if (folder.empty()) return {};
  std::string name = CurrentUserName();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return folder + name + ".INI";
}

bool UseUserSettings() {
  SettingsState& st = State();
  if (st.usingUser) return true;
  const bool ok = FlushStore(&st.shared);
  st.user = SettingsStore{};
  const std::string path = UserSettingsFileName();
  if (!path.empty()) LoadStore(&st.user, path, false);
  st.usingUser = true;
  return ok;
}

bool UseSharedSettings() {
  SettingsState& st = State();
  if (!st.usingUser) return true;
  const bool ok = FlushStore(&st.user);
  st.user = SettingsStore{};
  st.usingUser = false;
  return ok;
}

bool UsingUserSettings() { return State().usingUser; }

IniFile& SharedSettings() { return State().shared.ini; }

void ResetSettingsState() { State() = SettingsState{}; }

// ---- Reads and writes ----

void SetSection(std::string_view name) { State().section = std::string(name); }
void ResetSection() { State().section = kStandardSection; }
std::string CurrentSection() { return State().section; }

std::string ReadSettingString(std::string_view key) { return Active().ini.Get(State().section, key); }

bool ReadSettingBool(std::string_view key) {
  return ParseSettingBool(Active().ini.Get(State().section, key), false);
}

int32_t ReadSettingInteger(std::string_view key) {
  return ParseSettingInteger(Active().ini.Get(State().section, key), 0);
}

void WriteSettingString(std::string_view key, std::string_view value) {
  Active().ini.Set(State().section, key, value);
}

void WriteSettingBool(std::string_view key, bool value) {
  Active().ini.Set(State().section, key, value ? "1" : "0");
}

void WriteSettingInteger(std::string_view key, int32_t value) {
  Active().ini.Set(State().section, key, std::to_string(value));
}

bool SettingExists(std::string_view key) { return Active().ini.HasKey(State().section, key); }

void DeleteSetting(std::string_view key) { Active().ini.EraseKey(State().section, key); }

namespace {

// Splits "  -123 " into sign and digits; false when it is not a decimal number.
bool SplitNumber(std::string_view text, bool* negative, std::string_view* digits) {
  text = TrimBlanks(text);
  *negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    *negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *digits = text;
  return true;
}

}  // namespace

int32_t ParseSettingInteger(std::string_view text, int32_t fallback) {
  bool negative;
  std::string_view digits;
  if (!SplitNumber(text, &negative, &digits)) return fallback;
  int64_t value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > int64_t{INT32_MAX} + 1) return fallback;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return fallback;
  return static_cast<int32_t>(value);
}

bool ParseSettingBool(std::string_view text, bool fallback) {
  bool negative;
  std::string_view digits;
  if (!SplitNumber(text, &negative, &digits)) return fallback;
  return digits.find_first_not_of('0') != std::string_view::npos;
}

}  // namespace qn
