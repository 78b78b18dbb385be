#include <gtest/gtest.h>

#include <regex>

#include "env/errors.h"
#include "env/log.h"
#include "env/memory_files.h"
#include "env/settings.h"
#include "env/temp_env.h"

using namespace qn;

namespace {

struct Shown {
  std::string caption, text;
};

class LogTest : public ::testing::Test {
 protected:
  LogTest() {
    SetLogMessageCallback([this](const std::string& c, const std::string& t) { shown_.push_back({c, t}); });
    logFile_ = (env_.AppData() / "Veltrona/log/test.log").string();
    SetLogFileName(logFile_);
  }
  std::string FileText() const { return test::TempEnv::ReadFile(logFile_); }

  test::TempEnv env_;
  std::string logFile_;
  std::vector<Shown> shown_;
};

const std::regex kStampedLine(R"(\d\d\.\d\d\.\d{4}( \d\d:\d\d:\d\d)? (.*))");

std::string MessageOf(const std::string& line) {
  std::smatch m;
  return std::regex_match(line, m, kStampedLine) ? m[2].str() : "<no time stamp: " + line + ">";
}

}  // namespace

TEST_F(LogTest, LoggingOffAddsNoLineAndCountsNothing) {
  EXPECT_EQ(WriteLog("FEIL: x"), -1);
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(ErrorCount, 0);
  EXPECT_FALSE(std::filesystem::exists(logFile_));
}

TEST_F(LogTest, ALineIsTheTimeStampABlankAndTheMessageUnchanged) {
  LoggingEnabled = true;
  EXPECT_EQ(WriteLog("FEIL: kan ikke slette filen /tmp/a  b"), 0);
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(MessageOf(LogLines()[0]), "FEIL: kan ikke slette filen /tmp/a  b");
  EXPECT_EQ(ErrorCount, 1);
  EXPECT_FALSE(std::filesystem::exists(logFile_)) << "without direct logging only memory is written";
}

TEST_F(LogTest, PrefixesCountOnlyAtTheFirstCharacterAndCaseSensitively) {
  LoggingEnabled = true;
  for (const char* m : {"ERROR: a", "FEIL:b", "ADVARSEL: c", "WARNING:d", "ADVARSEL:e", "HINT: f"}) WriteLog(m);
  EXPECT_EQ(ErrorCount, 2);
  EXPECT_EQ(WarningCount, 3);
  EXPECT_EQ(HintCount, 1);
  for (const char* m : {"x FEIL: later", " FEIL: after a blank", "feil: lower case", "Error: mixed",
                        "HINT without colon", "QUILLAPI: ERROR 2 ...", ""}) {
    WriteLog(m);
  }
  EXPECT_EQ(ErrorCount, 2);
  EXPECT_EQ(WarningCount, 3);
  EXPECT_EQ(HintCount, 1);
  EXPECT_EQ(LogLines().size(), 13u);
}

TEST_F(LogTest, ClearLogLeavesOneLineInListAndFileAndResetsOnlyTheErrorCount) {
  LoggingEnabled = true;
  WriteLog("FEIL: one");
  WriteLog("ADVARSEL: two");
  WriteLog("HINT: three");
  test::TempEnv::WriteFile(logFile_, "old line 1\r\nold line 2\r\n");
  ClearLog();
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(MessageOf(LogLines()[0]), "LOGGFIL TØMT (TextFile.ClearLog).");
  EXPECT_EQ(FileText(), LogLines()[0] + "\r\n");
  EXPECT_EQ(ErrorCount, 0);
  EXPECT_EQ(WarningCount, 1);
  EXPECT_EQ(HintCount, 1);
}

TEST_F(LogTest, ClearLogWorksWithLoggingOffAndCreatesTheLogFolder) {
  ClearLog();
  EXPECT_EQ(LogLines().size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(logFile_));
}

