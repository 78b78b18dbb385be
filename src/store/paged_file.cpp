#include "store/paged_file.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <utility>

#include <unistd.h>

#include "store/format.h"

namespace qn {

namespace {

constexpr int64_t kPageSize = PageCache::kPageSize;
// A miss during a walk along records stored together reads the aligned 64 KiB around its
// page (the pages not held yet); any other miss reads its own page only.
constexpr int64_t kClusterPages = 16;
// Reads that begin within this many bytes of the end of the read before are close.
constexpr int64_t kCloseReadDistance = 1024;
// After this many close reads in a row the reads go along the file.
constexpr int kCloseReadsForCluster = 8;
// Reads at least this long bypass the cache: they gain nothing from it.
constexpr size_t kDirectReadFrom = 32 * 1024;

bool Overlaps(int64_t a, int64_t aLength, int64_t b, int64_t bLength) {
  return a < b + bLength && b < a + aLength;
}

uint64_t NextGeneration() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}

// True when the file (read through `read`) holds `image`'s bytes in each of its regions.
bool HoldsRegions(const FileImage& image, const std::function<int(int64_t, uint8_t*, size_t, size_t*)>& read) {
  std::vector<uint8_t> now(64 * 1024);
  for (const auto& [position, bytes] : image.regions) {
    if (position < 0 || position + int64_t(bytes.size()) > image.size) return false;
    for (size_t done = 0; done < bytes.size();) {
      const size_t n = std::min(now.size(), bytes.size() - done);
      size_t moved = 0;
      if (read(position + int64_t(done), now.data(), n, &moved) != 0 || moved != n) return false;
      if (std::memcmp(now.data(), bytes.data() + done, n) != 0) return false;
      done += n;
    }
  }
  return true;
}

}  // namespace

int WaitForLock(BlockFile& file, int region, bool exclusive, int milliseconds) {
  for (int waited = 0;; waited += 20) {
    const int error = file.TryLock(region, exclusive);
    if (error != kLockBusy || waited >= milliseconds) return error;
    ::usleep(20000);
  }
}

PagedFile::PagedFile(std::shared_ptr<FileSystem> files) : files_(std::move(files)) {}

void PagedFile::Attach(std::unique_ptr<BlockFile> file, const std::string& name) {
  file_ = std::move(file);
  fileName_ = name;
  counters_ = EngineCounters{};
  changeDepth_ = 0;
  changeWriteError_ = 0;
  pending_.Clear();
  rolledBackView_.Clear();
  viewSize_ = -1;
  Forget();
}

int PagedFile::Close() {
  // A change still open here did not finish: none of it is stored.
  changeDepth_ = 0;
  changeWriteError_ = 0;
  pending_.Clear();
  rolledBackView_.Clear();
  viewSize_ = -1;
  int error = 0;
  if (file_) {
    error = file_->Close();
    file_.reset();
  }
  Forget();
  return error;
}

void PagedFile::Forget() {
  generation_ = NextGeneration();
  pages_.Clear();
  streamLength_ = 0;
  lastReadEnd_ = -1;
  closeReads_ = 0;
  fileStamp_ = file_ ? file_->ChangeStamp() : 0;
}

void PagedFile::Revalidate() {
  if (!file_ || !readOnly_) return;
  const int64_t stamp = file_->ChangeStamp();
  if (stamp == fileStamp_ && stamp >= 0) return;
  Forget();
  fileStamp_ = stamp;
}

bool PagedFile::ShowWithoutJournal(const std::string& journalName) {
  if (ReadJournalView(*files_, journalName, &rolledBackView_, &viewSize_)) return true;
  rolledBackView_.Clear();
  viewSize_ = -1;
  return false;
}

// ---------------------------------------------------------------------------------------
// Reading

int64_t PagedFile::Size() {
  if (!file_) return -1;
  if (viewSize_ < 0 && ChangeKeepsFileSize()) return std::max(changeOldSize_, pending_.End());
  const int64_t size = viewSize_ >= 0 ? viewSize_ : file_->Size();
  return size < 0 ? size : std::max(size, pending_.End());
}

