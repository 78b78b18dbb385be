// The bytes of a new database file, for tests that build files in memory.
#pragma once

#include <cstring>

#include "env/memory_files.h"
#include "store/format.h"

namespace qn::test {

// A file as a new database holds it: the file header record only.
inline Bytes NewDatabaseFile() {
  Bytes bytes(kPointerRecordSize, 0);
  PutI32(bytes, 0, kPointerRecordSize);
  bytes[kSignatureOffset] = uint8_t(kSignature.size());
  std::memcpy(bytes.data() + kSignatureOffset + 1, kSignature.data(), kSignature.size());
  return bytes;
}

}  // namespace qn::test
