// The reason a message gives for an error number: the error-text table's row, or for a
// system error without one (1000 + errno) the system's own text, so no message shows an
// empty reason before its number.
#pragma once

#include <cstdint>
#include <string>

namespace qn {

// ErrorText(code) when the table has a row; else the system's text of a system error;
// empty only for a number that is neither.
std::string ErrorReason(int32_t code);
// An error as a message shows it: the reason, then the number in brackets ("Filen fins
// ikke (2)"); "feil (N)" for a number without a reason.
std::string ReasonAndNumber(int32_t code);

}  // namespace qn
