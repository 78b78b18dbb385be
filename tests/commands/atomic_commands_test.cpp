// The commands that change many records at once are one change each: stopped anywhere, the
// file is left as it was before them or as it is after them.
#include <gtest/gtest.h>

#include "commands/block_commands.h"
#include "commands/list_replication.h"
#include "commands/record_edits.h"
#include "content/bookmark_index.h"
#include "content/document_link.h"
#include "content/global_pointer.h"
#include "content/note_text.h"
#include "content/program_record.h"
#include "content/quick_list.h"
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

TEST_F(AtomicCommandsTest, TheEditsOnRecordsNamedByPositionAreWholeOrAbsent) {
  auto top = TopList({"E", "D", "C", "B", "A"});
  dp().Load(top[0]);
  AddNamed(*db, DirRight, "under E");
  dp().Load(top[4]);
  const Position data = DataBelow({1, 2, 3});
  const std::vector<std::function<std::string(tDataImageArk&)>> edits = {
      [&](tDataImageArk& d) { return RenameAt(d, top[1], "ny"); },
      [&](tDataImageArk& d) { return DeleteAt(d, top[0]); },
      [&](tDataImageArk& d) { return MoveAt(d, top[2], true); },
      [&](tDataImageArk& d) { return SortListAt(d, top[2], true); },
      [&](tDataImageArk& d) { return CopyTo(d, data, top[1], EditPlace::kRightOf, CopyForm::kCopy); },
      [&](tDataImageArk& d) { return CopyTo(d, top[1], top[2], EditPlace::kBelow, CopyForm::kShadow); },
      [&](tDataImageArk& d) { return CopyTo(d, data, top[0], EditPlace::kRightOf, CopyForm::kDataShadow); },
      [&](tDataImageArk& d) { return MoveBlockTo(d, top[3], data, top[1], EditPlace::kRightOf); },
      [&](tDataImageArk& d) { return DeleteBlockAt(d, top[1], top[3]); },
  };
  for (const auto& edit : edits) AllOrNothing([&](tDataImageArk& d) { EXPECT_EQ(edit(d), ""); });
}

TEST_F(AtomicCommandsTest, NotesBookmarksLinksPointersProgramsAndReplicationAreWholeOrAbsent) {
  fs->Put(kFile, qn::test::NewDatabaseFile());
  Open();  // fills the new file with the standard lists
  const auto onData = [](tDataImageArk& d) { d.dp->Load(ScanForString(d, "Data", true)); };
  AllOrNothing([&](tDataImageArk& d) {
    onData(d);
    ASSERT_GT(NewNote(d, DirRight, "Notat"), 0);
    EXPECT_EQ(WriteNoteText(d, "tekst\nlinje"), "");
  });
  AllOrNothing([&](tDataImageArk& d) {
    onData(d);
    EXPECT_GT(AddBookmark(d, "data"), 0);
  });
  AllOrNothing([&](tDataImageArk& d) { EXPECT_EQ(NewTableOfContents(d, "Ny"), 0); });
  AllOrNothing([&](tDataImageArk& d) {
    onData(d);
    EXPECT_GT(AddQuickListEntry(d, "Til data"), 0);
  });
  AllOrNothing([&](tDataImageArk& d) {
    onData(d);
    EXPECT_EQ(NewDocumentLink(d, {"/home/ola/brev.odt", false, "", DirDown}), "");
  });
  AllOrNothing([&](tDataImageArk& d) {
    onData(d);
    d.dp->SetLastDirection(DirDown);
    GlobalPointerEditor editor(d, false);
    editor.fileName = "annen.pdb256";
    editor.positionText = "512";
    EXPECT_EQ(editor.Ok(), "");
  });
  AllOrNothing([&](tDataImageArk& d) {
    ASSERT_EQ(NewProgramRecord(d, "Program"), 0);
    ProgramEditor editor(d);
    editor.programFile = "/bin/true";
    EXPECT_EQ(editor.Ok(), "");
  });
  AllOrNothing([&](tDataImageArk& d) {
    onData(d);
    EXPECT_GE(SetListReplication(d, ListReplication::kPrepare), 1);
  });
  checkAtEnd = false;
}

}  // namespace
