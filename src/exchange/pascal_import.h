// Templates from Pascal sources: a line-by-line keyword scan, not a grammar. A line is a
// declaration header, an end line or a field line by the words it contains; a field
// line's type is the last type name found in it. Source lines are 8-bit (Windows-1252)
// text of any length; the texts handed out here are UTF-8. Nothing in a source, however
// long or binary, makes the scan loop or the import write more than one template.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "templates/template_format.h"

namespace qn {

class tDataImageArk;

inline constexpr std::string_view kImportFormCaption = "Importer Pascal kildekode";
inline constexpr std::string_view kImportNamePrompt = "Nytt navn på mal";
inline constexpr std::string_view kPascalFileFilter = "Pascal filer|*.PAS|Alle filer|*.*";

// The line tests, each on a line already upper-cased (8-bit).
// "RECORD", "OBJECT" or "CLASS", and "=", and no ";".
bool IsTypeHeader(std::string_view upper);
// "END" and ";" and no ":".
bool IsEndLine(std::string_view upper);
// ":" and ";" and none of the method words.
bool IsFieldLine(std::string_view upper);

struct ParsedField {
  TemplateField field;
  int64_t repeat = 1;  // an array's element count; the field is appended this many times
};
// The field a field line declares; nothing when no type is found in it, its array has
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

struct ImportResult {
  enum class Status {
    kImported,   // the template was made
    kNotFound,   // the declaration line is not (or no longer) in the file
    kRefused,    // the name cannot be used, or the file cannot be read: nothing made
    kFailed,     // the database did not take the template: nothing made
  };
  Status status = Status::kNotFound;
  std::string name;        // the template's name
  size_t fields = 0;       // rows appended, the ancestor row included
  size_t skippedLines = 0; // field lines left out (no type, no name, too many rows)
  std::string message;     // what the user is told when it is not kImported
};

// Progress of one import: percent and the name of the field last appended (UTF-8).
using ImportProgress = std::function<void(int percent, std::string_view field)>;

// ImporterRecord: the declaration `declaration` (a line the scan listed) as a new template
// named `name`, or by the declaration's type name when `name` is empty. One change of the
// journal; the cursor is where it was.
ImportResult ImportDeclaration(tDataImageArk& db, std::istream& source, std::string_view declaration,
                               std::string_view name, const ImportProgress& progress = {});
ImportResult ImportDeclarationFromFile(tDataImageArk& db, const std::string& path,
                                       std::string_view declaration, std::string_view name,
                                       const ImportProgress& progress = {});

}  // namespace qn
