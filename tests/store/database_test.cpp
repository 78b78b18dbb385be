#include "store/database.h"
#include "store/datapointer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "store/new_database_file.h"
#include "store/record_blocks.h"
#include "env/errors.h"
#include "env/log.h"
#include "env/settings.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::MemoryFileSystem;
using qn::test::NewDatabaseFile;

namespace {

// True when some log line ends with `text` (the log may stamp lines with the time).
bool Logged(std::string_view text) {
  for (const std::string& line : LogLines()) {
    if (line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0)
      return true;
  }
  return false;
}

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLogState();
    ResetSettingsState();
    LoggingEnabled = true;
    fs = std::make_shared<MemoryFileSystem>();
  }
  void TearDown() override {
    db.reset();
    ResetSettingsState();
    ResetLogState();
  }
  tDataImageArk& Db() {
    if (!db) db = std::make_unique<tDataImageArk>(fs, &engine_);
    return *db;
  }
  // Opens a file of `size` (>= 256) bytes: the file header record, then byte i is i % 251.
  tDataImageArk& OpenPattern(size_t size) {
    Bytes bytes = NewDatabaseFile();
    bytes.resize(size);
    for (size_t i = kPointerRecordSize; i < size; ++i) bytes[i] = uint8_t(i % 251);
    fs->Put("p.pdb256", bytes);
    Db().Open("p.pdb256");
    EXPECT_TRUE(Db().IsOpen());
    return Db();
  }
  // A sound database of `lines` named lines in one list, as the engine writes it.
  Bytes SoundDatabase(const std::string& name, int lines) {
    {
      tDataImageArk maker(fs);
      maker.Open(name, OpenPolicy::kCreate);
      for (int i = 0; i < lines; ++i) AddNamed(maker, DirDown, "line " + std::to_string(i));
    }
    return fs->Get(name);
  }
  // One key of the engine's settings section.
  static void Setting(std::string_view key, std::string_view value) {
    SharedSettings().Set(kEngineSection, key, value);
  }
  // Turns the write cache (and the read cache) on for the next Open.
  static void WriteCacheOn(bool readCache = false) {
    Setting("DatabaseCache", "1");
    if (readCache) Setting("DatabaseCacheRead", "1");
  }

  std::shared_ptr<MemoryFileSystem> fs;
  // The engine state the test's database objects share, fresh for each test.
  EngineState engine_;
  EngineState& Engine() { return engine_; }
  std::unique_ptr<tDataImageArk> db;
};

// ---- Opening and creating ----

using OpenTest = DatabaseTest;

TEST_F(OpenTest, NewReadOnlyFileHoldsExactlyTheHeaderRecord) {
  // Read-only, the file keeps its header record alone: the initial content is refused.
  Setting("AutoCreateDatabase", "1");
  Setting("ReadOnlyDatabase", "1");
  Db().Open("new.pdb256");
  ASSERT_TRUE(Db().IsOpen());
  EXPECT_EQ(Db().LastError(), 0);
  Bytes expected(256, 0);
  expected[0] = 0x00;  // size 256, little-endian
  expected[1] = 0x01;
  expected[104] = 31;  // signature length byte, then the 31 characters
  const char* sig = "QUILLNET-POINTER-RECORD-R130471";
  for (int i = 0; i < 31; ++i) expected[105 + i] = uint8_t(sig[i]);
  EXPECT_EQ(fs->Get("new.pdb256"), expected);
  EXPECT_EQ(Db().Counters().blockWrites, 1u);
  EXPECT_EQ(Db().Counters().bytesWritten, 256u);
  EXPECT_TRUE(Logged("QUILLAPI: creating file new.pdb256"));
  EXPECT_TRUE(Logged("QUILLAPI: FILENAME:new.pdb256 TASK:create database"));
  EXPECT_TRUE(Logged("QUILLAPI: FILENAME:new.pdb256 TASK:write in database"));
}

TEST_F(OpenTest, MissingFileIsNotCreatedWithoutAutoCreate) {
  Db().Open("missing.pdb256");
  EXPECT_FALSE(Db().IsOpen());
  EXPECT_EQ(Db().dp, nullptr);
  EXPECT_EQ(Db().LastError(), 0);
  EXPECT_FALSE(fs->Exists("missing.pdb256"));
  EXPECT_TRUE(Logged("QUILLAPI: Did NOT creating database missing.pdb256"));
}

TEST_F(OpenTest, InspectionNeverCreatesAndNeverWrites) {
  Db().Open("missing.pdb256", OpenPolicy::kInspect);
  EXPECT_FALSE(Db().IsOpen());
  EXPECT_FALSE(fs->Exists("missing.pdb256"));

  fs->Put("empty.pdb256", {});
  Db().Open("empty.pdb256", OpenPolicy::kInspect);
  EXPECT_TRUE(Db().ReadOnly());
  uint8_t byte = 7;
  EXPECT_EQ(Db().WriteBlock(&byte, 1), -1);
  EXPECT_TRUE(fs->Get("empty.pdb256").empty());
}

TEST_F(OpenTest, ExistingEmptyFileGetsItsHeaderRecord) {
  fs->Put("empty.pdb256", {});
  Db().Open("empty.pdb256");
  ASSERT_TRUE(Db().IsOpen());
  // The header record and nothing else: the cursor stands on it.
  EXPECT_EQ(fs->Get("empty.pdb256"), NewDatabaseFile());
  EXPECT_EQ(Db().dp->CurrentPosition(), 0);
}

