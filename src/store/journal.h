// The rollback journal that makes every change of a database all or nothing. While a change
// is open its writes are held in memory (PendingWrites) and reads see them; at the end of
// the change the old bytes of every place it overwrites, with the file's old size, go to
// the journal file beside the database (its name + "-journal") and are made durable before
// the database is touched; then the writes go to the database, it is made durable, and the
// journal is removed. A journal found later belongs to a change that did not finish:
// writing its old bytes back and cutting the file to its old size gives the database as it
// was before that change. Rolling back may itself be stopped and run again.
//
// Journal file, little-endian:
//   16 bytes  kJournalMagic
//    8 bytes  the database's size before the change
//    4 bytes  number of extents
//   per extent: 8 bytes Position, 4 bytes length, the old bytes
//    4 bytes  CRC-32 of everything before it
// A journal whose checksum does not match was cut short before it was durable; the database
// was not touched after it, and it is only removed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "store/block_file.h"

namespace qn {

inline constexpr std::string_view kJournalSuffix = "-journal";
inline constexpr std::string_view kJournalMagic = "QUILLNET-JRNL-01";  // 16 bytes
inline constexpr size_t kJournalHeaderSize = 16 + 8 + 4;
inline constexpr size_t kJournalExtentHeadSize = 8 + 4;

std::string JournalNameOf(const std::string& databaseName);

// Bytes written during a change and not yet in the file, as non-overlapping extents.
class PendingWrites {
 public:
  bool Empty() const { return extents_.empty(); }
  void Clear() { extents_.clear(); }
  void Write(int64_t position, const uint8_t* bytes, size_t count);
  // Copies the pending bytes that fall in [position, position + count) over `buffer`.
  void Overlay(int64_t position, uint8_t* buffer, size_t count) const;
  // One past the last pending byte; 0 when nothing is pending.
  int64_t End() const;
  const std::map<int64_t, std::vector<uint8_t>>& Extents() const { return extents_; }
  size_t Bytes() const;

 private:
  std::map<int64_t, std::vector<uint8_t>> extents_;  // by first Position
};

// A decoded journal: the old size and the old bytes of each place the change overwrote.
struct JournalImage {
  int64_t oldSize = 0;
  std::vector<std::pair<int64_t, std::vector<uint8_t>>> extents;
};
std::vector<uint8_t> EncodeJournal(const JournalImage& journal);
// False when the bytes are no whole journal (cut short, or not a journal at all).
bool DecodeJournal(const std::vector<uint8_t>& bytes, JournalImage* out);

// Writes `pending` into `database` through the journal `journalName`, as described above.
// `oldSize` is the database's size when the change began. 0 when the whole change is in
// the file; otherwise the error code, with the database put back as it was whenever that
// could be done (else the journal stays for the next opening to roll back).
int CommitPending(FileSystem& files, const std::string& journalName, BlockFile& database,
                  int64_t oldSize, const PendingWrites& pending);

// Rolls back a journal left beside `database` (opened for writing): its old bytes written
// back, the file cut to its old size and made durable, then the journal removed. Returns 0
// and sets *rolledBack when there was one to roll back; a journal cut short is removed
// with *rolledBack false; an error code when the rollback could not be finished.
int RollBackJournal(FileSystem& files, const std::string& journalName, BlockFile& database,
                    bool* rolledBack);

// Reads a journal left beside a database that is opened for reading only, so that reads
// can show the database as it was before the unfinished change. False when there is none.
bool ReadJournal(FileSystem& files, const std::string& journalName, JournalImage* out);

}  // namespace qn
