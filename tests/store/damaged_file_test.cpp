// Damaged files, built byte by byte: pointer cycles, Positions outside the file or inside
// another block, and blocks whose sizes run past the end. Opening, walking, searching and
// reading them must end, stay inside the buffers (the sanitizers watch), and say so.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "env/temp_env.h"
#include "store/cursor_fixture.h"
#include "store/consistency_check.h"
#include "store/record_blocks.h"
#include "store/record_reader.h"
#include "store/tree_walk.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::CursorFixture;
using qn::test::NewDatabaseFile;
using qn::test::PutI32;

namespace {

// Appends a clean, unlinked pointer record; its Position.
Position AppendRecord(Bytes& f, int32_t kind = kKindEmpty) {
  Position p = Position(f.size());
  f.resize(f.size() + kPointerRecordSize, 0);
  PutI32(f, p + kSizeOffset, kPointerRecordSize);
  PutI32(f, p + kPositionOffset, p);
  PutI32(f, p + kKindOffset, kind);
  f[p + kSignatureOffset] = uint8_t(kSignature.size());
  std::memcpy(f.data() + p + kSignatureOffset + 1, kSignature.data(), kSignature.size());
  return p;
}

// Appends a 264-byte name block for `owner` and names the owner by it; its Position.
Position AppendName(Bytes& f, Position owner, const std::string& text) {
  Position b = Position(f.size());
  f.resize(f.size() + kNameBlockSize, 0);
  PutI32(f, b, kNameBlockSize);
  PutI32(f, b + kNameOwnerOffset, owner);
  f[b + kNameLengthOffset] = uint8_t(text.size());
  std::memcpy(f.data() + b + kNameTextOffset, text.data(), text.size());
  PutI32(f, owner + kNameBlockOffset, b);
  PutI32(f, owner + kKindOffset, kKindNamed);
  return b;
}

class DamagedFileTest : public CursorFixture {
 protected:
  // Opens the hand-built file; the cursor is on the file header.
  void Use(const Bytes& f) {
    fs->Put(kFile, f);
    Reopen();
  }
  std::vector<std::string> Faults() {
    std::vector<std::string> out;
    for (const auto& fault : CheckConsistency(*db)) out.push_back(FormatFault(fault));
    return out;
  }
  bool HasFault(const std::string& text) {
    for (const auto& f : Faults())
      if (f == text) return true;
    return false;
  }
};

TEST_F(DamagedFileTest, ARecordWhoseDownIsItselfEndsEveryWalkAndSearch) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f);
  AppendName(f, a, "A");
  PutI32(f, kDownOffset, a);      // header -> A
  PutI32(f, a + kDownOffset, a);  // A's down points at A itself
  Use(f);
  dp().Load(a);
  dp().GoLast();
  EXPECT_EQ(dp().CurrentPosition(), a);
  EXPECT_EQ(dp().GoToIndex(1000), -1);
  EXPECT_EQ(ScanForString(*db, "missing", true), -1);
  EXPECT_EQ(ScanForString(*db, "A", true), a);
  EXPECT_TRUE(HasFault(std::to_string(a) + ": down " + std::to_string(a) + " has up 0"));
  EXPECT_TRUE(HasFault(std::to_string(a) + ": down " + std::to_string(a) +
                       " leads to a record already reached"));
}

TEST_F(DamagedFileTest, TwoRecordsLinkedInACircleAreVisitedOnce) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f);
  Position b = AppendRecord(f);
  Position c = AppendRecord(f);
  AppendName(f, c, "Target");
  PutI32(f, kDownOffset, a);
  PutI32(f, a + kRightOffset, b);  // A's sub-list: B -> B2 -> B ...
  Position b2 = AppendRecord(f);
  PutI32(f, b + kLeftOffset, a);
  PutI32(f, b + kDownOffset, b2);
  PutI32(f, b2 + kUpOffset, b);
  PutI32(f, b2 + kDownOffset, b);  // ... back to B
  PutI32(f, a + kDownOffset, c);   // and the record after A
  PutI32(f, c + kUpOffset, a);
  Use(f);
  dp().Load(b);
  EXPECT_EQ(dp().GoLast(), 0);  // bounded: it stops somewhere in the circle
  EXPECT_EQ(ScanForString(*db, "Target", true), c);
  EXPECT_TRUE(HasFault(std::to_string(b2) + ": down " + std::to_string(b) +
                       " leads to a record already reached"));
}

