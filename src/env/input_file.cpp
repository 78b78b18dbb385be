#include "env/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace qn {

namespace {

InputFile Refused(const std::string& path, const std::string& why) {
  InputFile out;
  out.message = "Filen \"" + path + "\" kan ikke leses: " + why + ".";
  return out;
}

std::string SystemText(int error) { return std::strerror(error); }

}  // namespace

InputFile ReadInputFile(const std::string& path, size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Refused(path, SystemText(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Refused(path, SystemText(errno));
  if (S_ISDIR(st.st_mode)) return Refused(path, "det er en mappe");
  if (!S_ISREG(st.st_mode)) return Refused(path, "det er ikke en vanlig fil");
  const auto tooLong = [&] { return Refused(path, "den er lengre enn " + std::to_string(limit) + " byte"); };
  if (uint64_t(st.st_size) > limit) return tooLong();
  InputFile out;
  // The file may grow while it is read: the bound holds for what is read, not for the
  // size it had.
  out.bytes.resize(size_t(st.st_size) + 1);
  size_t have = 0;
  for (;;) {
    if (have == out.bytes.size()) {
      if (have > limit) return tooLong();
      out.bytes.resize(std::min(limit + 1, have * 2 + 4096));
    }
    const ssize_t got = ::read(fd, out.bytes.data() + have, out.bytes.size() - have);
    if (got < 0) {
      if (errno == EINTR) continue;
      return Refused(path, SystemText(errno));
    }
    if (got == 0) break;
    have += size_t(got);
  }
  if (have > limit) return tooLong();
  out.bytes.resize(have);
  out.ok = true;
  return out;
}

}  // namespace qn
