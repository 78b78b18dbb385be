// The commands that change many records at once are one change each: stopped anywhere, the
// file is left as it was before them or as it is after them.
#include <gtest/gtest.h>

#include "commands/block_commands.h"
#include "commands/list_fixture.h"
#include "commands/list_sort.h"
#include "content/initial_content.h"
#include "content/system_lists.h"
#include "store/fault_injection.h"

using namespace qn;

namespace {

class AtomicCommandsTest : public qn::test::ListFixture {
 protected:
  std::unique_ptr<tDataImageArk> Open() {
    auto d = std::make_unique<tDataImageArk>(fs);
    OpenDatabase(*d, kFile, OpenPolicy::kFromSettings);
    return d;
  }
  void AllOrNothing(const qn::test::ChangeFn& change) {
    db.reset();
    qn::test::ExpectAllOrNothing(*fs, kFile, [this] { return Open(); }, change);
    Reopen();
  }
};

TEST_F(AtomicCommandsTest, SortBlockMoveBlockDeleteAndARegisterVariableAreWholeOrAbsent) {
  auto top = TopList({"E", "D", "C", "B", "A"});
  dp().Load(top[0]);
  AddNamed(*db, DirRight, "under E");
  AllOrNothing([&](tDataImageArk& d) {
    d.dp->Load(top[2]);
    EXPECT_EQ(SortList(d, true).status, SortStatus::kSorted);
  });
  const auto markBlock = [&](tDataImageArk& d) {
    d.dp->Load(top[1]);
    MarkBlockFirst(d);
    d.dp->Load(top[3]);
    MarkBlockLast(d);
  };
  AllOrNothing([&](tDataImageArk& d) {
    markBlock(d);
    EXPECT_TRUE(MoveBlockRight(d, "moved").done);
  });
  AllOrNothing([&](tDataImageArk& d) {
    markBlock(d);
    EXPECT_TRUE(DeleteBlock(d).done);
  });
  // Register variables need the system lists of a database made with its content.
  fs->Put(kFile, qn::test::NewDatabaseFile());
  Open();  // fills the new file
  AllOrNothing([&](tDataImageArk& d) { EXPECT_GE(SetRegisterVariable(d, "Farge", "blå"), 0); });
  checkAtEnd = false;  // the fixture's top-level list is gone with the new file
}

}  // namespace
