// Starting the program a template is linked to, on the data of the current record. With
// the reference option the program gets the database and the record's Positions as its
// arguments and changes the file itself; otherwise the record's data goes into the
// exchange file "TEMP." + file type in the program's folder, which is read back into the
// same record once the program has written it (its modification time or size changed).
// Data of any size passes both ways.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "store/format.h"

namespace qn {

class tDataImageArk;

// A started program, as the window watches it.
struct ProgramRun {
  std::string program;                 // the program file
  std::vector<std::string> arguments;  // the parameter line, one value an argument
  std::string folder;                  // its working folder
  bool useData = false;                // RunUseData
  std::string exchangeFile;            // RunFileName; empty with the reference option
  int64_t exchangeSize = 0;            // RunFileSize
  timespec written{};                  // the exchange file's modification time as written
  Position record = 0;                 // the record the program was started on
  std::string message;                 // why it was not started; empty when it was
};

// Everything up to the start: the program record of the current record's template, the
// parameter line, and the exchange file written (owner-only permissions). `message` says
// why nothing can be started (no linked program, no program file, the exchange file could
// not be written).
ProgramRun PrepareProgram(tDataImageArk& db);

// Starts a prepared program without a shell; `message` gets the reason when it cannot be.
bool StartPreparedProgram(ProgramRun& run);

enum class ReadBackStatus {
  kWaiting,  // the exchange file is as it was written
  kRead,     // read back into the record
  kVanished, // the exchange file is gone: nothing read
  kShort,    // shorter than what was written: nothing read
  kFailed,   // the record is gone or could not take the data
};
struct ReadBackResult {
  ReadBackStatus status = ReadBackStatus::kWaiting;
  std::string message;
};
// One look at the exchange file (FilTimerTimer): once changed, its first exchangeSize bytes
// become the data of the record the program was started on. The cursor is left on it.
ReadBackResult ReadBackExchangeFile(tDataImageArk& db, const ProgramRun& run);

}  // namespace qn
