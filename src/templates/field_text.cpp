#include "templates/field_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

#include "store/format.h"
#include "env/datetime_text.h"
#include "env/errors.h"
#include "env/number_text.h"
#include "env/text_codec.h"
#include "templates/real_formats.h"
#include "templates/type_table.h"

namespace qn {

namespace {

// The field's value buffer: its first DataLength bytes, zero above them and above the end
// of a short span.
class FieldBuffer {
 public:
  FieldBuffer(const TemplateField& field, std::span<const uint8_t> bytes)
      : bytes_(bytes.first(std::min<size_t>({field.DataLength, kValueBufferSize, bytes.size()}))) {}
  uint8_t at(size_t i) const { return i < bytes_.size() ? bytes_[i] : 0; }
  size_t size() const { return bytes_.size(); }
  template <size_t N>
  std::array<uint8_t, N> first() const {
    std::array<uint8_t, N> out{};
    for (size_t i = 0; i < N; ++i) out[i] = at(i);
    return out;
  }

 private:
  std::span<const uint8_t> bytes_;
};

double RealValue(uint16_t type, const FieldBuffer& buf) {
  switch (type) {
    case kTypeReal: return DecodeReal48(buf.first<kReal48Size>());
    case kTypeExtended: return DecodeExtended(buf.first<kExtendedSize>());
    default: return GetF64(buf.first<8>(), 0);  // a field value's own bytes: an 8-byte double
  }
}

// The characters of a length-prefixed text, the count clamped to the field.
std::string StoredText(const FieldBuffer& buf) {
  size_t n = std::min<size_t>(buf.at(0), buf.size() > 0 ? buf.size() - 1 : 0);
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(buf.at(1 + i));
  return out;
}

std::string TwoDigits(int value) {
  std::string s = std::to_string(value);
  return s.size() < 2 ? "0" + s : s;
}

// DATE text: day, month and year in century, separated by points (dd.MM.yy; a four-digit
// year gives its last two digits). Each part is read up to its first non-digit, nothing
// readable counting 0. nullopt for a part out of range.
std::optional<std::array<uint8_t, 4>> ParseDateBytes(std::string_view text) {
  text = Trim(text);
  std::array<std::string_view, 3> parts;
  for (auto& part : parts) {
    size_t dot = text.find('.');
    part = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  }
  size_t yearDigits = 0;
  int day = LeadingNumber(parts[0], 2, nullptr);
  int month = LeadingNumber(parts[1], 2, nullptr);
  int year = LeadingNumber(parts[2], 4, &yearDigits);
  if (yearDigits == 4) year %= 100;
  if (day > 31 || month > 12 || year > 99) return std::nullopt;
  return std::array<uint8_t, 4>{uint8_t(day), uint8_t(month), 19, uint8_t(year)};
}

std::string ShowReal(const TemplateField& field, const FieldBuffer& buf, const ShowOptions& options) {
  std::string text = FormatFixed(RealValue(field.DataType, buf), field.Length, field.Decimals);
  if (options.cutRealText && text.size() > kEditorRealTextMax) text.resize(kEditorRealTextMax);
  return text;
}

}  // namespace

std::string FormatFixed(double value, int width, int decimals) {
  width = std::clamp(width, 0, 255);
  decimals = std::clamp(decimals, 0, 255);
  std::string digits;
  if (std::isnan(value)) {
    digits = "NAN";
  } else if (std::isinf(value)) {
    digits = value < 0 ? "-INF" : "INF";
  } else {
    if (value == 0) value = 0.0;  // no "-0.00"
    std::string buf(330 + decimals, '\0');
    auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                   std::chars_format::fixed, decimals);
    if (ec != std::errc()) return std::string(static_cast<size_t>(width), '?');
    digits.assign(buf.data(), end);
  }
  if (digits.size() < static_cast<size_t>(width)) digits.insert(0, width - digits.size(), ' ');
  return digits;
}