TEST_F(OpenTest, FailedCreateIsCountedAndReported) {
  fs->createError = 5;
  Db().Open("x.pdb256", OpenPolicy::kCreate);
  EXPECT_FALSE(Db().IsOpen());
  EXPECT_EQ(Db().LastError(), 5);
  EXPECT_EQ(ErrorCount, 1);
  EXPECT_TRUE(Logged(
      "QUILLAPI: ERROR 5 Ikke tilgang til fil/mappe FILENAME:x.pdb256 TASK:create database "
      "CODE POSITION:7"));
}

TEST_F(OpenTest, FailedHeaderWriteIsCountedAndReported) {
  fs->writeBudget = 10;
  Db().Open("x.pdb256", OpenPolicy::kCreate);
  EXPECT_FALSE(Db().IsOpen());
  EXPECT_EQ(Db().LastError(), 101);
  EXPECT_EQ(ErrorCount, 1);
  EXPECT_TRUE(Logged(
      "QUILLAPI: ERROR 101 SKRIVEFEIL TIL DISK, ELLER DISK FULL FILENAME:x.pdb256 TASK:write "
      "in database CODE POSITION:8"));
}

TEST_F(OpenTest, ReportLineOfAnErrorWithoutTextHasTwoBlanks) {
  fs->createError = 300;
  Db().Open("x.pdb256", OpenPolicy::kCreate);
  EXPECT_TRUE(Logged("QUILLAPI: ERROR 300  FILENAME:x.pdb256 TASK:create database CODE POSITION:7"));
}

TEST_F(OpenTest, AccessDeniedRetriesReadOnlyAndThenRefusesWrites) {
  VerboseLogging = true;
  fs->Put("locked.pdb256", NewDatabaseFile());
  fs->denyWrite.insert("locked.pdb256");
  Db().Open("locked.pdb256");
  ASSERT_TRUE(Db().IsOpen());
  EXPECT_EQ(Db().LastError(), 0);
  EXPECT_TRUE(Db().ReadOnly());
  EXPECT_EQ(ErrorCount, 1);
  EXPECT_TRUE(Logged("QUILLAPI: ERROR opening file. System reported error: 5 Ikke tilgang til fil/mappe"));
  EXPECT_TRUE(Logged("QUILLAPI: trying to open database in Read Only Mode"));
  EXPECT_TRUE(Logged("QUILLAPI: Success opening file."));

  Db().SeekTo(0);
  uint8_t bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(Db().WriteBlock(bytes, 4), -1);
  EXPECT_TRUE(Logged("QUILLAPI: write request on a readonly database."));
  EXPECT_EQ(fs->Get("locked.pdb256"), NewDatabaseFile());

  // The read-only state belongs to that one open file.
  fs->Put("free.pdb256", NewDatabaseFile());
  Db().Open("free.pdb256");
  EXPECT_FALSE(Db().ReadOnly());
}

TEST_F(OpenTest, FailedRetryLeavesTheObjectClosedWithTheCode) {
  fs->Put("locked.pdb256", NewDatabaseFile());
  fs->denyOpen.insert("locked.pdb256");
  Db().Open("locked.pdb256");
  EXPECT_FALSE(Db().IsOpen());
  EXPECT_EQ(Db().LastError(), 5);
  EXPECT_TRUE(Logged("QUILLAPI: retry opening file ERROR:5 Ikke tilgang til fil/mappe"));
}

TEST_F(OpenTest, SettingsSectionIsRestored) {
  SetSection("MINE");
  fs->Put("a.pdb256", NewDatabaseFile());
  Db().Open("a.pdb256");
  EXPECT_EQ(CurrentSection(), "MINE");
  ResetSection();
}

TEST_F(OpenTest, SettingsSwitchTheCachesWithVerboseLinesInOrder) {
  VerboseLogging = true;
  Setting("DatabaseCache", "1");
  Setting("DatabaseCacheRead", "1");
  Setting("AutoCreateRecords", "1");
  fs->Put("a.pdb256", NewDatabaseFile());
  Db().Open("a.pdb256");
  EXPECT_TRUE(Engine().writeCache);
  EXPECT_TRUE(Engine().readCache);
  EXPECT_EQ(Engine().payloadCache.size(), size_t(kPayloadCacheSize));
  EXPECT_EQ(Db().AutoCreateRecords(), 1);
  std::vector<std::string> lines = LogLines();
  auto at = [&](std::string_view text) {
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].ends_with(text)) return int(i);
    return -1;
  };
  EXPECT_GE(at("QUILLAPI: Verbose logging enabled."), 0);
  EXPECT_EQ(at("QUILLAPI: Write Cache enabled."), at("QUILLAPI: Verbose logging enabled.") + 1);
  EXPECT_EQ(at("QUILLAPI: Read Cache enabled."), at("QUILLAPI: Write Cache enabled.") + 1);
  EXPECT_LT(at("QUILLAPI: Read Cache enabled."), at("QUILLAPI: Database filename is set to a.pdb256"));
}