int PagedFile::ReadFile(int64_t position, uint8_t* buffer, size_t count, size_t* moved) {
  *moved = 0;
  if (pending_.Empty() && viewSize_ < 0) {
    // Nothing held back and nothing hidden: the file's bytes as they are.
    int error = file_->Seek(position);
    if (error == 0) error = file_->Read(buffer, count, moved);
    return error;
  }
  if (viewSize_ < 0) {
    // The file's bytes, then zeros up to the end of what the change has written past the
    // file's end; no need to ask the file for its size. Records the change made past the
    // file's end are not asked of the file at all.
    const size_t inFile =
        ChangeKeepsFileSize() ? size_t(std::clamp<int64_t>(changeOldSize_ - position, 0, int64_t(count))) : count;
    int error = 0;
    if (inFile > 0) {
      error = file_->Seek(position);
      if (error == 0) error = file_->Read(buffer, inFile, moved);
    }
    if (error != 0) return error;
    const size_t wanted =
        std::max(*moved, size_t(std::clamp<int64_t>(pending_.End() - position, 0, int64_t(count))));
    if (*moved < wanted) std::memset(buffer + *moved, 0, wanted - *moved);
    *moved = wanted;
    rolledBackView_.Overlay(position, buffer, wanted);
    pending_.Overlay(position, buffer, wanted);
    return 0;
  }
  const int64_t size = Size();
  if (size < 0) return kErrorReadFault;
  const size_t wanted = size_t(std::clamp<int64_t>(size - position, 0, int64_t(count)));
  int error = 0;
  if (wanted > 0) {
    error = file_->Seek(position);
    if (error == 0) error = file_->Read(buffer, wanted, moved);
  }
  if (error != 0) return error;
  // Bytes the change has written past the file's end, or that a cut of the view removes.
  if (*moved < wanted) std::memset(buffer + *moved, 0, wanted - *moved);
  *moved = wanted;
  rolledBackView_.Overlay(position, buffer, wanted);
  pending_.Overlay(position, buffer, wanted);
  return 0;
}

int PagedFile::ReadAt(int64_t position, uint8_t* buffer, size_t count, size_t* moved) {
  *moved = 0;
  if (count == 0) return 0;
  if (file_->CheapReads()) return ReadFile(position, buffer, count, moved);
  const bool close = lastReadEnd_ >= 0 && position >= lastReadEnd_ - kCloseReadDistance &&
                     position <= lastReadEnd_ + kCloseReadDistance;
  closeReads_ = close ? closeReads_ + 1 : 0;
  lastReadEnd_ = position + int64_t(count);
  if (count >= kDirectReadFrom) return ReadFile(position, buffer, count, moved);
  size_t done = 0;
  while (done < count) {
    const int64_t at = position + int64_t(done);
    const int64_t page = at / kPageSize;
    size_t length = 0;
    const uint8_t* bytes = CachedPage(page, &length);
    if (bytes == nullptr) {
      if (FillPages(page) != 0) {
        // Read just what was asked, so that the result and the error are those of the
        // request itself.
        return ReadFile(position, buffer, count, moved);
      }
      bytes = CachedPage(page, &length);
      if (bytes == nullptr) break;  // past the end of the file
    }
    const size_t offset = size_t(at - page * kPageSize);
    if (offset >= length) break;
    const size_t n = std::min(length - offset, count - done);
    std::memcpy(buffer + done, bytes + offset, n);
    done += n;
    if (length < size_t(kPageSize)) break;  // the file ends in this page
  }
  *moved = done;
  return 0;
}

const uint8_t* PagedFile::View(int64_t position, size_t count) {
  if (!file_ || !pending_.Empty() || viewSize_ >= 0) return nullptr;
  return file_->View(position, count);
}

bool PagedFile::ViewIntact() { return !file_ || file_->ViewIntact(); }

int PagedFile::FillPages(int64_t page) {
  int64_t first = page;
  int64_t last = page;
  if (closeReads_ >= kCloseReadsForCluster) {
    const int64_t clusterStart = page - page % kClusterPages;
    while (first > clusterStart && !pages_.Contains(first - 1)) --first;
    while (last < clusterStart + kClusterPages - 1 && !pages_.Contains(last + 1)) ++last;
  }
  const size_t wanted = size_t(last - first + 1) * size_t(kPageSize);
  size_t got = 0;
  if (closeReads_ >= kCloseReadsForCluster) {
    streamLength_ = 0;
    if (stream_.size() < size_t(kClusterPages * kPageSize)) stream_.resize(size_t(kClusterPages * kPageSize));
    const int error = ReadFile(first * kPageSize, stream_.data(), wanted, &got);
    if (error != 0) return error;
    streamStart_ = first * kPageSize;
    streamLength_ = got;
  } else {
    std::array<uint8_t, size_t(kPageSize)> one;
    const int error = ReadFile(first * kPageSize, one.data(), one.size(), &got);
    if (error != 0) return error;
    if (got > 0) pages_.Put(page, one.data(), got);
  }
  ++counters_.pageFills;
  counters_.pageFillBytes += got;
  return 0;
}

