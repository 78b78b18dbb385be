// The block walk of the file information window.
#include "store/block_scan.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <span>

#include "store/format.h"

namespace qn {

namespace {

constexpr size_t kBlockBuffer = kMaxScanBlockSize;  // the buffer a block is read into
constexpr size_t kChunk = 64 * 1024;                // read-ahead of the walk

// Reads the file front to back in large chunks, so a file of small blocks costs one
// system call per chunk rather than two per block.
class SequentialReader {
 public:
  explicit SequentialReader(BlockFile& file) : file_(file), chunk_(kChunk) {}

  int64_t Position() const { return position_; }

  // Reads up to `count` bytes; *moved gets the bytes read. A short read without an
  // error is the end of the file; an error keeps the bytes read before it.
  int Read(uint8_t* out, size_t count, size_t* moved) {
    *moved = 0;
    while (*moved < count) {
      if (next_ == length_) {
        if (pendingError_ != 0) {  // the bytes before the fault are delivered; now the fault
          int error = pendingError_;
          pendingError_ = 0;
          return error;
        }
        int error = Fill();
        if (length_ == 0) return error;  // the end of the file, or a fault with nothing read
        pendingError_ = error;
      }
      size_t n = std::min(count - *moved, length_ - next_);
      std::memcpy(out + *moved, chunk_.data() + next_, n);
      next_ += n;
      *moved += n;
      position_ += static_cast<int64_t>(n);
    }
    return 0;
  }

 private:
  int Fill() {
    next_ = length_ = 0;
    int error = file_.Seek(position_);
    if (error != 0) return error;
    return file_.Read(chunk_.data(), chunk_.size(), &length_);
  }

