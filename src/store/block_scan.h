// The walk of a database file block by block from its first byte, as the file
// information window lists it: one line per block with its running number, Position,
// size and, for pointer records, kind, plus lines for blocks that cannot be read whole.
// The walk reads its own handle of the file, never reads a negative count or more than
// one block's 65,000-byte buffer, and always moves forward, so every file ends it.
// WalkBlockChain is the same walk for the consistency check: the chain of blocks as
// Positions and sizes, to compare with the blocks the records name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "env/block_file.h"

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

// One block of the chain. A block counts as a pointer record when it is 256 bytes long,
// carries the signature and holds its own Position.
struct ChainBlock {
  int64_t position = 0;
  uint32_t size = 0;
  bool record = false;
  int32_t kind = 0;  // the record's kind, when `record`
};

// Where the chain ended.
struct ChainEnd {
  int64_t end = 0;          // after the last whole block: the file size when the chain is whole
  bool whole = false;       // the last block ends exactly at the end of the file
  uint32_t brokenSize = 0;  // when not whole: the size word found at `end` (0 when not
                            // even that could be read)
};

// Reads `count` bytes at `position` into `out`; true when all of them were read.
using ChainReader = std::function<bool(int64_t position, uint8_t* out, size_t count)>;
// Receives each block of the chain, in the order of the file.
using ChainVisitor = std::function<void(const ChainBlock& block)>;

// Walks the chain of a file of `fileSize` bytes from Position 0, reading through `read`
// in large pieces (a block that is not 256 bytes long costs no read beyond its size
// word). Unlike the file information scan it takes a block of any size that fits in the
// file, since a data block may be larger than the scan's buffer; it ends at a size below
// 4, one that runs past the end of the file, or a read that fails. Nothing is kept: the
// caller keeps what it needs of each block.
ChainEnd WalkBlockChain(const ChainReader& read, int64_t fileSize, const ChainVisitor& visit);

// Every pointer record the chain holds, found also past the places where the chain breaks:
// after a block whose size leads nowhere, the search goes on from the end of the last
// record the chain passed, at the next Position that begins a record (the size 256, the
// signature at its place and the record's own Position), and the chain is walked on from
// there. Each record is visited once, in the order of the file; only records are visited.
void WalkRecordBlocks(const ChainReader& read, int64_t fileSize, const ChainVisitor& visit);

}  // namespace qn
