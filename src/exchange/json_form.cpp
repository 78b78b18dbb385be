#include "exchange/json_form.h"

#include <algorithm>

#include "templates/field_text.h"
#include "templates/type_table.h"

namespace qn::json_form {

std::string Hex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out(bytes.size() * 2, '0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    out[2 * i] = kDigits[bytes[i] >> 4];
    out[2 * i + 1] = kDigits[bytes[i] & 0xF];
  }
  return out;
}

std::optional<std::vector<uint8_t>> ParseHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::vector<uint8_t> out(hex.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) {
    const int high = digit(hex[2 * i]), low = digit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out[i] = uint8_t(high << 4 | low);
  }
  return out;
}

std::string FieldText(const TemplateField& field, std::span<const uint8_t> bytes) {
  if (ClassOf(field.DataType) == TypeClass::kDate &&
      std::all_of(bytes.begin(), bytes.begin() + std::min<ptrdiff_t>(4, ptrdiff_t(bytes.size())),
                  [](uint8_t b) { return b == 0; }))
    return std::string();
  return ShowFieldText(field, bytes, ShowOptions{false, PasswordMask::kNone});
}

std::string RowFault(const TemplateField& row) {
  if (row.DataType == 0) return std::string();
  if (FindType(row.DataType) == nullptr) return "typen " + std::to_string(row.DataType) + " er ingen felttype";
  if (row.DataLength > kValueBufferSize)
    return "et felt på " + std::to_string(row.DataLength) + " byte, høyst " + std::to_string(kValueBufferSize) + " er mulig";
  return std::string();
}

}  // namespace qn::json_form