TEST_F(OpenTest, ReadOnlySettingCreatesOnlyTheHeaderRecord) {
  VerboseLogging = true;
  Setting("AutoCreateDatabase", "1");
  Setting("ReadOnlyDatabase", "1");
  Db().Open("ro.pdb256");
  ASSERT_TRUE(Db().IsOpen());
  EXPECT_TRUE(Db().ReadOnly());
  EXPECT_TRUE(Logged("QUILLAPI: AutoCreate Database enabled."));
  EXPECT_TRUE(Logged("QUILLAPI: Database is READONLY."));
  Position p = Db().Allocate();
  uint8_t record[256] = {0, 1};
  EXPECT_EQ(Db().WriteBlock(record, 256), -1);
  EXPECT_EQ(p, 256);
  EXPECT_EQ(fs->Get("ro.pdb256"), NewDatabaseFile());
}

TEST_F(OpenTest, CreatePolicyOverridesTheReadOnlySetting) {
  Setting("ReadOnlyDatabase", "1");
  Db().Open("new.pdb256", OpenPolicy::kCreate);
  ASSERT_TRUE(Db().IsOpen());
  EXPECT_FALSE(Db().ReadOnly());
}

// ---- The backup copy ----

using BackupTest = DatabaseTest;

TEST_F(BackupTest, CopiesTheWholeFileBeforeOpening) {
  const Bytes bytes = SoundDatabase("a.pdb256", 40);  // more than two copy chunks
  ASSERT_GT(bytes.size(), 20000u);
  Setting("CreateBackup", "1");
  fs->Put("a.pdb256.backup", Bytes{9, 9, 9});  // an older backup is replaced
  Db().Open("a.pdb256");
  EXPECT_TRUE(Db().IsOpen());
  EXPECT_EQ(fs->Get("a.pdb256.backup"), bytes);
  EXPECT_TRUE(Logged("QUILLAPI: FILENAME:a.pdb256 TASK:creating backupfile (reset)"));
  EXPECT_TRUE(Logged("QUILLAPI: FILENAME:a.pdb256 TASK:creating backupfile (rewrite)"));
  EXPECT_TRUE(Logged("QUILLAPI: FILENAME:a.pdb256 TASK:closing file"));
  EXPECT_EQ(ErrorCount, 0);
}

TEST_F(BackupTest, NameHoldingDotBackupIsNeverCopied) {
  Setting("CreateBackup", "1");
  fs->Put("a.pdb256.backup", NewDatabaseFile());
  fs->Put("old.backup.pdb256", NewDatabaseFile());
  fs->Put("b.BACKUP.pdb256", NewDatabaseFile());  // the rule is case-sensitive
  Db().Open("a.pdb256.backup");
  Db().Open("old.backup.pdb256");
  Db().Open("b.BACKUP.pdb256");
  EXPECT_FALSE(fs->Exists("a.pdb256.backup.backup"));
  EXPECT_FALSE(fs->Exists("old.backup.pdb256.backup"));
  EXPECT_TRUE(fs->Exists("b.BACKUP.pdb256.backup"));
}

TEST_F(BackupTest, NoCopyOfAMissingFileNorWhenInspecting) {
  Setting("CreateBackup", "1");
  Db().Open("new.pdb256", OpenPolicy::kCreate);
  EXPECT_FALSE(fs->Exists("new.pdb256.backup"));
  Db().Open("new.pdb256", OpenPolicy::kInspect);
  EXPECT_FALSE(fs->Exists("new.pdb256.backup"));
}

TEST_F(BackupTest, FailedCopyIsReportedAndTheOpenGoesOn) {
  const Bytes bytes = SoundDatabase("a.pdb256", 40);
  Setting("CreateBackup", "1");
  fs->Put("a.pdb256.backup", Bytes{9, 9, 9});
  fs->writeBudget = 100;
  Db().Open("a.pdb256");
  EXPECT_TRUE(Db().IsOpen());
  EXPECT_EQ(Db().LastError(), 0);
  EXPECT_EQ(ErrorCount, 1);
  EXPECT_TRUE(Logged(
      "QUILLAPI: ERROR 101 SKRIVEFEIL TIL DISK, ELLER DISK FULL FILENAME:a.pdb256 TASK:write error "
      "CODE POSITION:3"));
  EXPECT_FALSE(Logged("TASK:closing file"));
  // The last copy is untouched and no half-made copy is left.
  EXPECT_EQ(Db().BackupError(), 101);
  EXPECT_EQ(fs->Get("a.pdb256.backup"), (Bytes{9, 9, 9}));
  EXPECT_FALSE(fs->Exists("a.pdb256.backup-new"));
}

TEST_F(BackupTest, AFileWithFaultsNeverReplacesTheLastCopy) {
  Bytes bytes = SoundDatabase("a.pdb256", 3);
  qn::test::PutI32(bytes, 256 + kDownOffset, 256);  // the first line's down leads to itself
  fs->Put("a.pdb256", bytes);
  fs->Put("a.pdb256.backup", Bytes{9, 9, 9});
  Setting("CreateBackup", "1");
  Db().Open("a.pdb256");
  EXPECT_TRUE(Db().IsOpen());
  EXPECT_TRUE(Db().BackupKeptForFaults());
  EXPECT_EQ(fs->Get("a.pdb256.backup"), (Bytes{9, 9, 9}));
  EXPECT_EQ(Db().dp->CurrentPosition(), 0);
}

