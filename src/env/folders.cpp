#include "env/folders.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "env/environment.h"
#include "env/log.h"
#include "env/settings.h"
#include "env/text_codec.h"

namespace qn {

namespace {

// A folder path ends in one "/" ("" stays "").
std::string WithSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/' && path[path.size() - 2] == '/') path.pop_back();
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

// Registry names use "\" between their parts; the folder on disk uses "/".
std::string DiskName(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

// "/a/./b//c/../d/" -> "/a/b/d", by text only. A relative path stays relative.
std::string NormalizePath(std::string_view path) {
  const bool absolute = !path.empty() && path.front() == '/';
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty() && parts.back() != "..") {
        parts.pop_back();
      } else if (!absolute) {
        parts.push_back(part);
      }
      continue;
    }
    parts.push_back(part);
  }
  std::string out = absolute ? "/" : "";
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += '/';
    out += parts[i];
  }
  return out;
}

// True when `path` is `folder` or lies below it, judged on the normalised text, so
// "base/../elsewhere" is outside and "/base-other" is not below "/base".
bool IsSameOrBelow(std::string_view path, std::string_view folder) {
  const std::string p = NormalizePath(path);
  const std::string f = NormalizePath(folder);
  if (f.empty() || p.size() < f.size() || p.compare(0, f.size(), f) != 0) return false;
  return p.size() == f.size() || f == "/" || p[f.size()] == '/';
}

// The "doc" folder beside the program's folder: the program folder's parent + "doc/".
std::string DocFolderBesideProgram() {
  std::string folder = ProgramFolder();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return "doc/";
  return folder.substr(0, slash + 1) + "doc/";
}

std::string RegisteredFolder(std::string_view name) {
  return SharedSettings().Get(kFoldersSection, FolderKey(name));
}

}  // namespace

std::string BaseFolder() { return AppDataFolder() + "Veltrona/"; }

const std::vector<std::string>& StandardFolderNames() {
  static const std::vector<std::string> names = {
      "archive", "backup", "data", "data\\quillnet", "data\\docs", "etc",
      "export", "export\\xml", "export\\pdf", "export\\csv", "export\\html",
      "export\\html\\varer", "import", "images", "spool", "tmp", "xml", "log", "maler",
      "maler\\docs"};
  return names;
}

const std::vector<std::string>& OtherProgramFolderNames() {
  static const std::vector<std::string> names = {"data\\regnskap", "data\\lager", "maler\\brev"};
  return names;
}

std::string FolderKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) {
    if (c == '/') c = '\\';
  }
  return key + "_folder";
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const std::string part = path.substr(0, i);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return FolderExists(path);
}

std::string veltronapath(std::string_view name) {
  const std::string base = BaseFolder();
  if (name.empty()) return base;
  std::string path = RegisteredFolder(name);
  if (path.empty()) path = base + DiskName(name) + "/";
  if (!FolderExists(path) && !SameText(name, "bin") && IsSameOrBelow(path, base)) {
    WriteLog("kv_reg.veltronapath(" + std::string(name) + "): Lager mappen " + path);
    if (!MakeFolders(path)) {
      WriteLog("FEIL: [mkdirsafe:" + std::to_string(errno) + "] kan ikke opprette mappen " +
               path);
    }
  }
  path = WithSlash(path);
  IniFile& shared = SharedSettings();
  shared.Set(kFoldersSection, FolderKey(name), path);
  if (shared.modified()) FlushSharedSettings();
  return path;
}

void SetFolder(std::string_view name, std::string_view path) {
  SharedSettings().Set(kFoldersSection, FolderKey(name), WithSlash(std::string(path)));
}

bool mkdirsafe(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) != 0) {
    WriteLog("FEIL: [mkdirsafe:" + std::to_string(errno) + "] kan ikke opprette mappen " + path);
    return false;
  }
  if (VerboseLogging) WriteLog("Oppretter mappen " + path);
  return true;
}

void CreateFolderTree() {
  SetFolder("bin", ProgramFolder());
  SetFolder("doc", DocFolderBesideProgram());
  const std::string base = BaseFolder();
  if (!FolderExists(base)) MakeFolders(base);
  auto create = [&base](const std::string& name) {
    const std::string path = base + DiskName(name);
    // A folder that is already there is left alone rather than reported as a failure.
    if (!FolderExists(path)) mkdirsafe(path);
    SetFolder(name, path);
  };
  for (const std::string& name : StandardFolderNames()) create(name);
  for (const std::string& name : OtherProgramFolderNames()) create(name);
}

std::string GetLogFolder() {
  if (!FolderExists(veltronapath("log"))) {
    const std::string fallback = BaseFolder() + "log/";
    SetFolder("log", fallback);
    MakeFolders(fallback);
  }
  return veltronapath("log");
}

std::string GetDocFolder() {
  std::string doc = RegisteredFolder("doc");
  if (doc.empty() || !FolderExists(doc)) {
    doc = DocFolderBesideProgram();
    SetFolder("doc", doc);
  }
  return WithSlash(doc);
}

