#include "templates/template_format.h"

#include <algorithm>
#include <cstring>

#include "store/format.h"
#include "templates/type_table.h"

namespace qn {

void TemplateHeader::Encode(std::span<uint8_t, kTemplateHeaderSize> out) const {
  PutU32(out, kTotalSizeOffset, TotalSize);
  PutI32(out, kDataSizeOffset, DataSize);
  PutU16(out, kFieldCountOffset, FieldCount);
  PutU16(out, kHasInheritedOffset, HasInherited);
  PutI32(out, kProgramDataOffset, ProgramData);
}

TemplateHeader TemplateHeader::Decode(std::span<const uint8_t, kTemplateHeaderSize> in) {
  TemplateHeader h;
  h.TotalSize = GetU32(in, kTotalSizeOffset);
  h.DataSize = GetI32(in, kDataSizeOffset);
  h.FieldCount = GetU16(in, kFieldCountOffset);
  h.HasInherited = GetU16(in, kHasInheritedOffset);
  h.ProgramData = GetI32(in, kProgramDataOffset);
  return h;
}

bool TemplateField::Shown() const { return DataType != kTypeInherited && Hidden == 0; }

uint16_t TemplateField::ShownWidth() const {
  if (ShowLength != 0) return ShowLength;
  if (Length != 0) return Length;
  return DataLength;
}

void TemplateField::Encode(std::span<uint8_t, kTemplateFieldSize> out) const {
  std::memset(out.data(), 0, out.size());
  PutU16(out, kFieldDataLengthOffset, DataLength);
  PutU16(out, kFieldDataTypeOffset, DataType);
  PutU16(out, kFieldLengthOffset, Length);
  PutU16(out, kFieldDecimalsOffset, Decimals);
  PutU16(out, kFieldShowLengthOffset, ShowLength);
  out[kFieldHiddenOffset] = Hidden;
  out[kFieldRequiredOffset] = Required;
  size_t n = std::min<size_t>(Name.size(), kFieldNameMax);
  out[kFieldNameOffset] = static_cast<uint8_t>(n);
  std::memcpy(out.data() + kFieldNameOffset + 1, Name.data(), n);
}

TemplateField TemplateField::Decode(std::span<const uint8_t, kTemplateFieldSize> in) {
  TemplateField f;
  f.DataLength = GetU16(in, kFieldDataLengthOffset);
  f.DataType = GetU16(in, kFieldDataTypeOffset);
  f.Length = GetU16(in, kFieldLengthOffset);
  f.Decimals = GetU16(in, kFieldDecimalsOffset);
  f.ShowLength = GetU16(in, kFieldShowLengthOffset);
  f.Hidden = in[kFieldHiddenOffset];
  f.Required = in[kFieldRequiredOffset];
  size_t n = std::min<size_t>(in[kFieldNameOffset], kFieldNameMax);
  f.Name.assign(reinterpret_cast<const char*>(in.data()) + kFieldNameOffset + 1, n);
  return f;
}

std::array<TemplateField, 10> StandardUserTemplateRows() {
  auto row = [](const char* name, uint16_t type, uint16_t dataLength, uint16_t length,
                uint16_t showLength, uint8_t required) {
    TemplateField f;
    f.Name = name;
    f.DataType = type;
    f.DataLength = dataLength;
    f.Length = length;
    f.ShowLength = showLength;
    f.Required = required;
    return f;
  };
  // "e-post" and "Domene" are 63 bytes wide with a display length of 64, as every
  // existing user list has them.
  return {
      row("Brukernavn", kTypeString, 32, 31, 15, 1),
      row("Gruppe", kTypeString, 32, 31, 15, 0),
      row("Full Navn", kTypeString, 64, 63, 30, 0),
      row("Passord", kTypeString, 32, 31, 10, 0),
      row("e-post", kTypeString, 63, 64, 25, 0),
      row("Domene", kTypeString, 63, 64, 20, 0),
      row("Bruker ID", kTypeLongint, 4, 8, 8, 0),
      row("Sist replikert", kTypeTDateTime, 8, 14, 14, 0),
      row("Start replikering", kTypeTDateTime, 8, 14, 14, 0),
      row("Repliker Mappe", kTypeString, 128, 127, 30, 0),
  };
}

}  // namespace qn
