// json_bench: quilltool dump and load of a database of 100,000 data records (a template of
// a text, a number and a boolean, each record with its own values) in one list, each against
// one sequential read of the database file, and the memory each needs against the size of
// the JSON text.
//
// Times are the process's CPU time (user and system), the median of five: on a machine other
// work shares, the wall clock measures that work too. The read is timed twice: from the page
// cache (CPU time) and from the disk (wall time, the file's pages put out of the cache
// first and checked to be gone with mincore). Memory is the peak resident size
// (getrusage's maxrss) of a fresh process of this program that does only the dump (or the
// load), the dump written to its file piece by piece and the load reading its file in pieces.
//
//   json_bench [--scale F] [--keep]
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "content/initial_content.h"
#include "env/text_codec.h"
#include "exchange/database_json.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "templates/data_editor.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

using namespace qn;
using namespace qn::bench;

namespace {

double CpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
double WallNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}
double CpuMedian(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double start = CpuNow();
    work();
    times.push_back(CpuNow() - start);
  }
  return Median(times);
}

// The pages of the file the page cache holds.
size_t ResidentPages(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  const off_t size = ::lseek(fd, 0, SEEK_END);
  void* map = ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (map == MAP_FAILED) return size_t(-1);
  const size_t page = size_t(::sysconf(_SC_PAGESIZE)), pages = (size_t(size) + page - 1) / page;
  std::vector<unsigned char> resident(pages);
  size_t count = 0;
  if (::mincore(map, size_t(size), resident.data()) == 0)
    for (unsigned char r : resident) count += r & 1;
  ::munmap(map, size_t(size));
  return count;
}

// One sequential read of the file from the disk: its pages synced and put out of the
// cache first. The wall time, median of `runs`; *left the most pages still cached.
double DiskRead(const std::string& path, int runs, size_t* left) {
  std::vector<double> times;
  *left = 0;
  for (int i = 0; i < runs; ++i) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ::fsync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
    *left = std::max(*left, ResidentPages(path));
    const double start = WallNow();
    ReadOnce(path);
    times.push_back(WallNow() - start);
  }
  return Median(times);
}

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The peak resident size (KiB) of this program started afresh to do only `what` ("dump"
// or "load") on the files: a new process, so nothing this one holds is counted.
long FreshPeakKiB(const char* what, const std::string& path, const std::string& json, const std::string& loaded) {
  const std::string command = std::filesystem::read_symlink("/proc/self/exe").string() + " --measure " + std::string(what) + " '" + path + "' '" + json + "' '" +
                              loaded + "'";
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return -1;
  long peak = -1;
  if (std::fscanf(child, "%ld", &peak) != 1) peak = -1;
  pclose(child);
  return peak;
}

void DumpTo(const std::string& path, const std::string& json);
void Load(const std::string& json, const std::string& loaded);

// The child's side of FreshPeakKiB: the work, then its peak.
int Measure(char** argv) {
  const std::string what = argv[2], path = argv[3], json = argv[4], loaded = argv[5];
  if (what == "dump") {
    DumpTo(path, json);
  } else if (what == "load") {
    Load(json, loaded);
  }
  std::printf("%ld\n", PeakKiB());
  return 0;
}

// `records` data records, each with a name text, a number and a flag of its own.
void Build(const std::string& path, int64_t records) {
  std::filesystem::remove(path);
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kCreate);
  db.BeginChange();
  CreateTemplate(db, "Post");
  for (const TemplateField& row : {TemplateRow("Navn", kTypeString, 21, 20), TemplateRow("Nr", kTypeLongint, 4, 8),
                                   TemplateRow("Aktiv", kTypeBoolean, 1, 3)})
    AddTemplateField(db, row);
  FinishTemplate(db);
  Datapointer& dp = *db.dp;
  dp.Load(dp.TopLevelFirst());
  dp.GoLast();
  AddNamed(db, DirDown, "JSON");
  LoadTemplate(db, "Post");
  tDirection direction = DirRight;
  std::vector<uint8_t> payload(26);
  for (int64_t i = 0; i < records; ++i) {
    CreateDataRecord(db, direction);
    direction = DirDown;
    const std::string name = "Post nummer " + std::to_string(i);
    std::fill(payload.begin(), payload.end(), 0);
    payload[0] = uint8_t(name.size());
    std::copy(name.begin(), name.end(), payload.begin() + 1);
    PutI32(payload, 21, int32_t(i));
    payload[25] = uint8_t(i % 2);
    RewriteData(db, payload);
  }
  db.EndChange();
  db.Close();
}

