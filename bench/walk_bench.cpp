// walk_bench: the name walk that every search, the tree and the exports share, over 400,000
// named records in one list (about 208 MB), against one sequential read of the file: the
// bare walk and the name search that misses, on a database kept open, and an opening with
// its search for "Data" and a name search, each run a fresh opening (its read map touched
// for the first time). Then whole processes: `quilltool find` that misses and `quilltool
// tree`, against the sqlite3 program on the same 400,000 names, and `cat` of the file as
// the yardstick.
//
// The files are built once into a cache folder and kept there for the next run (a file is
// built under a temporary name and renamed into place when whole). The sqlite3 database
// holds the same nodes as peer_bench's table (id, parent, prev, next, name; an index on
// parent), their ids in the order of the list: its find is `WHERE name = ?` over the whole
// table, its tree the rows in rowid order, the cheapest listing it has.
//
// Every figure is CPU time (user and system, getrusage; for a process, its own from
// wait4), the median of several runs: the machine is shared with other work, and the wall
// clock measures the others as much as this program.
//
// Both files are put out of the page cache and read back once before the timings, so each
// run starts with them lying there as a file read from the disk does. What a file costs
// to read from the page cache depends on how it came there: the 208 MB just written by the
// engine's many small writes lie in pieces of one page each, and reading them costs about
// four times what the same bytes read back from the disk (in larger pieces) cost. A file
// built in an earlier run may lie either way; a file a user opens has usually been read
// from the disk.
//
//   walk_bench [--scale F] [--runs N] [--cache DIR]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "content/initial_content.h"
#include "env/log.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "store/tree_walk.h"

extern char** environ;

using namespace qn;
using namespace qn::bench;

namespace {

double CpuOf(const rusage& r) {
  return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
}

double CpuNow() {
  rusage r{};
  ::getrusage(RUSAGE_SELF, &r);
  return CpuOf(r);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median CPU time of `runs` runs of `work` in this process.
double CpuMedian(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double start = CpuNow();
    work();
    times.push_back(CpuNow() - start);
  }
  return Median(times);
}

// Runs `argv` with its output thrown away; its CPU time, or -1 when it did not end with 0
// (or, with `missOk`, 1: a search that finds nothing).
double RunProcess(const std::vector<std::string>& argv, bool missOk = false) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) return -1;
  const int code = WEXITSTATUS(status);
  if (code != 0 && !(missOk && code == 1)) return -1;
  return CpuOf(usage);
}

double ProcessMedian(int runs, const std::vector<std::string>& argv, bool missOk = false) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double t = RunProcess(argv, missOk);
    if (t < 0) {
      std::fprintf(stderr, "walk_bench: %s failed\n", argv[0].c_str());
      return -1;
    }
    times.push_back(t);
  }
  return Median(times);
}

std::string CacheFolder(const std::string& given) {
  if (!given.empty()) return given;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg != '\0')
    return std::string(xdg) + "/quillnet-bench";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "/tmp") + "/.cache/quillnet-bench";
}

// Builds `path` with `build` (given a temporary name beside it) unless it is there already.
bool Cached(const std::string& path, const std::function<bool(const std::string&)>& build) {
  if (std::filesystem::exists(path)) return true;
  const std::string temporary = path + ".building";
  std::filesystem::remove(temporary);
  if (!build(temporary)) return false;
  std::filesystem::rename(temporary, path);
  return true;
}

bool BuildNames(const std::string& path, int names) {
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kCreate);
  if (!db.IsOpen()) return false;
  db.dp->Load(0);
  AddNamed(db, DirDown, "Nodes");
  AddNamed(db, DirRight, "Node 0");
  for (int i = 1; i < names; ++i) AddNamed(db, DirDown, "Node " + std::to_string(i));
  db.Close();
  return true;
}

bool BuildSqlite(const std::string& path, int names) {
  const std::string n = std::to_string(names);
  const std::string sql =
      "PRAGMA journal_mode=WAL; CREATE TABLE nodes (id INTEGER PRIMARY KEY, parent INTEGER, prev INTEGER, "
      "next INTEGER, name TEXT); CREATE INDEX nodes_parent ON nodes(parent); BEGIN; "
      "INSERT INTO nodes VALUES (1, 0, 0, 0, 'Nodes'); "
      "WITH RECURSIVE k(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM k WHERE i + 1 < " + n + ") "
      "INSERT INTO nodes SELECT i + 2, 1, CASE WHEN i = 0 THEN 0 ELSE i + 1 END, "
      "CASE WHEN i + 1 < " + n + " THEN i + 3 ELSE 0 END, 'Node ' || i FROM k; COMMIT; "
      "PRAGMA journal_mode=DELETE;";
  return RunProcess({"sqlite3", path, sql}) >= 0;
}

