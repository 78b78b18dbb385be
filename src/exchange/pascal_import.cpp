#include "exchange/pascal_import.h"

#include <filesystem>
#include <fstream>
#include <limits>

#include "env/number_text.h"
#include "env/text_codec.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "templates/def_editor.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

namespace qn {
namespace {

constexpr std::string_view kMethodWords[] = {"PROCEDURE", "FUNCTION", "PROPERTY", "CONSTRUCTOR",
                                             "DESTRUCTOR"};
// A template holds at most this many own rows (its row count is 16 bits).
constexpr size_t kMaxRows = std::numeric_limits<uint16_t>::max();

bool Has(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (!IsBlank(c)) out += c;
  return out;
}

// The whole text between `from` and `to` as a number; 0 when it is not one.
int64_t NumberBetween(std::string_view text, size_t from, size_t to) {
  if (from == std::string_view::npos || to == std::string_view::npos || to < from) return 0;
  return ParseInt32(text.substr(from, to - from)).value_or(0);
}

// Removes the first "{" up to the first "}" after it (the rest of the line when none).
void RemoveBraceComment(std::string& text) {
  const size_t open = text.find('{');
  if (open == std::string::npos) return;
  const size_t close = text.find('}', open);
  text.erase(open, close == std::string::npos ? std::string::npos : close - open + 1);
}

bool ReadLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::string FileError(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return "\"" + path + "\" er en mappe, ikke en fil.";
  return "Filen \"" + path + "\" kan ikke leses.";
}

}  // namespace

std::string UpperCase8(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const int upper = UnicodeToCp1252(UpperCase1252(Cp1252ToUnicode(uint8_t(c))));
    if (upper >= 0) c = char(upper);
  }
  return out;
}

bool IsTypeHeader(std::string_view u) {
  return (Has(u, "RECORD") || Has(u, "OBJECT") || Has(u, "CLASS")) && Has(u, "=") && !Has(u, ";");
}

bool IsEndLine(std::string_view u) { return Has(u, "END") && Has(u, ";") && !Has(u, ":"); }

bool IsFieldLine(std::string_view u) {
  if (!Has(u, ":") || !Has(u, ";")) return false;
  for (std::string_view word : kMethodWords)
    if (Has(u, word)) return false;
  return true;
}

std::optional<ParsedField> ParseFieldLine(std::string_view upper) {
  std::string line(upper);
  int type = -1;
  if (Has(line, "INTEGER")) type = kTypeSmallint;
  if (Has(line, "STRING")) type = kTypeString;
  if (type < 0) {
    // Every name is tried, so the highest-numbered name found in the line wins.
    for (const TypeInfo& t : TypeTable())
      if (t.code >= 1 && Has(line, t.name)) type = t.code;
  }
  if (type < 0) return std::nullopt;
  const TypeInfo& info = *FindType(uint16_t(type));
  ParsedField out;
  TemplateField& f = out.field;
  f.DataType = uint16_t(type);
  f.DataLength = info.dataLength;
  f.Length = info.length;
  const size_t open = line.find('[');
  if (open != std::string::npos) {
    const size_t close = line.find(']', open);
    if (type >= 16 && type <= 31) {
      const int64_t length = NumberBetween(line, open + 1, close);
      f.Length = uint16_t(length);
      f.DataLength = uint16_t(length + 1);
      line.erase(open, close == std::string::npos ? std::string::npos : close - open + 1);
    } else if (const size_t dots = line.find("..", open); dots != std::string::npos) {
      const int64_t low = NumberBetween(line, open + 1, dots);
      const int64_t high = NumberBetween(line, dots + 2, close);
      out.repeat = high - low + 1;
      if (out.repeat < 1) return std::nullopt;
    }
  }
  f.Decimals = 0;
  f.ShowLength = info.length;
  f.Hidden = 0;
  f.Required = 1;
  line.erase(std::min(line.find(':'), line.size()));
  RemoveBraceComment(line);
  RemoveBraceComment(line);
  line = WithoutBlanks(line);
  if (line.size() > size_t(kFieldNameMax)) line.resize(kFieldNameMax);
  // A row without a name would be a field no editor can show or fill.
  if (line.empty()) return std::nullopt;
  f.Name = line;
  return out;
}

SourceScan ScanSource(std::istream& in) {
  SourceScan scan;
  std::string line;
  while (ReadLine(in, line)) {
    ++scan.AntLinjer;
    if (!IsTypeHeader(UpperCase8(line))) continue;
    size_t start = 0;
    while (start + 1 < line.size() && IsBlank(line[start])) ++start;
    scan.declarations.push_back(Cp1252ToUtf8(std::string_view(line).substr(start)));
    ++scan.AntRecord;
  }
  if (in.bad()) scan.error = "Filen kan ikke leses til slutt.";
  return scan;
}

