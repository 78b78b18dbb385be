#include "commands/run_program.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "commands/command_support.h"
#include "content/program_record.h"
#include "env/shell.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"

namespace qn {
namespace {

bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  // A plain file of the owner's: an old one is replaced, never written through a link.
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  // The file's time is set back two seconds, so a program that rewrites it at once, in
  // the same tick of the file system's clock and to the same size, still changes it.
  timespec past[2];
  ::clock_gettime(CLOCK_REALTIME, &past[0]);
  past[0].tv_sec -= 2;
  past[1] = past[0];
  const bool ok = done == bytes.size() && ::futimens(fd, past) == 0 && ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

ProgramRun PrepareProgram(tDataImageArk& db) {
  ProgramRun run;
  Datapointer& dp = *db.dp;
  std::array<uint8_t, kProgramRecordSize> bytes{};
  if (ReadTemplateProgram(db, bytes) < 0) {
    run.message = "Malen til denne posten har ikke noe program.";
    return run;
  }
  const tProgramRec program = tProgramRec::Decode(bytes);
  run.program = program.ProgramFile;
  run.folder = program.Folder;
  run.useData = program.UseData;
  run.record = dp.CurrentPosition();
  if (run.program.empty()) {
    run.message = "Programmet har ingen programfil.";
    return run;
  }
  const int32_t length = DataLength(db);
  if (run.useData) {
    const Position block = dp.DataBlock();
    run.arguments = {db.FileName(), std::to_string(run.record),
                     std::to_string(int64_t(block) + kDataHeadSize),
                     std::to_string(length < 0 ? 0 : length), std::to_string(block)};
    return run;
  }
  std::vector<uint8_t> data(size_t(length > 0 ? length : 0));
  const int32_t got = data.empty() ? 0 : ReadData(db, data);
  data.resize(size_t(got > 0 ? got : 0));
  const std::string name = "TEMP." + program.FileType;
  std::string folder = run.folder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  run.exchangeFile = folder + name;
  run.arguments = {name};
  if (!WriteWhole(run.exchangeFile, data)) {
    run.message = "Kan ikke skrive utvekslingsfilen " + run.exchangeFile + ": " + std::strerror(errno) + ".";
    return run;
  }
  struct stat info {};
  ::stat(run.exchangeFile.c_str(), &info);
  run.written = info.st_mtim;
  run.exchangeSize = int64_t(data.size());
  return run;
}

bool StartPreparedProgram(ProgramRun& run) {
  if (!run.message.empty()) return false;
  if (StartProgram(run.program, run.arguments, run.useData ? std::string() : run.folder) < 0) {
    run.message = "Kan ikke starte " + run.program + ": " + std::strerror(errno) + ".";
    return false;
  }
  return true;
}

ReadBackResult ReadBackExchangeFile(tDataImageArk& db, const ProgramRun& run) {
  struct stat info {};
  if (::stat(run.exchangeFile.c_str(), &info) != 0)
    return {ReadBackStatus::kVanished,
            "Utvekslingsfilen " + run.exchangeFile + " finnes ikke lenger; dataene er ikke lest tilbake."};
  if (int64_t(info.st_size) == run.exchangeSize && SameTime(info.st_mtim, run.written)) return {};
  if (int64_t(info.st_size) < run.exchangeSize)
    return {ReadBackStatus::kShort, "Utvekslingsfilen " + run.exchangeFile + " er kortere enn det som ble skrevet; dataene er ikke lest tilbake."};
  std::vector<uint8_t> data(size_t(run.exchangeSize));
  const int fd = ::open(run.exchangeFile.c_str(), O_RDONLY | O_CLOEXEC);
  size_t done = 0;
  if (fd >= 0) {
    while (done < data.size()) {
      const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += size_t(n);
    }
    ::close(fd);
  }
  if (done != data.size())
    return {ReadBackStatus::kShort, "Utvekslingsfilen " + run.exchangeFile + " kunne ikke leses; dataene er ikke lest tilbake."};
  if (!IsLiveRecord(db, run.record) || db.dp->Load(run.record) != 0)
    return {ReadBackStatus::kFailed, "Posten programmet ble startet fra finnes ikke lenger; dataene er ikke lest tilbake."};
  if (!data.empty() && RewriteData(db, data) != 0)
    return {ReadBackStatus::kFailed, "Dataene fra programmet kunne ikke skrives i posten."};
  return {ReadBackStatus::kRead, {}};
}

}  // namespace qn
