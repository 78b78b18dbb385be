#include "exchange/output_file.h"

#include <memory>

#include "env/errors.h"
#include "store/database.h"
#include "store/error_text.h"

namespace qn {

namespace {

[[noreturn]] void Throw(int code, const std::string& name) {
  throw IoError(code, "Filen " + name + " kunne ikke skrives: " + ErrorReason(code) + " (" +
                          std::to_string(code) + ")");
}

}  // namespace

void WriteWholeFile(FileSystem& files, const std::string& name, std::string_view bytes) {
  std::unique_ptr<BlockFile> file;
  if (int r = files.Create(name, &file); r != 0 || !file) Throw(r != 0 ? r : kErrorWriteFault, name);
  size_t moved = 0;
  int r = bytes.empty() ? 0 : file->Write(bytes.data(), bytes.size(), &moved);
  if (r == 0 && moved != bytes.size()) r = kErrorWriteFault;
  const int closed = file->Close();
  if (r == 0) r = closed;
  if (r != 0) Throw(r, name);
}

void ReplaceWholeFile(FileSystem& files, const std::string& name, std::string_view bytes) {
  const std::string fresh = name + ".new";
  files.Remove(fresh);  // left by an export that was stopped
  std::unique_ptr<BlockFile> file;
  if (int r = files.CreateFresh(fresh, name, &file); r != 0 || !file) Throw(r != 0 ? r : kErrorWriteFault, name);
  size_t moved = 0;
  int r = bytes.empty() ? 0 : file->Write(bytes.data(), bytes.size(), &moved);
  if (r == 0 && moved != bytes.size()) r = kErrorWriteFault;
  const int closed = file->Close();
  if (r == 0) r = closed;
  if (r == 0) r = files.Rename(fresh, name);
  if (r != 0) {
    files.Remove(fresh);
    Throw(r, name);
  }
}

std::string FolderWithSlash(std::string_view folder) {
  std::string out(folder);
  if (!out.empty() && out.back() == '\\') out.pop_back();
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

}  // namespace qn
