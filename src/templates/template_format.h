// The stored layout of a template: a 16-byte TemplateHeader (the data block head, whose
// three words after the size carry the header) followed by FieldCount TemplateField rows
// of 64 bytes each, without gaps. All integers little-endian. A row's Name is a length
// byte and at most 51 Windows-1252 characters, unused bytes zero; decoding clamps a
// damaged length byte, so a row never yields more than 51 characters.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qn {

// ---- TemplateHeader, 16 bytes ----
constexpr int kTemplateHeaderSize = 16;
constexpr int kTotalSizeOffset = 0;      // u32: 16 + 64 * FieldCount
constexpr int kDataSizeOffset = 4;       // i32: bytes of a data record
constexpr int kFieldCountOffset = 8;     // u16: own rows, an INHERITED row included
constexpr int kHasInheritedOffset = 10;  // u16: 1 when a row has DataType 0
constexpr int kProgramDataOffset = 12;   // i32: data block of a linked program, 0 = none

// ---- TemplateField, 64 bytes ----
constexpr int kTemplateFieldSize = 64;
constexpr int kFieldDataLengthOffset = 0;  // u16
constexpr int kFieldDataTypeOffset = 2;    // u16
constexpr int kFieldLengthOffset = 4;      // u16
constexpr int kFieldDecimalsOffset = 6;    // u16
constexpr int kFieldShowLengthOffset = 8;  // u16
constexpr int kFieldHiddenOffset = 10;     // u8
constexpr int kFieldRequiredOffset = 11;   // u8
constexpr int kFieldNameOffset = 12;       // length byte, then the characters
constexpr int kFieldNameSize = 52;
constexpr int kFieldNameMax = kFieldNameSize - 1;  // 51

// A template block of n rows is this many bytes.
constexpr uint32_t TemplateBlockSize(uint32_t rows) {
  return kTemplateHeaderSize + kTemplateFieldSize * rows;
}

struct TemplateHeader {
  uint32_t TotalSize = kTemplateHeaderSize;
  int32_t DataSize = 0;
  uint16_t FieldCount = 0;
  uint16_t HasInherited = 0;
  int32_t ProgramData = 0;

  void Encode(std::span<uint8_t, kTemplateHeaderSize> out) const;
  static TemplateHeader Decode(std::span<const uint8_t, kTemplateHeaderSize> in);
  bool operator==(const TemplateHeader&) const = default;
};

struct TemplateField {
  uint16_t DataLength = 0;  // bytes the field occupies in a data record
  uint16_t DataType = 0;    // type code, see type_table.h
  uint16_t Length = 0;      // display length; for INHERITED the inherited part's size
  uint16_t Decimals = 0;    // digits after the point for real types
  uint16_t ShowLength = 0;  // characters in table views; 0 = Length, then DataLength
  uint8_t Hidden = 0;       // 1 = left out of one-line texts and tables
  uint8_t Required = 0;     // 1 = "Ja"; stored and edited, never enforced
  std::string Name;         // 8-bit Windows-1252; for INHERITED the parent template's name

  // The width a table view gives the field: ShowLength, else Length, else DataLength.
  uint16_t ShownWidth() const;
  // True for a field one-line texts and tables show: a field with bytes of its own (not an
  // INHERITED row) that is not hidden.
  bool Shown() const;

  // Writes at most 51 characters of Name; every unused byte is zero.
  void Encode(std::span<uint8_t, kTemplateFieldSize> out) const;
  // A length byte above 51 is clamped to 51.
  static TemplateField Decode(std::span<const uint8_t, kTemplateFieldSize> in);
  bool operator==(const TemplateField&) const = default;
};

// The template every new database carries, and its ten rows.
constexpr std::string_view kStandardUserTemplateName = "Database Bruker";
std::array<TemplateField, 10> StandardUserTemplateRows();

}  // namespace qn