  BlockFile& file_;
  std::vector<uint8_t> chunk_;
  size_t length_ = 0;  // valid bytes in chunk_
  size_t next_ = 0;    // next unread byte in chunk_
  int64_t position_ = 0;
  int pendingError_ = 0;
};

std::string BlockLineStart(int32_t count, int64_t position, uint32_t size) {
  return std::to_string(count) + " pos:" + std::to_string(position) + " Størrelse: " +
         std::to_string(size);
}

}  // namespace

bool ScanBlocks(BlockFile& file, const ScanLineSink& onLine, const ScanProgressCheck& progress) {
  const int64_t fileSize = std::max<int64_t>(file.Size(), 0);
  SequentialReader reader(file);
  std::vector<uint8_t> block(kBlockBuffer);
  int32_t count = 0;
  uint32_t previousSize = 0;
  int32_t previousKind = 0;

  while (reader.Position() < fileSize) {
    ++count;
    const int64_t position = reader.Position();
    uint8_t sizeBytes[4] = {0, 0, 0, 0};
    size_t moved = 0;
    int error = reader.Read(sizeBytes, 4, &moved);
    if (moved < 4) {
      // Not even the size could be read: the walk cannot find the next block.
      onLine(std::to_string(count) + " pos:" + std::to_string(position) + " Størrelse: ?");
      if (error != 0) onLine("Filfeil: 4");
      onLine("StørrelseFeil: 4");
      return true;
    }
    const uint32_t size = BlockSizeOf(sizeBytes);

    if (size > kMaxScanBlockSize) {
      onLine("Buffer for stor ( >65000 bytes ): " + std::to_string(size));
      return true;
    }
    if (size < 4) {
      // A size that does not even cover itself leads nowhere.
      onLine(BlockLineStart(count, position, size));
      onLine("Størrelse under 4 bytes: " + std::to_string(size));
      return true;
    }

    std::string line = BlockLineStart(count, position, size);
    if (previousSize == kPointerRecordSize && previousKind % 2 != 0) line += " headerdata";
    const size_t rest = size - 4;
    error = reader.Read(block.data(), rest, &moved);
    previousKind = 0;
    if (rest == kPointerRecordSize - 4 && moved >= kKindOffset) {
      // The kind sits at offset 64 of the record, 60 into what follows the size: the bytes
      // read here lack the size, so they are no record image a RecordView could take.
      previousKind = GetI32(std::span<const uint8_t>(block.data(), moved), kKindOffset - 4);
      line += KindName(previousKind);
    }
    if (moved == rest) line += "   Ok.";
    onLine(line);
    if (error != 0) onLine("Filfeil: " + std::to_string(rest));
    if (moved < rest) onLine("StørrelseFeil: " + std::to_string(rest));
    previousSize = size;

    if (progress && !progress(ScanProgress{count, reader.Position(), fileSize})) return false;
  }
  return true;
}

std::vector<std::string> ScanBlocks(BlockFile& file) {
  std::vector<std::string> lines;
  ScanBlocks(file, [&lines](const std::string& line) { lines.push_back(line); });
  return lines;
}

int32_t ScanDatabaseFile(FileSystem& files, const std::string& fileName,
                         const ScanLineSink& onLine, const ScanProgressCheck& progress,
                         bool* stopped) {
  if (stopped) *stopped = false;
  std::unique_ptr<BlockFile> file;
  int error = files.Open(fileName, /*readOnly=*/true, &file);
  if (error != 0) return error;
  bool finished = ScanBlocks(*file, onLine, progress);
  if (stopped) *stopped = !finished;
  file->Close();
  return 0;
}

namespace {

// The chain from `start`, which must be where a block begins.
ChainEnd WalkChainFrom(const ChainReader& read, int64_t fileSize, int64_t start,
                       const ChainVisitor& visit) {
  ChainEnd chain;
  std::vector<uint8_t> piece(kChunk);
  int64_t pieceStart = 0;
  size_t pieceLength = 0;
  // Brings [p, p + n) into the piece; false when the file cannot deliver it.
  auto bring = [&](int64_t p, size_t n) {
    if (p >= pieceStart && p + int64_t(n) <= pieceStart + int64_t(pieceLength)) return true;
    if (p + int64_t(n) > fileSize) return false;
    const size_t length = size_t(std::min<int64_t>(int64_t(kChunk), fileSize - p));
    pieceStart = p;
    pieceLength = 0;
    if (!read(p, piece.data(), length)) return false;
    pieceLength = length;
    return true;
  };

  int64_t p = start;
  while (p < fileSize) {
    chain.brokenSize = 0;
    if (!bring(p, 4)) break;
    const uint32_t size = BlockSizeOf(std::span<const uint8_t>(piece.data() + (p - pieceStart), 4));
    chain.brokenSize = size;
    if (size < 4 || int64_t(size) > fileSize - p) break;
    ChainBlock block{p, size, false, 0};
    if (size == uint32_t(kPointerRecordSize) && bring(p, kPointerRecordSize)) {
      const std::span<const uint8_t, kPointerRecordSize> record(piece.data() + (p - pieceStart),
                                                                kPointerRecordSize);
      block.record = HasPointerSignature(record) && RecordView(record).OwnPosition() == p;
      block.kind = RecordView(record).Kind();
    }
    visit(block);
    p += size;
  }
  chain.end = p;
  chain.whole = p == fileSize;
  if (chain.whole) chain.brokenSize = 0;
  return chain;
}

// The first Position at or after `from` where a whole pointer record begins; -1 when the
// rest of the file holds none. Reads the file in pieces that overlap by a record.
int64_t NextRecordStart(const ChainReader& read, int64_t fileSize, int64_t from) {
  std::vector<uint8_t> piece(kChunk + kPointerRecordSize);
  for (int64_t start = from; start + kPointerRecordSize <= fileSize; start += int64_t(kChunk)) {
    const size_t length = size_t(std::min<int64_t>(int64_t(piece.size()), fileSize - start));
    if (!read(start, piece.data(), length)) return -1;
    for (size_t i = 0; i + kPointerRecordSize <= length && i < kChunk; ++i) {
      if (BlockSizeOf(std::span<const uint8_t>(piece.data() + i, 4)) != uint32_t(kPointerRecordSize))
        continue;
      const std::span<const uint8_t, kPointerRecordSize> record(piece.data() + i, kPointerRecordSize);
      const int64_t p = start + int64_t(i);
      if (p <= std::numeric_limits<int32_t>::max() && RecordView(record).OwnPosition() == p &&
          HasPointerSignature(record))
        return p;
    }
  }
  return -1;
}

}  // namespace

ChainEnd WalkBlockChain(const ChainReader& read, int64_t fileSize, const ChainVisitor& visit) {
  return WalkChainFrom(read, fileSize, 0, visit);
}

void WalkRecordBlocks(const ChainReader& read, int64_t fileSize, const ChainVisitor& visit) {
  int64_t start = 0;
  while (start < fileSize) {
    // Blocks after the last record are not trusted once the chain breaks: a wrong size may
    // have led the walk into the middle of a block.
    int64_t lastRecordEnd = start;
    const ChainEnd end = WalkChainFrom(read, fileSize, start, [&](const ChainBlock& block) {
      if (!block.record) return;
      lastRecordEnd = block.position + block.size;
      visit(block);
    });
    if (end.whole) return;
    // Every walk after the first begins at a record, so each search starts further on.
    const int64_t next = NextRecordStart(read, fileSize, std::max(lastRecordEnd, start + 1));
    if (next < 0) return;
    start = next;
  }
}

}  // namespace qn
