// The open database: one tDataImageArk per open .pdb256 file. Above the paged, journalled
// file (store/paged_file.h) it keeps what the records need: how the file is opened (the
// settings, the locks between programs, an unfinished change found beside it, the backup
// copy), the cursor (Datapointer), the name and link-text objects and the position stack;
// it reads and writes blocks at the current file position, appends new blocks at the end,
// and reports every file error as one "QUILLAPI: " log line. Every change is in the file
// when the operation that made it returns; the page cache never serves bytes older than the
// last write.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "env/block_file.h"
#include "store/format.h"
#include "store/journal.h"
#include "store/paged_file.h"
#include "env/errors.h"

namespace qn {

class Datapointer;
class tDataImageArk;

// State a higher layer keeps with one open database (the loaded template), so the database
// object can own and free it without knowing its type.
struct DatabaseAttachment {
  virtual ~DatabaseAttachment() = default;
};

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

// Engine state shared by the database objects of one owner (the window, a tool command):
// the caches and what the floors above keep beside them. A database object made without
// one keeps its own.
struct EngineState {
  bool writeCache = false;     // "DatabaseCache"
  bool readCache = false;      // "DatabaseCacheRead" (only together with the write cache)
  bool compareWindow = false;  // on only around payload transfers
  // The payload cache: allocated at the end of Open when the write cache is on. It holds
  // the bytes at payloadCachePosition exactly as they are in the owner's file: any write
  // that overlaps them and is not taken by the cache empties it (length 0).
  std::vector<uint8_t> payloadCache;  // 262,145 bytes when allocated
  Position payloadCachePosition = -1;
  int32_t payloadCacheLength = 0;
  const tDataImageArk* payloadCacheOwner = nullptr;
  // The record cache: the last stored pointer record.
  Position recordCachePosition = -1;
  std::array<uint8_t, kPointerRecordSize> recordCache{};
  // The block clipboard's images (content) and the block a cut marked for moving
  // (commands): one of each for the owner, made by those floors on first use.
  std::unique_ptr<DatabaseAttachment> blockClipboard;
  std::unique_ptr<DatabaseAttachment> cutBlock;
};
inline constexpr int32_t kPayloadCacheSize = 262145;

// The error-text table: the Norwegian text of an error number, empty outside 1..216 except
// for the engine's own numbers from 2001 on.
std::string ErrorText(int32_t code);
// The task texts of the report line, by task code (1..4, 6..11); empty for others.
std::string_view TaskText(int32_t taskCode);

// Task codes of the report line.
inline constexpr int32_t kTaskBackupReset = 1;
inline constexpr int32_t kTaskBackupRewrite = 2;
inline constexpr int32_t kTaskBackupWrite = 3;
inline constexpr int32_t kTaskBackupClose = 4;
inline constexpr int32_t kTaskOpen = 6;
inline constexpr int32_t kTaskCreate = 7;
inline constexpr int32_t kTaskWriteHeader = 8;
inline constexpr int32_t kTaskWrite = 9;
inline constexpr int32_t kTaskRead = 10;
inline constexpr int32_t kTaskClose = 11;

// Error numbers the engine sets itself.
inline constexpr int32_t kErrorNotOpen = 103;      // a transfer on a database without a file
inline constexpr int32_t kErrorRange = 201;        // a negative byte count
// A file that is not empty and does not begin with a file header record: never written to.
inline constexpr int32_t kErrorNotADatabase = 2001;
// A window has the database open for writing: no other program may change it.
inline constexpr int32_t kErrorHeldByWindow = 2002;
// kErrorBusy (2003): another program went on changing the database for longer than a
// change may wait (store/paged_file.h).
// Something that is no journal of this program (a link, a folder, a pipe, another file)
// stands where the database's journal goes: the database is not changed.
inline constexpr int32_t kErrorJournalInTheWay = kJournalInTheWay;
// kErrorImageMismatch (2005): the file does not hold the state a stored change is to be
// taken back from, or done again from (store/paged_file.h).

// Who opens a database, for the locks between programs: a window keeps the database to
// itself while it is open (a second window gets it read-only); a tool command waits a
// while for another tool command and never changes a database a window holds.
enum class OpenRole { kTool, kWindow };

// The position stack holds at most this many Positions (slots 1..254).
inline constexpr uint16_t kStackLimit = 254;

// The settings section the engine reads its keys from.
inline constexpr std::string_view kEngineSection = "QUILLNET-SERVER";

// How Open treats the settings "ReadOnlyDatabase", "AutoCreateDatabase" and "CreateBackup".
enum class OpenPolicy {
  kFromSettings,  // as the settings say
  kInspect,       // read only whatever the setting says; a missing file is never created
                  // and no backup copy is made: the file system is left exactly as it was
  kCreate,        // a missing file is created whatever "AutoCreateDatabase" says, and the
                  // database is writable whatever "ReadOnlyDatabase" says
  kCreateWhenMissing,  // a missing file is created whatever "AutoCreateDatabase" says;
                       // everything else as the settings say (the window's "new database")
};

class tDataImageArk;

// Opens a change on construction and ends it on destruction; a change left by an
// exception is abandoned.
class ChangeScope {
 public:
  explicit ChangeScope(tDataImageArk& db);
  ~ChangeScope();
  ChangeScope(const ChangeScope&) = delete;
  ChangeScope& operator=(const ChangeScope&) = delete;

