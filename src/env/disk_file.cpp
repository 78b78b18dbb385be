// The real disk behind the BlockFile interface: POSIX descriptors read and written with
// pread/pwrite at a position the file object keeps itself. Only regular files are opened;
// a directory, a pipe or a device is refused, so a read never blocks or runs forever.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "env/block_file.h"
#include "env/errors.h"
#include "env/read_map.h"

namespace qn {

namespace {

// Makes the entries of the folder that holds `name` durable (a file made or removed there).
int SyncFolderOf(const std::string& name) {
  const size_t slash = name.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return ErrorCodeFromErrno(errno, true);
  int result = ::fsync(fd);
  int error = result != 0 ? ErrorCodeFromErrno(errno, true) : 0;
  ::close(fd);
  return error;
}

class DiskFile : public BlockFile {
 public:
  // `createdAs`: the name of a file this open created, whose folder entry the first Sync
  // makes durable too; empty for a file that was there.
  DiskFile(int fd, std::string createdAs, int64_t size, bool readOnce = false)
      : fd_(fd), createdAs_(std::move(createdAs)), known_(size), readOnce_(readOnce) {}
  ~DiskFile() override {
    map_.Release();
    if (fd_ >= 0) ::close(fd_);
  }
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;

  int Seek(int64_t position) override {
    if (fd_ < 0) return ErrorCodeFromErrno(EBADF, false);
    if (position < 0) return kErrorNegativeSeek;
    position_ = position;
    return 0;
  }

  int Read(void* buffer, size_t count, size_t* moved) override {
    *moved = 0;
    if (fd_ < 0) return ErrorCodeFromErrno(EBADF, false);
    auto* bytes = static_cast<uint8_t*>(buffer);
    if (const uint8_t* held = Windowed(position_, count)) {
      std::memcpy(buffer, held, count);
      *moved = count;
      position_ += static_cast<int64_t>(count);
      return 0;
    }
    if (count > 0 && known_ >= 0 && map_.Copy(fd_, known_, position_, buffer, count)) {
      *moved = count;
      position_ += static_cast<int64_t>(count);
      return 0;
    }
    int error = 0;
    while (*moved < count) {
      ssize_t got = ::pread(fd_, bytes + *moved, count - *moved, position_ + *moved);
      if (got < 0) {
        if (errno == EINTR) continue;
        error = ErrorCodeFromErrno(errno, false);
        break;
      }
      if (got == 0) {
        // End of file: a short read, not an error. Having read bytes, the file ends right
        // after them, whatever was known of it before (another program may have cut it
        // short); having read none, it ends at the latest where the read began.
        const int64_t end = position_ + static_cast<int64_t>(*moved);
        if (*moved > 0 || known_ > end) Learn(end);
        break;
      }
      *moved += static_cast<size_t>(got);
    }
    position_ += static_cast<int64_t>(*moved);
    return error;
  }

  int Write(const void* buffer, size_t count, size_t* moved) override {
    *moved = 0;
    DropWindows();
    if (fd_ < 0) return ErrorCodeFromErrno(EBADF, true);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    int error = 0;
    while (*moved < count) {
      ssize_t put = ::pwrite(fd_, bytes + *moved, count - *moved, position_ + *moved);
      if (put < 0) {
        if (errno == EINTR) continue;
        error = ErrorCodeFromErrno(errno, true);
        break;
      }
      if (put == 0) {
        error = kErrorWriteFault;
        break;
      }
      *moved += static_cast<size_t>(put);
    }
    position_ += static_cast<int64_t>(*moved);
    if (known_ >= 0) known_ = std::max(known_, position_);
    return error;
  }

  int64_t Size() override {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    Learn(static_cast<int64_t>(st.st_size));
    return known_;
  }

  int64_t ChangeStamp() override {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    Learn(static_cast<int64_t>(st.st_size));
    // Size, modification and status-change times folded together; any write moves them.
    uint64_t stamp = uint64_t(st.st_size);
    for (uint64_t part : {uint64_t(st.st_mtim.tv_sec), uint64_t(st.st_mtim.tv_nsec),
                          uint64_t(st.st_ctim.tv_sec), uint64_t(st.st_ctim.tv_nsec)}) {
      stamp = (stamp ^ part) * 0x100000001B3ull;
    }
    return static_cast<int64_t>(stamp & 0x7FFFFFFFFFFFFFFFull);
  }

  int Sync() override {
    if (fd_ < 0) return ErrorCodeFromErrno(EBADF, true);
    while (::fdatasync(fd_) != 0) {
      if (errno != EINTR) return ErrorCodeFromErrno(errno, true);
    }
    if (!createdAs_.empty()) {
      if (int error = SyncFolderOf(createdAs_); error != 0) return error;
      createdAs_.clear();
    }
    return 0;
  }

  int Truncate(int64_t size) override {
    if (fd_ < 0) return ErrorCodeFromErrno(EBADF, true);
    DropWindows();
    while (::ftruncate(fd_, size) != 0) {
      if (errno != EINTR) {
        known_ = -1;  // what the failed cut left is not known: read the file itself
        return ErrorCodeFromErrno(errno, true);
      }
    }
    known_ = size;
    return 0;
  }

