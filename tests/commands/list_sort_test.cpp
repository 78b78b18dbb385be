#include "commands/list_sort.h"

#include <gtest/gtest.h>

#include "commands/list_fixture.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::ListFixture;
using qn::test::Names;

namespace {

class SortListTest : public ListFixture {};

TEST_F(SortListTest, AnAlreadySortedListStoresNothingAndEndsOnItsLastRecord) {
  auto top = TopList({"Anna", "Bjørn", "Cecilie"});
  dp().Load(top[1]);
  const Bytes before = File();
  const uint64_t writes = Writes();
  const SortResult r = SortList(*db, true);
  EXPECT_EQ(r.status, SortStatus::kSorted);
  EXPECT_EQ(r.records, 3);
  EXPECT_EQ(r.stored, 0);
  EXPECT_EQ(Writes(), writes);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(dp().CurrentPosition(), top[2]);
}

TEST_F(SortListTest, AReversedTopLevelListIsRelinkedOnceAndTheFileHeaderLeadsToTheNewFirst) {
  auto top = TopList({"E", "D", "C", "B", "A"});
  dp().Load(top[2]);
  const uint64_t writes = Writes();
  const SortResult r = SortList(*db, true);
  EXPECT_EQ(r.status, SortStatus::kSorted);
  EXPECT_EQ(TopNames(), (Names{"A", "B", "C", "D", "E"}));
  EXPECT_EQ(TopFirst(), top[4]);
  EXPECT_EQ(RecordAt(top[4]).up, 0);
  // Five records and the file header record, each written once.
  EXPECT_EQ(r.stored, 6);
  EXPECT_EQ(Writes() - writes, 6u);
  EXPECT_EQ(dp().CurrentPosition(), top[0]);
  EXPECT_EQ(dp().LastDirection(), DirDown);
}

TEST_F(SortListTest, DescendingReversesTheOrder) {
  TopList({"A", "C", "B"});
  SortList(*db, false);
  EXPECT_EQ(TopNames(), (Names{"C", "B", "A"}));
}

TEST_F(SortListTest, RecordsWithEqualNamesKeepTheirOrderBothWays) {
  auto top = TopList({"b", "a", "b", "a"});
  SortList(*db, true);
  EXPECT_EQ(Chain(TopFirst()), (std::vector<Position>{top[1], top[3], top[0], top[2]}));
  SortList(*db, false);
  EXPECT_EQ(Chain(TopFirst()), (std::vector<Position>{top[0], top[2], top[1], top[3]}));
}

TEST_F(SortListTest, NamesCompareByCodeUnitCaseSensitive) {
  TopList({"b", "Å", "a", "B", "Z"});
  SortList(*db, true);
  EXPECT_EQ(TopNames(), (Names{"B", "Z", "a", "b", "\xC5"}));  // Å is 0xC5 in the file
}

TEST_F(SortListTest, TheSortKeyIsTheEightBitFormCutTo255Characters) {
  EXPECT_EQ(SortKey("Øl"), (std::u16string{u'\u00D8', u'l'}));
  EXPECT_EQ(SortKey("€"), std::u16string(1, u'\u20AC'));
  EXPECT_EQ(SortKey("\u4E2D"), u"?");  // outside the code page
  EXPECT_EQ(SortKey(std::string(300, 'x')).size(), 255u);
}

TEST_F(SortListTest, ASubListKeepsItsParentLinkedToTheNewFirstRecord) {
  auto top = TopList({"Parent", "Next"});
  auto sub = SubList(top[0], {"c", "a", "b"});
  dp().Load(sub[0]);
  SortList(*db, true);
  EXPECT_EQ(SubNames(top[0]), (Names{"a", "b", "c"}));
  EXPECT_EQ(RecordAt(top[0]).right, sub[1]);
  EXPECT_EQ(RecordAt(sub[1]).left, top[0]);
  EXPECT_EQ(RecordAt(sub[0]).left, 0);
  EXPECT_EQ(TopNames(), (Names{"Parent", "Next"}));
  EXPECT_EQ(dp().CurrentPosition(), sub[0]);
}

TEST_F(SortListTest, SubListsMoveWithTheirRecords) {
  auto top = TopList({"b", "a"});
  auto sub = SubList(top[0], {"under b"});
  dp().Load(top[0]);
  SortList(*db, true);
  EXPECT_EQ(TopNames(), (Names{"a", "b"}));
  EXPECT_EQ(RecordAt(top[0]).right, sub[0]);
  EXPECT_EQ(RecordAt(sub[0]).left, top[0]);
}

TEST_F(SortListTest, AListThatRunsInACycleIsRefusedAndLeftAsItWas) {
  checkAtEnd = false;
  auto top = TopList({"c", "b", "a"});
  Damage(top[2], kDownOffset, top[0]);  // the last record leads back to the first
  Damage(top[0], kUpOffset, top[2]);
  dp().Load(top[1]);
  const Bytes before = File();
  const SortResult r = SortList(*db, true);
  EXPECT_EQ(r.status, SortStatus::kDamaged);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);
}

TEST_F(SortListTest, ALinkThatIsNotAnsweredIsRefused) {
  checkAtEnd = false;
  auto top = TopList({"c", "b", "a"});
  Damage(top[2], kUpOffset, top[0]);  // "a" claims "c" stands above it
  dp().Load(top[0]);
  const Bytes before = File();
  EXPECT_EQ(SortList(*db, true).status, SortStatus::kDamaged);
  EXPECT_EQ(File(), before);
}

TEST_F(SortListTest, AnUpwardLinkThatIsNotAnsweredAboveTheCurrentRecordIsRefused) {
  checkAtEnd = false;
  auto top = TopList({"d", "c", "b", "a"});
  Damage(top[2], kUpOffset, top[0]);  // "b" claims "d" stands above it; "d" leads to "c"
  dp().Load(top[3]);
  const Bytes before = File();
  EXPECT_EQ(SortList(*db, true).status, SortStatus::kDamaged);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(dp().CurrentPosition(), top[3]);
}

TEST_F(SortListTest, TheFileHeaderRecordStandsInNoList) {
  TopList({"b", "a"});
  dp().Load(0);
  EXPECT_EQ(SortList(*db, true).status, SortStatus::kNoList);
  EXPECT_EQ(TopNames(), (Names{"b", "a"}));
}

}  // namespace
