// The settings store: the shared settings file "veltrona.ini" (and, for a moment at a time,
// the per-user file) held in memory as an ini file. Sections and keys match without regard
// to case; values are kept exactly as given. Reads and writes work on the memory copy,
// which is written back whole only by Flush. A file that cannot be written (read-only) is
// read normally and never written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "env/block_file.h"

namespace qn {

// An ini file in memory: "[section]" lines and "key=value" lines below them. A key is the
// text before the first "=", trimmed; its value is everything after that "=", untouched,
// so a value holding "=" or beginning with blanks reads back as it was written. Blank
// lines, comments and other lines are kept in place. Nothing here touches the disk except
// Load and Save.
class IniFile {
 public:
  enum class LoadResult { kLoaded, kMissing, kUnreadable };

  // Replaces the content with the file's (on the disk, or through `files`). A missing file
  // leaves the content empty (kMissing); a file that exists but cannot be read, or is
  // beyond any real ini file's size, does too (kUnreadable).
  LoadResult Load(const std::string& path);
  LoadResult Load(FileSystem& files, const std::string& path);
  // Writes the content whole, through a fresh file in the same folder that then replaces
  // `path` (ReplaceFileWith), so a failed write never leaves half a file. 0, or the error
  // number. A symbolic link at `path` is written through, not replaced: the file it leads
  // to is replaced.
  int Save(const std::string& path) const;
  int Save(FileSystem& files, const std::string& path) const;

  void Parse(std::string_view text);
  std::string Serialize() const;
  void Clear();

  bool HasSection(std::string_view section) const;
  bool HasKey(std::string_view section, std::string_view key) const;
  // The value, or `fallback` when the section or key is missing.
  std::string Get(std::string_view section, std::string_view key,
                  std::string_view fallback = {}) const;
  // Sets the value, adding the section and key when missing. A line break cannot live
  // inside an ini line: line breaks in section, key or value become blanks, so what is kept
  // in memory is what a later Load gives back.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  void EraseKey(std::string_view section, std::string_view key);

  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(std::string_view section) const;

  // True once Set or Erase changed something since the last Parse, Load, Clear or
  // MarkSaved.
  bool modified() const { return modified_; }
  void MarkSaved() { modified_ = false; }

 private:
  struct Line {
    std::string key;    // empty for a line kept as it stands (comment, blank, no "=")
    std::string value;  // the value, or the whole line when key is empty
  };
  struct Section {
    std::string name;   // "" for the lines before the first section header
    std::vector<Line> lines;
  };

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;
  static const Line* FindLine(const Section& s, std::string_view key);

  std::vector<Section> sections_;
  bool modified_ = false;
};

// ---- The settings files of the run ----

enum class SettingsAccess { kReadWrite, kReadOnly };

// Opens `path` (a full path) as the shared settings file; its content replaces the store's
// and the per-user file, if one is in use, is left without writing it. A missing file
// starts empty and is created by the first Flush that has something to write. A file that
// is read-only (its owner write bit cleared, or not writable by this process) or opened
// with kReadOnly is read and never written. A file that exists but cannot be read starts
// the store empty, is treated as read-only so its content is not overwritten, and gives
// false.
bool OpenSettings(const std::string& path, SettingsAccess access = SettingsAccess::kReadWrite);

// The full path of the shared settings file and its folder (ending in "/"); empty until
// OpenSettings.
const std::string& IniFileName();
const std::string& IniFolder();

// True when the shared settings file is read but never written.
bool SettingsReadOnly();

// Writes the file now in use (shared or per-user) when its content changed since it was
// read or written. A read-only file, or a store not bound to a file, is not written and
// gives true. Returns false when the write failed; SettingsErrorCode then holds the error
// number (2 file not found, 5 access denied, ...).
bool FlushSettings();
// The same for the shared file, whichever file is in use.
bool FlushSharedSettings();
// Flushes unsaved changes of the shared file (as FlushSettings), then closes it: the store
// is empty until the next OpenSettings. Returns false when that last write failed.
bool CloseSettings();
int SettingsErrorCode();

// The per-user file: IniFolder + CurrentUserName + ".INI". UseUserSettings flushes the
// shared file and makes the per-user file the one every read and write works on;
// UseSharedSettings flushes and closes the per-user file and returns to the shared file.
// The shared content stays in memory meanwhile, so a failed flush loses nothing. Calling
// either when its file is already in use does nothing. Returns the flush result.
bool UseUserSettings();
bool UseSharedSettings();
bool UsingUserSettings();
// The per-user file's path. A "/" in the user name becomes "_", so the file always lies
// in IniFolder.
std::string UserSettingsFileName();

// The shared store itself, for the folder registry, which lives there whatever file is in
// use at the moment.
IniFile& SharedSettings();

// Back to the start state: nothing open, no file names, section "STANDARD" (for tests).
void ResetSettingsState();

// ---- Reads and writes on the current section of the file in use ----

// The current section of every read and write below; initially "STANDARD".
void SetSection(std::string_view name);
void ResetSection();
std::string CurrentSection();

std::string ReadSettingString(std::string_view key);  // "" when missing
bool ReadSettingBool(std::string_view key);           // false when missing
int32_t ReadSettingInteger(std::string_view key);     // 0 when missing
void WriteSettingString(std::string_view key, std::string_view value);
void WriteSettingBool(std::string_view key, bool value);  // written 1 / 0
void WriteSettingInteger(std::string_view key, int32_t value);

bool SettingExists(std::string_view key);
void DeleteSetting(std::string_view key);

// The text forms behind the reads: a decimal integer with an optional sign and blanks
// around it; anything else (also a number outside 32 bits) reads as the fallback. A
// boolean is true for any number other than zero, however long.
int32_t ParseSettingInteger(std::string_view text, int32_t fallback);
bool ParseSettingBool(std::string_view text, bool fallback);

// Restores the section that was current when it was made (helper for operations that
// change the section for their own work).
class SectionScope {
 public:
  explicit SectionScope(std::string_view section) : saved_(CurrentSection()) {
    SetSection(section);
  }
  ~SectionScope() { SetSection(saved_); }
  SectionScope(const SectionScope&) = delete;
  SectionScope& operator=(const SectionScope&) = delete;

 private:
  std::string saved_;
};

}  // namespace qn
