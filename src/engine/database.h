// The open database: one tDataImageArk per open .pdb256 file. It owns the file, the
// cursor (Datapointer), the name and link-text objects, the position stack and the
// traffic counters; it reads and writes blocks at the current file position, appends new
// blocks at the end, and reports every file error as one "QUILLAPI: " log line. Every
// change is in the file when the operation that made it returns; the read buffer never
// serves bytes older than the last write.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/block_file.h"
#include "engine/format.h"

namespace qn {

class Datapointer;
class tDataImageArk;

// Product constants of the engine.
inline constexpr std::string_view kProductName = "Veltrona Quillnet";
inline constexpr std::string_view kProductVersion = "1.8.1";
inline constexpr std::string_view kVersionDate = "04.07.2011";
inline constexpr std::string_view kCreateMode = "Enbruker";
inline constexpr std::string_view kBuildText = "Build: 30.10.2011 #519";

// The name object (and, with the same shape, the link-text object): the image of the last
// name block read or written, and which record and block it belongs to.
struct tNameObject {
  std::array<uint8_t, kNameBlockSize> image{};
  tDataImageArk* database = nullptr;
  bool loaded = false;
  Position recordPosition = 0;
  Position blockPosition = 0;
  int32_t maxTextSize = 256;
};

// The data clipboard: what "copy" remembered.
struct tDataClipboard {
  Position record = 0;
  Position data = 0;
  int32_t kind = 0;
  Position templatePos = 0;
};

// Traffic counters, zeroed at every Open.
struct EngineCounters {
  uint64_t blockReads = 0;
  uint64_t bytesRead = 0;
  uint64_t blockWrites = 0;
  uint64_t bytesWritten = 0;
  uint64_t skippedWrites = 0;
  uint64_t skippedBytes = 0;
  uint64_t cacheFills = 0;
  uint64_t cacheFillBytes = 0;
};

// Engine state shared by every database object of the process.
struct EngineState {
  bool writeCache = false;     // "DatabaseCache"
  bool readCache = false;      // "DatabaseCacheRead" (only together with the write cache)
  bool compareWindow = false;  // on only around payload transfers
  // The payload cache: allocated at the end of Open when the write cache is on.
  std::vector<uint8_t> payloadCache;  // 262,145 bytes when allocated
  Position payloadCachePosition = -1;
  int32_t payloadCacheLength = 0;
  // The record cache: the last stored pointer record.
  Position recordCachePosition = -1;
  std::array<uint8_t, kPointerRecordSize> recordCache{};
};
EngineState& Engine();
inline constexpr int32_t kPayloadCacheSize = 262145;

// The error-text table: the Norwegian text of an error number, empty outside 1..216.
std::string ErrorText(int32_t code);

class tDataImageArk {
 public:
  // `files` opens and creates the database and backup files; by default the real disk.
  explicit tDataImageArk(std::shared_ptr<FileSystem> files = nullptr);
  ~tDataImageArk();
  tDataImageArk(const tDataImageArk&) = delete;
  tDataImageArk& operator=(const tDataImageArk&) = delete;

  // Opens or creates the database (see the twelve steps in database.cpp). Afterwards
  // LastError() is 0 when the file is open; without a cursor (dp == nullptr) on failure.
  tDataImageArk& Open(const std::string& fileName);
  void Close();
  bool IsOpen() const;

  // Block transfer at the current file position. Both return bytes moved minus count
  // (0 = complete); WriteBlock returns -1 on a read-only database and 0 when the payload
  // cache skipped the write.
  int32_t ReadBlock(void* buffer, int32_t count);
  int32_t WriteBlock(const void* buffer, int32_t count);
  // Sets the current file position. Throws IoError when the position cannot be set.
  void SeekTo(Position position);
  Position FilePosition() const;
  // The Position of a new block: the file size; the file position is set there.
  Position Allocate();
  int64_t FileSizeOf();
  // Writes the report line for the last error code and returns that code.
  int32_t ReportError(int32_t taskCode, std::string_view taskText);

  int32_t LastError() const { return lastError_; }
  int32_t LastTransfer() const { return lastTransfer_; }
  bool ReadOnly() const { return readOnly_; }
  const std::string& FileName() const { return fileName_; }
  const EngineCounters& Counters() const { return counters_; }
  bool AutoCreateDatabase() const { return autoCreateDatabase_; }
  int32_t AutoCreateRecords() const { return autoCreateRecords_; }

  // Position stack: slots 1..254 hold Positions; 0 = empty.
  int32_t PushPosition();  // the cursor's Position, or -1 when full
  int32_t PopPosition();   // loads the top Position; the Position now current, or -1
  int32_t DropPosition();  // removes the top; the cursor's Position, or -1 when empty
  uint16_t StackTop() const { return stackTop_; }
  Position StackSlot(int i) const { return stack_[i]; }

  bool autoUpdate = false;  // refresh data from updateFrom before reading it
  tNameObject name;
  tNameObject linkText;
  std::unique_ptr<Datapointer> dp;  // the cursor; null while closed or after a failed open
  tDataClipboard clipboard;
  bool blockClipboard = false;  // the block-clipboard flag

 private:
  std::shared_ptr<FileSystem> files_;
  std::unique_ptr<BlockFile> file_;
  std::string fileName_;
  int32_t lastError_ = 0;
  int32_t lastTransfer_ = 0;
  bool readOnly_ = false;
  bool autoCreateDatabase_ = false;
  int32_t autoCreateRecords_ = 0;
  uint16_t stackTop_ = 0;
  std::array<Position, 256> stack_{};
  EngineCounters counters_;
  // Buffered reading state lives in database.cpp's implementation.
  struct ReadBuffer;
  std::unique_ptr<ReadBuffer> readBuffer_;

  void MakeBackup();
};

}  // namespace qn
