#include "templates/type_table.h"

#include <array>

namespace qn {

namespace {

constexpr std::array<TypeInfo, kTypeCount> kTypes = {{
    {0, "INHERITED", "Arv", 0, 0, 0},
    {1, "SHORTINT", "Heltall -127..127", 1, 4, 0},
    {2, "BYTE", "Heltall 0..255", 1, 3, 0},
    {3, "SMALLINT", "Heltall -32267..32267", 2, 6, 0},
    {4, "WORD", "Heltall 0..65535", 2, 5, 0},
    {5, "LONGINT", "Heltall - 2147483648.. 2147483648", 4, 11, 0},
    {6, "CARDINAL", "Heltall STOR!", 4, 10, 0},
    {7, "REAL", "Flyttall (6 bytes)", 6, 12, 0},
    {8, "DOUBLE", "Flyttall (8 bytes)", 8, 12, 0},
    {9, "EXTENDED", "EXTENDED", 10, 12, 0},
    {10, "COMP", "COMP", 8, 12, 0},
    {11, "CURRENCY", "Valuta", 8, 12, 2},
    {12, "SINGLE", "SINGLE", 4, 12, 0},
    {13, "xx", "xx", 0, 0, 0},
    {14, "xx", "xx", 0, 0, 0},
    {15, "xx", "xx", 0, 0, 0},
    {16, "String", "Tekst 1..255 tegn", 256, 0, 0},
    {17, "xx", "xx", 0, 0, 0},
    {18, "xx", "xx", 0, 0, 0},
    {19, "xx", "xx", 0, 0, 0},
    {20, "xx", "xx", 0, 0, 0},
    {21, "xx", "xx", 0, 0, 0},
    {22, "xx", "xx", 0, 0, 0},
    {23, "xx", "xx", 0, 0, 0},
    {24, "FILNAVN", "Filnavn", 256, 30, 0},
    {25, "URL", "URL", 256, 30, 0},
    {26, "E-MAIL", "e-post", 256, 30, 0},
    {27, "FOLDER", "Mappe", 256, 30, 0},
    {28, "PASSWORD", "Passord", 0, 0, 0},
    {29, "xx", "xx", 0, 0, 0},
    {30, "xx", "xx", 0, 0, 0},
    {31, "DOS STRING", "DOS tekst", 256, 0, 0},
    {32, "BOOLEAN", "Bolsk", 1, 3, 0},
    {33, "WORDBOOL", "WORDBOOL", 2, 3, 0},
    {34, "LONGBOOL", "LONGBOOL", 4, 3, 0},
    {35, "CHAR", "CHAR", 1, 1, 0},
    {36, "String", "Tekst", 255, 0, 0},
    {37, "xx", "xx", 0, 0, 0},
    {38, "xx", "xx", 0, 0, 0},
    {39, "xx", "xx", 0, 0, 0},
    {40, "DATE", "Dato", 4, 8, 0},
    {41, "DATETIME", "Dato og klokkeslett", 8, 14, 0},
    {42, "TIME", "klokkeslett", 2, 5, 0},
    {43, "TDATETIME", "Dato og tid (flyttall)", 8, 14, 0},
}};

// The table is indexed by code; a misplaced row would silently shift every type.
constexpr bool CodesMatchIndexes() {
  for (int i = 0; i < kTypeCount; ++i)
    if (kTypes[i].code != i || kTypes[i].name.size() > kTypeNameMax ||
        kTypes[i].description.size() > kTypeDescriptionMax)
      return false;
  return true;
}
static_assert(CodesMatchIndexes());

}  // namespace

std::span<const TypeInfo, kTypeCount> TypeTable() { return kTypes; }

const TypeInfo* FindType(uint16_t code) { return code < kTypeCount ? &kTypes[code] : nullptr; }

std::string_view TypeName(uint16_t code) {
  const TypeInfo* t = FindType(code);
  return t ? t->name : std::string_view();
}

TypeClass ClassOf(uint16_t code) {
  if (code == kTypeInherited) return TypeClass::kInherited;
  if (code >= kTypeShortint && code <= kTypeCardinal) return TypeClass::kInteger;
  if (code >= kTypeReal && code <= kTypeExtended) return TypeClass::kReal;
  if ((code >= kTypeString && code <= 30) || code == kTypeShortString) return TypeClass::kText;
  switch (code) {
    case kTypeDosString: return TypeClass::kDosText;
    case kTypeBoolean: return TypeClass::kBoolean;
    case kTypeDate: return TypeClass::kDate;
    case kTypeTDateTime: return TypeClass::kTDateTime;
    default: return TypeClass::kOpaque;
  }
}

}  // namespace qn
