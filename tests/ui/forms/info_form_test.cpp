// The file information window: the lines of a new database, the progress window of a
// large file and stopping it with the lines found so far kept, a file that cannot be
// opened, and the window itself (caption, list, placement kept under its name).
#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "env/user_state.h"
#include "ui/forms/props_fixture.h"
#include "ui/forms/info_form.h"
#include "ui/dialogs/scripted_dialogs.h"

namespace qn {
namespace {

class InfoFormTest : public test::PropsTest {
 protected:
  // Enough named lines for a few thousand blocks (a record and its name block each).
  void AddLines(int count) {
    for (int i = 0; i < count; ++i) ASSERT_GT(AddNamed(db_, DirDown, "L" + std::to_string(i)), 0);
  }
  ScriptedDialogs dialogs_;
};

TEST_F(InfoFormTest, NewDatabaseStartsWithTheHeaderTheSystemRecordAndItsName) {
  const FileInfoScan scan = ScanFileInfo(file_, dialogs_);
  ASSERT_GE(scan.lines.size(), 3u);
  EXPECT_EQ(scan.lines[0], "1 pos:0 Størrelse: 256, tom peker   Ok.");
  EXPECT_EQ(scan.lines[1], "2 pos:256 Størrelse: 256, header   Ok.");
  EXPECT_EQ(scan.lines[2], "3 pos:512 Størrelse: 264 headerdata   Ok.");
  EXPECT_FALSE(scan.stopped);
  // A small file shows no progress window.
  EXPECT_TRUE(dialogs_.Asked(QuestionKind::kProgress).empty());
  // Every block of the file has its line and each reads whole.
  size_t blocks = 0;
  for (const std::string& line : scan.lines) blocks += line.ends_with("   Ok.") ? 1 : 0;
  EXPECT_EQ(blocks, scan.lines.size());
}

TEST_F(InfoFormTest, LargeFileShowsProgressAndEscapeKeepsTheLinesFoundSoFar) {
  AddLines(1200);  // 2,400 blocks and more
  const size_t all = ScanFileInfo(file_, dialogs_, 0).lines.size();
  ASSERT_GT(all, size_t(2 * kInfoPollBlocks));
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kProgress).size(), 1u);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kProgress)[0].caption, InfoCaption(file_));

  dialogs_.AbortProgressAtPoll(2);
  const FileInfoScan stopped = ScanFileInfo(file_, dialogs_, 0);
  EXPECT_TRUE(stopped.stopped);
  ASSERT_EQ(stopped.lines.size(), size_t(2 * kInfoPollBlocks) + 1);
  EXPECT_TRUE(stopped.lines.back().starts_with("Avbrutt ved pos:")) << stopped.lines.back();
  EXPECT_TRUE(stopped.lines[2 * kInfoPollBlocks - 1].starts_with(
      std::to_string(2 * kInfoPollBlocks) + " pos:"));
}

TEST_F(InfoFormTest, FileThatCannotBeOpenedGivesOneLineSayingSo) {
  const FileInfoScan scan = ScanFileInfo((Work() / "mangler.pdb256").string(), dialogs_);
  ASSERT_EQ(scan.lines.size(), 1u);
  EXPECT_TRUE(scan.lines[0].starts_with("Kan ikke åpne filen ")) << scan.lines[0];
  EXPECT_TRUE(scan.lines[0].ends_with(": Filen fins ikke (2)")) << "the reason first, the number after";
}

TEST_F(InfoFormTest, WindowListsTheScanUnderItsCaptionAndKeepsItsPlacement) {
  {
    TInfoForm form(db_, dialogs_);
    EXPECT_EQ(form.windowTitle().toStdString(), "Info [" + file_ + "]");
    const std::vector<std::string> lines = ScanFileInfo(file_, dialogs_).lines;
    ASSERT_EQ(form.ListBox1()->count(), int(lines.size()));
    EXPECT_EQ(form.ListBox1()->item(2)->text().toStdString(), lines[2]);
    form.show();
    form.resize(333, 222);
    form.reject();
  }
  WindowGeometry stored{0, 0, 0, 0, false};
  std::string text;
  LoadWindowPosition(stored, kInfoFormName, text, {4000, 4000});
  EXPECT_EQ(stored.width, 333);
  EXPECT_EQ(stored.height, 222);

  TInfoForm again(db_, dialogs_);
  EXPECT_EQ(again.width(), 333);
  EXPECT_EQ(again.height(), 222);
}

TEST_F(InfoFormTest, OnFirstUseTheWindowStandsOverTheMainWindowAndThenWhereItWasLeft) {
  QWidget main;
  main.setGeometry(300, 200, 900, 700);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  const QPoint centre = main.frameGeometry().center();
  {
    TInfoForm form(db_, dialogs_, &main);
    EXPECT_NEAR(form.x() + form.width() / 2, centre.x(), 1);
    EXPECT_NEAR(form.y() + form.height() / 2, centre.y(), 1);
    form.show();
    form.move(40, 30);
    form.reject();
  }
  TInfoForm again(db_, dialogs_, &main);
  EXPECT_EQ(again.pos(), QPoint(40, 30));
}

}  // namespace
}  // namespace qn
