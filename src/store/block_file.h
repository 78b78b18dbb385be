// The small file interface through which the engine reaches its files, so tests can hand
// in an in-memory file or one that fails after N bytes. Every call returns an error code
// in the engine's numbering (0 = success; 2 file not found, 5 access denied, 100 read
// error, 101 write error and so on).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qn {

class BlockFile {
 public:
  virtual ~BlockFile() = default;
  virtual int Seek(int64_t position) = 0;
  // Reads up to `count` bytes at the current position; *moved gets the bytes read.
  virtual int Read(void* buffer, size_t count, size_t* moved) = 0;
  virtual int Write(const void* buffer, size_t count, size_t* moved) = 0;
  virtual int64_t Size() = 0;
  // Makes every byte written so far durable (and, for a file just created, its name).
  virtual int Sync() = 0;
  // Cuts the file to `size` bytes.
  virtual int Truncate(int64_t size) = 0;
  virtual int Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool Exists(const std::string& name) = 0;
  // Opens an existing file for reading and writing, or for reading only.
  virtual int Open(const std::string& name, bool readOnly, std::unique_ptr<BlockFile>* out) = 0;
  // Creates the file empty (an existing one is emptied), open for writing and reading.
  virtual int Create(const std::string& name, std::unique_ptr<BlockFile>* out) = 0;
  // Removes the file, durably; 0 also when it was not there.
  virtual int Remove(const std::string& name) = 0;
};

// The real disk.
std::shared_ptr<FileSystem> DiskFileSystem();

}  // namespace qn