TEST_F(DamagedFileTest, ARightThatLeadsBackUpEndsTheSearch) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f);
  Position b = AppendRecord(f);
  PutI32(f, kDownOffset, a);
  PutI32(f, a + kRightOffset, b);
  PutI32(f, b + kLeftOffset, a);
  PutI32(f, b + kRightOffset, a);  // B's sub-list is A, its own grandparent
  Use(f);
  dp().Load(b);
  EXPECT_EQ(ScanForString(*db, "missing", false), -1);
  EXPECT_EQ(ScanForString(*db, "missing", true), -1);
  EXPECT_EQ(dp().CurrentPosition(), b);
  EXPECT_FALSE(Faults().empty());
}

TEST_F(DamagedFileTest, PointersOutsideTheFileOrIntoAnotherBlockAreNotFollowed) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f);
  Position nb = AppendName(f, a, "A");
  PutI32(f, kDownOffset, a);
  PutI32(f, a + kDownOffset, 1 << 30);  // far past the end
  PutI32(f, a + kRightOffset, -512);    // negative
  PutI32(f, a + kInwardOffset, nb);     // the name block, not a record
  PutI32(f, a + kOutwardOffset, a + 4); // the middle of A itself
  Use(f);
  dp().Load(a);
  EXPECT_EQ(dp().GoDown(), -1);
  EXPECT_EQ(dp().GoRight(), -1);
  EXPECT_EQ(dp().GoInward(), -1);
  EXPECT_EQ(dp().GoOutward(), -1);
  EXPECT_EQ(dp().CurrentPosition(), a);
  EXPECT_TRUE(Logged("QUILLAPI: damaged pointer from pos " + std::to_string(a) + " to " +
                     std::to_string(1 << 30)));
  EXPECT_EQ(ScanForString(*db, "B", true), -1);
  std::string at = std::to_string(a) + ": ";
  EXPECT_TRUE(HasFault(at + "down 1073741824 lies outside the file"));
  EXPECT_TRUE(HasFault(at + "right -512 is negative"));
  EXPECT_TRUE(HasFault(at + "inward " + std::to_string(nb) + " is not a record (size 264, Position " +
                       std::to_string(a) + ")"));
}

TEST_F(DamagedFileTest, AHeaderThatPointsOutsideTheFileOpensAndFindsNothing) {
  Bytes f = NewDatabaseFile();
  PutI32(f, kDownOffset, 123456);
  Use(f);
  EXPECT_EQ(ScanForString(*db, "", true), -1);
  EXPECT_EQ(dp().CurrentPosition(), 0);
  EXPECT_TRUE(HasFault("0: down 123456 lies outside the file"));
}

TEST_F(DamagedFileTest, ANameBlockWithTooLargeASizeOrLengthIsReadWithinItsBytes) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f);
  Position nb = AppendName(f, a, "Abc");
  PutI32(f, kDownOffset, a);
  PutI32(f, nb, 70000);     // size far above 264
  f[nb + 8] = 255;          // length byte claims 255 characters
  f.resize(nb + 9 + 20);    // but the file ends 20 characters in
  Use(f);
  dp().Load(a);
  std::string name = ReadName(*db);
  EXPECT_EQ(name.size(), 20u);
  EXPECT_EQ(name.substr(0, 3), "Abc");
  EXPECT_EQ(ScanForString(*db, "Abc", true), -1);
  EXPECT_TRUE(HasFault(std::to_string(a) + ": name block " + std::to_string(nb) +
                       " has size 70000"));
}

TEST_F(DamagedFileTest, ANameBlockSmallerThanItsLengthByteGivesOnlyItsBytes) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f);
  Position nb = AppendName(f, a, "Abcdef");
  PutI32(f, kDownOffset, a);
  PutI32(f, nb, 12);  // room for three characters
  Use(f);
  dp().Load(a);
  EXPECT_EQ(ReadName(*db), "Abc");
}

TEST_F(DamagedFileTest, RenamingARecordWhoseNameBlockIsOutsideTheFileMakesANewBlock) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f, kKindNamed);
  PutI32(f, kDownOffset, a);
  PutI32(f, a + kNameBlockOffset, 1 << 20);
  Use(f);
  dp().Load(a);
  EXPECT_EQ(ReadName(*db), "");
  WriteName(*db, "Fixed");
  EXPECT_EQ(File().size(), size_t(a + 256 + 264));
  EXPECT_EQ(NameAt(a), "Fixed");
  EXPECT_EQ(At(a, kKindOffset), kKindNamed);
  ExpectConsistent();
}

