// The database file as the engine reads and changes it, below the records: one open file,
// read through a page cache, and changed in changes whose writes reach it whole or not at
// all through the journal (store/journal.h). It knows nothing of records, cursors or
// settings; the database object above it (store/database.h) opens it, says what may be
// done and reports what went wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "env/block_file.h"
#include "store/journal.h"
#include "store/page_cache.h"

namespace qn {

// Another program went on changing the database for longer than a change may wait.
inline constexpr int32_t kErrorBusy = 2003;
// The file does not hold the state a stored change is to be taken back from (or done again
// from): it is left as it is.
inline constexpr int32_t kErrorImageMismatch = 2005;

// Traffic counters, zeroed at every opening.
struct EngineCounters {
  uint64_t blockReads = 0;
  uint64_t bytesRead = 0;
  uint64_t blockWrites = 0;
  uint64_t bytesWritten = 0;
  uint64_t skippedWrites = 0;
  uint64_t skippedBytes = 0;
  uint64_t cacheFills = 0;
  uint64_t cacheFillBytes = 0;
  // Reads the page cache made from the file for the block reads it could not serve.
  uint64_t pageFills = 0;
  uint64_t pageFillBytes = 0;
};

// Takes `region` of `file`, trying again for up to `milliseconds`; 0 or the error code
// (kLockBusy when another program still holds it).
int WaitForLock(BlockFile& file, int region, bool exclusive, int milliseconds);

class PagedFile {
 public:
  explicit PagedFile(std::shared_ptr<FileSystem> files);
  PagedFile(const PagedFile&) = delete;
  PagedFile& operator=(const PagedFile&) = delete;

  FileSystem& Files() { return *files_; }
  // Takes over `file`, opened under `name`, with nothing cached, no change open and no view.
  void Attach(std::unique_ptr<BlockFile> file, const std::string& name);
  bool IsOpen() const { return file_ != nullptr; }
  // The file itself, for its locks. REQUIRES: IsOpen().
  BlockFile& File() { return *file_; }
  // Drops any open change and closes the file; 0 or the error code of the close.
  int Close();
  // A read-only opening never writes: Write refuses, a change keeps nothing back.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

  // The file's size as the open change sees it (its writes past the end included, a
  // rolled-back view's cut applied); -1 without a file.
  int64_t Size();
  // Reads `count` bytes at `position` as the open change sees the file.
  int ReadFile(int64_t position, uint8_t* buffer, size_t count, size_t* moved);
  // The same through the page cache: a walk along records stored together reads the pages
  // around a miss too, and reads the last 64 KiB it read past the cache.
  int ReadAt(int64_t position, uint8_t* buffer, size_t count, size_t* moved);
  // The file's own bytes where they lie in its read map (BlockFile::View); nullptr when
  // there is no map there, or an open change or a rolled-back view stands over the file.
  const uint8_t* View(int64_t position, size_t count);
  bool ViewIntact();
  // Writes `count` bytes at `position`: into the open change, or straight to the file
  // outside one. 0 or the error code (kErrorWriteFault for a write not taken whole); the
  // cached pages follow what was written.
  int Write(int64_t position, const uint8_t* bytes, size_t count, size_t* moved);

  // A change (see tDataImageArk::BeginChange). Changes nest; the outermost one counts.
  void BeginChange();
  // How EndChange ended.
  enum class ChangeEnd {
    kInner,    // an inner level: the change goes on
    kNothing,  // the outermost level, and nothing was written
    kStored,   // its writes reached the file through the journal
    kSpoilt,   // a write of it failed: nothing is stored, its writes are still held (see
               // AbandonChange)
    kFailed,   // storing it failed: its writes are dropped, the file is as it was
  };
  // Ends one level of the open change. At the outermost end its writes go to the file
  // through the journal, and *images (when not null) gets its before- and after-image.
  // *error gets the failed write's or the store's error code, else 0.
  ChangeEnd EndChange(int lockWaitMilliseconds, ChangeImages* images, int* error);
  // Drops the open change's writes (all levels); true when there were any.
  bool AbandonChange();
  int ChangeDepth() const { return changeDepth_; }
  void SetChangeDepth(int depth) { changeDepth_ = depth; }
  // A write of the open change that could not be made: the change will not be stored.
  void SpoilChange(int error) {
    if (changeDepth_ > 0 && changeWriteError_ == 0) changeWriteError_ = error;
  }
  // True when the open change has written something (or failed to).
  bool ChangeHasWrites() const { return !pending_.Empty() || changeWriteError_ != 0; }
  // True when the file, as the open change sees it, holds exactly `image`: its size and
  // the bytes of each of its regions.
  bool Holds(const FileImage& image);
  // Puts the file into `target`'s state as one change through the journal (outside a
  // change, or in one that has written nothing, which then goes on from the file as the
  // image left it). 0 or the error code; everything read before is forgotten either way.
  int PutImage(const FileImage& target, int lockWaitMilliseconds);

  // Shows the file as it was before the unfinished change the journal `journalName` holds
  // (a read-only opening beside it); false, showing the file as it is, when the journal
  // cannot be read.
  bool ShowWithoutJournal(const std::string& journalName);

  // Everything read is forgotten: the next reads go to the file.
  void Forget();
  // A read-only opening: when the file has changed since its pages were read (another
  // program's change), they are forgotten.
  void Revalidate();
  // Changes whenever what is read from the file may have changed (see tDataImageArk).
  uint64_t Generation() const { return generation_; }
  EngineCounters& Counters() { return counters_; }
  const EngineCounters& Counters() const { return counters_; }

  static inline int lockWaitMilliseconds = 10000;

 private:
  // Whether the file's size is the one the open change began with.
  bool ChangeKeepsFileSize() const;
  int FillPages(int64_t page);
  const uint8_t* CachedPage(int64_t page, size_t* length);
  void AfterWrite(int64_t position, const uint8_t* bytes, size_t moved);

  std::shared_ptr<FileSystem> files_;
  std::unique_ptr<BlockFile> file_;
  std::string fileName_;
  bool readOnly_ = false;
  EngineCounters counters_;
  // Pages of the file as this object sees it (the open change's writes and the rolled-back
  // view included), kept equal to it by every write.
  PageCache pages_;
  // Reads close behind one another so far (each within a little of the one before): a
  // walk along records stored together, for which a miss reads the pages around it too.
  int64_t lastReadEnd_ = -1;
  int closeReads_ = 0;
  // Such a walk reads through the last 64 KiB it read, which stay out of the page cache:
  // a pass along the file neither pays for copying them there nor pushes out the pages
  // of scattered lists.
  std::vector<uint8_t> stream_;
  int64_t streamStart_ = 0;
  size_t streamLength_ = 0;  // 0 = holds nothing
  // The file's change stamp when its pages were last known to be the file's.
  int64_t fileStamp_ = 0;
  uint64_t generation_ = 0;
  // The open change: its depth, the file's size when it began, its writes.
  int changeDepth_ = 0;
  int64_t changeOldSize_ = 0;
  int32_t changeWriteError_ = 0;
  PendingWrites pending_;
  // A read-only opening beside an unfinished change's journal reads the file as it was:
  // the journal's old bytes over the file, cut to its old size (-1: no such cut).
  PendingWrites rolledBackView_;
  int64_t viewSize_ = -1;
};

}  // namespace qn
