// quilltool export-html, export-text and import-seq.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tool/tool_fixture.h"

using namespace qn;
using namespace qn::tool;
using qn::test::Bytes;
using ::testing::HasSubstr;

namespace {

class ExchangeToolTest : public qn::test::ToolFixture {
 protected:
  void SetUp() override {
    ToolFixture::SetUp();
    ASSERT_EQ(Run({"create", "db.pdb256"}), kExitOk);
    ASSERT_EQ(Run({"find", "db.pdb256", "** Ingen data (denne linjen kan endres elles slettes) **"}), kExitOk);
    line = out.str().substr(0, out.str().size() - 1);
  }
  std::string Text(const std::string& name) {
    Bytes b = fs->Get(name);
    return std::string(b.begin(), b.end());
  }
  std::string line;
};

TEST_F(ExchangeToolTest, ImportedRecordsAreCheckedAndExported) {
  Bytes data(3 * 434, 0);
  for (int i = 0; i < 3; ++i) {
    data[i * 434] = 3;  // Brukernavn
    data[i * 434 + 1] = 'a' + i;
    data[i * 434 + 2] = ',';
    data[i * 434 + 3] = 'x';
  }
  fs->Put("tre.dta", data);
  ASSERT_EQ(Run({"import-seq", "db.pdb256", line, "Database Bruker", "tre.dta"}), kExitOk) << err.str();
  EXPECT_EQ(out.str(), "3\n");
  EXPECT_EQ(Run({"check", "db.pdb256"}), kExitOk);
  EXPECT_EQ(out.str(), "OK\n");

  // The named line on top is never exported and decides nothing: the first data record's
  // template does.
  ASSERT_EQ(Run({"export-text", "db.pdb256", line, "liste.txt"}), kExitOk) << err.str();
  EXPECT_EQ(out.str(), "3 records\n");
  const std::string text = Text("liste.txt");
  EXPECT_EQ(text.substr(0, text.find("\r\n")).back(), ';');
  EXPECT_THAT(text, HasSubstr("\r\na;x;"));
  EXPECT_THAT(text, HasSubstr("\r\nc;x;"));
  ASSERT_EQ(Run({"export-text", "db.pdb256", line, "liste.csv", "--csv"}), kExitOk);
  EXPECT_THAT(Text("liste.csv"), HasSubstr("\r\n\"a,x\","));

  ASSERT_EQ(Run({"export-html", "db.pdb256", "html"}), kExitOk) << err.str();
  // The top list, "System" with its standard lists and the placeholders' lists, "Data".
  const int pages = std::stoi(out.str());
  int files = 0;
  for (const auto& [name, bytes] : fs->files) files += name.rfind("html/", 0) == 0;
  EXPECT_EQ(files, pages);
  EXPECT_GT(pages, 10);
  EXPECT_EQ(Run({"export-html", "db.pdb256", "one\\", "--list", line}), kExitOk);
  EXPECT_EQ(out.str(), "1 page\n");
}

TEST_F(ExchangeToolTest, RefusalsChangeNothing) {
  fs->Put("skjev.dta", Bytes(435, 1));
  fs->Put("tom.dta", Bytes());
  const Bytes before = fs->Get("db.pdb256");
  EXPECT_EQ(Run({"import-seq", "db.pdb256", line, "Database Bruker", "skjev.dta"}), kExitError);
  EXPECT_EQ(ErrLines(), 1);
  EXPECT_EQ(Run({"import-seq", "db.pdb256", line, "Ingen mal", "skjev.dta"}), kExitNotFound);
  EXPECT_EQ(Run({"import-seq", "db.pdb256", line, "Database Bruker", "mangler.dta"}), kExitError);
  EXPECT_EQ(ErrLines(), 1);
  EXPECT_EQ(fs->Get("db.pdb256"), before);
  EXPECT_EQ(Run({"import-seq", "db.pdb256", line, "Database Bruker", "tom.dta"}), kExitOk);
  EXPECT_EQ(out.str(), "0\n");
  // A list without data records.
  EXPECT_EQ(Run({"export-text", "db.pdb256", line, "x.txt"}), kExitNotFound);
  EXPECT_FALSE(fs->Exists("x.txt"));
}

TEST_F(ExchangeToolTest, AFolderThatIsNotThereIsAnErrorOnDisk) {
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "exchange_tool_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "db.pdb256").string();
  fs = nullptr;
  std::ostringstream o, e;
  ToolContext disk{o, e, DiskFileSystem()};
  ASSERT_EQ(RunTool({"create", file}, disk), kExitOk);
  EXPECT_EQ(RunTool({"export-html", file, (dir / "mangler").string()}, disk), kExitError);
  const std::string message = e.str();
  EXPECT_THAT(message, HasSubstr("kunne ikke skrives"));
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
  std::filesystem::remove_all(dir);
}

}  // namespace
