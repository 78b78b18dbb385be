// tDataImageArk: opening and creating the database file, the backup copy, block transfer
// with the payload cache and the page cache, the traffic counters and the error
// report line.
#include "store/database.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <ctime>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <utility>

#include <unistd.h>

#include "store/consistency_check.h"
#include "store/datapointer.h"
#include "store/safe_copy.h"
#include "env/errors.h"
#include "env/log.h"
#include "env/settings.h"

namespace qn {

namespace {

constexpr int64_t kPageSize = PageCache::kPageSize;
// A miss during a walk along records stored together reads the aligned 64 KiB around its
// page (the pages not held yet); any other miss reads its own page only.
constexpr int64_t kClusterPages = 16;
// Reads that begin within this many bytes of the end of the read before are close.
constexpr int64_t kCloseReadDistance = 1024;
// After this many close reads in a row the reads go along the file.
constexpr int kCloseReadsForCluster = 8;
// Reads at least this long bypass the cache: they gain nothing from it.
constexpr size_t kDirectReadFrom = 32 * 1024;


void VerboseLog(std::string_view line) {
  if (VerboseLogging) WriteLog(line);
}

std::string CodeAndText(int32_t code) { return std::to_string(code) + " " + ErrorText(code); }

bool Overlaps(int64_t a, int64_t aLength, int64_t b, int64_t bLength) {
  return a < b + bLength && b < a + aLength;
}

uint64_t NextGeneration() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}

}  // namespace

EngineState& Engine() {
  static EngineState state;
  return state;
}

tDataImageArk::tDataImageArk(std::shared_ptr<FileSystem> files)
    : files_(files ? std::move(files) : DiskFileSystem()) {}

tDataImageArk::~tDataImageArk() { Close(); }

bool tDataImageArk::IsOpen() const { return file_ != nullptr && dp != nullptr; }

// ---------------------------------------------------------------------------------------
// Open

tDataImageArk& tDataImageArk::Open(const std::string& fileName) {
  return Open(fileName, OpenPolicy::kFromSettings);
}

