// The long lists the refresh benchmarks build: one list of `count` named records ("Row 0",
// "Row 1", ...) under one top-level record, with `others` more lists grown in turns with it
// so that its records lie apart in the file.
#pragma once

#include <string>
#include <vector>

#include "content/initial_content.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"

namespace qn::bench {

// Creates the database at `path`; the Positions of the long list's records, top to bottom.
inline std::vector<Position> BuildLongList(const std::string& path, int count, int others) {
  tDataImageArk db;
  OpenDatabase(db, path, OpenPolicy::kCreate);
  Datapointer& dp = *db.dp;
  std::vector<Position> heads, tails(size_t(others + 1), 0), records;
  dp.Load(0);
  for (int l = 0; l <= others; ++l) heads.push_back(AddNamed(db, DirDown, "Long " + std::to_string(l)));
  for (int i = 0; i < count; ++i) {
    for (int l = 0; l <= others; ++l) {
      dp.Load(tails[size_t(l)] != 0 ? tails[size_t(l)] : heads[size_t(l)]);
      tails[size_t(l)] = AddNamed(db, tails[size_t(l)] != 0 ? DirDown : DirRight,
                                  "Row " + std::to_string(i));
      if (l == 0) records.push_back(tails[0]);
    }
  }
  db.Close();
  return records;
}

}  // namespace qn::bench