// A stop at each step of the copy (the program killed, or the power cut, also after the
// copy) leaves the last copy or the whole new one; a fresh file a stopped copy left is no
// obstacle.
TEST_F(BackupTest, AStopAnywhereInTheCopyLeavesTheOldCopyOrTheWholeNewOne) {
  const Bytes bytes = SoundDatabase("a.pdb256", 40);
  Setting("CreateBackup", "1");
  int64_t steps = -1;
  for (bool powerCut : {false, true}) {
    for (int64_t k = 0; k <= std::max<int64_t>(steps, 0); ++k) {
      db.reset();
      fs->synced["a.pdb256"] = bytes;
      fs->synced["a.pdb256.backup"] = fs->Put("a.pdb256.backup", Bytes{9, 9, 9});
      fs->Put("a.pdb256.backup-new", Bytes{7});
      const int64_t start = fs->changes;
      fs->changesUntilStop = steps < 0 ? -1 : k;
      bool stopped = false;
      try {
        Db().Open("a.pdb256");
      } catch (const MemoryFileSystem::SimulatedStop&) {
        stopped = true;
      }
      if (steps < 0) steps = fs->changes - start;
      db.reset();
      fs->Restart(powerCut);
      const Bytes copy = fs->Get("a.pdb256.backup");
      EXPECT_TRUE(copy == bytes || (stopped && copy == Bytes({9, 9, 9}))) << powerCut << k << ": " << copy.size();
    }
  }
}

TEST_F(OpenTest, CloseReportsAndCountsAFailedClose) {
  fs->Put("a.pdb256", NewDatabaseFile());
  Db().Open("a.pdb256");
  fs->closeError = 6;
  Db().Close();
  EXPECT_FALSE(Db().IsOpen());
  EXPECT_EQ(ErrorCount, 1);
  EXPECT_TRUE(Logged("QUILLAPI: closing file a.pdb256"));
  EXPECT_TRUE(Logged("QUILLAPI: ERROR 6 Feil filhandtering FILENAME:a.pdb256 TASK:closing database CODE POSITION:11"));
  Db().Close();  // closing again does nothing
  EXPECT_EQ(ErrorCount, 1);
}

// ---- Block transfer ----

using TransferTest = DatabaseTest;

TEST_F(TransferTest, ReadBlockReturnsMovedMinusCountAndCounts) {
  tDataImageArk& d = OpenPattern(1000);
  uint8_t buffer[100];
  d.SeekTo(950);
  EXPECT_EQ(d.ReadBlock(buffer, 100), -50);  // the end of the file: short, not an error
  EXPECT_EQ(d.LastError(), 0);
  EXPECT_EQ(d.LastTransfer(), 50);
  EXPECT_EQ(buffer[0], 950 % 251);
  EXPECT_EQ(d.FilePosition(), 1000);
  EXPECT_GE(d.Counters().blockReads, 2u);  // the header record was read by the cursor
  EXPECT_EQ(d.Counters().bytesRead, 256u + 50u);
}

TEST_F(TransferTest, AllocateAppendsAtTheEnd) {
  tDataImageArk& d = OpenPattern(700);
  EXPECT_EQ(d.Allocate(), 700);
  uint8_t bytes[256] = {9};
  EXPECT_EQ(d.WriteBlock(bytes, 256), 0);
  EXPECT_EQ(d.FileSizeOf(), 956);
  EXPECT_EQ(d.Allocate(), 956);
}

TEST_F(TransferTest, SeekToANegativePositionThrows) {
  tDataImageArk& d = OpenPattern(300);
  EXPECT_THROW(d.SeekTo(-1), IoError);
  tDataImageArk closed(fs);
  EXPECT_THROW(closed.SeekTo(0), IoError);
}

TEST_F(TransferTest, FailuresAreCountedOnlyWithTheLogOn) {
  tDataImageArk& d = OpenPattern(200000);
  uint8_t buffer[64];
  fs->readBudget = 0;
  fs->writeBudget = 0;
  LoggingEnabled = false;
  d.SeekTo(150000);
  EXPECT_LT(d.ReadBlock(buffer, 64), 0);
  EXPECT_EQ(d.LastError(), 100);
  d.SeekTo(10);
  EXPECT_LT(d.WriteBlock(buffer, 64), 0);
  EXPECT_EQ(d.LastError(), 101);
  EXPECT_EQ(ErrorCount, 0);

  LoggingEnabled = true;
  d.SeekTo(150000);
  d.ReadBlock(buffer, 64);
  d.SeekTo(10);
  d.WriteBlock(buffer, 64);
  EXPECT_EQ(ErrorCount, 2);
  EXPECT_TRUE(Logged("QUILLAPI: ERROR 100 LESEFEIL I FRA DISK FILENAME:p.pdb256 TASK:read file CODE POSITION:10"));
  EXPECT_TRUE(Logged(
      "QUILLAPI: ERROR 101 SKRIVEFEIL TIL DISK, ELLER DISK FULL FILENAME:p.pdb256 TASK:write file "
      "CODE POSITION:9"));
}

TEST_F(TransferTest, TransfersWithoutAFileFailCleanly) {
  tDataImageArk closed(fs);
  uint8_t buffer[8];
  EXPECT_EQ(closed.ReadBlock(buffer, 8), -8);
  EXPECT_EQ(closed.LastError(), 103);
  EXPECT_EQ(closed.WriteBlock(buffer, 8), -8);
  EXPECT_EQ(closed.Allocate(), -1);
}

// ---- The read buffer ----

using ReadBufferTest = DatabaseTest;

