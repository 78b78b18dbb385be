// list_bench: files that grew over years. A user adds to many lists in turns, so the
// records of one list lie far apart in the file. Two databases of 100 lists of 1,000 named
// records under 100 top-level records: one grown in turns (record i of every list, then
// record i + 1 of every list), one written list by list. For each: a sequential read of
// the file, a ScanForString that misses, a walk of the whole tree, and the refresh of one
// list of 1,000 with the cursor on its last record; each as a ratio to the sequential read.
//
// Then the window's refresh on lists of 100, 10,000 and 100,000 records with the cursor
// first, in the middle and last: the engine's part of a refresh (measure, reach the first
// shown row, read the 30 shown rows with their names) the way the window did it before
// (count from the head, walk from the head to the first row) and with the place kept from
// the refresh before (ListPlace); and an arrow key (a move down and the refresh). Last, a
// refresh on a scattered list of 100,000 (two lists grown in turns).
//
//   list_bench [--scale F] [--keep]
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_lists.h"
#include "bench_support.h"
#if __has_include("commands/list_place.h")
#include "commands/list_place.h"
#define HAVE_LIST_PLACE 1
#endif
#include "content/initial_content.h"
#include "env/log.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "store/tree_walk.h"

using namespace qn;
using namespace qn::bench;

namespace {

constexpr int kRows = 30;  // rows a window shows

// `lists` top-level records with `perList` named records each, grown in turns or list by
// list. Returns the Position of the last record of the first list.
Position BuildLists(const std::string& path, int lists, int perList, bool inTurns) {
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kCreate);
  Datapointer& dp = *db.dp;
  dp.Load(0);
  std::vector<Position> heads, tails;
  for (int l = 0; l < lists; ++l) heads.push_back(AddNamed(db, DirDown, "List " + std::to_string(l)));
  tails.assign(size_t(lists), 0);
  const auto add = [&](int l, int i) {
    dp.Load(tails[size_t(l)] != 0 ? tails[size_t(l)] : heads[size_t(l)]);
    tails[size_t(l)] = AddNamed(db, tails[size_t(l)] != 0 ? DirDown : DirRight,
                                "Item " + std::to_string(l) + "." + std::to_string(i));
  };
  if (inTurns) {
    for (int i = 0; i < perList; ++i)
      for (int l = 0; l < lists; ++l) add(l, i);
  } else {
    for (int l = 0; l < lists; ++l)
      for (int i = 0; i < perList; ++i) add(l, i);
  }
  db.Close();
  return tails[0];
}

// The engine's part of one refresh as the window did it before: the list counted from its
// head and the cursor's index found, then the first shown row reached from the head, then
// the rows read with their names.
void RefreshFromHead(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  const Position current = dp.CurrentPosition();
  int32_t count = 1, index = 0;
  {
    PushedCursor keep(db);
    dp.GoFirst();
    for (int64_t steps = dp.RecordBound(); dp.Down() > 0 && steps > 0; --steps) {
      if (dp.GoDown() != 0) break;
      ++count;
      if (dp.CurrentPosition() == current) index = count - 1;
    }
  }
  const int32_t top = index >= kRows ? index - kRows + 1 : 0;
  PushedCursor keep(db);
  if (dp.GoToIndex(top + 1) != 0) return;
  for (int i = 0; i < kRows; ++i) {
    if (ReadName(db).empty()) std::puts("(no name)");
    if (dp.Down() <= 0 || dp.GoDown() != 0) break;
  }
}

#ifndef HAVE_LIST_PLACE
// Built against an engine without the kept place (for the figures before it): the kept
// refresh does nothing.
struct ListPlace {};
void RefreshKept(tDataImageArk&, ListPlace&) {}
#else
// The same with the place kept between refreshes.
void RefreshKept(tDataImageArk& db, ListPlace& place) {
  Datapointer& dp = *db.dp;
  const ListMeasure m = place.Measure(db);
  const int32_t top = m.currentIndex >= kRows ? m.currentIndex - kRows + 1 : 0;
  PushedCursor keep(db);
  bool inBlock = false;
  if (!place.GoToIndex(db, top, &inBlock)) return;
  for (int i = 0; i < kRows; ++i) {
    place.Learn(dp.CurrentPosition(), top + i);
    if (ReadName(db).empty()) std::puts("(no name)");
    if (dp.Down() <= 0 || dp.GoDown() != 0) break;
  }
}
#endif

struct ListFile {
  std::string path;
  double read = 0, miss = 0, walk = 0, refresh = 0;
};

