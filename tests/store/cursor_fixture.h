// The fixture of the cursor and block tests: a database opened on an in-memory file, with
// helpers that build named lists through the engine, read fields straight from the file's
// bytes, and run the consistency check. Engine and log state are reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "store/consistency_check.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/new_database_file.h"
#include "store/record_blocks.h"
#include "env/log.h"
#include "env/settings.h"

namespace qn::test {

class CursorFixture : public ::testing::Test {
 protected:
  static constexpr const char* kFile = "t.pdb256";

  void SetUp() override {
    ResetLogState();
    Engine() = EngineState{};
    LoggingEnabled = true;
    ResetSettingsState();
    fs = std::make_shared<MemoryFileSystem>();
    fs->Put(kFile, NewDatabaseFile());
    Reopen();
  }
  void TearDown() override {
    db.reset();
    ResetLogState();
    Engine() = EngineState{};
  }

  // Opens (again) on the in-memory file, writable, with the cursor on the file header.
  void Reopen() {
    db.reset();
    db = std::make_unique<tDataImageArk>(fs, &engine_);
    db->Open(kFile, OpenPolicy::kCreate);
    ASSERT_TRUE(db->IsOpen());
    ASSERT_EQ(dp().Load(0), 0);
  }

  Datapointer& dp() { return *db->dp; }
  Bytes File() const { return fs->Get(kFile); }
  Bytes& FileRef() { return *fs->files.at(kFile); }
  int32_t At(Position p, int offset) const { return GetI32(File(), size_t(p) + offset); }

  // Names at the cursor's record and where the cursor is.
  std::string Name() { return ReadName(*db); }
  std::string NameAt(Position p) {
    EXPECT_EQ(dp().Load(p), 0);
    return ReadName(*db);
  }

  // New first records of the top-level list, in the order given; their Positions.
  std::vector<Position> TopList(std::initializer_list<const char*> names) {
    std::vector<Position> out;
    dp().Load(0);
    for (const char* n : names) out.push_back(AddNamed(*db, DirDown, n));
    return out;
  }
  // The sub-list of `parent`, which must have none yet.
  std::vector<Position> SubList(Position parent, std::initializer_list<const char*> names) {
    std::vector<Position> out;
    dp().Load(parent);
    tDirection d = DirRight;
    for (const char* n : names) {
      out.push_back(AddNamed(*db, d, n));
      d = DirDown;
    }
    return out;
  }

  // The names of the list the cursor is in, top to bottom; the cursor ends on its last.
  std::vector<std::string> ListNames() {
    std::vector<std::string> out;
    dp().GoFirst();
    out.push_back(Name());
    for (int guard = 0; guard < 1000 && dp().GoDown() == 0; ++guard) out.push_back(Name());
    return out;
  }
  std::vector<std::string> ListAt(Position p) {
    dp().Load(p);
    return ListNames();
  }

  void ExpectConsistent() {
    for (const ConsistencyFault& f : CheckConsistency(*db)) ADD_FAILURE() << FormatFault(f);
  }

  bool Logged(std::string_view text) const {
    for (const std::string& line : LogLines())
      if (line.size() >= text.size() &&
          line.compare(line.size() - text.size(), text.size(), text) == 0)
        return true;
    return false;
  }

  std::shared_ptr<MemoryFileSystem> fs;
  // The engine state the test's database objects share, fresh for each test.
  EngineState engine_;
  EngineState& Engine() { return engine_; }
  std::unique_ptr<tDataImageArk> db;
};

using Names = std::vector<std::string>;

}  // namespace qn::test
