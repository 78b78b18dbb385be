// The text forms of a data record's field values. Show turns a field's stored bytes into
// the UTF-8 text the data editor, one-line record texts and table views present; Save
// turns an edited text back into bytes. Both work on one field's DataLength bytes with the
// value-buffer rule of the record reader: the buffer is zero before each field, a field
// narrower than its type reads with zero bytes above it, and a write keeps the low
// DataLength bytes (at most kValueBufferSize). Nothing here reads or writes outside the
// span it is given, and no text makes Save write a field it does not understand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "templates/template_format.h"

namespace qn {

// The shared buffer a field value passes through; no field is wider than this.
constexpr size_t kValueBufferSize = 4096;
// The data editor cuts real-number and TDATETIME texts to this many characters.
constexpr size_t kEditorRealTextMax = 21;
// What a masked PASSWORD shows.
constexpr std::string_view kPasswordMask = "********";

enum class PasswordMask {
  kNone,          // the stored text, as the data editor shows it
  kWhenNotEmpty,  // a one-line record text: the mask when something is stored
  kAlways,        // a table view: the mask whatever is stored
};

// The small differences between the places that show field values.
struct ShowOptions {
  bool cutRealText = true;  // cut real and TDATETIME texts to kEditorRealTextMax
  PasswordMask password = PasswordMask::kNone;

  static ShowOptions Editor() { return {}; }
  static ShowOptions OneLine() { return {false, PasswordMask::kWhenNotEmpty}; }
  static ShowOptions Table() { return {false, PasswordMask::kAlways}; }
};

// The text of a field's value. `bytes` are the field's bytes in the record; fewer than
// DataLength (a short data block) read as zeros. Types without a text form (10-12, 33-35,
// 41, 42, the free codes, INHERITED) give an empty text.
std::string ShowFieldText(const TemplateField& field, std::span<const uint8_t> bytes,
                          const ShowOptions& options = {});

enum class SaveStatus {
  kStored,        // the text was converted and the field's bytes written
  kUnchanged,     // nothing to store: the text is what the bytes already show, or the
                  // type has no text form; the bytes are kept as they were
  kRefused,       // the text is not a value the field can hold; the bytes are kept
  kConvertError,  // the text is not a date; the bytes are kept and the caller stops
                  // with `message` (the data editor raises it as qn::ConvertError)
};

struct SaveResult {
  SaveStatus status = SaveStatus::kStored;
  std::string message;  // for kConvertError: the conversion error text shown to the user

  // Raises qn::ConvertError with the message when the status is kConvertError.
  void ThrowIfConvertError() const;
};

// Converts an edited UTF-8 text into the field's bytes. `bytes` are the field's bytes in
// the record, read as the current value and overwritten on kStored; when the span is
// shorter than DataLength only the span is written. A text equal to what ShowFieldText
// gives for the current bytes (editor form) keeps them, so saving an untouched editor
// loses no digits, time of day or unusual byte; a DATE of four zero bytes, which shows
// today's date, is the exception and stores that date.
//
// By type: integers take a decimal number from -2147483648 to 4294967295 (anything else
// stores 0) and keep its low bytes; reals take a whole number text, leading and trailing
// blanks skipped, '.' or ',' as the decimal point, an empty text storing 0, and refuse
// anything else; texts are cut to DataLength - 1 characters (at most 255); BOOLEAN is
// true when the text holds a 'J' or 'j'; DATE reads dd.MM.yy (a four-digit year gives its
// last two digits); TDATETIME reads a date in the short date form, time of day 0.
SaveResult SaveFieldText(const TemplateField& field, std::string_view text,
                         std::span<uint8_t> bytes);

// The fixed-notation text of a real: `decimals` digits after a point, right-aligned with
// spaces in `width` characters (wider when needed); independent of the C locale.
std::string FormatFixed(double value, int width, int decimals);
// The whole text as a real number (see SaveFieldText); false when it is not one.
bool ParseReal(std::string_view text, double* value);

}  // namespace qn
