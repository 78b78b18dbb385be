#include "env/errors.h"

#include <cerrno>

namespace qn {

int32_t ErrorCodeFromErrno(int err, bool writing) {
  switch (err) {
    case 0: return 0;
    case ENOENT: return 2;
    case ENOTDIR: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS: return 5;
    case EBADF: return 6;
    case ENOMEM: return 8;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return 101;
    case EIO: return writing ? 101 : 100;
    default: return 1000 + err;
  }
}

}  // namespace qn