ListFile MeasureLists(const std::string& path, bool inTurns, int lists, int perList) {
  ListFile f;
  f.path = path;
  const Position last = BuildLists(path, lists, perList, inTurns);
  f.read = SequentialRead(path);
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kInspect);
  const EngineCounters before = db.Counters();
  f.miss = Best(5, [&] {
    if (ScanForString(db, "no record has this name", true) != -1) std::puts("unexpected match");
  });
  const uint64_t blockReads = (db.Counters().blockReads - before.blockReads) / 5;
#ifdef HAVE_LIST_PLACE
  const uint64_t pageFills = (db.Counters().pageFills - before.pageFills) / 5;
  const double fillBytes = double(db.Counters().pageFillBytes - before.pageFillBytes) / 5;
#else
  const uint64_t pageFills = 0;
  const double fillBytes = 0;
#endif
  int64_t walked = 0;
  f.walk = Best(5, [&] { walked = WalkTree(db, [](Position, int) { return true; }); });
  db.dp->Load(last);
  f.refresh = Best(5, [&] { RefreshFromHead(db); });
  ListPlace place;
  const double kept = Best(5, [&] { RefreshKept(db, place); });
  std::printf("%s: %d lists of %d records, %.1f MB, %lld records walked\n",
              inTurns ? "Lists grown in turns" : "Lists written one by one", lists, perList,
              double(std::filesystem::file_size(path)) / 1e6, (long long)walked);
  std::printf("  sequential read     %8.2f ms\n", f.read * 1e3);
  std::printf("  search miss         %8.2f ms   %7.2f x read   (%llu block reads; file reads %llu, %.1f MB)\n",
              f.miss * 1e3, f.miss / f.read, (unsigned long long)blockReads,
              (unsigned long long)pageFills, fillBytes / 1e6);
  std::printf("  tree walk           %8.2f ms   %7.2f x read\n", f.walk * 1e3, f.walk / f.read);
  std::printf("  refresh, last of %d (counted)   %8.3f ms\n", perList, f.refresh * 1e3);
  std::printf("  refresh, last of %d (kept)      %8.3f ms\n", perList, kept * 1e3);
  return f;
}

void MeasureRefresh(const std::string& dir, int count, int others) {
  const std::string path = dir + "/refresh-" + std::to_string(count) + "-" + std::to_string(others) + ".pdb256";
  const std::vector<Position> records = BuildLongList(path, count, others);
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kInspect);
  Datapointer& dp = *db.dp;
  std::printf("  list of %6d%s:", count, others > 0 ? " (scattered)" : "            ");
  for (const size_t at : {size_t(0), records.size() / 2, records.size() - 1}) {
    dp.Load(records[at]);
    const double before = Best(5, [&] { RefreshFromHead(db); });
    ListPlace place;
    RefreshKept(db, place);  // the refresh that counts, when the list is first shown
    const double kept = Best(5, [&] { RefreshKept(db, place); });
    // An arrow key: down and the refresh, then up and the refresh.
    const Position keep = dp.CurrentPosition();
    const double key = Best(5, [&] {
                         if (dp.Down() > 0) dp.GoDown(); else dp.GoUp();
                         RefreshKept(db, place);
                       });
    dp.Load(keep);
    std::printf("   %s %7.3f -> %6.3f ms (key %6.3f)", at == 0 ? "first" : at + 1 == records.size() ? "last" : "middle",
                before * 1e3, kept * 1e3, key * 1e3);
  }
  std::printf("\n");
  db.Close();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Start(argc, argv, "list_bench", &options)) return 2;
  const double scale = options.scale;
  const std::string& dir = options.dir;
  LoggingEnabled = false;
  const int perList = std::max(10, int(1000 * scale));
  const ListFile turns = MeasureLists(dir + "/turns.pdb256", true, 100, perList);
  const ListFile byList = MeasureLists(dir + "/bylist.pdb256", false, 100, perList);
  std::printf("Grown in turns against written list by list: search miss %.2f x (goal: within 2 x), "
              "%.2f x read (goal: within 3 x); tree walk %.2f x; refresh %.1f x\n",
              turns.miss / byList.miss, turns.miss / turns.read, turns.walk / byList.walk,
              turns.refresh / byList.refresh);

  std::printf("Refresh of %d rows, before (counted from the head) -> kept between refreshes:\n", kRows);
  for (int count : {100, 10000, 100000}) MeasureRefresh(dir, std::max(kRows, int(count * scale)), 0);
  MeasureRefresh(dir, std::max(kRows, int(100000 * scale)), 1);

  Finish(options);
  return 0;
}
