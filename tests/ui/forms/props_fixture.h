// The fixture of the file information and pointer properties tests: a new database on
// disk in the test's own folder, opened writable, with helpers that build records through
// the engine, read the file's bytes, and run the consistency check after a store.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "store/consistency_check.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "ui/ui_env.h"
#include "content/initial_content.h"

namespace qn::test {

class PropsTest : public UiTest {
 protected:
  PropsTest() {
    file_ = (Work() / "props.pdb256").string();
    OpenDatabase(db_, file_, OpenPolicy::kCreate);
  }
  void SetUp() override { ASSERT_TRUE(db_.IsOpen()); }

  Datapointer& dp() { return *db_.dp; }

  // The whole file as it is on disk now.
  std::vector<uint8_t> FileBytes() const {
    std::ifstream in(file_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  int32_t At(Position p, int offset) const {
    const std::vector<uint8_t> bytes = FileBytes();
    return GetI32(bytes, size_t(p) + offset);
  }
  double TimeAt(Position p, int offset) const {
    const std::vector<uint8_t> bytes = FileBytes();
    return GetF64(bytes, size_t(p) + offset);
  }
  // Appends raw bytes at the end of the file as a block of its own; their Position.
  Position Append(const std::vector<uint8_t>& bytes) {
    const Position at = db_.Allocate();
    EXPECT_EQ(db_.WriteBlock(bytes.data(), int32_t(bytes.size())), 0);
    return at;
  }
  Position Find(std::string_view name) { return ScanForString(db_, name, true); }
  std::string NameAt(Position p) {
    dp().Load(p);
    return ReadName(db_);
  }
  void ExpectConsistent() {
    for (const ConsistencyFault& f : CheckConsistency(db_)) ADD_FAILURE() << FormatFault(f);
  }

  std::string file_;
  tDataImageArk db_;
};

}  // namespace qn::test
