// A journal is applied only to the file it was written for, in a state its stopped change
// can have left; anything else in its place is never followed, applied or written through.
#include <gtest/gtest.h>

#include <algorithm>

#include "store/cursor_fixture.h"
#include "store/fault_injection.h"
#include "store/journal.h"

using namespace qn;
using qn::test::Bytes;

namespace {

constexpr const char* kDb = "j.pdb256";
const std::string kJournal = JournalNameOf(kDb);

// A database of 2,048 bytes and the journal of a change that overwrote [256, 1280) (old
// bytes 0xAA, new 0xBB: three pieces) and appended 256 bytes.
struct Case {
  const char* what;
  bool proof;                               // the current format, or the first one
  std::function<void(Bytes&)> leftBehind;   // what the stopped change left in the database
  bool fits;
};

Bytes OldFile() {
  Bytes bytes = qn::test::NewDatabaseFile();
  bytes.resize(2048, 0);
  std::fill(bytes.begin() + 256, bytes.begin() + 1280, 0xAA);
  return bytes;
}

Bytes JournalOf(bool proof) {
  JournalImage j;
  j.oldSize = 2048;
  j.extents = {{256, std::vector<uint8_t>(1024, 0xAA)}};
  if (proof) {
    j.newSize = 2048 + 256;
    const std::vector<uint8_t> piece(512, 0xBB);
    j.newSums = {JournalSum(piece.data(), 256), JournalSum(piece.data(), 512),
                 JournalSum(piece.data(), 256)};
  }
  return EncodeJournal(j);
}

void Fill(Bytes& b, size_t from, size_t to, uint8_t value) { std::fill(b.begin() + from, b.begin() + to, value); }

class JournalProofTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    ResetLogState();
    ResetSettingsState();
    Engine() = EngineState{};
    LoggingEnabled = true;
    fs = std::make_shared<qn::test::MemoryFileSystem>();
  }
  void TearDown() override { ResetLogState(); }
  std::vector<std::string> Stale() const {
    std::vector<std::string> out;
    for (const auto& [name, bytes] : fs->files)
      if (name.starts_with(kJournal + "-stale-")) out.push_back(name);
    return out;
  }
  std::shared_ptr<qn::test::MemoryFileSystem> fs;
};

TEST_P(JournalProofTest, OnlyAJournalThatFitsIsRolledBackAForeignOneIsKeptAside) {
  const Case& c = GetParam();
  Bytes left = OldFile();
  c.leftBehind(left);
  const Bytes journal = JournalOf(c.proof);
  fs->Put(kDb, left);
  fs->Put(kJournal, journal);
  {
    // A reader changes nothing, and shows the old file only from a journal that fits.
    tDataImageArk reader(fs);
    reader.Open(kDb, OpenPolicy::kInspect);
    ASSERT_TRUE(reader.IsOpen());
    EXPECT_EQ(reader.FileSizeOf(), c.fits ? 2048 : int64_t(left.size()));
    EXPECT_EQ(reader.JournalNotice().empty(), c.fits);
  }
  EXPECT_EQ(fs->Get(kDb), left);
  EXPECT_EQ(fs->Get(kJournal), journal);
  tDataImageArk db(fs);
  db.Open(kDb, OpenPolicy::kFromSettings);
  ASSERT_TRUE(db.IsOpen());
  EXPECT_FALSE(fs->Exists(kJournal));
  if (c.fits) {
    EXPECT_EQ(fs->Get(kDb), OldFile());
    EXPECT_TRUE(Stale().empty());
  } else {
    EXPECT_EQ(fs->Get(kDb), left);  // opened as it is
    ASSERT_EQ(Stale().size(), 1u);
    EXPECT_EQ(fs->Get(Stale()[0]), journal);
    EXPECT_NE(db.JournalNotice().find(Stale()[0]), std::string::npos) << db.JournalNotice();
    bool logged = false;
    for (const std::string& line : LogLines()) logged |= line.find("lagt til side som " + Stale()[0]) != std::string::npos;
    EXPECT_TRUE(logged);
  }
}

INSTANTIATE_TEST_SUITE_P(
    States, JournalProofTest,
    ::testing::Values(
        Case{"nothing written yet", true, [](Bytes&) {}, true},
        Case{"all written", true, [](Bytes& b) {
               Fill(b, 256, 1280, 0xBB);
               b.resize(2304, 0xCC);
             }, true},
        Case{"torn at a sector", true, [](Bytes& b) { Fill(b, 512, 1024, 0xBB); }, true},
        Case{"torn inside a sector", true, [](Bytes& b) { Fill(b, 300, 400, 0xBB); }, false},
        Case{"another byte", true, [](Bytes& b) { b[1000] = 0x01; }, false},
        Case{"shorter than before", true, [](Bytes& b) { b.resize(1536); }, false},
        Case{"longer than after", true, [](Bytes& b) { b.resize(4096); }, false},
        Case{"first format, whole", false, [](Bytes& b) { Fill(b, 256, 1280, 0xBB); }, true},
        Case{"first format, shorter", false, [](Bytes& b) { b.resize(1536); }, false}),
    [](const auto& info) {
      std::string name = info.param.what;
      std::replace_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(uint8_t(ch)); }, '_');
      return name;
    });

class JournalPlaceTest : public qn::test::CursorFixture {};

