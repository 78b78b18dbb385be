#include <gtest/gtest.h>

#include "env/environment.h"
#include "env/scratch_env.h"

namespace qn {
namespace {

class EnvironmentTest : public scratch::ScratchEnvTest {
 protected:
  void SetUp() override {
    ScratchEnvTest::SetUp();
    facts_.logon = std::optional<std::string>();  // no login name unless a test gives one
    SetEnv("USERNAME", std::nullopt);
    SetEnv("USER", std::nullopt);
    facts_.host = "maskin";
    facts_.nis_domain = "";
    facts_.resolv_conf = "";
    facts_.addresses = std::vector<std::string>{"10.1.2.3"};
  }
};

// ---- The user ----

TEST_F(EnvironmentTest, UserOptionIsUpperCasedAndWinsOverTheSystem) {
  facts_.logon = std::optional<std::string>("kari");
  SetUserNameOption("åse");
  EXPECT_EQ(CurrentUserName(), "ÅSE");
}

TEST_F(EnvironmentTest, UserNameComesFromLoginThenUsernameThenUser) {
  SetEnv("USER", "per");
  EXPECT_EQ(CurrentUserName(), "PER");
  ResetUserNameCache();
  SetEnv("USERNAME", "pål");
  EXPECT_EQ(CurrentUserName(), "PÅL");
  ResetUserNameCache();
  facts_.logon = std::optional<std::string>("kari");
  EXPECT_EQ(CurrentUserName(), "KARI");
}

TEST_F(EnvironmentTest, UserNameIsBrukerWhenNothingNamesTheUser) {
  EXPECT_EQ(CurrentUserName(), "BRUKER");
  SetUserNameOption("");  // "--user" given last takes an empty value
  EXPECT_EQ(CurrentUserName(), "BRUKER");
}

TEST_F(EnvironmentTest, UserNameIsKeptUntilReset) {
  SetEnv("USER", "per");
  EXPECT_EQ(CurrentUserName(), "PER");
  SetEnv("USER", "ola");
  EXPECT_EQ(CurrentUserName(), "PER");
  ResetUserNameCache();
  EXPECT_EQ(CurrentUserName(), "OLA");
}

// ---- The machine ----

TEST_F(EnvironmentTest, IpAddressIsEmptyWithoutADomainUnlessGiven) {
  EXPECT_EQ(IpAddress(), "");
  SetIpOption("192.168.0.9");
  EXPECT_EQ(IpAddress(), "192.168.0.9");
}

TEST_F(EnvironmentTest, IpAddressWithADomainIsTheFirstRealAddress) {
  facts_.resolv_conf = "nameserver 10.0.0.1\nsearch firma.no\n";
  facts_.addresses = std::vector<std::string>{"0.0.0.0", "10.1.2.3", "10.9.9.9"};
  EXPECT_EQ(IpAddress(), "10.1.2.3");
  facts_.addresses = std::vector<std::string>{};
  EXPECT_EQ(IpAddress(), "0.0.0.0");
}

TEST_F(EnvironmentTest, DomainIsTheNisDomainElseTheResolversLastDomainOrSearch) {
  facts_.resolv_conf = "domain first.no\nsearch second.no third.no\n";
  EXPECT_EQ(RegDomain(), "second.no");
  facts_.nis_domain = "nis.local";
  EXPECT_EQ(RegDomain(), "nis.local");
  EXPECT_EQ(DomainFromResolvConf("# domain x.no\ndomainname y\nsearch\n"), "");
  EXPECT_EQ(DomainFromResolvConf("  domain\tz.no  \r\n"), "z.no");
}

TEST_F(EnvironmentTest, LoginLineUsesTheLoginNameNotTheUserOption) {
  SetEnv("USER", "per");
  SetUserNameOption("other");
  facts_.resolv_conf = "search firma.no\n";
  EXPECT_EQ(LoginLine(), "LOGIN: per  node: maskin.firma.no IP:10.1.2.3");
}

TEST_F(EnvironmentTest, OperatingSystemTextNamesDistributionAndKernel) {
  facts_.kernel = "6.1.0-18-amd64";
  facts_.os_release = "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n";
  EXPECT_EQ(WindowsVersionText(),
            "Linux (Debian GNU/Linux 12 (bookworm)) Version: 6.1 Build: 6.1.0-18-amd64");
  facts_.os_release = "";
  EXPECT_EQ(WindowsVersionText(), "Linux Version: 6.1 Build: 6.1.0-18-amd64");
}

// ---- Folders ----

TEST_F(EnvironmentTest, AppDataFallsBackToXdgThenTheHomeFolder) {
  EXPECT_EQ(AppDataFolder(), Path("appdata/"));
  SetEnv("APPDATA", std::nullopt);
  SetEnv("XDG_DATA_HOME", Path("xdg//"));
  EXPECT_EQ(AppDataFolder(), Path("xdg/"));
  SetEnv("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(AppDataFolder(), Path("home/.local/share/"));
}

TEST_F(EnvironmentTest, TempFolderIsTempThenTmpdirThenSlashTmp) {
  SetEnv("TEMP", std::nullopt);
  SetEnv("TMPDIR", std::nullopt);
  EXPECT_EQ(TempFolder(), "/tmp/");
  SetEnv("TMPDIR", "/var/tmp/");
  EXPECT_EQ(TempFolder(), "/var/tmp/");
  SetEnv("TEMP", Path("t"));
  EXPECT_EQ(TempFolder(), Path("t/"));
}

TEST_F(EnvironmentTest, DesktopFolderFollowsUserDirsElseDesktopInHome) {
  EXPECT_EQ(DesktopFolder(), Path("home/Desktop/"));
  MakeDirs(Path("home/.config"));
  WriteFile(Path("home/.config/user-dirs.dirs"),
            "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Skrivebord\"\n");
  EXPECT_EQ(DesktopFolder(), Path("home/Skrivebord/"));
  MakeDirs(Path("cfg"));
  SetEnv("XDG_CONFIG_HOME", Path("cfg"));
  WriteFile(Path("cfg/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"/srv/desk\"\n");
  EXPECT_EQ(DesktopFolder(), "/srv/desk/");
}

TEST_F(EnvironmentTest, SystemFoldersEndInOneSlash) {
  EXPECT_EQ(SpoolFolder(), Path("spool/"));
  EXPECT_EQ(HostsFolder(), Path("win/"));
  SetSystemFacts(nullptr);
  EXPECT_EQ(SpoolFolder(), "/var/spool/cups/");
  EXPECT_EQ(HostsFolder(), "/etc/");
  EXPECT_FALSE(ProgramFilePath().empty());
}

}  // namespace
}  // namespace qn
