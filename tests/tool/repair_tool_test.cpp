// quilltool repair, deleted and restore as a user runs them: what they print, their exit
// codes, the backup copy and the check afterwards.
#include <gtest/gtest.h>

#include "store/datapointer.h"
#include "env/memory_files.h"
#include "tool/tool_fixture.h"

using namespace qn;

namespace {

class RepairToolTest : public qn::test::ToolFixture {
 protected:
  static constexpr const char* kFile = "r.pdb256";
  Position AddLine(const std::string& at, const std::string& text) {
    EXPECT_EQ(Run({"add-line", kFile, at, "down", text}), 0);
    return Position(std::stoi(out.str()));
  }
};

TEST_F(RepairToolTest, RepairBacksUpPrintsEachChangeAndLeavesAFileTheCheckPasses) {
  ASSERT_EQ(Run({"create", kFile, "--minimal"}), 0);
  const Position a = AddLine("0", "A");
  const Position b = AddLine(P(a), "B");
  EXPECT_EQ(Run({"repair", kFile}), 0);
  EXPECT_EQ(out.str(), "OK\n");

  qn::test::PutI32(*fs->files.at(kFile), size_t(a) + kDownOffset, 99999);  // B is lost
  const qn::test::Bytes damaged = fs->Get(kFile);
  EXPECT_EQ(Run({"repair", kFile}), 0);
  EXPECT_EQ(fs->Get(std::string(kFile) + ".backup"), damaged);
  const std::string printed = out.str();
  EXPECT_NE(printed.find(P(a) + ": down 99999 lies outside the file: cut\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find(P(b) + ": no list reached it: now under \"Gjenfunnet "), std::string::npos) << printed;
  EXPECT_EQ(Run({"check", kFile}), 0) << out.str();
  EXPECT_EQ(Run({"repair", "missing.pdb256"}), 2);
  EXPECT_EQ(ErrLines(), 1);
}

TEST_F(RepairToolTest, DeletedListsEscapedNamesAndRestorePutsOneBack) {
  ASSERT_EQ(Run({"create", kFile, "--minimal"}), 0);
  const Position a = AddLine("0", "A");
  const Position x = AddLine(P(a), "X\x1bY");
  {
    tDataImageArk db(fs);
    db.Open(kFile);
    ASSERT_EQ(db.dp->Load(x), 0);
    db.BeginChange();
    db.dp->Delete();
    ASSERT_EQ(db.EndChange(), 0);
  }
  EXPECT_EQ(Run({"deleted", kFile}), 0);
  const std::string line = out.str();
  EXPECT_EQ(line.substr(0, P(x).size() + 3), P(x) + " 1 ");
  EXPECT_NE(line.find(" X\\x1bY\n"), std::string::npos) << line;

  EXPECT_EQ(Run({"restore", kFile, P(x), "99999"}), 1);
  EXPECT_EQ(Run({"restore", kFile, P(a), "0"}), 1);
  EXPECT_EQ(Run({"restore", kFile, P(x)}), 2);
  EXPECT_EQ(Run({"restore", kFile, P(x), P(a)}), 0);
  EXPECT_EQ(out.str(), P(x) + "\n");
  EXPECT_EQ(Run({"deleted", kFile}), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(Run({"check", kFile}), 0) << out.str();
}

}  // namespace
