#include "env/input_file.h"

#include <cerrno>

#include "env/errors.h"
#include "env/whole_file.h"

namespace qn {

namespace {

InputFile Refused(const std::string& path, const std::string& why) {
  InputFile out;
  out.message = "Filen \"" + path + "\" kan ikke leses: " + why + ".";
  return out;
}

}  // namespace

InputFile ReadInputFile(const std::string& path, size_t limit) {
  InputFile out;
  const int error = ReadWholeFile(*DiskFileSystem(), path, limit, &out.bytes);
  if (error == kErrorBeyondBound) return Refused(path, "den er lengre enn " + std::to_string(limit) + " byte");
  if (error == ErrorCodeFromErrno(EISDIR, false)) return Refused(path, "det er en mappe");
  if (error == ErrorCodeFromErrno(EINVAL, false)) return Refused(path, "det er ikke en vanlig fil");
  if (error != 0) return Refused(path, SystemErrorText(ErrnoOfErrorCode(error)));
  out.ok = true;
  return out;
}

}  // namespace qn
