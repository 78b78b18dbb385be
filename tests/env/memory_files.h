// In-memory files for the engine tests: a FileSystem whose files are byte vectors, with
// switches that make opening, creating, reading, writing or closing fail, so tests see
// the engine's error handling without touching the disk. Counts of the calls that reach
// the files let tests check how often the engine goes to the file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "env/block_file.h"

namespace qn::test {

using Bytes = std::vector<uint8_t>;

// Little-endian writers for building files byte by byte in tests.
inline void PutI32(Bytes& bytes, size_t offset, int32_t value) {
  if (bytes.size() < offset + 4) bytes.resize(offset + 4);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = uint8_t(uint32_t(value) >> (8 * i));
}
inline int32_t GetI32(const Bytes& bytes, size_t offset) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t(bytes.at(offset + i)) << (8 * i);
  return int32_t(v);
}

struct MemoryFileStats {
  int opens = 0;
  int reads = 0;   // Read calls that reached a file
  int writes = 0;  // Write calls that reached a file
  uint64_t bytesRead = 0;
  uint64_t bytesWritten = 0;
};

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::shared_ptr<Bytes>> files;
  // Symbolic links (name to target; a target that is not in `files` dangles) and other
  // entries that are no regular file (folders, pipes).
  std::map<std::string, std::string> links;
  std::set<std::string> others;

  // Failure switches.
  std::set<std::string> denyWrite;  // opening these for writing fails with 5
  std::set<std::string> denyOpen;   // opening these at all fails with 5
  int createError = 0;              // Create fails with this code when not 0
  int closeError = 0;               // Close fails with this code when not 0
  int64_t readBudget = -1;          // bytes left before reads fail with 100; -1 = no limit
  int64_t writeBudget = -1;         // bytes left before writes fail with 101 (the write that
                                    // meets the end is cut where a sector begins); -1 = no limit
  static constexpr int64_t kSector = 512;
  int64_t extraSize = 0;            // Size() reports this much more than the file holds
  int64_t diskSpace = -1;           // bytes the files may still grow by before writes fail
                                    // with 101 (disk full); -1 = no limit
  // A stop of the program: after this many more changes (writes, syncs, truncations,
  // removals) the next one throws SimulatedStop and every later one changes nothing.
  // -1 = never.
  int64_t changesUntilStop = -1;
  bool stopped = false;
  int64_t changes = 0;  // changes made so far

  MemoryFileStats stats;
  // The bytes of each file as of its last Sync: what a power cut leaves.
  std::map<std::string, Bytes> synced;

  struct SimulatedStop {};

  // Counts one change against changesUntilStop; false when the program has stopped.
  bool Change() {
    if (stopped) return false;
    if (changesUntilStop == 0) {
      stopped = true;
      throw SimulatedStop{};
    }
    if (changesUntilStop > 0) --changesUntilStop;
    ++changes;
    return true;
  }
  // After a stop: files as they were written (a killed program), or with `powerCut` as
  // they were last synced (files never synced are gone). Changes work again.
  void Restart(bool powerCut) {
    if (powerCut) {
      for (auto it = files.begin(); it != files.end();) {
        auto s = synced.find(it->first);
        if (s == synced.end()) {
          it = files.erase(it);
        } else {
          *it->second = s->second;
          ++it;
        }
      }
    }
    stopped = false;
    changesUntilStop = -1;
  }
  int CreateFresh(const std::string& name, const std::string& /*like*/,
                  std::unique_ptr<BlockFile>* out) override {
    if (KindOf(name) != EntryKind::kNone) return 1017;  // EEXIST
    return Create(name, out);
  }
  // The name moves durably; the file's bytes are durable only as far as they were synced
  // (a file never synced is empty after a power cut).
  int Rename(const std::string& from, const std::string& to) override {
    if (!Change()) return 101;
    auto it = files.find(from);
    if (it == files.end()) return 2;
    links.erase(to);
    files[to] = it->second;
    files.erase(it);
    synced[to] = synced.count(from) ? synced[from] : Bytes{};
    synced.erase(from);
    return 0;
  }
  // A folder is one of `others`; a file in its place refuses it (3, ENOTDIR).
  int MakeFolder(const std::string& path) override {
    if (files.count(Target(path)) > 0) return 3;
    others.insert(path);
    return 0;
  }
  int Remove(const std::string& name) override {
    if (!Change()) return 101;
    links.erase(name);
    files.erase(name);
    synced.erase(name);
    return 0;
  }

  Bytes& Put(const std::string& name, Bytes bytes) {
    files[name] = std::make_shared<Bytes>(std::move(bytes));
    return *files[name];
  }
  // The bytes of a file; an empty vector for a file that does not exist.
  Bytes Get(const std::string& name) const {
    auto it = files.find(name);
    return it == files.end() ? Bytes{} : *it->second;
  }

  bool Exists(const std::string& name) override {
    return files.count(Target(name)) > 0 || others.count(Target(name)) > 0;
  }
  EntryKind KindOf(const std::string& name) override {
    if (links.count(name) || others.count(name)) return EntryKind::kOther;
    return files.count(name) ? EntryKind::kRegular : EntryKind::kNone;
  }
  int OpenOwn(const std::string& name, bool readOnly, std::unique_ptr<BlockFile>* out) override {
    out->reset();
    if (links.count(name)) return 1040;  // ELOOP
    return Open(name, readOnly, out);
  }

  int Open(const std::string& linkedName, bool readOnly, std::unique_ptr<BlockFile>* out) override {
    out->reset();
    const std::string name = Target(linkedName);
    if (others.count(name)) return 1021;  // EISDIR
    auto it = files.find(name);
    if (it == files.end()) return 2;
    if (denyOpen.count(name) || (!readOnly && denyWrite.count(name))) return 5;
    ++stats.opens;
    *out = std::make_unique<File>(*this, it->second, readOnly, name);
    return 0;
  }

  // Follows a link, as creating a file by its name does.
  int Create(const std::string& linkedName, std::unique_ptr<BlockFile>* out) override {
    out->reset();
    if (createError != 0) return createError;
    const std::string name = Target(linkedName);
    auto& bytes = files[name];
    bytes = std::make_shared<Bytes>();
    ++stats.opens;
    *out = std::make_unique<File>(*this, bytes, false, name);
    return 0;
  }

 private:
  std::string Target(const std::string& name) const {
    auto it = links.find(name);
    return it == links.end() ? name : it->second;
  }

  class File : public BlockFile {
   public:
    File(MemoryFileSystem& fs, std::shared_ptr<Bytes> bytes, bool readOnly, std::string name)
        : fs_(fs), bytes_(std::move(bytes)), readOnly_(readOnly), name_(std::move(name)) {}

    int Seek(int64_t position) override {
      if (position < 0) return 131;
      position_ = position;
      return 0;
    }
    int Read(void* buffer, size_t count, size_t* moved) override {
      ++fs_.stats.reads;
      *moved = 0;
      int64_t available = std::max<int64_t>(0, int64_t(bytes_->size()) - position_);
      size_t n = std::min<size_t>(count, size_t(available));
      int error = 0;
      if (fs_.readBudget >= 0 && int64_t(n) > fs_.readBudget) {
        n = size_t(fs_.readBudget);
        error = 100;
      }
      if (fs_.readBudget >= 0) fs_.readBudget -= int64_t(n);
      if (n > 0) std::memcpy(buffer, bytes_->data() + position_, n);
      position_ += int64_t(n);
      *moved = n;
      fs_.stats.bytesRead += n;
      return error;
    }
    int Write(const void* buffer, size_t count, size_t* moved) override {
      ++fs_.stats.writes;
      *moved = 0;
      if (readOnly_) return 5;
      if (!fs_.Change()) return 101;
      size_t n = count;
      int error = 0;
      if (fs_.diskSpace >= 0) {
        const int64_t growth = std::max<int64_t>(0, position_ + int64_t(n) - int64_t(bytes_->size()));
        if (growth > fs_.diskSpace) {
          n -= size_t(growth - fs_.diskSpace);
          error = 101;
        }
        fs_.diskSpace -= std::max<int64_t>(0, position_ + int64_t(n) - int64_t(bytes_->size()));
      }
      if (fs_.writeBudget >= 0 && int64_t(n) > fs_.writeBudget) {
        // A disk tears a write only where a sector begins; then it is full.
        const int64_t tornAt = (position_ + fs_.writeBudget) / kSector * kSector;
        n = size_t(std::max<int64_t>(0, tornAt - position_));
        fs_.writeBudget = n;
        error = 101;
      }
      if (fs_.writeBudget >= 0) fs_.writeBudget -= int64_t(n);
      if (bytes_->size() < size_t(position_) + n) bytes_->resize(size_t(position_) + n);
      if (n > 0) std::memcpy(bytes_->data() + position_, buffer, n);
      position_ += int64_t(n);
      *moved = n;
      fs_.stats.bytesWritten += n;
      return error;
    }
    int64_t Size() override { return int64_t(bytes_->size()) + fs_.extraSize; }
    // Moves with every change made through the files (and with the size).
    int64_t ChangeStamp() override { return fs_.changes * 1000003 + Size(); }
    int Sync() override {
      if (readOnly_) return 0;
      if (!fs_.Change()) return 101;
      if (fs_.files.count(name_) && fs_.files[name_] == bytes_) fs_.synced[name_] = *bytes_;
      return 0;
    }
    int Truncate(int64_t size) override {
      if (readOnly_) return 5;
      if (!fs_.Change()) return 101;
      if (fs_.diskSpace >= 0 && size < int64_t(bytes_->size()))
        fs_.diskSpace += int64_t(bytes_->size()) - size;
      bytes_->resize(size_t(size));
      return 0;
    }
    int Close() override { return fs_.closeError; }

   private:
    MemoryFileSystem& fs_;
    std::shared_ptr<Bytes> bytes_;
    bool readOnly_;
    std::string name_;
    int64_t position_ = 0;
  };
};

}  // namespace qn::test
