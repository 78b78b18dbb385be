// The folder registry and the clean-up of folders. A working folder has a short name such
// as "tmp" or "export\html"; its path is kept as name + "_folder" in section "FOLDERS" of
// the shared settings file, and every path handed out ends in one "/". Folders are created
// on demand, but only below the base folder APPDATA + "Veltrona/", and never "bin".
// Emptying a folder never follows a link or enters another file system.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qn {

inline constexpr char kFoldersSection[] = "FOLDERS";

// AppDataFolder() + "Veltrona/".
std::string BaseFolder();

// The standard tree in the order it is created, as registry names ("export\html").
const std::vector<std::string>& StandardFolderNames();
// The folders kept for other programs of the same maker, created after the standard tree.
const std::vector<std::string>& OtherProgramFolderNames();

// The settings key of a folder: "export\html" (or "export/html") -> "export\html_folder".
std::string FolderKey(std::string_view name);

// The path of a working folder, ending in "/". An empty name gives the base folder. A
// folder not registered yet lies at base + name. A missing folder is created with its
// parents (logged "kv_reg.veltronapath(name): Lager mappen path") unless it is "bin" or
// lies outside the base folder. The path is stored back and the shared file flushed when
// that changed it.
std::string veltronapath(std::string_view name);

// Registers a folder: name + "_folder" := path, with a trailing "/" added to a non-empty
// path that lacks one. Nothing is created and nothing flushed.
void SetFolder(std::string_view name, std::string_view path);

// Creates the one folder `path`. Logs "Oppretter mappen " + path on success (a detail
// line, only with VerboseLogging) and "FEIL: [mkdirsafe:" + errno + "] kan ikke opprette
// mappen " + path on failure, also when the folder is already there.
bool mkdirsafe(const std::string& path);

// Creates `path` and any missing parents; true when the folder exists afterwards.
bool MakeFolders(const std::string& path);
bool FolderExists(const std::string& path);

// Registers "bin" (the program's folder) and "doc" (the "doc" folder beside it), creates
// the base folder, then every missing folder of the standard tree and of the other
// programs, registering each at its place below the base folder.
void CreateFolderTree();

// The log folder, created when missing; a registered log folder that does not exist and
// may not be created falls back to base + "log/".
std::string GetLogFolder();
// The registered documentation folder when it exists, else the "doc" folder beside the
// program's folder, which is then registered. Never created here.
std::string GetDocFolder();
// Registers "bin" as the program's folder and returns it.
std::string GetProgramFolder();

// Asks the user for a folder: `chooser` gets the title "Valg mappe" and the start folder
// and gives the chosen folder, or nothing when the user cancelled. Returns the chosen
// folder, or `start` when cancelled, ending in "/"; "" only when both are empty.
using FolderChooser =
    std::function<std::optional<std::string>(const std::string& title, const std::string& start)>;
std::string ChooseFolder(std::string_view start, const FolderChooser& chooser);

// Empties the folder `path` recursively; the folder itself stays. Nothing happens when
// the path, with its trailing "/", has six characters or fewer, when it is not a folder,
// or when it is the home folder or a folder that holds it. A link inside is removed as a
// link: what it points to is never entered or deleted; a folder on another file system
// (a mount point) is not entered either. Each file or folder that cannot be removed is
// logged ("FEIL: kan ikke slette filen ...", "FEIL: kan ikke slette mappen ...") and
// skipped; with VerboseLogging every folder and file is logged as it goes.
void DeleteFolder(std::string_view path);

// Empties the program's "tmp" folder and, with `include_system`, the system's temporary
// folder (only when its name holds "TEMP"), WindowsFolder() + "temp/" and the print spool.
void CleanTemporaryFiles(bool include_system);

}  // namespace qn
