// pascal_bench: how the Pascal import and the template editor's walks grow with their
// input. A generated source of N record declarations of ten fields each (N = 500, 2,000)
// is scanned (the import dialog's list) and every declaration imported as a template into
// a new database on disk from one read of the source, as quilltool import-pascal does:
// a change each, and all in one change. For comparison the same in one change with each
// declaration read from the file again (ImportDeclarationFromFile, which reads as far as
// its declaration's end: that grows with N squared). Then the template editor's count of
// the data records using a template walks a database of 100,000 data records, and the
// template scan lists the templates made.
//
//   pascal_bench [--scale F] [--keep]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench_support.h"
#include "content/initial_content.h"
#include "env/log.h"
#include "exchange/pascal_import.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "templates/data_editor.h"
#include "templates/def_editor.h"
#include "templates/template_store.h"

using namespace qn;
using namespace qn::bench;

namespace {

class QuietHost : public DefEditorHost {
 public:
  std::string Input(std::string_view, std::string_view) override { return ""; }
  bool YesNo(std::string_view, bool d) override { return d; }
  void Message(std::string_view) override {}
  std::string ChooseTemplate(const std::vector<std::string>&) override { return ""; }
  std::string CurrentDisplayName() override { return ""; }
};

void ImportRun(const std::string& dir, int declarations) {
  const std::string source = dir + "/unit" + std::to_string(declarations) + ".pas";
  {
    std::ofstream out(source);
    out << "unit Bench;\ninterface\ntype\n";
    for (int d = 0; d < declarations; ++d) {
      out << "  TRec" << d << " = record\n";
      for (int f = 0; f < 10; ++f) out << "    Felt" << f << ": " << (f % 2 ? "Integer;" : "string[20];") << "\n";
      out << "  end;\n";
    }
  }
  SourceScan scan;
  const double scanTime = Seconds([&] { scan = ScanSourceFile(source); });
  const std::string path = dir + "/import" + std::to_string(declarations) + ".pdb256";
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kCreate);
  size_t made = 0;
  const double importTime = Seconds([&] {
    const PascalSource pascal = PascalSource::ReadFile(source);
    for (const std::string& d : pascal.Scan().declarations)
      if (ImportDeclaration(db, pascal, d, "").status == ImportResult::Status::kImported) ++made;
  });
  db.Close();
  // The same inside one change, as the window's command and the tool run it: without a
  // sync for each template, what is left is reading the source and writing the rows.
  const auto inOneChange = [&](const std::function<void()>& importAll) {
    std::filesystem::remove(path);
    OpenDatabase(db, path, OpenPolicy::kCreate);
    const double time = Seconds([&] {
      db.BeginChange();
      importAll();
      db.EndChange();
    });
    db.Close();
    return time;
  };
  const double fromFileTime = inOneChange([&] {
    for (const std::string& d : scan.declarations) ImportDeclarationFromFile(db, source, d, "");
  });
  const double oneChangeTime = inOneChange([&] {
    const PascalSource pascal = PascalSource::ReadFile(source);
    for (const std::string& d : pascal.Scan().declarations) ImportDeclaration(db, pascal, d, "");
  });
  OpenDatabase(db, path, OpenPolicy::kCreate);  // the file the last run made
  QuietHost host;
  DefEditor editor(db, host, false);
  const double listTime = Seconds([&] { editor.ScanTemplates(); });
  std::printf("%6d declarations, %8lld source bytes: scan %.3f s, import of all %.2f s (%.2f ms each, a "
              "change each), in one change %.3f s (each read from the file %.3f s), %zu templates made, "
              "template scan %.3f s (%zu names)\n",
              declarations, (long long)std::filesystem::file_size(source), scanTime, importTime,
              1000 * importTime / std::max<size_t>(made, 1), oneChangeTime, fromFileTime, made, listTime,
              editor.Names().size());
  db.Close();
}

void CountRun(const std::string& dir, int records) {
  const std::string path = dir + "/count.pdb256";
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kCreate);
  ScanForString(db, "Data", true);
  LoadTemplate(db, "Database Bruker");
  const Position templateRecord = LoadedTemplate(db).TemplateRecordPos;
  db.BeginChange();
  for (int i = 0; i < records; ++i) CreateDataRecord(db, DirDown);
  db.EndChange();
  int64_t users = 0;
  const double countTime = Seconds([&] { users = CountRecordsUsingTemplate(db, templateRecord); });
  std::printf("%6d data records, %10lld file bytes: count of the records using a template %.3f s (%lld)\n",
              records, (long long)std::filesystem::file_size(path), countTime, (long long)users);
  db.Close();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Start(argc, argv, "pascal_bench", &options)) return 2;
  LoggingEnabled = false;
  ImportRun(options.dir, int(500 * options.scale));
  ImportRun(options.dir, int(2000 * options.scale));
  CountRun(options.dir, int(100000 * options.scale));
  Finish(options);
  return 0;
}
