#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "env/log.h"
#include "env/settings.h"
#include "env/shutdown_signal.h"
#include "env/startup.h"
#include "env/temp_env.h"

using namespace qn;

namespace {

using Params = std::vector<std::string>;

// The message of a stamped log line: everything after "dd.MM.yyyy HH:mm:ss ".
std::string Message(const std::string& line) {
  const size_t blank = line.find(' ');
  if (blank == std::string::npos) return line;
  const size_t second = line.find(' ', blank + 1);
  const bool hasTime = line.size() > blank + 3 && line[blank + 3] == ':';
  return line.substr((hasTime ? second : blank) + 1);
}

std::vector<std::string> Messages(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& l : lines) out.push_back(Message(l));
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2) {
    out.push_back(text.substr(start, pos - start));
  }
  return out;
}

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

class StartupTest : public ::testing::Test {
 protected:
  std::string Etc() const { return (env_.AppData() / "Veltrona/etc/").string(); }
  std::string EtcIni() const { return Etc() + "veltrona.ini"; }
  std::string LogFile() const { return (env_.AppData() / "Veltrona/log/env_tests.log").string(); }

  // A machine that has run the program before: the settings file and the folder tree exist.
  void Established(const std::string& standardKeys) {
    test::TempEnv::WriteFile(EtcIni(), "[STANDARD]\r\n" + standardKeys);
    std::filesystem::create_directories(env_.AppData() / "Veltrona/data");
    std::filesystem::create_directories(env_.AppData() / "Veltrona/log");
  }

  StartupFacts Start(const Params& params) { return RunStartup(ParseCommandLine(params)); }

  IniFile LoadIni(const std::string& path) {
    IniFile ini;
    ini.Load(path);
    return ini;
  }
  std::vector<std::string> FileMessages() { return Messages(SplitLines(test::TempEnv::ReadFile(LogFile()))); }

  test::TempEnv env_;
};

}  // namespace

TEST(CommandLineTest, OptionsMatchOnlyTheWholeParameterInItsExactCase) {
  CommandLine cl = ParseCommandLine(Params{"--DEBUG", "--debug=1", "-Install", "install", "-IP", "--User", "x"});
  EXPECT_FALSE(cl.debug);
  EXPECT_FALSE(cl.install);
  EXPECT_FALSE(cl.ip);
  EXPECT_FALSE(cl.user);
  EXPECT_EQ(cl.parameters.size(), 7u);
}

TEST(CommandLineTest, AValueIsStillExaminedAsAnOption) {
  CommandLine cl = ParseCommandLine(Params{"-ip", "--user", "bob"});
  EXPECT_EQ(cl.ip, "--user");
  EXPECT_EQ(cl.user, "bob");
  cl = ParseCommandLine(Params{"--user", "--debug", "-install"});
  EXPECT_EQ(cl.user, "--debug");
  EXPECT_TRUE(cl.debug);
  EXPECT_TRUE(cl.install);
}

TEST(CommandLineTest, AnOptionGivenLastTakesAnEmptyValueAndParametersStayInOrder) {
  const char* argv[] = {"quillnet", "base.pdb256", "512", "--caption", "Lager", "-ip"};
  CommandLine cl = ParseCommandLine(6, argv);
  EXPECT_EQ(cl.ip, "");
  EXPECT_EQ(cl.caption, "Lager");
  EXPECT_EQ(cl.parameters, (Params{"base.pdb256", "512", "--caption", "Lager", "-ip"}));
}

TEST_F(StartupTest, AFirstStartCreatesTheSettingsFileWithBothStampGroupsAndTheFolderTree) {
  const StartupFacts facts = Start({"--user", "ola"});
  EXPECT_FALSE(facts.iniExisted);
  EXPECT_EQ(facts.iniFileName, EtcIni());
  EXPECT_EQ(facts.baseFolder, (env_.AppData() / "Veltrona/").string());
  EXPECT_EQ(facts.logFileName, LogFile());
  RunShutdown();

  IniFile ini = LoadIni(EtcIni());
  for (const char* group : {"CREATED_", "MODIFIED_"}) {
    const std::string g = group;
    EXPECT_EQ(ini.Get("INI_SELF", g + "NAME"), EtcIni());
    EXPECT_EQ(ini.Get("INI_SELF", g + "USER"), "OLA");
    EXPECT_EQ(ini.Get("INI_SELF", g + "INIVERSION"), "5.36");
    EXPECT_EQ(ini.Get("INI_SELF", g + "PROGRAM"), facts.programPath);
    EXPECT_EQ(ini.Get("INI_SELF", g + "TIME").size(), std::string("dd.MM.yyyy HH:mm:ss").size());
  }
  for (const char* folder : {"data/quillnet", "export/html/varer", "maler/docs", "log", "tmp"}) {
    EXPECT_TRUE(std::filesystem::is_directory(env_.AppData() / "Veltrona" / folder)) << folder;
  }
  EXPECT_TRUE(SplitLines(test::TempEnv::ReadFile(LogFile())).empty()) << "LogToFile is not set on a new file";
}

