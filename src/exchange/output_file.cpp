#include "exchange/output_file.h"

#include <memory>

#include "env/errors.h"
#include "env/whole_file.h"
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
  int r = WriteAll(*file, bytes);
  const int closed = file->Close();
  if (r == 0) r = closed;
  if (r != 0) Throw(r, name);
}

void ReplaceWholeFile(FileSystem& files, const std::string& name, std::string_view bytes) {
  if (int r = ReplaceFileWith(files, name, bytes, name + ".new"); r != 0) Throw(r, name);
}

std::string FolderWithSlash(std::string_view folder) {
  std::string out(folder);
  if (!out.empty() && out.back() == '\\') out.pop_back();
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

}  // namespace qn