TEST_F(DamagedFileTest, ADataBlockWhoseSizeRunsPastTheEndIsCutAtTheEnd) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f, kKindData);
  PutI32(f, kDownOffset, a);
  Position block = Position(f.size());
  PutI32(f, a + kDataBlockOffset, block);
  PutI32(f, block, 1000000);  // claims a megabyte
  f.resize(block + 16 + 6, 0x33);
  Use(f);
  dp().Load(a);
  EXPECT_EQ(DataLength(*db), 6);
  std::array<uint8_t, 64> buf{};
  EXPECT_EQ(ReadData(*db, buf), 6);
  std::vector<uint8_t> big(100, 0x44);
  RewriteData(*db, big);
  EXPECT_EQ(File().size(), size_t(block + 22));
  EXPECT_TRUE(HasFault(std::to_string(a) + ": data block " + std::to_string(block) +
                       " of 1000000 bytes runs past the end of the file"));
}

TEST_F(DamagedFileTest, ADataBlockSmallerThanItsHeadHasNoPayload) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f, kKindData);
  PutI32(f, kDownOffset, a);
  Position block = Position(f.size());
  PutI32(f, a + kDataBlockOffset, block);
  PutI32(f, block, 3);
  f.resize(block + 40, 0);
  Use(f);
  dp().Load(a);
  std::array<uint8_t, 8> buf{};
  EXPECT_EQ(ReadData(*db, buf), 0);
  EXPECT_EQ(DataLength(*db), 0);
}

TEST_F(DamagedFileTest, ATruncatedNoteIsReadAsFarAsItGoesAndNeverWritten) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f, kKindNote);
  PutI32(f, kDownOffset, a);
  Position nb = Position(f.size());
  PutI32(f, a + kNoteBlockOffset, nb);
  PutI32(f, nb, kNoteBlockSize);
  PutI32(f, nb + 12, 1);
  f.resize(nb + 16 + 100, 'n');
  Use(f);
  dp().Load(a);
  std::array<uint8_t, kNoteTextSize> text;
  text.fill(0xFF);
  EXPECT_EQ(ReadNote(*db, text), 100);
  EXPECT_EQ(text[99], 'n');
  EXPECT_EQ(text[100], 0);
  Bytes before = File();
  EXPECT_EQ(WriteNote(*db, text), -1);
  EXPECT_EQ(File(), before);
}

TEST_F(DamagedFileTest, AnInheritBlockOutsideTheFileAddsNothing) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f, kKindData);
  PutI32(f, kDownOffset, a);
  Position block = Position(f.size());
  PutI32(f, a + kDataBlockOffset, block);
  PutI32(f, a + kInheritBlockOffset, 1 << 24);
  PutI32(f, block, 18);
  f.resize(block + 18, 0x21);
  Use(f);
  dp().Load(a);
  std::array<uint8_t, 8> buf{};
  EXPECT_EQ(ReadData(*db, buf), 2);
  EXPECT_TRUE(HasFault(std::to_string(a) + ": inherited block 16777216 lies outside the file"));
}

TEST_F(DamagedFileTest, AStructureOperationNextToADamagedPointerLeavesTheFileInside) {
  Bytes f = NewDatabaseFile();
  Position a = AppendRecord(f);
  PutI32(f, kDownOffset, a);
  PutI32(f, a + kDownOffset, 1 << 28);
  Use(f);
  dp().Load(a);
  EXPECT_EQ(dp().MoveDown(), -1);
  EXPECT_EQ(dp().NewDown(), 0);  // the damaged next record is not touched
  EXPECT_LT(File().size(), size_t(1) << 20);
  dp().Load(a);
  EXPECT_EQ(dp().Delete(), 0);
  EXPECT_LT(File().size(), size_t(1) << 20);
}

}  // namespace

