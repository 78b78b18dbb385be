// The 44 field type codes of a template: name, description and the defaults the template
// editor fills in, plus the classes the rest of the program asks about (is it an integer,
// a real, a text ...). The table is fixed; a code outside 0..43 is a free code with no
// entry, no bytes interpreted and no text form.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace qn {

// Type codes by name. Codes 13-15, 17-23, 29-30 and 37-39 are unused ("xx").
constexpr uint16_t kTypeInherited = 0;
constexpr uint16_t kTypeShortint = 1;
constexpr uint16_t kTypeByte = 2;
constexpr uint16_t kTypeSmallint = 3;
constexpr uint16_t kTypeWord = 4;
constexpr uint16_t kTypeLongint = 5;
constexpr uint16_t kTypeCardinal = 6;
constexpr uint16_t kTypeReal = 7;
constexpr uint16_t kTypeDouble = 8;
constexpr uint16_t kTypeExtended = 9;
constexpr uint16_t kTypeComp = 10;
constexpr uint16_t kTypeCurrency = 11;
constexpr uint16_t kTypeSingle = 12;
constexpr uint16_t kTypeString = 16;
constexpr uint16_t kTypeFileName = 24;
constexpr uint16_t kTypeUrl = 25;
constexpr uint16_t kTypeEmail = 26;
constexpr uint16_t kTypeFolder = 27;
constexpr uint16_t kTypePassword = 28;
constexpr uint16_t kTypeDosString = 31;
constexpr uint16_t kTypeBoolean = 32;
constexpr uint16_t kTypeWordBool = 33;
constexpr uint16_t kTypeLongBool = 34;
constexpr uint16_t kTypeChar = 35;
constexpr uint16_t kTypeShortString = 36;
constexpr uint16_t kTypeDate = 40;
constexpr uint16_t kTypeDateTime = 41;
constexpr uint16_t kTypeTime = 42;
constexpr uint16_t kTypeTDateTime = 43;

constexpr int kTypeCount = 44;
constexpr int kTypeNameMax = 25;         // characters of a type name
constexpr int kTypeDescriptionMax = 51;  // characters of a description

struct TypeInfo {
  uint16_t code;
  std::string_view name;         // "SHORTINT", "String", "xx" ...
  std::string_view description;  // the editor's help text, Norwegian
  uint16_t dataLength;           // default bytes in a data record
  uint16_t length;               // default display length
  uint16_t decimals;             // default digits after the point (CURRENCY only)
};

// All 44 entries, indexed by code.
std::span<const TypeInfo, kTypeCount> TypeTable();
// The entry of a code, or nullptr for a free code above 43.
const TypeInfo* FindType(uint16_t code);
// The type name of a code; empty for a free code above 43.
std::string_view TypeName(uint16_t code);

// How the field codec treats the bytes of a type.
enum class TypeClass {
  kInherited,  // 0: no bytes of its own
  kInteger,    // 1-6: little-endian two's complement
  kReal,       // 7 REAL (6-byte), 8 DOUBLE, 9 EXTENDED (80-bit)
  kText,       // 16-30 and 36: length byte, then Windows-1252 characters
  kDosText,    // 31: length byte, then text with the DOS letters
  kBoolean,    // 32: one byte, non-zero is true
  kDate,       // 40: day, month, century, year in century
  kTDateTime,  // 43: double, days since 30 December 1899
  kOpaque,     // 10-12, 33-35, 41, 42 and every free code: carried, never interpreted
};

TypeClass ClassOf(uint16_t code);

inline bool IsIntegerType(uint16_t code) { return ClassOf(code) == TypeClass::kInteger; }
inline bool IsRealType(uint16_t code) { return ClassOf(code) == TypeClass::kReal; }
// Length-prefixed text, the DOS STRING included (16-31 and 36).
inline bool IsTextType(uint16_t code) {
  TypeClass c = ClassOf(code);
  return c == TypeClass::kText || c == TypeClass::kDosText;
}
// The STRING types 16..31: a length byte and as many characters as the field's declared
// length, so a field of one takes that length plus one byte.
inline bool IsSizedStringType(uint16_t code) { return code >= kTypeString && code <= kTypeDosString; }
// False for the types whose cell stays empty and whose bytes are only carried.
inline bool HasTextForm(uint16_t code) {
  TypeClass c = ClassOf(code);
  return c != TypeClass::kOpaque && c != TypeClass::kInherited;
}

}  // namespace qn