void Line(const char* what, double seconds, double records, double yardstick, const char* against) {
  std::printf("  %-40s %8.1f ms  %6.1f ns/record  %5.2fx %s\n", what, seconds * 1e3, seconds * 1e9 / records,
              seconds / yardstick, against);
}

}  // namespace

int main(int argc, char** argv) {
  double scale = 1.0;
  int runs = 7;
  std::string cache;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
      scale = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--cache") == 0 && i + 1 < argc) {
      cache = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--scale F] [--runs N] [--cache DIR]\n", argv[0]);
      return 2;
    }
  }
  LoggingEnabled = false;
  const int names = std::max(1000, int(400000 * scale));
  const std::string folder = CacheFolder(cache);
  std::filesystem::create_directories(folder + "/appdata");
  // The tool reads its settings from here, not from the user's own.
  ::setenv("APPDATA", (folder + "/appdata").c_str(), 1);
  const std::string namesPath = folder + "/names-" + std::to_string(names) + ".pdb256";
  const std::string sqlitePath = folder + "/names-" + std::to_string(names) + ".sqlite";
  if (!Cached(namesPath, [&](const std::string& p) { return BuildNames(p, names); })) {
    std::fprintf(stderr, "walk_bench: cannot build %s\n", namesPath.c_str());
    return 2;
  }
  const bool haveSqlite = Cached(sqlitePath, [&](const std::string& p) { return BuildSqlite(p, names); });

  ReadBackFromDisk(namesPath);
  if (haveSqlite) ReadBackFromDisk(sqlitePath);
  const double read = CpuMedian(runs, [&] { ReadOnce(namesPath); });
  tDataImageArk db;
  OpenDatabase(db, namesPath, OpenPolicy::kInspect);
  std::printf("%d named records in one list, %.1f MB, in %s, read back from the disk into the page cache\n",
              names, double(db.FileSizeOf()) / 1e6, folder.c_str());
  std::printf("In this process (median of %d, CPU time):\n", runs);
  Line("sequential read", read, names, read, "read");
  int64_t records = 0;
  const double walk = CpuMedian(runs, [&] {
    records = WalkFrom(db, db.dp->TopLevelFirst(),
                       [](Position, std::span<const uint8_t, kPointerRecordSize>, int) { return true; });
  });
  Line("tree walk", walk, double(records), read, "read");
  const double miss = CpuMedian(runs, [&] {
    if (ScanForString(db, "no node has this name", true) != -1) std::puts("unexpected match");
  });
  Line("name search, no hit (ScanForString)", miss, double(records), read, "read");
  db.Close();
  const double opened = CpuMedian(runs, [&] {
    tDataImageArk fresh;
    OpenDatabase(fresh, namesPath, OpenPolicy::kInspect);
    if (ScanForString(fresh, "no node has this name", true) != -1) std::puts("unexpected match");
  });
  Line("fresh opening and a name search", opened, double(records), read, "read");

  const std::string tool = QUILLTOOL_PATH;
  const double cat = ProcessMedian(runs, {"cat", namesPath});
  std::printf("Whole processes (median of %d, their CPU time), output thrown away:\n", runs);
  Line("cat FILE", cat, double(records), cat, "cat");
  const double find = ProcessMedian(runs, {tool, "find", namesPath, "no node has this name"}, true);
  const double tree = ProcessMedian(runs, {tool, "tree", namesPath});
  Line("quilltool find, no hit", find, double(records), cat, "cat");
  Line("quilltool tree", tree, double(records), cat, "cat");
  if (!haveSqlite) {
    std::printf("  (no sqlite3 program: the comparison is left out)\n");
    return 0;
  }
  const double sqliteFind = ProcessMedian(
      runs, {"sqlite3", sqlitePath, "SELECT id FROM nodes WHERE name = 'no node has this name'"});
  const double sqliteTree = ProcessMedian(runs, {"sqlite3", sqlitePath, "SELECT id, name FROM nodes"});
  Line("sqlite3 find, no hit", sqliteFind, double(records), cat, "cat");
  Line("sqlite3 rows in order", sqliteTree, double(records), cat, "cat");
  std::printf("  quilltool against sqlite3: find %.2fx, tree %.2fx (goal: at most 1x); walk %.1f ns a record "
              "(goal: at most 40)\n",
              find / sqliteFind, tree / sqliteTree, miss * 1e9 / double(records));
  return 0;
}
