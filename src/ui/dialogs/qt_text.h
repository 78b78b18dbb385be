// Text at the edge of the widgets: the program keeps its text as UTF-8 (std::string,
// std::string_view), Qt's widgets take QString. Every conversion into Qt goes through here.
#pragma once

#include <QString>
#include <string_view>

namespace qn {

// `text` (UTF-8) as a QString; invalid bytes become replacement characters.
inline QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace qn
