// quilltool repair FILE: a backup copy first (FILE.backup), then the links of the file
// repaired from the forward links walked from the top, and every record that no list
// reaches hung under a new top-level line "Gjenfunnet <date> <time>"; one line per change
// ("<Position>: <what was done>"), or "OK" when nothing needed it. The whole repair is one
// change. What the repair cannot mend (damaged name, data or note blocks, register
// variables) the check then still finds: those lines follow, and the exit code is 1.
#include <utility>

#include "commands/repair.h"
#include "content/system_lists.h"
#include "env/datetime_text.h"
#include "store/consistency_check.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunRepair(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kRepair{
    "repair", "FILE",
    "Back up, then repair the links and put unreached records under a new line \"Gjenfunnet\".",
    RunRepair};
RegisterCommand registered{kRepair};

int RunRepair(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kRepair, args, 1)) return kExitError;
  LinkRepairResult result;
  {
    tDataImageArk db(context.files);
    // Opening for writing rolls back what an unfinished change left, so the copy holds the
    // file as the program sees it.
    if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
    if (int32_t error = CopyToBackup(*context.files, args[0]); error != 0)
      return Fail(context, args[0] + ".backup: cannot write the backup copy (" +
                               ErrorDescription(error) + "), nothing changed");
    result = RepairLinks(db, NowAsDateTime());
    if (int r = CloseAfterEditing(context, db); r != kExitOk) return r;
  }
  for (const LinkRepairChange& change : result.changes)
    context.out << change.position << ": " << Escaped(change.what) << '\n';

  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  const std::vector<ConsistencyFault> faults = CheckDatabase(db);
  for (const ConsistencyFault& fault : faults)
    context.out << "not repaired: " << Escaped(FormatFault(fault)) << '\n';
  if (!faults.empty()) return kExitNotFound;
  if (result.changes.empty()) context.out << "OK\n";
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
