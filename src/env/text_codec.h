// Text conversions of the program: UTF-8 in memory, 8-bit Windows-1252 in the database
// file, and the seven Norwegian letters of the DOS Nordic code page that old data carries.
// Conversion is by table, never by the C library's locale. A character that Windows-1252
// cannot hold becomes '?'; malformed UTF-8 decodes to U+FFFD, byte by byte, and never
// reads past the end of its input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qn {

// UTF-8 <-> code points. Overlong forms, surrogates and values above U+10FFFF are
// malformed; each offending byte decodes to U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view codePoints);
void AppendUtf8(std::string& out, char32_t codePoint);

// One Windows-1252 byte as a code point. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same value, so every
// byte survives a round trip.
char32_t Cp1252ToUnicode(uint8_t byte);
// The Windows-1252 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1252(char32_t codePoint);

std::string Cp1252ToUtf8(std::string_view bytes);
// Characters outside Windows-1252 become '?'.
std::string Utf8ToCp1252(std::string_view utf8);
// The length of the 8-bit form of a UTF-8 text (one byte per character).
size_t Cp1252Length(std::string_view utf8);
// The longest prefix of a UTF-8 text whose 8-bit form has at most maxChars bytes; never
// cuts a character in half.
std::string CutToCp1252Length(std::string_view utf8, size_t maxChars);

// The DOS letters. Stored bytes 0x86, 0x8F, 0x91, 0x92, 0x9B, 0x9D and 0xF8, read as
// Windows-1252, stand for å, Å, æ, Æ, ø, Ø and °. "Shown" is that reading, "stored" the
// reverse; every other character passes unchanged. Both directions translate each
// character once, so ø -> ° and the stored ø (0x9B) -> ø never chain.
char32_t DosLetterShown(char32_t stored);
char32_t DosLetterStored(char32_t shown);
std::string DosTextShown(std::string_view utf8);   // UTF-8 in, UTF-8 out
std::string DosTextStored(std::string_view utf8);  // UTF-8 in, UTF-8 out
// The same on 8-bit Windows-1252 bytes.
uint8_t DosByteShown(uint8_t stored);
uint8_t DosByteStored(uint8_t shown);

// Upper and lower case over the Windows-1252 repertoire: a..z, the Latin-1 letters
// (æøå <-> ÆØÅ, é <-> É, ...), š, œ, ž and ÿ. ß, µ and characters outside the code page
// are left as they are.
char32_t UpperCase1252(char32_t codePoint);
char32_t LowerCase1252(char32_t codePoint);
std::string UpperCase(std::string_view utf8);
std::string LowerCase(std::string_view utf8);

// Case-insensitive comparison by the rules above: <0, 0, >0 by code point order of the
// upper-cased texts.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Removes blanks and control characters (everything up to ' ') at either end.
std::string_view Trim(std::string_view text);
std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);

}  // namespace qn
