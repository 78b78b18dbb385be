// The setup dialogs' models: the start-up options ("Oppstart", section "STANDARD"), the
// database settings ("Oppsett Quillnet Database", section "QUILLNET-SERVER") and the
// program folders ("Oppsett programmapper"). Each reads every value when its dialog is
// shown and writes every value when it closes, however it closes; there is no cancel.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace qn {

// A check box or text box and the key it stands for.
struct SetupItem {
  std::string_view caption;
  std::string_view section;
  std::string_view key;
};

// ---- "Oppstart" ----
inline constexpr std::string_view kStartupCaption = "Oppstart";
inline constexpr std::array<SetupItem, 7> kStartupItems = {{
    {"Automatisk pålogging", "STANDARD", "autologon"},
    {"Logg til fil", "STANDARD", "LogToFile"},
    {"Detaljert logging", "STANDARD", "VerboseLogging"},
    {"Slett loggfil ved oppstartt", "STANDARD", "ClearLogFileOnStartup"},
    {"Direkte logging til fil", "STANDARD", "DirectLogging"},
    {"Slett midlertidige filer", "STANDARD", "DeleteTemporaryFiles"},
    {"Slett midlertidige systemfiler", "STANDARD", "DeleteSystemTemporaryFiles"},
}};
inline constexpr size_t kDeleteTemporaryFilesBox = 5;
inline constexpr size_t kDeleteSystemFilesBox = 6;

struct StartupOptions {
  std::array<bool, kStartupItems.size()> checked{};
  void Read();
  void Write() const;
  // "Slett midlertidige systemfiler" is enabled only while "Slett midlertidige filer" is
  // checked; its own state is kept either way.
  bool SystemFilesEnabled() const { return checked[kDeleteTemporaryFilesBox]; }
};

// ---- "Oppsett Quillnet Database" ----
inline constexpr std::string_view kDatabaseSetupCaption = "Oppsett Quillnet Database";
inline constexpr std::array<SetupItem, 7> kDatabaseItems = {{
    {"Logg databasehendelser til fil", "QUILLNET-SERVER", "LogTofile"},
    {"Logg detaljer", "QUILLNET-SERVER", "VerboseLogging"},
    {"Lag sikkerhetskopi når databasen åpnes", "QUILLNET-SERVER", "CreateBackup"},
    {"Lag automatisk ny database hvis den ikke finnes", "QUILLNET-SERVER", "AutoCreateDatabase"},
    {"Lag minimal database", "QUILLNET-SERVER", "AutoCreateRecords"},
    {"Bruk skrivebuffer", "QUILLNET-SERVER", "DatabaseCache"},
    {"Bruk lesebuffer", "QUILLNET-SERVER", "DatabaseCacheRead"},
}};
// "AutoCreateRecords" is an integer: checked is exactly 1, and it is written 1 or 0.
inline constexpr size_t kMinimalDatabaseBox = 4;

struct DatabaseOptions {
  std::array<bool, kDatabaseItems.size()> checked{};
  // Both work in "QUILLNET-SERVER" and leave "STANDARD" the current section.
  void Read();
  void Write() const;
};

// ---- "Oppsett programmapper" ----
inline constexpr std::string_view kFolderSetupCaption = "Oppsett programmapper";
inline constexpr std::array<SetupItem, 8> kFolderItems = {{
    {"Dokumenter:", "FOLDERS", "data\\docs_folder"},
    {"Midlertidige filer:", "FOLDERS", "tmp_folder"},
    {"Dokumentasjon:", "FOLDERS", "doc_folder"},
    {"PDF-mappe:", "STANDARD", "PDF-mappe"},
    {"Importmappe:", "FOLDERS", "import_folder"},
    {"XML-data:", "FOLDERS", "xml_folder"},
    {"Bildefiler:", "FOLDERS", "images_folder"},
    {"Regnskapsdata:", "FOLDERS", "data\\regnskap_folder"},
}};

struct FolderOptions {
  std::array<std::string, kFolderItems.size()> folders;
  // Each box its key's value (empty when missing); written back exactly as it stands: no
  // separator added, no folder made.
  void Read();
  void Write() const;
};

}  // namespace qn
