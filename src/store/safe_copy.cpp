#include "store/safe_copy.h"

#include <memory>
#include <vector>

namespace qn {

namespace {
constexpr size_t kCopyChunk = 1 << 16;
constexpr int32_t kWriteFault = 101;
}  // namespace

CopyResult CopyFileSafely(FileSystem& files, const std::string& source, const std::string& target,
                          const std::string& freshSuffix) {
  const std::string freshName = target + freshSuffix;
  std::unique_ptr<BlockFile> from;
  std::unique_ptr<BlockFile> to;
  auto fail = [&](int32_t error, CopyStep step) {
    if (from) from->Close();
    if (to) {
      to->Close();
      files.Remove(freshName);
    }
    return CopyResult{error, step};
  };
  if (int error = files.Open(source, true, &from); error != 0) {
    from.reset();
    return fail(error, CopyStep::kOpenSource);
  }
  files.Remove(freshName);  // left by a copy that was stopped
  if (int error = files.CreateFresh(freshName, source, &to); error != 0) {
    to.reset();
    return fail(error, CopyStep::kCreateCopy);
  }
  std::vector<uint8_t> chunk(kCopyChunk);
  for (;;) {
    size_t got = 0;
    if (int error = from->Read(chunk.data(), chunk.size(), &got); error != 0)
      return fail(error, CopyStep::kRead);
    if (got == 0) break;
    size_t put = 0;
    int error = to->Write(chunk.data(), got, &put);
    if (error == 0 && put != got) error = kWriteFault;
    if (error != 0) return fail(error, CopyStep::kWrite);
  }
  if (int error = to->Sync(); error != 0) return fail(error, CopyStep::kWrite);
  const int fromError = from->Close();
  const int toError = to->Close();
  from.reset();
  if (fromError != 0 || toError != 0) return fail(toError != 0 ? toError : fromError, CopyStep::kClose);
  to.reset();
  if (int error = files.Rename(freshName, target); error != 0) {
    files.Remove(freshName);
    return CopyResult{error, CopyStep::kRename};
  }
  return {};
}

}  // namespace qn
