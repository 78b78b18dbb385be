#include "env/text_codec.h"

#include <array>

namespace qn {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Bytes 0x80..0x9F of Windows-1252; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// The DOS letters as Windows-1252 bytes: stored byte, shown byte.
struct DosPair {
  uint8_t stored;
  uint8_t shown;
};
constexpr std::array<DosPair, 7> kDosPairs = {{
    {0x86, 0xE5},  // å
    {0x8F, 0xC5},  // Å
    {0x91, 0xE6},  // æ
    {0x92, 0xC6},  // Æ
    {0x9B, 0xF8},  // ø
    {0x9D, 0xD8},  // Ø
    {0xF8, 0xB0},  // °
}};

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes one character at text[i]; advances i past it. Malformed input consumes one byte.
char32_t NextCodePoint(std::string_view text, size_t& i) {
  const auto c0 = static_cast<unsigned char>(text[i]);
  if (c0 < 0x80) {
    ++i;
    return c0;
  }
  size_t need;
  char32_t cp;
  char32_t minimum;
  if ((c0 & 0xE0) == 0xC0) {
    need = 1, cp = c0 & 0x1F, minimum = 0x80;
  } else if ((c0 & 0xF0) == 0xE0) {
    need = 2, cp = c0 & 0x0F, minimum = 0x800;
  } else if ((c0 & 0xF8) == 0xF0) {
    need = 3, cp = c0 & 0x07, minimum = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (text.size() - i <= need) {
    // Too short: only well-formed if every byte up to the end continues, which it cannot.
    ++i;
    return kReplacement;
  }
  for (size_t k = 1; k <= need; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if (!IsContinuation(c)) {
      ++i;
      return kReplacement;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += need + 1;
  return cp;
}

template <typename F>
std::string MapCodePoints(std::string_view utf8, F map) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) AppendUtf8(out, map(NextCodePoint(utf8, i)));
  return out;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::u32string DecodeUtf8(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) out += NextCodePoint(utf8, i);
  return out;
}

std::string EncodeUtf8(std::u32string_view codePoints) {
  std::string out;
  out.reserve(codePoints.size());
  for (char32_t cp : codePoints) AppendUtf8(out, cp);
  return out;
}

char32_t Cp1252ToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

int UnicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (size_t k = 0; k < kHighControls.size(); ++k) {
    if (kHighControls[k] == cp) return static_cast<int>(0x80 + k);
  }
  return -1;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) AppendUtf8(out, Cp1252ToUnicode(static_cast<uint8_t>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const int b = UnicodeToCp1252(NextCodePoint(utf8, i));
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

size_t Cp1252Length(std::string_view utf8) {
  size_t n = 0;
  for (size_t i = 0; i < utf8.size(); ++n) NextCodePoint(utf8, i);
  return n;
}

std::string CutToCp1252Length(std::string_view utf8, size_t maxChars) {
  size_t i = 0;
  for (size_t n = 0; n < maxChars && i < utf8.size(); ++n) NextCodePoint(utf8, i);
  return std::string(utf8.substr(0, i));
}

uint8_t DosByteShown(uint8_t stored) {
  for (const DosPair& p : kDosPairs) {
    if (p.stored == stored) return p.shown;
  }
  return stored;
}

uint8_t DosByteStored(uint8_t shown) {
  for (const DosPair& p : kDosPairs) {
    if (p.shown == shown) return p.stored;
  }
  return shown;
}

char32_t DosLetterShown(char32_t stored) {
  const int b = UnicodeToCp1252(stored);
  if (b < 0) return stored;
  const uint8_t shown = DosByteShown(static_cast<uint8_t>(b));
  return shown == b ? stored : Cp1252ToUnicode(shown);
}

char32_t DosLetterStored(char32_t shown) {
  const int b = UnicodeToCp1252(shown);
  if (b < 0) return shown;
  const uint8_t stored = DosByteStored(static_cast<uint8_t>(b));
  return stored == b ? shown : Cp1252ToUnicode(stored);
}

std::string DosTextShown(std::string_view utf8) { return MapCodePoints(utf8, DosLetterShown); }
std::string DosTextStored(std::string_view utf8) { return MapCodePoints(utf8, DosLetterStored); }

char32_t UpperCase1252(char32_t cp) {
  if (cp >= 'a' && cp <= 'z') return cp - 0x20;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
  switch (cp) {
    case 0xFF: return 0x178;    // ÿ
    case 0x161: return 0x160;   // š
    case 0x153: return 0x152;   // œ
    case 0x17E: return 0x17D;   // ž
    default: return cp;
  }
}

char32_t LowerCase1252(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 0x20;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;
  switch (cp) {
    case 0x178: return 0xFF;
    case 0x160: return 0x161;
    case 0x152: return 0x153;
    case 0x17D: return 0x17E;
    default: return cp;
  }
}

std::string UpperCase(std::string_view utf8) { return MapCodePoints(utf8, UpperCase1252); }
std::string LowerCase(std::string_view utf8) { return MapCodePoints(utf8, LowerCase1252); }

int CompareText(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t ca = UpperCase1252(NextCodePoint(a, i));
    const char32_t cb = UpperCase1252(NextCodePoint(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

std::string_view TrimLeft(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  return text.substr(i);
}

std::string_view TrimRight(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= ' ') --n;
  return text.substr(0, n);
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

}  // namespace qn