// A backup copied over the database while a stopped change's journal lay beside it.
TEST_F(JournalPlaceTest, AnOlderCopyPutInPlaceOfTheFileIsOpenedAsItIs) {
  const std::vector<Position> top = TopList({"a", "b", "c"});
  db.reset();
  const Bytes older = File();
  Reopen();
  dp().Load(top[2]);
  AddNamed(*db, DirDown, "d");
  db.reset();
  fs->changesUntilStop = 4;  // the journal is durable, the database half written
  try {
    qn::test::RunChange([this] {
      auto d = std::make_unique<tDataImageArk>(fs);
      d->Open(kFile);
      return d;
    }, [&](tDataImageArk& d) {
      d.dp->Load(top[0]);
      WriteName(d, std::string(300, 'x'));
      d.dp->Load(top[1]);
      d.dp->Delete();
    });
  } catch (const qn::test::MemoryFileSystem::SimulatedStop&) {
  }
  fs->Restart(false);
  ASSERT_TRUE(fs->Exists(JournalNameOf(kFile)));
  fs->Put(kFile, older);
  Reopen();
  EXPECT_EQ(File(), older);
  EXPECT_FALSE(db->JournalNotice().empty());
  ExpectConsistent();
}

TEST_F(JournalPlaceTest, NothingButAFreshRegularFileIsEverUsedAsTheJournal) {
  db.reset();
  const Bytes before = File();
  const std::string journal = JournalNameOf(kFile);
  fs->Put("victim", {'k', 'e', 'e', 'p'});
  const std::vector<std::function<void()>> plants = {
      [&] { fs->links[journal] = "victim"; },
      [&] { fs->links[journal] = "outside"; },  // dangling
      [&] { fs->others.insert(journal); },      // a folder or a pipe
  };
  for (size_t i = 0; i < plants.size(); ++i) {
    fs->links.clear();
    fs->others.clear();
    plants[i]();
    tDataImageArk writer(fs);
    writer.Open(kFile);
    EXPECT_FALSE(writer.IsOpen()) << i;
    EXPECT_EQ(writer.LastError(), kErrorJournalInTheWay) << i;
    EXPECT_NE(writer.JournalNotice().find(journal), std::string::npos) << i;
    tDataImageArk reader(fs);
    reader.Open(kFile, OpenPolicy::kInspect);
    EXPECT_TRUE(reader.IsOpen()) << i;
    EXPECT_EQ(File(), before) << i;
    EXPECT_EQ(fs->Get("victim"), Bytes({'k', 'e', 'e', 'p'})) << i;
    EXPECT_FALSE(fs->files.count("outside")) << i;
  }
  // Planted while a writer holds the file: its next change is refused, nothing written.
  fs->links.clear();
  fs->others.clear();
  Reopen();
  fs->links[journal] = "victim";
  db->BeginChange();
  dp().Load(0);
  AddNamed(*db, DirDown, "never");
  EXPECT_EQ(db->EndChange(), kErrorJournalInTheWay);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(fs->Get("victim"), Bytes({'k', 'e', 'e', 'p'}));
}

TEST_F(JournalPlaceTest, AFileThatIsNoDatabaseIsRefusedBeforeItsJournalIsLookedAt) {
  db.reset();
  const Bytes text(1000, 't');
  fs->Put("x.pdb256", text);
  const Bytes journal = JournalOf(true);
  fs->Put(JournalNameOf("x.pdb256"), journal);
  tDataImageArk d(fs);
  d.Open("x.pdb256");
  EXPECT_EQ(d.LastError(), kErrorNotADatabase);
  EXPECT_EQ(fs->Get("x.pdb256"), text);
  EXPECT_EQ(fs->Get(JournalNameOf("x.pdb256")), journal);
}

TEST_F(JournalPlaceTest, AJournalLargerThanAnyOfThisFileIsForeign) {
  db.reset();
  const Bytes before = File();
  Bytes big = JournalOf(true);
  big.resize(size_t(JournalBound(int64_t(before.size()))) + 1, 0);
  fs->Put(JournalNameOf(kFile), big);
  Reopen();
  EXPECT_EQ(File(), before);
  EXPECT_FALSE(fs->Exists(JournalNameOf(kFile)));
  EXPECT_FALSE(db->JournalNotice().empty());
}

// A change whose writes fail part way, and whose putting back fails too, leaves its
// journal; the next opening with room puts the old file back.
TEST_F(JournalPlaceTest, AFailedRollbackKeepsTheJournalForTheNextOpening) {
  const std::vector<Position> top = TopList({"a", "b"});
  db.reset();
  const Bytes before = File();
  int journalsKept = 0;
  for (int64_t budget = 0; budget < 4000; budget += 97) {
    qn::test::Reset(*fs, kFile, before);
    fs->writeBudget = budget;
    int32_t ended = 0;
    {
      tDataImageArk d(fs);
      d.Open(kFile);
      ASSERT_TRUE(d.IsOpen());
      d.BeginChange();
      d.dp->Load(top[0]);
      WriteName(d, std::string(200, 'r'));
      AddNamed(d, DirDown, "new");
      ended = d.EndChange();
    }
    fs->writeBudget = -1;
    if (ended == 0) break;  // room enough for the whole change
    journalsKept += fs->Exists(JournalNameOf(kFile));
    qn::test::ExpectOldOrNew(*fs, kFile, [this] {
      auto d = std::make_unique<tDataImageArk>(fs);
      d->Open(kFile);
      return d;
    }, before, before, "budget " + std::to_string(budget));
  }
  EXPECT_GT(journalsKept, 0);
}

}  // namespace
