#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "env/environment.h"
#include "env/settings.h"
#include "env/scratch_env.h"

namespace qn {
namespace {

// ---- The ini file in memory ----

TEST(IniFileTest, SectionsAndKeysMatchWithoutRegardToCase) {
  IniFile ini;
  ini.Parse("[Standard]\nLogToFile=1\n[VINDU-Æøå]\nLeft=5\n");
  EXPECT_EQ(ini.Get("STANDARD", "logtofile"), "1");
  EXPECT_EQ(ini.Get("vindu-æØÅ", "LEFT"), "5");
  ini.Set("standard", "LOGTOFILE", "0");
  EXPECT_EQ(ini.Keys("Standard").size(), 1u);
  EXPECT_EQ(ini.Serialize(), "[Standard]\nLogToFile=0\n\n[VINDU-Æøå]\nLeft=5\n");
}

TEST(IniFileTest, MissingSectionOrKeyGivesTheFallback) {
  IniFile ini;
  ini.Parse("[A]\nx=1\n");
  EXPECT_EQ(ini.Get("A", "y"), "");
  EXPECT_EQ(ini.Get("B", "x", "dflt"), "dflt");
  EXPECT_FALSE(ini.HasKey("A", "y"));
  EXPECT_TRUE(ini.HasSection("a"));
}

TEST(IniFileTest, ValueIsEverythingAfterTheFirstEqualsSignUntouched) {
  IniFile ini;
  ini.Parse("[S]\n  key  =  a=b = c  \r\nempty=\n");
  EXPECT_EQ(ini.Get("S", "key"), "  a=b = c  ");
  EXPECT_TRUE(ini.HasKey("S", "empty"));
  EXPECT_EQ(ini.Get("S", "empty", "x"), "");
}

TEST(IniFileTest, CommentsAndForeignLinesSurviveRepeatedRoundTrips) {
  const std::string text = "; made by hand\n\n[A]\n# note\nx=1\nno equals sign here\n\n[B]\ny=2\n";
  IniFile ini;
  ini.Parse(text);
  EXPECT_EQ(ini.Serialize(), text);
  ini.Parse(ini.Serialize());
  EXPECT_EQ(ini.Serialize(), text);
  EXPECT_EQ(ini.Keys("A"), std::vector<std::string>{"x"});
}

TEST(IniFileTest, CarriageReturnsAtTheEndOfALineAreNotPartOfTheValue) {
  IniFile ini;
  ini.Parse("[S]\r\nlast=v\r");  // the file's last line ends in a bare CR
  EXPECT_EQ(ini.Get("S", "last"), "v");
  // A value that itself ends in a CR keeps the same length through the file.
  ini.Set("S", "k", "v\r");
  ini.Set("S", "next", "n");
  IniFile again;
  again.Parse(ini.Serialize());
  EXPECT_EQ(again.Get("S", "k"), ini.Get("S", "k"));
  EXPECT_EQ(again.Get("S", "k").size(), 2u);
  EXPECT_EQ(again.Get("S", "next"), "n");
}

TEST(IniFileTest, LinesStartingWithAHashOrSemicolonAreCommentsNotKeys) {
  IniFile ini;
  ini.Parse("[A]\n#x=1\n  ; y=2\nz=3\n");
  EXPECT_FALSE(ini.HasKey("A", "#x"));
  EXPECT_FALSE(ini.HasKey("A", "; y"));
  EXPECT_EQ(ini.Keys("A"), std::vector<std::string>{"z"});
  EXPECT_EQ(ini.Get("A", "#x", "none"), "none");
  EXPECT_EQ(ini.Serialize(), "[A]\n#x=1\n  ; y=2\nz=3\n");
}

TEST(IniFileTest, AByteOrderMarkBeforeTheFirstLineIsSkipped) {
  IniFile ini;
  ini.Parse("\xEF\xBB\xBF[Standard]\nLogToFile=1\n");
  EXPECT_EQ(ini.Get("STANDARD", "LogToFile"), "1");
  EXPECT_EQ(ini.Sections().size(), 1u);
  ini.Parse("\xEF\xBB\xBFtop=t\n[A]\n");
  EXPECT_EQ(ini.Get("", "top"), "t");
}

TEST(IniFileTest, RepeatedSectionHeaderContinuesTheFirst) {
  IniFile ini;
  ini.Parse("[A]\nx=1\n[B]\n[a]\nx=2\ny=3\n");
  EXPECT_EQ(ini.Get("A", "x"), "1");
  EXPECT_EQ(ini.Get("A", "y"), "3");
  EXPECT_EQ(ini.Sections().size(), 2u);
}

TEST(IniFileTest, LineBreakInAValueCannotStartAnotherLine) {
  IniFile ini;
  ini.Set("S", "k", "one\n[EVIL]\r\nx=2");
  IniFile again;
  again.Parse(ini.Serialize());
  EXPECT_FALSE(again.HasSection("EVIL"));
  EXPECT_EQ(again.Get("S", "k"), ini.Get("S", "k"));
}

TEST(IniFileTest, KeysBeforeAnySectionStayBeforeTheFirstHeader) {
  IniFile ini;
  ini.Set("A", "x", "1");
  ini.Set("", "top", "t");
  IniFile again;
  again.Parse(ini.Serialize());
  EXPECT_EQ(again.Get("", "top"), "t");
  EXPECT_FALSE(again.HasKey("A", "top"));
}

TEST(IniFileTest, ModifiedOnlyByARealChange) {
  IniFile ini;
  ini.Parse("[A]\nx=1\n");
  ini.Set("a", "X", "1");
  EXPECT_FALSE(ini.modified());
  ini.Set("a", "X", "2");
  EXPECT_TRUE(ini.modified());
}

TEST(SettingTextTest, NumbersAndBooleans) {
  EXPECT_EQ(ParseSettingInteger(" 42 ", 0), 42);
  EXPECT_EQ(ParseSettingInteger("-2147483648", 0), INT32_MIN);
  EXPECT_EQ(ParseSettingInteger("2147483648", 7), 7);
  EXPECT_EQ(ParseSettingInteger("12abc", 7), 7);
  EXPECT_EQ(ParseSettingInteger("", 7), 7);
  EXPECT_TRUE(ParseSettingBool("1", false));
  EXPECT_TRUE(ParseSettingBool("-3", false));
  EXPECT_TRUE(ParseSettingBool("99999999999999999999", false));
  EXPECT_FALSE(ParseSettingBool("000", true));
  EXPECT_FALSE(ParseSettingBool("yes", false));
}

// ---- The settings files of the run ----

class SettingsTest : public scratch::ScratchEnvTest {
 protected:
  std::string IniPath() const { return Path("etc/veltrona.ini"); }
  void SetUp() override {
    ScratchEnvTest::SetUp();
    MakeDirs(Path("etc"));
  }
};

TEST_F(SettingsTest, MissingKeysReadAsEmptyFalseAndZero) {
  ASSERT_TRUE(OpenSettings(IniPath()));
  EXPECT_EQ(ReadSettingString("nothing"), "");
  EXPECT_FALSE(ReadSettingBool("nothing"));
  EXPECT_EQ(ReadSettingInteger("nothing"), 0);
  EXPECT_EQ(CurrentSection(), "STANDARD");
}

TEST_F(SettingsTest, MissingFileStartsEmptyAndIsCreatedByTheFirstFlushWithChanges) {
  ASSERT_TRUE(OpenSettings(IniPath()));
  EXPECT_EQ(IniFileName(), IniPath());
  EXPECT_EQ(IniFolder(), Path("etc/"));
  EXPECT_TRUE(FlushSettings());
  EXPECT_FALSE(Exists(IniPath()));
  WriteSettingBool("LogToFile", true);
  WriteSettingBool("VerboseLogging", false);
  WriteSettingInteger("Count", -12);
  EXPECT_TRUE(FlushSettings());
  EXPECT_EQ(ReadFile(IniPath()), "[STANDARD]\nLogToFile=1\nVerboseLogging=0\nCount=-12\n");
}

TEST_F(SettingsTest, RelativePathIsMadeAbsolute) {
  ASSERT_TRUE(OpenSettings("etc/veltrona.ini"));
  EXPECT_EQ(IniFileName(), IniPath());
}

TEST_F(SettingsTest, ValuesWithEqualsSignsAndLeadingBlanksSurviveFlushAndReopen) {
  ASSERT_TRUE(OpenSettings(IniPath()));
  SetSection("QUILLNET-SERVER");
  WriteSettingString("Param", "a=b=c");
  WriteSettingString("Indent", "   three blanks");
  ASSERT_TRUE(CloseSettings());
  ASSERT_TRUE(OpenSettings(IniPath()));
  SetSection("quillnet-server");
  EXPECT_EQ(ReadSettingString("param"), "a=b=c");
  EXPECT_EQ(ReadSettingString("INDENT"), "   three blanks");
}

TEST_F(SettingsTest, AnyNonZeroNumberReadsTrue) {
  WriteFile(IniPath(), "[STANDARD]\nA=2\nB=0\nC=-1\nD=true\nE= 5 \n");
  ASSERT_TRUE(OpenSettings(IniPath()));
  EXPECT_TRUE(ReadSettingBool("A"));
  EXPECT_FALSE(ReadSettingBool("B"));
  EXPECT_TRUE(ReadSettingBool("C"));
  EXPECT_FALSE(ReadSettingBool("D"));
  EXPECT_EQ(ReadSettingInteger("E"), 5);
}

TEST_F(SettingsTest, ReadOnlyFileIsReadButNeverWritten) {
  const std::string text = "[STANDARD]\nLogToFile=1\n";
  WriteFile(IniPath(), text);
  ASSERT_EQ(::chmod(IniPath().c_str(), 0444), 0);
  ASSERT_TRUE(OpenSettings(IniPath()));
  EXPECT_TRUE(SettingsReadOnly());
  EXPECT_TRUE(ReadSettingBool("LogToFile"));
  WriteSettingBool("LogToFile", false);
  EXPECT_FALSE(ReadSettingBool("LogToFile"));  // the memory copy still changes
  EXPECT_TRUE(FlushSettings());
  EXPECT_TRUE(CloseSettings());
  EXPECT_EQ(ReadFile(IniPath()), text);
}

TEST_F(SettingsTest, FileOpenedReadOnlyIsNeverWritten) {
  WriteFile(IniPath(), "[A]\nx=1\n");
  ASSERT_TRUE(OpenSettings(IniPath(), SettingsAccess::kReadOnly));
  EXPECT_TRUE(SettingsReadOnly());
  WriteSettingString("x", "2");
  EXPECT_TRUE(CloseSettings());
  EXPECT_EQ(ReadFile(IniPath()), "[A]\nx=1\n");
}

TEST_F(SettingsTest, FileThatCannotBeReadIsReportedAndNotOverwritten) {
  MakeDirs(IniPath());  // a folder where the file should be
  EXPECT_FALSE(OpenSettings(IniPath()));
  EXPECT_TRUE(SettingsReadOnly());
  WriteSettingString("x", "1");
  EXPECT_TRUE(FlushSettings());
  EXPECT_TRUE(IsDir(IniPath()));
}

TEST_F(SettingsTest, FailedFlushIsReportedWithItsErrorAndKeepsTheChanges) {
  ASSERT_TRUE(OpenSettings(Path("gone/veltrona.ini")));
  WriteSettingString("x", "1");
  EXPECT_FALSE(FlushSettings());
  EXPECT_EQ(SettingsErrorCode(), ENOENT);
  EXPECT_EQ(ReadSettingString("x"), "1");
  MakeDirs(Path("gone"));
  EXPECT_TRUE(FlushSettings());  // still unsaved, so the next flush writes it
  EXPECT_EQ(ReadFile(Path("gone/veltrona.ini")), "[STANDARD]\nx=1\n");
}

TEST_F(SettingsTest, FailedWriteAtCloseIsReported) {
  ASSERT_TRUE(OpenSettings(Path("gone/veltrona.ini")));
  WriteSettingString("x", "1");
  EXPECT_FALSE(CloseSettings());
}

TEST_F(SettingsTest, FlushWritesThroughASymbolicLinkAndKeepsTheFileMode) {
  WriteFile(Path("real.ini"), "[A]\nx=1\n");
  ASSERT_EQ(::chmod(Path("real.ini").c_str(), 0640), 0);
  ASSERT_EQ(::symlink(Path("real.ini").c_str(), IniPath().c_str()), 0);
  ASSERT_TRUE(OpenSettings(IniPath()));
  SetSection("A");
  WriteSettingString("x", "2");
  ASSERT_TRUE(FlushSettings());
  EXPECT_TRUE(IsLink(IniPath()));
  EXPECT_EQ(ReadFile(Path("real.ini")), "[A]\nx=2\n");
  struct stat st;
  ASSERT_EQ(::stat(Path("real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(SettingsTest, CloseEmptiesTheStoreButKeepsTheFileName) {
  ASSERT_TRUE(OpenSettings(IniPath()));
  WriteSettingString("x", "1");
  ASSERT_TRUE(CloseSettings());
  EXPECT_EQ(ReadSettingString("x"), "");
  EXPECT_EQ(IniFileName(), IniPath());
  WriteSettingString("y", "1");  // a store with no file is never written
  EXPECT_TRUE(FlushSettings());
  EXPECT_EQ(ReadFile(IniPath()), "[STANDARD]\nx=1\n");
}

TEST_F(SettingsTest, UserFileIsUsedBetweenTheSwitchesAndTheSharedFileIsFlushed) {
  SetUserNameOption("ola");
  ASSERT_TRUE(OpenSettings(IniPath()));
  WriteSettingString("shared", "s");
  ASSERT_TRUE(UseUserSettings());
  EXPECT_EQ(ReadFile(IniPath()), "[STANDARD]\nshared=s\n");
  EXPECT_TRUE(UsingUserSettings());
  EXPECT_EQ(ReadSettingString("shared"), "");
  SetSection("VINDU-QuillNet");
  WriteSettingInteger("Left", 10);
  ASSERT_TRUE(UseSharedSettings());
  EXPECT_EQ(ReadFile(Path("etc/OLA.INI")), "[VINDU-QuillNet]\nLeft=10\n");
  ResetSection();
  EXPECT_EQ(ReadSettingString("shared"), "s");
  EXPECT_FALSE(SharedSettings().HasSection("VINDU-QuillNet"));
}

TEST_F(SettingsTest, SharedChangesSurviveAFailedFlushAtTheSwitch) {
  ASSERT_TRUE(OpenSettings(Path("gone/veltrona.ini")));
  WriteSettingString("x", "1");
  EXPECT_FALSE(UseUserSettings());
  EXPECT_TRUE(UseSharedSettings());
  EXPECT_EQ(ReadSettingString("x"), "1");
}

TEST_F(SettingsTest, UserFileStaysInTheSettingsFolderWhateverTheName) {
  SetUserNameOption("../../evil");
  ASSERT_TRUE(OpenSettings(IniPath()));
  EXPECT_EQ(UserSettingsFileName(), Path("etc/.._.._EVIL.INI"));
}

}  // namespace
}  // namespace qn
