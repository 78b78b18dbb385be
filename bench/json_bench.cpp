// json_bench: quilltool dump and load of a database of 100,000 data records (a template of
// a text, a number and a boolean, each record with its own values) in one list, each against
// one sequential read of the database file, and the memory each needs against the size of
// the JSON text.
//
// Times are the process's CPU time (user and system), best of three: on a machine other
// work shares, the wall clock measures that work too. Memory is the peak resident size of a
// fresh process of this program that does only the dump (or the load).
//
//   json_bench [--scale F] [--keep]
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "content/initial_content.h"
#include "env/input_file.h"
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
double CpuBest(int runs, const std::function<void()>& work) {
  double best = 1e100;
  for (int i = 0; i < runs; ++i) {
    const double start = CpuNow();
    work();
    best = std::min(best, CpuNow() - start);
  }
  return best;
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in KiB.
long StatusKiB(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key) + 1);
  return -1;
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

std::string Dump(const std::string& path);

// The child's side of FreshPeakKiB: the work, then its peak.
int Measure(char** argv) {
  const std::string what = argv[2], path = argv[3], json = argv[4], loaded = argv[5];
  if (what == "dump") {
    const std::string text = Dump(path);
    std::ofstream(json, std::ios::binary) << text;
  } else if (what == "load") {
    std::filesystem::remove(loaded);
    InputFile input = ReadInputFile(json, kDumpInputLimit);
    LoadDatabase(DiskFileSystem(), std::move(input.bytes), loaded);
  }
  std::printf("%ld\n", StatusKiB("VmHWM:"));
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--measure") == 0) return Measure(argv);
  Options options;
  if (!Start(argc, argv, "json_bench", &options)) return 2;
  const int64_t records = int64_t(100000 * options.scale);
  const std::string path = options.dir + "/json.pdb256", json = options.dir + "/json.json",
                    loaded = options.dir + "/loaded.pdb256";
  Build(path, records);
  const double read = CpuBest(5, [&] { ReadOnce(path); });
  const int64_t fileSize = int64_t(std::filesystem::file_size(path));

  std::string text;
  const double dump = CpuBest(3, [&] {
    text = Dump(path);
    std::ofstream(json, std::ios::binary) << text;
  });
  const double load = CpuBest(3, [&] {
    std::filesystem::remove(loaded);
    InputFile input = ReadInputFile(json, kDumpInputLimit);
    const LoadResult result = LoadDatabase(DiskFileSystem(), std::move(input.bytes), loaded);
    if (!result.ok) std::fprintf(stderr, "load: %s\n", result.message.c_str());
  });
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
  std::printf("sequential read  %8.3f s CPU\n", read);
  std::printf("dump             %8.3f s CPU  %6.1fx the read  %6.2f us/record\n", dump, dump / read,
              dump * 1e6 / double(records));
  std::printf("load             %8.3f s CPU  %6.1fx the read  %6.2f us/record\n", load, load / read,
              load * 1e6 / double(records));
  std::printf("peak RSS of a fresh process: dump %.1f MiB (%.1fx the text), load %.1f MiB (%.1fx the text);"
              " one that loads nothing %.1f MiB\n",
              double(dumpPeak) / 1024.0, double(dumpPeak) * 1024.0 / double(textSize), double(loadPeak) / 1024.0,
              double(loadPeak) * 1024.0 / double(textSize), double(idlePeak) / 1024.0);
  Finish(options);
  return same ? 0 : 1;
}