TEST_F(StartupTest, ALaterStartKeepsTheCreatedStampsAndRenewsTheModifiedOnes) {
  Established("[INI_SELF]\r\nCREATED_TIME=01.02.2003 04:05:06\r\nMODIFIED_TIME=01.02.2003 04:05:06\r\n");
  EXPECT_TRUE(Start({"--user", "kari"}).iniExisted);
  RunShutdown();
  IniFile ini = LoadIni(EtcIni());
  EXPECT_EQ(ini.Get("INI_SELF", "CREATED_TIME"), "01.02.2003 04:05:06");
  EXPECT_FALSE(ini.HasKey("INI_SELF", "CREATED_USER"));
  EXPECT_NE(ini.Get("INI_SELF", "MODIFIED_TIME"), "01.02.2003 04:05:06");
  EXPECT_EQ(ini.Get("INI_SELF", "MODIFIED_USER"), "KARI");
  EXPECT_EQ(CurrentSection(), "STANDARD");
}

TEST_F(StartupTest, ASettingsFileInTheWorkingDirectoryIsUsedAndBecomesTheEtcFolder) {
  Established("LogToFile=1\r\n");
  const std::string local = (env_.Work() / "veltrona.ini").string();
  test::TempEnv::WriteFile(local, "[STANDARD]\r\nLogToFile=1\r\nVerboseLogging=0\r\n");
  const std::string etcBefore = test::TempEnv::ReadFile(EtcIni());

  EXPECT_EQ(Start({}).iniFileName, local);
  EXPECT_EQ(IniFileName(), local);
  SetSection("FOLDERS");
  EXPECT_EQ(ReadSettingString("etc_folder"), env_.Work().string() + "/");
  ResetSection();
  EXPECT_TRUE(Contains(Messages(LogLines()), "INIFIL: " + local));
  RunShutdown();
  EXPECT_TRUE(LoadIni(local).HasKey("INI_SELF", "MODIFIED_TIME"));
  EXPECT_EQ(test::TempEnv::ReadFile(EtcIni()), etcBefore);
}

TEST_F(StartupTest, TheUserOptionShowsInUpperCaseInTheStartLinesAndStamps) {
  Established("LogToFile=1\r\n");
  Start({"--user", "åse", "-ip", "10.1.2.3"});
  const std::vector<std::string> m = Messages(LogLines());
  ASSERT_GE(m.size(), 3u);
  EXPECT_TRUE(m[0].starts_with("START: /"));
  EXPECT_EQ(m[1], "INIFIL: " + EtcIni());
  EXPECT_EQ(m[2], "BRUKER: ÅSE");
  EXPECT_EQ(m.size(), 3u) << "no LOGIN line without verbose logging";
  RunShutdown();
  EXPECT_EQ(LoadIni(EtcIni()).Get("INI_SELF", "MODIFIED_USER"), "ÅSE");
}

TEST_F(StartupTest, VerboseLoggingAddsTheLoginLineWithTheGivenAddress) {
  Established("LogToFile=1\r\nVerboseLogging=1\r\n");
  Start({"-ip", "10.1.2.3"});
  const std::vector<std::string> m = Messages(LogLines());
  ASSERT_EQ(m.size(), 4u);
  EXPECT_TRUE(m[3].starts_with("LOGIN: "));
  EXPECT_TRUE(m[3].ends_with(" IP:10.1.2.3"));
}

TEST_F(StartupTest, DebugWithoutLogToFileLogsNothingYetKeepsDetailLogging) {
  Start({"--debug", "--user", "x"});  // a first start: the tree is created while --debug logs
  EXPECT_FALSE(LoggingEnabled);
  EXPECT_TRUE(VerboseLogging);
  EXPECT_TRUE(LogLines().empty());
  RunShutdown();
  EXPECT_TRUE(SplitLines(test::TempEnv::ReadFile(LogFile())).empty());
}

TEST_F(StartupTest, TheLogFileLoadedAtStartReplacesLinesLoggedBeforeIt) {
  Established("LogToFile=1\r\n");
  test::TempEnv::WriteFile(LogFile(), "01.01.2020 10:00:00 earlier run\r\n");
  Start({"-install", "--user", "x"});  // the folder tree is logged again, then replaced
  const std::vector<std::string> m = Messages(LogLines());
  ASSERT_GE(m.size(), 2u);
  EXPECT_EQ(LogLines()[0], "01.01.2020 10:00:00 earlier run");
  EXPECT_TRUE(m[1].starts_with("START: "));
  EXPECT_EQ(std::count_if(m.begin(), m.end(), [](const std::string& s) { return s.starts_with("Oppretter"); }), 0);
}

