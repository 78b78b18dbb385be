// Reading a whole input file the user names, within a bound: only a regular file is read
// (a folder, a pipe or a device such as /dev/zero is refused before a byte is read, and a
// pipe never makes the open wait), and a file longer than the bound is refused rather than
// read without end. Every command that takes a text or source file reads it through here.
#pragma once

#include <cstddef>
#include <string>

namespace qn {

// Pascal sources: far beyond any real unit.
inline constexpr size_t kPascalSourceLimit = size_t(64) << 20;

struct InputFile {
  bool ok = false;
  std::string bytes;    // the whole file, when ok
  std::string message;  // else one Norwegian line naming the file and why it was refused
};

// Reads `path` whole when it is a regular file of at most `limit` bytes.
InputFile ReadInputFile(const std::string& path, size_t limit);

}  // namespace qn
