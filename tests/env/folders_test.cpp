#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "env/environment.h"
#include "env/folders.h"
#include "env/log.h"
#include "env/settings.h"
#include "env/scratch_env.h"

namespace qn {
namespace {

class FoldersTest : public scratch::ScratchEnvTest {
 protected:
  void SetUp() override {
    ScratchEnvTest::SetUp();
    ASSERT_TRUE(OpenSettings(Path("veltrona.ini")));
    base_ = Path("appdata/Veltrona/");
  }
  static std::string Registered(std::string_view key) {
    return SharedSettings().Get(kFoldersSection, key);
  }
  std::string base_;
};

TEST_F(FoldersTest, MissingFolderBelowTheBaseIsCreatedLoggedAndStored) {
  const std::string expected = base_ + "export/csv/";
  EXPECT_EQ(veltronapath("export\\csv"), expected);
  EXPECT_TRUE(IsDir(expected));
  EXPECT_TRUE(Logged("kv_reg.veltronapath(export\\csv): Lager mappen " + expected));
  EXPECT_EQ(Registered("export\\csv_folder"), expected);
  // Stored straight away in the file, not only in memory.
  EXPECT_NE(ReadFile(IniFileName()).find("export\\csv_folder=" + expected), std::string::npos);
}

TEST_F(FoldersTest, EmptyNameIsTheBaseFolder) { EXPECT_EQ(veltronapath(""), base_); }

TEST_F(FoldersTest, SlashAndBackslashNameTheSameFolder) {
  SetFolder("export\\html", Path("x"));
  EXPECT_EQ(veltronapath("export/html"), Path("x/"));
  EXPECT_EQ(FolderKey("export/html"), "export\\html_folder");
}

TEST_F(FoldersTest, BinIsNeverCreated) {
  EXPECT_EQ(veltronapath("bin"), base_ + "bin/");
  EXPECT_FALSE(Exists(base_ + "bin"));
  SetFolder("BIN", base_ + "elsewhere");
  EXPECT_EQ(veltronapath("bin"), base_ + "elsewhere/");
  EXPECT_FALSE(Exists(base_ + "elsewhere"));
  EXPECT_EQ(LoggedCount("Lager mappen"), 0);
}

TEST_F(FoldersTest, FolderOutsideTheBaseIsNeverCreated) {
  SetFolder("tmp", Path("outside/tmp"));
  EXPECT_EQ(veltronapath("tmp"), Path("outside/tmp/"));
  EXPECT_FALSE(Exists(Path("outside")));
  // The base folder's text at the front is not enough: ".." climbs out of it ...
  EXPECT_EQ(veltronapath("..\\..\\escape"), base_ + "../../escape/");
  EXPECT_FALSE(Exists(Path("escape")));
  // ... and a sibling whose name begins like the base is not below it.
  SetFolder("import", Path("appdata/Veltrona-other/import"));
  veltronapath("import");
  EXPECT_FALSE(Exists(Path("appdata/Veltrona-other")));
  EXPECT_EQ(LoggedCount("Lager mappen"), 0);
}

TEST_F(FoldersTest, StoredPathWithoutTrailingSlashGetsOne) {
  MakeDirs(base_ + "imp");
  SharedSettings().Set(kFoldersSection, "import_folder", base_ + "imp");
  EXPECT_EQ(veltronapath("import"), base_ + "imp/");
  EXPECT_EQ(Registered("import_folder"), base_ + "imp/");
}

TEST_F(FoldersTest, SetFolderAddsTheSlashOnlyToANonEmptyPath) {
  SetFolder("a", "/x/y");
  SetFolder("b", "");
  SetFolder("c", "/x/z///");
  EXPECT_EQ(Registered("a_folder"), "/x/y/");
  EXPECT_EQ(Registered("b_folder"), "");
  EXPECT_EQ(Registered("c_folder"), "/x/z/");
}

TEST_F(FoldersTest, FolderTreeIsCreatedInOrderAndRegistered) {
  VerboseLogging = true;
  CreateFolderTree();
  std::vector<std::string> names = StandardFolderNames();
  ASSERT_EQ(names.size(), 20u);
  names.insert(names.end(), OtherProgramFolderNames().begin(), OtherProgramFolderNames().end());
  std::vector<std::string> created;
  for (const std::string& line : LogLines()) {
    const size_t at = line.find("Oppretter mappen ");
    if (at != std::string::npos) created.push_back(line.substr(at + 17));
  }
  ASSERT_EQ(created.size(), 23u);
  for (size_t i = 0; i < names.size(); ++i) {
    std::string disk = names[i];
    for (char& c : disk) c = c == '\\' ? '/' : c;
    EXPECT_EQ(created[i], base_ + disk);
    EXPECT_TRUE(IsDir(base_ + disk)) << disk;
    EXPECT_EQ(Registered(names[i] + "_folder"), base_ + disk + "/");
  }
  EXPECT_EQ(Registered("bin_folder"), Path("prog/bin/"));
  EXPECT_EQ(Registered("doc_folder"), Path("prog/doc/"));
}

TEST_F(FoldersTest, FolderTreeOverAnExistingTreeReportsNoFailures) {
  CreateFolderTree();
  const int errors = ErrorCount;
  CreateFolderTree();
  EXPECT_EQ(ErrorCount, errors);
  EXPECT_EQ(LoggedCount("FEIL:"), 0);
}

TEST_F(FoldersTest, MkdirsafeLogsSuccessWhenVerboseAndEveryFailure) {
  VerboseLogging = true;
  EXPECT_TRUE(mkdirsafe(Path("one")));
  EXPECT_TRUE(Logged("Oppretter mappen " + Path("one")));
  EXPECT_FALSE(mkdirsafe(Path("one")));
  EXPECT_TRUE(Logged("FEIL: [mkdirsafe:17] kan ikke opprette mappen " + Path("one")));
  EXPECT_FALSE(mkdirsafe(Path("no/such/parent")));
  EXPECT_TRUE(Logged("FEIL: [mkdirsafe:2] kan ikke opprette mappen " + Path("no/such/parent")));
}

TEST_F(FoldersTest, LogFolderFallsBackWhenTheRegisteredOneCannotBeMade) {
  SetFolder("log", Path("outside/log"));
  EXPECT_EQ(GetLogFolder(), base_ + "log/");
  EXPECT_TRUE(IsDir(base_ + "log"));
  EXPECT_EQ(Registered("log_folder"), base_ + "log/");
}

TEST_F(FoldersTest, DocFolderIsTheRegisteredOneOnlyWhenItExists) {
  SetFolder("doc", Path("mydoc"));
  EXPECT_EQ(GetDocFolder(), Path("prog/doc/"));  // missing: beside the program
  EXPECT_EQ(Registered("doc_folder"), Path("prog/doc/"));
  EXPECT_FALSE(Exists(Path("prog/doc")));
  MakeDirs(Path("mydoc"));
  SetFolder("doc", Path("mydoc"));
  EXPECT_EQ(GetDocFolder(), Path("mydoc/"));
}

TEST_F(FoldersTest, ProgramFolderIsRegisteredAsBin) {
  EXPECT_EQ(GetProgramFolder(), Path("prog/bin/"));
  EXPECT_EQ(Registered("bin_folder"), Path("prog/bin/"));
}

TEST_F(FoldersTest, ChooseFolderGivesTheChoiceOrTheStartWithATrailingSlash) {
  std::string title, start;
  const auto pick = [&](const std::string& t, const std::string& s) -> std::optional<std::string> {
    title = t;
    start = s;
    return "/chosen";
  };
  const auto cancel = [](const std::string&, const std::string&) -> std::optional<std::string> {
    return std::nullopt;
  };
  EXPECT_EQ(ChooseFolder("/start", pick), "/chosen/");
  EXPECT_EQ(title, "Valg mappe");
  EXPECT_EQ(start, "/start");
  EXPECT_EQ(ChooseFolder("/start", cancel), "/start/");
  EXPECT_EQ(ChooseFolder("", cancel), "");
}

// ---- Emptying folders ----

TEST_F(FoldersTest, DeleteFolderEmptiesEverythingBelowAndKeepsTheTop) {
  VerboseLogging = true;
  MakeDirs(Path("victim/sub/deeper"));
  WriteFile(Path("victim/a.txt"), "a");
  WriteFile(Path("victim/sub/deeper/b.txt"), "b");
  DeleteFolder(Path("victim"));
  EXPECT_TRUE(IsDir(Path("victim")));
  EXPECT_FALSE(Exists(Path("victim/a.txt")));
  EXPECT_FALSE(Exists(Path("victim/sub")));
  EXPECT_TRUE(Logged("Sletter mappen " + Path("victim/")));
  EXPECT_TRUE(Logged("Sletter mappen " + Path("victim/sub/deeper/")));
  EXPECT_TRUE(Logged("Sletter " + Path("victim/sub/deeper/b.txt")));
  EXPECT_EQ(LoggedCount("FEIL:"), 0);
}

TEST_F(FoldersTest, DeleteFolderLeavesPathsOfSixCharactersOrFewerAlone) {
  // Relative to the scratch folder: "abcde/" is six characters with its slash.
  MakeDirs(Path("abcde"));
  WriteFile(Path("abcde/f"), "x");
  DeleteFolder("abcde");
  EXPECT_TRUE(Exists(Path("abcde/f")));
  MakeDirs(Path("abcdef"));
  WriteFile(Path("abcdef/f"), "x");
  DeleteFolder("abcdef");
  EXPECT_FALSE(Exists(Path("abcdef/f")));
}

TEST_F(FoldersTest, DeleteFolderRemovesLinksWithoutTouchingWhatTheyPointTo) {
  MakeDirs(Path("outside/inner"));
  WriteFile(Path("outside/keep.txt"), "keep");
  WriteFile(Path("outside/inner/keep2.txt"), "keep");
  MakeDirs(Path("victim/sub"));
  ASSERT_EQ(::symlink(Path("outside").c_str(), Path("victim/dirlink").c_str()), 0);
  ASSERT_EQ(::symlink(Path("outside/keep.txt").c_str(), Path("victim/sub/filelink").c_str()), 0);
  ASSERT_EQ(::symlink(Path("nowhere").c_str(), Path("victim/dangling").c_str()), 0);
  DeleteFolder(Path("victim"));
  EXPECT_FALSE(Exists(Path("victim/dirlink")));
  EXPECT_FALSE(Exists(Path("victim/dangling")));
  EXPECT_FALSE(Exists(Path("victim/sub")));
  EXPECT_EQ(ReadFile(Path("outside/keep.txt")), "keep");
  EXPECT_EQ(ReadFile(Path("outside/inner/keep2.txt")), "keep");
}

TEST_F(FoldersTest, DeleteFolderOpensUpFoldersTheUserMadeReadOnly) {
  MakeDirs(Path("victim/locked"));
  WriteFile(Path("victim/locked/f"), "x");
  ASSERT_EQ(::chmod(Path("victim/locked").c_str(), 0500), 0);
  DeleteFolder(Path("victim"));
  EXPECT_FALSE(Exists(Path("victim/locked")));
  EXPECT_EQ(LoggedCount("FEIL:"), 0);
}

TEST_F(FoldersTest, DeleteFolderNeverEmptiesTheHomeFolderOrOneThatHoldsIt) {
  WriteFile(Path("home/precious"), "x");
  DeleteFolder(Path("home"));
  DeleteFolder(root_);
  EXPECT_TRUE(Exists(Path("home/precious")));
}

TEST_F(FoldersTest, DeleteFolderOfAFileOrMissingFolderDoesNothing) {
  WriteFile(Path("plainfile"), "x");
  DeleteFolder(Path("plainfile"));
  DeleteFolder(Path("missing-folder"));
  EXPECT_TRUE(Exists(Path("plainfile")));
  EXPECT_EQ(LoggedCount("FEIL:"), 0);
}

TEST_F(FoldersTest, CleanTemporaryFilesEmptiesTheProgramsTmpFolderOnly) {
  MakeDirs(base_ + "tmp");
  WriteFile(base_ + "tmp/old", "x");
  MakeDirs(Path("mytemp"));
  WriteFile(Path("mytemp/other"), "x");
  SetEnv("TEMP", Path("mytemp"));
  CleanTemporaryFiles(false);
  EXPECT_TRUE(Logged("Sletter midlertidige filer opprettet av Veltrona programmer"));
  EXPECT_FALSE(Exists(base_ + "tmp/old"));
  EXPECT_TRUE(IsDir(base_ + "tmp"));
  EXPECT_TRUE(Exists(Path("mytemp/other")));
}

TEST_F(FoldersTest, CleanTemporaryFilesWithSystemFoldersEmptiesTempAndSpool) {
  MakeDirs(Path("mytemp"));
  WriteFile(Path("mytemp/other"), "x");
  MakeDirs(Path("win/temp"));
  WriteFile(Path("win/temp/w"), "x");
  MakeDirs(Path("spool"));
  WriteFile(Path("spool/job"), "x");
  SetEnv("TEMP", Path("mytemp"));
  CleanTemporaryFiles(true);
  EXPECT_FALSE(Exists(Path("mytemp/other")));
  EXPECT_FALSE(Exists(Path("win/temp/w")));
  EXPECT_FALSE(Exists(Path("spool/job")));
  EXPECT_TRUE(Logged("Sletter midlertidige filer i Windows"));
  EXPECT_TRUE(Logged("Sletter skriverkøer"));
}

TEST_F(FoldersTest, SystemTempFolderWithoutTempInItsNameIsSpared) {
  MakeDirs(Path("scratchdir"));
  WriteFile(Path("scratchdir/other"), "x");
  SetEnv("TEMP", Path("scratchdir"));
  CleanTemporaryFiles(true);
  EXPECT_TRUE(Exists(Path("scratchdir/other")));
  EXPECT_FALSE(Logged("Sletter midlertidige filer i Windows"));
}

}  // namespace
}  // namespace qn
