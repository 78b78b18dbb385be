// quilltool bookmark, quick, note, link and global: each scripted on an in-memory database
// and followed by quilltool check, which must find the file sound after every command.
#include <gtest/gtest.h>

#include <fstream>

#include "content/initial_content.h"
#include "env/temp_env.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "tool/tool_fixture.h"

using namespace qn;
using namespace qn::tool;

namespace {

class RecordLinksToolTest : public qn::test::ToolFixture {
 protected:
  static constexpr const char* kFile = "lenker.pdb256";
  void SetUp() override {
    ToolFixture::SetUp();
    ASSERT_EQ(Run({"create", kFile}), kExitOk);
    ASSERT_EQ(Run({"find", kFile, "Data"}), kExitOk);
    data = std::stoi(out.str());
    ASSERT_EQ(Run({"add-line", kFile, P(data), "right", "Alfa"}), kExitOk);
    alfa = std::stoi(out.str());
  }
  // The command's exit code; the file must be sound afterwards.
  int Checked(std::vector<std::string> args) {
    const int code = Run(args);
    const std::string output = out.str();
    EXPECT_EQ(Run({"check", kFile}), kExitOk) << args[0];
    EXPECT_EQ(out.str(), "OK\n") << args[0];
    out.str(output);
    return code;
  }
  std::string TextFile(const std::string& name, const std::string& text) {
    const std::string path = (env.Work() / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  PointerRecord Record(Position p) {
    tDataImageArk db(fs);
    OpenDatabase(db, kFile, OpenPolicy::kFromSettings);
    RecordImage image{};
    db.dp->ReadRecordAt(p, image);
    return PointerRecord::Decode(image);
  }

  qn::test::TempEnv env;
  Position data = 0, alfa = 0;
};

TEST_F(RecordLinksToolTest, BookmarksAndQuickListEntriesAreAddedFoundAndListed) {
  EXPECT_EQ(Checked({"bookmark", kFile, "find", "alfa"}), kExitNotFound) << "no bookmark yet";
  EXPECT_EQ(Checked({"bookmark", kFile, "add", P(alfa), "alfa"}), kExitOk);
  EXPECT_EQ(Checked({"bookmark", kFile, "find", "ALFA"}), kExitOk);
  EXPECT_EQ(out.str(), P(alfa) + "\n");
  // A key met on the way carries the target its first bookmark gave it: "alfons" finds alfa.
  EXPECT_EQ(Checked({"bookmark", kFile, "find", "alfons"}), kExitOk);
  EXPECT_EQ(Checked({"bookmark", kFile, "find"}), kExitError);

  EXPECT_EQ(Checked({"quick", kFile, "add", P(alfa), "Til alfa"}), kExitOk);
  EXPECT_EQ(Checked({"quick", kFile, "list"}), kExitOk);
  EXPECT_EQ(out.str(), "Til alfa\t" + P(alfa) + "\n");
  EXPECT_EQ(Checked({"quick", kFile, "add", P(alfa), ""}), kExitError);
}

TEST_F(RecordLinksToolTest, ANoteIsMadeWhenMissingPrintedAndNeverCut) {
  EXPECT_EQ(Checked({"note", kFile, P(alfa)}), kExitNotFound);
  EXPECT_EQ(Checked({"note", kFile, P(alfa), "--set", TextFile("a.txt", "linje 1\r\nlinje 2 æøå\n")}),
            kExitOk);
  EXPECT_EQ(Record(alfa).kind, kKindNamedNote);
  EXPECT_EQ(Checked({"note", kFile, P(alfa)}), kExitOk);
  EXPECT_EQ(out.str(), "linje 1\nlinje 2 æøå\n");
  EXPECT_EQ(Checked({"note", kFile, P(alfa), "--set", TextFile("b.txt", std::string(8193, 'x'))}),
            kExitError);
  EXPECT_EQ(Checked({"note", kFile, P(alfa)}), kExitOk);
  EXPECT_EQ(out.str(), "linje 1\nlinje 2 æøå\n") << "a refused note leaves the old one";
}

TEST_F(RecordLinksToolTest, LinkTextsAndGlobalPointersAreWritten) {
  EXPECT_EQ(Checked({"link", kFile, P(alfa), "/home/ola/brev.odt"}), kExitOk);
  EXPECT_EQ(Record(alfa).kind, kKindNamed) << "a named line stays one";
  EXPECT_NE(Record(alfa).linkBlock, 0);
  EXPECT_EQ(Checked({"link", kFile, P(alfa), std::string(300, 'a')}), kExitError);

  EXPECT_EQ(Checked({"global", kFile, P(alfa), "--file", "annen.pdb256", "--position", "512", "--auto"}),
            kExitOk);
  const Position pointer = std::stoi(out.str());
  EXPECT_EQ(Record(pointer).kind, kKindGlobalPointer);
  EXPECT_EQ(Record(alfa).down, pointer);
  EXPECT_EQ(Checked({"tree", kFile}), kExitOk);
  EXPECT_NE(out.str().find("[AUTOMATISK] annen.pdb256 : 512"), std::string::npos) << out.str();
  EXPECT_EQ(Checked({"global", kFile, P(alfa), "--file", "annen.pdb256", "--text", "Kunder"}), kExitOk);
  EXPECT_EQ(Checked({"global", kFile, P(alfa), "--file", "x", "--position", "1", "--text", "y"}),
            kExitError);
  EXPECT_EQ(Checked({"global", kFile, P(alfa), "--file", "x", "--position", "tolv"}), kExitError);
}

}  // namespace
