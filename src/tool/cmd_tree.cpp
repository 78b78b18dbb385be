// quilltool tree FILE: every record reachable from the top, depth first, one line each:
// two blanks per level, the Position, the kind and the record's display name (the line
// the program shows for it). The file is opened read-only and never changed.
#include <charconv>
#include <string>

#include "content/display_name.h"
#include "store/datapointer.h"
#include "store/record_reader.h"
#include "store/tree_walk.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunTree(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kTree{"tree", "FILE",
                            "List every record reachable from the top: Position, kind, display name.",
                            RunTree};
RegisterCommand registered{kTree};

void AppendNumber(std::string& out, int32_t value) {
  char digits[16];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end);
}

int RunTree(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kTree, args, 1)) return kExitError;
  tDataImageArk db(ReadOnceFiles(context.files));
  if (int r = OpenForWalking(context, args[0], db); r != kExitOk) return r;
  RecordReader reader(db);
  PointerRecord record;
  std::string name;
  // The lines go out in pieces of some 64 KiB, not one write per line.
  constexpr size_t kPiece = size_t(1) << 16;
  std::string lines;
  lines.reserve(kPiece + 1024);
  WalkFrom(reader, db.dp->TopLevelFirst(), [&](Position p, std::span<const uint8_t, kPointerRecordSize> image, int depth) {
    const RecordView view(image);
    const int32_t kind = view.Kind();
    lines.append(size_t(depth) * 2, ' ');
    AppendNumber(lines, p);
    lines += ' ';
    AppendNumber(lines, kind);
    lines += ' ';
    if (const Position block = view.NameBlock(); DisplayedByName(kind, block)) {
      // Most records are shown by their name: its bytes printed straight from the file.
      reader.ReadNameBytes(block, name);
      AppendPrintableText(lines, name);
    } else {
      PointerRecord::Decode(image, record);
      lines += Escaped(DisplayName(reader, record));
    }
    lines += '\n';
    if (lines.size() >= kPiece) {
      context.out.write(lines.data(), std::streamsize(lines.size()));
      lines.clear();
    }
    return true;
  });
  context.out.write(lines.data(), std::streamsize(lines.size()));
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
