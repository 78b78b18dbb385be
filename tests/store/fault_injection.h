// Stops a change at every one of its file changes in turn and checks that what is left,
// once the database is opened again, is exactly the file before the change or exactly the
// file after it, and consistent. A stop is a killed program (what was written stays) or a
// power cut (only what was synced stays). A change that ended without a stop survives a
// power cut right after it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "store/consistency_check.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/journal.h"
#include "env/memory_files.h"

namespace qn::test {

using OpenFn = std::function<std::unique_ptr<tDataImageArk>()>;
using ChangeFn = std::function<void(tDataImageArk&)>;

// Runs `change` inside one change on a freshly opened database; with `ownChange`, a change
// that stores itself as one (putting back a stored change's image) runs as it is.
inline void RunChange(const OpenFn& open, const ChangeFn& change, bool ownChange = false) {
  std::unique_ptr<tDataImageArk> db = open();
  ASSERT_TRUE(db->IsOpen());
  if (ownChange) {
    change(*db);
    return;
  }
  db->BeginChange();
  change(*db);
  db->EndChange();  // where a stop throws: not from a destructor
}

// The file `name` holds `before`, durably, and no journal.
inline void Reset(MemoryFileSystem& fs, const std::string& name, const Bytes& before) {
  fs.Put(name, before);
  fs.synced[name] = before;
  fs.files.erase(JournalNameOf(name));
  fs.synced.erase(JournalNameOf(name));
}

// Opens again (which rolls back what a stop left) and expects `before` or `after` exactly.
inline void ExpectOldOrNew(MemoryFileSystem& fs, const std::string& name, const OpenFn& open,
                           const Bytes& before, const Bytes& after, const std::string& where) {
  std::unique_ptr<tDataImageArk> db = open();
  ASSERT_TRUE(db->IsOpen()) << where;
  const Bytes now = fs.Get(name);
  EXPECT_TRUE(now == before || now == after)
      << where << ": " << now.size() << " bytes, before " << before.size() << ", after " << after.size();
  EXPECT_FALSE(fs.Exists(JournalNameOf(name))) << where;
  for (const ConsistencyFault& f : CheckConsistency(*db)) ADD_FAILURE() << where << ": " << FormatFault(f);
}

// Returns how many file changes the whole change made.
inline int64_t ExpectAllOrNothing(MemoryFileSystem& fs, const std::string& name, const OpenFn& open,
                                  const ChangeFn& change, bool ownChange = false) {
  const Bytes before = fs.Get(name);
  Reset(fs, name, before);
  const int64_t start = fs.changes;
  RunChange(open, change, ownChange);
  const int64_t changes = fs.changes - start;
  const Bytes after = fs.Get(name);
  EXPECT_NE(after, before) << "the change changed nothing";
  // A change reported stored is durable: a power cut right after it keeps it whole.
  fs.Restart(true);
  EXPECT_EQ(fs.Get(name), after) << "a power cut lost a change that was reported stored";
  EXPECT_FALSE(fs.Exists(JournalNameOf(name)));
  for (bool powerCut : {false, true}) {
    for (int64_t k = 0; k < changes; ++k) {
      Reset(fs, name, before);
      fs.changesUntilStop = k;
      try {
        RunChange(open, change, ownChange);
        ADD_FAILURE() << "no stop at change " << k;
      } catch (const MemoryFileSystem::SimulatedStop&) {
      }
      fs.Restart(powerCut);
      ExpectOldOrNew(fs, name, open, before, after,
                     (powerCut ? "power cut before change " : "stop before change ") + std::to_string(k));
    }
  }
  // A full disk at every point: the change is refused and the file stays as it was.
  for (int64_t room : {int64_t(0), int64_t(100), int64_t(after.size()) - int64_t(before.size()) - 1}) {
    if (room < 0) continue;
    Reset(fs, name, before);
    fs.diskSpace = room;
    {
      std::unique_ptr<tDataImageArk> db = open();
      if (!db->IsOpen()) {
        ADD_FAILURE() << "not opened";
        break;
      }
      if (!ownChange) db->BeginChange();
      change(*db);
      // Refused at its end, or already by a part the change stored on its own way.
      const int32_t ended = ownChange ? 0 : db->EndChange();
      EXPECT_TRUE(ended != 0 || db->FirstWriteError() != 0) << "room for " << room;
    }
    fs.diskSpace = -1;
    EXPECT_EQ(fs.Get(name), before) << "room for " << room;
    ExpectOldOrNew(fs, name, open, before, before, "room for " + std::to_string(room));
  }
  Reset(fs, name, before);
  return changes;
}

}  // namespace qn::test