SourceScan ScanSourceFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  if (!in.is_open() || std::filesystem::is_directory(path, ec)) {
    SourceScan scan;
    scan.error = FileError(path);
    return scan;
  }
  return ScanSource(in);
}

ImportResult ImportDeclaration(tDataImageArk& db, std::istream& source, std::string_view declaration,
                               std::string_view name, const ImportProgress& progress) {
  const auto report = [&](int percent, std::string_view field) {
    if (progress) progress(percent, field);
  };
  ImportResult result;
  const std::string d = Utf8ToCp1252(declaration);
  std::string line;
  bool found = false;
  while (!d.empty() && ReadLine(source, line)) {
    if (Has(line, d)) {
      found = true;
      break;
    }
  }
  // A declaration on the last line has nothing after it to import.
  if (!found || source.peek() == std::char_traits<char>::eof()) {
    result.message = "Finner ikke \"" + std::string(declaration) + "\" i filen; ingenting er importert.";
    return result;
  }

  std::string ancestor;
  if (const size_t open = d.find('('); open != std::string::npos) {
    const size_t close = d.find(')', open);
    ancestor = d.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
  }
  const std::string typeName = WithoutBlanks(d.substr(0, d.find('=')));
  result.name = name.empty() ? Cp1252ToUtf8(typeName) : std::string(name);
  result.status = ImportResult::Status::kRefused;
  if (result.name.empty()) {
    result.message = "\"" + std::string(declaration) + "\" har ikke noe typenavn; ingenting er importert.";
    return result;
  }
  if (TemplateNameTaken(db, result.name)) {
    result.message = "Navnet \"" + result.name +
                     "\" er allerede i bruk i databasen; malen er ikke importert. Kryss av for "
                     "\"Spør etter navn\" for å gi den et annet navn.";
    return result;
  }

  report(10, "");
  Datapointer& dp = *db.dp;
  const Position start = dp.CurrentPosition();
  db.BeginChange();
  int32_t written = 0;
  try {
    report(20, "");
    written = CreateTemplate(db, result.name);
    report(30, "");
    const auto append = [&](const TemplateField& f) {
      if (written == 0) written = AddTemplateField(db, f);
      if (written == 0) ++result.fields;
      report(30 + int(result.fields % 60), Cp1252ToUtf8(f.Name));
    };
    if (written == 0 && !ancestor.empty()) {
      TemplateField inherit;
      inherit.Name = ancestor.substr(0, kFieldNameMax);
      append(inherit);
    }
    while (written == 0 && ReadLine(source, line)) {
      const std::string upper = UpperCase8(line);
      if (IsEndLine(upper)) break;
      if (!IsFieldLine(upper)) continue;
      std::optional<ParsedField> parsed = ParseFieldLine(upper);
      if (!parsed || result.fields + size_t(parsed->repeat) > kMaxRows) {
        ++result.skippedLines;
        continue;
      }
      if (parsed->repeat == 1) {
        append(parsed->field);
        continue;
      }
      const std::string base = parsed->field.Name;
      for (int64_t k = 1; k <= parsed->repeat && written == 0; ++k) {
        parsed->field.Name = (base + std::to_string(k)).substr(0, kFieldNameMax);
        append(parsed->field);
      }
    }
    report(90, "");
    if (written == 0) written = FinishTemplate(db);
  } catch (...) {
    db.AbandonChange();
    throw;
  }
  // A write that failed marks the change, which is then dropped as a whole.
  const int32_t stored = db.EndChange();
  if (written == 0) written = stored;
  report(100, "");
  if (dp.IsRecordAt(start)) dp.Load(start);
  if (written != 0) {
    result.status = ImportResult::Status::kFailed;
    result.fields = 0;
    result.message = "Malen \"" + result.name + "\" kunne ikke lages (finnes listen \"Definitions\"?).";
    return result;
  }
  result.status = ImportResult::Status::kImported;
  return result;
}

ImportResult ImportDeclarationFromFile(tDataImageArk& db, const std::string& path,
                                       std::string_view declaration, std::string_view name,
                                       const ImportProgress& progress) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  if (!in.is_open() || std::filesystem::is_directory(path, ec)) {
    ImportResult result;
    result.status = ImportResult::Status::kRefused;
    result.message = FileError(path);
    return result;
  }
  return ImportDeclaration(db, in, declaration, name, progress);
}

}  // namespace qn
