#include <gtest/gtest.h>

#include "env/text_codec.h"

using namespace qn;

TEST(Cp1252Test, EveryByteSurvivesARoundTripThroughUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(Cp1252Length(utf8), 256u);
}

TEST(Cp1252Test, TheHighControlRangeMapsToItsTypographicCharacters) {
  EXPECT_EQ(Cp1252ToUtf8("\x80\x85\x8A\x9F"), "€…ŠŸ");
  EXPECT_EQ(Cp1252ToUtf8("\xE6\xF8\xE5\xC6\xD8\xC5"), "æøåÆØÅ");
  EXPECT_EQ(Cp1252ToUnicode(0x81), U'\u0081');
  EXPECT_EQ(Utf8ToCp1252("€"), "\x80");
}

TEST(Cp1252Test, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("a\u03A9b\U0001F600c\u4E2D"), "a?b?c?");
  EXPECT_EQ(UnicodeToCp1252(U'\u0100'), -1);
}

TEST(Cp1252Test, MalformedUtf8BecomesOneQuestionMarkPerBadByte) {
  EXPECT_EQ(Utf8ToCp1252(std::string("a\xC3", 2)), "a?") << "cut off at the end";
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??") << "overlong";
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???") << "surrogate";
  EXPECT_EQ(Utf8ToCp1252("\xFFx"), "?x");
  EXPECT_EQ(DecodeUtf8(std::string("\xE2\x82", 2)), (std::u32string{0xFFFD, 0xFFFD}));
}

TEST(Cp1252Test, CuttingCountsTheEightBitFormAndKeepsWholeCharacters) {
  EXPECT_EQ(CutToCp1252Length("æøå€x", 4), "æøå€");
  EXPECT_EQ(CutToCp1252Length("ab", 10), "ab");
  EXPECT_EQ(CutToCp1252Length("æ", 0), "");
}

TEST(Utf8Test, EncodeAndDecodeAgreeAcrossAllWidths) {
  const std::u32string cps = {U'A', 0xE6, 0x20AC, 0x1F600};
  EXPECT_EQ(EncodeUtf8(cps), "Aæ€\U0001F600");
  EXPECT_EQ(DecodeUtf8(EncodeUtf8(cps)), cps);
}

TEST(DosLettersTest, TheSevenStoredBytesShowAsNorwegianLettersAndTheDegreeSign) {
  EXPECT_EQ(DosTextShown(Cp1252ToUtf8("\x86\x8F\x91\x92\x9B\x9D\xF8")), "åÅæÆøØ°");
  EXPECT_EQ(DosTextShown("plain text 12"), "plain text 12");
}

TEST(DosLettersTest, EachCharacterIsTranslatedOnceInEitherDirection) {
  // The stored ø (0xF8) is the degree sign, and ø is stored as 0x9B: no chaining.
  EXPECT_EQ(DosTextShown("ø›"), "°ø");
  EXPECT_EQ(Utf8ToCp1252(DosTextStored("ø°")), "\x9B\xF8");
  const std::string shown = "Blåbærsyltetøy ÆØÅ 4°";
  EXPECT_EQ(DosTextShown(DosTextStored(shown)), shown);
}

TEST(DosLettersTest, BytesTranslateTheSameWayAsCharacters) {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    EXPECT_EQ(Cp1252ToUnicode(DosByteShown(byte)), DosLetterShown(Cp1252ToUnicode(byte))) << b;
    EXPECT_EQ(Cp1252ToUnicode(DosByteStored(byte)), DosLetterStored(Cp1252ToUnicode(byte))) << b;
  }
  for (uint8_t stored : {0x86, 0x8F, 0x91, 0x92, 0x9B, 0x9D, 0xF8}) {
    EXPECT_NE(DosByteShown(stored), stored);
    EXPECT_EQ(DosByteStored(DosByteShown(stored)), stored);
  }
}

TEST(CaseTest, UpperCaseCoversTheWholeCodePageRepertoire) {
  EXPECT_EQ(UpperCase("abc æøå éü ÿšœž"), "ABC ÆØÅ ÉÜ ŸŠŒŽ");
  EXPECT_EQ(LowerCase("ABC ÆØÅ ÉÜ ŸŠŒŽ"), "abc æøå éü ÿšœž");
  EXPECT_EQ(UpperCase("ß µ ÷ ω"), "ß µ ÷ ω") << "no single upper-case letter in the code page";
}

TEST(CaseTest, SameTextIgnoresCaseButNotOtherDifferences) {
  EXPECT_TRUE(SameText("Blåbær", "BLÅBÆR"));
  EXPECT_FALSE(SameText("Blåbær", "Blabær"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
}

TEST(TrimTest, TrimRemovesBlanksAndControlsAtTheEndsOnly) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(Trim("   "), "");
}
