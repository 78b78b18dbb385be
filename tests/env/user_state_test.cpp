#include <gtest/gtest.h>

#include "env/environment.h"
#include "env/settings.h"
#include "env/user_state.h"
#include "env/scratch_env.h"

namespace qn {
namespace {

class UserStateTest : public scratch::ScratchEnvTest {
 protected:
  void SetUp() override {
    ScratchEnvTest::SetUp();
    SetUserNameOption("ola");
    ASSERT_TRUE(OpenSettings(Path("veltrona.ini")));
  }
  static std::vector<std::string> List() {
    std::vector<std::string> out;
    for (int n = 1; n <= kLastFileCount; ++n) out.push_back(GetLastFile(".pdb256", n));
    return out;
  }
};

TEST_F(UserStateTest, NewFileGoesFirstAndTheOthersMoveDown) {
  AddLastFile(".pdb256", "/a.pdb256");
  AddLastFile(".pdb256", "/b.pdb256");
  EXPECT_EQ(GetLastFile(".pdb256", 1), "/b.pdb256");
  EXPECT_EQ(GetLastFile(".pdb256", 2), "/a.pdb256");
  EXPECT_EQ(GetLastFile(".pdb256", 3), "");
  EXPECT_EQ(CurrentSection(), "STANDARD");
}

TEST_F(UserStateTest, FileThirdInTheListMovesFirstAndTheGapCloses) {
  for (const char* f : {"/e", "/d", "/c", "/b", "/a"}) AddLastFile(".pdb256", f);
  AddLastFile(".pdb256", "/c");
  EXPECT_EQ(List(), (std::vector<std::string>{"/c", "/a", "/b", "/d", "/e", "", "", "", ""}));
}

TEST_F(UserStateTest, TenthFilePushesTheOldestOut) {
  for (int i = 1; i <= 10; ++i) AddLastFile(".pdb256", "/f" + std::to_string(i));
  EXPECT_EQ(List(), (std::vector<std::string>{"/f10", "/f9", "/f8", "/f7", "/f6", "/f5", "/f4",
                                              "/f3", "/f2"}));
  AddLastFile(".pdb256", "/f2");  // the last one moves up; nothing falls off
  EXPECT_EQ(List().front(), "/f2");
  EXPECT_EQ(List().back(), "/f3");
}

TEST_F(UserStateTest, FilesDifferingOnlyInCaseAreDifferentEntries) {
  AddLastFile(".pdb256", "/Data.pdb256");
  AddLastFile(".pdb256", "/data.pdb256");
  EXPECT_EQ(GetLastFile(".pdb256", 2), "/Data.pdb256");
}

TEST_F(UserStateTest, GapInTheStoredListLeavesNoSecondCopy) {
  SetSection(".pdb256");
  WriteSettingString("SISTEFIL1", "/a");
  WriteSettingString("SISTEFIL9", "/z");
  ResetSection();
  AddLastFile(".pdb256", "/z");
  EXPECT_EQ(List(), (std::vector<std::string>{"/z", "/a", "", "", "", "", "", "", ""}));
}

TEST_F(UserStateTest, PositionOutsideOneToNineIsClamped) {
  AddLastFile(".pdb256", "/a");
  EXPECT_EQ(GetLastFile(".pdb256", 0), "/a");
  EXPECT_EQ(GetLastFile(".pdb256", -5), "/a");
  EXPECT_EQ(GetLastFile(".pdb256", 99), GetLastFile(".pdb256", 9));
}

// ---- Window positions ----

constexpr ScreenSize kScreen{1920, 1080};

TEST_F(UserStateTest, WindowPositionGoesToTheUserFileAndComesBack) {
  SetSection("MINE");
  SaveWindowPosition({100, 50, 800, 600, true}, "QuillNet", "kolonner=3");
  EXPECT_EQ(CurrentSection(), "MINE");
  EXPECT_FALSE(UsingUserSettings());
  EXPECT_FALSE(SharedSettings().HasSection("VINDU-QuillNet"));
  EXPECT_EQ(ReadFile(Path("OLA.INI")),
            "[VINDU-QuillNet]\nMaximized=1\nLeft=100\nTop=50\nHeight=600\nWidth=800\n"
            "Diverse=kolonner=3\n");
  WindowGeometry w{0, 0, 300, 200, false};
  std::string text;
  LoadWindowPosition(w, "QuillNet", text, kScreen);
  EXPECT_EQ(w.left, 100);
  EXPECT_EQ(w.top, 50);
  EXPECT_EQ(w.width, 800);
  EXPECT_EQ(w.height, 600);
  EXPECT_TRUE(w.maximized);
  EXPECT_EQ(text, "kolonner=3");
  EXPECT_EQ(CurrentSection(), "MINE");
}

TEST_F(UserStateTest, OnlyPosKeepsTheWindowsSize) {
  SaveWindowPosition({100, 50, 800, 600, false}, "TDataForm", "");
  WindowGeometry w{0, 0, 300, 200, false};
  std::string text = "OnlyPos";
  LoadWindowPosition(w, "TDataForm", text, kScreen);
  EXPECT_EQ(w.width, 300);
  EXPECT_EQ(w.height, 200);
  EXPECT_EQ(w.left, 100);
  EXPECT_EQ(text, "");
}

TEST_F(UserStateTest, WindowBeyondTheScreenIsPulledBackWhole) {
  SaveWindowPosition({5000, 1000, 800, 600, false}, "W", "");
  WindowGeometry w;
  std::string text;
  LoadWindowPosition(w, "W", text, kScreen);
  EXPECT_EQ(w.left, 1920 - 800);  // right edge meets the screen's
  EXPECT_EQ(w.top, 1080 - 600);   // partly below the screen is pulled back too
}

TEST_F(UserStateTest, WindowLeftOfOrAboveTheScreenComesOnToIt) {
  SaveWindowPosition({-300, -20, 800, 600, false}, "W", "");
  WindowGeometry w;
  std::string text;
  LoadWindowPosition(w, "W", text, kScreen);
  EXPECT_EQ(w.left, 0);
  EXPECT_EQ(w.top, 0);
}

TEST_F(UserStateTest, WindowLargerThanTheScreenIsCappedToIt) {
  SaveWindowPosition({10, 10, 4000, 3000, false}, "W", "");
  WindowGeometry w;
  std::string text;
  LoadWindowPosition(w, "W", text, kScreen);
  EXPECT_EQ(w.width, 1920);
  EXPECT_EQ(w.height, 1080);
  EXPECT_EQ(w.left, 0);
}

TEST_F(UserStateTest, NothingStoredLeavesTheSizeAndPutsTheWindowTopLeft) {
  WindowGeometry w{40, 40, 300, 200, false};
  std::string text = "x";
  LoadWindowPosition(w, "Never", text, kScreen);
  EXPECT_EQ(w.width, 300);
  EXPECT_EQ(w.left, 0);
  EXPECT_FALSE(w.maximized);
  EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace qn
