// peer_bench: QuillNet against SQLite, the store a user of outliners meets most. The same
// 100,000 named nodes in one list: in QuillNet as named records added one by one; in
// SQLite as rows of a table of parent/previous/next links with an index on parent,
// inserted one by one in autocommit (WAL, synchronous=NORMAL). Then a name search that
// misses (ScanForString against `name = ?` without an index) and a walk of the list with
// the names (GoDown and the name against `WHERE parent = ?`), the two stores' runs taken in
// turns. Each reading figure is the best of nine, with QuillNet's time over SQLite's.
//
//   peer_bench [--scale F] [--keep]
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "content/initial_content.h"
#include "env/log.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"

using namespace qn;
using namespace qn::bench;

namespace {

bool Exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s: %s\n", sql, error ? error : "?");
    sqlite3_free(error);
    return false;
  }
  return true;
}

constexpr int kRounds = 9;

void Row(const char* what, double quill, double sqlite) {
  std::printf("  %-28s QuillNet %9.2f ms   SQLite %9.2f ms   ratio %5.2f\n", what, quill * 1e3,
              sqlite * 1e3, quill / sqlite);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Start(argc, argv, "peer_bench", &options)) return 2;
  const double scale = options.scale;
  const std::string& dir = options.dir;
  LoggingEnabled = false;
  const int nodes = int(100000 * scale);
  const std::string quillPath = dir + "/nodes.pdb256";
  const std::string sqlitePath = dir + "/nodes.sqlite";

  // ---- QuillNet ----
  Position first = 0;
  double quillInsert = 0;
  {
    tDataImageArk db;
    OpenDatabase(db, quillPath, OpenPolicy::kCreate);
    db.dp->Load(0);
    AddNamed(db, DirDown, "Nodes");
    quillInsert = Seconds([&] {
      first = AddNamed(db, DirRight, "Node 0");
      for (int i = 1; i < nodes; ++i) AddNamed(db, DirDown, "Node " + std::to_string(i));
    });
    db.Close();
  }
  // ---- SQLite ----
  sqlite3* sq = nullptr;
  if (sqlite3_open(sqlitePath.c_str(), &sq) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: cannot open %s\n", sqlitePath.c_str());
    return 2;
  }
  Exec(sq, "PRAGMA journal_mode=WAL");
  Exec(sq, "PRAGMA synchronous=NORMAL");
  Exec(sq,
       "CREATE TABLE nodes (id INTEGER PRIMARY KEY, parent INTEGER, prev INTEGER, next INTEGER, "
       "name TEXT)");
  Exec(sq, "CREATE INDEX nodes_parent ON nodes(parent)");
  Exec(sq, "INSERT INTO nodes (id, parent, prev, next, name) VALUES (1, 0, 0, 0, 'Nodes')");
  sqlite3_stmt* insert = nullptr;
  sqlite3_stmt* link = nullptr;
  sqlite3_prepare_v2(sq, "INSERT INTO nodes (id, parent, prev, next, name) VALUES (?, 1, ?, 0, ?)",
                     -1, &insert, nullptr);
  sqlite3_prepare_v2(sq, "UPDATE nodes SET next = ? WHERE id = ?", -1, &link, nullptr);
  const double sqliteInsert = Seconds([&] {
    for (int i = 0; i < nodes; ++i) {
      const int64_t id = i + 2;
      const std::string name = "Node " + std::to_string(i);
      sqlite3_bind_int64(insert, 1, id);
      sqlite3_bind_int64(insert, 2, i == 0 ? 0 : id - 1);
      sqlite3_bind_text(insert, 3, name.c_str(), int(name.size()), SQLITE_TRANSIENT);
      sqlite3_step(insert);
      sqlite3_reset(insert);
      if (i > 0) {  // the previous node's next link, as QuillNet stores both directions
        sqlite3_bind_int64(link, 1, id);
        sqlite3_bind_int64(link, 2, id - 1);
        sqlite3_step(link);
        sqlite3_reset(link);
      }
    }
  });
  sqlite3_finalize(insert);
  sqlite3_finalize(link);

  // ---- Reading, both stores open, their runs taken in turns so that both meet the same
  // machine; the best run of each.
  tDataImageArk db;
  OpenDatabase(db, quillPath, OpenPolicy::kInspect);
  sqlite3_stmt* find = nullptr;
  sqlite3_prepare_v2(sq, "SELECT id FROM nodes WHERE name = ?", -1, &find, nullptr);
  sqlite3_stmt* children = nullptr;
  sqlite3_prepare_v2(sq, "SELECT id, next, name FROM nodes WHERE parent = ?", -1, &children, nullptr);
  size_t rows = 0;
  double quillMiss = 1e100, quillWalk = 1e100, sqliteMiss = 1e100, sqliteWalk = 1e100;
  for (int round = 0; round < kRounds; ++round) {
    quillMiss = std::min(quillMiss, Seconds([&] {
      if (ScanForString(db, "no node has this name", true) != -1) std::puts("unexpected match");
    }));
    sqliteMiss = std::min(sqliteMiss, Seconds([&] {
      sqlite3_bind_text(find, 1, "no node has this name", -1, SQLITE_STATIC);
      if (sqlite3_step(find) == SQLITE_ROW) std::puts("unexpected match");
      sqlite3_reset(find);
    }));
    quillWalk = std::min(quillWalk, Seconds([&] {
      db.dp->Load(first);
      size_t bytes = 0;
      do bytes += ReadName(db).size();
      while (db.dp->GoDown() == 0);
      if (bytes == 0) std::puts("(no names)");
    }));
    sqliteWalk = std::min(sqliteWalk, Seconds([&] {
      sqlite3_bind_int64(children, 1, 1);
      rows = 0;
      size_t bytes = 0;
      while (sqlite3_step(children) == SQLITE_ROW) {
        ++rows;
        bytes += size_t(sqlite3_column_bytes(children, 2));
        if (sqlite3_column_text(children, 2) == nullptr) std::puts("(no name)");
      }
      sqlite3_reset(children);
      if (bytes == 0) std::puts("(no names)");
    }));
  }
  sqlite3_finalize(find);
  sqlite3_finalize(children);
  sqlite3_close(sq);
  db.Close();

  std::printf("QuillNet against SQLite %s, %d named nodes in one list (files %.1f MB and %.1f MB)\n",
              sqlite3_libversion(), nodes, double(std::filesystem::file_size(quillPath)) / 1e6,
              double(std::filesystem::file_size(sqlitePath)) / 1e6);
  Row("insert one by one", quillInsert, sqliteInsert);
  Row("search miss", quillMiss, sqliteMiss);
  Row("walk the list with names", quillWalk, sqliteWalk);
  if (rows != size_t(nodes)) std::printf("  (SQLite walked %zu rows)\n", rows);
  std::printf("  goals: insert ratio below 1, walk at most 1.0, search miss at most 1.5\n");

  Finish(options);
  return 0;
}
