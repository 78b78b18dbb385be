// The rollback journal that makes every change of a database all or nothing. While a change
// is open its writes are held in memory (PendingWrites) and reads see them; at the end of
// the change the old bytes of every place it overwrites, with the file's old size, go to
// the journal file beside the database (its name + "-journal", made fresh: never through a
// link or over a file that is there) and are made durable before the database is touched;
// then the writes go to the database, it is made durable, and the journal is removed. A
// journal found later belongs to a change that did not finish: writing its old bytes back
// and cutting the file to its old size gives the database as it was before that change.
// Rolling back may itself be stopped and run again.
//
// A journal proves which file, in which state, it belongs to: the size the change gives
// the file, and a CRC-32 of the new bytes of every 512-byte piece (aligned in the file) of
// every place it overwrites. A stopped change or rollback leaves each piece holding its old
// or its new bytes (a disk tears writes only at sector boundaries) and the file between its
// old and its new size. A journal that does not fit the file so (a backup copied over the
// database, a journal from another file) is foreign: it is never applied.
//
// Journal file, little-endian:
//   16 bytes  kJournalMagic
//    8 bytes  the database's size before the change
//    8 bytes  the database's size after the change
//    4 bytes  number of extents
//   per extent: 8 bytes Position, 4 bytes length, 4 bytes CRC-32 of the new bytes of each
//               of its pieces, the old bytes
//    4 bytes  CRC-32 of everything before it
// A change may also cut the file (putting back the state before a change that grew it):
// its size after is then below its size before, and its last extent holds the old bytes of
// everything the cut takes away, which pieces are only checked against those old bytes.
// The first format (kJournalMagicV1) has no size after the change and no piece sums. A
// journal whose checksum does not match was cut short before it was durable; the database
// was not touched after it, and it is only removed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "env/block_file.h"

namespace qn {

inline constexpr std::string_view kJournalSuffix = "-journal";
inline constexpr std::string_view kJournalMagic = "QUILLNET-JRNL-02";    // 16 bytes
inline constexpr std::string_view kJournalMagicV1 = "QUILLNET-JRNL-01";  // no proof
inline constexpr size_t kJournalHeaderSize = 16 + 8 + 8 + 4;
inline constexpr size_t kJournalHeaderSizeV1 = 16 + 8 + 4;
inline constexpr size_t kJournalExtentHeadSize = 8 + 4;
inline constexpr int64_t kJournalPiece = 512;
// A foreign journal is renamed to its name + this + the time it was found.
inline constexpr std::string_view kStaleJournalInfix = "-stale-";

std::string JournalNameOf(const std::string& databaseName);
// The largest journal a change of a database of `databaseSize` bytes can write: the old
// bytes of extents that never touch (so at most one per two bytes) with their heads and
// sums. A larger file is no journal of it and is never read whole.
int64_t JournalBound(int64_t databaseSize);
// The journals kept aside beside `databaseName` (their full names), sorted.
std::vector<std::string> KeptAsideJournals(const std::string& databaseName);

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

// A decoded journal: the old size and the old bytes of each place the change overwrote,
// and the proof (none in a journal of the first format: newSize -1, no sums).
struct JournalImage {
  int64_t oldSize = 0;
  std::vector<std::pair<int64_t, std::vector<uint8_t>>> extents;
  int64_t newSize = -1;
  std::vector<uint32_t> newSums;  // one per piece, extent after extent
};
// The CRC-32 a journal keeps of a piece's new bytes.
uint32_t JournalSum(const uint8_t* bytes, size_t count);
// The number of pieces of [position, position + length): 512-byte pieces aligned in the file.
size_t JournalPieces(int64_t position, int64_t length);
// Encodes in the current format, or in the first one when the image has no proof.
std::vector<uint8_t> EncodeJournal(const JournalImage& journal);
// False when the bytes are no whole journal (cut short, or not a journal at all).
bool DecodeJournal(const std::vector<uint8_t>& bytes, JournalImage* out);

// What a journal found beside a database is to it.
enum class JournalState {
  kNone,      // no journal
  kCutShort,  // a journal made durable only in part: the database was not touched after it
  kFits,      // the journal of a stopped change of this file, in the state it left it
  kForeign,   // a whole journal that does not fit the file, or a file too large to be one
  kNotAFile,  // a link, folder, pipe or other non-regular file in the journal's place
  kUnread,    // a journal that could not be read (the error is given)
};
// Looks at the journal beside `database` without changing anything; reads it in bounded
// pieces. *error gets the read error for kUnread.
JournalState InspectJournal(FileSystem& files, const std::string& journalName, BlockFile& database,
                            int* error);

// The places a change touched as they stood at one moment: the bytes of each place and the
// file's size then.
struct FileImage {
  int64_t size = 0;
  std::vector<std::pair<int64_t, std::vector<uint8_t>>> regions;  // by Position, apart
  size_t Bytes() const;
};
// A stored change: the places it changed below the old end of the file, with their old
// bytes (before) and new bytes (after), and everything it wrote past that end (after).
// Bytes it wrote over with the same bytes are not kept.
struct ChangeImages {
  FileImage before;
  FileImage after;
};

// Writes `pending` into `database` (named `databaseName`) through the journal
// `journalName`, as described above. `oldSize` is the database's size when the change
// began. 0 when the whole change is in the file; otherwise the error code, with the
// database put back as it was whenever that could be done (else the journal stays for the
// next opening to roll back). Anything already in the journal's place is left alone and
// the change refused with kJournalInTheWay. With `images`, a change that was stored leaves
// its before- and after-image there.
int CommitPending(FileSystem& files, const std::string& databaseName, const std::string& journalName,
                  BlockFile& database, int64_t oldSize, const PendingWrites& pending,
                  ChangeImages* images = nullptr);
// Puts `database` into the state `target` gives (its regions written, the file cut or grown
// to its size) as one change through the journal, as CommitPending does. The regions must
// lie inside target.size. 0 or the error code, with the database as it was whenever that
// could be done.
int CommitImage(FileSystem& files, const std::string& databaseName, const std::string& journalName,
                BlockFile& database, const FileImage& target);
inline constexpr int kJournalInTheWay = 2004;

// Rolls back the journal left beside `database` (opened for writing), which InspectJournal
// found to fit: its old bytes written back, the file cut to its old size and made durable,
// then the journal removed. 0, or the error code when the rollback could not be finished
// (the journal then stays).
int RollBackJournal(FileSystem& files, const std::string& journalName, BlockFile& database);

// Reads the journal that fits a database opened for reading only into the bytes a view of
// the file as it was before the unfinished change lays over it. False when it cannot.
bool ReadJournalView(FileSystem& files, const std::string& journalName, PendingWrites* view,
                     int64_t* oldSize);

// Renames a foreign journal aside to its name + "-stale-" + the time given
// ("yyyyMMdd-HHmmss"), with a number after it when that name is taken. 0 and the new name,
// or the error code.
int KeepJournalAside(FileSystem& files, const std::string& journalName, const std::string& stamp,
                     std::string* keptAs);

}  // namespace qn
