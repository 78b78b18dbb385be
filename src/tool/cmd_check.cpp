// quilltool check FILE: the consistency check of the whole file, the register variables'
// own check after it, one line per fault ("<Position>: <what is wrong>"); exit 1 when
// there is any, else "OK" and exit 0. A journal kept aside beside the file is named on a
// line of its own; it is no fault of the file.
#include <utility>

#include "content/system_lists.h"
#include "store/consistency_check.h"
#include "store/journal.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunCheck(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kCheck{"check", "FILE",
                             "Check every record's links and blocks against the file; list the faults.",
                             RunCheck};
RegisterCommand registered{kCheck};

int RunCheck(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kCheck, args, 1)) return kExitError;
  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  const std::vector<ConsistencyFault> faults = CheckDatabase(db);
  for (const ConsistencyFault& fault : faults) context.out << FormatFault(fault) << '\n';
  // Journals an opening found not to belong to the file are kept beside it, never applied.
  for (const std::string& kept : KeptAsideJournals(args[0]))
    context.out << Escaped(kept) << ": a journal that did not belong to this file, kept aside\n";
  if (!faults.empty()) return kExitNotFound;
  context.out << "OK\n";
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
