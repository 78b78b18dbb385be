// The two real-number layouts that are not IEEE doubles: the 6-byte Pascal REAL and the
// 10-byte x87 EXTENDED. Both are taken apart bit by bit, so the result does not depend on
// the machine's long double. Every finite double survives a trip through EXTENDED
// unchanged; a trip through REAL keeps 40 significant bits.
//
// REAL, 6 bytes: byte 0 the exponent biased by 129 (0 means the value is zero), bytes 1-5
// a 39-bit fraction below an implicit leading 1, least significant first, and the sign in
// the top bit of byte 5.
// EXTENDED, 10 bytes: bytes 0-7 a 64-bit significand with an explicit integer bit (bit
// 63), bytes 8-9 the exponent biased by 16383 in the low 15 bits and the sign on top.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace qn {

constexpr int kReal48Size = 6;
constexpr int kReal48Bias = 129;
constexpr int kExtendedSize = 10;
constexpr int kExtendedBias = 16383;

// Exact: every REAL value is a double.
double DecodeReal48(std::span<const uint8_t, kReal48Size> in);
// Rounds to the nearest REAL (ties to even). A value too small for REAL becomes zero;
// nullopt for NaN, infinity and magnitudes beyond the largest REAL (about 1.7e38).
std::optional<std::array<uint8_t, kReal48Size>> EncodeReal48(double value);

// Rounds to the nearest double (ties to even); beyond the double range gives infinity,
// below it zero. Denormal and unnormal significands are read by their value.
double DecodeExtended(std::span<const uint8_t, kExtendedSize> in);
// Exact for every double, NaN payloads and signed zeros included.
std::array<uint8_t, kExtendedSize> EncodeExtended(double value);

}  // namespace qn