namespace {

TEST_F(DamagedFileTest, TheReaderRefusesWhatIsNoRecordAndEndsAWalkInACircleBesideTheCursor) {
  Bytes f = NewDatabaseFile();
  const Position a = AppendRecord(f);
  const Position b = AppendRecord(f);
  AppendName(f, b, "B");
  PutI32(f, kDownOffset, a);
  PutI32(f, a + kDownOffset, b);
  PutI32(f, b + kDownOffset, a);   // B's down leads back to A
  PutI32(f, a + kNameBlockOffset, int32_t(f.size()) + 4000);  // a name past the end
  Use(f);
  dp().Load(b);
  dp().SetLastDirection(DirRight);
  db->SeekTo(a + 8);
  const int64_t reads = int64_t(db->Counters().blockReads);

  RecordReader reader(*db);
  for (Position p : {-256, 1, a + 4, b + 8, Position(f.size()), Position(f.size()) + 256})
    EXPECT_FALSE(reader.Record(p).has_value()) << p;
  ASSERT_TRUE(reader.Record(a).has_value());
  EXPECT_EQ(reader.Name(*reader.Record(a)), "");
  EXPECT_EQ(reader.Name(*reader.Record(b)), "B");
  int64_t visited = 0;
  reader.WalkDown(a, [&](const PointerRecord&) { return ++visited < 100000; });
  EXPECT_GE(visited, 2);
  EXPECT_LE(visited, reader.RecordBound() + 1);
  EXPECT_EQ(reader.FindNamed(a, "missing"), 0);
  EXPECT_EQ(reader.FindNamed(a, "B"), b);
  EXPECT_EQ(reader.FirstOfList(*reader.Record(b)).position, b) << "A and B name no up";

  EXPECT_GT(int64_t(db->Counters().blockReads), reads) << "reads are counted";
  EXPECT_EQ(dp().CurrentPosition(), b);
  EXPECT_EQ(dp().LastDirection(), DirRight);
  EXPECT_EQ(db->FilePosition(), a + 8);
  EXPECT_EQ(db->StackTop(), 0);
}

}  // namespace

// On disk the walks read the records where they lie in the file's map, or (reading once)
// in windows read beside it: they must visit what the copying walk over the same bytes
// visits, in its order, and find the same names, whatever overlaps, loops or runs past
// the end of the file.
TEST_F(DamagedFileTest, WalksOverTheMapVisitWhatTheCopyingWalkVisits) {
  Bytes f = NewDatabaseFile();
  const Position a = AppendRecord(f);
  const Position nameA = AppendName(f, a, "A");
  const Position b = AppendRecord(f);
  const Position c = AppendRecord(f);
  const Position cut = AppendRecord(f);  // its bytes end inside it
  PutI32(f, kDownOffset, a);
  // A's up and down make the bytes at a + 8 look like a record of their own, overlapping A,
  // whose down (A's right) is B and whose right (A's outward) is nothing.
  PutI32(f, a + kUpOffset, kPointerRecordSize);
  PutI32(f, a + kDownOffset, a + 8);
  PutI32(f, a + kRightOffset, b);
  PutI32(f, b + kDownOffset, c);
  PutI32(f, c + kDownOffset, b);    // back to B
  PutI32(f, c + kRightOffset, cut);
  PutI32(f, cut + kDownOffset, c);
  f.resize(size_t(cut) + 100);
  const Position lastName = Position(f.size()) - 6;  // C's name block has 6 of its bytes
  PutI32(f, lastName, kNameBlockSize);
  PutI32(f, c + kNameBlockOffset, lastName);
  Use(f);
  const auto walk = [](tDataImageArk& d) {
    std::vector<std::pair<Position, int>> seen;
    WalkTree(d, [&](Position p, int depth) { return seen.emplace_back(p, depth), true; });
    return seen;
  };
  const auto copied = walk(*db);
  ASSERT_EQ(copied.size(), 4u);  // A, B, C, the record inside A
  test::TempEnv env;
  test::TempEnv::WriteFile(env.Work() / kFile, std::string(f.begin(), f.end()));
  for (const auto& files : {DiskFileSystem(), ReadOnceFiles(DiskFileSystem())}) {
    tDataImageArk disk(files);
    disk.Open((env.Work() / kFile).string(), OpenPolicy::kInspect);
    ASSERT_TRUE(disk.IsOpen());
    EXPECT_EQ(walk(disk), copied);
    RecordReader reader(disk);
    EXPECT_EQ(reader.FindNamed(a, "A"), a);
    EXPECT_EQ(reader.FindNamed(a, ""), b) << "the first record without a name";
    EXPECT_EQ(reader.FindNamed(a, "missing"), 0);
    // A name read where it lies is the one read by copy: whole, cut by the file's end, too
    // short for a head, or bytes that are no name block.
    std::string name;
    for (const Position block : {nameA, lastName, Position(f.size()) - 2, b}) {
      reader.ReadNameBytes(block, name);
      EXPECT_EQ(name, reader.NameBytes(block)) << block;
    }
    reader.ReadNameBytes(nameA, name);
    EXPECT_EQ(name, "A");
  }
}
