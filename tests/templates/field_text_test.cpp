#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "store/format.h"
#include "env/datetime_text.h"
#include "env/errors.h"
#include "templates/field_text.h"
#include "templates/real_formats.h"
#include "templates/type_table.h"

using namespace qn;

namespace {

TemplateField Field(uint16_t type, uint16_t dataLength, uint16_t length = 0, uint16_t decimals = 0) {
  TemplateField f;
  f.DataType = type;
  f.DataLength = dataLength;
  f.Length = length;
  f.Decimals = decimals;
  f.Name = "felt";
  return f;
}

using Bytes = std::vector<uint8_t>;

Bytes Text(std::string_view chars, size_t width) {
  Bytes b(width, 0);
  b[0] = static_cast<uint8_t>(chars.size());
  std::memcpy(b.data() + 1, chars.data(), chars.size());
  return b;
}

}  // namespace

class IntegerFieldTest : public ::testing::Test {};

TEST_F(IntegerFieldTest, NarrowFieldsShowUnsigned) {
  EXPECT_EQ(ShowFieldText(Field(kTypeShortint, 1), Bytes{0xFF}), "255");
  EXPECT_EQ(ShowFieldText(Field(kTypeByte, 1), Bytes{200}), "200");
  EXPECT_EQ(ShowFieldText(Field(kTypeSmallint, 2), Bytes{0xFE, 0xFF}), "65534");
}

TEST_F(IntegerFieldTest, CardinalAboveTheSignedRangeShowsNegative) {
  EXPECT_EQ(ShowFieldText(Field(kTypeCardinal, 4), Bytes{0, 0, 0, 0x80}), "-2147483648");
}

