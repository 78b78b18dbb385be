#include "store/journal.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

namespace qn {

namespace {

constexpr int kWriteFault = 101;
constexpr int kReadFault = 100;

// CRC-32 (IEEE) carried over pieces: start with 0xFFFFFFFF, end with ^ 0xFFFFFFFF.
uint32_t Crc32Update(uint32_t crc, const uint8_t* bytes, size_t count) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  for (size_t i = 0; i < count; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

void PutLE(std::vector<uint8_t>& out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

uint64_t GetLE(const uint8_t* bytes, int width) {
  uint64_t value = 0;
  for (int i = 0; i < width; ++i) value |= uint64_t(bytes[i]) << (8 * i);
  return value;
}

// Writes all of `bytes` at `position`.
int WriteAt(BlockFile& file, int64_t position, const uint8_t* bytes, size_t count) {
  size_t moved = 0;
  int error = file.Seek(position);
  if (error == 0) error = file.Write(bytes, count, &moved);
  if (error == 0 && moved != count) error = kWriteFault;
  return error;
}

// A BlockFile over bytes in memory, so journals given as bytes are read by the same code.
class BytesFile : public BlockFile {
 public:
  explicit BytesFile(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  int Seek(int64_t position) override {
    position_ = position;
    return 0;
  }
  int Read(void* buffer, size_t count, size_t* moved) override {
    const size_t at = size_t(std::min<int64_t>(position_, int64_t(bytes_.size())));
    *moved = std::min(count, bytes_.size() - at);
    if (*moved > 0) std::memcpy(buffer, bytes_.data() + at, *moved);
    position_ += int64_t(*moved);
    return 0;
  }
  int Write(const void*, size_t, size_t* moved) override {
    *moved = 0;
    return kWriteFault;
  }
  int64_t Size() override { return int64_t(bytes_.size()); }
  int Sync() override { return 0; }
  int Truncate(int64_t) override { return kWriteFault; }
  int Close() override { return 0; }

 private:
  const std::vector<uint8_t>& bytes_;
  int64_t position_ = 0;
};

// Reads a file from its start a small piece at a time (a field, or at most one 512-byte
// piece of old bytes), keeping the CRC-32 of what it has handed out: no length read from
// the file ever sizes a buffer.
class JournalStream {
 public:
  JournalStream(BlockFile& file, int64_t size) : file_(file), size_(size) {}
  // The next `count` bytes into `out`; false at the file's end or on a read error.
  bool Take(uint8_t* out, size_t count) {
    if (count > size_t(size_ - at_)) return false;
    size_t moved = 0;
    if (int error = file_.Seek(at_); error != 0) return Failed(error);
    if (int error = file_.Read(out, count, &moved); error != 0) return Failed(error);
    if (moved != count) return Failed(kReadFault);
    crc_ = Crc32Update(crc_, out, count);
    at_ += int64_t(count);
    return true;
  }
  bool TakeLE(uint64_t* value, int width) {
    uint8_t bytes[8];
    if (!Take(bytes, size_t(width))) return false;
    *value = GetLE(bytes, width);
    return true;
  }
  int64_t Left() const { return size_ - at_; }
  uint32_t Crc() const { return crc_ ^ 0xFFFFFFFFu; }
  int error = 0;

 private:
  bool Failed(int e) {
    error = e;
    return false;
  }
  BlockFile& file_;
  int64_t size_;
  int64_t at_ = 0;
  uint32_t crc_ = 0xFFFFFFFFu;
};

struct JournalHead {
  int version = 0;
  int64_t oldSize = 0;
  int64_t newSize = -1;
};

// Called for every piece of old bytes of a journal, in file order: its Position, the old
// bytes, and the CRC-32 of its new bytes (none in the first format).
using PieceVisitor = std::function<void(int64_t position, const uint8_t* old, size_t count, const uint32_t* newSum)>;

enum class WalkResult { kWhole, kCutShort, kNoJournal, kReadError };

// One pass over a journal file of `size` bytes, in bounded pieces. Only kWhole means the
// journal is whole: what the visitor saw before is to be trusted only then.
WalkResult WalkJournal(BlockFile& file, int64_t size, JournalHead* head, const PieceVisitor& visit,
                       int* readError) {
  JournalStream in(file, size);
  const auto broken = [&] {
    if (in.error != 0) {
      *readError = in.error;
      return WalkResult::kReadError;
    }
    return WalkResult::kCutShort;
  };
  uint8_t magic[16];
  if (size < int64_t(sizeof magic) || !in.Take(magic, sizeof magic)) {
    // Too short to say whose it is: a journal cut short right at its start.
    return in.error != 0 ? broken() : WalkResult::kCutShort;
  }
  if (std::memcmp(magic, kJournalMagic.data(), 16) == 0) {
    head->version = 2;
  } else if (std::memcmp(magic, kJournalMagicV1.data(), 16) == 0) {
    head->version = 1;
  } else {
    return WalkResult::kNoJournal;
  }
  uint64_t oldSize = 0, newSize = 0, count = 0;
  if (!in.TakeLE(&oldSize, 8)) return broken();
  if (head->version == 2 && !in.TakeLE(&newSize, 8)) return broken();
  if (!in.TakeLE(&count, 4)) return broken();
  if (oldSize > uint64_t(INT64_MAX) || newSize > uint64_t(INT64_MAX)) return WalkResult::kCutShort;
  head->oldSize = int64_t(oldSize);
  head->newSize = head->version == 2 ? int64_t(newSize) : -1;
  bool sane = true;
  std::vector<uint32_t> sums;
  std::array<uint8_t, size_t(kJournalPiece)> piece;
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t position = 0, length = 0;
    if (!in.TakeLE(&position, 8) || !in.TakeLE(&length, 4)) return broken();
    // Old bytes lie inside the old file.
    if (position > uint64_t(head->oldSize) || length > uint64_t(head->oldSize) - position) sane = false;
    if (length > uint64_t(in.Left())) return broken();
    const size_t pieces = JournalPieces(int64_t(position), int64_t(length));
    sums.clear();
    if (head->version == 2) {
      if (uint64_t(pieces) * 4 > uint64_t(in.Left())) return broken();
      sums.resize(pieces);
      for (uint32_t& sum : sums) {
        uint64_t value = 0;
        if (!in.TakeLE(&value, 4)) return broken();
        sum = uint32_t(value);
      }
    }
    int64_t at = int64_t(position);
    const int64_t end = at + int64_t(length);
    for (size_t k = 0; at < end; ++k) {
      const int64_t to = std::min(end, (at / kJournalPiece + 1) * kJournalPiece);
      if (!in.Take(piece.data(), size_t(to - at))) return broken();
      if (sane && visit) visit(at, piece.data(), size_t(to - at), sums.empty() ? nullptr : &sums[k]);
      at = to;
    }
  }
  const uint32_t crc = in.Crc();
  uint64_t stored = 0;
  if (in.Left() != 4 || !in.TakeLE(&stored, 4)) return in.error != 0 ? broken() : WalkResult::kCutShort;
  if (uint32_t(stored) != crc) return WalkResult::kCutShort;
  // Whole, but not as this program writes a journal: no journal of any file.
  return sane ? WalkResult::kWhole : WalkResult::kNoJournal;
}

// Puts the old bytes back and the old size, durably.
int Restore(BlockFile& database, const JournalImage& journal) {
  for (const auto& [position, bytes] : journal.extents) {
    if (int error = WriteAt(database, position, bytes.data(), bytes.size()); error != 0) return error;
  }
  if (database.Size() != journal.oldSize) {
    if (int error = database.Truncate(journal.oldSize); error != 0) return error;
  }
  return database.Sync();
}

uint32_t Crc32(const uint8_t* bytes, size_t count) {
  return Crc32Update(0xFFFFFFFFu, bytes, count) ^ 0xFFFFFFFFu;
}

}  // namespace

std::string JournalNameOf(const std::string& databaseName) {
  return databaseName + std::string(kJournalSuffix);
}

// ---------------------------------------------------------------------------------------
// Pending writes

void PendingWrites::Write(int64_t position, const uint8_t* bytes, size_t count) {
  if (count == 0) return;
  const int64_t start = position;
  const int64_t end = position + int64_t(count);
  // The extents that overlap or touch [start, end): from `first` up to `last`.
  auto first = extents_.upper_bound(start);
  if (first != extents_.begin()) {
    auto before = std::prev(first);
    if (before->first + int64_t(before->second.size()) >= start) first = before;
  }
  auto last = first;
  int64_t mergedEnd = end;
  while (last != extents_.end() && last->first <= end) {
    mergedEnd = std::max(mergedEnd, last->first + int64_t(last->second.size()));
    ++last;
  }
  if (first == last) {
    extents_.emplace(start, std::vector<uint8_t>(bytes, bytes + count));
    return;
  }
  // Grow the first extent in place when the write begins inside it or at its end (the
  // common case: records appended one after another), so a long run of appends costs
  // no copying of what came before.
  if (first->first <= start) {
    std::vector<uint8_t>& merged = first->second;
    const int64_t base = first->first;
    merged.resize(size_t(mergedEnd - base));
    for (auto e = std::next(first); e != last; ++e)
      std::memcpy(merged.data() + (e->first - base), e->second.data(), e->second.size());
    std::memcpy(merged.data() + (start - base), bytes, count);
    extents_.erase(std::next(first), last);
    return;
  }
  std::vector<uint8_t> merged(size_t(mergedEnd - start), 0);
  for (auto e = first; e != last; ++e)
    std::memcpy(merged.data() + (e->first - start), e->second.data(), e->second.size());
  std::memcpy(merged.data(), bytes, count);
  extents_.erase(first, last);
  extents_.emplace(start, std::move(merged));
}

void PendingWrites::Overlay(int64_t position, uint8_t* buffer, size_t count) const {
  if (extents_.empty() || count == 0) return;
  const int64_t end = position + int64_t(count);
  auto it = extents_.upper_bound(position);
  if (it != extents_.begin()) --it;
  for (; it != extents_.end() && it->first < end; ++it) {
    const int64_t from = std::max(position, it->first);
    const int64_t to = std::min(end, it->first + int64_t(it->second.size()));
    if (to > from)
      std::memcpy(buffer + (from - position), it->second.data() + (from - it->first), size_t(to - from));
  }
}

int64_t PendingWrites::End() const {
  if (extents_.empty()) return 0;
  const auto& last = *extents_.rbegin();
  return last.first + int64_t(last.second.size());
}

size_t FileImage::Bytes() const {
  size_t total = 0;
  for (const auto& region : regions) total += region.second.size();
  return total;
}

size_t PendingWrites::Bytes() const {
  size_t total = 0;
  for (const auto& e : extents_) total += e.second.size();
  return total;
}

// ---------------------------------------------------------------------------------------
// The journal file

uint32_t JournalSum(const uint8_t* bytes, size_t count) { return Crc32(bytes, count); }

size_t JournalPieces(int64_t position, int64_t length) {
  if (length <= 0) return 0;
  return size_t((position + length - 1) / kJournalPiece - position / kJournalPiece + 1);
}

int64_t JournalBound(int64_t databaseSize) {
  // Per extent of one byte with one byte between it and the next: head, sum, the byte.
  const int64_t extents = databaseSize / 2 + 1;
  return int64_t(kJournalHeaderSize) + 4 + extents * int64_t(kJournalExtentHeadSize + 4) +
         databaseSize + databaseSize / kJournalPiece * 4;
}

std::vector<std::string> KeptAsideJournals(const std::string& databaseName) {
  namespace fs = std::filesystem;
  const fs::path path(databaseName);
  const std::string prefix = path.filename().string() + std::string(kJournalSuffix) + std::string(kStaleJournalInfix);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(prefix)) out.push_back((path.has_parent_path() ? folder / name : fs::path(name)).string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<uint8_t> EncodeJournal(const JournalImage& journal) {
  const bool proof = journal.newSize >= 0;
  const std::string_view magic = proof ? kJournalMagic : kJournalMagicV1;
  std::vector<uint8_t> out(magic.begin(), magic.end());
  PutLE(out, uint64_t(journal.oldSize), 8);
  if (proof) PutLE(out, uint64_t(journal.newSize), 8);
  PutLE(out, journal.extents.size(), 4);
  size_t sum = 0;
  for (const auto& [position, bytes] : journal.extents) {
    PutLE(out, uint64_t(position), 8);
    PutLE(out, bytes.size(), 4);
    if (proof) {
      for (size_t k = JournalPieces(position, int64_t(bytes.size())); k > 0; --k, ++sum)
        PutLE(out, sum < journal.newSums.size() ? journal.newSums[sum] : 0, 4);
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  PutLE(out, Crc32(out.data(), out.size()), 4);
  return out;
}

bool DecodeJournal(const std::vector<uint8_t>& bytes, JournalImage* out) {
  BytesFile file(bytes);
  JournalHead head;
  JournalImage journal;
  int readError = 0;
  // Whole and well formed first; then the framing is read again, extent by extent.
  if (WalkJournal(file, int64_t(bytes.size()), &head, nullptr, &readError) != WalkResult::kWhole) return false;
  size_t at = 16;
  journal.oldSize = int64_t(GetLE(bytes.data() + at, 8));
  at += 8;
  if (head.version == 2) {
    journal.newSize = int64_t(GetLE(bytes.data() + at, 8));
    at += 8;
  }
  const uint64_t count = GetLE(bytes.data() + at, 4);
  at += 4;
  for (uint64_t i = 0; i < count; ++i) {
    const int64_t position = int64_t(GetLE(bytes.data() + at, 8));
    const size_t length = size_t(GetLE(bytes.data() + at + 8, 4));
    at += kJournalExtentHeadSize;
    if (head.version == 2) {
      for (size_t k = JournalPieces(position, int64_t(length)); k > 0; --k, at += 4)
        journal.newSums.push_back(uint32_t(GetLE(bytes.data() + at, 4)));
    }
    journal.extents.emplace_back(position, std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + length));
    at += length;
  }
  *out = std::move(journal);
  return true;
}

JournalState InspectJournal(FileSystem& files, const std::string& journalName, BlockFile& database,
                            int* error) {
  *error = 0;
  switch (files.KindOf(journalName)) {
    case EntryKind::kNone: return JournalState::kNone;
    case EntryKind::kOther: return JournalState::kNotAFile;
    case EntryKind::kRegular: break;
  }
  std::unique_ptr<BlockFile> file;
  if (int e = files.OpenOwn(journalName, true, &file); e != 0 || !file) {
    // Replaced by something else since it was looked at, or unreadable.
    if (files.KindOf(journalName) == EntryKind::kOther) return JournalState::kNotAFile;
    *error = e != 0 ? e : kReadFault;
    return JournalState::kUnread;
  }
  const int64_t size = file->Size();
  const int64_t databaseSize = database.Size();
  if (size < 0 || databaseSize < 0) {
    *error = kReadFault;
    file->Close();
    return JournalState::kUnread;
  }
  // A journal of a cut holds what the cut took away: its bound is that of the file before
  // the cut, which its head gives (never more than a file of 32-bit Positions).
  int64_t boundSize = databaseSize;
  {
    uint8_t head[kJournalHeaderSize];
    size_t moved = 0;
    if (size >= int64_t(sizeof head) && file->Seek(0) == 0 && file->Read(head, sizeof head, &moved) == 0 &&
        moved == sizeof head && std::memcmp(head, kJournalMagic.data(), 16) == 0) {
      const uint64_t before = GetLE(head + 16, 8), after = GetLE(head + 24, 8);
      if (after < before && before <= uint64_t(INT32_MAX) && uint64_t(databaseSize) >= after &&
          uint64_t(databaseSize) <= before)
        boundSize = int64_t(before);
    }
  }
  if (size > JournalBound(boundSize)) {
    file->Close();
    return JournalState::kForeign;
  }
  // Each piece must hold its old bytes, or its new bytes (the first format has no sums:
  // only the size is asked of it).
  bool fits = true;
  std::array<uint8_t, size_t(kJournalPiece)> now;
  JournalHead head;
  const auto check = [&](int64_t position, const uint8_t* old, size_t count, const uint32_t* newSum) {
    if (!fits) return;
    if (newSum == nullptr) return;
    // A piece a cut takes away holds its old bytes as far as the file still reaches.
    const bool cutAway = head.newSize < head.oldSize && position >= head.newSize;
    size_t moved = 0;
    int e = database.Seek(position);
    if (e == 0) e = database.Read(now.data(), count, &moved);
    if (e != 0 || (moved != count && !cutAway)) {
      fits = false;
      if (e != 0) *error = e;
      return;
    }
    if (cutAway) {
      if (std::memcmp(now.data(), old, moved) != 0) fits = false;
      return;
    }
    if (std::memcmp(now.data(), old, count) != 0 && Crc32(now.data(), count) != *newSum) fits = false;
  };
  int readError = 0;
  const WalkResult walk = WalkJournal(*file, size, &head, check, &readError);
  file->Close();
  switch (walk) {
    case WalkResult::kCutShort: return JournalState::kCutShort;
    case WalkResult::kNoJournal: return JournalState::kForeign;
    case WalkResult::kReadError:
      *error = readError;
      return JournalState::kUnread;
    case WalkResult::kWhole: break;
  }
  if (*error != 0) return JournalState::kUnread;
  // Between the size before the change and the size after it (a stopped rollback may have
  // cut it back already).
  if (head.version == 1 && databaseSize < head.oldSize) return JournalState::kForeign;
  if (head.version == 2 && (databaseSize < std::min(head.oldSize, head.newSize) ||
                            databaseSize > std::max(head.oldSize, head.newSize)))
    return JournalState::kForeign;
  return fits ? JournalState::kFits : JournalState::kForeign;
}

// ---------------------------------------------------------------------------------------
// Commit and rollback

namespace {

struct PlannedWrite {
  int64_t position;
  const uint8_t* bytes;
  size_t count;
};

// Stores `writes` (apart, in Position order) and the size `newSize` through the journal.
// `oldSize` is the database's size now. A cut (newSize below oldSize) keeps the old bytes
// of what it takes away as the journal's last extent. On success *journalOut (when given)
// gets the journal's image: the old bytes of every place overwritten below the old end.
int CommitWrites(FileSystem& files, const std::string& databaseName, const std::string& journalName,
                 BlockFile& database, int64_t oldSize, int64_t newSize, const std::vector<PlannedWrite>& writes,
                 JournalImage* journalOut) {
  if (writes.empty() && newSize == oldSize) return 0;
  // A journal of this change is made fresh; anything already there is not ours to touch.
  if (files.KindOf(journalName) != EntryKind::kNone) return kJournalInTheWay;
  // The old bytes of every place below the old end of the file that the change overwrites,
  // and the sums of the new bytes that will stand there.
  JournalImage journal;
  journal.oldSize = oldSize;
  journal.newSize = newSize;
  const auto readOld = [&](int64_t position, size_t count, std::vector<uint8_t>* old) {
    old->assign(count, 0);
    size_t moved = 0;
    int error = database.Seek(position);
    if (error == 0) error = database.Read(old->data(), count, &moved);
    if (error == 0 && moved != count) error = kReadFault;
    return error;
  };
  for (const PlannedWrite& w : writes) {
    if (w.position >= oldSize) continue;
    const size_t count = size_t(std::min<int64_t>(oldSize - w.position, int64_t(w.count)));
    std::vector<uint8_t> old;
    if (int error = readOld(w.position, count, &old); error != 0) return error;
    for (int64_t at = w.position; at < w.position + int64_t(count);) {
      const int64_t to = std::min(w.position + int64_t(count), (at / kJournalPiece + 1) * kJournalPiece);
      journal.newSums.push_back(Crc32(w.bytes + (at - w.position), size_t(to - at)));
      at = to;
    }
    journal.extents.emplace_back(w.position, std::move(old));
  }
  const bool cuts = newSize < oldSize;
  if (cuts) {
    std::vector<uint8_t> tail;
    if (int error = readOld(newSize, size_t(oldSize - newSize), &tail); error != 0) return error;
    // No new bytes stand there: the pieces are checked against the old bytes only.
    journal.newSums.resize(journal.newSums.size() + JournalPieces(newSize, oldSize - newSize), 0);
    journal.extents.emplace_back(newSize, std::move(tail));
  }
  {
    const std::vector<uint8_t> image = EncodeJournal(journal);
    std::unique_ptr<BlockFile> file;
    int error = files.CreateFresh(journalName, databaseName, &file);
    if (error != 0) {
      // Something took the journal's place after it was looked at.
      return files.KindOf(journalName) != EntryKind::kNone ? kJournalInTheWay : error;
    }
    error = WriteAt(*file, 0, image.data(), image.size());
    if (error == 0) error = file->Sync();
    const int closeError = file->Close();
    if (error == 0) error = closeError;
    if (error != 0) {
      // The database is untouched: the journal, made here, is of no use.
      files.Remove(journalName);
      return error;
    }
  }
  int error = 0;
  for (const PlannedWrite& w : writes) {
    error = WriteAt(database, w.position, w.bytes, w.count);
    if (error != 0) break;
  }
  if (error == 0 && (newSize < oldSize || database.Size() < newSize)) error = database.Truncate(newSize);
  if (error == 0) error = database.Sync();
  if (error != 0) {
    // Put the database back now; when even that fails, the journal stays for the next
    // opening.
    if (Restore(database, journal) == 0) files.Remove(journalName);
    return error;
  }
  // Once the journal is gone the change is final. Should it not go, the next opening rolls
  // back a change that had finished: the file is still whole, only without this change.
  files.Remove(journalName);
  if (journalOut != nullptr) {
    if (cuts) journal.extents.pop_back();
    *journalOut = std::move(journal);
  }
  return 0;
}

}  // namespace

int CommitPending(FileSystem& files, const std::string& databaseName, const std::string& journalName,
                  BlockFile& database, int64_t oldSize, const PendingWrites& pending, ChangeImages* images) {
  if (pending.Empty()) return 0;
  std::vector<PlannedWrite> writes;
  writes.reserve(pending.Extents().size());
  for (const auto& [position, bytes] : pending.Extents()) writes.push_back({position, bytes.data(), bytes.size()});
  const int64_t newSize = std::max(oldSize, pending.End());
  JournalImage journal;
  const int error = CommitWrites(files, databaseName, journalName, database, oldSize, newSize, writes,
                                 images != nullptr ? &journal : nullptr);
  if (error != 0 || images == nullptr) return error;
  // Only the bytes that differ are kept (a record rewritten whole for a changed link keeps
  // the link), runs closer than kSameGap joined; what lies past the old end is new whole.
  constexpr size_t kSameGap = 16;
  images->before = FileImage{oldSize, {}};
  images->after = FileImage{newSize, {}};
  size_t journalIndex = 0;
  for (const auto& [position, bytes] : pending.Extents()) {
    size_t inOld = 0;
    if (position < oldSize) {
      const std::vector<uint8_t>& old = journal.extents[journalIndex++].second;
      inOld = old.size();
      for (size_t at = 0; at < inOld;) {
        if (bytes[at] == old[at]) {
          ++at;
          continue;
        }
        size_t end = at + 1, same = 0;
        for (size_t k = end; k < inOld && same < kSameGap; ++k) {
          if (bytes[k] == old[k]) {
            ++same;
          } else {
            same = 0;
            end = k + 1;
          }
        }
        const int64_t from = position + int64_t(at);
        images->before.regions.emplace_back(from, std::vector<uint8_t>(old.begin() + at, old.begin() + end));
        images->after.regions.emplace_back(from, std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + end));
        at = end;
      }
    }
    if (inOld < bytes.size()) {
      images->after.regions.emplace_back(position + int64_t(inOld),
                                         std::vector<uint8_t>(bytes.begin() + inOld, bytes.end()));
    }
  }
  return 0;
}

int CommitImage(FileSystem& files, const std::string& databaseName, const std::string& journalName,
                BlockFile& database, const FileImage& target) {
  const int64_t oldSize = database.Size();
  if (oldSize < 0) return kReadFault;
  std::vector<PlannedWrite> writes;
  writes.reserve(target.regions.size());
  for (const auto& [position, bytes] : target.regions) writes.push_back({position, bytes.data(), bytes.size()});
  return CommitWrites(files, databaseName, journalName, database, oldSize, target.size, writes, nullptr);
}

namespace {

// Walks the journal that InspectJournal found to fit, handing each piece to `visit`.
int WalkFittingJournal(FileSystem& files, const std::string& journalName, JournalHead* head,
                       const PieceVisitor& visit) {
  std::unique_ptr<BlockFile> file;
  if (int error = files.OpenOwn(journalName, true, &file); error != 0 || !file) return error != 0 ? error : kReadFault;
  int readError = 0;
  const WalkResult walk = WalkJournal(*file, file->Size(), head, visit, &readError);
  file->Close();
  if (walk == WalkResult::kReadError) return readError;
  return walk == WalkResult::kWhole ? 0 : kReadFault;
}

}  // namespace

int RollBackJournal(FileSystem& files, const std::string& journalName, BlockFile& database) {
  JournalHead head;
  int writeError = 0;
  const auto putBack = [&](int64_t position, const uint8_t* old, size_t count, const uint32_t*) {
    if (writeError == 0) writeError = WriteAt(database, position, old, count);
  };
  if (int error = WalkFittingJournal(files, journalName, &head, putBack); error != 0) return error;
  if (writeError != 0) return writeError;
  if (database.Size() != head.oldSize) {
    if (int error = database.Truncate(head.oldSize); error != 0) return error;
  }
  if (int error = database.Sync(); error != 0) return error;
  return files.Remove(journalName);
}

bool ReadJournalView(FileSystem& files, const std::string& journalName, PendingWrites* view,
                     int64_t* oldSize) {
  JournalHead head;
  PendingWrites out;
  const auto take = [&](int64_t position, const uint8_t* old, size_t count, const uint32_t*) {
    out.Write(position, old, count);
  };
  if (WalkFittingJournal(files, journalName, &head, take) != 0) return false;
  *view = std::move(out);
  *oldSize = head.oldSize;
  return true;
}

int KeepJournalAside(FileSystem& files, const std::string& journalName, const std::string& stamp,
                     std::string* keptAs) {
  const std::string base = journalName + std::string(kStaleJournalInfix) + stamp;
  std::string name = base;
  for (int n = 2; files.KindOf(name) != EntryKind::kNone; ++n) {
    if (n > 1000) return kWriteFault;
    name = base + "-" + std::to_string(n);
  }
  if (int error = files.Rename(journalName, name); error != 0) return error;
  *keptAs = name;
  return 0;
}

}  // namespace qn
