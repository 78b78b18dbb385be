// Templates from Pascal sources: a line-by-line keyword scan, not a grammar. A line is a
// declaration header, an end line or a field line by the words it contains; a field
// line's type is the last type name found in it. Source lines are 8-bit (Windows-1252)
// text of any length; the texts handed out here are UTF-8. A source is read once
// (PascalSource): the scan's list and every declaration's lines come from that one pass,
// so importing all of a source's declarations costs one read of it. Nothing in a source,
// however long or binary, makes the scan loop or the import write more than one template.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "templates/template_format.h"

namespace qn {

class tDataImageArk;

inline constexpr std::string_view kImportFormCaption = "Importer Pascal kildekode";
inline constexpr std::string_view kImportNamePrompt = "Nytt navn på mal";
inline constexpr std::string_view kPascalFileFilter = "Pascal filer|*.PAS|Alle filer|*.*";

// The line tests, each on a line already upper-cased (8-bit).
// A type name, "=", then "RECORD", "OBJECT" or "CLASS" (after an optional "PACKED") as the
// type's first word, and no ";": "CLASS OF", arrays and aliases are no declarations.
bool IsTypeHeader(std::string_view upper);
// "END" and ";" and no ":".
bool IsEndLine(std::string_view upper);
// ":" and ";" and none of the method words.
bool IsFieldLine(std::string_view upper);

struct ParsedField {
  TemplateField field;  // named by the first of `names`
  std::vector<std::string> names;  // each name the line declares ("X, Y: INTEGER" two)
  int64_t repeat = 1;  // an array's element count; each name is appended this many times
};
// The fields a field line declares; nothing when no type is found in it, its array has
// fewer than one element, or no name is left once the comments and blanks are gone.
std::optional<ParsedField> ParseFieldLine(std::string_view upper);

// The system upper-casing of 8-bit text.
std::string UpperCase8(std::string_view text);

// sjekkfilen: the lines read and the declaration headers found, each without its leading
// blanks (UTF-8, letters as in the source).
struct SourceScan {
  int32_t AntLinjer = 0;
  int32_t AntRecord = 0;
  std::vector<std::string> declarations;
  std::string error;  // the file could not be read: nothing was scanned
};
SourceScan ScanSource(std::istream& in);
SourceScan ScanSourceFile(const std::string& path);

// A source read once: the scan, and what the import needs of the lines after each header.
// Inside a declaration, a nested record ("NAME: RECORD" .. its own end line) lends its
// fields to the declaration, and of a conditional block ({$IFDEF} .. {$ELSE} .. {$ENDIF})
// only the first branch counts.
class PascalSource {
 public:
  // Reads `in` to its end.
  explicit PascalSource(std::istream& in) : PascalSource(in, {}) {}
  // Reads `in` to its end, or only until the declaration of the first header line whose
  // text is `until` (UTF-8, as the scan lists it) has ended; the scan is then partial.
  PascalSource(std::istream& in, std::string_view until);
  // The file at `path`; a file that cannot be opened gives a source with an error.
  static PascalSource ReadFile(const std::string& path, std::string_view until = {});

  const SourceScan& Scan() const { return scan_; }

  struct Header {
    int64_t line = 0;      // 0-based
    size_t firstLine = 0;  // where the kept lines after it begin
    std::string text;      // 8-bit, without leading blanks
  };
  // The header `declaration` (UTF-8) names: the first header line whose text is
  // `declaration`, else the first that contains it; nothing when none does or when it is
  // the last line of the source (nothing after it to import).
  const Header* Find(std::string_view declaration) const;
  // Calls `field` with each field line of the declaration after `header`, upper-cased,
  // until its end line, the source's end, or `field` returns false.
  void ForEachFieldLine(const Header& header, const std::function<bool(std::string_view)>& field) const;

 private:
  // The lines after the first header that say something to an import; others are not kept.
  enum class Kind : uint8_t { kField, kEnd, kNested, kIf, kElse, kEndIf };
  struct Line {
    Kind kind;
    std::string upper;  // a field line's text; empty for the others
  };
  // Where a walk through a declaration's lines stands: nested records open, conditional
  // blocks open, and the depth from which a later branch is being left out.
  class Walk {
   public:
    enum class Step { kTake, kLeave, kEnd };
    Step Next(Kind kind);

   private:
    int64_t nested_ = 0;
    int64_t conditions_ = 0;
    int64_t leaveFrom_ = 0;  // 0: no branch is being left out
  };

  PascalSource() = default;
  // Takes the next line of the source; false once `until_`'s declaration has ended.
  bool Add(std::string_view line);
  // What a line that is not a header says inside a declaration, if anything.
  static std::optional<Kind> LineKind(std::string_view upper);

  SourceScan scan_;
  int64_t lines_ = 0;
  std::vector<Header> headers_;
  std::unordered_map<std::string, size_t> firstHeader_;  // header text -> index in headers_
  std::vector<Line> body_;
  std::string until_;                    // 8-bit
  std::optional<Walk> untilWalk_;        // through until_'s declaration, once it is found
};

struct ImportResult {
  enum class Status {
    kImported,   // the template was made
    kNotFound,   // the declaration line is not (or no longer) in the file
    kRefused,    // the name cannot be used, or the file cannot be read: nothing made
    kFailed,     // the database did not take the template: nothing made
    kSkipped,    // importing all: the name is already used, so this one was left out
  };
  Status status = Status::kNotFound;
  std::string name;        // the template's name
  size_t fields = 0;       // rows appended, the ancestor row included
  size_t skippedLines = 0; // field lines left out (no type, no name, too many rows)
  std::string message;     // what the user is told when it is not kImported
  bool nameTaken = false;  // refused because a template of the name can already be found
};

// Progress of one import: percent and the name of the field last appended (UTF-8).
using ImportProgress = std::function<void(int percent, std::string_view field)>;

// ImporterRecord: the declaration `declaration` (a line the scan listed; see
// PascalSource::Find) as a new template named `name`, or by the declaration's type name
// when `name` is empty. One change of the journal; the cursor is where it was. Importing
// many declarations of one source, read it once and hand each the same PascalSource.
ImportResult ImportDeclaration(tDataImageArk& db, const PascalSource& source, std::string_view declaration,
                               std::string_view name, const ImportProgress& progress = {});
// The same from a source read only as far as the declaration's end.
ImportResult ImportDeclaration(tDataImageArk& db, std::istream& source, std::string_view declaration,
                               std::string_view name, const ImportProgress& progress = {});
// "&Importer alle": every declaration the scan listed, in order, each by its type name.
// A declaration whose name is already used (the same type in two {$IFDEF} branches, or a
// name the database has) is skipped with a message saying so, and the rest are imported.
std::vector<ImportResult> ImportAllDeclarations(tDataImageArk& db, const PascalSource& source,
                                                const ImportProgress& progress = {});
ImportResult ImportDeclarationFromFile(tDataImageArk& db, const std::string& path,
                                       std::string_view declaration, std::string_view name,
                                       const ImportProgress& progress = {});

}  // namespace qn