TEST_F(IntegerFieldTest, SaveKeepsTheLowBytesOnly) {
  Bytes b{0};
  EXPECT_EQ(SaveFieldText(Field(kTypeShortint, 1), "255", b).status, SaveStatus::kStored);
  EXPECT_EQ(b, Bytes{0xFF});
  Bytes word{0, 0, 0x77};  // a third byte belongs to the next field
  SaveFieldText(Field(kTypeWord, 2), "-1", word);
  EXPECT_EQ(word, (Bytes{0xFF, 0xFF, 0x77}));
  Bytes card(4, 0);
  SaveFieldText(Field(kTypeCardinal, 4), "4294967295", card);
  EXPECT_EQ(card, (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(IntegerFieldTest, NumbersTheFieldCannotHoldAreRefusedAndTheBytesKept) {
  Bytes byte{7};
  EXPECT_EQ(SaveFieldText(Field(kTypeByte, 1), "300", byte).status, SaveStatus::kRefused);
  EXPECT_EQ(byte, Bytes{7});
  Bytes longint{1, 2, 3, 4};
  EXPECT_EQ(SaveFieldText(Field(kTypeLongint, 4), "3000000000", longint).status, SaveStatus::kRefused);
  EXPECT_EQ(longint, (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(SaveFieldText(Field(kTypeLongint, 4), " -2147483648 ", longint).status, SaveStatus::kStored);
  EXPECT_EQ(longint, (Bytes{0, 0, 0, 0x80}));
  EXPECT_EQ(SaveFieldText(Field(kTypeSmallint, 2), "65536", longint).status, SaveStatus::kRefused);
}

TEST_F(IntegerFieldTest, TextThatIsNotAnIntegerStoresZero) {
  Bytes b{1, 2, 3, 4};
  EXPECT_EQ(SaveFieldText(Field(kTypeLongint, 4), "12x", b).status, SaveStatus::kStored);
  EXPECT_EQ(b, Bytes(4, 0));
}

class RealFieldTest : public ::testing::Test {
 protected:
  TemplateField double_ = Field(kTypeDouble, 8, 12, 2);
  Bytes Double(double v) {
    Bytes b(8);
    PutF64(b, 0, v);
    return b;
  }
};

TEST_F(RealFieldTest, DoubleShowsRightAlignedWithItsDecimals) {
  EXPECT_EQ(ShowFieldText(double_, Double(3.14159)), "        3.14");
  EXPECT_EQ(ShowFieldText(double_, Double(-0.0)), "        0.00");
  EXPECT_EQ(ShowFieldText(double_, Double(123456789012.5)), "123456789012.50");  // wider
}

TEST_F(RealFieldTest, AValueHalfwayBetweenTwoShownValuesShowsTheEvenOne) {
  // The stored value is shown rounded to the nearest; an exact tie (0.125 and 0.375 are
  // exact in binary) goes to the even last digit. 2.675 is stored a little below itself.
  EXPECT_EQ(FormatFixed(0.125, 0, 2), "0.12");
  EXPECT_EQ(FormatFixed(0.375, 0, 2), "0.38");
  EXPECT_EQ(FormatFixed(-0.125, 6, 2), " -0.12");
  EXPECT_EQ(FormatFixed(2.5, 0, 0), "2");
  EXPECT_EQ(FormatFixed(3.5, 0, 0), "4");
  EXPECT_EQ(FormatFixed(2.675, 0, 2), "2.67");
  const auto eighth = EncodeReal48(0.125);
  EXPECT_EQ(ShowFieldText(Field(kTypeReal, 6, 6, 2), Bytes(eighth->begin(), eighth->end())), "  0.12");
}

TEST_F(RealFieldTest, EditorCutsToTwentyOneCharactersOneLineDoesNot) {
  Bytes big = Double(1e25);
  EXPECT_EQ(ShowFieldText(double_, big), "100000000000000009059");
  EXPECT_EQ(ShowFieldText(double_, big, ShowOptions::OneLine()), "10000000000000000905969664.00");
}

TEST_F(RealFieldTest, SaveAcceptsAPointOrACommaAndLeadingBlanks) {
  Bytes b = Double(0);
  EXPECT_EQ(SaveFieldText(double_, "2.5", b).status, SaveStatus::kStored);
  EXPECT_EQ(GetF64(b, 0), 2.5);
  SaveFieldText(double_, "  -2,75", b);
  EXPECT_EQ(GetF64(b, 0), -2.75);
  SaveFieldText(double_, "", b);
  EXPECT_EQ(GetF64(b, 0), 0.0);
}

TEST_F(RealFieldTest, TextThatIsNotWhollyANumberIsRefusedAndTheBytesKept) {
  Bytes b = Double(7.0);
  for (const char* text : {"2.5x", "abc", "1,000.5", "1,2,3", "nan", "inf", "1e400", "+-1"}) {
    EXPECT_EQ(SaveFieldText(double_, text, b).status, SaveStatus::kRefused) << text;
    EXPECT_EQ(GetF64(b, 0), 7.0) << text;
  }
}

TEST_F(RealFieldTest, UntouchedTextKeepsEveryDigitOfTheValue) {
  Bytes b = Double(3.14159);
  std::string shown = ShowFieldText(double_, b);
  EXPECT_EQ(SaveFieldText(double_, shown, b).status, SaveStatus::kUnchanged);
  EXPECT_EQ(GetF64(b, 0), 3.14159);
  Bytes big = Double(1e25);  // its editor text is cut, and would read back as 1e20
  EXPECT_EQ(SaveFieldText(double_, ShowFieldText(double_, big), big).status, SaveStatus::kUnchanged);
  EXPECT_EQ(GetF64(big, 0), 1e25);
}

TEST_F(RealFieldTest, ExtendedAndRealFieldsStoreTheirOwnLayouts) {
  Bytes ext(10, 0);
  SaveFieldText(Field(kTypeExtended, 10, 12, 2), "1", ext);
  EXPECT_EQ(ext, (Bytes{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  EXPECT_EQ(ShowFieldText(Field(kTypeExtended, 10, 6, 1), ext), "   1.0");

  TemplateField real = Field(kTypeReal, 6, 8, 3);
  Bytes r(6, 0);
  EXPECT_EQ(SaveFieldText(real, "-1", r).status, SaveStatus::kStored);
  EXPECT_EQ(r, (Bytes{0x81, 0, 0, 0, 0, 0x80}));
  EXPECT_EQ(ShowFieldText(real, r), "  -1.000");
  for (const char* tooLarge : {"1e39", "170141183460469231731687303715884105728", "-1.7014118346046923e38"}) {
    EXPECT_EQ(SaveFieldText(real, tooLarge, r).status, SaveStatus::kRefused) << tooLarge;  // 2^127 and up
    EXPECT_EQ(r, (Bytes{0x81, 0, 0, 0, 0, 0x80})) << tooLarge;
  }
  EXPECT_EQ(SaveFieldText(real, "1.7014118346e38", r).status, SaveStatus::kStored);  // below 2^127
  EXPECT_EQ(r[0], 0xFF);
}

class TextFieldTest : public ::testing::Test {};

TEST_F(TextFieldTest, SaveCutsToOneLessThanTheWidth) {
  TemplateField f = Field(kTypeString, 32);
  Bytes b(32, 0);
  SaveFieldText(f, std::string(40, 'q'), b);
  EXPECT_EQ(b[0], 31);
  EXPECT_EQ(ShowFieldText(f, b), std::string(31, 'q'));
}

TEST_F(TextFieldTest, ShorterTextZeroesTheRestOfTheField) {
  TemplateField f = Field(kTypeString, 8);
  Bytes b = Text("abcdefg", 8);
  SaveFieldText(f, "xy", b);
  EXPECT_EQ(b, (Bytes{2, 'x', 'y', 0, 0, 0, 0, 0}));
}

TEST_F(TextFieldTest, ConvertsBetweenUtf8AndWindows1252) {
  TemplateField f = Field(kTypeShortString, 255);
  Bytes b(255, 0);
  SaveFieldText(f, "blåbær €", b);
  EXPECT_EQ(b[0], 8);
  EXPECT_EQ(b[3], 0xE5);
  EXPECT_EQ(b[8], 0x80);
  EXPECT_EQ(ShowFieldText(f, b), "blåbær €");
}

TEST_F(TextFieldTest, DamagedLengthByteStaysInsideTheField) {
  Bytes b = Text("abc", 4);
  b[0] = 250;
  EXPECT_EQ(ShowFieldText(Field(kTypeString, 4), b), "abc");
  EXPECT_EQ(ShowFieldText(Field(kTypeString, 256), Bytes{5, 'a'}), "a");  // short block
}

TEST_F(TextFieldTest, PasswordIsMaskedWhereTheOptionsSay) {
  TemplateField f = Field(kTypePassword, 16);
  Bytes secret = Text("hemmelig", 16), empty(16, 0);
  EXPECT_EQ(ShowFieldText(f, secret), "hemmelig");
  EXPECT_EQ(ShowFieldText(f, secret, ShowOptions::OneLine()), "********");
  EXPECT_EQ(ShowFieldText(f, empty, ShowOptions::OneLine()), "");
  EXPECT_EQ(ShowFieldText(f, empty, ShowOptions::Table()), "********");
}

TEST_F(TextFieldTest, DosStringTranslatesTheNorwegianLetters) {
  TemplateField f = Field(kTypeDosString, 16);
  EXPECT_EQ(ShowFieldText(f, Text("\x9B\x6C", 16)), "øl");
  Bytes b(16, 0);
  SaveFieldText(f, "Ål", b);
  EXPECT_EQ(b[0], 2);
  EXPECT_EQ(b[1], 0x8F);
  EXPECT_EQ(b[2], 0x6C);
  SaveFieldText(f, "ÆØæå°", b);
  EXPECT_EQ(b, (Bytes{5, 0x92, 0x9D, 0x91, 0x86, 0xF8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

class SmallFieldTest : public ::testing::Test {};

TEST_F(SmallFieldTest, BooleanIsTrueForAnyJ) {
  TemplateField f = Field(kTypeBoolean, 1);
  Bytes b{1};
  EXPECT_EQ(ShowFieldText(f, b), "Ja");
  SaveFieldText(f, "nei", b);
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(ShowFieldText(f, b), "Nei");
  for (const char* yes : {"ja", "J", "JA", "xjx"}) {
    b[0] = 0;
    SaveFieldText(f, yes, b);
    EXPECT_EQ(b[0], 1) << yes;
  }
  EXPECT_EQ(ShowFieldText(f, Bytes{7}), "Ja");
}

TEST_F(SmallFieldTest, DateShowsDayMonthAndYearInCentury) {
  TemplateField f = Field(kTypeDate, 4);
  EXPECT_EQ(ShowFieldText(f, Bytes{24, 12, 19, 99}), "24.12.99");
  Bytes b{24, 12, 19, 99};
  SaveFieldText(f, "03.07.05", b);
  EXPECT_EQ(b, (Bytes{3, 7, 19, 5}));
  SaveFieldText(f, "3.7.2006", b);
  EXPECT_EQ(b, (Bytes{3, 7, 19, 6}));
  EXPECT_EQ(SaveFieldText(f, "32.01.99", b).status, SaveStatus::kRefused);
  EXPECT_EQ(b, (Bytes{3, 7, 19, 6}));
}

TEST_F(SmallFieldTest, EmptyDateShowsAndStoresToday) {
  TemplateField f = Field(kTypeDate, 4);
  Bytes b(4, 0);
  std::string today = ShowFieldText(f, b);
  ASSERT_EQ(today, FormatShortDate(NowAsDateTime()));
  EXPECT_EQ(SaveFieldText(f, today, b).status, SaveStatus::kStored);
  CivilDateTime now = DecodeDateTime(NowAsDateTime());
  EXPECT_EQ(b, (Bytes{uint8_t(now.day), uint8_t(now.month), 19, uint8_t(now.year % 100)}));
}

TEST_F(SmallFieldTest, TDateTimeShowsTheDateAndSavesItAtMidnight) {
  TemplateField f = Field(kTypeTDateTime, 8, 14);
  Bytes b(8);
  PutF64(b, 0, EncodeDateTime({2024, 2, 29, 13, 45}));
  EXPECT_EQ(ShowFieldText(f, b), "29.02.2024");
  EXPECT_EQ(SaveFieldText(f, "29.02.2024", b).status, SaveStatus::kUnchanged);  // time kept
  EXPECT_EQ(DecodeDateTime(GetF64(b, 0)).hour, 13);
  EXPECT_EQ(SaveFieldText(f, "1.3.2024", b).status, SaveStatus::kStored);
  EXPECT_EQ(GetF64(b, 0), EncodeDateTime({2024, 3, 1}));
}

TEST_F(SmallFieldTest, TDateTimeThatIsNotADateIsAConversionError) {
  TemplateField f = Field(kTypeTDateTime, 8, 14);
  Bytes b(8, 0);
  for (const char* bad : {"i morgen", "30.02.2024", "12.2024.1", "", "1.1.2024 12:00"}) {
    SaveResult r = SaveFieldText(f, bad, b);
    EXPECT_EQ(r.status, SaveStatus::kConvertError) << bad;
    EXPECT_THROW(r.ThrowIfConvertError(), ConvertError);
  }
  EXPECT_EQ(b, Bytes(8, 0));
}

TEST_F(SmallFieldTest, OpaqueBytesSurviveASave) {
  for (uint16_t type : {kTypeComp, kTypeCurrency, kTypeSingle, kTypeWordBool, kTypeChar,
                        kTypeDateTime, kTypeTime, uint16_t(14), uint16_t(38), uint16_t(300)}) {
    TemplateField f = Field(type, 4);
    Bytes b{0xDE, 0xAD, 0xBE, 0xEF};
    EXPECT_EQ(ShowFieldText(f, b), "") << type;
    EXPECT_EQ(SaveFieldText(f, "123", b).status, SaveStatus::kUnchanged) << type;
    EXPECT_EQ(b, (Bytes{0xDE, 0xAD, 0xBE, 0xEF})) << type;
  }
}

TEST_F(SmallFieldTest, ASaveNeverWritesBeyondItsSpan) {
  Bytes block(10, 0xAA);
  std::span<uint8_t> field(block.data(), 3);  // a data block too short for a DOUBLE
  SaveFieldText(Field(kTypeDouble, 8, 12, 2), "2.5", field);
  EXPECT_EQ(block[3], 0xAA);
  SaveFieldText(Field(kTypeString, 256), std::string(300, 'z'), field);
  EXPECT_EQ(block[3], 0xAA);
  EXPECT_EQ(block[0], 255);
}
