#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <limits>

#include "templates/real_formats.h"

using namespace qn;

using Ext = std::array<uint8_t, kExtendedSize>;
using Real6 = std::array<uint8_t, kReal48Size>;

// 80-bit patterns as an x87 unit stores them.
struct ExtendedCase {
  double value;
  Ext bytes;
};
const ExtendedCase kExtendedCases[] = {
    {1.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
    {-2.5, {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}},
    {1e300, {0x00, 0xE0, 0xAC, 0x03, 0x40, 0xE4, 0x21, 0xBF, 0xE3, 0x43}},
    {0.1, {0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
    {4.9406564584124654e-324, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}},  // smallest denormal
    {std::numeric_limits<double>::max(), {0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x43}},
    {0.0, {}},
    {-0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
};

TEST(ExtendedTest, KnownValuesRoundTripByteExact) {
  for (const auto& c : kExtendedCases) {
    EXPECT_EQ(EncodeExtended(c.value), c.bytes) << c.value;
    double back = DecodeExtended(c.bytes);
    EXPECT_EQ(std::bit_cast<uint64_t>(back), std::bit_cast<uint64_t>(c.value)) << c.value;
  }
}

TEST(ExtendedTest, ExtraPrecisionRoundsToNearestDouble) {
  Ext tenth = {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F};  // 0.1 to 64 bits
  EXPECT_EQ(DecodeExtended(tenth), 0.1);
}

TEST(ExtendedTest, ValuesOutsideTheDoubleRangeSaturate) {
  Ext huge = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F - 1};  // 2^16384 - ish
  EXPECT_EQ(DecodeExtended(huge), std::numeric_limits<double>::infinity());
  Ext denormal = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // an 80-bit denormal, far below doubles
  EXPECT_EQ(DecodeExtended(denormal), 0.0);
  Ext halfDenormal = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xCC, 0x3B};  // 1.5 * 2^-1075 rounds up
  EXPECT_EQ(DecodeExtended(halfDenormal), 4.9406564584124654e-324);
}

TEST(ExtendedTest, InfinityAndNanKeepTheirKind) {
  double inf = std::numeric_limits<double>::infinity();
  Ext negInf = EncodeExtended(-inf);
  EXPECT_EQ(negInf, (Ext{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}));
  EXPECT_EQ(DecodeExtended(negInf), -inf);
  EXPECT_TRUE(std::isnan(DecodeExtended(EncodeExtended(std::nan("")))));
}

TEST(Real48Test, KnownPatternsRoundTrip) {
  struct Case {
    double value;
    Real6 bytes;
  } cases[] = {
      {1.0, {0x81, 0, 0, 0, 0, 0}},
      {-1.0, {0x81, 0, 0, 0, 0, 0x80}},
      {0.5, {0x80, 0, 0, 0, 0, 0}},
      {3.0, {0x82, 0, 0, 0, 0, 0x40}},
      {-2.5, {0x82, 0, 0, 0, 0, 0xA0}},
      {0.0, {}},
  };
  for (const auto& c : cases) {
    auto bytes = EncodeReal48(c.value);
    ASSERT_TRUE(bytes) << c.value;
    EXPECT_EQ(*bytes, c.bytes) << c.value;
    EXPECT_EQ(DecodeReal48(c.bytes), c.value);
  }
}

TEST(Real48Test, RoundsToFortyBitsNearest) {
  auto tenth = EncodeReal48(0.1);
  ASSERT_TRUE(tenth);
  EXPECT_EQ(*tenth, (Real6{0x7D, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C}));
  EXPECT_NEAR(DecodeReal48(*tenth), 0.1, 1e-12);
  // Just below 2.0 by less than half of REAL's last place rounds up into the next exponent.
  auto almostTwo = EncodeReal48(std::nextafter(2.0, 0.0));
  ASSERT_TRUE(almostTwo);
  EXPECT_EQ(*almostTwo, (Real6{0x82, 0, 0, 0, 0, 0}));
}

TEST(Real48Test, ADoubleHalfwayBetweenTwoRealsGoesToTheEvenOne) {
  const double lastPlace = std::ldexp(1.0, -39);  // REAL's last place at 1.0
  // Halfway above 1.0 (fraction ...0): stays at 1.0.
  EXPECT_EQ(DecodeReal48(*EncodeReal48(1.0 + lastPlace / 2)), 1.0);
  // Halfway above 1.0 + one place (fraction ...1): goes up to 1.0 + two places.
  EXPECT_EQ(DecodeReal48(*EncodeReal48(1.0 + 1.5 * lastPlace)), 1.0 + 2 * lastPlace);
  // Just beyond halfway: up.
  EXPECT_EQ(DecodeReal48(*EncodeReal48(std::nextafter(1.0 + lastPlace / 2, 2.0))), 1.0 + lastPlace);
  EXPECT_EQ(DecodeReal48(*EncodeReal48(-(1.0 + lastPlace / 2))), -1.0);
}

TEST(Real48Test, ExponentZeroIsZeroWhateverTheFraction) {
  EXPECT_EQ(DecodeReal48(Real6{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 0.0);
}

TEST(Real48Test, ValuesBeyondTheRangeAreNotEncoded) {
  EXPECT_FALSE(EncodeReal48(1e39));
  EXPECT_FALSE(EncodeReal48(-1e39));
  EXPECT_FALSE(EncodeReal48(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(EncodeReal48(std::nan("")));
  EXPECT_TRUE(EncodeReal48(1.7e38));
  // 2^127 and above need an exponent byte of 256.
  const double largest = std::ldexp(2.0 - std::ldexp(1.0, -39), 126);
  EXPECT_EQ(DecodeReal48(*EncodeReal48(largest)), largest);
  EXPECT_FALSE(EncodeReal48(std::ldexp(1.0, 127)));
  EXPECT_FALSE(EncodeReal48(-std::ldexp(1.0, 127)));
  EXPECT_FALSE(EncodeReal48(std::nextafter(std::ldexp(1.0, 127), 0.0)));  // rounds up to 2^127
  EXPECT_EQ(*EncodeReal48(1e-45), Real6{});  // too small: zero
  EXPECT_EQ(DecodeReal48(Real6{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), std::ldexp(2.0 - std::ldexp(1.0, -39), 126));
}