  int SetTimesBack(int seconds) override {
    if (fd_ < 0) return ErrorCodeFromErrno(EBADF, true);
    timespec past[2];
    ::clock_gettime(CLOCK_REALTIME, &past[0]);
    past[0].tv_sec -= seconds;
    past[1] = past[0];
    return ::futimens(fd_, past) == 0 ? 0 : ErrorCodeFromErrno(errno, true);
  }

  int TryLock(int region, bool exclusive) override {
    if (fd_ < 0) return ErrorCodeFromErrno(EBADF, false);
    struct flock lock = Region(region, exclusive ? F_WRLCK : F_RDLCK);
    if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) return 0;
    return errno == EAGAIN || errno == EACCES ? kLockBusy : ErrorCodeFromErrno(errno, false);
  }
  void Unlock(int region) override {
    if (fd_ < 0) return;
    struct flock lock = Region(region, F_UNLCK);
    ::fcntl(fd_, F_OFD_SETLK, &lock);
  }
  bool HeldElsewhere(int region) override {
    if (fd_ < 0) return false;
    struct flock lock = Region(region, F_WRLCK);
    return ::fcntl(fd_, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  }

  // Until the file turns out not to be mappable; then the engine keeps pages again.
  bool CheapReads() const override { return !map_.Failed(); }
  const uint8_t* View(int64_t position, size_t count) override {
    if (fd_ < 0 || known_ < 0 || count == 0) return nullptr;
    if (readOnce_) {
      // A view of much of the file would touch the map after all: read it instead.
      if (count > kWindowSize / 2) return nullptr;
      if (const uint8_t* held = Windowed(position, count)) return held;
    }
    return map_.View(fd_, known_, position, count);
  }
  bool ViewIntact() override { return map_.Intact(); }

  int Close() override {
    map_.Release();
    if (fd_ < 0) return 0;
    int result = ::close(fd_);
    fd_ = -1;
    // After close() the descriptor is gone whatever it reported; EINTR is not a failure.
    if (result != 0 && errno != EINTR) return ErrorCodeFromErrno(errno, true);
    return 0;
  }

 private:
  // One byte per region, far past any Position, so the locks never meet the data.
  static struct flock Region(int region, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = (int64_t(1) << 40) + region;
    lock.l_len = 1;
    return lock;
  }

  static constexpr size_t kWindowSize = size_t(256) << 10;
  struct Window {
    std::vector<uint8_t> bytes;
    int64_t start = 0;
    size_t length = 0;  // 0: holds nothing
  };

  // The bytes at `position` when a window holds all of them; nullptr otherwise.
  const uint8_t* InWindow(int64_t position, size_t count) {
    if (!readOnce_ || count == 0) return nullptr;
    for (int i = 0; i < 2; ++i) {
      const Window& w = windows_[i];
      if (position >= w.start && position + static_cast<int64_t>(count) <= w.start + static_cast<int64_t>(w.length)) {
        lastWindow_ = i;
        return w.bytes.data() + (position - w.start);
      }
    }
    return nullptr;
  }

  // Reading once: the bytes at `position` from a window, read into one when none holds
  // them; nullptr when they are not read so (not reading once, too many, or outside the file).
  const uint8_t* Windowed(int64_t position, size_t count) {
    if (!readOnce_ || count == 0 || count > kWindowSize / 2 || known_ < 0) return nullptr;
    if (const uint8_t* held = InWindow(position, count)) return held;
    return FillWindow(position, count);
  }

  // Reads the window from the page `position` lies in, in place of the one used less
  // recently; nullptr when the file does not give the bytes asked for (cut short).
  // REQUIRES: count <= kWindowSize / 2.
  const uint8_t* FillWindow(int64_t position, size_t count) {
    if (position < 0 || position + static_cast<int64_t>(count) > known_) return nullptr;
    lastWindow_ = 1 - lastWindow_;
    Window& w = windows_[lastWindow_];
    w.length = 0;
    w.start = position & ~int64_t(4095);
    const size_t wanted = static_cast<size_t>(std::min<int64_t>(int64_t(kWindowSize), known_ - w.start));
    if (w.bytes.size() < kWindowSize) w.bytes.resize(kWindowSize);
    size_t got = 0;
    while (got < wanted) {
      const ssize_t n = ::pread(fd_, w.bytes.data() + got, wanted - got, w.start + static_cast<int64_t>(got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    if (w.start + static_cast<int64_t>(got) < position + static_cast<int64_t>(count)) return nullptr;
    w.length = got;
    return w.bytes.data() + (position - w.start);
  }

  void DropWindows() {
    windows_[0].length = 0;
    windows_[1].length = 0;
  }

  // The file's size as just seen: what the windows hold may have changed when it did.
  void Learn(int64_t size) {
    if (size != known_) DropWindows();
    known_ = size;
  }

  int fd_;
  std::string createdAs_;
  int64_t position_ = 0;
  // How far the file reaches, as this object last saw it (its own writes and cuts, a size
  // asked for, the end a read met); reads inside it come from the map. -1: not known.
  int64_t known_;
  ReadMap map_;
  // Read once (ReadOnceFiles): the two windows the views come from.
  bool readOnce_;
  Window windows_[2];
  int lastWindow_ = 0;
};

// Opens with O_NONBLOCK so that a pipe never blocks the open, then accepts only a
// regular file and switches the descriptor back to blocking.
int OpenRegular(const std::string& name, int flags, std::unique_ptr<BlockFile>* out, bool readOnce = false) {
  out->reset();
  int fd = ::open(name.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return ErrorCodeFromErrno(errno, (flags & O_ACCMODE) != O_RDONLY);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    int error = ErrorCodeFromErrno(errno, false);
    ::close(fd);
    return error;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return ErrorCodeFromErrno(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, false);
  }
  int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  *out = std::make_unique<DiskFile>(fd, (flags & O_CREAT) ? name : std::string(),
                                    (flags & O_TRUNC) ? 0 : static_cast<int64_t>(st.st_size), readOnce);
  return 0;
}

class DiskFiles : public FileSystem {
 public:
  bool Exists(const std::string& name) override {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0;
  }
  EntryKind KindOf(const std::string& name) override {
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0) return errno == ENOENT ? EntryKind::kNone : EntryKind::kOther;
    return S_ISREG(st.st_mode) ? EntryKind::kRegular : EntryKind::kOther;
  }
  int Open(const std::string& name, bool readOnly, std::unique_ptr<BlockFile>* out) override {
    return OpenRegular(name, readOnly ? O_RDONLY : O_RDWR, out);
  }
  int OpenOwn(const std::string& name, bool readOnly, std::unique_ptr<BlockFile>* out) override {
    return OpenRegular(name, (readOnly ? O_RDONLY : O_RDWR) | O_NOFOLLOW, out);
  }
  int Create(const std::string& name, std::unique_ptr<BlockFile>* out) override {
    return OpenRegular(name, O_RDWR | O_CREAT | O_TRUNC, out);
  }
  int CreateFresh(const std::string& name, const std::string& like,
                  std::unique_ptr<BlockFile>* out) override {
    out->reset();
    struct stat st {};
    const bool hasLike = ::stat(like.c_str(), &st) == 0;
    const mode_t mode = hasLike ? (st.st_mode & 0777) : 0666;
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return ErrorCodeFromErrno(errno, true);
    if (hasLike) ::fchmod(fd, mode);  // the umask may have taken bits the original has
    *out = std::make_unique<DiskFile>(fd, name, 0);
    return 0;
  }
  int CreatePrivate(const std::string& name, std::unique_ptr<BlockFile>* out) override {
    out->reset();
    ::unlink(name.c_str());  // a temporary file: its folder entry need not be durable
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorCodeFromErrno(errno, true);
    *out = std::make_unique<DiskFile>(fd, std::string(), 0);
    return 0;
  }
  int Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return ErrorCodeFromErrno(errno, true);
    return SyncFolderOf(to);
  }
  int Remove(const std::string& name) override {
    if (::unlink(name.c_str()) != 0) return errno == ENOENT ? 0 : ErrorCodeFromErrno(errno, true);
    return SyncFolderOf(name);
  }
  int MakeFolder(const std::string& path) override {
    // Each missing folder from the top down; one already there (a link to one too) is kept.
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
      const std::string folder = path.substr(0, end);
      if (!folder.empty() && ::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        return ErrorCodeFromErrno(errno, true);
      if (end == std::string::npos) break;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return ErrorCodeFromErrno(errno, true);
    return S_ISDIR(st.st_mode) ? 0 : ErrorCodeFromErrno(ENOTDIR, true);
  }
};

// The disk, its files opened for reading once.
class ReadOnceDiskFiles : public DiskFiles {
 public:
  int Open(const std::string& name, bool readOnly, std::unique_ptr<BlockFile>* out) override {
    return OpenRegular(name, readOnly ? O_RDONLY : O_RDWR, out, true);
  }
  int OpenOwn(const std::string& name, bool readOnly, std::unique_ptr<BlockFile>* out) override {
    return OpenRegular(name, (readOnly ? O_RDONLY : O_RDWR) | O_NOFOLLOW, out, true);
  }
};

}  // namespace

std::shared_ptr<FileSystem> ReadOnceFiles(std::shared_ptr<FileSystem> files) {
  static std::shared_ptr<FileSystem> once = std::make_shared<ReadOnceDiskFiles>();
  return files == DiskFileSystem() ? once : files;
}

std::shared_ptr<FileSystem> DiskFileSystem() {
  static std::shared_ptr<FileSystem> disk = [] {
    // A write past the file-size limit must fail with EFBIG, which the change reports and
    // rolls back, instead of ending the program with SIGXFSZ.
    ::signal(SIGXFSZ, SIG_IGN);
    return std::make_shared<DiskFiles>();
  }();
  return disk;
}

}  // namespace qn
