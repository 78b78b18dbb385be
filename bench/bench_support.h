// What the benchmark programs share: timing (best of several runs), one sequential read of
// a file as the yardstick, and a temporary folder for the databases they build.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "templates/template_format.h"

namespace qn::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The best of `runs` timings: the least disturbed by other work on the machine.
inline double Best(int runs, const std::function<void()>& work) {
  double best = 1e100;
  for (int i = 0; i < runs; ++i) best = std::min(best, Seconds(work));
  return best;
}

// Reads the whole file once, sequentially, in 64 KiB pieces.
inline void ReadOnce(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  std::vector<char> buffer(64 * 1024);
  uint64_t sum = 0;
  ssize_t n;
  while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) sum += uint8_t(buffer[size_t(n) - 1]);
  ::close(fd);
  if (sum == 1) std::puts("");  // keeps the reads from being optimised away
}

// Puts the file out of the page cache (its bytes written to the disk first) and reads it
// back once, sequentially. A file the engine has just written sits in the cache in small
// pieces and costs several times more to read from there than one read back from the disk,
// the state a file a user opens is usually in; so the benchmarks measure that state.
inline void ReadBackFromDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
  ReadOnce(path);
}

// One sequential read of the whole file, best of five.
inline double SequentialRead(const std::string& path) {
  return Best(5, [&] { ReadOnce(path); });
}

// A template row: its name, type, bytes in the record and shown length.
inline TemplateField TemplateRow(const char* name, uint16_t type, uint16_t dataLength, uint16_t length) {
  TemplateField f;
  f.Name = name;
  f.DataType = type;
  f.DataLength = dataLength;
  f.Length = length;
  return f;
}

// A new folder under the system's temporary folder; empty when it could not be made.
inline std::string TemporaryFolder(const char* prefix) {
  std::string dir = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  if (::mkdtemp(dir.data()) == nullptr) {
    std::perror("mkdtemp");
    return {};
  }
  return dir;
}

// The options every benchmark takes: `--scale F` (the sizes times F) and `--keep` (the
// databases stay in their folder).
struct Options {
  double scale = 1.0;
  bool keep = false;
  std::string dir;  // the benchmark's own temporary folder
};

// Reads the options and makes the folder; false (with a usage line) when it cannot.
inline bool Start(int argc, char** argv, const char* name, Options* options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
      options->scale = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      options->keep = true;
    } else {
      std::fprintf(stderr, "usage: %s [--scale F] [--keep]\n", name);
      return false;
    }
  }
  options->dir = TemporaryFolder(name);
  return !options->dir.empty();
}

// Removes the folder, or says where it was kept.
inline void Finish(const Options& options) {
  if (options.keep) {
    std::printf("files kept in %s\n", options.dir.c_str());
  } else {
    std::filesystem::remove_all(options.dir);
  }
}

}  // namespace qn::bench
