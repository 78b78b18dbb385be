// quilltool search FILE TEXT [--in names,data,notes,links,vars] [--case]: every record
// whose name, data fields (as the data editor shows them, passwords never), note, document
// link text or register variable holds TEXT, one line per hit: Position, where, the path
// of display names from the top and the text around the hit, tab-separated. Letters
// compare without case unless --case. Exit 1 when nothing is found; blocks skipped as
// damaged are counted on stderr.
#include <sstream>

#include "commands/text_search.h"
#include "store/record_reader.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunSearch(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kSearch{"search", "FILE TEXT [--in names,data,notes,links,vars] [--case]",
                              "Print every record whose names, data, notes, links or variables hold TEXT.",
                              RunSearch};
RegisterCommand registered{kSearch};

// The places named in a --in list; 0 when a name is not one of them.
unsigned ParsePlaces(const std::string& list) {
  static constexpr std::pair<std::string_view, unsigned> kNames[] = {
      {"names", kSearchNames}, {"data", kSearchData}, {"notes", kSearchNotes},
      {"links", kSearchLinks}, {"vars", kSearchVariables}};
  unsigned places = 0;
  std::stringstream in(list);
  for (std::string word; std::getline(in, word, ',');) {
    unsigned one = 0;
    for (const auto& [name, place] : kNames)
      if (word == name) one = place;
    if (one == 0) return 0;
    places |= one;
  }
  return places;
}

std::string WhereText(const SearchHit& hit) {
  switch (hit.place) {
    case HitPlace::kName: return "name";
    case HitPlace::kField: return "field " + hit.field;
    case HitPlace::kNote: return "note";
    case HitPlace::kLink: return "link";
    case HitPlace::kVariableName: return "var";
    case HitPlace::kVariableValue: return "value";
  }
  return {};
}

int RunSearch(const std::vector<std::string>& args, ToolContext& context) {
  if (args.size() < 2) return UsageError(context, kSearch);
  SearchRequest request{args[1], kSearchEverywhere, false};
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--case") {
      request.matchCase = true;
    } else if (args[i] == "--in" && i + 1 < args.size() && (request.places = ParsePlaces(args[i + 1])) != 0) {
      ++i;
    } else {
      return UsageError(context, kSearch);
    }
  }
  tDataImageArk db(ReadOnceFiles(context.files));
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  RecordReader reader(db);
  TextSearch search(reader, request);
  while (search.Run(int64_t(1) << 20, [&](const SearchHit& hit) {
    std::string path;
    for (const std::string& name : hit.path) path += (path.empty() ? "" : " › ") + name;
    context.out << hit.position << '\t' << Escaped(WhereText(hit)) << '\t' << Escaped(path) << '\t'
                << Escaped(hit.around) << '\n';
  })) {
  }
  if (search.Damaged() > 0)
    context.err << "quilltool: " << search.Damaged() << " damaged blocks or links skipped\n";
  return search.Hits() > 0 ? kExitOk : kExitNotFound;
}

}  // namespace

}  // namespace qn::tool