 private:
  tDataImageArk& db_;
  int exceptions_;
};

class tDataImageArk {
 public:
  // `files` opens and creates the database and backup files; by default the real disk.
  // `engine`, when given, is the owner's engine state and must outlive the object; without
  // it the object keeps its own.
  explicit tDataImageArk(std::shared_ptr<FileSystem> files = nullptr, EngineState* engine = nullptr);
  ~tDataImageArk();
  tDataImageArk(const tDataImageArk&) = delete;
  tDataImageArk& operator=(const tDataImageArk&) = delete;

  // Opens or creates the file, with the cursor on the file header record. Afterwards
  // LastError() is 0 when the file is open; without a cursor (dp == nullptr) on failure.
  // An object that is still open is closed first. A new file holds only its header
  // record: OpenDatabase (content/initial_content.h) fills it and finds the first data.
  tDataImageArk& Open(const std::string& fileName);
  tDataImageArk& Open(const std::string& fileName, OpenPolicy policy);
  // Releases the cursor and the name objects and closes the file; does nothing when no
  // file is open.
  void Close();
  // True when the file is open and the cursor set up.
  bool IsOpen() const;

  // A change: the writes between BeginChange and the matching EndChange reach the file as
  // a whole or not at all, through the journal (store/journal.h); until EndChange they are
  // held in memory, and every read sees them. Changes nest: the outermost one counts.
  // Writes outside a change go to the file at once, unprotected: every command the user
  // gives runs inside one.
  void BeginChange();
  // Ends the change; at the outermost end its writes go to the file. A change in which a
  // write failed is abandoned instead. 0, or the error code (recorded as a write error,
  // with the report line) when the change could not be stored: the file is then as it
  // was before the change.
  int32_t EndChange();
  // Drops the writes of the open change (all nesting levels): nothing of it reaches the
  // file, and the cursor reloads its record from the file.
  void AbandonChange();
  // Stores the writes of the open change so far, as its outermost EndChange would, and goes
  // on in a new change at the same depth: a save the user asks for inside a longer command
  // (a window that stays open over several saves) reaches the file at once. 0, or the error
  // code; then everything since the outermost BeginChange is dropped, as EndChange drops it.
  int32_t CommitChangeSoFar();
  bool InChange() const { return paged_.ChangeDepth() > 0; }
  // Hears every change stored from now on (EndChange, CommitChangeSoFar) with its before-
  // and after-image, to keep them; without one (the default) nothing is kept.
  using ChangeObserver = std::function<void(ChangeImages&&)>;
  void SetChangeObserver(ChangeObserver observer) { changeObserver_ = std::move(observer); }
  // Puts the file into the state `target` gives (a stored change's before-image to take it
  // back, its after-image to do it again) as one change through the journal, once the file
  // holds exactly `expected` (its size and the bytes of each of its regions). Otherwise
  // nothing is written and kErrorImageMismatch comes back. Not inside an open change that
  // has written anything, and not on a read-only database (kErrorImageMismatch and 5); an
  // open change that has not goes on from the file as the image left it. The observer does not hear
  // it; the cursor reloads its record, or the file header record when that is gone. 0, or
  // the error code (recorded, with the report line), the file then as it was.
  int32_t ApplyImage(const FileImage& expected, const FileImage& target);

