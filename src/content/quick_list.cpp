#include "content/quick_list.h"

#include "content/display_name.h"
#include "content/system_lists.h"
#include "store/database.h"
#include "store/datapointer.h"

namespace qn {

std::vector<QuickListEntry> QuickListEntries(tDataImageArk& db) {
  std::vector<QuickListEntry> out;
  if (!db.IsOpen()) return out;
  ListStandardList(db, kFilelinksHeader, [&](Datapointer& dp) {
    out.push_back({DisplayName(db), dp.DataBlock()});
    return false;
  });
  return out;
}

Position AddQuickListEntry(tDataImageArk& db, std::string_view name) {
  if (name.empty()) return -1;
  Datapointer& dp = *db.dp;
  {
    CursorRestorer keeper(dp);
    if (GoToStandardListMaking(db, kFilelinksHeader) < 0) return -1;
  }
  return dp.AddFileLink(name);
}

}  // namespace qn
