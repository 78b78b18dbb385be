#include "env/number_text.h"

#include <charconv>

#include "env/text_codec.h"

namespace qn {

namespace {

// The text without blanks around it and without a leading '+'; from_chars takes the rest.
std::string_view Unsigned(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return text;
}

template <typename T>
std::optional<T> WholeText(std::string_view text) {
  T value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

int LeadingNumber(std::string_view text, size_t maxDigits, size_t* digits) {
  int value = 0;
  size_t n = 0;
  while (n < text.size() && n < maxDigits && text[n] >= '0' && text[n] <= '9')
    value = value * 10 + (text[n++] - '0');
  if (digits) *digits = n;
  return value;
}

std::optional<int32_t> ParseInt32(std::string_view text) { return WholeText<int32_t>(Unsigned(text)); }

std::optional<int64_t> ParseInt32OrCardinal(std::string_view text) {
  const std::optional<int64_t> value = WholeText<int64_t>(Unsigned(text));
  if (!value || *value < INT32_MIN || *value > int64_t(UINT32_MAX)) return std::nullopt;
  return value;
}

std::string GroupedNumber(int64_t value) {
  const uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
  const std::string digits = std::to_string(magnitude);
  std::string out = value < 0 ? "-" : "";
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
    out += digits[i];
  }
  return out;
}

}  // namespace qn