  // Block transfer at the current file position. Both return bytes moved minus count
  // (0 = complete); WriteBlock returns -1 on a read-only database and 0 when the payload
  // cache skipped the write.
  int32_t ReadBlock(void* buffer, int32_t count);
  int32_t WriteBlock(const void* buffer, int32_t count);
  // Reads `count` bytes at `position` as ReadBlock would, without moving the file position
  // (a reader beside the cursor and the field walks); counted as a block read. A failure
  // is reported and recorded; a success leaves LastError() as it was. Bytes moved minus
  // count.
  int32_t PeekBlock(int64_t position, void* buffer, int32_t count);
  // The same bytes where they lie in the file's read map, without a copy, for a walk that
  // reads a few fields of many records; counted as a block read. nullptr when they are not
  // to be had so: no map, an open change or a rolled-back view over the file, or bytes
  // outside it (read them with PeekBlock). They stay readable until the next read; after
  // taking what it wanted from them the caller asks ViewIntact(): false when the file was
  // cut short under the map meanwhile and they must be read again.
  const uint8_t* View(int64_t position, int64_t count);
  bool ViewIntact();
  // Sets the current file position. Throws IoError (and records the code) when the
  // position cannot be set: a negative Position, or no open file.
  void SeekTo(Position position);
  Position FilePosition() const;
  // The Position of a new block: the file size; the file position is set there. -1 when
  // no file is open, or when the file has outgrown the 32-bit Positions (recorded as a
  // write error: the block cannot be appended).
  Position Allocate();
  // The file size in bytes; -1 without an open file.
  int64_t FileSizeOf();
  // A read-only opening is not protected from another program's change (a window beside a
  // tool command): when the file has changed since its pages were read, the page cache is
  // emptied so the next reads see the file as it is now. One look at the file; nothing
  // for a writable opening, which no other program changes.
  void Revalidate();
  // Changes whenever what this object reads from its file may have changed: every write,
  // every opening and closing, an abandoned change, another program's change found by
  // Revalidate. Never the same value for two different states, also across objects, so a
  // caller that remembers something it read can tell whether it still holds.
  uint64_t Generation() const { return paged_.Generation(); }
  // Writes the report line for the last error code and returns that code.
  int32_t ReportError(int32_t taskCode, std::string_view taskText);

  int32_t LastError() const { return lastError_; }
  // The error code of the first write since Open that did not reach the file whole (0 =
  // none). Later successful transfers clear LastError() but not this, so a caller can
  // tell after a whole operation whether everything it changed is in the file. A write
  // refused because the database is read-only does not count.
  int32_t FirstWriteError() const { return firstWriteError_; }
  int32_t LastTransfer() const { return lastTransfer_; }
  bool ReadOnly() const { return readOnly_; }
  // The files this database object reaches its file through.
  FileSystem& Files() { return paged_.Files(); }
  // Set before Open; kTool unless said otherwise.
  void SetOpenRole(OpenRole role) { role_ = role; }
  // True when a window found the database held for writing by another program and opened
  // it read-only instead.
  bool HeldElsewhere() const { return heldElsewhere_; }
  // The error code of a backup copy that could not be made at this opening (0 = none), and
  // whether the copy was left alone because the file has faults.
  int32_t BackupError() const { return backupError_; }
  bool BackupKeptForFaults() const { return backupKeptForFaults_; }
  // What this opening found in the journal's place and did about it, in Norwegian for the
  // user (a journal that did not belong to the file, kept aside; something that is no
  // regular file, which refuses a writable opening); empty when nothing.
  const std::string& JournalNotice() const { return journalNotice_; }
  // How long a tool waits for another program's change to end (milliseconds).
  static inline int& lockWaitMilliseconds = PagedFile::lockWaitMilliseconds;
  const std::string& FileName() const { return fileName_; }
  // The caches and clipboards this object shares with the other databases of its owner.
  EngineState& Engine() { return *engine_; }
  const EngineState& Engine() const { return *engine_; }
  const EngineCounters& Counters() const { return paged_.Counters(); }
  bool AutoCreateDatabase() const { return autoCreateDatabase_; }
  int32_t AutoCreateRecords() const { return autoCreateRecords_; }

