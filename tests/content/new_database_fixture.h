// The fixture of the tests on a new database's content and on the system lists: a new
// in-memory database opened with its initial content (full or minimal), fixed facts about
// the machine and the user, and helpers that read names and lists without moving the
// cursor. Log, settings, environment and engine state are reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/consistency_check.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/new_database_file.h"
#include "store/record_blocks.h"
#include "env/environment.h"
#include "env/log.h"
#include "env/settings.h"
#include "content/initial_content.h"

namespace qn::test {

// The machine and user every new database of these tests is made on.
class FixedFacts : public SystemFacts {
 public:
  std::optional<std::string> LogonName() override { return std::string("ola"); }
  std::string KernelRelease() override { return "6.1.0-18-amd64"; }
  std::string OsRelease() override {
    return "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nVERSION_ID=\"12\"\n";
  }
  std::string ProgramFile() override { return "/opt/quillnet/bin/quillnet"; }
};

class NewDatabaseFixture : public ::testing::Test {
 protected:
  static constexpr const char* kFile = "ny.pdb256";

  void SetUp() override {
    ResetLogState();
    ResetSettingsState();
    ResetEnvironmentState();
    Engine() = EngineState{};
    SetSystemFacts(&facts);
    LoggingEnabled = true;
    fs = std::make_shared<MemoryFileSystem>();
  }
  void TearDown() override {
    db.reset();
    ResetLogState();
    ResetSettingsState();
    ResetEnvironmentState();
    Engine() = EngineState{};
  }

  static void EngineSetting(std::string_view key, std::string_view value) {
    SharedSettings().Set(kEngineSection, key, value);
  }
  static void UserSetting(std::string_view key, std::string_view value) {
    SharedSettings().Set("STANDARD", key, value);
  }

  // Creates the database (a file holding its header record only) and opens it.
  void Create(bool minimal) {
    EngineSetting("AutoCreateRecords", minimal ? "1" : "0");
    fs->Put(kFile, NewDatabaseFile());
    Reopen();
  }
  void Reopen() {
    db.reset();
    db = std::make_unique<tDataImageArk>(fs, &engine_);
    OpenDatabase(*db, kFile, OpenPolicy::kCreate);
    ASSERT_TRUE(db->IsOpen());
  }

  Datapointer& dp() { return *db->dp; }
  Bytes File() const { return fs->Get(kFile); }
  int32_t At(Position p, int offset) const { return GetI32(File(), size_t(p) + offset); }
  // `count` bytes of the file from `p`.
  Bytes Slice(Position p, size_t count) const {
    Bytes f = File();
    return Bytes(f.begin() + p, f.begin() + p + long(count));
  }

  // The record image at `p`, read from the file bytes.
  PointerRecord RecordAt(Position p) const {
    Bytes f = File();
    return PointerRecord::Decode(std::span<const uint8_t, kPointerRecordSize>(f.data() + p, kPointerRecordSize));
  }
  // The name of the record at `p`; the cursor comes back.
  std::string NameAt(Position p) {
    Position here = dp().CurrentPosition();
    dp().Load(p);
    std::string name = ReadName(*db);
    dp().Load(here);
    return name;
  }
  // The names of the list that starts at `first`, top to bottom; the cursor comes back.
  std::vector<std::string> ListFrom(Position first) {
    std::vector<std::string> out;
    for (Position p = first; p > 0 && out.size() < 1000; p = RecordAt(p).down) out.push_back(NameAt(p));
    return out;
  }
  std::vector<std::string> SubListOf(Position parent) { return ListFrom(RecordAt(parent).right); }
  // The first record named `name` from the top; the cursor comes back.
  Position Find(std::string_view name) {
    Position here = dp().CurrentPosition();
    Position p = ScanForString(*db, name, true);
    dp().Load(here);
    return p;
  }

  void ExpectConsistent() {
    for (const ConsistencyFault& f : CheckConsistency(*db)) ADD_FAILURE() << FormatFault(f);
  }

  FixedFacts facts;
  std::shared_ptr<MemoryFileSystem> fs;
  // The engine state the test's database objects share, fresh for each test.
  EngineState engine_;
  EngineState& Engine() { return engine_; }
  std::unique_ptr<tDataImageArk> db;
};

using Names = std::vector<std::string>;

}  // namespace qn::test
