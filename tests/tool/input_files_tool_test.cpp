// Files the tool reads or writes beside the database: an input that is no regular file or
// has no end is refused before it is read, an export page is never written through a link,
// and a journal kept aside is reported by check.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tool/tool_fixture.h"

using namespace qn;
using namespace qn::tool;
using qn::test::Bytes;
using ::testing::HasSubstr;

namespace {

namespace stdfs = std::filesystem;

class InputFilesToolTest : public qn::test::ToolFixture {
 protected:
  void SetUp() override {
    ToolFixture::SetUp();
    dir = stdfs::path(::testing::TempDir()) / ("input_files_" + std::to_string(::getpid()));
    stdfs::remove_all(dir);
    stdfs::create_directories(dir);
  }
  void TearDown() override {
    stdfs::remove_all(dir);
    ToolFixture::TearDown();
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  std::string Sized(const std::string& name, uintmax_t size) const {
    std::ofstream(Path(name)).put('x');
    stdfs::resize_file(Path(name), size);
    return Path(name);
  }
  stdfs::path dir;
};

TEST_F(InputFilesToolTest, AnInputThatIsNoRegularFileOrTooLongIsRefusedUnread) {
  ASSERT_EQ(Run({"create", "db.pdb256"}), kExitOk);
  ASSERT_EQ(Run({"find", "db.pdb256", "Data"}), kExitOk);
  const std::string pos = out.str().substr(0, out.str().size() - 1);
  const Bytes before = fs->Get("db.pdb256");
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  stdfs::create_directory(Path("folder"));
  const std::vector<std::string> unreadable = {"/dev/zero", Path("pipe"), Path("folder")};
  struct Command {
    std::vector<std::string> args;  // the input goes last
    uintmax_t limit;
  };
  const std::vector<Command> commands = {
      {{"declarations"}, uintmax_t(64) << 20},
      {{"import-pascal", "db.pdb256"}, uintmax_t(64) << 20},
      {{"note", "db.pdb256", pos, "--set"}, 3 * 8192 + 3},
  };
  for (const Command& c : commands) {
    std::vector<std::string> inputs = unreadable;
    inputs.push_back(Sized("long", c.limit + 1));
    for (const std::string& input : inputs) {
      std::vector<std::string> args = c.args;
      args.push_back(input);
      EXPECT_EQ(Run(args), kExitError) << c.args[0] << " " << input;
      EXPECT_EQ(ErrLines(), 1) << c.args[0] << " " << input;
      EXPECT_THAT(err.str(), HasSubstr(input));
      EXPECT_EQ(fs->Get("db.pdb256"), before);
    }
    if (c.limit > 8 * 8192) continue;
    // Just at the bound the file is read (and then judged by the command): a note that
    // fits takes up to three bytes a character in UTF-8.
    Sized("long", c.limit);
    std::vector<std::string> args = c.args;
    args.push_back(Path("long"));
    Run(args);
    EXPECT_THAT(err.str(), ::testing::Not(HasSubstr("lengre enn"))) << c.args[0];
  }
}

TEST_F(InputFilesToolTest, ExportPagesReplaceLinksInTheFolderInsteadOfWritingThroughThem) {
  ToolContext disk{out, err, DiskFileSystem()};
  const std::string db = Path("db.pdb256");
  const std::string html = Path("html");
  stdfs::create_directory(html);
  ASSERT_EQ(RunTool({"create", db}, disk), kExitOk);
  ASSERT_EQ(RunTool({"export-html", db, html}, disk), kExitOk);
  std::vector<stdfs::path> pages;
  for (const auto& entry : stdfs::directory_iterator(html)) pages.push_back(entry.path());
  ASSERT_GE(pages.size(), 3u);
  std::ofstream(Path("victim")) << "keep";
  stdfs::remove(pages[0]);
  stdfs::create_symlink(Path("victim"), pages[0]);
  stdfs::remove(pages[1]);
  stdfs::create_symlink(Path("outside"), pages[1]);  // dangling
  stdfs::remove(pages[2]);
  std::ofstream(pages[2].string() + ".new") << "left by a stopped export";
  ASSERT_EQ(RunTool({"export-html", db, html}, disk), kExitOk);
  std::ifstream victim(Path("victim"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "keep");
  EXPECT_FALSE(stdfs::exists(Path("outside")));
  size_t count = 0;
  for (const auto& entry : stdfs::directory_iterator(html)) {
    EXPECT_TRUE(entry.is_regular_file() && !entry.is_symlink()) << entry.path();
    ++count;
  }
  EXPECT_EQ(count, pages.size());
}

TEST_F(InputFilesToolTest, CheckNamesAJournalKeptAsideAndStillFindsTheFileSound) {
  ToolContext disk{out, err, DiskFileSystem()};
  const std::string db = Path("db.pdb256");
  ASSERT_EQ(RunTool({"create", db}, disk), kExitOk);
  std::ofstream(db + "-journal-stale-20260101-120000") << "old";
  out.str("");
  EXPECT_EQ(RunTool({"check", db}, disk), kExitOk);
  EXPECT_THAT(out.str(), HasSubstr(db + "-journal-stale-20260101-120000: "));
  EXPECT_THAT(out.str(), HasSubstr("OK\n"));
}

}  // namespace