  // Position stack: slots 1..254 hold Positions; 0 = empty.
  int32_t PushPosition();  // the cursor's Position, or -1 when full
  int32_t PopPosition();   // loads the top Position; the Position now current, or -1
  int32_t DropPosition();  // removes the top; the cursor's Position, or -1 when empty
  // Removes slot `index` (1..StackTop()); the slots above it move down by one. The
  // Position removed, or -1 for no such slot. The cursor does not move.
  int32_t RemovePositionAt(int index);
  uint16_t StackTop() const { return stackTop_; }
  Position StackSlot(int i) const { return stack_[i]; }

  bool autoUpdate = false;  // refresh data from updateFrom before reading it
  tNameObject name;
  tNameObject linkText;
  std::unique_ptr<Datapointer> dp;  // the cursor; null while closed or after a failed open
  tDataClipboard clipboard;
  // The name block's Position that the pointer properties dialog copied ("Kopier
  // posisjon"); 0 until then. Kept while this file stays open.
  Position copiedNameBlock = 0;
  bool blockClipboard = false;  // the block-clipboard flag
  // The loaded template and the field value buffer (a tLoadedTemplate); made on first use
  // by the templates, freed by Close.
  std::unique_ptr<DatabaseAttachment> loadedTemplate;

 private:
  std::unique_ptr<EngineState> ownEngine_;  // only when no owner gave one
  EngineState* engine_;
  // The file below the records: its pages, its open change, its journal.
  PagedFile paged_;
  std::string fileName_;
  int64_t filePosition_ = 0;  // where the next ReadBlock/WriteBlock starts
  int32_t lastError_ = 0;
  int32_t firstWriteError_ = 0;
  int32_t lastTransfer_ = 0;
  bool readOnly_ = false;
  OpenRole role_ = OpenRole::kTool;
  bool backupWanted_ = false;
  int32_t backupError_ = 0;
  bool backupKeptForFaults_ = false;
  std::string journalNotice_;
  bool heldElsewhere_ = false;
  bool autoCreateDatabase_ = false;
  int32_t autoCreateRecords_ = 0;
  uint16_t stackTop_ = 0;
  std::array<Position, 256> stack_{};
  ChangeObserver changeObserver_;

  // Reads the engine's settings for this opening (caches, read-only, automatic creation)
  // as `policy` overrides them, and makes the backup copy when asked.
  void ReadOpenSettings(const std::string& fileName, OpenPolicy policy);
  // A clean object for the file about to be opened: no marks, names, errors or caches.
  void ResetForNewFile();
  // The payload cache, when the write cache is on; empty and owned by no file.
  void PrepareCaches();
  // Copies the file to FILE.backup through a fresh file in the same folder that is synced
  // and then renamed over it, with the database's permissions; never through a link.
  void MakeBackup();
  // The backup copy, when the file passes the consistency check.
  void BackUpIfSound();
  // Opens an existing file; false when it stays closed.
  bool OpenExisting();
  // Creates a new file with its header record; false when that failed.
  bool CreateNew();
  // Writes the file header record of a new (empty) file, counted as one block write.
  bool WriteFileHeader();
  // Rolls back a journal an unfinished change left beside the file (writable opening), or
  // shows the file as it was before that change (read-only opening). A journal that does
  // not fit the file is never applied: a writable opening keeps it aside. False when a
  // journal that must be rolled back could not be, or a writable opening finds no regular
  // file in the journal's place: the file stays closed.
  bool RecoverUnfinishedChange();
  // True when the file begins with a file header record (or is empty); else the error is
  // recorded and logged.
  bool BeginsAsADatabase();
  // Takes the locks of this opening (see OpenRole); false, with the error code, when the
  // database may not be opened as asked.
  bool TakeLocks();
  // Keeps the owner's caches equal to the file after a write of `moved` bytes at
  // `position`.
  void AfterWrite(int64_t position, size_t moved);
  void ForgetCaches();
  // After a change that never reached the file: caches, name objects and the cursor's
  // record are read again from the file.
  void ForgetChange();
  // Counts the failure in ErrorCount and writes the report line, when the log is on.
  void ReportTransferError(int32_t taskCode);
};

// Turns the compare window on for the payload transfers of one operation on `db`.
class CompareWindow {
 public:
  explicit CompareWindow(tDataImageArk& db) : engine_(db.Engine()) { engine_.compareWindow = true; }
  ~CompareWindow() { engine_.compareWindow = false; }
  CompareWindow(const CompareWindow&) = delete;
  CompareWindow& operator=(const CompareWindow&) = delete;

 private:
  EngineState& engine_;
};

}  // namespace qn
