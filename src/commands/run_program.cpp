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
#include "env/block_file.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/error_text.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"

namespace qn {
namespace {

// 0, or the error code of the step that failed.
int WriteWhole(FileSystem& files, const std::string& path, const std::vector<uint8_t>& bytes) {
  // A plain file of the owner's: an old one is replaced, never written through a link.
  std::unique_ptr<BlockFile> file;
  int error = files.CreatePrivate(path, &file);
  if (error != 0) return error;
  size_t moved = 0;
  if (!bytes.empty()) error = file->Write(bytes.data(), bytes.size(), &moved);
  if (error == 0 && moved != bytes.size()) error = kErrorWriteFault;
  // The file's time is set back two seconds, so a program that rewrites it at once, in
  // the same tick of the file system's clock and to the same size, still changes it.
  if (error == 0) error = file->SetTimesBack(2);
  if (error == 0) error = file->Sync();
  file->Close();
  return error;
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
  if (const int error = WriteWhole(*DiskFileSystem(), run.exchangeFile, data); error != 0) {
    run.message = "Kan ikke skrive utvekslingsfilen " + run.exchangeFile + ": " + ErrorReason(error) + ".";
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
  std::unique_ptr<BlockFile> file;
  size_t done = 0;
  if (DiskFileSystem()->Open(run.exchangeFile, true, &file) == 0) {
    if (!data.empty()) file->Read(data.data(), data.size(), &done);
    file->Close();
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
