// The walk of a database file block by block from its first byte, as the file
// information window lists it: one line per block with its running number, Position,
// size and, for pointer records, kind, plus lines for blocks that cannot be read whole.
// The walk reads its own handle of the file, never reads a negative count or more than
// one block's 65,000-byte buffer, and always moves forward, so every file ends it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/block_file.h"

namespace qn {

// Where the walk stands, after each block.
struct ScanProgress {
  int32_t blocks = 0;     // blocks listed so far
  int64_t position = 0;   // where the next block begins
  int64_t fileSize = 0;   // the file size when the walk began
};

// Receives each line as it is made (UTF-8).
using ScanLineSink = std::function<void(const std::string& line)>;
// Asked after each block; returning false stops the walk.
using ScanProgressCheck = std::function<bool(const ScanProgress& progress)>;

// Walks `file` from Position 0. Returns true when the walk reached its end (the end of
// the file or a damaged block that ends it), false when `progress` stopped it.
bool ScanBlocks(BlockFile& file, const ScanLineSink& onLine,
                const ScanProgressCheck& progress = {});

// All lines of a walk to the end.
std::vector<std::string> ScanBlocks(BlockFile& file);

// Opens `fileName` for reading only, apart from any handle the engine holds, and walks
// it. Returns the open's error number (0 when the walk ran); `*stopped` (when given) tells
// whether `progress` stopped it.
int32_t ScanDatabaseFile(FileSystem& files, const std::string& fileName,
                         const ScanLineSink& onLine, const ScanProgressCheck& progress = {},
                         bool* stopped = nullptr);

}  // namespace qn
