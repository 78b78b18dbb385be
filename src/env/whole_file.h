// Whole files through the file interface: read within a bound, written whole, or put in the
// place of another file without ever leaving half of one there. The settings, the log and
// the exports reach their files through these, so one loop turns a short write into an error
// code and tests can hand in memory files or a failing disk.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "env/block_file.h"

namespace qn {

// Writes `bytes` at the file's current position: 0, or the error code (kErrorWriteFault for
// a write the file did not take whole).
int WriteAll(BlockFile& file, std::string_view bytes);

// A file longer than the bound its reader sets (the program's number for EFBIG's errno).
inline constexpr int kErrorBeyondBound = 1027;

// Reads the whole of the regular file `name` (a link to one is followed) into *out. A file
// longer than `limit` bytes is not read beyond it: kErrorBeyondBound. 0, or the error code
// (2 when there is no such file; 1021 for a folder, 1022 for anything else that is no
// regular file: ErrorCodeFromErrno of EISDIR and EINVAL).
int ReadWholeFile(FileSystem& files, const std::string& name, size_t limit, std::string* out);

// Puts `bytes` in the place of `name`: they go to the fresh file `fresh` beside it (made anew, never through a link, with the permissions of the file it replaces), which is
// synced and renamed over `name`; a link at `name` is replaced, never followed. A fresh file
// left by a stopped run is removed first. 0, or the error code; then `name` is as it was
// and the fresh file is gone.
int ReplaceFileWith(FileSystem& files, const std::string& name, std::string_view bytes,
                    const std::string& fresh);

// Takes the next piece of a file being written: 0, or the error code that ends the writing.
using PieceSink = std::function<int(std::string_view piece)>;

// The same with the bytes handed piece by piece by `write` to the sink it is given, so they
// are never held whole. `write` returns 0, or a code that ends the replacement (the sink's
// error code, or its own for a stop): then, as on any fault or exception, `name` is as it
// was, the fresh file is gone and the code is returned.
int ReplaceFileWith(FileSystem& files, const std::string& name,
                    const std::function<int(const PieceSink& sink)>& write, const std::string& fresh);

}  // namespace qn
