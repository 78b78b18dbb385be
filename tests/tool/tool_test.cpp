#include "tool/tool.h"
#include "tool/tool_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "store/new_database_file.h"
#include "env/settings.h"
#include "env/temp_env.h"

using namespace qn;
using namespace qn::tool;
using qn::test::Bytes;
using qn::test::MemoryFileSystem;
using qn::test::NewDatabaseFile;
using ::testing::HasSubstr;

namespace {

class ToolTest : public qn::test::ToolFixture {
 protected:
};

TEST_F(ToolTest, HelpListsTheCommandsAndUsageErrorsExitTwo) {
  EXPECT_EQ(Run({"--help"}), kExitOk);
  EXPECT_THAT(out.str(), HasSubstr("create FILE"));
  EXPECT_THAT(out.str(), HasSubstr("scan FILE"));
  EXPECT_EQ(Run({}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: no command given (see quilltool --help)\n");
  EXPECT_EQ(Run({"frobnicate"}), kExitError);
  EXPECT_EQ(ErrLines(), 1);
  EXPECT_EQ(Run({"scan"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: usage: quilltool scan FILE\n");
  EXPECT_EQ(Run({"create", "a", "b"}), kExitError);
  EXPECT_EQ(ErrLines(), 1);
}

TEST_F(ToolTest, EveryCommandRefusesAnArgumentTooManyWithoutTouchingTheFile) {
  ASSERT_EQ(Run({"create", "db.pdb256"}), kExitOk);
  const Bytes before = fs->Get("db.pdb256");
  for (const ToolCommand& command : Commands()) {
    // The command's own arguments, each given a plausible value, then one more.
    std::vector<std::string> args{std::string(command.name)};
    std::istringstream words{std::string(command.arguments)};
    for (std::string word; words >> word;) {
      if (word == "FILE") word = "db.pdb256";
      else if (word == "POS") word = "256";
      else if (word.front() == '[') word = word.substr(1, word.size() - 2);
      else word = word.substr(0, word.find('|'));
      args.push_back(word);
    }
    args.push_back("extra");
    EXPECT_EQ(Run(args), kExitError) << command.name;
    EXPECT_EQ(err.str(), "quilltool: usage: quilltool " + std::string(command.name) + " " +
                             std::string(command.arguments) + "\n");
    EXPECT_EQ(out.str(), "") << command.name;
    EXPECT_EQ(fs->Get("db.pdb256"), before) << command.name;
  }
  // An option given twice is one argument too many as well.
  EXPECT_EQ(Run({"create", "new.pdb256", "--minimal", "--minimal"}), kExitError);
  EXPECT_EQ(ErrLines(), 1);
  EXPECT_FALSE(fs->Exists("new.pdb256"));
  EXPECT_EQ(Run({"create", "--minimal", "--minimal"}), kExitError);
  EXPECT_FALSE(fs->Exists("--minimal"));
}

TEST_F(ToolTest, CreateWritesANewDatabaseAndRefusesAnExistingFile) {
  EXPECT_EQ(Run({"create", "new.pdb256"}), kExitOk);
  EXPECT_EQ(qn::test::GetI32(fs->Get("new.pdb256"), kDownOffset), 256);  // "System"
  EXPECT_EQ(Run({"find", "new.pdb256", "Definitions"}), kExitOk);

  fs->Put("old.pdb256", Bytes{1, 2, 3});
  EXPECT_EQ(Run({"create", "old.pdb256"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: old.pdb256: already exists\n");
  EXPECT_EQ(fs->Get("old.pdb256"), (Bytes{1, 2, 3}));
}

TEST_F(ToolTest, CreateReportsAFileThatCannotBeMade) {
  fs->createError = 3;
  EXPECT_EQ(Run({"create", "nodir/new.pdb256"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: nodir/new.pdb256: cannot create (error 3: Stasjonen eller mappen fins ikke)\n");

  // The disk fills up while the initial content is written: not a success.
  fs->createError = 0;
  fs->writeBudget = 1000;
  EXPECT_EQ(Run({"create", "full.pdb256"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: full.pdb256: cannot write (error 101: SKRIVEFEIL TIL DISK, ELLER DISK FULL)\n");
}

TEST_F(ToolTest, EveryEditingCommandWhoseWritesFallShortExitsTwo) {
  ASSERT_EQ(Run({"create", "db.pdb256"}), kExitOk);
  ASSERT_EQ(Run({"find", "db.pdb256", "** Ingen data (denne linjen kan endres elles slettes) **"}), kExitOk);
  const std::string line = out.str().substr(0, out.str().size() - 1);
  ASSERT_EQ(Run({"new-data", "db.pdb256", line, "down", "Database Bruker"}), kExitOk);
  const std::string record = out.str().substr(0, out.str().size() - 1);
  const Bytes sound = fs->Get("db.pdb256");
  const std::vector<std::vector<std::string>> edits = {
      {"add-line", "db.pdb256", line, "down", "Ny"},
      {"new-data", "db.pdb256", line, "right", "Database Bruker"},
      {"set-field", "db.pdb256", record, "Brukernavn", "Kari"},
      {"set-var", "db.pdb256", "Farge", "blå"},
      {"import-seq", "db.pdb256", line, "Database Bruker", "to.dta"},
  };
  fs->Put("to.dta", Bytes(2 * 434, 7));
  for (const std::vector<std::string>& args : edits) {
    fs->Put("db.pdb256", sound);
    fs->files.erase("db.pdb256-journal");  // what a failed run before could not roll back
    const uint64_t written = fs->stats.bytesWritten;
    ASSERT_EQ(Run(args), kExitOk) << args[0];
    const int64_t needed = int64_t(fs->stats.bytesWritten - written);
    for (int64_t budget : {int64_t(0), needed / 2, needed - 1}) {
      fs->Put("db.pdb256", sound);
      fs->files.erase("db.pdb256-journal");
      fs->writeBudget = budget;
      EXPECT_EQ(Run(args), kExitError) << args[0] << " with room for " << budget << " bytes";
      EXPECT_EQ(ErrLines(), 1) << args[0];
      EXPECT_EQ(out.str(), "") << args[0];
      fs->writeBudget = -1;
    }
  }
}

TEST_F(ToolTest, ScanPrintsUtf8LinesAndLeavesTheFileAlone) {
  Bytes file = NewDatabaseFile();
  fs->Put("db.pdb256", file);
  EXPECT_EQ(Run({"scan", "db.pdb256"}), kExitOk);
  EXPECT_EQ(out.str(), "1 pos:0 St\xC3\xB8rrelse: 256, tom peker   Ok.\n");
  EXPECT_EQ(fs->Get("db.pdb256"), file);
  EXPECT_EQ(fs->stats.writes, 0);
}

TEST_F(ToolTest, ScanOfAMissingFileCreatesNothing) {
  EXPECT_EQ(Run({"scan", "none.pdb256"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: none.pdb256: no such file\n");
  EXPECT_FALSE(fs->Exists("none.pdb256"));
}

TEST_F(ToolTest, OpenForReadingNeverCreatesOrWrites) {
  ToolContext context{out, err, fs};
  tDataImageArk missing(fs);
  EXPECT_EQ(OpenForReading(context, "none.pdb256", missing), kExitError);
  EXPECT_FALSE(fs->Exists("none.pdb256"));

  fs->Put("empty.pdb256", {});  // a writable open would give it a header record
  tDataImageArk empty(fs);
  EXPECT_EQ(OpenForReading(context, "empty.pdb256", empty), kExitOk);
  EXPECT_TRUE(empty.ReadOnly());
  empty.Close();
  EXPECT_TRUE(fs->Get("empty.pdb256").empty());
  EXPECT_EQ(fs->stats.writes, 0);
}

TEST_F(ToolTest, FileTextIsPrintedAsUtf8) {
  EXPECT_EQ(PrintableText("bl\xE5"), "bl\xC3\xA5");  // "blå"
  // A listing's printed text, byte by byte from its table, is the same.
  std::string every;
  for (int b = 0; b < 256; ++b) every += char(b);
  std::string printed = "x";
  AppendPrintableText(printed, every + "\\\x1b\x81\x80");
  EXPECT_EQ(printed, "x" + PrintableText(every + "\\\x1b\x81\x80"));
}

}  // namespace

namespace {

using qn::test::TempEnv;

class ToolOnDiskTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSettingsState(); }
  void TearDown() override { ResetSettingsState(); }
  TempEnv env;
};

TEST_F(ToolOnDiskTest, SettingsFileOfTheWorkingDirectoryWinsAndIsNeverWritten) {
  const std::string shared = "[QUILLNET-SERVER]\nDatabaseCache=1\n";
  TempEnv::WriteFile(env.AppData() / "Veltrona/etc/veltrona.ini", shared);
  LoadSettings();
  SectionScope section(kEngineSection);
  EXPECT_TRUE(ReadSettingBool("DatabaseCache"));

  const std::string local = "[QUILLNET-SERVER]\nDatabaseCache=0\n";
  TempEnv::WriteFile(env.Work() / "veltrona.ini", local);
  LoadSettings();
  EXPECT_FALSE(ReadSettingBool("DatabaseCache"));
  WriteSettingBool("DatabaseCache", true);
  FlushSettings();
  EXPECT_EQ(TempEnv::ReadFile(env.Work() / "veltrona.ini"), local);
}

TEST_F(ToolOnDiskTest, MissingSettingsFileIsNotCreated) {
  LoadSettings();
  FlushSettings();
  EXPECT_FALSE(std::filesystem::exists(env.AppData() / "Veltrona"));
}

TEST_F(ToolOnDiskTest, CreateThenScanARealFile) {
  std::ostringstream out, err;
  ToolContext context{out, err, DiskFileSystem()};
  EXPECT_EQ(RunTool({"create", "x.pdb256", "--minimal"}, context), kExitOk);
  // The header record, then "System", "Version" and its ten lines, "Data" and its line,
  // each record followed by its name block.
  EXPECT_EQ(std::filesystem::file_size(env.Work() / "x.pdb256"), 256u + 14u * (256u + 264u));
  EXPECT_EQ(RunTool({"scan", "x.pdb256"}, context), kExitOk);
  EXPECT_THAT(out.str(), ::testing::StartsWith("1 pos:0 St\xC3\xB8rrelse: 256, tom peker   Ok.\n"));
  const std::string scan = out.str();
  EXPECT_EQ(std::count(scan.begin(), scan.end(), '\n'), 1 + 14 * 2);
  EXPECT_EQ(RunTool({"scan", "."}, context), kExitError);  // a folder is not a database
  EXPECT_THAT(err.str(), HasSubstr("quilltool: .: cannot open (error "));
}

}  // namespace
