// Undelete: deleted records are listed from the file and put back alone, as the same
// record with its own name, data and note; a restore is one change.
#include <gtest/gtest.h>

#include <array>

#include "commands/list_fixture.h"
#include "commands/undelete.h"
#include "content/initial_content.h"
#include "store/fault_injection.h"

using namespace qn;
using qn::test::Names;

namespace {

class UndeleteTest : public qn::test::ListFixture {
 protected:
  void Delete(Position p) {
    dp().Load(p);
    ASSERT_EQ(dp().Delete(), 0);
  }
  RestoreStatus Restore(Position p, Position target) {
    db->BeginChange();
    const RestoreStatus s = RestoreDeleted(*db, p, target);
    EXPECT_EQ(db->EndChange(), 0);
    return s;
  }
};

TEST_F(UndeleteTest, DeletedRecordsAreListedAndPutBackAloneWithTheirOwnBlocks) {
  auto top = TopList({"A", "B", "C"});
  auto sub = SubList(top[1], {"B1", "B2"});
  dp().Load(top[1]);
  std::array<uint8_t, kNoteTextSize> note{};
  note[0] = 'n';
  AddNote(*db, note);
  const PointerRecord b = RecordAt(top[1]);
  Delete(top[1]);  // C takes B's place and adopts B's sub-list
  Delete(top[0]);

  const std::vector<DeletedRecord> listed = ListDeleted(*db);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].position, top[0]);  // in the order of the file
  EXPECT_EQ(listed[1].position, top[1]);
  EXPECT_EQ(listed[1].name, "B");
  EXPECT_EQ(listed[1].kind, b.kind);
  EXPECT_GT(listed[1].changed, 0.0);

  // B back below C: alone, with its own name and note; its old sub-list stays with C.
  EXPECT_EQ(Restore(top[1], top[2]), RestoreStatus::kRestored);
  EXPECT_EQ(TopNames(), (Names{"C", "B"}));
  EXPECT_EQ(SubNames(top[2]), (Names{"B1", "B2"}));
  const PointerRecord back = RecordAt(top[1]);
  EXPECT_FALSE(back.IsDeleted());
  EXPECT_EQ(back.right, 0);
  EXPECT_EQ(back.nameBlock, b.nameBlock);
  EXPECT_EQ(back.noteBlock, b.noteBlock);
  EXPECT_EQ(dp().CurrentPosition(), top[1]);

  // Refused: a record that is not deleted, a target no list reaches or that is deleted.
  EXPECT_EQ(Restore(top[2], 0), RestoreStatus::kNotDeleted);
  EXPECT_EQ(Restore(sub[0] + 1, 0), RestoreStatus::kNotDeleted);
  EXPECT_EQ(Restore(top[0], top[0]), RestoreStatus::kNoTarget);
  EXPECT_EQ(Restore(top[0], 999999), RestoreStatus::kNoTarget);

  // A at the top again, first of the top-level list.
  EXPECT_EQ(Restore(top[0], 0), RestoreStatus::kRestored);
  EXPECT_EQ(TopNames(), (Names{"A", "C", "B"}));
  EXPECT_TRUE(ListDeleted(*db).empty());
}

TEST_F(UndeleteTest, ARestoreIsWholeOrAbsent) {
  auto top = TopList({"A", "B", "C"});
  Delete(top[0]);
  db.reset();
  qn::test::ExpectAllOrNothing(
      *fs, kFile,
      [this] {
        auto d = std::make_unique<tDataImageArk>(fs);
        OpenDatabase(*d, kFile, OpenPolicy::kFromSettings);
        return d;
      },
      [&](tDataImageArk& d) { EXPECT_EQ(RestoreDeleted(d, top[0], top[1]), RestoreStatus::kRestored); });
  Reopen();
}

}  // namespace
