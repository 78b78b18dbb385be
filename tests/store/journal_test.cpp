#include <gtest/gtest.h>

#include "store/cursor_fixture.h"
#include "store/fault_injection.h"
#include "store/journal.h"

using namespace qn;
using qn::test::Bytes;

namespace {

TEST(PendingWritesTest, OverlappingAndTouchingWritesMergeAndReadsSeeTheLast) {
  PendingWrites p;
  const uint8_t a[4] = {1, 1, 1, 1}, b[4] = {2, 2, 2, 2}, c[2] = {3, 3};
  p.Write(10, a, 4);
  p.Write(20, b, 4);
  p.Write(14, c, 2);  // touches the first
  p.Write(12, b, 4);  // overlaps the first, in the middle
  EXPECT_EQ(p.Extents().size(), 2u);
  EXPECT_EQ(p.End(), 24);
  uint8_t buffer[16] = {};
  p.Overlay(8, buffer, 16);
  const uint8_t expected[16] = {0, 0, 1, 1, 2, 2, 2, 2, 0, 0, 0, 0, 2, 2, 2, 2};
  EXPECT_EQ(0, std::memcmp(buffer, expected, 16));
  // A write that begins before an extent and reaches into the next joins all three.
  p.Write(8, c, 2);
  p.Write(6, a, 4);
  p.Write(16, b, 4);
  ASSERT_EQ(p.Extents().size(), 1u);
  EXPECT_EQ(p.Extents().begin()->first, 6);
  EXPECT_EQ(p.Bytes(), 18u);
  p.Overlay(8, buffer, 16);
  const uint8_t joined[16] = {1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
  EXPECT_EQ(0, std::memcmp(buffer, joined, 16));
}

TEST(JournalFileTest, RoundTripsAndRefusesAnythingCutShortOrChanged) {
  JournalImage j;
  j.oldSize = 1234;
  j.extents = {{256, {1, 2, 3}}, {1000, {}}, {512, std::vector<uint8_t>(300, 7)}};
  const std::vector<uint8_t> bytes = EncodeJournal(j);
  JournalImage back;
  ASSERT_TRUE(DecodeJournal(bytes, &back));
  EXPECT_EQ(back.oldSize, 1234);
  EXPECT_EQ(back.extents, j.extents);
  for (size_t cut : {size_t(0), size_t(10), bytes.size() / 2, bytes.size() - 1})
    EXPECT_FALSE(DecodeJournal(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut), &back)) << cut;
  std::vector<uint8_t> flipped = bytes;
  flipped[40] ^= 1;
  EXPECT_FALSE(DecodeJournal(flipped, &back));
}

class AtomicChangeTest : public qn::test::CursorFixture {
 protected:
  void SetUp() override {
    CursorFixture::SetUp();
    top = TopList({"a", "b", "c"});
    Reopen();
    db.reset();
  }
  std::unique_ptr<tDataImageArk> Open() {
    auto d = std::make_unique<tDataImageArk>(fs);
    d->Open(kFile, OpenPolicy::kFromSettings);
    return d;
  }
  int64_t AllOrNothing(const qn::test::ChangeFn& change) {
    return qn::test::ExpectAllOrNothing(*fs, kFile, [this] { return Open(); }, change);
  }
  std::vector<Position> top;
};

TEST_F(AtomicChangeTest, EveryStructureChangeIsWholeOrAbsentAfterAStopAnywhere) {
  // A new record in each direction, with its name: links, record and name block together.
  EXPECT_GT(AllOrNothing([&](tDataImageArk& d) {
              d.dp->Load(top[1]);
              AddNamed(d, DirDown, "between b and c");
            }),
            3);
  AllOrNothing([&](tDataImageArk& d) {
    d.dp->Load(top[0]);
    AddNamed(d, DirRight, "first of a's list");
  });
  AllOrNothing([&](tDataImageArk& d) {
    d.dp->Load(top[2]);
    d.dp->SetLastDirection(DirLeft);
    AddNamed(d, DirLeft, "left of c");
  });
  // A rename that needs a new name block, a delete and a move.
  AllOrNothing([&](tDataImageArk& d) {
    d.dp->Load(top[0]);
    WriteName(d, std::string(200, 'n'));
  });
  AllOrNothing([&](tDataImageArk& d) {
    d.dp->Load(top[1]);
    d.dp->Delete();
  });
  AllOrNothing([&](tDataImageArk& d) {
    d.dp->Load(top[0]);
    d.dp->MoveDown();
  });
}

TEST_F(AtomicChangeTest, ReadsInsideAChangeSeeItsWritesAndAnAbandonedChangeLeavesNoTrace) {
  const Bytes before = File();
  std::unique_ptr<tDataImageArk> d = Open();
  d->BeginChange();
  d->dp->Load(top[0]);
  const Position made = AddNamed(*d, DirDown, "pending");
  EXPECT_EQ(File(), before);  // nothing in the file yet
  EXPECT_EQ(d->FileSizeOf(), int64_t(made) + 256 + kNameBlockSize);
  d->dp->Load(top[0]);
  EXPECT_EQ(d->dp->Down(), made);
  EXPECT_EQ(ReadName(*d), "a");
  d->dp->Load(made);
  EXPECT_EQ(ReadName(*d), "pending");
  d->AbandonChange();
  EXPECT_EQ(File(), before);
  EXPECT_EQ(d->FileSizeOf(), int64_t(before.size()));
  d->dp->Load(top[0]);
  EXPECT_EQ(d->dp->Down(), top[1]);
}

TEST_F(AtomicChangeTest, WritesStoredPartWayThroughAChangeStayWhenTheRestIsAbandoned) {
  std::unique_ptr<tDataImageArk> d = Open();
  d->BeginChange();
  d->BeginChange();
  d->dp->Load(top[0]);
  const Position kept = AddNamed(*d, DirDown, "kept");
  d->EndChange();
  ASSERT_EQ(d->CommitChangeSoFar(), 0);
  EXPECT_TRUE(d->InChange());
  const Bytes stored = File();
  EXPECT_EQ(int64_t(stored.size()), int64_t(kept) + 256 + kNameBlockSize);
  d->dp->Load(kept);
  AddNamed(*d, DirDown, "dropped");
  EXPECT_EQ(File(), stored);
  d->AbandonChange();
  EXPECT_EQ(File(), stored);
  EXPECT_FALSE(d->InChange());
  d->dp->Load(kept);
  EXPECT_EQ(ReadName(*d), "kept");
  EXPECT_EQ(d->dp->Down(), top[1]);
}

TEST_F(AtomicChangeTest, AReadOnlyOpeningShowsTheFileAsItWasBeforeAnUnfinishedChange) {
  const Bytes before = File();
  fs->changesUntilStop = 4;  // the journal is made, the database half written
  try {
    qn::test::RunChange([this] { return Open(); }, [&](tDataImageArk& d) {
      d.dp->Load(top[1]);
      AddNamed(d, DirDown, "half");
    });
  } catch (const qn::test::MemoryFileSystem::SimulatedStop&) {
  }
  fs->Restart(false);
  ASSERT_TRUE(fs->Exists(JournalNameOf(kFile)));
  const Bytes half = File();
  tDataImageArk reader(fs);
  reader.Open(kFile, OpenPolicy::kInspect);
  ASSERT_TRUE(reader.IsOpen());
  EXPECT_EQ(reader.FileSizeOf(), int64_t(before.size()));
  EXPECT_TRUE(CheckConsistency(reader).empty());
  reader.dp->Load(top[1]);
  EXPECT_EQ(reader.dp->Down(), top[2]);
  EXPECT_EQ(File(), half);  // the reader changed nothing
  reader.Close();
  Open();  // the next writer rolls it back
  EXPECT_EQ(File(), before);
  EXPECT_FALSE(fs->Exists(JournalNameOf(kFile)));
}

TEST_F(AtomicChangeTest, AFileThatIsNoDatabaseIsRefusedAndNeverWritten) {
  for (const Bytes& bytes : {Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, Bytes(8192, 0), Bytes(300, 0xA5)}) {
    fs->Put("x.pdb256", bytes);
    tDataImageArk d(fs);
    d.Open("x.pdb256", OpenPolicy::kFromSettings);
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.LastError(), kErrorNotADatabase);
    EXPECT_EQ(fs->Get("x.pdb256"), bytes);
  }
}

}  // namespace