tDataImageArk& tDataImageArk::Open(const std::string& fileName, OpenPolicy policy) {
  if (file_ || dp) Close();
  ReadOpenSettings(fileName, policy);
  ResetForNewFile();
  if (files_->Exists(fileName_)) {
    if (!OpenExisting()) return *this;
  } else {
    if (!CreateNew()) return *this;
  }
  fileStamp_ = file_->ChangeStamp();
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
                  files_->Exists(fileName_) && fileName_.find(".backup") == std::string::npos;
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
  counters_ = EngineCounters{};
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
  changeDepth_ = 0;
  changeWriteError_ = 0;
  pending_.Clear();
  rolledBackView_.Clear();
  viewSize_ = -1;
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

namespace {

// Takes `region`, trying again for up to `milliseconds`; 0 or the error code.
int WaitForLock(BlockFile& file, int region, bool exclusive, int milliseconds) {
  for (int waited = 0;; waited += 20) {
    const int error = file.TryLock(region, exclusive);
    if (error != kLockBusy || waited >= milliseconds) return error;
    ::usleep(20000);
  }
}

}  // namespace

bool tDataImageArk::TakeLocks() {
  heldElsewhere_ = false;
  if (readOnly_) {
    // A reader never sees a change half written: it waits for one being written to end.
    if (role_ == OpenRole::kWindow) return true;
    lastError_ = WaitForLock(*file_, kCommitLock, false, lockWaitMilliseconds);
    if (lastError_ == kLockBusy) lastError_ = kErrorBusy;
  } else if (role_ == OpenRole::kWindow) {
    if (file_->TryLock(kWindowLock, true) != 0 || file_->TryLock(kWriterLock, true) != 0) {
      file_->Unlock(kWindowLock);
      readOnly_ = true;
      heldElsewhere_ = true;
      WriteLog("QUILLAPI: " + fileName_ + " is being changed by another program; opened read-only");
    }
    return true;
  } else if (file_->HeldElsewhere(kWindowLock)) {
    lastError_ = kErrorHeldByWindow;
  } else {
    lastError_ = WaitForLock(*file_, kWriterLock, true, lockWaitMilliseconds);
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
  if (files_->KindOf(journalName) == EntryKind::kNone) return true;
  int readError = 0;
  // A writer looks only while no one else writes; a reader looks at what is there.
  if (!readOnly_) {
    lastError_ = WaitForLock(*file_, kCommitLock, true, lockWaitMilliseconds);
    if (lastError_ == kLockBusy) lastError_ = kErrorBusy;
    if (lastError_ != 0) {
      ++ErrorCount;
      WriteLog("QUILLAPI: ERROR " + fileName_ + " is in use: " + CodeAndText(lastError_));
      return false;
    }
  }
  const JournalState state = InspectJournal(*files_, journalName, *file_, &readError);
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
        lastError_ = KeepJournalAside(*files_, journalName, StaleStamp(), &keptAs);
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
        lastError_ = files_->Remove(journalName);
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
        if (ReadJournalView(*files_, journalName, &rolledBackView_, &viewSize_)) {
          WriteLog("QUILLAPI: " + fileName_ + " holds an unfinished change; it is shown as it was before it");
        } else {
          rolledBackView_.Clear();
          viewSize_ = -1;
        }
        break;
      }
      lastError_ = RollBackJournal(*files_, journalName, *file_);
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
  if (!readOnly_) file_->Unlock(kCommitLock);
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
  const int error = ReadFile(0, header.data(), header.size(), &got);
  if (error == 0 && got == header.size() && HasPointerSignature(header))
    return true;
  lastError_ = error != 0 ? error : kErrorNotADatabase;
  ++ErrorCount;
  WriteLog("QUILLAPI: ERROR " + fileName_ + " is not a QuillNet database; it is left as it is");
  return false;
}

bool tDataImageArk::OpenExisting() {
  VerboseLog("QUILLAPI: trying to open database");
  int error = files_->Open(fileName_, readOnly_, &file_);
  if (error != 0) {
    file_.reset();
    ++ErrorCount;
    WriteLog("QUILLAPI: ERROR opening file. System reported error: " + CodeAndText(error));
    // Access denied to a writable open: the file may still be read.
    if (error == 5 && !readOnly_) {
      WriteLog("QUILLAPI: trying to open database in Read Only Mode");
      error = files_->Open(fileName_, true, &file_);
      if (error != 0) {
        file_.reset();
        WriteLog("QUILLAPI: retry opening file ERROR:" + CodeAndText(error));
      } else {
        WriteLog("QUILLAPI: Success opening file.");
        readOnly_ = true;
      }
    }
    if (!file_) {
      lastError_ = error;
      return false;
    }
  } else {
    VerboseLog("QUILLAPI: database opened with no errors");
  }
  lastError_ = 0;
  if (LoggingEnabled) ReportError(kTaskOpen, TaskText(kTaskOpen));
  // Only a file that begins with a file header record is a database; any other file is
  // left exactly as it is, whatever journal lies beside it. (A stopped change never tears
  // the header's size and signature: they are the same before and after any change.)
  if (!TakeLocks() || !BeginsAsADatabase() || !RecoverUnfinishedChange()) {
    file_->Close();
    file_.reset();
    return false;
  }
  // A file that exists but is still empty (made by another program, or left by a failed
  // creation) gets its header record, so that Position 0 is never handed out to a record.
  if (file_->Size() == 0 && !readOnly_) {
    if (!WriteFileHeader()) {
      ++ErrorCount;
      file_.reset();
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
  lastError_ = files_->Create(fileName_, &file_);
  if (LoggingEnabled) ReportError(kTaskCreate, TaskText(kTaskCreate));
  if (lastError_ != 0) {
    file_.reset();
    ++ErrorCount;
    return false;
  }
  if (!TakeLocks()) {
    file_->Close();
    file_.reset();
    return false;
  }
  bool written = WriteFileHeader();
  if (LoggingEnabled) ReportError(kTaskWriteHeader, TaskText(kTaskWriteHeader));
  if (!written) {
    ++ErrorCount;
    file_->Close();
    file_.reset();
    return false;
  }
  return true;
}

bool tDataImageArk::WriteFileHeader() {
  std::array<uint8_t, kPointerRecordSize> header{};
  EncodeFileHeader(header);
  size_t moved = 0;
  lastError_ = file_->Seek(0);
  if (lastError_ == 0) lastError_ = file_->Write(header.data(), header.size(), &moved);
  if (lastError_ == 0 && moved != header.size()) lastError_ = kErrorWriteFault;
  ++counters_.blockWrites;
  counters_.bytesWritten += header.size();
  lastTransfer_ = static_cast<int32_t>(moved);
  AfterWrite(0, header.data(), moved);
  if (lastError_ != 0 && firstWriteError_ == 0) firstWriteError_ = lastError_;
  return lastError_ == 0;
}

// ---------------------------------------------------------------------------------------
// The backup copy

void tDataImageArk::MakeBackup() {
  const CopyResult copy = CopyFileSafely(*files_, fileName_, fileName_ + ".backup", "-new");
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
  // A change still open here did not finish: none of it is stored.
  changeDepth_ = 0;
  changeWriteError_ = 0;
  pending_.Clear();
  rolledBackView_.Clear();
  viewSize_ = -1;
  loadedTemplate.reset();
  name = tNameObject{};
  linkText = tNameObject{};
  dp.reset();
  EngineState& engine = Engine();
  if (!file_) {
    ForgetCaches();
    return;
  }
  if (engine.writeCache) {
    engine.payloadCache.clear();
    engine.payloadCache.shrink_to_fit();
    engine.writeCache = false;
  }
  WriteLog("QUILLAPI: closing file " + fileName_);
  lastError_ = file_->Close();
  file_.reset();
  if (lastError_ != 0) ++ErrorCount;
  if (LoggingEnabled) ReportError(kTaskClose, TaskText(kTaskClose));
  ForgetCaches();
}

void tDataImageArk::ForgetCaches() {
  generation_ = NextGeneration();
  pages_.Clear();
  streamLength_ = 0;
  lastReadEnd_ = -1;
  closeReads_ = 0;
  fileStamp_ = file_ ? file_->ChangeStamp() : 0;
  // The process-wide caches describe one file; a record or payload cached from another
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
  if (!file_) {
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

int64_t tDataImageArk::FileSizeOf() {
  if (!file_) return -1;
  if (viewSize_ < 0 && ChangeKeepsFileSize()) return std::max(changeOldSize_, pending_.End());
  const int64_t size = viewSize_ >= 0 ? viewSize_ : file_->Size();
  return size < 0 ? size : std::max(size, pending_.End());
}

int tDataImageArk::ReadFile(int64_t position, uint8_t* buffer, size_t count, size_t* moved) {
  *moved = 0;
  if (pending_.Empty() && viewSize_ < 0) {
    // Nothing held back and nothing hidden: the file's bytes as they are.
    int error = file_->Seek(position);
    if (error == 0) error = file_->Read(buffer, count, moved);
    return error;
  }
  if (viewSize_ < 0) {
    // The file's bytes, then zeros up to the end of what the change has written past the
    // file's end; no need to ask the file for its size. Records the change made past the
    // file's end are not asked of the file at all.
    const size_t inFile =
        ChangeKeepsFileSize() ? size_t(std::clamp<int64_t>(changeOldSize_ - position, 0, int64_t(count))) : count;
    int error = 0;
    if (inFile > 0) {
      error = file_->Seek(position);
      if (error == 0) error = file_->Read(buffer, inFile, moved);
    }
    if (error != 0) return error;
    const size_t wanted =
        std::max(*moved, size_t(std::clamp<int64_t>(pending_.End() - position, 0, int64_t(count))));
    if (*moved < wanted) std::memset(buffer + *moved, 0, wanted - *moved);
    *moved = wanted;
    rolledBackView_.Overlay(position, buffer, wanted);
    pending_.Overlay(position, buffer, wanted);
    return 0;
  }
  const int64_t size = FileSizeOf();
  if (size < 0) return kErrorReadFault;
  const size_t wanted = size_t(std::clamp<int64_t>(size - position, 0, int64_t(count)));
  int error = 0;
  if (wanted > 0) {
    error = file_->Seek(position);
    if (error == 0) error = file_->Read(buffer, wanted, moved);
  }
  if (error != 0) return error;
  // Bytes the change has written past the file's end, or that a cut of the view removes.
  if (*moved < wanted) std::memset(buffer + *moved, 0, wanted - *moved);
  *moved = wanted;
  rolledBackView_.Overlay(position, buffer, wanted);
  pending_.Overlay(position, buffer, wanted);
  return 0;
}

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

bool tDataImageArk::ChangeKeepsFileSize() const {
  // Inside a change of a database open for writing, the file stays as it was when the
  // change began: this object holds the writer's lock and stores nothing before the change
  // ends (a commit part way through begins the change again).
  return changeDepth_ > 0 && !readOnly_ && changeOldSize_ >= 0;
}

void tDataImageArk::BeginChange() {
  if (changeDepth_++ > 0) return;
  changeOldSize_ = file_ ? file_->Size() : 0;
  changeWriteError_ = 0;
  pending_.Clear();
}

int32_t tDataImageArk::EndChange() {
  if (changeDepth_ == 0) return 0;
  if (--changeDepth_ > 0) return 0;
  if (changeWriteError_ != 0) {
    const int32_t error = changeWriteError_;
    AbandonChange();
    return error;
  }
  if (pending_.Empty() || !file_) return 0;
  // Readers wait while the change is written, so none of them sees half of it.
  int error = WaitForLock(*file_, kCommitLock, true, lockWaitMilliseconds);
  if (error == kLockBusy) error = kErrorBusy;
  ChangeImages images;
  if (error == 0)
    error = CommitPending(*files_, fileName_, JournalNameOf(fileName_), *file_, changeOldSize_, pending_,
                          changeObserver_ ? &images : nullptr);
  file_->Unlock(kCommitLock);
  pending_.Clear();
  if (error == 0) {
    if (changeObserver_) changeObserver_(std::move(images));
    return 0;
  }
  lastError_ = error;
  if (firstWriteError_ == 0) firstWriteError_ = error;
  ReportTransferError(kTaskWrite);
  // What the object remembers of the change never reached the file.
  ForgetChange();
  return error;
}

int32_t tDataImageArk::CommitChangeSoFar() {
  if (changeDepth_ == 0) return 0;
  const int depth = changeDepth_;
  changeDepth_ = 1;
  const int32_t error = EndChange();
  for (int i = 0; i < depth; ++i) BeginChange();
  return error;
}

namespace {

// True when the file (read through `read`) holds `image`'s bytes in each of its regions.
bool HoldsRegions(const FileImage& image, const std::function<int(int64_t, uint8_t*, size_t, size_t*)>& read) {
  std::vector<uint8_t> now(64 * 1024);
  for (const auto& [position, bytes] : image.regions) {
    if (position < 0 || position + int64_t(bytes.size()) > image.size) return false;
    for (size_t done = 0; done < bytes.size();) {
      const size_t n = std::min(now.size(), bytes.size() - done);
      size_t moved = 0;
      if (read(position + int64_t(done), now.data(), n, &moved) != 0 || moved != n) return false;
      if (std::memcmp(now.data(), bytes.data() + done, n) != 0) return false;
      done += n;
    }
  }
  return true;
}

}  // namespace

int32_t tDataImageArk::ApplyImage(const FileImage& expected, const FileImage& target) {
  if (!file_ || !dp) return kErrorNotOpen;
  if (readOnly_) return 5;
  // Inside a change only while it has written nothing: it goes on from the file as the
  // image leaves it.
  if (changeDepth_ > 0 && (!pending_.Empty() || changeWriteError_ != 0)) return kErrorImageMismatch;
  for (const auto& [position, bytes] : target.regions) {
    if (position < 0 || position + int64_t(bytes.size()) > target.size) return kErrorImageMismatch;
  }
  const auto read = [this](int64_t position, uint8_t* buffer, size_t count, size_t* moved) {
    return ReadFile(position, buffer, count, moved);
  };
  if (FileSizeOf() != expected.size || !HoldsRegions(expected, read)) {
    lastError_ = kErrorImageMismatch;
    ++ErrorCount;
    WriteLog("QUILLAPI: ERROR " + fileName_ + " does not hold the state a change is taken back or done again from;"
             " it is left as it is");
    return kErrorImageMismatch;
  }
  int error = WaitForLock(*file_, kCommitLock, true, lockWaitMilliseconds);
  if (error == kLockBusy) error = kErrorBusy;
  if (error == 0) error = CommitImage(*files_, fileName_, JournalNameOf(fileName_), *file_, target);
  file_->Unlock(kCommitLock);
  // Whatever reached the file, nothing remembered of it before may be served again.
  ForgetChange();
  if (changeDepth_ > 0) changeOldSize_ = file_->Size();
  if (error == 0) return 0;
  lastError_ = error;
  if (firstWriteError_ == 0) firstWriteError_ = error;
  ReportTransferError(kTaskWrite);
  return error;
}

void tDataImageArk::AbandonChange() {
  changeDepth_ = 0;
  changeWriteError_ = 0;
  if (pending_.Empty()) return;
  pending_.Clear();
  ForgetChange();
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

int tDataImageArk::ReadAt(int64_t position, uint8_t* buffer, size_t count, size_t* moved) {
  *moved = 0;
  if (count == 0) return 0;
  if (file_->CheapReads()) return ReadFile(position, buffer, count, moved);
  const bool close = lastReadEnd_ >= 0 && position >= lastReadEnd_ - kCloseReadDistance &&
                     position <= lastReadEnd_ + kCloseReadDistance;
  closeReads_ = close ? closeReads_ + 1 : 0;
  lastReadEnd_ = position + int64_t(count);
  if (count >= kDirectReadFrom) return ReadFile(position, buffer, count, moved);
  size_t done = 0;
  while (done < count) {
    const int64_t at = position + int64_t(done);
    const int64_t page = at / kPageSize;
    size_t length = 0;
    const uint8_t* bytes = CachedPage(page, &length);
    if (bytes == nullptr) {
      if (FillPages(page) != 0) {
        // Read just what was asked, so that the result and the error are those of the
        // request itself.
        return ReadFile(position, buffer, count, moved);
      }
      bytes = CachedPage(page, &length);
      if (bytes == nullptr) break;  // past the end of the file
    }
    const size_t offset = size_t(at - page * kPageSize);
    if (offset >= length) break;
    const size_t n = std::min(length - offset, count - done);
    std::memcpy(buffer + done, bytes + offset, n);
    done += n;
    if (length < size_t(kPageSize)) break;  // the file ends in this page
  }
  *moved = done;
  return 0;
}

int tDataImageArk::FillPages(int64_t page) {
  int64_t first = page;
  int64_t last = page;
  if (closeReads_ >= kCloseReadsForCluster) {
    const int64_t clusterStart = page - page % kClusterPages;
    while (first > clusterStart && !pages_.Contains(first - 1)) --first;
    while (last < clusterStart + kClusterPages - 1 && !pages_.Contains(last + 1)) ++last;
  }
  const size_t wanted = size_t(last - first + 1) * size_t(kPageSize);
  size_t got = 0;
  if (closeReads_ >= kCloseReadsForCluster) {
    streamLength_ = 0;
    if (stream_.size() < size_t(kClusterPages * kPageSize)) stream_.resize(size_t(kClusterPages * kPageSize));
    const int error = ReadFile(first * kPageSize, stream_.data(), wanted, &got);
    if (error != 0) return error;
    streamStart_ = first * kPageSize;
    streamLength_ = got;
  } else {
    std::array<uint8_t, size_t(kPageSize)> one;
    const int error = ReadFile(first * kPageSize, one.data(), one.size(), &got);
    if (error != 0) return error;
    if (got > 0) pages_.Put(page, one.data(), got);
  }
  ++counters_.pageFills;
  counters_.pageFillBytes += got;
  return 0;
}

const uint8_t* tDataImageArk::CachedPage(int64_t page, size_t* length) {
  const int64_t pageStart = page * kPageSize;
  if (streamLength_ > 0 && pageStart >= streamStart_ &&
      pageStart < streamStart_ + int64_t(streamLength_)) {
    *length = std::min<size_t>(size_t(kPageSize), size_t(streamStart_ + int64_t(streamLength_) - pageStart));
    return stream_.data() + (pageStart - streamStart_);
  }
  return pages_.Find(page, length);
}

void tDataImageArk::Revalidate() {
  if (!file_ || !readOnly_) return;
  const int64_t stamp = file_->ChangeStamp();
  if (stamp == fileStamp_ && stamp >= 0) return;
  ForgetCaches();
  fileStamp_ = stamp;
}

int32_t tDataImageArk::ReadBlock(void* buffer, int32_t count) {
  if (count < 0 || !file_) {
    lastError_ = count < 0 ? kErrorRange : kErrorNotOpen;
    lastTransfer_ = 0;
    ReportTransferError(kTaskRead);
    return count < 0 ? -1 : -count;
  }
  int64_t start = filePosition_;
  size_t moved = 0;
  int error = ReadAt(start, static_cast<uint8_t*>(buffer), static_cast<size_t>(count), &moved);
  filePosition_ = start + static_cast<int64_t>(moved);
  ++counters_.blockReads;
  counters_.bytesRead += moved;

  EngineState& engine = Engine();
  if (engine.writeCache && engine.compareWindow && engine.readCache &&
      !engine.payloadCache.empty() && error == 0 && moved == static_cast<size_t>(count) &&
      count <= kPayloadCacheSize) {
    std::memcpy(engine.payloadCache.data(), buffer, moved);
    engine.payloadCacheOwner = this;
    engine.payloadCachePosition = static_cast<Position>(start);
    engine.payloadCacheLength = count;
    ++counters_.cacheFills;
    counters_.cacheFillBytes += static_cast<uint64_t>(count);
  }

  lastError_ = error;
  lastTransfer_ = static_cast<int32_t>(moved);
  if (error != 0) ReportTransferError(kTaskRead);
  return static_cast<int32_t>(moved) - count;
}

int32_t tDataImageArk::PeekBlock(int64_t position, void* buffer, int32_t count) {
  if (count < 0 || position < 0 || !file_) {
    lastError_ = !file_ ? kErrorNotOpen : kErrorRange;
    ReportTransferError(kTaskRead);
    return count < 0 ? -1 : -count;
  }
  size_t moved = 0;
  const int error = ReadAt(position, static_cast<uint8_t*>(buffer), static_cast<size_t>(count), &moved);
  ++counters_.blockReads;
  counters_.bytesRead += moved;
  if (error != 0) {
    lastError_ = error;
    ReportTransferError(kTaskRead);
  }
  return static_cast<int32_t>(moved) - count;
}

const uint8_t* tDataImageArk::View(int64_t position, int64_t count) {
  if (!file_ || count <= 0 || position < 0 || !pending_.Empty() || viewSize_ >= 0) return nullptr;
  const uint8_t* bytes = file_->View(position, size_t(count));
  if (bytes != nullptr) {
    ++counters_.blockReads;
    counters_.bytesRead += uint64_t(count);
  }
  return bytes;
}

bool tDataImageArk::ViewIntact() { return !file_ || file_->ViewIntact(); }

int32_t tDataImageArk::WriteBlock(const void* buffer, int32_t count) {
  if (readOnly_) {
    VerboseLog("QUILLAPI: write request on a readonly database.");
    return -1;
  }
  if (count < 0 || !file_) {
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

  // An unchanged payload written back to where it came from costs nothing.
  if (cacheWindow && engine.payloadCacheOwner == this && engine.payloadCacheLength == count &&
      engine.payloadCachePosition == start &&
      std::memcmp(engine.payloadCache.data(), bytes, static_cast<size_t>(count)) == 0) {
    ++counters_.skippedWrites;
    counters_.skippedBytes += static_cast<uint64_t>(count);
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
  } else if (changeDepth_ > 0) {
    pending_.Write(start, bytes, static_cast<size_t>(count));
    moved = static_cast<size_t>(count);
  } else {
    error = file_->Seek(start);
    if (error == 0) error = file_->Write(bytes, static_cast<size_t>(count), &moved);
    if (error == 0 && moved != static_cast<size_t>(count)) error = kErrorWriteFault;
  }
  if (error != 0 && changeDepth_ > 0 && changeWriteError_ == 0) changeWriteError_ = error;
  ++counters_.blockWrites;
  counters_.bytesWritten += static_cast<uint64_t>(count);
  filePosition_ = start + static_cast<int64_t>(moved);
  AfterWrite(start, bytes, moved);

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

void tDataImageArk::AfterWrite(int64_t position, const uint8_t* bytes, size_t moved) {
  if (moved == 0) return;
  const int64_t length = static_cast<int64_t>(moved);
  generation_ = NextGeneration();
  pages_.Write(position, bytes, moved);
  if (streamLength_ > 0 && Overlaps(position, length, streamStart_, int64_t(kClusterPages * kPageSize))) {
    const int64_t streamEnd = streamStart_ + int64_t(streamLength_);
    if (position + length > streamEnd && streamLength_ % size_t(kPageSize) != 0) {
      // The file's end lay inside the stream's last page: the bytes after it change.
      streamLength_ = 0;
    } else {
      const int64_t from = std::max(position, streamStart_);
      const int64_t to = std::min(position + length, streamEnd);
      if (to > from) {
        std::memcpy(stream_.data() + (from - streamStart_), bytes + (from - position), size_t(to - from));
      }
    }
  }
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
