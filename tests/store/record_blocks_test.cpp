#include "store/record_blocks.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

#include "store/cursor_fixture.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::CursorFixture;
using qn::test::Names;

namespace {

std::string BlockText(const Bytes& f, Position block) {
  return std::string(f.begin() + block + 9, f.begin() + block + 9 + f[block + 8]);
}

// ---- Names ----

using NameTest = CursorFixture;

TEST_F(NameTest, NamingANewRecordWritesItsNameBlockDirectlyAfterIt) {
  VerboseLogging = true;
  Position a = TopList({"Alpha"})[0];
  Bytes f = File();
  Position nb = At(a, kNameBlockOffset);
  EXPECT_EQ(nb, a + 256);
  EXPECT_EQ(At(a, kKindOffset), kKindNamed);
  EXPECT_EQ(At(nb, 0), 264);  // u16 264 and u16 0
  EXPECT_EQ(At(nb, kNameOwnerOffset), a);
  EXPECT_EQ(BlockText(f, nb), "Alpha");
  EXPECT_EQ(f.size(), size_t(nb + 264));
  EXPECT_TRUE(Logged("QUILLAPI: creating header \"Alpha\" at offset " + std::to_string(nb)));
  EXPECT_EQ(NameAt(a), "Alpha");
}

TEST_F(NameTest, ANameOf300CharactersStoresTheFirst255) {
  Position a = TopList({"x"})[0];
  dp().Load(a);
  std::string longName;
  for (int i = 0; i < 300; ++i) longName += char('a' + i % 26);
  WriteName(*db, longName);
  EXPECT_EQ(Name(), longName.substr(0, 255));
  EXPECT_EQ(File()[At(a, kNameBlockOffset) + 8], 255);
}

TEST_F(NameTest, AnEmptyNameOnAnUnnamedRecordCreatesNoBlock) {
  dp().Load(0);
  dp().NewDown();
  Position a = dp().CurrentPosition();
  size_t size = File().size();
  WriteName(*db, "");
  EXPECT_EQ(At(a, kNameBlockOffset), 0);
  EXPECT_EQ(At(a, kKindOffset), kKindEmpty);
  EXPECT_EQ(File().size(), size);
  EXPECT_EQ(Name(), "");
}

TEST_F(NameTest, RenamingRewritesTheBlockInPlaceAndRenamesShadowsToo) {
  auto top = TopList({"Old", "B"});
  dp().Load(top[0]);
  dp().Remember();
  dp().Load(top[1]);
  dp().PasteShadow();
  Position shadow = dp().CurrentPosition();
  size_t size = File().size();
  Position nb = At(top[0], kNameBlockOffset);
  dp().Load(top[0]);
  WriteName(*db, "New");
  EXPECT_EQ(File().size(), size);
  EXPECT_EQ(At(top[0], kNameBlockOffset), nb);
  EXPECT_EQ(At(nb, kNameOwnerOffset), top[0]);
  EXPECT_EQ(At(top[0], kKindOffset), kKindNamed);
  EXPECT_EQ(NameAt(shadow), "New");
}

TEST_F(NameTest, NamesAreStoredAsWindows1252) {
  Position a = TopList({"Blåbær €5 Ω"})[0];
  Bytes f = File();
  Position nb = At(a, kNameBlockOffset);
  EXPECT_EQ(BlockText(f, nb), "Bl\xE5" "b\xE6r \x80" "5 ?");
  EXPECT_EQ(NameAt(a), "Blåbær €5 ?");
}

// ---- Link texts ----

using LinkTextTest = CursorFixture;

TEST_F(LinkTextTest, ALinkOnAnEmptyRecordMakesKind512AndANameLater513) {
  dp().Load(0);
  ASSERT_GT(AddLinked(*db, DirDown, "/home/doc.odt"), 0);
  Position a = dp().CurrentPosition();
  EXPECT_EQ(At(a, kKindOffset), kKindLink);
  EXPECT_EQ(ReadLinkText(*db), "/home/doc.odt");
  EXPECT_TRUE(db->linkText.loaded);
  WriteName(*db, "Doc");
  EXPECT_EQ(At(a, kKindOffset), kKindNamedLink);
  size_t size = File().size();
  WriteLinkText(*db, "/home/other.odt");
  EXPECT_EQ(File().size(), size);
  EXPECT_EQ(ReadLinkText(*db), "/home/other.odt");
  EXPECT_EQ(Name(), "Doc");
}

TEST_F(LinkTextTest, ARecordWithoutALinkReadsEmptyAndClearsTheLoadedFlag) {
  Position a = TopList({"A"})[0];
  db->linkText.loaded = true;
  dp().Load(a);
  EXPECT_EQ(ReadLinkText(*db), "");
  EXPECT_FALSE(db->linkText.loaded);
}

// ---- Data ----

class DataTest : public CursorFixture {
 protected:
  // A named record at the top with `payload` as its data.
  Position WithData(const char* name, std::vector<uint8_t> payload) {
    Position p = TopList({name})[0];
    AddData(*db, payload);
    return p;
  }
  void WriteCacheOn() {
    Engine().writeCache = true;
    Engine().readCache = true;
    Engine().payloadCache.assign(kPayloadCacheSize, 0);
  }
};

TEST_F(DataTest, AddDataAppendsAHeadAndThePayload) {
  Position a = WithData("A", {1, 2, 3, 4, 5});
  Position block = At(a, kDataBlockOffset);
  EXPECT_EQ(block, a + 256 + 264);
  EXPECT_EQ(At(block, 0), 21);
  EXPECT_EQ(At(block, 4), 0);
  EXPECT_EQ(At(block, 8), 0);
  EXPECT_EQ(At(block, 12), 0);
  EXPECT_EQ(At(a, kKindOffset), kKindNamed + kKindData);
  EXPECT_EQ(DataLength(*db), 5);
  std::array<uint8_t, 5> out{};
  EXPECT_EQ(ReadData(*db, out), 5);
  EXPECT_EQ(out, (std::array<uint8_t, 5>{1, 2, 3, 4, 5}));
  auto head = ReadDataHead(*db);
  ASSERT_TRUE(head.has_value());
  EXPECT_EQ(head->size, 21u);
}

TEST_F(DataTest, ReadDataNeverWritesPastTheCallersBuffer) {
  WithData("A", std::vector<uint8_t>(100, 0x55));
  std::vector<uint8_t> memory(20, 0xEE);
  EXPECT_EQ(ReadData(*db, std::span(memory).first(10)), 10);
  EXPECT_EQ(memory[9], 0x55);
  EXPECT_EQ(memory[10], 0xEE);
}

TEST_F(DataTest, ARecordWithoutDataGivesMinusOne) {
  TopList({"A"});
  std::array<uint8_t, 4> buf{};
  EXPECT_EQ(SeekToData(*db), -1);
  EXPECT_FALSE(ReadDataHead(*db).has_value());
  EXPECT_EQ(ReadData(*db, buf), -1);
  EXPECT_EQ(RewriteData(*db, buf), -1);
  EXPECT_EQ(DataLength(*db), -1);
}

TEST_F(DataTest, WithAnInheritedBlockTheInheritedPartComesFirst) {
  Position base = WithData("Base", {1, 2, 3});
  Position own = WithData("Own", {9, 8});
  ASSERT_EQ(dp().SetInheritBlock(base), base);
  EXPECT_EQ(DataLength(*db), 5);
  std::array<uint8_t, 5> out{};
  EXPECT_EQ(ReadData(*db, out), 5);
  EXPECT_EQ(out, (std::array<uint8_t, 5>{1, 2, 3, 9, 8}));

  std::array<uint8_t, 5> changed = {11, 12, 13, 14, 15};
  EXPECT_EQ(RewriteData(*db, changed), 5);
  Position baseBlock = At(base, kDataBlockOffset), ownBlock = At(own, kDataBlockOffset);
  Bytes f = File();
  EXPECT_EQ(f[baseBlock + 16], 11);
  EXPECT_EQ(f[baseBlock + 18], 13);
  EXPECT_EQ(f[ownBlock + 16], 14);
  EXPECT_EQ(f[ownBlock + 17], 15);
}

TEST_F(DataTest, AnInheritBlockHoldingARecordPositionReadsThatRecordsData) {
  Position base = WithData("Base", {1, 2});
  WithData("Own", {3});
  dp().SetInheritBlockField(base);  // as a file written elsewhere may hold it
  dp().Store();
  std::array<uint8_t, 3> out{};
  EXPECT_EQ(ReadData(*db, out), 3);
  EXPECT_EQ(out, (std::array<uint8_t, 3>{1, 2, 3}));
}

TEST_F(DataTest, RewritingTheSameBytesTwiceWithTheWriteCacheWritesOnce) {
  Position a = WithData("A", {1, 2, 3});
  WriteCacheOn();
  std::array<uint8_t, 3> bytes = {4, 5, 6};
  dp().Load(a);
  EXPECT_EQ(RewriteData(*db, bytes), 0);
  uint64_t writes = db->Counters().blockWrites;
  uint64_t skipped = db->Counters().skippedWrites;
  EXPECT_EQ(RewriteData(*db, bytes), 0);
  EXPECT_EQ(db->Counters().blockWrites, writes);
  EXPECT_EQ(db->Counters().skippedWrites, skipped + 1);
  EXPECT_EQ(File()[At(a, kDataBlockOffset) + 16], 4);
}

TEST_F(DataTest, ReadingAndWritingBackUnchangedCostsNoWriteWithTheReadCache) {
  WithData("A", {1, 2, 3});
  WriteCacheOn();
  std::array<uint8_t, 3> bytes{};
  ReadData(*db, bytes);
  uint64_t writes = db->Counters().blockWrites;
  EXPECT_EQ(RewriteData(*db, bytes), 0);
  EXPECT_EQ(db->Counters().blockWrites, writes);
}

TEST_F(DataTest, RewriteNeverChangesThePayloadLength) {
  Position a = WithData("A", {1, 2, 3});
  Position b = WithData("B", {7});
  Bytes before = File();
  dp().Load(a);
  std::vector<uint8_t> longer(10, 0x42);
  EXPECT_EQ(RewriteData(*db, longer), 0);
  Bytes after = File();
  EXPECT_EQ(after.size(), before.size());
  Position block = At(a, kDataBlockOffset);
  EXPECT_EQ(after[block + 18], 0x42);
  EXPECT_EQ(b, block + 19);  // the next block, B's record, is untouched
  EXPECT_EQ(At(b, kPositionOffset), b);
  std::array<uint8_t, 1> shorter = {0x99};
  RewriteData(*db, shorter);
  EXPECT_EQ(File()[block + 16], 0x99);
  EXPECT_EQ(File()[block + 17], 0x42);
}

TEST_F(DataTest, AutomaticUpdateCopiesTheSourceCutToTheOwnPayload) {
  Position longSource = WithData("Long", {1, 2, 3, 4, 5});
  Position shortSource = WithData("Short", {9});
  Position own = WithData("Own", {0, 0, 0});
  db->autoUpdate = true;
  dp().SetUpdateFrom(longSource);
  std::array<uint8_t, 3> out{};
  ReadData(*db, out);
  EXPECT_EQ(out, (std::array<uint8_t, 3>{1, 2, 3}));
  dp().SetUpdateFrom(shortSource);
  ReadData(*db, out);
  EXPECT_EQ(out, (std::array<uint8_t, 3>{9, 2, 3}));
  EXPECT_EQ(At(At(longSource, kDataBlockOffset), 0), 21);  // the source is not touched
  db->autoUpdate = false;
  dp().Load(own);
  ReadData(*db, out);
  EXPECT_EQ(out, (std::array<uint8_t, 3>{9, 2, 3}));
}

TEST_F(DataTest, DataInADirectionIsNotAddedWhenNoRecordCanBeCreated) {
  Position a = WithData("A", {1});
  Bytes before = File();
  dp().Load(a);
  dp().GoUp();
  std::array<uint8_t, 2> buf = {5, 6};
  EXPECT_EQ(AddDataInDirection(*db, buf), -1);
  EXPECT_EQ(File(), before);
}

TEST_F(DataTest, AGlobalPointerIsARecordOfKind640With640Bytes) {
  Position a = TopList({"A"})[0];
  dp().Load(a);
  dp().GoDown();
  std::array<uint8_t, kGlobalPointerSize> gp{};
  gp[0] = 17;
  gp[639] = 18;
  EXPECT_EQ(AddGlobalPointer(*db, gp), 0);
  Position g = dp().CurrentPosition();
  EXPECT_EQ(At(a, kDownOffset), g);
  EXPECT_EQ(At(g, kKindOffset), kKindGlobalPointer);
  EXPECT_EQ(DataLength(*db), 640);
  dp().SetAutoFollow(true);
  EXPECT_TRUE(dp().FollowPending());
  ExpectConsistent();
}

// ---- Notes ----

using NoteTest = CursorFixture;

TEST_F(NoteTest, ANoteOnANamedRecordGivesKind257AndReadsBack) {
  Position a = TopList({"A"})[0];
  std::array<uint8_t, kNoteTextSize> text{};
  std::iota(text.begin(), text.end(), uint8_t(0));
  EXPECT_EQ(AddNote(*db, text), 0);
  EXPECT_EQ(At(a, kKindOffset), kKindNamedNote);
  Position nb = At(a, kNoteBlockOffset);
  EXPECT_EQ(At(nb, 0), 8208);
  EXPECT_EQ(At(nb, 12), 1);
  std::array<uint8_t, kNoteTextSize> back{};
  EXPECT_EQ(ReadNote(*db, back), kNoteTextSize);
  EXPECT_EQ(back, text);
  ExpectConsistent();
}

TEST_F(NoteTest, WriteNoteRewritesAHeadWhoseTagIsNotOne) {
  Position a = TopList({"A"})[0];
  std::array<uint8_t, kNoteTextSize> text{};
  AddNote(*db, text);
  Position nb = At(a, kNoteBlockOffset);
  FileRef()[nb + 12] = 7;
  Reopen();
  dp().Load(a);
  text[0] = 'x';
  EXPECT_EQ(WriteNote(*db, text), kNoteTextSize);
  EXPECT_EQ(At(nb, 12), 1);
  EXPECT_EQ(File()[nb + 16], 'x');
}

TEST_F(NoteTest, ARecordWithoutANoteHasNone) {
  TopList({"A"});
  std::array<uint8_t, kNoteTextSize> text{};
  EXPECT_EQ(ReadNote(*db, text), -1);
  EXPECT_EQ(WriteNote(*db, text), -1);
}

// ---- ScanForString ----

using ScanTest = CursorFixture;

TEST_F(ScanTest, FindsTheSecondTopLevelRecordPastADeepSubList) {
  auto top = TopList({"System", "Data"});
  auto sys = SubList(top[0], {"Version", "Definitions", "Programs"});
  SubList(sys[0], {"v1", "v2", "v3"});
  dp().Load(sys[2]);
  EXPECT_EQ(ScanForString(*db, "Data", true), top[1]);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);
}