TEST_F(ReadBufferTest, SequentialRecordReadsCostFewFileReads) {
  tDataImageArk& d = OpenPattern(256 * 1000);
  int before = fs->stats.reads;
  uint8_t record[256];
  for (int i = 999; i >= 0; --i) {  // backwards, as a walk up a list goes
    d.SeekTo(i * 256);
    ASSERT_EQ(d.ReadBlock(record, 256), 0);
    ASSERT_EQ(record[1], (i * 256 + 1) % 251);
  }
  EXPECT_LE(fs->stats.reads - before, 5);
  EXPECT_EQ(d.Counters().blockReads, 1001u);  // each ReadBlock counts, buffered or not
}

TEST_F(ReadBufferTest, NeverServesBytesOlderThanTheLastWrite) {
  tDataImageArk& d = OpenPattern(5000);
  uint8_t record[256];
  d.SeekTo(1024);
  d.ReadBlock(record, 256);
  uint8_t changed[10] = {200, 201, 202, 203, 204, 205, 206, 207, 208, 209};
  d.SeekTo(1100);
  ASSERT_EQ(d.WriteBlock(changed, 10), 0);
  d.SeekTo(1024);
  d.ReadBlock(record, 256);
  EXPECT_EQ(record[1100 - 1024], 200);
  EXPECT_EQ(record[1109 - 1024], 209);
  EXPECT_EQ(record[1110 - 1024], 1110 % 251);
  EXPECT_EQ(fs->Get("p.pdb256")[1100], 200);
}

TEST_F(ReadBufferTest, SeesTheFileGrow) {
  tDataImageArk& d = OpenPattern(512);
  uint8_t record[256];
  d.SeekTo(512);
  EXPECT_EQ(d.ReadBlock(record, 256), -256);
  Position p = d.Allocate();
  uint8_t fresh[256];
  std::fill(std::begin(fresh), std::end(fresh), uint8_t(77));
  ASSERT_EQ(d.WriteBlock(fresh, 256), 0);
  d.SeekTo(p);
  EXPECT_EQ(d.ReadBlock(record, 256), 0);
  EXPECT_EQ(record[255], 77);
}

TEST_F(ReadBufferTest, ScatteredReadsCostTheirOwnPagesAndComeBackFromTheCache) {
  tDataImageArk& d = OpenPattern(256 * 4000);  // about 1 MB
  uint8_t record[256];
  const uint64_t before = fs->stats.bytesRead;
  // Records 25 KB apart, as in lists that grew in turns; each costs its own page only.
  for (int i = 1; i < 40; ++i) {
    d.SeekTo(i * 25600);
    ASSERT_EQ(d.ReadBlock(record, 256), 0);
    ASSERT_EQ(record[7], (i * 25600 + 7) % 251);
  }
  EXPECT_LE(fs->stats.bytesRead - before, 39u * 4096);
  // The second time round nothing reaches the file.
  const int reads = fs->stats.reads;
  for (int i = 1; i < 40; ++i) {
    d.SeekTo(i * 25600 + 256);
    ASSERT_EQ(d.ReadBlock(record, 256), 0);
    ASSERT_EQ(record[0], (i * 25600 + 256) % 251);
  }
  EXPECT_EQ(fs->stats.reads, reads);
  EXPECT_EQ(d.Counters().blockReads, 1u + 78u);
  // A record across a page boundary is read whole.
  d.SeekTo(4096 * 3 - 100);
  ASSERT_EQ(d.ReadBlock(record, 256), 0);
  EXPECT_EQ(record[255], (4096 * 3 - 100 + 255) % 251);
}

TEST_F(ReadBufferTest, TheEndOfTheFileMovesWithWritesAndAGapIsNeverServedFromAnOldPage) {
  tDataImageArk& d = OpenPattern(5000);  // ends 904 bytes into its second page
  uint8_t bytes[300];
  d.SeekTo(4900);
  EXPECT_EQ(d.ReadBlock(bytes, 200), -100);  // a short read at the end
  EXPECT_EQ(bytes[99], (4900 + 99) % 251);
  // Bytes that continue the file's last page.
  uint8_t more[50];
  std::fill(std::begin(more), std::end(more), uint8_t(9));
  d.SeekTo(5000);
  ASSERT_EQ(d.WriteBlock(more, 50), 0);
  d.SeekTo(4900);
  EXPECT_EQ(d.ReadBlock(bytes, 200), -50);
  EXPECT_EQ(bytes[149], 9);
  // A write past the end leaves zeros between; the old short page must not hide them.
  d.SeekTo(6000);
  ASSERT_EQ(d.WriteBlock(more, 50), 0);
  d.SeekTo(4900);
  ASSERT_EQ(d.ReadBlock(bytes, 300), 0);
  EXPECT_EQ(bytes[149], 9);
  EXPECT_EQ(bytes[150], 0);
  EXPECT_EQ(bytes[299], 0);
  d.SeekTo(5990);
  ASSERT_EQ(d.ReadBlock(bytes, 60), 0);
  EXPECT_EQ(bytes[9], 0);
  EXPECT_EQ(bytes[10], 9);
  EXPECT_EQ(fs->Get("p.pdb256").size(), 6050u);
}

