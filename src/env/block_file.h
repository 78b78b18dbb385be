// The small file interface through which the program reaches its files (the database, its
// journal, exports, the note's temporary file, a program's exchange file), so tests can
// hand in an in-memory file or one that fails after N bytes. Every call returns an error
// code in the program's numbering (0 = success; 2 file not found, 5 access denied, 100
// read error, 101 write error and so on).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qn {

// Error numbers of the file interface that callers tell apart.
inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorAccessDenied = 5;
inline constexpr int32_t kErrorReadFault = 100;     // a read the file could not deliver
inline constexpr int32_t kErrorWriteFault = 101;    // a write the file did not take whole
inline constexpr int32_t kErrorNegativeSeek = 131;  // a seek to a negative position

class BlockFile {
 public:
  virtual ~BlockFile() = default;
  virtual int Seek(int64_t position) = 0;
  // Reads up to `count` bytes at the current position; *moved gets the bytes read.
  virtual int Read(void* buffer, size_t count, size_t* moved) = 0;
  virtual int Write(const void* buffer, size_t count, size_t* moved) = 0;
  virtual int64_t Size() = 0;
  // A value that changes whenever the file's bytes or size change (size and modification
  // time); -1 when it cannot be told.
  virtual int64_t ChangeStamp() { return Size(); }
  // Makes every byte written so far durable (and, for a file just created, its name).
  virtual int Sync() = 0;
  // Cuts the file to `size` bytes.
  virtual int Truncate(int64_t size) = 0;
  // Sets the file's access and modification times `seconds` before now, so a program that
  // rewrites the file at once, in the same tick of the clock and to the same size, still
  // changes them. Files without times (in memory) have nothing to set.
  virtual int SetTimesBack(int /*seconds*/) { return 0; }
  virtual int Close() = 0;
  // True when a read costs no system call (the file is read through a memory map): the
  // engine then keeps no pages of its own.
  virtual bool CheapReads() const { return false; }
  // The `count` bytes at `position` where they lie in the file's read map, without a copy;
  // nullptr when the file has no map there (read them instead). They stay readable until
  // the next call on the file; ViewIntact() afterwards tells whether they were the file's
  // bytes (false: the file was cut short under the map meanwhile; read them again).
  virtual const uint8_t* View(int64_t /*position*/, size_t /*count*/) { return nullptr; }
  virtual bool ViewIntact() { return true; }

  // Advisory locks between programs that open the same file, one per region (see
  // LockRegion). TryLock takes the region at once or answers kLockBusy; a lock lasts until
  // Unlock or Close. Held() tells whether another open of the file holds the region.
  // Files that cannot be shared (in memory) always grant them.
  virtual int TryLock(int /*region*/, bool /*exclusive*/) { return 0; }
  virtual void Unlock(int /*region*/) {}
  virtual bool HeldElsewhere(int /*region*/) { return false; }
};

// The lock regions of a database file.
enum LockRegion : int {
  kWindowLock = 0,  // held by a window for as long as it has the database open for writing
  kWriterLock = 1,  // held by whoever may change the database
  kCommitLock = 2,  // exclusive while a change is written, shared while a reader reads
};
inline constexpr int kLockBusy = 11;  // EAGAIN: another program holds the region

// What stands under a name, the name itself looked at (a symbolic link is not followed).
enum class EntryKind { kNone, kRegular, kOther };  // kOther: a link, folder, pipe, device

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when the name leads to something (a link is followed: a dangling one is false).
  virtual bool Exists(const std::string& name) = 0;
  // What the name itself is, without following a link.
  virtual EntryKind KindOf(const std::string& name) = 0;
  // Opens an existing file for reading and writing, or for reading only.
  virtual int Open(const std::string& name, bool readOnly, std::unique_ptr<BlockFile>* out) = 0;
  // As Open, but only a regular file under this very name: a symbolic link there is refused,
  // never followed.
  virtual int OpenOwn(const std::string& name, bool readOnly, std::unique_ptr<BlockFile>* out) = 0;
  // Creates the file empty (an existing one is emptied), open for writing and reading.
  virtual int Create(const std::string& name, std::unique_ptr<BlockFile>* out) = 0;
  // Removes the file, durably; 0 also when it was not there.
  virtual int Remove(const std::string& name) = 0;
  // Creates a file that must not exist yet (not even as a symbolic link), open for writing
  // and reading, with the permissions of the file `like` (whatever the umask), or as a new
  // file gets them when there is no `like`.
  virtual int CreateFresh(const std::string& name, const std::string& like,
                          std::unique_ptr<BlockFile>* out) = 0;
  // Creates the file anew for its owner alone (read and write for the owner only): what
  // stands under the name is removed first (a link itself, never what it leads to), and
  // the new file is created fresh, so nothing is ever written through a link there.
  virtual int CreatePrivate(const std::string& name, std::unique_ptr<BlockFile>* out) {
    Remove(name);
    return CreateFresh(name, std::string(), out);
  }
  // Puts `from` in the place of `to` in one step (a link at `to` is replaced, never
  // followed), durably.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Makes the folder and every missing folder above it; 0 also when it is already there.
  virtual int MakeFolder(const std::string& path) = 0;
};

// The real disk.
std::shared_ptr<FileSystem> DiskFileSystem();
// The real disk for a process that reads most of a file once (a tool command's walk). A
// fresh map costs as much as pread for a file read from the disk, and several times more for
// one just written (the cache then holds it in small pieces), so the views a walk asks for
// come from two windows of 256 KiB read with pread (the records' and their names'), and reads
// inside them from there too; everything else, and every other program's file, as on disk.
// `files` itself when it is not the disk (a test's files).
std::shared_ptr<FileSystem> ReadOnceFiles(std::shared_ptr<FileSystem> files);

}  // namespace qn
