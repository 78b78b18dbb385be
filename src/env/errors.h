// Failures that leave the engine's return-value world: a run-time I/O error (a failed
// seek, a failed close of the log file) and a conversion error (a text that is not a
// number). Both are caught at the command boundary of the window, shown in one message
// box, and the program goes on.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace qn {

// The program's runtime error number for a POSIX errno: ENOENT 2, ENOTDIR 3, EMFILE/ENFILE
// 4, EACCES/EPERM/EROFS 5, EBADF 6, ENOMEM 8, ENOSPC/EFBIG/EDQUOT 101, EIO 100 on reading and
// 101 on writing; any other errno e gives 1000 + e, which has no text.
int32_t ErrorCodeFromErrno(int err, bool writing);

// The POSIX errno an error number of the program stands for, as near as ErrorCodeFromErrno
// lets one tell (2 ENOENT, 5 EACCES, 100 and 101 EIO, 1000 + e e, ...); EIO for the rest.
int ErrnoOfErrorCode(int32_t code);

// The system's text for the POSIX errno `err`: Norwegian for the errors a user meets with
// files and folders, the C library's own text for the rest; never empty.
std::string SystemErrorText(int err);

class IoError : public std::runtime_error {
 public:
  IoError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

class ConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace qn
