// engine_bench: how fast the engine builds, searches and walks large databases on disk.
// Two databases are built in a temporary folder: 100,000 named lines in one list, and
// 1,000 lists of 100 named records under 1,000 top-level records. For each it times the
// creation, a ScanForString from the top for a name no record has (it visits every record
// and reads every name), and a walk with GoDown over every list; each time is also given
// as a ratio to reading the same file's bytes once, sequentially, with plain read() calls.
// The goal: the search miss within three times the sequential read.
//
// Then the list sort: lists of 10,000 and 100,000 named records in reverse order are
// sorted ascending, and sorted again once they are in order (which must store nothing);
// for each sort it gives the time and the engine's block reads and writes.
//
// The consistency check (`quilltool check`) is timed on both databases too: one walk of
// the tree and one walk of the file block by block.
//
// Last, what the journal costs: 100,000 new lines written as one change against the same
// written straight to the file; single-record commands (a new line, a rename, a delete),
// each its own change with its syncs, against the same without; and the sort of 10,000
// records as one change.
//
//   engine_bench [--scale F] [--keep]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/consistency_check.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "commands/list_replication.h"
#include "commands/list_sort.h"
#include "store/record_blocks.h"
#include "env/log.h"
#include "content/initial_content.h"
#include "bench_support.h"

using namespace qn;
using namespace qn::bench;

namespace {

struct Result {
  std::string name;
  int64_t records = 0;
  int64_t bytes = 0;
  double create = 0, read = 0, miss = 0, walk = 0, check = 0;
};

void Print(const Result& r) {
  std::printf("%s: %lld records, %.1f MB\n", r.name.c_str(), (long long)r.records, r.bytes / 1e6);
  std::printf("  sequential read   %8.1f ms\n", r.read * 1e3);
  std::printf("  creation          %8.1f ms   %7.1f x read\n", r.create * 1e3, r.create / r.read);
  std::printf("  search miss       %8.1f ms   %7.2f x read%s\n", r.miss * 1e3, r.miss / r.read,
              r.miss <= 3 * r.read ? "   (goal: within 3 x)" : "   (goal missed: above 3 x)");
  std::printf("  GoDown walk       %8.1f ms   %7.2f x read\n", r.walk * 1e3, r.walk / r.read);
  std::printf("  check             %8.1f ms   %7.2f x read\n", r.check * 1e3, r.check / r.read);
}

// Walks every list of the database with GoDown, descending with GoRight; the number of
// records visited.
int64_t WalkAll(tDataImageArk& db, Position first) {
  Datapointer& dp = *db.dp;
  int64_t count = 0;
  std::vector<Position> lists{first};
  while (!lists.empty()) {
    dp.Load(lists.back());
    lists.pop_back();
    do {
      ++count;
      if (dp.Right() > 0) lists.push_back(dp.Right());
    } while (dp.GoDown() == 0);
  }
  return count;
}

Result Measure(const std::string& name, const std::string& path,
               const std::function<int64_t(tDataImageArk&)>& build) {
  Result r;
  r.name = name;
  {
    tDataImageArk db;
    OpenDatabase(db, path, OpenPolicy::kCreate);
    // A new database starts with its initial content; the walk below visits it too.
    db.dp->Load(0);
    const int64_t initial = db.dp->Down() > 0 ? WalkAll(db, db.dp->Down()) : 0;
    r.create = Seconds([&] { r.records = initial + build(db); });
    db.Close();
  }
  r.bytes = int64_t(std::filesystem::file_size(path));
  r.read = SequentialRead(path);
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kInspect);
  Position first = 0;
  db.dp->Load(0);
  first = db.dp->Down();
  r.miss = Best(5, [&] {
    if (ScanForString(db, "no record has this name", true) != -1) std::puts("unexpected match");
  });
  int64_t walked = 0;
  r.walk = Best(5, [&] { walked = WalkAll(db, first); });
  if (walked != r.records) std::printf("  (walk visited %lld records)\n", (long long)walked);
  size_t faults = 0;
  r.check = Best(3, [&] { faults = CheckConsistency(db).size(); });
  if (faults != 0) std::printf("  (check found %zu faults)\n", faults);
  db.Close();
  return r;
}

// The engine's traffic between two moments.
struct Traffic {
  uint64_t reads = 0, readBytes = 0, writes = 0, writtenBytes = 0;
};
Traffic Since(const EngineCounters& before, const EngineCounters& now) {
  return {now.blockReads - before.blockReads, now.bytesRead - before.bytesRead,
          now.blockWrites - before.blockWrites, now.bytesWritten - before.bytesWritten};
}

void PrintSort(const char* what, double seconds, const SortResult& r, const Traffic& t) {
  std::printf("  %-16s %8.1f ms   %8llu reads (%6.1f MB)   %8llu writes (%6.1f MB)   %lld stored%s\n",
              what, seconds * 1e3, (unsigned long long)t.reads, t.readBytes / 1e6,
              (unsigned long long)t.writes, t.writtenBytes / 1e6, (long long)r.stored,
              r.status == SortStatus::kSorted ? "" : "   (not sorted!)");
}

