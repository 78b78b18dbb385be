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
  const std::vector<std::pair<std::vector<std::string>, uintmax_t>> commands = {
      {{"declarations"}, uintmax_t(64) << 20},
      {{"import-pascal", "db.pdb256"}, uintmax_t(64) << 20},
      {{"note", "db.pdb256", pos, "--set"}, 3 * 8192 + 3},
  };
  for (const auto& [command, limit] : commands) {
    for (const std::string& input : {std::string("/dev/zero"), Path("pipe"), Sized("long", limit + 1)}) {
      std::vector<std::string> args = command;
      args.push_back(input);
      EXPECT_EQ(Run(args), kExitError) << command[0] << " " << input;
      EXPECT_EQ(ErrLines(), 1) << command[0] << " " << input;
      EXPECT_EQ(fs->Get("db.pdb256"), before);
    }
  }
}

TEST_F(InputFilesToolTest, ExportPagesReplaceLinksInTheFolderInsteadOfWritingThroughThem) {
  ToolContext disk{out, err, DiskFileSystem()};
  const std::string db = Path("db.pdb256");
  const std::string html = Path("html");
  stdfs::create_directory(html);
  ASSERT_EQ(RunTool({"create", db}, disk), kExitOk);
  ASSERT_EQ(RunTool({"export-html", db, html}, disk), kExitOk);
  std::vector<stdfs::path> pages(stdfs::directory_iterator(html), {});
  ASSERT_GE(pages.size(), 2u);
  std::ofstream(Path("victim")) << "keep";
  stdfs::remove(pages[0]);
  stdfs::create_symlink(Path("victim"), pages[0]);
  stdfs::remove(pages[1]);
  stdfs::create_symlink(Path("outside"), pages[1]);  // dangling
  std::ofstream(pages[1].string() + ".new") << "left by a stopped export";
  ASSERT_EQ(RunTool({"export-html", db, html}, disk), kExitOk);
  EXPECT_EQ(stdfs::file_size(Path("victim")), 4u);
  EXPECT_FALSE(stdfs::exists(Path("outside")));
  std::vector<stdfs::path> now(stdfs::directory_iterator(html), {});
  EXPECT_EQ(now.size(), pages.size());
  for (const stdfs::path& page : now) EXPECT_TRUE(stdfs::is_regular_file(stdfs::symlink_status(page))) << page;
}

TEST_F(InputFilesToolTest, CheckNamesAJournalKeptAsideAndStillFindsTheFileSound) {
  ToolContext disk{out, err, DiskFileSystem()};
  const std::string db = Path("db.pdb256");
  ASSERT_EQ(RunTool({"create", db}, disk), kExitOk);
  std::ofstream(db + "-journal-stale-20260101-120000") << "old";
  EXPECT_EQ(RunTool({"check", db}, disk), kExitOk);
  EXPECT_THAT(out.str(), HasSubstr(db + "-journal-stale-20260101-120000: "));
}

}  // namespace
