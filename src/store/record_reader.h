// A read-only view of an open database by Position: a record, its name, link text and
// data, a walk down a list and a search by name, read beside the user's cursor. It has no
// cursor of its own and writes nothing: the cursor, its position stack, the marks, the
// file position the block operations use and the loaded template are as they were, so
// whatever only shows the file (the painted list, display names, exports, the check)
// reads through it at any time. Every read is checked against the file's size and every
// walk is bounded by the records the file can hold.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

class RecordReader {
 public:
  // REQUIRES: the database is open and outlives the reader.
  explicit RecordReader(tDataImageArk& db);

  tDataImageArk& Database() const { return db_; }
  // How many records the file can hold: the bound of every walk.
  int64_t RecordBound();
  // True when `count` bytes starting at `position` lie inside the file.
  bool InFile(int64_t position, int64_t count);
  // How many of `count` bytes from `position` lie inside the file (0 when none do).
  int64_t Fit(int64_t position, int64_t count);
  // Reads `out.size()` bytes at `position`; false when the file cannot give them all.
  bool ReadBytes(int64_t position, std::span<uint8_t> out);

  // The 256 bytes of the record at `position` (the file header record at 0): inside the
  // file, size 256, its own Position in its position field. False otherwise.
  bool Image(Position position, RecordImage& out);
  // The same bytes where they lie in the file's read map, or copied into `room` when they
  // cannot be had so; nullptr when there is no record. A walk reads the few fields it needs
  // without copying the record; the bytes are readable until the next read from the file.
  const uint8_t* RecordBytes(Position position, RecordImage& room);
  std::optional<PointerRecord> Record(Position position);
  // The whole file where it lies in its read map, for a walk that reads nothing else;
  // nullopt when it cannot be had so (see tDataImageArk::View). Readable until the next
  // read from the file; Database().ViewIntact() afterwards.
  std::optional<std::span<const uint8_t>> WholeFile();
  // The same into `out` (left as it was when there is no record), reusing its room.
  bool Read(Position position, PointerRecord& out);
  bool IsRecordAt(Position position);
  // The first record of the top-level list (the file header record's down); 0 when none.
  Position TopLevelFirst();

  // The record's name, UTF-8; empty when it has none or its block is not in the file.
  std::string Name(const PointerRecord& record);
  std::string LinkText(const PointerRecord& record);
  // The text of the name-shaped block at `block` (name, link text, register value); at
  // most as many bytes as the block's own size says when `sizeFirst`.
  std::string TextBlock(Position block, bool sizeFirst);
  // The 8-bit text of the name block at `block`, read as the name search compares it.
  std::string NameBytes(Position block);
  // NameBytes(block) into `out`, its room reused: the text read where it lies in the
  // file's map when it can be, without the block's copy.
  void ReadNameBytes(Position block, std::string& out);
  // Whether NameBytes(block) is `name`, reading the text only when the lengths agree.
  bool NameIs(Position block, std::string_view name);

  // The head of the data block at `block`; nullopt when it is not in the file.
  std::optional<DataHead> DataHeadAt(Position block);
  // The payload of the record's own data block, at most `limit` bytes and what the file
  // holds: the bytes the fields of a data record are read from. nullopt when the record
  // has no data block in the file.
  std::optional<std::vector<uint8_t>> OwnPayload(const PointerRecord& record, int64_t limit);
  // The record's data, its inherited part first, at most `limit` bytes; with automatic
  // update on, the payload of the record it is updated from stands over its own, as a
  // refresh would write it. nullopt when the record has no data block in the file.
  std::optional<std::vector<uint8_t>> Data(const PointerRecord& record, int64_t limit);
  // The payload a data record's fields are shown from, as the data editor shows them: its
  // own block, at most `limit` bytes, with automatic update on the payload of the record it
  // is updated from standing over it. Into `out`, whose room is reused; false when the
  // record has no data block in the file.
  bool ShownPayload(const PointerRecord& record, int64_t limit, std::vector<uint8_t>& out);
  // The same where it lies in the file's map, without a copy, when it can be had so and no
  // automatic update stands over it; nullopt otherwise. Readable until the next read from
  // the file; Database().ViewIntact() afterwards.
  std::optional<std::span<const uint8_t>> OwnPayloadView(const PointerRecord& record, int64_t limit);

  // Visits the records from `first` down its list, each once, at most RecordBound() of
  // them; a link that leads to no record ends the walk. `visit` returning false ends it.
  // Returns the records visited.
  int64_t WalkDown(Position first, const std::function<bool(const PointerRecord&)>& visit);
  // The first record of the list holding `from`, as the cursor's walk to the first
  // record finds it: up links followed while they lead to a record other than the one
  // they leave, at most RecordBound() of them. Its up link is 0 unless the walk was cut.
  PointerRecord FirstOfList(PointerRecord from);
  // The first record, depth first from `first` (a record, its sub-list, then its next
  // record), whose name is the 8-bit text `name`; 0 when none. Each record is visited once.
  Position FindNamed(Position first, std::string_view name);

 private:
  // The data block a record's inheritBlock names (a pointer record there stands for its
  // data block); 0 when none.
  Position InheritedBlock(const PointerRecord& record);
  // Appends up to `limit` payload bytes of the data block at `block` to `out`; false when
  // the block's head is not in the file.
  bool AppendPayload(Position block, int64_t limit, std::vector<uint8_t>& out);
  // How many payload bytes of the data block at `block`, whose head is `head`, are read: its
  // head's size cut to `limit` and to the file's end, the first `known` bytes after the head
  // being in the file.
  int64_t PayloadCut(Position block, const uint8_t* head, int64_t limit, int64_t known);
  // With automatic update on, the payload of the record `record` is updated from, over the
  // bytes of `data` from `first` on, up to the shorter of the two.
  void UpdateFromSource(const PointerRecord& record, size_t first, std::vector<uint8_t>& data);

  tDataImageArk& db_;
};

}  // namespace qn
