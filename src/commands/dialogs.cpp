#include "commands/dialogs.h"

#include <algorithm>

#include "env/text_codec.h"

namespace qn {

size_t PromptEntryLimit(std::string_view proposed) {
  return std::max<size_t>(kPromptEntryLength, Cp1252Length(proposed));
}

}  // namespace qn
