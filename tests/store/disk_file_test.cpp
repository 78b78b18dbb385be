#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "env/block_file.h"
#include "env/settings.h"
#include "store/database.h"
#include "store/new_database_file.h"
#include "env/read_map.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "env/temp_env.h"

using namespace qn;
using qn::test::TempEnv;

namespace {

class DiskFileTest : public ::testing::Test {
 protected:
  TempEnv env;
  std::shared_ptr<FileSystem> disk = DiskFileSystem();
};

TEST_F(DiskFileTest, WritesAndReadsAtAnyPosition) {
  std::unique_ptr<BlockFile> f;
  ASSERT_EQ(disk->Create("a.bin", &f), 0);
  size_t moved = 0;
  ASSERT_EQ(f->Seek(10), 0);
  ASSERT_EQ(f->Write("hello", 5, &moved), 0);
  EXPECT_EQ(moved, 5u);
  EXPECT_EQ(f->Size(), 15);
  char buffer[8] = {};
  ASSERT_EQ(f->Seek(12), 0);
  EXPECT_EQ(f->Read(buffer, 8, &moved), 0);  // past the end: short, no error
  EXPECT_EQ(moved, 3u);
  EXPECT_EQ(std::string(buffer, 3), "llo");
  EXPECT_EQ(f->Seek(-1), kErrorNegativeSeek);
  EXPECT_EQ(f->Close(), 0);
}

TEST_F(DiskFileTest, RefusesWhatIsNotARegularFile) {
  std::unique_ptr<BlockFile> f;
  EXPECT_EQ(disk->Open("missing.bin", true, &f), 2);
  EXPECT_EQ(disk->Create("nodir/a.bin", &f), 2);
  std::filesystem::create_directory("folder");
  EXPECT_NE(disk->Open("folder", true, &f), 0);
  EXPECT_NE(disk->Open("folder", false, &f), 0);
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  EXPECT_NE(disk->Open("pipe", true, &f), 0);  // and does not wait for a writer
  EXPECT_EQ(f, nullptr);
}

TEST_F(DiskFileTest, ReadOnlyHandleDoesNotWrite) {
  TempEnv::WriteFile(env.Work() / "a.bin", "abc");
  std::unique_ptr<BlockFile> f;
  ASSERT_EQ(disk->Open("a.bin", true, &f), 0);
  size_t moved = 0;
  EXPECT_NE(f->Write("x", 1, &moved), 0);
  EXPECT_EQ(TempEnv::ReadFile(env.Work() / "a.bin"), "abc");
}

TEST_F(DiskFileTest, DatabaseCreatedOnDiskReadsBack) {
  tDataImageArk db;
  db.Open("d.pdb256", OpenPolicy::kCreate);
  ASSERT_TRUE(db.IsOpen());
  Position p = db.Allocate();
  uint8_t record[256] = {0, 1, 0, 0, 42};
  ASSERT_EQ(db.WriteBlock(record, 256), 0);
  db.Close();
  // The header record, then the block written at 256.
  qn::test::Bytes header = qn::test::NewDatabaseFile();
  std::string onDisk = TempEnv::ReadFile(env.Work() / "d.pdb256");
  ASSERT_EQ(onDisk.size(), 512u);
  EXPECT_EQ(onDisk.substr(0, 256), std::string(header.begin(), header.end()));
  db.Open("d.pdb256", OpenPolicy::kInspect);
  ASSERT_TRUE(db.IsOpen());
  uint8_t back[256] = {};
  db.SeekTo(p);
  EXPECT_EQ(db.ReadBlock(back, 256), 0);
  EXPECT_EQ(back[4], 42);
}

}  // namespace