// A list of `count` named records in reverse order under one top-level record, sorted
// ascending, then sorted again.
void MeasureSort(const std::string& path, int count) {
  Position first = 0;
  {
    tDataImageArk db;
    OpenDatabase(db, path, OpenPolicy::kCreate);
    Datapointer& dp = *db.dp;
    dp.Load(0);
    AddNamed(db, DirDown, "Sortering");
    char name[32];
    for (int i = count - 1; i >= 0; --i) {
      std::snprintf(name, sizeof name, "Post %06d", i);
      Position p = AddNamed(db, i == count - 1 ? DirRight : DirDown, name);
      if (i == count - 1) first = p;
    }
    db.Close();
  }
  std::printf("Sort of a list of %d records (%.1f MB file)\n", count,
              std::filesystem::file_size(path) / 1e6);
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kCreate);
  for (const char* what : {"reversed", "already sorted"}) {
    db.dp->Load(first);
    const EngineCounters before = db.Counters();
    SortResult r;
    const double t = Seconds([&] { r = SortList(db, true); });
    PrintSort(what, t, r, Since(before, db.Counters()));
    first = db.dp->CurrentPosition();  // the last record; any record of the list will do
  }
  db.Close();
}

}  // namespace

// Times `count` commands, each made by `command(i)`, with every command its own change
// when `journaled`; the mean milliseconds per command.
double PerCommand(tDataImageArk& db, int count, bool journaled, const std::function<void(int)>& command) {
  const double total = Seconds([&] {
    for (int i = 0; i < count; ++i) {
      if (journaled) db.BeginChange();
      command(i);
      if (journaled) db.EndChange();
    }
  });
  return total * 1e3 / count;
}

void MeasureChanges(const std::string& dir, int lines) {
  std::printf("Changes through the journal (each change synced twice):\n");
  for (bool journaled : {false, true}) {
    const std::string path = dir + (journaled ? "/batch-j.pdb256" : "/batch.pdb256");
    tDataImageArk db;
    OpenDatabase(db, path, OpenPolicy::kCreate);
    const double t = Seconds([&] {
      if (journaled) db.BeginChange();
      db.dp->Load(0);
      for (int i = 0; i < lines; ++i) AddNamed(db, DirDown, "Line " + std::to_string(i));
      if (journaled) db.EndChange();
    });
    std::printf("  %d new lines as %-14s %8.1f ms\n", lines, journaled ? "one change" : "plain writes", t * 1e3);
  }
  for (bool journaled : {false, true}) {
    const std::string path = dir + (journaled ? "/single-j.pdb256" : "/single.pdb256");
    tDataImageArk db;
    OpenDatabase(db, path, OpenPolicy::kCreate);
    const Position first = db.dp->CurrentPosition();
    const double add = PerCommand(db, 300, journaled, [&](int i) {
      db.dp->Load(first);
      AddNamed(db, DirDown, "New " + std::to_string(i));
    });
    const double rename = PerCommand(db, 300, journaled, [&](int i) {
      db.dp->Load(first);
      WriteName(db, "Renamed " + std::to_string(i));
    });
    const double remove = PerCommand(db, 300, journaled, [&](int) {
      db.dp->Load(first);
      db.dp->GoDown();
      db.dp->Delete();
    });
    std::printf("  one command, %-12s new line %6.2f ms, rename %6.2f ms, delete %6.2f ms\n",
                journaled ? "journaled:" : "plain:", add, rename, remove);
  }
  const std::string path = dir + "/sort-j.pdb256";
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kCreate);
  db.dp->Load(0);
  Position last = 0;
  for (int i = 0; i < 10000; ++i) last = AddNamed(db, DirDown, "Item " + std::to_string(99999 - i));
  db.dp->Load(last);
  const double sort = Seconds([&] {
    db.BeginChange();
    SortList(db, true);
    db.EndChange();
  });
  std::printf("  sort of 10000 records as one change     %8.1f ms\n", sort * 1e3);
  int64_t stored = 0;
  const double replicate = Seconds([&] {
    db.BeginChange();
    stored = SetListReplication(db, ListReplication::kPrepare);
    db.EndChange();
  });
  std::printf("  replication status of %lld records as one change %8.1f ms\n", (long long)stored,
              replicate * 1e3);
}

int main(int argc, char** argv) {
  Options options;
  if (!Start(argc, argv, "engine_bench", &options)) return 2;
  const double scale = options.scale;
  const std::string& dir = options.dir;
  LoggingEnabled = false;
  const int lines = int(100000 * scale);
  const int lists = int(1000 * scale);

  Result flat = Measure("One list of named lines", dir + "/flat.pdb256", [&](tDataImageArk& db) {
    Datapointer& dp = *db.dp;
    dp.Load(0);
    AddNamed(db, DirDown, "Line 0");
    for (int i = 1; i < lines; ++i) AddNamed(db, DirDown, "Line " + std::to_string(i));
    return int64_t(lines);
  });
  Print(flat);

  Result nested = Measure("Lists of 100 records", dir + "/nested.pdb256", [&](tDataImageArk& db) {
    Datapointer& dp = *db.dp;
    dp.Load(0);
    for (int l = 0; l < lists; ++l) {
      Position head = AddNamed(db, DirDown, "List " + std::to_string(l));
      AddNamed(db, DirRight, "Item " + std::to_string(l) + ".0");
      for (int i = 1; i < 100; ++i)
        AddNamed(db, DirDown, "Item " + std::to_string(l) + "." + std::to_string(i));
      dp.Load(head);
    }
    return int64_t(lists) * 101;
  });
  Print(nested);

  MeasureSort(dir + "/sort10k.pdb256", int(10000 * scale));
  MeasureSort(dir + "/sort100k.pdb256", int(100000 * scale));
  MeasureChanges(dir, int(100000 * scale));

  Finish(options);
  return 0;
}
