#include "env/read_map.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace qn {

namespace {

// The maps the SIGBUS handler knows. A handler may only look at lock-free atomics, so the
// table is fixed and entries are claimed with a compare-and-swap.
struct MapSlot {
  std::atomic<bool> taken{false};
  std::atomic<uintptr_t> start{0};  // 0: no map here
  std::atomic<uintptr_t> end{0};
  std::atomic<int> cut{0};
};
constexpr int kSlots = 64;
MapSlot slots[kSlots];

// Address space is reserved beyond the file's end, so that a growing file is mapped
// again only now and then; pages past the end are never touched.
constexpr int64_t kLeastMapLength = int64_t(64) << 20;
constexpr int64_t kMapStep = int64_t(1) << 20;

struct sigaction previousBusAction {};
std::atomic<uint64_t> cutCount{0};

void OnBus(int signal, siginfo_t* info, void* context) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  for (MapSlot& slot : slots) {
    const uintptr_t start = slot.start.load(std::memory_order_acquire);
    if (start == 0 || at < start || at >= slot.end.load(std::memory_order_acquire)) continue;
    // The file was cut short under a map of ours: zeros in place of the lost page let the
    // copy finish, and the mark makes its reader throw the copy away.
    const uintptr_t pageSize = uintptr_t(::sysconf(_SC_PAGESIZE));
    void* page = reinterpret_cast<void*>(at & ~(pageSize - 1));
    slot.cut.store(1, std::memory_order_relaxed);
    if (::mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) return;
    break;
  }
  if ((previousBusAction.sa_flags & SA_SIGINFO) != 0 && previousBusAction.sa_sigaction != nullptr) {
    previousBusAction.sa_sigaction(signal, info, context);
    return;
  }
  if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN &&
      previousBusAction.sa_handler != nullptr) {
    previousBusAction.sa_handler(signal);
    return;
  }
  // Not a map of ours: the program ends as it would have. A fault repeats on return; a
  // signal sent by a program is sent again (it waits until the handler returns).
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  ::sigaction(SIGBUS, &fallback, nullptr);
  if (info->si_code <= 0) ::raise(signal);
}

void InstallBusHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = OnBus;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previousBusAction);
  });
}

int ClaimSlot() {
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (slots[i].taken.compare_exchange_strong(expected, true)) return i;
  }
  return -1;
}

}  // namespace

bool ReadMap::Map(int fd, int64_t reach) {
  Release();
  if (slot_ < 0) slot_ = ClaimSlot();
  if (slot_ < 0) return false;  // more files open than the table holds: read them
  InstallBusHandler();
  int64_t length = std::max(kLeastMapLength, reach + reach / 2);
  length = (length + kMapStep - 1) / kMapStep * kMapStep;
  void* base = ::mmap(nullptr, size_t(length), PROT_READ, MAP_SHARED, fd, 0);
  if (base == MAP_FAILED) {
    failed_ = true;
    return false;
  }
  base_ = static_cast<const uint8_t*>(base);
  length_ = length;
  MapSlot& slot = slots[slot_];
  slot.cut.store(0, std::memory_order_relaxed);
  slot.end.store(uintptr_t(base_) + uintptr_t(length_), std::memory_order_release);
  slot.start.store(uintptr_t(base_), std::memory_order_release);
  return true;
}

const uint8_t* ReadMap::View(int fd, int64_t fileSize, int64_t position, size_t count) {
  cutSinceView_ = false;
  if (failed_ || position < 0 || position > fileSize || int64_t(count) > fileSize - position) return nullptr;
  if (position + int64_t(count) > length_ && !Map(fd, fileSize)) return nullptr;
  return base_ + position;
}

bool ReadMap::Intact() {
  // The handler runs on this thread, inside the reads of the view: keep the check after
  // them.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (cutSinceView_) return false;
  if (slot_ < 0 || slots[slot_].cut.load(std::memory_order_relaxed) == 0) return true;
  cutCount.fetch_add(1, std::memory_order_relaxed);
  Release();
  cutSinceView_ = true;
  return false;
}

bool ReadMap::Copy(int fd, int64_t fileSize, int64_t position, void* buffer, size_t count) {
  const uint8_t* bytes = View(fd, fileSize, position, count);
  if (bytes == nullptr) return false;
  std::memcpy(buffer, bytes, count);
  return Intact();
}

uint64_t ReadMap::Cuts() { return cutCount.load(std::memory_order_relaxed); }

void ReadMap::Release() {
  if (base_ != nullptr) {
    slots[slot_].start.store(0, std::memory_order_release);
    ::munmap(const_cast<uint8_t*>(base_), size_t(length_));
    base_ = nullptr;
    length_ = 0;
  }
  if (slot_ >= 0) {
    slots[slot_].taken.store(false, std::memory_order_release);
    slot_ = -1;
  }
}

}  // namespace qn
