// The files the exports write: a whole file put down in one go through the engine's file
// interface, so a test can hand in memory files and a failing disk. An existing file is
// replaced; a folder is never created. A file that cannot be created, written or closed
// ends the export with a run-time I/O error naming the file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "env/block_file.h"

namespace qn {

// Creates `name` (emptying a file that is there) and writes `bytes` into it. Throws IoError
// with the program's error text when the file cannot be created or written whole.
void WriteWholeFile(FileSystem& files, const std::string& name, std::string_view bytes);

// Puts `bytes` in the place of `name` without ever writing through what is there
// (ReplaceFileWith, env/whole_file.h, through name + ".new"). Throws IoError as
// WriteWholeFile does; `name` is then as it was.
void ReplaceWholeFile(FileSystem& files, const std::string& name, std::string_view bytes);

// Puts what `write` hands to its sink, piece by piece, in the place of `name` as
// ReplaceWholeFile does, so the text is never held whole. `write` returns false when it
// stopped before its end (the user's stop): then `name` is as it was and the result is
// false. Throws IoError as ReplaceWholeFile does (a sink whose write failed returns false).
bool ReplaceFileByPieces(FileSystem& files, const std::string& name,
                         const std::function<bool(const std::function<bool(std::string_view)>& sink)>& write);

// `folder` with one "/" at its end; a "\" there counts as one.
std::string FolderWithSlash(std::string_view folder);

// How a long export or import reports its way: `done` of `total` steps (`total` 0 when not
// known yet). Returning false asks the task to stop.
using ExchangeProgress = std::function<bool(int64_t done, int64_t total)>;

}  // namespace qn
