// undo_bench: taking back and doing again a large change, against the change itself, on
// disk: the sort of a list of 100,000 records (reversed) and the sequential import of
// 100,000 records of 60 bytes. For each: the command's time as one change without and with
// its images kept, the undo and the redo (each one journaled change), and the bytes the
// step keeps against the file's size and against the bytes the command wrote.
//
//   undo_bench [--scale F] [--keep]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "commands/list_sort.h"
#include "content/initial_content.h"
#include "exchange/sequential_import.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

using namespace qn;
using namespace qn::bench;

namespace {

// Runs `command` as one change on a copy of `path` (so every run starts alike), first
// without an observer, then keeping its images; then undoes and redoes it.
void Measure(const char* what, const std::string& path, const std::function<void(tDataImageArk&)>& command) {
  const std::string work = path + ".work";
  const auto fresh = [&] {
    std::filesystem::copy_file(path, work, std::filesystem::copy_options::overwrite_existing);
  };
  fresh();
  double plain = 0;
  uint64_t written = 0;
  {
    tDataImageArk db;
    db.Open(work, OpenPolicy::kCreate);
    const uint64_t before = db.Counters().bytesWritten;
    plain = Seconds([&] {
      db.BeginChange();
      command(db);
      db.EndChange();
    });
    written = db.Counters().bytesWritten - before;
  }
  fresh();
  tDataImageArk db;
  db.Open(work, OpenPolicy::kCreate);
  ChangeImages images;
  db.SetChangeObserver([&](ChangeImages&& i) { images = std::move(i); });
  const double kept = Seconds([&] {
    db.BeginChange();
    command(db);
    db.EndChange();
  });
  int32_t undoError = 0, redoError = 0;
  const double undo = Seconds([&] { undoError = db.ApplyImage(images.after, images.before); });
  const double redo = Seconds([&] { redoError = db.ApplyImage(images.before, images.after); });
  const double fileSize = double(std::filesystem::file_size(work));
  std::printf("%s (%.1f MB file after it)\n", what, fileSize / 1e6);
  std::printf("  command          %8.1f ms\n", plain * 1e3);
  std::printf("  images kept      %8.1f ms   %.2f x the command\n", kept * 1e3, kept / plain);
  std::printf("  undo             %8.1f ms   %.2f x the command%s\n", undo * 1e3, undo / plain,
              undoError != 0 ? "   (failed!)" : "");
  std::printf("  redo             %8.1f ms   %.2f x the command%s\n", redo * 1e3, redo / plain,
              redoError != 0 ? "   (failed!)" : "");
  std::printf("  kept per step    %8.2f MB   before %.2f MB + after %.2f MB; %.2f x the bytes written, "
              "%.2f x the file\n",
              double(images.before.Bytes() + images.after.Bytes()) / 1e6, double(images.before.Bytes()) / 1e6,
              double(images.after.Bytes()) / 1e6,
              double(images.before.Bytes() + images.after.Bytes()) / double(std::max<uint64_t>(written, 1)),
              double(images.before.Bytes() + images.after.Bytes()) / fileSize);
  db.Close();
  std::filesystem::remove(work);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Start(argc, argv, "undo_bench", &options)) return 2;
  const int count = int(100000 * options.scale);

  // A list of `count` named records in reverse order under one top-level record.
  const std::string sortPath = options.dir + "/sort.pdb256";
  Position first = 0;
  {
    tDataImageArk db;
    OpenDatabase(db, sortPath, OpenPolicy::kCreate);
    db.dp->Load(0);
    AddNamed(db, DirDown, "Sortering");
    char name[32];
    for (int i = count - 1; i >= 0; --i) {
      std::snprintf(name, sizeof name, "Post %06d", i);
      const Position p = AddNamed(db, i == count - 1 ? DirRight : DirDown, name);
      if (i == count - 1) first = p;
    }
  }
  Measure("Sort of a reversed list", sortPath, [&](tDataImageArk& db) {
    db.dp->Load(first);
    SortList(db, true);
  });

  // An empty database with the template, and the data file.
  const std::string importPath = options.dir + "/import.pdb256";
  const std::string data = options.dir + "/poster.dta";
  {
    std::ofstream out(data, std::ios::binary);
    const std::string record(60, 'r');
    for (int i = 0; i < count; ++i) out << record;
  }
  Position top = 0;
  {
    tDataImageArk db;
    OpenDatabase(db, importPath, OpenPolicy::kCreate);
    db.BeginChange();
    CreateTemplate(db, "Seksti");
    AddTemplateField(db, TemplateRow("Tekst", kTypeString, 56, 55));
    AddTemplateField(db, TemplateRow("Nr", kTypeLongint, 4, 8));
    FinishTemplate(db);
    db.EndChange();
    top = db.dp->TopLevelFirst();
  }
  Measure("Import of 60-byte records", importPath, [&](tDataImageArk& db) {
    db.dp->Load(top);
    LoadTemplate(db, "Seksti");
    ImportSequentialFile(db, db.Files(), data);
  });
  Finish(options);
  return 0;
}
