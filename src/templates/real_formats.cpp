#include "templates/real_formats.h"

#include <bit>

namespace qn {

namespace {

constexpr uint64_t kDoubleSignBit = uint64_t(1) << 63;
constexpr int kDoubleBias = 1023;
constexpr uint64_t kDoubleFractionMask = (uint64_t(1) << 52) - 1;
constexpr uint64_t kDoubleInfinityBits = uint64_t(0x7FF) << 52;

// value >> shift, rounded to nearest with ties to even.
uint64_t RoundShiftRight(uint64_t value, int shift) {
  if (shift <= 0) return value;
  if (shift > 64) return 0;
  if (shift == 64) {
    constexpr uint64_t half = uint64_t(1) << 63;
    return value > half ? 1 : 0;  // exactly one half rounds to the even 0
  }
  uint64_t kept = value >> shift;
  uint64_t dropped = value & ((uint64_t(1) << shift) - 1);
  uint64_t half = uint64_t(1) << (shift - 1);
  if (dropped > half || (dropped == half && (kept & 1))) ++kept;
  return kept;
}

}  // namespace

double DecodeReal48(std::span<const uint8_t, kReal48Size> in) {
  int exponent = in[0];
  if (exponent == 0) return 0.0;
  uint64_t fraction = uint64_t(in[1]) | uint64_t(in[2]) << 8 | uint64_t(in[3]) << 16 |
                      uint64_t(in[4]) << 24 | uint64_t(in[5] & 0x7F) << 32;
  uint64_t bits = uint64_t(exponent - kReal48Bias + kDoubleBias) << 52 | fraction << 13;
  if (in[5] & 0x80) bits |= kDoubleSignBit;
  return std::bit_cast<double>(bits);
}

std::optional<std::array<uint8_t, kReal48Size>> EncodeReal48(double value) {
  uint64_t bits = std::bit_cast<uint64_t>(value);
  int biased = static_cast<int>(bits >> 52 & 0x7FF);
  if (biased == 0x7FF) return std::nullopt;  // NaN or infinity
  std::array<uint8_t, kReal48Size> out{};
  if (biased == 0) return out;  // zero, or a double denormal far below REAL's range
  // 53 significant bits with the leading 1, rounded to REAL's 40.
  uint64_t significand = RoundShiftRight(uint64_t(1) << 52 | (bits & kDoubleFractionMask), 13);
  int exponent = biased - kDoubleBias + kReal48Bias;
  if (significand == uint64_t(1) << 40) {
    significand >>= 1;
    ++exponent;
  }
  if (exponent > 255) return std::nullopt;
  if (exponent < 1) return out;
  uint64_t fraction = significand & ((uint64_t(1) << 39) - 1);
  out[0] = static_cast<uint8_t>(exponent);
  for (int i = 0; i < 5; ++i) out[1 + i] = static_cast<uint8_t>(fraction >> (8 * i));
  if (bits & kDoubleSignBit) out[5] |= 0x80;
  return out;
}

double DecodeExtended(std::span<const uint8_t, kExtendedSize> in) {
  uint64_t significand = 0;
  for (int i = 7; i >= 0; --i) significand = significand << 8 | in[i];
  int signExponent = in[8] | in[9] << 8;
  uint64_t sign = (signExponent & 0x8000) ? kDoubleSignBit : 0;
  int biased = signExponent & 0x7FFF;

  if (biased == 0x7FFF) {
    uint64_t payload = significand << 1;  // the integer bit does not count
    if (payload == 0) return std::bit_cast<double>(sign | kDoubleInfinityBits);
    // Keep the top of the payload and make sure the result stays a NaN.
    uint64_t fraction = (payload >> 12) & kDoubleFractionMask;
    if (fraction == 0) fraction = uint64_t(1) << 51;
    return std::bit_cast<double>(sign | kDoubleInfinityBits | fraction);
  }
  if (significand == 0) return std::bit_cast<double>(sign);

  // value = significand * 2^(exponent - 63); bring the leading 1 to bit 63.
  int exponent = (biased == 0 ? 1 : biased) - kExtendedBias;
  int lead = std::countl_zero(significand);
  significand <<= lead;
  exponent -= lead;

  if (exponent > kDoubleBias) return std::bit_cast<double>(sign | kDoubleInfinityBits);
  uint64_t rounded;
  int doubleBiased;
  if (exponent >= 1 - kDoubleBias) {
    rounded = RoundShiftRight(significand, 11);  // 53 bits, leading 1 at bit 52
    doubleBiased = exponent + kDoubleBias;
  } else {
    // Below the normal range: a denormal double, fewer significant bits.
    rounded = RoundShiftRight(significand, 11 + (1 - kDoubleBias - exponent));
    doubleBiased = 0;
  }
  // Adding the significand with its leading 1 onto (biased - 1) carries into the exponent
  // exactly when rounding overflowed, and turns a rounded-up denormal into a normal.
  uint64_t bits = doubleBiased == 0 ? rounded
                                    : (uint64_t(doubleBiased - 1) << 52) + rounded;
  if ((bits >> 52) >= 0x7FF) bits = kDoubleInfinityBits;
  return std::bit_cast<double>(sign | bits);
}

std::array<uint8_t, kExtendedSize> EncodeExtended(double value) {
  uint64_t bits = std::bit_cast<uint64_t>(value);
  int signExponent = (bits & kDoubleSignBit) ? 0x8000 : 0;
  int biased = static_cast<int>(bits >> 52 & 0x7FF);
  uint64_t fraction = bits & kDoubleFractionMask;
  uint64_t significand = 0;

  if (biased == 0x7FF) {
    significand = uint64_t(1) << 63 | fraction << 11;
    signExponent |= 0x7FFF;
  } else if (biased != 0) {
    significand = (uint64_t(1) << 52 | fraction) << 11;
    signExponent |= biased - kDoubleBias + kExtendedBias;
  } else if (fraction != 0) {
    // A denormal double is a normal EXTENDED: value = fraction * 2^-1074.
    int lead = std::countl_zero(fraction);
    significand = fraction << lead;
    signExponent |= 63 - 1074 - lead + kExtendedBias;
  }

  std::array<uint8_t, kExtendedSize> out{};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(significand >> (8 * i));
  out[8] = static_cast<uint8_t>(signExponent);
  out[9] = static_cast<uint8_t>(signExponent >> 8);
  return out;
}

}  // namespace qn
