// Field values between a data record's bytes and the shared 4096-byte value buffer of the
// open database. Callers set the file to the first field (SeekToFieldValues) and then
// visit the fields of the loaded template in order, one call per field of DataType other
// than 0; each call moves the file place on by the field's DataLength. Reads and writes
// stay inside the data block the place was set to: bytes past its end read as zeros and
// are never written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "templates/field_text.h"

namespace qn {

class tDataImageArk;

// Sets the file to the first field of the current record: the payload after the head of
// its data block. `refresh`: first copy in the data of the record named by updateFrom
// when automatic update is on (as the data editor reads); false: the block as it is. The
// payload's Position, or -1 when the record has no data block in the file: the fields of
// the walk then read as zeros and are never written.
int64_t SeekToFieldValues(tDataImageArk& db, bool refresh);

// Zeroes the value buffer and reads field `index`'s DataLength bytes (at most 4096) at the
// file place into it. 0, or -1 when no template is loaded or the index is out of range.
int32_t ReadFieldValue(tDataImageArk& db, size_t index);
// Writes the value buffer's first DataLength bytes at the file place; for text fields the
// length byte is first cut to DataLength - 1. 0, -1 when no template is loaded, the index
// is out of range, or the field does not lie wholly inside the block SeekToFieldValues
// set (nothing is written then); otherwise the write's result.
int32_t WriteFieldValue(tDataImageArk& db, size_t index);

// The shared value buffer.
std::span<uint8_t, kValueBufferSize> ValueBuffer(tDataImageArk& db);

// The text of field `index` from the value buffer (ShowFieldText); empty when out of
// range.
std::string FieldValueText(tDataImageArk& db, size_t index, const ShowOptions& options = {});
// Converts `text` into the value buffer for field `index` (SaveFieldText over the buffer:
// a refused text keeps what the buffer held). A status kRefused result when out of range.
SaveResult SetFieldValueText(tDataImageArk& db, size_t index, std::string_view text);

}  // namespace qn
