#include "store/journal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace qn {

namespace {

constexpr int kWriteFault = 101;

uint32_t Crc32(const uint8_t* bytes, size_t count) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < count; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
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

// Reads all of a file into `out`.
int ReadWhole(BlockFile& file, std::vector<uint8_t>* out) {
  const int64_t size = file.Size();
  if (size < 0) return 100;
  out->assign(size_t(size), 0);
  size_t moved = 0;
  int error = file.Seek(0);
  if (error == 0 && size > 0) error = file.Read(out->data(), out->size(), &moved);
  if (error == 0 && moved != out->size()) out->resize(moved);
  return error;
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

bool LoadJournal(FileSystem& files, const std::string& journalName, std::vector<uint8_t>* bytes) {
  if (!files.Exists(journalName)) return false;
  std::unique_ptr<BlockFile> file;
  if (files.Open(journalName, true, &file) != 0) return false;
  const int error = ReadWhole(*file, bytes);
  file->Close();
  return error == 0;
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

size_t PendingWrites::Bytes() const {
  size_t total = 0;
  for (const auto& e : extents_) total += e.second.size();
  return total;
}

// ---------------------------------------------------------------------------------------
// The journal file

std::vector<uint8_t> EncodeJournal(const JournalImage& journal) {
  std::vector<uint8_t> out(kJournalMagic.begin(), kJournalMagic.end());
  PutLE(out, uint64_t(journal.oldSize), 8);
  PutLE(out, journal.extents.size(), 4);
  for (const auto& [position, bytes] : journal.extents) {
    PutLE(out, uint64_t(position), 8);
    PutLE(out, bytes.size(), 4);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  PutLE(out, Crc32(out.data(), out.size()), 4);
  return out;
}

bool DecodeJournal(const std::vector<uint8_t>& bytes, JournalImage* out) {
  if (bytes.size() < kJournalHeaderSize + 4) return false;
  if (std::memcmp(bytes.data(), kJournalMagic.data(), kJournalMagic.size()) != 0) return false;
  const size_t body = bytes.size() - 4;
  if (Crc32(bytes.data(), body) != uint32_t(GetLE(bytes.data() + body, 4))) return false;
  JournalImage journal;
  journal.oldSize = int64_t(GetLE(bytes.data() + 16, 8));
  const uint64_t count = GetLE(bytes.data() + 24, 4);
  if (journal.oldSize < 0) return false;
  size_t at = kJournalHeaderSize;
  for (uint64_t i = 0; i < count; ++i) {
    if (body - at < kJournalExtentHeadSize) return false;
    const int64_t position = int64_t(GetLE(bytes.data() + at, 8));
    const uint64_t length = GetLE(bytes.data() + at + 8, 4);
    at += kJournalExtentHeadSize;
    if (position < 0 || length > body - at) return false;
    journal.extents.emplace_back(position, std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + length));
    at += length;
  }
  if (at != body) return false;
  *out = std::move(journal);
  return true;
}

// ---------------------------------------------------------------------------------------
// Commit and rollback

int CommitPending(FileSystem& files, const std::string& journalName, BlockFile& database,
                  int64_t oldSize, const PendingWrites& pending) {
  if (pending.Empty()) return 0;
  // The old bytes of every place below the old end of the file that the change overwrites.
  JournalImage journal;
  journal.oldSize = oldSize;
  for (const auto& [position, bytes] : pending.Extents()) {
    if (position >= oldSize) continue;
    const size_t count = size_t(std::min<int64_t>(oldSize - position, int64_t(bytes.size())));
    std::vector<uint8_t> old(count, 0);
    size_t moved = 0;
    int error = database.Seek(position);
    if (error == 0) error = database.Read(old.data(), count, &moved);
    if (error != 0) return error;
    if (moved != count) return 100;
    journal.extents.emplace_back(position, std::move(old));
  }
  const std::vector<uint8_t> image = EncodeJournal(journal);
  {
    std::unique_ptr<BlockFile> file;
    int error = files.Create(journalName, &file);
    if (error == 0) error = WriteAt(*file, 0, image.data(), image.size());
    if (error == 0) error = file->Sync();
    if (file) {
      const int closeError = file->Close();
      if (error == 0) error = closeError;
    }
    if (error != 0) {
      // The database is untouched: the journal is of no use.
      files.Remove(journalName);
      return error;
    }
  }
  int error = 0;
  for (const auto& [position, bytes] : pending.Extents()) {
    error = WriteAt(database, position, bytes.data(), bytes.size());
    if (error != 0) break;
  }
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
  return 0;
}

int RollBackJournal(FileSystem& files, const std::string& journalName, BlockFile& database,
                    bool* rolledBack) {
  *rolledBack = false;
  std::vector<uint8_t> bytes;
  if (!files.Exists(journalName)) return 0;
  if (!LoadJournal(files, journalName, &bytes)) return 100;
  JournalImage journal;
  if (DecodeJournal(bytes, &journal)) {
    if (int error = Restore(database, journal); error != 0) return error;
    *rolledBack = true;
  }
  return files.Remove(journalName);
}

bool ReadJournal(FileSystem& files, const std::string& journalName, JournalImage* out) {
  std::vector<uint8_t> bytes;
  return LoadJournal(files, journalName, &bytes) && DecodeJournal(bytes, out);
}

}  // namespace qn