std::string GetProgramFolder() {
  SetFolder("bin", ProgramFolder());
  return veltronapath("bin");
}

std::string ChooseFolder(std::string_view start, const FolderChooser& chooser) {
  std::optional<std::string> chosen;
  if (chooser) chosen = chooser("Valg mappe", std::string(start));
  const std::string folder = chosen && !chosen->empty() ? *chosen : std::string(start);
  return WithSlash(folder);
}

// ---- Emptying folders ----

namespace {

// The names in the open folder `fd`, without "." and "..". The folder is read whole
// before anything in it is removed.
std::vector<std::string> EntryNames(int fd) {
  std::vector<std::string> names;
  const int copy = ::dup(fd);
  if (copy < 0) return names;
  DIR* dir = ::fdopendir(copy);
  if (dir == nullptr) {
    ::close(copy);
    return names;
  }
  ::rewinddir(dir);
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view n = e->d_name;
    if (n != "." && n != "..") names.emplace_back(n);
  }
  ::closedir(dir);
  return names;
}

// Removing an entry needs write permission on its folder: a folder the user made
// read-only is opened up for its owner, as the program would clear a read-only mark.
bool RemoveEntry(int fd, const std::string& name, int flags) {
  if (::unlinkat(fd, name.c_str(), flags) == 0) return true;
  if (errno != EACCES && errno != EPERM) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || (st.st_mode & S_IRWXU) == S_IRWXU) return false;
  if (::fchmod(fd, st.st_mode | S_IRWXU) != 0) return false;
  return ::unlinkat(fd, name.c_str(), flags) == 0;
}

void EmptyOpenFolder(int fd, const std::string& folder, dev_t device);

// A folder entry that is the root of another mount: another file system, or a bind mount
// of the same one (which keeps the device number, so the kernel is asked as well).
bool IsMountPoint(int parent, const std::string& name, const struct stat& st, dev_t device) {
  if (st.st_dev != device) return true;
  struct statx sx;
  if (::statx(parent, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, 0, &sx) != 0) {
    return false;
  }
  return (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
         (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

// Empties and removes the sub-folder `name` of the open folder `parent`.
void RemoveFolderTree(int parent, const std::string& name, const std::string& folder,
                      dev_t device) {
  int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) {
    struct stat st;
    if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        ::fchmodat(parent, name.c_str(), st.st_mode | S_IRWXU, 0) == 0) {
      fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
  }
  if (fd >= 0) {
    EmptyOpenFolder(fd, folder, device);
    ::close(fd);
  }
  if (!RemoveEntry(parent, name, AT_REMOVEDIR)) {
    WriteLog("FEIL: kan ikke slette mappen " + folder);
  }
}

void EmptyOpenFolder(int fd, const std::string& folder, dev_t device) {
  if (VerboseLogging) WriteLog("Sletter mappen " + folder);
  for (const std::string& name : EntryNames(fd)) {
    struct stat st;
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone already
    if (S_ISDIR(st.st_mode)) {
      if (IsMountPoint(fd, name, st, device)) {
        // Its content belongs to another mount and is not ours to empty.
        if (::unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0) {
          WriteLog("FEIL: kan ikke slette mappen " + folder + name + "/");
        }
        continue;
      }
      RemoveFolderTree(fd, name, folder + name + "/", device);
      continue;
    }
    // Files, links (whatever they point to), sockets and pipes are removed as entries.
    if (VerboseLogging) WriteLog("Sletter " + folder + name);
    if (!RemoveEntry(fd, name, 0)) WriteLog("FEIL: kan ikke slette filen " + folder + name);
  }
}

// The home folder, or a folder that holds it, is never emptied.
bool HoldsHome(const std::string& path) {
  const std::string home = HomeFolder();
  return home.size() > 1 && IsSameOrBelow(home, path);
}

}  // namespace

void DeleteFolder(std::string_view path) {
  const std::string top = WithSlash(std::string(path));
  if (top.size() <= 6 || !FolderExists(top) || HoldsHome(top)) return;
  const int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    WriteLog("FEIL: kan ikke slette mappen " + top);
    return;
  }
  struct stat st;
  if (::fstat(fd, &st) == 0) EmptyOpenFolder(fd, top, st.st_dev);
  ::close(fd);
}

void CleanTemporaryFiles(bool include_system) {
  WriteLog("Sletter midlertidige filer opprettet av Veltrona programmer");
  const std::string tmp = veltronapath("tmp");
  if (tmp.size() > 3 && UpperCase(tmp).find("TMP") != std::string::npos) DeleteFolder(tmp);
  if (!include_system) return;
  const std::string temp = TempFolder();
  if (temp.size() > 3 && UpperCase(temp).find("TEMP") != std::string::npos) {
    WriteLog("Sletter midlertidige filer i Windows");
    DeleteFolder(temp);
    DeleteFolder(WindowsFolder() + "temp/");
  }
  const std::string spool = SpoolFolder();
  if (UpperCase(spool).find("SPOOL") != std::string::npos) {
    WriteLog("Sletter skriverkøer");
    DeleteFolder(spool);
  }
}

}  // namespace qn
