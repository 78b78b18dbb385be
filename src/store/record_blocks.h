// The blocks a record names: its name, the link text of a document link, its data payload
// and its note, read and written for the record at the cursor of an open database; and
// ScanForString, the depth-first search for a record by name. Texts are UTF-8 here and
// Windows-1252 in the blocks. No read places more bytes than its buffer holds, and no
// length read from the file leads outside the file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

constexpr int kGlobalPointerSize = 640;

// Every operation acts on the record at `db.dp` and leaves the cursor on it unless it says
// otherwise. REQUIRES: the database is open (db.dp is set).

// The record's name; empty when it has none (or its name block is not in the file).
std::string ReadName(tDataImageArk& db);
// Stores the name, at most 255 characters, creating the name block when needed, and
// stores the record. An empty text on a record without a name creates nothing. Returns 0.
int32_t WriteName(tDataImageArk& db, std::string_view text);
// Creates a record in `direction` (DirDown, DirLeft, DirRight) and names it; the cursor
// ends on it. Its Position, or -1 when nothing was created.
Position AddNamed(tDataImageArk& db, tDirection direction, std::string_view text);

std::string ReadLinkText(tDataImageArk& db);
int32_t WriteLinkText(tDataImageArk& db, std::string_view text);
Position AddLinked(tDataImageArk& db, tDirection direction, std::string_view text);

// Sets the file position to the record's data block, after refreshing its payload from
// `updateFrom` when automatic update is on. The block's Position, or -1 when the record
// has no data block inside the file.
Position SeekToData(tDataImageArk& db);
// The head of the record's data block.
std::optional<DataHead> ReadDataHead(tDataImageArk& db);
// The length of the record's data: the inherited part plus its own payload; -1 without.
int32_t DataLength(tDataImageArk& db);
// Reads the data (inherited part first) into `buffer`, at most buffer.size() bytes.
// Returns the bytes placed, or -1 when the record has no data.
int32_t ReadData(tDataImageArk& db, std::span<uint8_t> buffer);
// Writes `buffer` over the data in place; the payload never changes length, so at most
// the payload's length is taken from the buffer. 0 when the payload is in the file (the
// pointer record is not stored then), a byte count when an inherited part was written or
// a write fell short, -1 when the record has no data or nothing could be written.
int32_t RewriteData(tDataImageArk& db, std::span<const uint8_t> buffer);
// Appends a data block with the buffer as payload; kind + 2. Bytes written minus count.
int32_t AddData(tDataImageArk& db, std::span<const uint8_t> buffer);
// NewInDirection, then AddData; -1 when no record could be created.
int32_t AddDataInDirection(tDataImageArk& db, std::span<const uint8_t> buffer);
// NewInDirection, AddData of the 640 bytes, kind 640.
int32_t AddGlobalPointer(tDataImageArk& db, std::span<const uint8_t, kGlobalPointerSize> buffer);

// The 8,192 bytes of the note; the bytes read, or -1 when the record has no note.
int32_t ReadNote(tDataImageArk& db, std::span<uint8_t, kNoteTextSize> buffer);
// Rewrites the note text (and a head whose tag is not 1) and stores the record; the
// bytes written, or -1 when the record has no note block.
int32_t WriteNote(tDataImageArk& db, std::span<const uint8_t, kNoteTextSize> buffer);
// Appends a note block; kind OR 256. Bytes written minus 8,192.
int32_t AddNote(tDataImageArk& db, std::span<const uint8_t, kNoteTextSize> buffer);

// Finds the first record, depth first (a record, its sub-list, then its next record),
// whose name equals `text` exactly, from the top of the file or from the cursor's record.
// Its Position with the cursor on it, or -1 with the cursor where it was. Visits each
// record once, however its pointers run.
Position ScanForString(tDataImageArk& db, std::string_view text, bool fromTop);

}  // namespace qn
