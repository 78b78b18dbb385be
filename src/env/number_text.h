// Whole numbers as the user types them. Each reader takes the whole text (blanks around it
// and a leading '+' allowed) and gives nullopt for anything else, so a caller can show its
// own refusal message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qn {

// The leading decimal digits of `text`, at most `maxDigits` of them; 0 when there are
// none. `digits` (when given) receives how many were read.
int LeadingNumber(std::string_view text, size_t maxDigits, size_t* digits = nullptr);

// A decimal integer within the signed 32-bit range.
std::optional<int32_t> ParseInt32(std::string_view text);

// A decimal integer from the least signed to the largest unsigned 32-bit value, as an
// integer field of up to four bytes keeps its low bytes of either form.
std::optional<int64_t> ParseInt32OrCardinal(std::string_view text);

// A count as the user reads it: thousands apart by a blank ("1 000", "52 340").
std::string GroupedNumber(int64_t value);

}  // namespace qn
