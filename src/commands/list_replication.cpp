#include "commands/list_replication.h"

#include "content/system_lists.h"
#include "store/database.h"
#include "store/datapointer.h"

namespace qn {

int64_t SetListReplication(tDataImageArk& db, ListReplication change) {
  if (!db.IsOpen()) return 0;
  Datapointer& dp = *db.dp;
  // The file header record heads no list of its own.
  if (dp.CurrentPosition() == 0) return 0;
  dp.GoFirst();
  int64_t stored = 0;
  WalkList(dp, [&](Datapointer& at) {
    if (change == ListReplication::kPrepare) at.SetReplication(2);
    if (change == ListReplication::kStop) at.SetReplication(0);
    // Every store sets the change time; for kStamp that is the whole change.
    at.Store();
    ++stored;
    return false;
  });
  return stored;
}

}  // namespace qn