TEST_F(ReadBufferTest, AWalkAlongTheFileSeesWritesInsideWhatItReadAndPastTheFileEnd) {
  tDataImageArk& d = OpenPattern(20000);  // ends inside its fifth page
  uint8_t record[256];
  for (int64_t p = 256; p + 256 <= 20000; p += 256) {  // along the file: read 64 KiB at a time
    d.SeekTo(Position(p));
    ASSERT_EQ(d.ReadBlock(record, 256), 0);
  }
  EXPECT_LE(d.Counters().pageFills, 4u);
  uint8_t changed[200];
  std::fill(std::begin(changed), std::end(changed), uint8_t(240));
  d.SeekTo(10000);
  ASSERT_EQ(d.WriteBlock(changed, 10), 0);
  d.SeekTo(20000);  // continues the file
  ASSERT_EQ(d.WriteBlock(changed, 200), 0);
  d.SeekTo(9990);
  ASSERT_EQ(d.ReadBlock(record, 30), 0);
  EXPECT_EQ(record[9], 9999 % 251);
  EXPECT_EQ(record[10], 240);
  EXPECT_EQ(record[20], 10010 % 251);
  d.SeekTo(19900);
  ASSERT_EQ(d.ReadBlock(record, 256), 0);
  EXPECT_EQ(record[99], 19999 % 251);
  EXPECT_EQ(record[100], 240);
  EXPECT_EQ(record[255], 240);
}

TEST_F(ReadBufferTest, AChangeThatDoesNotReachTheFileLeavesNoCachedByte) {
  tDataImageArk& d = OpenPattern(9000);
  uint8_t record[256];
  uint8_t changed[256];
  std::fill(std::begin(changed), std::end(changed), uint8_t(250));
  for (bool abandon : {true, false}) {
    d.SeekTo(4000);
    ASSERT_EQ(d.ReadBlock(record, 256), 0);  // the page is cached before the change
    d.BeginChange();
    d.SeekTo(4000);
    ASSERT_EQ(d.WriteBlock(changed, 256), 0);
    d.SeekTo(9000);  // and one past the end of the file
    ASSERT_EQ(d.WriteBlock(changed, 256), 0);
    d.SeekTo(4000);
    ASSERT_EQ(d.ReadBlock(record, 256), 0);
    EXPECT_EQ(record[100], 250);  // the change sees its own writes
    if (abandon) {
      d.AbandonChange();
    } else {
      fs->diskSpace = 0;  // the commit fails: the file stays as it was
      EXPECT_NE(d.EndChange(), 0);
      fs->diskSpace = -1;
    }
    d.SeekTo(4000);
    ASSERT_EQ(d.ReadBlock(record, 256), 0);
    EXPECT_EQ(record[100], (4100) % 251) << (abandon ? "abandoned" : "failed");
    d.SeekTo(9000);
    EXPECT_EQ(d.ReadBlock(record, 256), -256);
    EXPECT_EQ(fs->Get("p.pdb256").size(), 9000u);
  }
  // A change that is stored: what was cached under it is the file's.
  d.BeginChange();
  d.SeekTo(4000);
  d.WriteBlock(changed, 256);
  ASSERT_EQ(d.EndChange(), 0);
  d.SeekTo(3900);
  ASSERT_EQ(d.ReadBlock(record, 256), 0);
  EXPECT_EQ(record[99], 3999 % 251);
  EXPECT_EQ(record[100], 250);
  EXPECT_EQ(fs->Get("p.pdb256")[4100], 250);
}

TEST_F(ReadBufferTest, AReadOnlyOpeningSeesAnotherProgramsChangeAfterRevalidating) {
  OpenPattern(12000);
  db.reset();
  Setting("ReadOnlyDatabase", "1");
  tDataImageArk reader(fs);
  reader.SetOpenRole(OpenRole::kWindow);
  reader.Open("p.pdb256");
  ASSERT_TRUE(reader.IsOpen());
  uint8_t record[256];
  reader.SeekTo(8000);
  ASSERT_EQ(reader.ReadBlock(record, 256), 0);
  reader.Revalidate();  // nothing changed: the pages stay
  const int reads = fs->stats.reads;
  reader.SeekTo(8000);
  ASSERT_EQ(reader.ReadBlock(record, 256), 0);
  EXPECT_EQ(fs->stats.reads, reads);

  // A tool changes bytes the reader holds, then the file is cut short under it.
  Setting("ReadOnlyDatabase", "0");
  {
    tDataImageArk tool(fs);
    tool.Open("p.pdb256");
    ASSERT_FALSE(tool.ReadOnly());
    uint8_t changed[256];
    std::fill(std::begin(changed), std::end(changed), uint8_t(33));
    ChangeScope change(tool);
    tool.SeekTo(8000);
    tool.WriteBlock(changed, 256);
  }
  ASSERT_EQ(fs->Get("p.pdb256")[8000], 33);
  reader.Revalidate();
  reader.SeekTo(8000);
  ASSERT_EQ(reader.ReadBlock(record, 256), 0);
  EXPECT_EQ(record[0], 33);
  {
    std::unique_ptr<BlockFile> file;
    ASSERT_EQ(fs->Open("p.pdb256", false, &file), 0);
    ASSERT_EQ(file->Truncate(8100), 0);
  }
  reader.Revalidate();
  reader.SeekTo(8000);
  EXPECT_EQ(reader.ReadBlock(record, 256), -156);
  reader.SeekTo(10000);
  EXPECT_EQ(reader.ReadBlock(record, 256), -256);
  EXPECT_EQ(reader.LastError(), 0);
}

// ---- The payload cache ----

using PayloadCacheTest = DatabaseTest;

