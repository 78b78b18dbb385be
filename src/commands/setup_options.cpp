#include "commands/setup_options.h"

#include "env/folders.h"
#include "env/settings.h"

namespace qn {
namespace {

constexpr std::string_view kStandardSection = "STANDARD";

// Runs `work` in `section`, then makes "STANDARD" the current section.
template <typename Work>
void InSection(std::string_view section, Work work) {
  SetSection(section);
  work();
  SetSection(kStandardSection);
}

}  // namespace

void StartupOptions::Read() {
  for (size_t i = 0; i < kStartupItems.size(); ++i) {
    InSection(kStartupItems[i].section, [&] { checked[i] = ReadSettingBool(kStartupItems[i].key); });
  }
}

void StartupOptions::Write() const {
  for (size_t i = 0; i < kStartupItems.size(); ++i) {
    InSection(kStartupItems[i].section, [&] { WriteSettingBool(kStartupItems[i].key, checked[i]); });
  }
  FlushSettings();
}

void DatabaseOptions::Read() {
  InSection(kDatabaseItems[0].section, [&] {
    for (size_t i = 0; i < kDatabaseItems.size(); ++i) {
      checked[i] = i == kMinimalDatabaseBox ? ReadSettingInteger(kDatabaseItems[i].key) == 1
                                            : ReadSettingBool(kDatabaseItems[i].key);
    }
  });
}

void DatabaseOptions::Write() const {
  InSection(kDatabaseItems[0].section, [&] {
    for (size_t i = 0; i < kDatabaseItems.size(); ++i) {
      if (i == kMinimalDatabaseBox) {
        WriteSettingInteger(kDatabaseItems[i].key, checked[i] ? 1 : 0);
      } else {
        WriteSettingBool(kDatabaseItems[i].key, checked[i]);
      }
    }
  });
  FlushSettings();
}

// The folder registry lives in the shared file whichever file is in use; the PDF folder
// is an ordinary setting.
void FolderOptions::Read() {
  for (size_t i = 0; i < kFolderItems.size(); ++i) {
    const SetupItem& item = kFolderItems[i];
    if (item.section == kFoldersSection) {
      folders[i] = SharedSettings().Get(item.section, item.key);
    } else {
      InSection(item.section, [&] { folders[i] = ReadSettingString(item.key); });
    }
  }
}

void FolderOptions::Write() const {
  for (size_t i = 0; i < kFolderItems.size(); ++i) {
    const SetupItem& item = kFolderItems[i];
    if (item.section == kFoldersSection) {
      SharedSettings().Set(item.section, item.key, folders[i]);
    } else {
      InSection(item.section, [&] { WriteSettingString(item.key, folders[i]); });
    }
  }
  FlushSharedSettings();
  FlushSettings();
}

}  // namespace qn
