#include "env/whole_file.h"

#include <algorithm>
#include <memory>

namespace qn {

int WriteAll(BlockFile& file, std::string_view bytes) {
  if (bytes.empty()) return 0;
  size_t moved = 0;
  const int error = file.Write(bytes.data(), bytes.size(), &moved);
  if (error != 0) return error;
  return moved == bytes.size() ? 0 : kErrorWriteFault;
}

int ReadWholeFile(FileSystem& files, const std::string& name, size_t limit, std::string* out) {
  out->clear();
  std::unique_ptr<BlockFile> file;
  if (int error = files.Open(name, true, &file); error != 0) return error;
  const int64_t size = file->Size();
  int error = size > int64_t(limit) ? kErrorBeyondBound : 0;
  if (error == 0) {
    // The file may grow while it is read: the bound holds for what is read.
    out->resize(size_t(size > 0 ? size : 0) + 1);
    size_t have = 0;
    for (;;) {
      if (have == out->size()) {
        if (have > limit) break;
        out->resize(std::min(limit + 1, have * 2 + 4096));
      }
      size_t got = 0;
      if ((error = file->Read(out->data() + have, out->size() - have, &got)) != 0 || got == 0) break;
      have += got;
    }
    if (error == 0 && have > limit) error = kErrorBeyondBound;
    out->resize(error == 0 ? have : 0);
  }
  const int closed = file->Close();
  return error != 0 ? error : closed;
}

int ReplaceFileWith(FileSystem& files, const std::string& name, std::string_view bytes,
                    const std::string& fresh) {
  return ReplaceFileWith(
      files, name, [bytes](const PieceSink& sink) { return sink(bytes); }, fresh);
}

int ReplaceFileWith(FileSystem& files, const std::string& name,
                    const std::function<int(const PieceSink& sink)>& write, const std::string& fresh) {
  files.Remove(fresh);  // left by a run that was stopped
  std::unique_ptr<BlockFile> file;
  int error = files.CreateFresh(fresh, name, &file);
  if (error != 0) return error;
  try {
    error = write([&file](std::string_view piece) { return WriteAll(*file, piece); });
  } catch (...) {
    file->Close();
    files.Remove(fresh);
    throw;
  }
  if (error == 0) error = file->Sync();
  const int closed = file->Close();
  if (error == 0) error = closed;
  if (error == 0) error = files.Rename(fresh, name);
  if (error != 0) files.Remove(fresh);
  return error;
}

}  // namespace qn