TEST_F(PayloadCacheTest, SamePayloadTwiceIsWrittenOnce) {
  WriteCacheOn();
  tDataImageArk& d = OpenPattern(2000);
  Engine().compareWindow = true;
  uint8_t payload[40];
  std::fill(std::begin(payload), std::end(payload), uint8_t(5));
  int before = fs->stats.writes;
  d.SeekTo(1000);
  EXPECT_EQ(d.WriteBlock(payload, 40), 0);
  d.SeekTo(1000);
  EXPECT_EQ(d.WriteBlock(payload, 40), 0);
  EXPECT_EQ(fs->stats.writes - before, 1);
  EXPECT_EQ(d.Counters().skippedWrites, 1u);
  EXPECT_EQ(d.Counters().skippedBytes, 40u);
  EXPECT_EQ(d.Counters().blockWrites, 1u);
  EXPECT_EQ(d.FilePosition(), 1040);  // a skipped write still moves the position
}

TEST_F(PayloadCacheTest, WritesAnythingThatDiffers) {
  WriteCacheOn();
  tDataImageArk& d = OpenPattern(2000);
  Engine().compareWindow = true;
  uint8_t payload[40] = {1, 2, 3};
  uint8_t longer[60] = {1, 2, 3};
  d.SeekTo(1000);
  d.WriteBlock(payload, 40);
  d.SeekTo(1200);  // same bytes, another place
  d.WriteBlock(payload, 40);
  payload[39] = 9;  // another last byte, same place
  d.SeekTo(1200);
  d.WriteBlock(payload, 40);
  longer[59] = 4;  // starts like the cached bytes but is longer
  d.SeekTo(1200);
  d.WriteBlock(payload, 40);
  d.SeekTo(1200);
  d.WriteBlock(longer, 60);
  EXPECT_EQ(d.Counters().skippedWrites, 1u);
  EXPECT_EQ(fs->Get("p.pdb256")[1259], 4);
}

TEST_F(PayloadCacheTest, AWriteOutsideTheWindowOverCachedBytesIsNotForgotten) {
  WriteCacheOn();
  tDataImageArk& d = OpenPattern(2000);
  uint8_t payload[40] = {1, 2, 3};
  uint8_t other[8] = {7, 7, 7, 7, 7, 7, 7, 7};
  Engine().compareWindow = true;
  d.SeekTo(1000);
  d.WriteBlock(payload, 40);
  Engine().compareWindow = false;
  d.SeekTo(1004);  // e.g. a record stored over part of those bytes
  d.WriteBlock(other, 8);
  Engine().compareWindow = true;
  d.SeekTo(1000);
  d.WriteBlock(payload, 40);  // must reach the file again
  EXPECT_EQ(d.Counters().skippedWrites, 0u);
  EXPECT_EQ(fs->Get("p.pdb256")[1004], 0);
}

TEST_F(PayloadCacheTest, FailedWriteIsNotTakenByTheCache) {
  WriteCacheOn();
  tDataImageArk& d = OpenPattern(2000);
  Engine().compareWindow = true;
  uint8_t payload[40] = {1, 2, 3};
  fs->writeBudget = 10;
  d.SeekTo(1000);
  EXPECT_LT(d.WriteBlock(payload, 40), 0);
  fs->writeBudget = -1;
  d.SeekTo(1000);
  EXPECT_EQ(d.WriteBlock(payload, 40), 0);
  EXPECT_EQ(d.Counters().skippedWrites, 0u);
  EXPECT_EQ(fs->Get("p.pdb256")[1039], 0);
}

TEST_F(PayloadCacheTest, ReadCacheSkipsWritingBackWhatWasRead) {
  WriteCacheOn(/*readCache=*/true);
  tDataImageArk& d = OpenPattern(2000);
  Engine().compareWindow = true;
  uint8_t payload[100];
  d.SeekTo(500);
  ASSERT_EQ(d.ReadBlock(payload, 100), 0);
  EXPECT_EQ(d.Counters().cacheFills, 1u);
  EXPECT_EQ(d.Counters().cacheFillBytes, 100u);
  d.SeekTo(500);
  EXPECT_EQ(d.WriteBlock(payload, 100), 0);
  EXPECT_EQ(d.Counters().skippedWrites, 1u);
  EXPECT_EQ(d.Counters().blockWrites, 0u);
}

TEST_F(PayloadCacheTest, PayloadLongerThanTheCacheIsWrittenEveryTime) {
  WriteCacheOn(/*readCache=*/true);
  tDataImageArk& d = OpenPattern(300);
  Engine().compareWindow = true;
  Bytes big(kPayloadCacheSize + 100, 3);
  d.SeekTo(256);
  ASSERT_EQ(d.WriteBlock(big.data(), int32_t(big.size())), 0);
  d.SeekTo(256);
  ASSERT_EQ(d.ReadBlock(big.data(), int32_t(big.size())), 0);
  d.SeekTo(256);
  ASSERT_EQ(d.WriteBlock(big.data(), int32_t(big.size())), 0);
  EXPECT_EQ(d.Counters().skippedWrites, 0u);
  EXPECT_EQ(d.Counters().cacheFills, 0u);
}

TEST_F(PayloadCacheTest, ReopeningForgetsWhatWasCached) {
  WriteCacheOn();
  tDataImageArk& d = OpenPattern(2000);
  Engine().compareWindow = true;
  uint8_t payload[40] = {1, 2, 3};
  d.SeekTo(1000);
  d.WriteBlock(payload, 40);
  Bytes other = NewDatabaseFile();
  other.resize(2000);
  fs->Put("q.pdb256", other);
  d.Open("q.pdb256");
  Engine().compareWindow = true;
  d.SeekTo(1000);
  d.WriteBlock(payload, 40);
  EXPECT_EQ(fs->Get("q.pdb256")[1001], 2);
  EXPECT_EQ(d.Counters().skippedWrites, 0u);
}