TEST_F(LogTest, TheLogFolderIsMadeThroughTheFilesAndAFileInItsWayRefusesIt) {
  const std::string work = env_.Work().string();
  test::TempEnv::WriteFile(work + "/plain", "x");
  const std::vector<std::pair<std::string, int>> cases = {
      {work + "/a/b/c", 0}, {work + "/a/b", 0}, {work + "/plain", 3}, {work + "/plain/sub", 3}};
  for (const auto& [folder, code] : cases) EXPECT_EQ(DiskFileSystem()->MakeFolder(folder), code) << folder;
  EXPECT_TRUE(std::filesystem::is_directory(work + "/a/b/c"));

  auto memory = std::make_shared<test::MemoryFileSystem>();
  SetLogFiles(memory);
  ClearLog();
  EXPECT_TRUE(memory->others.count(env_.AppData().string() + "/Veltrona/log"));
  EXPECT_FALSE(std::filesystem::exists(env_.AppData() / "Veltrona/log"));
}

TEST_F(LogTest, ClearLogThrowsWhenClosingTheFileFails) {
  auto full = std::make_shared<test::MemoryFileSystem>();
  full->diskSpace = 0;
  SetLogFiles(full);
  SetLogFileName("full.log");
  ErrorCount = 4;
  EXPECT_THROW(ClearLog(), IoError);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].caption, "FEIL");
  EXPECT_EQ(shown_[0].text, "Feil under lukking av fil");
  EXPECT_EQ(ErrorCount, 5) << "the failing close counts; the count is not reset after a throw";
}

// The log and the settings reach their files through the file interface: a disk that
// fills up while either is saved leaves the earlier file whole and no fresh file behind.
TEST_F(LogTest, AFullDiskLeavesTheEarlierLogAndSettingsFilesWhole) {
  auto files = std::make_shared<test::MemoryFileSystem>();
  files->files["q.log"] = std::make_shared<test::Bytes>(test::Bytes{'o', 'l', 'd', '\r', '\n'});
  files->files["q.ini"] = std::make_shared<test::Bytes>(test::Bytes{'[', 'A', ']', '\n'});
  SetLogFiles(files);
  SetLogFileName("q.log");
  LoadLogFile();
  ASSERT_EQ(LogLines(), std::vector<std::string>{"old"});
  LoggingEnabled = true;
  WriteLog(std::string(3000, 'x'));
  IniFile ini;
  ASSERT_EQ(ini.Load(*files, "q.ini"), IniFile::LoadResult::kLoaded);
  ini.Set("A", "k", std::string(3000, 'y'));

  files->diskSpace = 1000;
  SaveLogFile();
  EXPECT_EQ(ini.Save(*files, "q.ini"), 101);
  EXPECT_EQ(files->files.size(), 2u) << "no fresh file is left";
  EXPECT_EQ(*files->files["q.log"], (test::Bytes{'o', 'l', 'd', '\r', '\n'}));
  EXPECT_EQ(*files->files["q.ini"], (test::Bytes{'[', 'A', ']', '\n'}));
  EXPECT_EQ(shown_.size(), 1u);

  files->diskSpace = -1;
  SaveLogFile();
  EXPECT_EQ(ini.Save(*files, "q.ini"), 0);
  EXPECT_EQ(files->files["q.log"]->size(), 5u + 20u + 3000u + 2u);
  EXPECT_EQ(files->files.size(), 2u);
}

TEST_F(LogTest, DirectLoggingCreatesTheFileThenAppendsToIt) {
  LoggingEnabled = DirectLogging = true;
  std::filesystem::create_directories(std::filesystem::path(logFile_).parent_path());
  EXPECT_EQ(WriteLog("first"), 0);
  EXPECT_EQ(FileText(), LogLines()[0] + "\r\n");
  EXPECT_EQ(WriteLog("second"), 0);
  EXPECT_EQ(FileText(), LogLines()[0] + "\r\n" + LogLines()[1] + "\r\n");
  EXPECT_TRUE(shown_.empty());
}

