#include <gtest/gtest.h>

#include <algorithm>

#include "content/initial_content.h"
#include "content/note_text.h"
#include "store/datapointer.h"
#include "store/new_database_file.h"
#include "store/record_blocks.h"
#include "tool/tool_fixture.h"

using namespace qn;
using qn::test::NewDatabaseFile;

namespace {

// Data › Kunder › Blåbær AS (with a note), a document link and a name with an escape
// character, on a file without its initial content.
class SearchToolTest : public qn::test::ToolFixture {
 protected:
  void SetUp() override {
    ToolFixture::SetUp();
    fs->Put("db.pdb256", NewDatabaseFile());
    tDataImageArk db(fs);
    db.Open("db.pdb256", OpenPolicy::kCreate);
    Datapointer& dp = *db.dp;
    dp.Load(0);
    data = AddNamed(db, DirDown, "Data");
    customers = AddNamed(db, DirRight, "Kunder");
    company = AddNamed(db, DirRight, "Blåbær AS");
    EXPECT_EQ(WriteNoteText(db, "Leverer BLÅBÆR hver fredag"), "");
    link = AddLinked(db, DirDown, "/srv/blåbær.txt");
    escape = AddNamed(db, DirDown, "Blåbær\x1b[2J");
    db.Close();
    writesBefore = fs->stats.writes;
  }

  Position data = 0, customers = 0, company = 0, link = 0, escape = 0;
  int writesBefore = 0;
};

TEST_F(SearchToolTest, PrintsOneEscapedLinePerHitInWalkOrderAndChangesNothing) {
  ASSERT_EQ(Run({"search", "db.pdb256", "blåbær"}), 0) << err.str();
  const std::string path = "Data › Kunder › ";
  EXPECT_EQ(out.str(), P(company) + "\tname\t" + path + "Blåbær AS\tBlåbær AS\n" +
                           P(company) + "\tnote\t" + path + "Blåbær AS\tLeverer BLÅBÆR hver fredag\n" +
                           P(link) + "\tlink\t" + path + "/srv/blåbær.txt\t/srv/blåbær.txt\n" +
                           P(escape) + "\tname\t" + path + "Blåbær\\x1b[2J\tBlåbær\\x1b[2J\n");
  EXPECT_EQ(fs->stats.writes, writesBefore);
}

TEST_F(SearchToolTest, InAndCaseNarrowTheSearch) {
  ASSERT_EQ(Run({"search", "db.pdb256", "BLÅBÆR", "--case"}), 0);
  EXPECT_EQ(out.str().substr(0, P(company).size() + 5), P(company) + "\tnote");
  ASSERT_EQ(Run({"search", "db.pdb256", "blåbær", "--in", "links,notes"}), 0);
  const std::string lines = out.str();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
}

TEST_F(SearchToolTest, NothingFoundIsExitOneAndABadPlaceAUsageError) {
  EXPECT_EQ(Run({"search", "db.pdb256", "tyttebær"}), 1);
  EXPECT_EQ(out.str(), "");
  for (std::vector<std::string> bad : {std::vector<std::string>{"search", "db.pdb256", "x", "--in", "names,pictures"},
                                       {"search", "db.pdb256", "x", "--in"},
                                       {"search", "db.pdb256"}}) {
    EXPECT_EQ(Run(bad), 2);
    EXPECT_EQ(ErrLines(), 1);
  }
}

}  // namespace