namespace {

TEST_F(DiskFileTest, OneWriterAtATimeAndAWindowKeepsTheDatabaseToItself) {
  struct WaitBriefly {
    WaitBriefly() { tDataImageArk::lockWaitMilliseconds = 100; }
    ~WaitBriefly() { tDataImageArk::lockWaitMilliseconds = 10000; }
  } brief;
  {
    tDataImageArk maker;
    maker.Open("d.pdb256", OpenPolicy::kCreate);
    ASSERT_TRUE(maker.IsOpen());
  }
  tDataImageArk window;
  window.SetOpenRole(OpenRole::kWindow);
  window.Open("d.pdb256");
  ASSERT_TRUE(window.IsOpen());
  EXPECT_FALSE(window.ReadOnly());
  // A second window reads only; a tool may not change it; a tool may read it.
  tDataImageArk second;
  second.SetOpenRole(OpenRole::kWindow);
  second.Open("d.pdb256");
  ASSERT_TRUE(second.IsOpen());
  EXPECT_TRUE(second.ReadOnly());
  EXPECT_TRUE(second.HeldElsewhere());
  tDataImageArk tool;
  tool.Open("d.pdb256");
  EXPECT_FALSE(tool.IsOpen());
  EXPECT_EQ(tool.LastError(), kErrorHeldByWindow);
  tDataImageArk reader;
  reader.Open("d.pdb256", OpenPolicy::kInspect);
  EXPECT_TRUE(reader.IsOpen());
  reader.Close();
  second.Close();
  window.Close();
  // Two tool writers: the second waits, then gives up.
  tool.Open("d.pdb256");
  ASSERT_TRUE(tool.IsOpen());
  tDataImageArk other;
  other.Open("d.pdb256");
  EXPECT_FALSE(other.IsOpen());
  EXPECT_EQ(other.LastError(), kErrorBusy);
  tool.Close();
  other.Open("d.pdb256");
  EXPECT_TRUE(other.IsOpen());
}

TEST_F(DiskFileTest, TheBackupCopyReplacesALinkAndKeepsTheDatabasesPermissions) {
  {
    tDataImageArk maker;
    maker.Open("d.pdb256", OpenPolicy::kCreate);
    ASSERT_TRUE(maker.IsOpen());
  }
  ASSERT_EQ(::chmod("d.pdb256", 0600), 0);
  TempEnv::WriteFile(env.Work() / "victim.txt", "keep");
  ASSERT_EQ(::symlink((env.Work() / "victim.txt").c_str(), "d.pdb256.backup"), 0);
  SharedSettings().Set(kEngineSection, "CreateBackup", "1");
  tDataImageArk db;
  db.Open("d.pdb256");
  ASSERT_TRUE(db.IsOpen());
  EXPECT_EQ(db.BackupError(), 0);
  EXPECT_EQ(TempEnv::ReadFile(env.Work() / "victim.txt"), "keep");
  struct stat st {};
  ASSERT_EQ(::lstat("d.pdb256.backup", &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(TempEnv::ReadFile(env.Work() / "d.pdb256.backup"), TempEnv::ReadFile(env.Work() / "d.pdb256"));
}

// Reads come through a memory map of the file: every write, by this object or by another
// program, must be seen at once, and a file that another program cuts short must read
// short instead of ending the program.
TEST_F(DiskFileTest, ReadsThroughTheMapSeeEveryWriteAndSurviveAFileCutShortElsewhere) {
  std::unique_ptr<BlockFile> f;
  ASSERT_EQ(disk->Create("m.bin", &f), 0);
  ASSERT_TRUE(f->CheapReads());
  const std::string block(10000, 'a');
  size_t moved = 0;
  ASSERT_EQ(f->Write(block.data(), block.size(), &moved), 0);
  const auto readAt = [&](int64_t at, size_t count) {
    std::string out(count, '\0');
    size_t got = 0;
    EXPECT_EQ(f->Seek(at), 0);
    EXPECT_EQ(f->Read(out.data(), count, &got), 0);
    out.resize(got);
    return out;
  };
  EXPECT_EQ(readAt(100, 4), "aaaa");  // maps the file
  ASSERT_EQ(f->Seek(101), 0);
  ASSERT_EQ(f->Write("XY", 2, &moved), 0);
  EXPECT_EQ(readAt(100, 4), "aXYa");
  {
    const int other = ::open("m.bin", O_WRONLY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::pwrite(other, "Z", 1, 103), 1);
    ::close(other);
  }
  EXPECT_EQ(readAt(100, 4), "aXYZ");
  EXPECT_EQ(readAt(9998, 10), "aa");  // the end of the file
  // Reads past the end (records a change holds back lie there) read nothing and leave
  // the file's end where it is: later reads inside the map never meet a missing page.
  const uint64_t cuts = ReadMap::Cuts();
  EXPECT_EQ(readAt(50000, 4), "");
  EXPECT_EQ(readAt(30000, 4), "");
  EXPECT_EQ(readAt(20000, 4), "");
  EXPECT_EQ(ReadMap::Cuts(), cuts);
  EXPECT_EQ(readAt(9000, 2), "aa");

  // Grown far past what was mapped, and cut back by this object.
  const int64_t far = int64_t(200) << 20;
  ASSERT_EQ(f->Seek(far), 0);
  ASSERT_EQ(f->Write("far", 3, &moved), 0);
  EXPECT_EQ(readAt(far, 3), "far");
  EXPECT_EQ(readAt(far - 2, 2), std::string(2, '\0'));
  ASSERT_EQ(f->Truncate(5000), 0);
  EXPECT_EQ(readAt(4998, 10), "aa");
  EXPECT_EQ(readAt(far, 3), "");

  // Cut short by another program while mapped: the pages past the new end are gone (the
  // rest of the last page reads as zeros until the new size is seen).
  EXPECT_EQ(readAt(4500, 4), "aaaa");
  ASSERT_EQ(::truncate("m.bin", 10), 0);
  EXPECT_EQ(readAt(4500, 4), "");
  EXPECT_EQ(ReadMap::Cuts(), cuts + 1);
  EXPECT_EQ(f->Size(), 10);
  EXPECT_EQ(readAt(8, 8), "aa");
  ASSERT_EQ(f->Seek(20), 0);
  ASSERT_EQ(f->Write("again", 5, &moved), 0);
  EXPECT_EQ(readAt(20, 5), "again");
  EXPECT_EQ(f->Close(), 0);

  // A SIGBUS that is not about a map of a database file still ends the program.
  EXPECT_DEATH(
      {
        const int fd = ::open("m.bin", O_RDWR);
        ASSERT_EQ(::ftruncate(fd, 8192), 0);
        auto* page = static_cast<volatile char*>(::mmap(nullptr, 8192, PROT_READ, MAP_SHARED, fd, 0));
        ASSERT_EQ(::ftruncate(fd, 0), 0);
        std::printf("%d", page[4096]);
      },
      "");
}

// A view hands out the file's bytes where they lie (in the map, or read once in a window):
// never past the file's end, the file's newest bytes after a write, nothing of what a cut
// took away once the cut is seen.
TEST_F(DiskFileTest, ViewsShowTheFilesOwnBytesAndNeverPastItsEnd) {
  for (const auto& files : {disk, ReadOnceFiles(disk)}) {
    std::unique_ptr<BlockFile> f;
    ASSERT_EQ(files->Create("v.bin", &f), 0);
    size_t moved = 0;
    ASSERT_EQ(f->Write(std::string(10000, 'a').data(), 10000, &moved), 0);
    ASSERT_EQ(f->Close(), 0);
    ASSERT_EQ(files->Open("v.bin", false, &f), 0);
    const auto view = [&](int64_t at, size_t count) {
      const uint8_t* bytes = f->View(at, count);
      const std::string seen = bytes ? std::string(reinterpret_cast<const char*>(bytes), count) : "-";
      return f->ViewIntact() ? seen : "cut";
    };
    EXPECT_EQ(view(9996, 4), "aaaa");
    EXPECT_EQ(view(9997, 4), "-");
    EXPECT_EQ(view(-1, 4), "-");
    ASSERT_EQ(f->Seek(101), 0);
    ASSERT_EQ(f->Write("XY", 2, &moved), 0);
    EXPECT_EQ(view(100, 4), "aXYa");
    ASSERT_EQ(f->Truncate(5000), 0);
    EXPECT_EQ(view(4998, 4), "-");
    EXPECT_EQ(view(4996, 4), "aaaa");
    ASSERT_EQ(::truncate("v.bin", 10), 0);  // by another program
    const std::string after = view(4500, 4);
    EXPECT_TRUE(after == "cut" || after == "aaaa") << after;  // a window may still hold it
    EXPECT_EQ(f->Size(), 10);
    EXPECT_EQ(view(4500, 4), "-");
    EXPECT_EQ(view(6, 4), "aaaa");
    EXPECT_EQ(f->Close(), 0);
    ASSERT_EQ(files->Remove("v.bin"), 0);
  }
}

// Made by the engine on disk, with its header record only.
void MakeDatabase(const char* name) {
  tDataImageArk maker;
  maker.Open(name, OpenPolicy::kCreate);
  ASSERT_TRUE(maker.IsOpen());
}

// The journal's place on a real disk: a link (dangling or not), a folder or a pipe is never
// followed, opened or written through, also when planted while a window holds the file; a
// sparse journal of 64 GiB is foreign and never read whole.
TEST_F(DiskFileTest, NoJournalIsFollowedAndNoneIsReadWhole) {
  MakeDatabase("d.pdb256");
  const std::string before = TempEnv::ReadFile(env.Work() / "d.pdb256");
  TempEnv::WriteFile(env.Work() / "victim.txt", "keep");
  const std::vector<std::function<int()>> plants = {
      [] { return ::symlink("victim.txt", "d.pdb256-journal"); },
      [] { return ::symlink("outside.txt", "d.pdb256-journal"); },
      [] { return ::mkdir("d.pdb256-journal", 0700); },
      [] { return ::mkfifo("d.pdb256-journal", 0600); },
  };
  for (size_t i = 0; i < plants.size(); ++i) {
    ASSERT_EQ(plants[i](), 0) << i;
    tDataImageArk writer, reader;
    writer.Open("d.pdb256");
    EXPECT_EQ(writer.LastError(), kErrorJournalInTheWay) << i;
    EXPECT_NE(writer.JournalNotice().find("d.pdb256-journal"), std::string::npos) << i;
    reader.Open("d.pdb256", OpenPolicy::kInspect);
    EXPECT_TRUE(reader.IsOpen()) << i;
    std::filesystem::remove("d.pdb256-journal");
  }
  tDataImageArk window;
  window.SetOpenRole(OpenRole::kWindow);
  window.Open("d.pdb256");
  ASSERT_FALSE(window.ReadOnly());
  ASSERT_EQ(::symlink("victim.txt", "d.pdb256-journal"), 0);
  window.BeginChange();
  window.dp->Load(0);
  AddNamed(window, DirDown, "never");
  EXPECT_EQ(window.EndChange(), kErrorJournalInTheWay);
  window.Close();
  std::filesystem::remove("d.pdb256-journal");
  EXPECT_EQ(TempEnv::ReadFile(env.Work() / "victim.txt"), "keep");
  EXPECT_FALSE(std::filesystem::exists("outside.txt"));
  EXPECT_EQ(TempEnv::ReadFile(env.Work() / "d.pdb256"), before);

  TempEnv::WriteFile(env.Work() / "d.pdb256-journal", "QUILLNET-JRNL-02");
  ASSERT_EQ(::truncate("d.pdb256-journal", int64_t(64) << 30), 0);
  window.SetOpenRole(OpenRole::kTool);
  window.Open("d.pdb256", OpenPolicy::kInspect);
  EXPECT_TRUE(window.IsOpen());
  window.Open("d.pdb256");
  ASSERT_TRUE(window.IsOpen());
  EXPECT_EQ(KeptAsideJournals("d.pdb256").size(), 1u);
  EXPECT_EQ(TempEnv::ReadFile(env.Work() / "d.pdb256"), before);
}

// A window that meets a tool holding the writer's lock reads only, says so, and holds no
// lock that keeps the next tool out once the first is done.
TEST_F(DiskFileTest, AWindowOpenedBesideAToolNeitherWritesNorKeepsTheNextToolOut) {
  MakeDatabase("d.pdb256");
  tDataImageArk tool, window, next;
  tool.Open("d.pdb256");
  window.SetOpenRole(OpenRole::kWindow);
  window.Open("d.pdb256");
  EXPECT_TRUE(window.IsOpen() && window.ReadOnly() && window.HeldElsewhere());
  tool.Close();
  next.Open("d.pdb256");
  EXPECT_EQ(next.LastError(), 0);
}

// The largest Position bounds a block's end, not only its start.
TEST_F(DiskFileTest, ABlockThatWouldEndPastTheLargestPositionIsRefusedAndTheFileKept) {
  MakeDatabase("d.pdb256");
  const std::string header = TempEnv::ReadFile(env.Work() / "d.pdb256");
  ASSERT_EQ(::truncate("d.pdb256", INT32_MAX - 100), 0);
  tDataImageArk db;
  db.Open("d.pdb256");
  db.BeginChange();
  db.dp->Load(0);
  AddNamed(db, DirDown, "past the end");
  EXPECT_EQ(db.EndChange(), kErrorWriteFault);
  db.Close();
  std::string now(257, '\0');
  std::FILE* f = std::fopen("d.pdb256", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::fread(now.data(), 1, 257, f), 257u);
  std::fclose(f);
  EXPECT_EQ(now, header + '\0');
  EXPECT_EQ(std::filesystem::file_size("d.pdb256"), uintmax_t(INT32_MAX - 100));
}

TEST_F(DiskFileTest, TheBackupCopyKeepsGroupBitsUnderANarrowUmask) {
  MakeDatabase("d.pdb256");
  ASSERT_EQ(::chmod("d.pdb256", 0660), 0);
  const mode_t saved = ::umask(077);
  SharedSettings().Set(kEngineSection, "CreateBackup", "1");
  tDataImageArk db;
  db.Open("d.pdb256");
  ::umask(saved);
  ASSERT_EQ(db.BackupError(), 0);
  EXPECT_EQ(std::filesystem::status("d.pdb256.backup").permissions(), std::filesystem::perms(0660));
}

}  // namespace
