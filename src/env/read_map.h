// A file's bytes read through a shared memory map instead of a system call per read. The
// map sees every write made to the file at once (through any descriptor), so it never
// holds stale bytes; its owner only says how far the file is known to reach, and reads
// past that go to the file itself.
//
// Another program may cut the file short while it is mapped. Touching a mapped page past
// the file's new end raises SIGBUS; a handler installed with the first map puts a page of
// zeros there, marks the map as cut, and the read that met it is answered from the file
// instead, so the cut file reads short, as it would through read(). (The rest of the page
// the cut file now ends in reads as zeros until its owner learns the new size.) A SIGBUS
// outside any map goes on to the handler that was there before.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qn {

class ReadMap {
 public:
  ReadMap() = default;
  ~ReadMap() { Release(); }
  ReadMap(const ReadMap&) = delete;
  ReadMap& operator=(const ReadMap&) = delete;

  // Copies `count` bytes at `position` from the map of `fd` into `buffer`, mapping the file
  // (again) when the bytes lie past what is mapped. `fileSize` is how far the file is known
  // to reach; the bytes must lie inside it. False when the bytes could not be taken from a
  // map (it could not be made, or the file turned out to be cut short): read them from the
  // file instead.
  bool Copy(int fd, int64_t fileSize, int64_t position, void* buffer, size_t count);
  // The same bytes where they lie in the map, without a copy (a walk that reads a few
  // fields of many records); nullptr when they cannot be had from a map. They stay
  // readable until the next call on this map. Whoever took what it wanted from them asks
  // Intact() afterwards: false when the file was cut short under the map meanwhile (what
  // was read there were zeros, not the file's bytes), the map then released.
  const uint8_t* View(int fd, int64_t fileSize, int64_t position, size_t count);
  bool Intact();
  // Unmaps; the next Copy maps again.
  void Release();

  // How many times, in this process, a copy met a file cut short under its map.
  static uint64_t Cuts();
  // The file could not be mapped (a file system without maps): every read goes to it.
  bool Failed() const { return failed_; }

 private:
  bool Map(int fd, int64_t reach);

  const uint8_t* base_ = nullptr;
  int64_t length_ = 0;
  int slot_ = -1;  // the map's entry in the table the SIGBUS handler consults
  bool failed_ = false;  // mmap refused once: the file is read without a map
  bool cutSinceView_ = false;  // released for a cut since the last View
};

}  // namespace qn
