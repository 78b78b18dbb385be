// A journal is applied only to the file it was written for, in a state its stopped change
// can have left; a journal that does not fit is kept aside, and a rollback that fails
// keeps its journal.
#include <gtest/gtest.h>

#include "store/cursor_fixture.h"
#include "store/fault_injection.h"
#include "store/journal.h"

using namespace qn;
using qn::test::Bytes;

namespace {

const std::string kJournal = JournalNameOf("t.pdb256");  // beside the fixture's file

// The file before a change that overwrote [256, 1280) (old bytes 0xAA, new 0xBB: three
// pieces) and appended 256 bytes, and that change's journal.
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
  const std::vector<uint8_t> b(512, 0xBB);
  if (proof) {
    j.newSize = 2048 + 256;
    j.newSums = {JournalSum(b.data(), 256), JournalSum(b.data(), 512), JournalSum(b.data(), 256)};
  }
  return EncodeJournal(j);
}

struct Left {
  const char* what;
  bool proof;  // the current format, or the first one
  size_t from, to, size;  // 0xBB over [from, to), the file cut or grown to `size`
  bool fits;
};

class JournalProofTest : public qn::test::CursorFixture, public ::testing::WithParamInterface<Left> {};

TEST_P(JournalProofTest, OnlyAJournalThatFitsIsRolledBackAForeignOneIsKeptAside) {
  const Left& c = GetParam();
  db.reset();
  Bytes left = OldFile();
  std::fill(left.begin() + c.from, left.begin() + c.to, 0xBB);
  left.resize(c.size, 0xCC);
  fs->Put(kFile, left);
  fs->Put(kJournal, JournalOf(c.proof));
  tDataImageArk reader(fs);  // changes nothing; shows the old file only from a journal that fits
  reader.Open(kFile, OpenPolicy::kInspect);
  EXPECT_EQ(reader.FileSizeOf(), c.fits ? 2048 : int64_t(c.size)) << c.what;
  reader.Close();
  Reopen();
  EXPECT_FALSE(fs->Exists(kJournal));
  EXPECT_EQ(File(), c.fits ? OldFile() : left) << c.what;
  EXPECT_EQ(db->JournalNotice().empty(), c.fits) << c.what;
  if (c.fits) return;
  auto aside = std::find_if(fs->files.begin(), fs->files.end(),
                            [](const auto& f) { return f.first.starts_with(kJournal + "-stale-"); });
  ASSERT_NE(aside, fs->files.end());
  EXPECT_EQ(*aside->second, JournalOf(c.proof));
  EXPECT_NE(db->JournalNotice().find(aside->first), std::string::npos);
  EXPECT_TRUE(Logged(db->JournalNotice()));
}

INSTANTIATE_TEST_SUITE_P(States, JournalProofTest,
                         ::testing::Values(Left{"nothing written yet", true, 0, 0, 2048, true},
                                           Left{"all written", true, 256, 1280, 2304, true},
                                           Left{"torn at a sector", true, 512, 1024, 2048, true},
                                           Left{"torn inside a sector", true, 300, 400, 2048, false},
                                           Left{"another byte", true, 1000, 1001, 2048, false},
                                           Left{"shorter than before", true, 0, 0, 1536, false},
                                           Left{"longer than after", true, 0, 0, 4096, false},
                                           Left{"first format, whole", false, 256, 1280, 2048, true},
                                           Left{"first format, shorter", false, 0, 0, 1536, false}));

using JournalPlaceTest = qn::test::CursorFixture;

TEST_F(JournalPlaceTest, AFileThatIsNoDatabaseIsRefusedBeforeItsJournalIsLookedAt) {
  const Bytes text(1000, 't');
  fs->Put("x.pdb256", text);
  fs->Put(JournalNameOf("x.pdb256"), JournalOf(true));
  tDataImageArk d(fs);
  d.Open("x.pdb256");
  EXPECT_EQ(d.LastError(), kErrorNotADatabase);
  EXPECT_EQ(fs->Get("x.pdb256"), text);
  EXPECT_EQ(fs->Get(JournalNameOf("x.pdb256")), JournalOf(true));
}

// Writes that fail part way, and a putting back that fails too: the journal stays, and the
// next opening with room puts the old file back.
TEST_F(JournalPlaceTest, AFailedRollbackKeepsTheJournalForTheNextOpening) {
  const std::vector<Position> top = TopList({"a", "b"});
  db.reset();
  const Bytes before = File();
  int journalsKept = 0;
  const qn::test::OpenFn open = [this] {
    auto d = std::make_unique<tDataImageArk>(fs);
    d->Open(kFile);
    return d;
  };
  for (int64_t budget = 0;; budget += 97) {
    qn::test::Reset(*fs, kFile, before);
    fs->writeBudget = budget;
    int32_t ended = 0;
    {
      std::unique_ptr<tDataImageArk> d = open();
      d->BeginChange();
      d->dp->Load(top[0]);
      WriteName(*d, std::string(200, 'r'));
      AddNamed(*d, DirDown, "new");
      ended = d->EndChange();
    }
    fs->writeBudget = -1;
    if (ended == 0) break;  // room for the whole change
    journalsKept += fs->Exists(kJournal);
    qn::test::ExpectOldOrNew(*fs, kFile, open, before, before, "budget " + std::to_string(budget));
  }
  EXPECT_GT(journalsKept, 0);
}

}  // namespace
