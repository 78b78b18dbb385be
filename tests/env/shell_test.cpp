#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "env/environment.h"
#include "env/folders.h"
#include "env/settings.h"
#include "env/shell.h"
#include "env/scratch_env.h"

namespace qn {
namespace {

// A stand-in program that writes its working folder and each argument on a line of its
// own to `out`.
constexpr char kRecorder[] =
    "#!/bin/sh\nout=\"$(dirname \"$0\")/args.txt\"\npwd > \"$out\"\n"
    "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out\"; done\n";

class ShellTest : public scratch::ScratchEnvTest {
 protected:
  void SetUp() override {
    ScratchEnvTest::SetUp();
    ASSERT_TRUE(OpenSettings(Path("veltrona.ini")));
    MakeDirs(Path("fakebin"));
    Install(Path("fakebin/xdg-open"));
    const char* path = std::getenv("PATH");
    SetEnv("PATH", Path("fakebin") + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
  }
  void Install(const std::string& file) {
    WriteFile(file, kRecorder);
    ASSERT_EQ(::chmod(file.c_str(), 0755), 0);
  }
  static void Wait(pid_t pid) {
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
  }
};

TEST_F(ShellTest, DocumentNameWithBlanksAndQuotesReachesXdgOpenAsOneArgument) {
  const std::string doc = Path("my \"odd\" file; $(rm -rf x).txt");
  Wait(OpenWithShell(doc));
  EXPECT_EQ(ReadFile(Path("fakebin/args.txt")), root_ + "\n" + doc + "\n");
}

TEST_F(ShellTest, NameBeginningWithADashIsNotTakenForAnOption) {
  Wait(OpenWithShell("-rapport.txt", {}, Path("fakebin")));
  EXPECT_EQ(ReadFile(Path("fakebin/args.txt")), Path("fakebin") + "\n./-rapport.txt\n");
}

TEST_F(ShellTest, ProgramWithParametersIsStartedDirectlyInItsFolder) {
  MakeDirs(Path("prog2"));
  Install(Path("prog2/tool"));
  MakeDirs(Path("work dir"));
  Wait(OpenWithShell(Path("prog2/tool"), {"a b", "", "'c'"}, Path("work dir")));
  EXPECT_EQ(ReadFile(Path("prog2/args.txt")), Path("work dir") + "\na b\n\n'c'\n");
}

TEST_F(ShellTest, AProgramThatEndedIsReapedAndLeavesNoZombie) {
  const pid_t pid = OpenWithShell("doc.txt");
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 200 && StartedProgramsRunning() > 0; ++i) ::usleep(10000);
  EXPECT_EQ(StartedProgramsRunning(), 0u);
  EXPECT_NE(::kill(pid, 0), 0);  // a zombie would still answer
}

TEST_F(ShellTest, ProgramThatCannotBeStartedIsLogged) {
  EXPECT_EQ(OpenWithShell(Path("no-such-program"), {"x"}), -1);
  EXPECT_EQ(LoggedCount("FEIL: kan ikke åpne " + Path("no-such-program")), 1);
}

TEST_F(ShellTest, UpdateStartsOppdaterWithTheProgramPathAndEndsTheApplication) {
  MakeDirs(Path("prog/bin"));
  Install(Path("prog/bin/oppdater"));
  bool ended = false;
  SetEndApplicationCallback([&ended] { ended = true; });
  EXPECT_TRUE(StartUpdate());
  SetEndApplicationCallback(nullptr);
  EXPECT_TRUE(ended);
  int status;
  while (::wait(&status) > 0) {
  }
  EXPECT_EQ(ReadFile(Path("prog/bin/args.txt")),
            Path("prog/bin") + "\n" + Path("prog/bin/quillnet") + "\n");
  EXPECT_TRUE(Logged("Starter oppdatering av programmet..."));
  EXPECT_TRUE(Logged("Avslutter " + Path("prog/bin/quillnet") +
                     " for å oppdatere i fra internett."));
}

TEST_F(ShellTest, UpdateThatCannotStartLeavesTheApplicationRunning) {
  bool ended = false;
  SetEndApplicationCallback([&ended] { ended = true; });
  EXPECT_FALSE(StartUpdate());
  SetEndApplicationCallback(nullptr);
  EXPECT_FALSE(ended);
  EXPECT_EQ(LoggedCount("FEIL: kan ikke starte"), 1);
  EXPECT_EQ(LoggedCount("Avslutter"), 0);
}

TEST_F(ShellTest, DesktopExecArgumentQuotesAndEscapes) {
  EXPECT_EQ(DesktopExecArgument("/opt/quill/quillnet"), "/opt/quill/quillnet");
  EXPECT_EQ(DesktopExecArgument("/opt/my app/q"), "\"/opt/my app/q\"");
  EXPECT_EQ(DesktopExecArgument("/a\"b$c`d\\e"), "\"/a\\\"b\\$c\\`d\\\\e\"");
  EXPECT_EQ(DesktopExecArgument("/100%/q"), "/100%%/q");
}

TEST_F(ShellTest, DesktopShortcutIsAnExecutableLauncherOnTheDesktop) {
  facts_.program = Path("my apps/bin/quillnet");
  EXPECT_FALSE(CreateDesktopShortcut());  // no desktop folder yet
  MakeDirs(Path("home/Desktop"));
  ASSERT_TRUE(CreateDesktopShortcut());
  const std::string file = Path("home/Desktop/quillnet.desktop");
  EXPECT_EQ(ReadFile(file),
            "[Desktop Entry]\nType=Application\nVersion=1.0\nName=QuillNet\n"
            "Exec=\"" + Path("my apps/bin/quillnet") + "\"\nPath=" + Path("my apps/bin/") +
            "\nTerminal=false\n");
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
}

}  // namespace
}  // namespace qn
