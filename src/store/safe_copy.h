// A copy of a file that never leaves a half-made copy in the place of a whole one: the
// bytes go to a fresh file beside the target (never through a link, with the source's
// permissions), which is synced and then renamed over the target.
#pragma once

#include <cstdint>
#include <string>

#include "env/block_file.h"

namespace qn {

// Which step of the copy failed, so callers can report it in their own terms.
enum class CopyStep { kNone, kOpenSource, kCreateCopy, kRead, kWrite, kClose, kRename };

struct CopyResult {
  int32_t error = 0;  // 0 when the target now holds the whole copy
  CopyStep failed = CopyStep::kNone;
};

// Copies `source` to `target` through `target` + `freshSuffix`. On failure the target is
// as it was and the fresh file is gone.
CopyResult CopyFileSafely(FileSystem& files, const std::string& source, const std::string& target,
                          const std::string& freshSuffix);

}  // namespace qn