TEST_F(PayloadCacheTest, CloseSwitchesTheWriteCacheOff) {
  WriteCacheOn();
  OpenPattern(300);
  EXPECT_EQ(Engine().payloadCache.size(), size_t(kPayloadCacheSize));
  Db().Close();
  EXPECT_FALSE(Engine().writeCache);
  EXPECT_TRUE(Engine().payloadCache.empty());
}

// ---- The record cache ----

using RecordCacheTest = DatabaseTest;

TEST_F(RecordCacheTest, AWriteOverTheCachedRecordMakesTheNextStoreReachTheFile) {
  WriteCacheOn();
  Bytes file = NewDatabaseFile();
  file.resize(512, 0x55);  // bytes after the header record
  fs->Put("r.pdb256", file);
  tDataImageArk& d = Db();
  d.Open("r.pdb256");
  ASSERT_TRUE(d.IsOpen());
  Datapointer& dp = *d.dp;
  ASSERT_EQ(dp.Load(0), 0);
  ASSERT_EQ(dp.Store(), 0);
  const Bytes stored = fs->Get("r.pdb256");
  int writes = fs->stats.writes;
  EXPECT_EQ(dp.Store(), 0);  // the same 256 bytes again: skipped
  EXPECT_EQ(fs->stats.writes, writes);

  // A write just after the record leaves it as it is: still skipped.
  uint8_t other = 7;
  d.SeekTo(256);
  ASSERT_EQ(d.WriteBlock(&other, 1), 0);
  writes = fs->stats.writes;
  dp.Store();
  EXPECT_EQ(fs->stats.writes, writes);

  // A write over the record's last byte: the next store must put the record back.
  d.SeekTo(255);
  ASSERT_EQ(d.WriteBlock(&other, 1), 0);
  writes = fs->stats.writes;
  dp.Store();
  EXPECT_EQ(fs->stats.writes, writes + 1);
  EXPECT_EQ(fs->Get("r.pdb256")[255], stored[255]);
}

// ---- Error texts ----

TEST(ErrorTextTest, UndocumentedRowsNameTheirCodeInHex) {
  EXPECT_EQ(ErrorText(40), "UDOKUMENTERT DOS FEIL, 28h");
  EXPECT_EQ(ErrorText(42), "UDOKUMENTERT DOS FEIL, 2Ah");
  EXPECT_EQ(ErrorText(49), "UDOKUMENTERT DOS FEIL, 31h");
  EXPECT_EQ(ErrorText(73), "UDOKUMENTERT DOSFEIL, 49h");
  EXPECT_EQ(ErrorText(79), "UDOKUMENTERT DOSFEIL, 4Fh");
  EXPECT_EQ(ErrorText(89), "UDOKUMENTERT DOS FEIL, 59h");
  EXPECT_EQ(ErrorText(91), "UDOKUMENTERT DOSFEIL, 61h");
  EXPECT_EQ(ErrorText(95), "UDOKUMENTERT DOSFEIL, 65h");
  EXPECT_EQ(ErrorText(99), "UDOKUMENTERT DOSFEIL, 69h");
  const char* hex = "0123456789ABCDEF";
  for (int code = 40; code <= 49; ++code)
    EXPECT_EQ(ErrorText(code), std::string("UDOKUMENTERT DOS FEIL, ") + hex[code / 16] + hex[code % 16] + "h");
  for (int code = 73; code <= 79; ++code)
    EXPECT_EQ(ErrorText(code), std::string("UDOKUMENTERT DOSFEIL, ") + hex[code / 16] + hex[code % 16] + "h");
  for (int code = 91; code <= 99; ++code)
    EXPECT_EQ(ErrorText(code), std::string("UDOKUMENTERT DOSFEIL, ") + hex[(code + 6) / 16] + hex[(code + 6) % 16] + "h");
}

TEST(ErrorTextTest, GapsAndCodesOutsideTheTableAreEmpty) {
  for (int code : {-1, 0, 107, 131, 149, 163, 199, 217, 1022}) EXPECT_EQ(ErrorText(code), "") << code;
  int withText = 0;
  for (int code = 1; code <= 216; ++code) withText += !ErrorText(code).empty();
  EXPECT_EQ(withText, 136);
  EXPECT_EQ(ErrorText(1), "Feil funksjonsnummer");
  EXPECT_EQ(ErrorText(39), "Disk full");
  EXPECT_EQ(ErrorText(211), "FORSØK PÅ Å KALLE OPP EN ABSTRAKT VIRITUELL METODE");
  EXPECT_EQ(ErrorText(216), "GENERELL BESKYTTELSE FEIL");
}

TEST(ErrorTextTest, ErrnoMapsOntoTheEngineNumbers) {
  EXPECT_EQ(ErrorCodeFromErrno(ENOENT, false), 2);
  EXPECT_EQ(ErrorCodeFromErrno(EACCES, false), 5);
  EXPECT_EQ(ErrorCodeFromErrno(EROFS, true), 5);
  EXPECT_EQ(ErrorCodeFromErrno(ENOSPC, true), 101);
  EXPECT_EQ(ErrorCodeFromErrno(EIO, false), 100);
  EXPECT_EQ(ErrorCodeFromErrno(EIO, true), 101);
  EXPECT_EQ(ErrorText(ErrorCodeFromErrno(EINVAL, false)), "");
}

}  // namespace