TEST_F(ScanTest, ANameInASubListIsFoundBeforeTheSameNameFurtherDown) {
  auto top = TopList({"A", "Same"});
  auto sub = SubList(top[0], {"x"});
  auto deeper = SubList(sub[0], {"Same"});
  dp().Load(top[1]);
  EXPECT_EQ(ScanForString(*db, "Same", true), deeper[0]);
}

TEST_F(ScanTest, AMissLeavesTheCursorWhereItWasAndLogsWhenVerbose) {
  auto top = TopList({"A", "B"});
  SubList(top[0], {"A1"});
  VerboseLogging = true;
  dp().Load(top[1]);
  dp().SetReplication(5);  // an unstored change in the cursor's image stays too
  EXPECT_EQ(ScanForString(*db, "Nowhere", true), -1);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);
  EXPECT_EQ(dp().Replication(), 5);
  EXPECT_EQ(db->StackTop(), 0);
  EXPECT_TRUE(Logged("QUILLAPI: ScanForString Failed. Search: Nowhere"));
}

TEST_F(ScanTest, MatchesTheWholeNameCaseSensitively) {
  TopList({"Data", "data set"});
  EXPECT_EQ(ScanForString(*db, "DATA", true), -1);
  EXPECT_EQ(ScanForString(*db, "dat", true), -1);
  EXPECT_GT(ScanForString(*db, "data set", true), 0);
}

