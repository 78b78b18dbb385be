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

bool ReplaceFileByPieces(FileSystem& files, const std::string& name,
                         const std::function<bool(const std::function<bool(std::string_view)>& sink)>& write) {
  constexpr int kStopped = -1;
  const int r = ReplaceFileWith(
      files, name,
      [&write](const PieceSink& put) {
        int error = 0;
        const bool whole = write([&](std::string_view piece) { return (error = put(piece)) == 0; });
        if (error != 0) return error;
        return whole ? 0 : kStopped;
      },
      name + ".new");
  if (r == kStopped) return false;
  if (r != 0) Throw(r, name);
  return true;
}

std::string FolderWithSlash(std::string_view folder) {
  std::string out(folder);
  if (!out.empty() && out.back() == '\\') out.pop_back();
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

}  // namespace qn
