// quilltool dump FILE [--out OUT.json] [--deleted]: the whole database as one JSON document
// on stdout or in OUT (a fresh file renamed into place); quilltool load IN.json NEW: a new
// database holding the content of such a document, refused when NEW exists.
#include "exchange/database_json.h"
#include "exchange/output_file.h"
#include "tool/progress.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunDump(const std::vector<std::string>& args, ToolContext& context);
int RunLoad(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kDump{"dump", "FILE [--out OUT] [--deleted]",
                            "Write the whole database as JSON to stdout or OUT (--deleted: the deleted records too).",
                            RunDump};
constexpr ToolCommand kLoad{"load", "IN NEW",
                            "Make the new database NEW from the JSON dump IN (refused when NEW exists).", RunLoad};
RegisterCommand registeredDump{kDump};
RegisterCommand registeredLoad{kLoad};

int RunDump(const std::vector<std::string>& args, ToolContext& context) {
  std::vector<std::string> files;
  std::string outName;
  DumpOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--deleted" && !options.deleted) {
      options.deleted = true;
    } else if (args[i] == "--out" && outName.empty() && i + 1 < args.size() && !args[i + 1].empty()) {
      outName = args[++i];
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 1) return UsageError(context, kDump);
  tDataImageArk db(ReadOnceFiles(context.files));
  if (int r = OpenForReading(context, files[0], db); r != kExitOk) return r;
  DumpResult result;
  {
    TerminalProgress progress(context, "dump");
    if (outName.empty()) {
      // Straight to stdout piece by piece: the text is never held whole.
      result = DumpDatabase(
          db, options,
          [&](std::string_view piece) {
            context.out.write(piece.data(), std::streamsize(piece.size()));
            return true;
          },
          progress.Callback());
    } else {
      // Into a fresh file beside OUT, renamed over it when whole.
      ReplaceFileByPieces(*context.files, outName, [&](const DumpSink& sink) {
        result = DumpDatabase(db, options, sink, progress.Callback());
        return !result.stopped;
      });
    }
  }
  db.Close();
  if (result.droppedLinks > 0)
    context.err << "quilltool: " << result.droppedLinks
                << " references to records the dump leaves out were left out" << '\n';
  return kExitOk;
}

int RunLoad(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kLoad, args, 2)) return kExitError;
  LoadResult result;
  {
    TerminalProgress progress(context, "load");
    result = LoadDatabaseFile(context.files, args[0], args[1], progress.Callback());
  }
  if (!result.ok) return Fail(context, result.message);
  context.out << result.records << (result.records == 1 ? " record\n" : " records\n");
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