bool ParseReal(std::string_view text, double* value) {
  text = Trim(text);
  if (text.empty()) {
    *value = 0.0;
    return true;
  }
  std::string s(text);
  size_t comma = s.find(',');
  if (comma != std::string::npos) {
    if (s.find(',', comma + 1) != std::string::npos || s.find('.') != std::string::npos) return false;
    s[comma] = '.';
  }
  std::string_view number = s;
  if (number.front() == '+') {
    number.remove_prefix(1);
    if (number.empty() || number.front() == '-') return false;
  }
  double parsed = 0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), parsed);
  if (ec != std::errc() || end != number.data() + number.size() || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

std::string ShowFieldText(const TemplateField& field, std::span<const uint8_t> bytes,
                          const ShowOptions& options) {
  FieldBuffer buf(field, bytes);
  switch (ClassOf(field.DataType)) {
    case TypeClass::kInteger:
      return std::to_string(GetI32(buf.first<4>(), 0));  // the value's bytes, little-endian
    case TypeClass::kReal:
      return ShowReal(field, buf, options);
    case TypeClass::kText: {
      std::string stored = StoredText(buf);
      if (field.DataType == kTypePassword &&
          (options.password == PasswordMask::kAlways ||
           (options.password == PasswordMask::kWhenNotEmpty && !stored.empty())))
        return std::string(kPasswordMask);
      return Cp1252ToUtf8(stored);
    }
    case TypeClass::kDosText: {
      std::string stored = StoredText(buf);
      for (char& c : stored) c = static_cast<char>(DosByteShown(static_cast<uint8_t>(c)));
      return Cp1252ToUtf8(stored);
    }
    case TypeClass::kBoolean:
      return buf.at(0) != 0 ? "Ja" : "Nei";
    case TypeClass::kDate:
      if (buf.at(0) == 0 && buf.at(1) == 0 && buf.at(2) == 0 && buf.at(3) == 0)
        return FormatShortDate(NowAsDateTime());
      return TwoDigits(buf.at(0)) + "." + TwoDigits(buf.at(1)) + "." + TwoDigits(buf.at(3));
    case TypeClass::kTDateTime: {
      std::string text = FormatShortDate(GetF64(buf.first<8>(), 0));
      if (options.cutRealText && text.size() > kEditorRealTextMax) text.resize(kEditorRealTextMax);
      return text;
    }
    case TypeClass::kInherited:
    case TypeClass::kOpaque:
      break;
  }
  return std::string();
}

void SaveResult::ThrowIfConvertError() const {
  if (status == SaveStatus::kConvertError) throw ConvertError(message);
}

SaveResult SaveFieldText(const TemplateField& field, std::string_view text, std::span<uint8_t> bytes) {
  TypeClass type = ClassOf(field.DataType);
  if (!HasTextForm(field.DataType)) return {SaveStatus::kUnchanged, {}};

  FieldBuffer current(field, bytes);
  bool todayDate = type == TypeClass::kDate && current.first<4>() == std::array<uint8_t, 4>{};
  if (!todayDate && text == ShowFieldText(field, bytes, ShowOptions::Editor()))
    return {SaveStatus::kUnchanged, {}};

  // Only the bytes the value needs are built; the rest of the value buffer stays zero.
  std::array<uint8_t, kValueBufferSize> buffer{};
  switch (type) {
    case TypeClass::kInteger: {
      const std::optional<int64_t> parsed = ParseInt32OrCardinal(text);
      const int64_t value = parsed.value_or(0);
      // A number the field's bytes cannot hold (in the signed or the unsigned form they
      // are shown in) would be stored as its low bytes, another number: refused instead.
      const int bits = 8 * std::clamp<int>(field.DataLength, 1, 4);
      const int64_t low = -(int64_t(1) << (bits - 1));
      const int64_t high = field.DataType == kTypeLongint && bits == 32 ? (int64_t(1) << 31) - 1
                                                                       : (int64_t(1) << bits) - 1;
      if (parsed && (value < low || value > high)) return {SaveStatus::kRefused, {}};
      PutU32(buffer, 0, static_cast<uint32_t>(value));  // the value's bytes, little-endian
      break;
    }
    case TypeClass::kReal: {
      double value = 0;
      if (!ParseReal(text, &value)) return {SaveStatus::kRefused, {}};
      if (field.DataType == kTypeReal) {
        auto real = EncodeReal48(value);
        if (!real) return {SaveStatus::kRefused, {}};
        std::copy(real->begin(), real->end(), buffer.begin());
      } else if (field.DataType == kTypeExtended) {
        auto extended = EncodeExtended(value);
        std::copy(extended.begin(), extended.end(), buffer.begin());
      } else {
        PutF64(buffer, 0, value);
      }
      break;
    }
    case TypeClass::kText:
    case TypeClass::kDosText: {
      std::string stored = Utf8ToCp1252(text);
      if (type == TypeClass::kDosText)
        for (char& c : stored) c = static_cast<char>(DosByteStored(static_cast<uint8_t>(c)));
      size_t room = field.DataLength > 0 ? std::min<size_t>(field.DataLength - 1u, 255) : 0;
      size_t n = std::min(stored.size(), room);
      buffer[0] = static_cast<uint8_t>(n);
      std::copy_n(stored.begin(), n, buffer.begin() + 1);
      break;
    }
    case TypeClass::kBoolean:
      buffer[0] = text.find_first_of("Jj") != std::string_view::npos ? 1 : 0;
      break;
    case TypeClass::kDate: {
      auto date = ParseDateBytes(text);
      if (!date) return {SaveStatus::kRefused, {}};
      std::copy(date->begin(), date->end(), buffer.begin());
      break;
    }
    case TypeClass::kTDateTime: {
      auto stamp = ParseShortDate(text);
      if (!stamp) return {SaveStatus::kConvertError, "'" + std::string(text) + "' er ikke en gyldig dato"};
      PutF64(buffer, 0, *stamp);
      break;
    }
    case TypeClass::kInherited:
    case TypeClass::kOpaque:
      return {SaveStatus::kUnchanged, {}};
  }

  size_t width = std::min<size_t>({field.DataLength, kValueBufferSize, bytes.size()});
  std::copy_n(buffer.begin(), width, bytes.begin());
  return {SaveStatus::kStored, {}};
}

}  // namespace qn
