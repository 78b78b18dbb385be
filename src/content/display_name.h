// The display name: the one line of text by which lists, dialogs, searches, sorting and
// exports name a record, chosen by the record's kind. An unnamed data record is named by
// the values of its visible fields (DataRecordText), an unnamed global pointer by where it
// points. A display name is read beside the cursor: neither the cursor nor the loaded
// template changes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "store/format.h"
#include "store/record_blocks.h"

namespace qn {

class RecordReader;
class tDataImageArk;

// The text of a data record whose template could not be loaded.
inline constexpr std::string_view kNoTemplateText = "** DEFINISJON-DATA IKKE HENTET **";
// Kind 2048: records holding data of an external calculation program.
inline constexpr int32_t kKindExternalCalculation = 2048;
inline constexpr std::string_view kExternalCalculationLabel = "Data fra eksternt beregningsprogram";
// Kinds 4096 to 4608: records holding an outside supplier's data.
inline constexpr int32_t kKindExternalSupplierFirst = 4096;
inline constexpr int32_t kKindExternalSupplierLast = 4608;
inline constexpr std::string_view kExternalSupplierLabel = "Data fra ekstern leverandør";
// A one-line record text holds at most this many characters (8-bit form).
constexpr size_t kDataRecordTextMax = 255;

// The display name of the record under the cursor (see the kinds in display_name.cpp);
// empty for a kind that has none.
std::string DisplayName(tDataImageArk& db);
// The display name of `record` (as it stands, also when not stored yet).
std::string DisplayName(RecordReader& reader, const PointerRecord& record);
// True when the display name of a record of `kind` with the name block `nameBlock` is the
// text of that block, its name (RecordReader::Name): a listing can then read the name
// where it lies instead of decoding the record.
bool DisplayedByName(int32_t kind, Position nameBlock);

// The automatic name of the data record under the cursor: its visible field values joined
// by ", ", at most 255 characters. Every field is read, hidden ones too, so the values
// stay in step with the bytes. An empty text field adds nothing, not even the separator,
// so a record whose first visible field gives no text is named with a leading ", "; an
// empty PASSWORD adds the separator alone, a stored one "********".
// kNoTemplateText when its template cannot be loaded.
std::string DataRecordText(tDataImageArk& db);
std::string DataRecordText(RecordReader& reader, const PointerRecord& record);

// ---- The global pointer's 640-byte payload ----
constexpr int kGlobalPositionOffset = 4;     // i32: the Position in the other file
constexpr int kGlobalMethodOffset = 100;     // u8: bits 0-6 the method, bit 7 automatic
constexpr int kGlobalFileNameOffset = 128;   // length byte + at most 255 characters
constexpr int kGlobalTextOffset = 512;       // length byte + at most 127 characters
constexpr int kGlobalTextMax = 127;
constexpr uint8_t kGlobalAutomaticBit = 0x80;

// The caption of an unnamed global pointer: the other file's name, " : " and the Position
// (method 0) or the record name to find (method 1), " : ?" for any other method;
// "[AUTOMATISK] " in front when it is followed automatically.
std::string GlobalPointerCaption(std::span<const uint8_t, kGlobalPointerSize> payload);

}  // namespace qn