TEST_F(StartupTest, ClearingAtStartLeavesOnlyTheClearingLineBeforeTheStartLines) {
  Established("LogToFile=1\r\nClearLogFileOnStartup=1\r\n");
  test::TempEnv::WriteFile(LogFile(), "old 1\r\nold 2\r\n");
  Start({});
  const std::vector<std::string> m = Messages(LogLines());
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[0], "LOGGFIL TØMT (TextFile.ClearLog).");
  EXPECT_TRUE(m[1].starts_with("START: "));
}

TEST_F(StartupTest, ShutdownLogsTheSummaryWithItsCountsAndNoHintLineWithoutHints) {
  Established("LogToFile=1\r\nVerboseLogging=1\r\n");
  Start({});
  WriteLog("FEIL: a");
  WriteLog("FEIL: b");
  WriteLog("ADVARSEL: c");
  RunShutdown();
  const std::vector<std::string> m = FileMessages();
  ASSERT_GE(m.size(), 2u);
  EXPECT_EQ(m[m.size() - 2], "Oppdaterer " + EtcIni());
  EXPECT_EQ(m.back(), "AVSLUTTER PROGRAM. 2 feilmeldinger og 1 advarsler");
  EXPECT_TRUE(LogLines().empty()) << "the log is freed after it is saved";
}

TEST_F(StartupTest, TheHintLineFollowsTheSummaryWhenHintsWereLogged) {
  Established("LogToFile=1\r\nVerboseLogging=1\r\n");
  Start({});
  WriteLog("HINT: x");
  WriteLog("HINT: y");
  RunShutdown();
  const std::vector<std::string> m = FileMessages();
  ASSERT_GE(m.size(), 2u);
  EXPECT_EQ(m[m.size() - 2], "AVSLUTTER PROGRAM. 0 feilmeldinger og 0 advarsler");
  EXPECT_EQ(m.back(), "Det ble gitt 2 hint i programmet");
}

TEST_F(StartupTest, WithoutVerboseLoggingShutdownAddsNoSummary) {
  Established("LogToFile=1\r\n");
  Start({});
  WriteLog("FEIL: a");
  RunShutdown();
  EXPECT_EQ(FileMessages().back(), "FEIL: a");
}

TEST_F(StartupTest, AReadOnlySettingsFileIsLeftAsItWasAndTheShutdownWarns) {
  Established("LogToFile=1\r\nVerboseLogging=1\r\n");
  ::chmod(EtcIni().c_str(), 0444);
  const std::string before = test::TempEnv::ReadFile(EtcIni());
  Start({});
  RunShutdown();
  EXPECT_EQ(test::TempEnv::ReadFile(EtcIni()), before);
  const std::vector<std::string> m = FileMessages();
  EXPECT_TRUE(Contains(m, "ADVARSEL: " + EtcIni() + " er skrivebeskyttet og vil ikke bli lagret."));
  EXPECT_EQ(m.back(), "AVSLUTTER PROGRAM. 0 feilmeldinger og 1 advarsler");
}

TEST_F(StartupTest, ASettingsFileThatCannotBeWrittenIsLoggedAsIniCrash) {
  Established("LogToFile=1\r\n");
  Start({});
  WriteSettingString("HtmlMappe", "/changed/during/the/run/");
  std::filesystem::remove_all(Etc());  // nowhere left to write the change
  RunShutdown();
  EXPECT_TRUE(Contains(FileMessages(), "INI-CRASH i KV_REG: " + EtcIni()));
}

TEST_F(StartupTest, TheDirectLoggingSettingWritesEachLineAtOnce) {
  Established("LogToFile=1\r\nDirectLogging=1\r\n");
  Start({});
  WriteLog("on its way");
  EXPECT_TRUE(test::TempEnv::ReadFile(LogFile()).ends_with(" on its way\r\n"));
  RunShutdown();
  const std::vector<std::string> m = FileMessages();
  EXPECT_EQ(std::count(m.begin(), m.end(), "on its way"), 1) << "the save at the end does not repeat it";
}

TEST(ShutdownSignalTest, ATerminationSignalIsRecordedAndWakesThePipe) {
  const int fd = InstallShutdownSignals();
  ASSERT_GE(fd, 0);
  EXPECT_FALSE(ShutdownRequested());
  ::raise(SIGTERM);
  EXPECT_EQ(ShutdownSignal(), SIGTERM);
  char byte = 0;
  EXPECT_EQ(::read(fd, &byte, 1), 1);
  EXPECT_EQ(byte, SIGTERM);
  RemoveShutdownSignals();
  EXPECT_FALSE(ShutdownRequested());
}