TEST_F(LogTest, DirectLoggingToAnImpossiblePathReportsOnceAndKeepsTheLine) {
  test::TempEnv::WriteFile(env_.Work() / "plain", "x");
  const std::string bad = (env_.Work() / "plain/q.log").string();
  SetLogFileName(bad);
  LoggingEnabled = DirectLogging = true;
  EXPECT_EQ(WriteLog("text"), 3);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, "Feil under oppretting av ny fil: " + bad + "  (3)");
  EXPECT_EQ(ErrorCount, 1);
  EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(LogTest, TheLogFileIsNamedAfterTheProgramFileInTheVeltronaLogFolder) {
  EXPECT_EQ(LogFileNameFor("/home/u/.local/share", "/opt/x/Other.exe"), "/home/u/.local/share/Veltrona/log/Other.log");
  EXPECT_EQ(LogFileNameFor("/a/", "/usr/bin/quillnet"), "/a/Veltrona/log/quillnet.log");
  EXPECT_EQ(LogFileNameFor("/a", "/b/my.tool.bin"), "/a/Veltrona/log/my.tool.log");
  EXPECT_EQ(GetLogFileName(), (env_.AppData() / "Veltrona/log/env_tests.log").string());
  EXPECT_EQ(LogFileName(), GetLogFileName());
}

TEST_F(LogTest, LoadingTheFileReplacesEarlierLinesWhateverItsLineEnds) {
  LoggingEnabled = true;
  WriteLog("logged before the file was read");
  test::TempEnv::WriteFile(logFile_, "a\r\nb\nc\r\n\r\nlast without end");
  LoadLogFile();
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"a", "b", "c", "", "last without end"}));
}

TEST_F(LogTest, LoadingAMissingFileKeepsTheList) {
  LoggingEnabled = true;
  WriteLog("kept");
  LoadLogFile();
  EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(LogTest, SavingReplacesTheFileWithTheListAndFinishingFreesIt) {
  test::TempEnv::WriteFile(logFile_, "from an earlier run\r\n");
  LoadLogFile();
  LoggingEnabled = true;
  WriteLog("this run æøå");
  FinishLog();
  EXPECT_TRUE(LogLines().empty());
  const std::string text = FileText();
  EXPECT_TRUE(text.starts_with("from an earlier run\r\n"));
  EXPECT_TRUE(text.ends_with(" this run æøå\r\n"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
  EXPECT_FALSE(std::filesystem::exists(logFile_ + ".tmp"));
}

TEST_F(LogTest, ASaveThatCannotBeWrittenLeavesTheEarlierFileAsItWas) {
  test::TempEnv::WriteFile(logFile_, "precious\r\n");
  std::filesystem::create_directories(logFile_ + ".tmp");  // blocks the new file
  LoggingEnabled = true;
  WriteLog("new");
  SaveLogFile();
  EXPECT_EQ(FileText(), "precious\r\n");
  EXPECT_EQ(shown_.size(), 1u);
  EXPECT_GE(ErrorCount, 1);
}

TEST_F(LogTest, TextFileRoutinesReportFailuresWithTheirOwnTexts) {
  TextFile f;
  const std::string missing = (env_.Work() / "missing.txt").string();
  EXPECT_EQ(OpenTextForAppend(f, missing), 2);
  EXPECT_EQ(WriteTextLine(f, "x"), 103);
  EXPECT_EQ(CloseTextFile(f), 103);
  ASSERT_EQ(shown_.size(), 2u) << "a failing write only counts";
  EXPECT_EQ(shown_[0].caption, "FEIL");
  EXPECT_EQ(shown_[0].text, "Feil under åpning av " + missing + "  (2)");
  EXPECT_EQ(shown_[1].text, "Feil under lukking av fil");
  EXPECT_EQ(ErrorCount, 3);
}

TEST_F(LogTest, AppendLineToFileCreatesThenAppends) {
  const std::string name = (env_.Work() / "lines.txt").string();
  EXPECT_EQ(AppendLineToFile(name, "one"), 0);
  EXPECT_EQ(AppendLineToFile(name, "two"), 0);
  EXPECT_EQ(test::TempEnv::ReadFile(name), "one\r\ntwo\r\n");
  EXPECT_EQ(ErrorCount, 0);
}
