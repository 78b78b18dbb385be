#include "content/bookmark_index.h"

#include <gtest/gtest.h>

#include "content/bookmark_explorer.h"

#include <string>

#include "content/system_lists.h"
#include "content/new_database_fixture.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::NewDatabaseFixture;
using qn::test::Names;

namespace {

TEST(IndexNodeTest, TheNodeIsLaidOutFieldByFieldLittleEndian) {
  tdataIndexRec node;
  node.Terminal = 1;
  node.Target = 0x01020304;
  node.Children[0] = 7;
  node.Children[255] = -2;
  std::array<uint8_t, kIndexNodeSize> bytes;
  bytes.fill(0xEE);
  node.Encode(bytes);
  EXPECT_EQ(GetU32(bytes, 0), 1035u);
  EXPECT_EQ(bytes[4], 0);
  EXPECT_EQ(bytes[5], 0);
  EXPECT_EQ(bytes[6], 1);
  EXPECT_EQ(bytes[7], 0x04);
  EXPECT_EQ(bytes[10], 0x01);
  EXPECT_EQ(GetI32(bytes, 11), 7);
  EXPECT_EQ(GetI32(bytes, 11 + 4 * 255), -2);
  tdataIndexRec back = tdataIndexRec::Decode(bytes);
  EXPECT_EQ(back.Target, node.Target);
  EXPECT_EQ(back.Terminal, 1);
  EXPECT_EQ(back.Children, node.Children);
}

class BookmarkTest : public NewDatabaseFixture {
 protected:
  void SetUp() override {
    NewDatabaseFixture::SetUp();
    Create(false);
    // Three records to bookmark, in the data list.
    t1 = AddNamed(*db, DirDown, "one");
    t2 = AddNamed(*db, DirDown, "two");
    t3 = AddNamed(*db, DirDown, "three");
    start = dp().CurrentPosition();
  }
  Names IndexList() { return SubListOf(Find("Index")); }
  // The node of the index record named `name`.
  tdataIndexRec Node(std::string_view name) {
    Position p = Find(name);
    EXPECT_GT(p, 0) << name;
    Bytes f = File();
    Position block = RecordAt(p).dataBlock;
    return tdataIndexRec::Decode(
        std::span<const uint8_t, kIndexNodeSize>(f.data() + block + kDataHeadSize, kIndexNodeSize));
  }
  Position FindAndComeBack(std::string_view key) {
    Position r = FindIndexEntry(*db, key);
    dp().Load(start);
    return r;
  }
  Position t1 = 0, t2 = 0, t3 = 0, start = 0;
};

TEST_F(BookmarkTest, ANewDatabaseHasTheTableStandardAsAnEmptyRoot) {
  EXPECT_EQ(IndexList(), (Names{"User", "Standard"}));
  const PointerRecord root = RecordAt(Find("Standard"));
  EXPECT_EQ(root.kind, kKindIndex);
  EXPECT_EQ(At(root.dataBlock, 0), 16 + 1035);
  tdataIndexRec node = Node("Standard");
  EXPECT_EQ(node.NodeSize, 1035u);
  EXPECT_EQ(node.Terminal, 0);
  EXPECT_EQ(FindIndexEntry(*db, "x"), 0);
  EXPECT_EQ(dp().CurrentPosition(), start);
}

TEST_F(BookmarkTest, KeysAbcThenAbdMakeOneNodePerPrefix) {
  EXPECT_EQ(AddIndexEntry(*db, t1, "ABC"), t1);
  EXPECT_EQ(dp().CurrentPosition(), start);
  EXPECT_EQ(AddIndexEntry(*db, t2, "ABD"), t2);
  // Each node lies right below the node it hangs from.
  EXPECT_EQ(IndexList(), (Names{"User", "Standard", "A", "AB", "ABD", "ABC"}));
  EXPECT_EQ(Node("Standard").Children['A'], Find("A"));
  EXPECT_EQ(Node("A").Children['B'], Find("AB"));
  EXPECT_EQ(Node("AB").Children['C'], Find("ABC"));
  EXPECT_EQ(Node("AB").Children['D'], Find("ABD"));
  EXPECT_EQ(Node("ABC").Target, t1);
  EXPECT_EQ(Node("ABD").Target, t2);
  // Making ABC marked A, AB and the root with the first target; passing through A for
  // ABD left it alone, while making ABD marked AB again.
  EXPECT_EQ(Node("Standard").Target, t1);
  EXPECT_EQ(Node("A").Target, t1);
  EXPECT_EQ(Node("AB").Target, t2);
  ExpectConsistent();
}

TEST_F(BookmarkTest, FindsFollowTheKeyAndTakeTheLastTargetMet) {
  AddIndexEntry(*db, t1, "ABC");
  AddIndexEntry(*db, t2, "ABD");
  EXPECT_EQ(FindIndexEntry(*db, "ABD"), t2);
  EXPECT_EQ(dp().CurrentPosition(), t2);  // a find makes the target current
  EXPECT_EQ(FindAndComeBack("ABC"), t1);
  EXPECT_EQ(FindAndComeBack("abc"), t1);  // keys are upper-cased
  EXPECT_EQ(FindAndComeBack("A"), t1);
  EXPECT_EQ(FindAndComeBack("AB"), t2);   // AB carries the target of the node made last
  // X has no child: it is passed over; without a node AC the last target met is A's.
  EXPECT_EQ(FindAndComeBack("AXC"), t1);
  AddIndexEntry(*db, t3, "AC");
  EXPECT_EQ(FindAndComeBack("AXC"), t3);  // now through the node AC
}

TEST_F(BookmarkTest, AddingAKeyAgainReplacesTheTargetAtItsLastNode) {
  AddIndexEntry(*db, t1, "K");
  const size_t size = File().size();
  AddIndexEntry(*db, t2, "K");
  EXPECT_EQ(File().size(), size);  // no new node
  EXPECT_EQ(FindAndComeBack("K"), t2);
}

TEST_F(BookmarkTest, ACharacterAbove255UsesItsLow8Bits) {
  AddIndexEntry(*db, t1, "\xC4\x80");  // U+0100
  const Position node = Node("Standard").Children[0];
  EXPECT_GT(node, 0);
  EXPECT_EQ(NameAt(node), "?");  // the node's name holds the character as 8-bit text
  EXPECT_EQ(FindAndComeBack(std::string_view("\0", 1)), t1);
  EXPECT_EQ(FindAndComeBack("\xC4\x80"), t1);
}

TEST_F(BookmarkTest, AnEmptyKeyFindsNothingAndLeavesTheCursor) {
  AddIndexEntry(*db, t1, "A");
  EXPECT_EQ(FindIndexEntry(*db, ""), 0);
  EXPECT_EQ(dp().CurrentPosition(), start);
}

TEST_F(BookmarkTest, AKeyLongerThan255CharactersUsesItsFirst255) {
  const std::string key(256, 'Q');
  EXPECT_EQ(AddIndexEntry(*db, t1, key), t1);
  EXPECT_EQ(FindAndComeBack(key.substr(0, 255)), t1);
  EXPECT_EQ(IndexList().size(), 2u + 255u);
}

TEST_F(BookmarkTest, ABookmarkIsTheCurrentRecordUnderAKey) {
  dp().Load(t2);
  EXPECT_EQ(AddBookmark(*db, "to"), t2);
  EXPECT_EQ(dp().CurrentPosition(), t2);
  dp().Load(start);
  EXPECT_EQ(FindIndexEntry(*db, "TO"), t2);
}

TEST_F(BookmarkTest, ANewTableOfContentsBecomesTheRoot) {
  AddIndexEntry(*db, t1, "A");
  EXPECT_EQ(NewTableOfContents(*db, "Annen"), 0);
  EXPECT_EQ(dp().CurrentPosition(), start);
  EXPECT_EQ(IndexList(), (Names{"User", "Annen", "Standard", "A"}));
  EXPECT_EQ(FindAndComeBack("A"), 0);  // the new, empty table is searched
  AddIndexEntry(*db, t2, "A");
  EXPECT_EQ(FindAndComeBack("A"), t2);
}

TEST_F(BookmarkTest, AChildThatIsNoIndexNodeIsNeverWrittenAsOne) {
  AddIndexEntry(*db, t1, "A");
  // Damage: the root's child for 'B' points at an ordinary record.
  const Position root = Find("Standard");
  Bytes& f = *fs->files.at(kFile);
  PutI32(std::span<uint8_t>(f), size_t(RecordAt(root).dataBlock) + kDataHeadSize + 11 + 4 * 'B', t3);
  Reopen();
  dp().Load(start);
  const Bytes record = Slice(t3, 256);
  EXPECT_EQ(AddIndexEntry(*db, t2, "BC"), -1);
  EXPECT_EQ(Slice(t3, 256), record);
  EXPECT_EQ(dp().CurrentPosition(), start);
}

TEST_F(BookmarkTest, WithoutIndexNothingChanges) {
  Create(true);
  const Position line = dp().CurrentPosition();
  const Bytes before = File();
  EXPECT_EQ(AddIndexEntry(*db, line, "A"), -1);
  EXPECT_EQ(FindIndexEntry(*db, "A"), -1);
  EXPECT_EQ(NewTableOfContents(*db, "T"), -1);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(dp().CurrentPosition(), line);
}

// ---- The bookmark explorer ----

TEST_F(BookmarkTest, TheExplorerWalksFromTheRootByTheLowestUsedCharacterAndJumps) {
  dp().Load(t2);
  ASSERT_EQ(AddBookmark(*db, "ab"), t2);
  dp().Load(t3);
  ASSERT_EQ(AddBookmark(*db, "b"), t3);
  dp().Load(t1);  // not an index record: the explorer starts at the root
  BookmarkExplorer explorer(*db);
  EXPECT_EQ(explorer.TableName(), "Standard");
  EXPECT_EQ(explorer.NodeName(), "Standard");
  EXPECT_EQ(explorer.Teller(), 'A') << "auto search: the lowest code with a child";
  EXPECT_EQ(explorer.Character(), "A");
  EXPECT_EQ(explorer.ChildPosition(), Find("A"));
  EXPECT_TRUE(explorer.AutoSearch());

  explorer.Forward();
  EXPECT_EQ(explorer.NodeName(), "A");
  EXPECT_EQ(dp().CurrentPosition(), Find("A"));
  EXPECT_EQ(explorer.Teller(), 'B');
  explorer.Forward();
  EXPECT_EQ(explorer.NodeName(), "AB");
  EXPECT_TRUE(explorer.Exists());
  EXPECT_EQ(explorer.Target(), t2);
  explorer.Back();  // to the parent prefix
  EXPECT_EQ(explorer.NodeName(), "A");
  explorer.Reset();
  EXPECT_EQ(explorer.NodeName(), "Standard");
  explorer.SetNodeName("B");
  explorer.Fetch();
  EXPECT_EQ(explorer.Target(), t3);
  explorer.SetExists(false);  // the check box unticked: no jump
  EXPECT_FALSE(explorer.Jump());
  explorer.SetExists(true);
  EXPECT_TRUE(explorer.Jump());
  EXPECT_EQ(dp().CurrentPosition(), t3);
}

TEST_F(BookmarkTest, TheCharacterButtonsStopAtZeroAnd255ChangingOnlyTheAutoSearch) {
  BookmarkExplorer explorer(*db);
  EXPECT_EQ(explorer.Teller(), 64) << "an empty root keeps the start code";
  explorer.SetNodeName("Standard");
  for (int i = 0; i < 70; ++i) explorer.PreviousCharacter();
  EXPECT_EQ(explorer.Teller(), 0);
  EXPECT_FALSE(explorer.AutoSearch());
  explorer.SetAutoSearch(true);
  explorer.PreviousCharacter();
  EXPECT_EQ(explorer.Teller(), 0);
  EXPECT_FALSE(explorer.AutoSearch());
  for (int i = 0; i < 300; ++i) explorer.NextCharacter();
  EXPECT_EQ(explorer.Teller(), 255);
  EXPECT_EQ(explorer.Character(), "ÿ");
  explorer.Forward();  // no child at 255: the node stays
  EXPECT_EQ(explorer.NodeName(), "Standard");
  EXPECT_FALSE(explorer.Jump());
}

}  // namespace