std::string Dump(const std::string& path) {
  tDataImageArk db;
  db.Open(path, OpenPolicy::kInspect);
  return DumpDatabase(db, DumpOptions{}).text;
}

// The dump written to `json` piece by piece, as quilltool dump writes stdout.
void DumpTo(const std::string& path, const std::string& json) {
  tDataImageArk db;
  db.Open(path, OpenPolicy::kInspect);
  std::ofstream out(json, std::ios::binary);
  DumpDatabase(db, DumpOptions{}, [&](std::string_view piece) {
    out.write(piece.data(), std::streamsize(piece.size()));
    return true;
  });
}

void Load(const std::string& json, const std::string& loaded) {
  std::filesystem::remove(loaded);
  const LoadResult result = LoadDatabaseFile(DiskFileSystem(), json, loaded);
  if (!result.ok) std::fprintf(stderr, "load: %s\n", result.message.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--measure") == 0) return Measure(argv);
  Options options;
  if (!Start(argc, argv, "json_bench", &options)) return 2;
  const int64_t records = int64_t(100000 * options.scale);
  const std::string path = options.dir + "/json.pdb256", json = options.dir + "/json.json",
                    loaded = options.dir + "/loaded.pdb256";
  Build(path, records);
  const double read = CpuMedian(5, [&] { ReadOnce(path); });
  size_t left = 0;
  const double diskRead = DiskRead(path, 5, &left);
  const int64_t fileSize = int64_t(std::filesystem::file_size(path));

  const double dump = CpuMedian(5, [&] { DumpTo(path, json); });
  const double load = CpuMedian(5, [&] { Load(json, loaded); });
  std::string text = Dump(path);
  const bool same = Dump(loaded) == text;
  const size_t textSize = text.size();
  text = std::string();
  text.shrink_to_fit();

  const long dumpPeak = FreshPeakKiB("dump", path, json, loaded);
  const long loadPeak = FreshPeakKiB("load", path, json, loaded);
  const long idlePeak = FreshPeakKiB("none", path, json, loaded + ".none");

  const double mib = 1024.0 * 1024.0;
  std::printf("%lld data records: file %.1f MiB, JSON %.1f MiB; dump of the loaded file %s\n",
              static_cast<long long>(records), double(fileSize) / mib, double(textSize) / mib,
              same ? "equals the dump" : "DIFFERS");
  std::printf("sequential read  %8.3f s CPU from the page cache, %.3f s wall from the disk (%zu pages left cached)\n",
              read, diskRead, left);
  std::printf("dump             %8.3f s CPU  %6.1fx the cached read  %6.2fx the disk read  %6.2f us/record\n", dump,
              dump / read, dump / diskRead, dump * 1e6 / double(records));
  std::printf("load             %8.3f s CPU  %6.1fx the cached read  %6.2fx the disk read  %6.2f us/record\n", load,
              load / read, load / diskRead, load * 1e6 / double(records));
  std::printf("peak RSS of a fresh process: dump %.1f MiB (%.1fx the text), load %.1f MiB (%.1fx the text);"
              " one that loads nothing %.1f MiB\n",
              double(dumpPeak) / 1024.0, double(dumpPeak) * 1024.0 / double(textSize), double(loadPeak) / 1024.0,
              double(loadPeak) * 1024.0 / double(textSize), double(idlePeak) / 1024.0);
  Finish(options);
  return same ? 0 : 1;
}
