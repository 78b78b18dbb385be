#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "store/datapointer.h"
#include "store/new_database_file.h"
#include "store/record_blocks.h"
#include "env/log.h"
#include "env/settings.h"
#include "tool/tool.h"
#include "tool/tool_fixture.h"
#include "content/initial_content.h"

using namespace qn;
using namespace qn::tool;
using qn::test::Bytes;
using qn::test::MemoryFileSystem;
using qn::test::NewDatabaseFile;
using qn::test::PutI32;

namespace {

class TreeFindCheckTest : public qn::test::ToolFixture {
 protected:
  void SetUp() override {
    ToolFixture::SetUp();
    fs->Put("db.pdb256", NewDatabaseFile());
    // System (with Version and a document link) and Data (with one line), built by the
    // engine on a file opened without its initial content, so that every record is
    // reachable.
    tDataImageArk db(fs);
    db.Open("db.pdb256", OpenPolicy::kCreate);
    Datapointer& dp = *db.dp;
    dp.Load(0);
    system = AddNamed(db, DirDown, "System");
    data = AddNamed(db, DirDown, "Data");
    dp.Load(system);
    version = AddNamed(db, DirRight, "Version");
    link = AddLinked(db, DirDown, "/srv/blå.txt");
    dp.Load(data);
    line = AddNamed(db, DirRight, "Første linje");
    db.Close();
    writesBefore = fs->stats.writes;
  }

  Position system = 0, data = 0, version = 0, link = 0, line = 0;
  int writesBefore = 0;
};

TEST_F(TreeFindCheckTest, TreeListsEveryRecordDepthFirstWithItsKindAndText) {
  Bytes before = fs->Get("db.pdb256");
  EXPECT_EQ(Run({"tree", "db.pdb256"}), kExitOk);
  EXPECT_EQ(out.str(), P(system) + " 1 System\n" +
                           "  " + P(version) + " 1 Version\n" +
                           "  " + P(link) + " 512 /srv/blå.txt\n" +
                           P(data) + " 1 Data\n" +
                           "  " + P(line) + " 1 Første linje\n");
  EXPECT_EQ(fs->Get("db.pdb256"), before);
  EXPECT_EQ(fs->stats.writes, writesBefore);
}

TEST_F(TreeFindCheckTest, FindPrintsThePositionOrExitsOne) {
  EXPECT_EQ(Run({"find", "db.pdb256", "Første linje"}), kExitOk);
  EXPECT_EQ(out.str(), P(line) + "\n");
  EXPECT_EQ(Run({"find", "db.pdb256", "data"}), kExitNotFound);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(Run({"find", "db.pdb256"}), kExitError);
  EXPECT_EQ(Run({"find", "none.pdb256", "Data"}), kExitError);
  EXPECT_FALSE(fs->Exists("none.pdb256"));
  EXPECT_EQ(fs->stats.writes, writesBefore);
}

TEST_F(TreeFindCheckTest, CheckSaysOkForASoundFileAndListsFaultsOtherwise) {
  EXPECT_EQ(Run({"check", "db.pdb256"}), kExitOk);
  EXPECT_EQ(out.str(), "OK\n");
  PutI32(*fs->files.at("db.pdb256"), size_t(line) + kLeftOffset, 0);  // a one-way link
  EXPECT_EQ(Run({"check", "db.pdb256"}), 1);
  EXPECT_EQ(out.str(), P(data) + ": right " + P(line) + " has left 0\n");
  EXPECT_EQ(fs->stats.writes, writesBefore);
}

TEST_F(TreeFindCheckTest, TreeOfAFileWithACycleEnds) {
  PutI32(*fs->files.at("db.pdb256"), size_t(line) + kRightOffset, system);
  EXPECT_EQ(Run({"tree", "db.pdb256"}), kExitOk);
  std::string listing = out.str();
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 5);
  EXPECT_EQ(Run({"check", "db.pdb256"}), 1);
}

}  // namespace