const uint8_t* PagedFile::CachedPage(int64_t page, size_t* length) {
  const int64_t pageStart = page * kPageSize;
  if (streamLength_ > 0 && pageStart >= streamStart_ &&
      pageStart < streamStart_ + int64_t(streamLength_)) {
    *length = std::min<size_t>(size_t(kPageSize), size_t(streamStart_ + int64_t(streamLength_) - pageStart));
    return stream_.data() + (pageStart - streamStart_);
  }
  return pages_.Find(page, length);
}

// ---------------------------------------------------------------------------------------
// Writing and changes

int PagedFile::Write(int64_t position, const uint8_t* bytes, size_t count, size_t* moved) {
  *moved = 0;
  int error = 0;
  if (changeDepth_ > 0) {
    pending_.Write(position, bytes, count);
    *moved = count;
  } else {
    error = file_->Seek(position);
    if (error == 0) error = file_->Write(bytes, count, moved);
    if (error == 0 && *moved != count) error = kErrorWriteFault;
  }
  if (error != 0) SpoilChange(error);
  AfterWrite(position, bytes, *moved);
  return error;
}

void PagedFile::AfterWrite(int64_t position, const uint8_t* bytes, size_t moved) {
  if (moved == 0) return;
  const int64_t length = static_cast<int64_t>(moved);
  generation_ = NextGeneration();
  pages_.Write(position, bytes, moved);
  if (streamLength_ > 0 && Overlaps(position, length, streamStart_, int64_t(kClusterPages * kPageSize))) {
    const int64_t streamEnd = streamStart_ + int64_t(streamLength_);
    if (position + length > streamEnd && streamLength_ % size_t(kPageSize) != 0) {
      // The file's end lay inside the stream's last page: the bytes after it change.
      streamLength_ = 0;
    } else {
      const int64_t from = std::max(position, streamStart_);
      const int64_t to = std::min(position + length, streamEnd);
      if (to > from) {
        std::memcpy(stream_.data() + (from - streamStart_), bytes + (from - position), size_t(to - from));
      }
    }
  }
}

bool PagedFile::ChangeKeepsFileSize() const {
  // Inside a change of a database open for writing, the file stays as it was when the
  // change began: its owner holds the writer's lock and stores nothing before the change
  // ends (a commit part way through begins the change again).
  return changeDepth_ > 0 && !readOnly_ && changeOldSize_ >= 0;
}

void PagedFile::BeginChange() {
  if (changeDepth_++ > 0) return;
  changeOldSize_ = file_ ? file_->Size() : 0;
  changeWriteError_ = 0;
  pending_.Clear();
}

PagedFile::ChangeEnd PagedFile::EndChange(int lockWaitMilliseconds, ChangeImages* images, int* error) {
  *error = 0;
  if (changeDepth_ == 0) return ChangeEnd::kNothing;
  if (--changeDepth_ > 0) return ChangeEnd::kInner;
  if (changeWriteError_ != 0) {
    *error = changeWriteError_;
    return ChangeEnd::kSpoilt;
  }
  if (pending_.Empty() || !file_) return ChangeEnd::kNothing;
  // Readers wait while the change is written, so none of them sees half of it.
  *error = WaitForLock(*file_, kCommitLock, true, lockWaitMilliseconds);
  if (*error == kLockBusy) *error = kErrorBusy;
  if (*error == 0)
    *error = CommitPending(*files_, fileName_, JournalNameOf(fileName_), *file_, changeOldSize_, pending_, images);
  file_->Unlock(kCommitLock);
  pending_.Clear();
  return *error == 0 ? ChangeEnd::kStored : ChangeEnd::kFailed;
}

bool PagedFile::AbandonChange() {
  changeDepth_ = 0;
  changeWriteError_ = 0;
  if (pending_.Empty()) return false;
  pending_.Clear();
  return true;
}

bool PagedFile::Holds(const FileImage& image) {
  const auto read = [this](int64_t position, uint8_t* buffer, size_t count, size_t* moved) {
    return ReadFile(position, buffer, count, moved);
  };
  return Size() == image.size && HoldsRegions(image, read);
}

int PagedFile::PutImage(const FileImage& target, int lockWaitMilliseconds) {
  int error = WaitForLock(*file_, kCommitLock, true, lockWaitMilliseconds);
  if (error == kLockBusy) error = kErrorBusy;
  if (error == 0) error = CommitImage(*files_, fileName_, JournalNameOf(fileName_), *file_, target);
  file_->Unlock(kCommitLock);
  // Whatever reached the file, nothing remembered of it before may be served again.
  Forget();
  if (changeDepth_ > 0) changeOldSize_ = file_->Size();
  return error;
}

}  // namespace qn