TEST_F(ScanTest, FromTheCursorTheSearchCoversItsSubListAndTheRecordsBelow) {
  auto top = TopList({"A", "B", "C"});
  auto as = SubList(top[0], {"InA"});
  SubList(top[1], {"InB"});
  dp().Load(top[1]);
  EXPECT_EQ(ScanForString(*db, "InA", false), -1);
  EXPECT_GT(ScanForString(*db, "InB", false), 0);
  dp().Load(top[1]);
  EXPECT_EQ(ScanForString(*db, "C", false), top[2]);
  EXPECT_EQ(ScanForString(*db, "InA", true), as[0]);
}

TEST_F(ScanTest, SearchesDeeperThanThePositionStackFindTheirRecordAndComeBack) {
  Position top = TopList({"Top", "After"})[0];
  dp().Load(top);
  Position deepest = 0;
  for (int i = 0; i < 300; ++i) deepest = AddNamed(*db, DirRight, "L" + std::to_string(i));
  dp().Load(top);
  for (int i = 0; i < 254; ++i) db->PushPosition();  // a full stack changes nothing
  EXPECT_EQ(ScanForString(*db, "L299", true), deepest);
  dp().Load(top);
  EXPECT_EQ(ScanForString(*db, "After", true), At(top, kDownOffset));
  dp().Load(deepest);
  EXPECT_EQ(ScanForString(*db, "missing", true), -1);
  EXPECT_EQ(dp().CurrentPosition(), deepest);
  EXPECT_EQ(db->StackTop(), 254);
  ExpectConsistent();
}

}  // namespace
