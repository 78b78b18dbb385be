// quilltool note FILE POS [--set TEXTFILE]: prints the note of the record at POS (UTF-8,
// one line of the note a line, each escaped as every text the tool prints), or sets it from
// a UTF-8 text file, making the note block when the record has none. A text that does not
// fit the note's 8,192 bytes, or holds a character the file's code page cannot, is refused
// whole: nothing is cut. TEXTFILE must be a regular file.
#include <sstream>

#include "content/note_text.h"
#include "env/input_file.h"
#include "store/datapointer.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunNote(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kNote{"note", "FILE POS [--set TEXTFILE]",
                            "Print the note of POS, or set it from a UTF-8 text file.", RunNote};
RegisterCommand registered{kNote};

// The longest text file that can hold a note: every character of the note's 8,192 bytes
// takes at most three bytes in UTF-8, with a byte-order mark before them. A longer file is
// refused before it is read to its end.
constexpr size_t kNoteFileLimit = 3 * 8192 + 3;

int PrintNote(ToolContext& context, const std::vector<std::string>& args) {
  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) return r;
  if (db.dp->NoteBlock() == 0) {
    context.err << "quilltool: the record at Position " << args[1] << " has no note\n";
    return kExitNotFound;
  }
  std::istringstream lines(ReadNoteText(db));
  for (std::string line; std::getline(lines, line);) context.out << Escaped(line) << '\n';
  return kExitOk;
}

int RunNote(const std::vector<std::string>& args, ToolContext& context) {
  if (args.size() == 2) return PrintNote(context, args);
  if (args.size() != 4 || args[2] != "--set") return UsageError(context, kNote);
  const InputFile file = ReadInputFile(args[3], kNoteFileLimit);
  if (!file.ok) return Fail(context, file.message);
  const std::string& text = file.bytes;
  if (std::string refusal = NoteRefusal(MeasureNoteText(text)); !refusal.empty())
    return Fail(context, refusal);
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  if (int r = LoadRecordArgument(context, db, args[1]); r != kExitOk) return r;
  if (std::string failed = WriteNoteText(db, text); !failed.empty()) return Fail(context, failed);
  return CloseAfterEditing(context, db);
}

}  // namespace

}  // namespace qn::tool
