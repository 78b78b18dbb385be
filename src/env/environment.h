// Facts about the machine, the user and the running program: the user name, the computer
// name, domain and address, the system folders, the operating system, the desktop and the
// program file. Every fact comes from the running system through SystemFacts, which tests
// replace. Folder paths returned here end in one "/".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qn {

// Where the facts come from. The methods read the running system; a test derives from it
// and overrides what it needs.
class SystemFacts {
 public:
  virtual ~SystemFacts() = default;
  virtual std::optional<std::string> LogonName();    // getlogin(); nullopt without a login
  virtual std::string HostName();                     // gethostname()
  virtual std::string NisDomain();                    // getdomainname(), "" for "(none)"
  virtual std::string ResolvConf();                   // the text of /etc/resolv.conf
  virtual std::vector<std::string> Ipv4Addresses();   // interfaces that are up, loopback left out
  virtual std::string KernelRelease();                // uname's release, e.g. "6.1.0-18-amd64"
  virtual std::string OsRelease();                    // the text of /etc/os-release
  virtual std::string ProgramFile();                  // /proc/self/exe, resolved
  virtual std::string SpoolFolder();                  // "/var/spool/cups/"
  virtual std::string WindowsFolder();                // "/etc/"
};

// Makes `facts` the source of every fact below; nullptr returns to the running system.
// `facts` is borrowed and must outlive its use.
void SetSystemFacts(SystemFacts* facts);

// Values from the command line: "--user" and "-ip".
void SetUserNameOption(std::string_view name);
void SetIpOption(std::string_view address);

// $APPDATA, else $XDG_DATA_HOME, else the home folder + ".local/share/".
std::string AppDataFolder();
// $HOME, else the password database's home folder.
std::string HomeFolder();

// The user name in upper case, computed once and kept: the "--user" value when one was
// given; else the login name, else $USERNAME, else $USER; "BRUKER" when all are empty.
std::string CurrentUserName();
// Forgets the kept user name, so the next call computes it again (for tests).
void ResetUserNameCache();
// The login name as the system gives it (not upper-cased, not kept): the login name,
// else $USERNAME, else $USER.
std::string LogonUserName();

std::string RegComputerName();  // the host name
std::string RegDomain();        // the NIS domain, else the resolver's "domain" or first "search"
// The "-ip" value when one was given; "" when the machine has no domain; else the first
// IPv4 address of an interface that is up (loopback left out), or "0.0.0.0" when none.
std::string IpAddress();

std::string SpoolFolder();    // the print spool folder
std::string HostsFolder();    // the folder of the hosts file
std::string WindowsFolder();  // the system configuration folder
std::string TempFolder();     // $TEMP, else $TMPDIR, else "/tmp/"
std::string DesktopFolder();  // XDG_DESKTOP_DIR of user-dirs.dirs, else home + "Desktop/"

// "Linux (<distribution>) Version: <major>.<minor> Build: <kernel release>".
std::string WindowsVersionText();

std::string ProgramFilePath();  // the full path of the running program
std::string ProgramFileName();  // its file name, e.g. "quillnet"
std::string ProgramFolder();    // its folder

// "LOGIN: " + login name + "  node: " + computer + "." + domain + " IP:" + address.
std::string LoginLine();

// The domain a resolver configuration names: its last "domain" or "search" line, first word.
std::string DomainFromResolvConf(std::string_view text);
// A value of an os-release text ("PRETTY_NAME"), unquoted; "" when missing.
std::string OsReleaseValue(std::string_view text, std::string_view key);

// Forgets the command-line values, the kept user name and any replaced SystemFacts.
void ResetEnvironmentState();

}  // namespace qn
