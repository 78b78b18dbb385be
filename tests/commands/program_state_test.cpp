#include "commands/program_state.h"

#include <gtest/gtest.h>

#include "commands/list_fixture.h"
#include "content/record_clipboard.h"

using namespace qn;

namespace {

using ProgramStateTest = qn::test::ListFixture;

// Two owners in one process (a window's program and a tool, two tests): the settings, the
// log, the user, the block clipboard and the payload cache one of them keeps are not seen
// by the other, nor by code that runs with no owner installed.
TEST_F(ProgramStateTest, TwoOwnersDoNotSeeEachOthersState) {
  const std::vector<Position> top = TopList({"A", "B"});
  fs->Put("second.pdb256", File());
  ProgramState first, second;
  tDataImageArk firstDb(fs, &first.engine), secondDb(fs, &second.engine);
  {
    ProgramScope scope(first);
    WriteSettingString("Eier", "first");
    SharedSettings().Set(kEngineSection, "DatabaseCache", "1");
    SetUserNameOption("anna");
    WriteLog("first's line");
    firstDb.Open(kFile);
  }
  {
    ProgramScope scope(second);
    EXPECT_EQ(ReadSettingString("Eier"), "");
    EXPECT_NE(CurrentUserName(), "ANNA");
    EXPECT_TRUE(LogLines().empty());
    secondDb.Open("second.pdb256");
  }
  EXPECT_EQ(first.engine.payloadCache.size(), size_t(kPayloadCacheSize));
  EXPECT_TRUE(second.engine.payloadCache.empty());

  ASSERT_TRUE(FillBlockClipboard(firstDb, top[0], top[0]));
  ASSERT_TRUE(FillBlockClipboard(secondDb, top[1], top[1]));
  ASSERT_NE(BlockClipboard(firstDb), nullptr);
  EXPECT_EQ(RecordView(BlockClipboard(firstDb)->first).OwnPosition(), top[0]);

  EXPECT_EQ(ReadSettingString("Eier"), "");
  {
    ProgramScope scope(first);
    EXPECT_EQ(ReadSettingString("Eier"), "first");
    EXPECT_EQ(CurrentUserName(), "ANNA");
    ASSERT_FALSE(LogLines().empty());
    EXPECT_TRUE(LogLines().front().ends_with("first's line"));
  }
}

}  // namespace
