// tDataImageArk: opening and creating the database file, the backup copy, block transfer
// at the file position with the payload cache, and the error report line.
#include "store/database.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <utility>

#include "store/consistency_check.h"
#include "store/datapointer.h"
#include "store/safe_copy.h"
#include "env/errors.h"
#include "env/log.h"
#include "env/settings.h"

namespace qn {

namespace {

void VerboseLog(std::string_view line) {
  if (VerboseLogging) WriteLog(line);
}

std::string CodeAndText(int32_t code) { return std::to_string(code) + " " + ErrorText(code); }

bool Overlaps(int64_t a, int64_t aLength, int64_t b, int64_t bLength) {
  return a < b + bLength && b < a + aLength;
}

}  // namespace

tDataImageArk::tDataImageArk(std::shared_ptr<FileSystem> files, EngineState* engine)
    : ownEngine_(engine == nullptr ? std::make_unique<EngineState>() : nullptr),
      engine_(engine == nullptr ? ownEngine_.get() : engine),
      paged_(files ? std::move(files) : DiskFileSystem()) {}

tDataImageArk::~tDataImageArk() { Close(); }

bool tDataImageArk::IsOpen() const { return paged_.IsOpen() && dp != nullptr; }

// ---------------------------------------------------------------------------------------
// Open

tDataImageArk& tDataImageArk::Open(const std::string& fileName) {
  return Open(fileName, OpenPolicy::kFromSettings);
}

tDataImageArk& tDataImageArk::Open(const std::string& fileName, OpenPolicy policy) {
  if (paged_.IsOpen() || dp) Close();
  ReadOpenSettings(fileName, policy);
  ResetForNewFile();
  if (Files().Exists(fileName_)) {
    if (!OpenExisting()) return *this;
  } else {
    if (!CreateNew()) return *this;
  }
  paged_.SetReadOnly(readOnly_);
  paged_.Forget();  // the file as the opening left it (a journal rolled back, a header written)
  dp = std::make_unique<Datapointer>(*this);
  dp->Load(0);
  if (backupWanted_) BackUpIfSound();
  blockClipboard = false;
  PrepareCaches();
  return *this;
}

void tDataImageArk::ReadOpenSettings(const std::string& fileName, OpenPolicy policy) {
  EngineState& engine = Engine();
  SectionScope section(kEngineSection);
  engine.writeCache = ReadSettingBool("DatabaseCache");
  engine.readCache = ReadSettingBool("DatabaseCacheRead");
  if (VerboseLogging) {
    WriteLog("QUILLAPI: Verbose logging enabled.");
    if (engine.writeCache) WriteLog("QUILLAPI: Write Cache enabled.");
    if (engine.readCache) WriteLog("QUILLAPI: Read Cache enabled.");
  }
  // The backup copy is made once the file is open, from the file as it was before this
  // opening changes anything; a backup file itself is never copied again.
  fileName_ = fileName;
  backupWanted_ = ReadSettingBool("CreateBackup") && policy != OpenPolicy::kInspect &&
                  Files().Exists(fileName_) && fileName_.find(".backup") == std::string::npos;
  WriteLog("QUILLAPI: Database filename is set to " + fileName_);
  autoCreateDatabase_ = ReadSettingBool("AutoCreateDatabase");
  if (autoCreateDatabase_) VerboseLog("QUILLAPI: AutoCreate Database enabled.");
  readOnly_ = ReadSettingBool("ReadOnlyDatabase");
  if (readOnly_) VerboseLog("QUILLAPI: Database is READONLY.");
  autoCreateRecords_ = ReadSettingInteger("AutoCreateRecords");
  if (policy == OpenPolicy::kInspect) {
    readOnly_ = true;
    autoCreateDatabase_ = false;
  } else if (policy == OpenPolicy::kCreate) {
    readOnly_ = false;
    autoCreateDatabase_ = true;
  } else if (policy == OpenPolicy::kCreateWhenMissing) {
    autoCreateDatabase_ = true;
  }
}

void tDataImageArk::ResetForNewFile() {
  name = tNameObject{};
  name.database = this;
  name.maxTextSize = 256;
  linkText = tNameObject{};
  linkText.database = this;
  clipboard = tDataClipboard{};
  copiedNameBlock = 0;
  stackTop_ = 0;
  stack_.fill(0);
  lastError_ = 0;
  firstWriteError_ = 0;
  lastTransfer_ = 0;
  autoUpdate = false;
  filePosition_ = 0;
  backupError_ = 0;
  backupKeptForFaults_ = false;
  journalNotice_.clear();
  ForgetCaches();
}

void tDataImageArk::PrepareCaches() {
  EngineState& engine = Engine();
  if (engine.writeCache) {
    try {
      engine.payloadCache.assign(kPayloadCacheSize, 0);
    } catch (const std::bad_alloc&) {
      engine.payloadCache.clear();
      engine.writeCache = false;
    }
  }
  engine.payloadCacheOwner = nullptr;
  engine.payloadCachePosition = -1;
  engine.payloadCacheLength = 0;
}

bool tDataImageArk::TakeLocks() {
  heldElsewhere_ = false;
  if (readOnly_) {
    // A reader never sees a change half written: it waits for one being written to end.
    if (role_ == OpenRole::kWindow) return true;
    lastError_ = WaitForLock(paged_.File(), kCommitLock, false, lockWaitMilliseconds);
    if (lastError_ == kLockBusy) lastError_ = kErrorBusy;
  } else if (role_ == OpenRole::kWindow) {
    if (paged_.File().TryLock(kWindowLock, true) != 0 || paged_.File().TryLock(kWriterLock, true) != 0) {
      paged_.File().Unlock(kWindowLock);
      readOnly_ = true;
      heldElsewhere_ = true;
      WriteLog("QUILLAPI: " + fileName_ + " is being changed by another program; opened read-only");
    }
    return true;
  } else if (paged_.File().HeldElsewhere(kWindowLock)) {
    lastError_ = kErrorHeldByWindow;
  } else {
    lastError_ = WaitForLock(paged_.File(), kWriterLock, true, lockWaitMilliseconds);
    if (lastError_ == kLockBusy) lastError_ = kErrorBusy;
  }
  if (lastError_ == 0) return true;
  ++ErrorCount;
  WriteLog("QUILLAPI: ERROR " + fileName_ + " is in use: " + CodeAndText(lastError_));
  return false;
}

namespace {

// The time a foreign journal was found, for the name it is kept under.
std::string StaleStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

}  // namespace

bool tDataImageArk::RecoverUnfinishedChange() {
  const std::string journalName = JournalNameOf(fileName_);
  if (Files().KindOf(journalName) == EntryKind::kNone) return true;
  int readError = 0;
  // A writer looks only while no one else writes; a reader looks at what is there.
  if (!readOnly_) {
    lastError_ = WaitForLock(paged_.File(), kCommitLock, true, lockWaitMilliseconds);
    if (lastError_ == kLockBusy) lastError_ = kErrorBusy;
    if (lastError_ != 0) {
      ++ErrorCount;
      WriteLog("QUILLAPI: ERROR " + fileName_ + " is in use: " + CodeAndText(lastError_));
      return false;
    }
  }
  const JournalState state = InspectJournal(Files(), journalName, paged_.File(), &readError);
  bool opened = true;
  switch (state) {
    case JournalState::kNone:
      break;
    case JournalState::kNotAFile:
      // Never followed nor written through; the user has to take it away.
      journalNotice_ = "Journalfilen " + journalName +
                       " er ikke en vanlig fil (en lenke, en mappe eller lignende) og blir ikke brukt.";
      if (readOnly_) {
        WriteLog("QUILLAPI: " + journalNotice_);
        break;
      }
      journalNotice_ += " Databasen kan ikke endres før den er fjernet.";
      lastError_ = kErrorJournalInTheWay;
      ++ErrorCount;
      WriteLog("QUILLAPI: ERROR " + journalNotice_);
      opened = false;
      break;
    case JournalState::kForeign:
      if (readOnly_) {
        journalNotice_ = "Journalen " + journalName + " hører ikke til databasen slik den er nå og blir ikke brukt.";
        ++WarningCount;
        WriteLog("ADVARSEL: QUILLAPI: " + journalNotice_);
        break;
      } else {
        std::string keptAs;
        lastError_ = KeepJournalAside(Files(), journalName, StaleStamp(), &keptAs);
        if (lastError_ != 0) {
          ++ErrorCount;
          WriteLog("QUILLAPI: ERROR the journal " + journalName + " that does not belong to " + fileName_ +
                   " could not be kept aside: " + CodeAndText(lastError_));
          opened = false;
          break;
        }
        journalNotice_ = "Journalen ved siden av databasen " + fileName_ +
                         " hørte ikke til filen slik den er nå (en eldre kopi lagt over den, eller en journal fra en "
                         "annen fil). Den er ikke brukt, men lagt til side som " + keptAs +
                         ". Databasen er åpnet som den er.";
        ++WarningCount;
        WriteLog("ADVARSEL: QUILLAPI: " + journalNotice_);
      }
      break;
    case JournalState::kCutShort:
      // Made durable only in part: the database was not touched after it.
      if (!readOnly_) {
        lastError_ = Files().Remove(journalName);
        opened = lastError_ == 0;
      }
      break;
    case JournalState::kUnread:
      // A reader shows the file as it is; a writer may not change it past a journal it
      // cannot read.
      lastError_ = readOnly_ ? 0 : readError;
      opened = readOnly_;
      if (readOnly_) WriteLog("QUILLAPI: the journal of " + fileName_ + " cannot be read: " + CodeAndText(readError));
      break;
    case JournalState::kFits:
      if (readOnly_) {
        if (paged_.ShowWithoutJournal(journalName))
          WriteLog("QUILLAPI: " + fileName_ + " holds an unfinished change; it is shown as it was before it");
        break;
      }
      lastError_ = RollBackJournal(Files(), journalName, paged_.File());
      if (lastError_ == 0) {
        WriteLog("QUILLAPI: rolled back an unfinished change of " + fileName_);
      } else {
        ++ErrorCount;
        WriteLog("QUILLAPI: ERROR rolling back the unfinished change of " + fileName_ + ": " +
                 CodeAndText(lastError_));
        opened = false;
      }
      break;
  }
  if (!readOnly_) paged_.File().Unlock(kCommitLock);
  if (!opened && state != JournalState::kNotAFile && state != JournalState::kForeign &&
      state != JournalState::kFits) {
    ++ErrorCount;
    WriteLog("QUILLAPI: ERROR reading the journal of " + fileName_ + ": " + CodeAndText(lastError_));
  }
  return opened;
}

bool tDataImageArk::BeginsAsADatabase() {
  if (FileSizeOf() <= 0) return true;
  std::array<uint8_t, kPointerRecordSize> header{};
  size_t got = 0;
  const int error = paged_.ReadFile(0, header.data(), header.size(), &got);
  if (error == 0 && got == header.size() && HasPointerSignature(header))
    return true;
  lastError_ = error != 0 ? error : kErrorNotADatabase;
  ++ErrorCount;
  WriteLog("QUILLAPI: ERROR " + fileName_ + " is not a QuillNet database; it is left as it is");
  return false;
}

bool tDataImageArk::OpenExisting() {
  VerboseLog("QUILLAPI: trying to open database");
  std::unique_ptr<BlockFile> file;
  int error = Files().Open(fileName_, readOnly_, &file);
  if (error != 0) {
    file.reset();
    ++ErrorCount;
    WriteLog("QUILLAPI: ERROR opening file. System reported error: " + CodeAndText(error));
    // Access denied to a writable open: the file may still be read.
    if (error == 5 && !readOnly_) {
      WriteLog("QUILLAPI: trying to open database in Read Only Mode");
      error = Files().Open(fileName_, true, &file);
      if (error != 0) {
        file.reset();
        WriteLog("QUILLAPI: retry opening file ERROR:" + CodeAndText(error));
      } else {
        WriteLog("QUILLAPI: Success opening file.");
        readOnly_ = true;
      }
    }
    if (!file) {
      lastError_ = error;
      return false;
    }
  } else {
    VerboseLog("QUILLAPI: database opened with no errors");
  }
  paged_.Attach(std::move(file), fileName_);
  lastError_ = 0;
  if (LoggingEnabled) ReportError(kTaskOpen, TaskText(kTaskOpen));
  // Only a file that begins with a file header record is a database; any other file is
  // left exactly as it is, whatever journal lies beside it. (A stopped change never tears
  // the header's size and signature: they are the same before and after any change.)
  if (!TakeLocks() || !BeginsAsADatabase() || !RecoverUnfinishedChange()) {
    paged_.Close();
    return false;
  }
  // A file that exists but is still empty (made by another program, or left by a failed
  // creation) gets its header record, so that Position 0 is never handed out to a record.
  if (paged_.File().Size() == 0 && !readOnly_) {
    if (!WriteFileHeader()) {
      ++ErrorCount;
      paged_.Close();
      return false;
    }
  }
  return true;
}

bool tDataImageArk::CreateNew() {
  if (!autoCreateDatabase_) {
    WriteLog("QUILLAPI: Did NOT creating database " + fileName_);
    return false;
  }
  WriteLog("QUILLAPI: creating file " + fileName_);
  std::unique_ptr<BlockFile> file;
  lastError_ = Files().Create(fileName_, &file);
  if (LoggingEnabled) ReportError(kTaskCreate, TaskText(kTaskCreate));
  if (lastError_ != 0) {
    ++ErrorCount;
    return false;
  }
  paged_.Attach(std::move(file), fileName_);
  if (!TakeLocks()) {
    paged_.Close();
    return false;
  }
  bool written = WriteFileHeader();
  if (LoggingEnabled) ReportError(kTaskWriteHeader, TaskText(kTaskWriteHeader));
  if (!written) {
    ++ErrorCount;
    paged_.Close();
    return false;
  }
  return true;
}

bool tDataImageArk::WriteFileHeader() {
  std::array<uint8_t, kPointerRecordSize> header{};
  EncodeFileHeader(header);
  size_t moved = 0;
  lastError_ = paged_.Write(0, header.data(), header.size(), &moved);
  paged_.Counters().blockWrites++;
  paged_.Counters().bytesWritten += header.size();
  lastTransfer_ = static_cast<int32_t>(moved);
  AfterWrite(0, moved);
  if (lastError_ != 0 && firstWriteError_ == 0) firstWriteError_ = lastError_;
  return lastError_ == 0;
}

// ---------------------------------------------------------------------------------------
// The backup copy

void tDataImageArk::MakeBackup() {
  const CopyResult copy = CopyFileSafely(Files(), fileName_, fileName_ + ".backup", "-new");
  backupError_ = copy.error;
  // One report line per step of the copy that was reached; the failing step's line carries
  // the error.
  const auto report = [&](int32_t task, bool failedHere) {
    lastError_ = failedHere ? copy.error : 0;
    if (LoggingEnabled) ReportError(task, TaskText(task));
    return !failedHere;
  };
  if (report(kTaskBackupReset, copy.failed == CopyStep::kOpenSource) &&
      report(kTaskBackupRewrite, copy.failed == CopyStep::kCreateCopy)) {
    switch (copy.failed) {
      case CopyStep::kRead: report(kTaskBackupReset, true); break;
      case CopyStep::kWrite: report(kTaskBackupWrite, true); break;
      default: report(kTaskBackupClose, copy.error != 0); break;
    }
  }
  if (copy.error != 0) ++ErrorCount;
}

void tDataImageArk::BackUpIfSound() {
  // A file with faults must not take the place of the last good copy.
  if (!CheckConsistency(*this).empty()) {
    backupKeptForFaults_ = true;
    ++WarningCount;
    WriteLog("ADVARSEL: QUILLAPI: " + fileName_ +
             " has faults (quilltool check); the last backup copy is kept as it was");
    dp->Load(0);
    return;
  }
  dp->Load(0);
  MakeBackup();
  lastError_ = 0;  // a backup that failed is reported; the database itself is open
}

// ---------------------------------------------------------------------------------------
// Close

void tDataImageArk::Close() {
  loadedTemplate.reset();
  name = tNameObject{};
  linkText = tNameObject{};
  dp.reset();
  EngineState& engine = Engine();
  if (!paged_.IsOpen()) {
    paged_.Close();  // a change still open here did not finish: none of it is stored
    ForgetCaches();
    return;
  }
  if (engine.writeCache) {
    engine.payloadCache.clear();
    engine.payloadCache.shrink_to_fit();
    engine.writeCache = false;
  }
  WriteLog("QUILLAPI: closing file " + fileName_);
  lastError_ = paged_.Close();
  if (lastError_ != 0) ++ErrorCount;
  if (LoggingEnabled) ReportError(kTaskClose, TaskText(kTaskClose));
  ForgetCaches();
}

void tDataImageArk::ForgetCaches() {
  paged_.Forget();
  // The owner's caches describe one file; a record or payload cached from another
  // file (or from this one before it was closed) must never make a write be skipped.
  EngineState& engine = Engine();
  engine.payloadCacheOwner = nullptr;
  engine.payloadCachePosition = -1;
  engine.payloadCacheLength = 0;
  engine.recordCachePosition = -1;
  engine.recordCache.fill(0);
}

// ---------------------------------------------------------------------------------------
// Block transfer

void tDataImageArk::SeekTo(Position position) {
  if (!paged_.IsOpen()) {
    lastError_ = kErrorNotOpen;
    throw IoError(lastError_, "Seek to " + std::to_string(position) + " in " + fileName_ +
                                  ": " + ErrorText(lastError_));
  }
  if (position < 0) {
    lastError_ = kErrorNegativeSeek;
    throw IoError(lastError_, "Seek to " + std::to_string(position) + " in " + fileName_ +
                                  ": negative position");
  }
  filePosition_ = position;
}

Position tDataImageArk::FilePosition() const { return static_cast<Position>(filePosition_); }

int64_t tDataImageArk::FileSizeOf() { return paged_.Size(); }

// ---------------------------------------------------------------------------------------
// Changes

ChangeScope::ChangeScope(tDataImageArk& db) : db_(db), exceptions_(std::uncaught_exceptions()) {
  db_.BeginChange();
}

ChangeScope::~ChangeScope() {
  if (std::uncaught_exceptions() > exceptions_) {
    db_.AbandonChange();
  } else {
    db_.EndChange();
  }
}

void tDataImageArk::BeginChange() { paged_.BeginChange(); }

int32_t tDataImageArk::EndChange() {
  ChangeImages images;
  int error = 0;
  switch (paged_.EndChange(lockWaitMilliseconds, changeObserver_ ? &images : nullptr, &error)) {
    case PagedFile::ChangeEnd::kInner:
    case PagedFile::ChangeEnd::kNothing:
      return 0;
    case PagedFile::ChangeEnd::kStored:
      if (changeObserver_) changeObserver_(std::move(images));
      return 0;
    case PagedFile::ChangeEnd::kSpoilt:
      AbandonChange();
      return error;
    case PagedFile::ChangeEnd::kFailed:
      break;
  }
  lastError_ = error;
  if (firstWriteError_ == 0) firstWriteError_ = error;
  ReportTransferError(kTaskWrite);
  // What the object remembers of the change never reached the file.
  ForgetChange();
  return error;
}

int32_t tDataImageArk::CommitChangeSoFar() {
  const int depth = paged_.ChangeDepth();
  if (depth == 0) return 0;
  paged_.SetChangeDepth(1);
  const int32_t error = EndChange();
  for (int i = 0; i < depth; ++i) BeginChange();
  return error;
}

int32_t tDataImageArk::ApplyImage(const FileImage& expected, const FileImage& target) {
  if (!IsOpen()) return kErrorNotOpen;
  if (readOnly_) return 5;
  // Inside a change only while it has written nothing: it goes on from the file as the
  // image leaves it.
  if (paged_.ChangeDepth() > 0 && paged_.ChangeHasWrites()) return kErrorImageMismatch;
  for (const auto& [position, bytes] : target.regions) {
    if (position < 0 || position + int64_t(bytes.size()) > target.size) return kErrorImageMismatch;
  }
  if (!paged_.Holds(expected)) {
    lastError_ = kErrorImageMismatch;
    ++ErrorCount;
    WriteLog("QUILLAPI: ERROR " + fileName_ + " does not hold the state a change is taken back or done again from;"
             " it is left as it is");
    return kErrorImageMismatch;
  }
  const int error = paged_.PutImage(target, lockWaitMilliseconds);
  // Whatever reached the file, nothing remembered of it before may be served again.
  ForgetChange();
  if (error == 0) return 0;
  lastError_ = error;
  if (firstWriteError_ == 0) firstWriteError_ = error;
  ReportTransferError(kTaskWrite);
  return error;
}

void tDataImageArk::AbandonChange() {
  if (paged_.AbandonChange()) ForgetChange();
}

void tDataImageArk::ForgetChange() {
  ForgetCaches();
  name = tNameObject{};
  name.database = this;
  name.maxTextSize = 256;
  linkText = tNameObject{};
  linkText.database = this;
  if (dp) {
    const Position here = dp->CurrentPosition();
    if (dp->Load(here) != 0) dp->Load(0);
  }
}

Position tDataImageArk::Allocate() {
  int64_t size = FileSizeOf();
  if (size < 0) return -1;
  if (size > INT32_MAX) {
    // No Position can name a block there: the append cannot be written.
    lastError_ = kErrorWriteFault;
    if (firstWriteError_ == 0) firstWriteError_ = lastError_;
    return -1;
  }
  SeekTo(static_cast<Position>(size));
  return static_cast<Position>(size);
}

void tDataImageArk::Revalidate() {
  const uint64_t before = paged_.Generation();
  paged_.Revalidate();
  if (paged_.Generation() != before) ForgetCaches();
}

int32_t tDataImageArk::ReadBlock(void* buffer, int32_t count) {
  if (count < 0 || !paged_.IsOpen()) {
    lastError_ = count < 0 ? kErrorRange : kErrorNotOpen;
    lastTransfer_ = 0;
    ReportTransferError(kTaskRead);
    return count < 0 ? -1 : -count;
  }
  int64_t start = filePosition_;
  size_t moved = 0;
  int error = paged_.ReadAt(start, static_cast<uint8_t*>(buffer), static_cast<size_t>(count), &moved);
  filePosition_ = start + static_cast<int64_t>(moved);
  EngineCounters& counters = paged_.Counters();
  ++counters.blockReads;
  counters.bytesRead += moved;

  EngineState& engine = Engine();
  if (engine.writeCache && engine.compareWindow && engine.readCache &&
      !engine.payloadCache.empty() && error == 0 && moved == static_cast<size_t>(count) &&
      count <= kPayloadCacheSize) {
    std::memcpy(engine.payloadCache.data(), buffer, moved);
    engine.payloadCacheOwner = this;
    engine.payloadCachePosition = static_cast<Position>(start);
    engine.payloadCacheLength = count;
    ++counters.cacheFills;
    counters.cacheFillBytes += static_cast<uint64_t>(count);
  }

  lastError_ = error;
  lastTransfer_ = static_cast<int32_t>(moved);
  if (error != 0) ReportTransferError(kTaskRead);
  return static_cast<int32_t>(moved) - count;
}

int32_t tDataImageArk::PeekBlock(int64_t position, void* buffer, int32_t count) {
  if (count < 0 || position < 0 || !paged_.IsOpen()) {
    lastError_ = !paged_.IsOpen() ? kErrorNotOpen : kErrorRange;
    ReportTransferError(kTaskRead);
    return count < 0 ? -1 : -count;
  }
  size_t moved = 0;
  const int error = paged_.ReadAt(position, static_cast<uint8_t*>(buffer), static_cast<size_t>(count), &moved);
  EngineCounters& counters = paged_.Counters();
  ++counters.blockReads;
  counters.bytesRead += moved;
  if (error != 0) {
    lastError_ = error;
    ReportTransferError(kTaskRead);
  }
  return static_cast<int32_t>(moved) - count;
}

const uint8_t* tDataImageArk::View(int64_t position, int64_t count) {
  if (count <= 0 || position < 0) return nullptr;
  const uint8_t* bytes = paged_.View(position, size_t(count));
  if (bytes != nullptr) {
    EngineCounters& counters = paged_.Counters();
    ++counters.blockReads;
    counters.bytesRead += uint64_t(count);
  }
  return bytes;
}

bool tDataImageArk::ViewIntact() { return paged_.ViewIntact(); }

int32_t tDataImageArk::WriteBlock(const void* buffer, int32_t count) {
  if (readOnly_) {
    VerboseLog("QUILLAPI: write request on a readonly database.");
    return -1;
  }
  if (count < 0 || !paged_.IsOpen()) {
    lastError_ = count < 0 ? kErrorRange : kErrorNotOpen;
    lastTransfer_ = 0;
    if (firstWriteError_ == 0) firstWriteError_ = lastError_;
    ReportTransferError(kTaskWrite);
    return count < 0 ? -1 : -count;
  }
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  int64_t start = filePosition_;
  EngineState& engine = Engine();
  const bool cacheWindow =
      engine.writeCache && engine.compareWindow && !engine.payloadCache.empty();
  EngineCounters& counters = paged_.Counters();

  // An unchanged payload written back to where it came from costs nothing.
  if (cacheWindow && engine.payloadCacheOwner == this && engine.payloadCacheLength == count &&
      engine.payloadCachePosition == start &&
      std::memcmp(engine.payloadCache.data(), bytes, static_cast<size_t>(count)) == 0) {
    ++counters.skippedWrites;
    counters.skippedBytes += static_cast<uint64_t>(count);
    filePosition_ = start + count;
    lastError_ = 0;
    lastTransfer_ = count;
    return 0;
  }

  size_t moved = 0;
  int error = 0;
  if (start + static_cast<int64_t>(count) > INT32_MAX) {
    // The file may not outgrow the 32-bit Positions.
    error = kErrorWriteFault;
    paged_.SpoilChange(error);
  } else {
    error = paged_.Write(start, bytes, static_cast<size_t>(count), &moved);
  }
  ++counters.blockWrites;
  counters.bytesWritten += static_cast<uint64_t>(count);
  filePosition_ = start + static_cast<int64_t>(moved);
  AfterWrite(start, moved);

  // The cache takes a payload only once the file holds it.
  if (cacheWindow && error == 0 && count <= kPayloadCacheSize) {
    std::memcpy(engine.payloadCache.data(), bytes, static_cast<size_t>(count));
    engine.payloadCacheOwner = this;
    engine.payloadCachePosition = static_cast<Position>(start);
    engine.payloadCacheLength = count;
  }

  lastError_ = error;
  lastTransfer_ = static_cast<int32_t>(moved);
  if (error != 0 && firstWriteError_ == 0) firstWriteError_ = error;
  if (error != 0) ReportTransferError(kTaskWrite);
  return static_cast<int32_t>(moved) - count;
}

void tDataImageArk::AfterWrite(int64_t position, size_t moved) {
  if (moved == 0) return;
  const int64_t length = static_cast<int64_t>(moved);
  // The caches: bytes they hold that were just overwritten are no longer known.
  EngineState& engine = Engine();
  if (engine.payloadCacheLength > 0 &&
      Overlaps(position, length, engine.payloadCachePosition, engine.payloadCacheLength)) {
    engine.payloadCacheOwner = nullptr;
    engine.payloadCachePosition = -1;
    engine.payloadCacheLength = 0;
  }
  if (engine.recordCachePosition >= 0 &&
      Overlaps(position, length, engine.recordCachePosition, kPointerRecordSize)) {
    engine.recordCachePosition = -1;
  }
}

void tDataImageArk::ReportTransferError(int32_t taskCode) {
  if (!LoggingEnabled) return;
  ++ErrorCount;
  ReportError(taskCode, TaskText(taskCode));
}

int32_t tDataImageArk::ReportError(int32_t taskCode, std::string_view taskText) {
  std::string line;
  if (lastError_ != 0) {
    line = "QUILLAPI: ERROR " + CodeAndText(lastError_) + " FILENAME:" + fileName_ +
           " TASK:" + std::string(taskText) + " CODE POSITION:" + std::to_string(taskCode);
  } else {
    line = "QUILLAPI: FILENAME:" + fileName_ + " TASK:" + std::string(taskText);
  }
  WriteLog(line);
  return lastError_;
}

}  // namespace qn
