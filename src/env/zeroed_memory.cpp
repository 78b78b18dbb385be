#include "env/zeroed_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace qn {

namespace {
// Below this the heap serves: a map of its own costs more than the pages it saves.
constexpr size_t kMapFrom = size_t(256) << 10;
}

void* TakeZeroed(size_t bytes) {
  if (bytes == 0) return nullptr;
  if (bytes < kMapFrom) return std::calloc(bytes, 1);
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void ReleaseZeroed(void* p, size_t bytes) {
  if (p == nullptr) return;
  if (bytes < kMapFrom) {
    std::free(p);
  } else {
    ::munmap(p, bytes);
  }
}

}  // namespace qn
