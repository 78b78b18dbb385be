#include "exchange/pascal_import.h"

#include <array>
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
  static const std::array<char, 256> kUpper = [] {
    std::array<char, 256> table{};
    for (int b = 0; b < 256; ++b) {
      const int upper = UnicodeToCp1252(UpperCase1252(Cp1252ToUnicode(uint8_t(b))));
      table[size_t(b)] = char(upper >= 0 ? upper : b);
    }
    return table;
  }();
  std::string out(text);
  for (char& c : out) c = kUpper[uint8_t(c)];
  return out;
}

namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || uint8_t(c) >= 0x80;
}

// Blanks and control characters around a header's words count as space.
bool IsSpace(char c) { return uint8_t(c) <= ' '; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The word `text` begins with (name characters), taken off `text` with the blanks after it.
std::string_view TakeWord(std::string_view& text) {
  size_t n = 0;
  while (n < text.size() && IsNameChar(text[n])) ++n;
  const std::string_view word = text.substr(0, n);
  text = TrimBlanks(text.substr(n));
  return word;
}

}  // namespace

bool IsTypeHeader(std::string_view u) {
  if (Has(u, ";")) return false;
  const size_t equals = u.find('=');
  if (equals == std::string_view::npos) return false;
  // One type name (a generic's parameters too) before "=", after an optional "TYPE".
  std::string_view name = TrimBlanks(u.substr(0, equals));
  if (name.size() > 4 && name.starts_with("TYPE") && IsSpace(name[4])) name = TrimBlanks(name.substr(5));
  for (char c : name)
    if (!IsNameChar(c) && c != '<' && c != '>' && c != ',' && c != '.') return false;
  // Then the kind of the type as its first word: an array, a set, a pointer, a procedure
  // type or an alias of another type is no template, nor is a class reference ("CLASS OF").
  std::string_view rest = TrimBlanks(u.substr(equals + 1));
  std::string_view word = TakeWord(rest);
  if (word == "PACKED" || word == "BITPACKED") word = TakeWord(rest);
  if (word == "CLASS") {
    std::string_view after = rest;
    return TakeWord(after) != "OF";
  }
  return word == "RECORD" || word == "OBJECT";
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
    if (IsSizedStringType(uint16_t(type))) {
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
  // "X, Y: INTEGER" is two fields of the type, laid one after the other.
  for (size_t from = 0; from <= line.size();) {
    const size_t comma = std::min(line.find(',', from), line.size());
    std::string name = line.substr(from, comma - from);
    if (name.size() > size_t(kFieldNameMax)) name.resize(kFieldNameMax);
    // A row without a name would be a field no editor can show or fill.
    if (!name.empty()) out.names.push_back(std::move(name));
    from = comma + 1;
  }
  if (out.names.empty()) return std::nullopt;
  f.Name = out.names.front();
  return out;
}

PascalSource::PascalSource(std::istream& in, std::string_view until) : until_(Utf8ToCp1252(until)) {
  std::string line;
  while (ReadLine(in, line) && Add(line)) {
  }
  if (in.bad()) scan_.error = "Filen kan ikke leses til slutt.";
}

PascalSource PascalSource::ReadFile(const std::string& path, std::string_view until) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  if (!in.is_open() || std::filesystem::is_directory(path, ec)) {
    PascalSource source;
    source.scan_.error = FileError(path);
    return source;
  }
  return PascalSource(in, until);
}

bool PascalSource::Add(std::string_view line) {
  const int64_t number = lines_++;
  if (scan_.AntLinjer < std::numeric_limits<int32_t>::max()) ++scan_.AntLinjer;
  // Read for one declaration, the lines before the first that holds its text can matter
  // to none that Find could give.
  if (!until_.empty() && headers_.empty() && !Has(line, until_)) return true;
  const std::string upper = UpperCase8(line);
  if (IsTypeHeader(upper)) {
    size_t start = 0;
    while (start + 1 < line.size() && IsBlank(line[start])) ++start;
    Header header{number, body_.size(), std::string(line.substr(start))};
    scan_.declarations.push_back(Cp1252ToUtf8(header.text));
    ++scan_.AntRecord;  // never more than AntLinjer
    if (!untilWalk_ && !until_.empty() && header.text == until_) untilWalk_.emplace();
    firstHeader_.emplace(header.text, headers_.size());
    headers_.push_back(std::move(header));
    return true;
  }
  if (headers_.empty()) return true;  // no declaration has begun: nothing to keep
  std::optional<Kind> kind = LineKind(upper);
  if (!kind) return true;
  body_.push_back(Line{*kind, *kind == Kind::kField ? upper : std::string()});
  return !untilWalk_ || untilWalk_->Next(*kind) != Walk::Step::kEnd;
}

std::optional<PascalSource::Kind> PascalSource::LineKind(std::string_view upper) {
  if (IsEndLine(upper)) return Kind::kEnd;
  if (IsFieldLine(upper)) return Kind::kField;
  if (const size_t colon = upper.find(':'); colon != std::string_view::npos) {
    // What follows the colon, without comments and blanks.
    std::string type;
    bool comment = false;
    for (const char c : upper.substr(colon + 1, upper.find("//", colon) - colon - 1)) {
      if (c == '{') comment = true;
      if (!comment && !IsBlank(c)) type += c;
      if (c == '}') comment = false;
    }
    if (type == "RECORD" || type == "PACKEDRECORD") return Kind::kNested;
  }
  size_t start = 0;
  while (start < upper.size() && IsBlank(upper[start])) ++start;
  std::string_view directive = upper.substr(start);
  if (!directive.starts_with("{$")) return std::nullopt;
  directive.remove_prefix(2);
  if (directive.starts_with("ENDIF") || directive.starts_with("IFEND")) return Kind::kEndIf;
  if (directive.starts_with("IF")) return Kind::kIf;
  if (directive.starts_with("ELSE")) return Kind::kElse;
  return std::nullopt;
}

PascalSource::Walk::Step PascalSource::Walk::Next(Kind kind) {
  switch (kind) {
    case Kind::kIf:
      ++conditions_;
      return Step::kLeave;
    case Kind::kElse:
      // The first branch is taken; "{$ELSE}" and "{$ELSEIF}" begin one that is not.
      if (conditions_ > 0 && leaveFrom_ == 0) leaveFrom_ = conditions_;
      return Step::kLeave;
    case Kind::kEndIf:
      if (conditions_ == 0) return Step::kLeave;  // its "{$IF" came before the header
      if (leaveFrom_ == conditions_) leaveFrom_ = 0;
      --conditions_;
      return Step::kLeave;
    default:
      break;
  }
  if (leaveFrom_ != 0) return Step::kLeave;
  if (kind == Kind::kNested) {
    ++nested_;
    return Step::kLeave;
  }
  if (kind == Kind::kEnd) {
    if (nested_ == 0) return Step::kEnd;
    --nested_;
    return Step::kLeave;
  }
  return Step::kTake;
}

const PascalSource::Header* PascalSource::Find(std::string_view declaration) const {
  const std::string d = Utf8ToCp1252(declaration);
  if (d.empty()) return nullptr;
  const Header* found = nullptr;
  if (const auto it = firstHeader_.find(d); it != firstHeader_.end()) {
    found = &headers_[it->second];
  } else {
    for (const Header& header : headers_) {
      if (Has(header.text, d)) {
        found = &header;
        break;
      }
    }
  }
  // A declaration on the last line has nothing after it to import.
  if (found == nullptr || found->line + 1 >= lines_) return nullptr;
  return found;
}

void PascalSource::ForEachFieldLine(const Header& header,
                                    const std::function<bool(std::string_view)>& field) const {
  Walk walk;
  for (size_t i = header.firstLine; i < body_.size(); ++i) {
    const Walk::Step step = walk.Next(body_[i].kind);
    if (step == Walk::Step::kEnd) return;
    if (step == Walk::Step::kTake && !field(body_[i].upper)) return;
  }
}

SourceScan ScanSource(std::istream& in) { return PascalSource(in).Scan(); }

SourceScan ScanSourceFile(const std::string& path) { return PascalSource::ReadFile(path).Scan(); }

ImportResult ImportDeclaration(tDataImageArk& db, const PascalSource& source, std::string_view declaration,
                               std::string_view name, const ImportProgress& progress) {
  const auto report = [&](int percent, std::string_view field) {
    if (progress) progress(percent, field);
  };
  ImportResult result;
  if (!source.Scan().error.empty()) {
    result.status = ImportResult::Status::kRefused;
    result.message = source.Scan().error;
    return result;
  }
  const PascalSource::Header* header = source.Find(declaration);
  if (header == nullptr) {
    result.message = "Finner ikke \"" + std::string(declaration) + "\" i filen; ingenting er importert.";
    return result;
  }

  const std::string d = Utf8ToCp1252(declaration);
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
    result.nameTaken = true;
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
    source.ForEachFieldLine(*header, [&](std::string_view upper) {
      if (written != 0) return false;
      std::optional<ParsedField> parsed = ParseFieldLine(upper);
      if (!parsed || result.fields + size_t(parsed->repeat) * parsed->names.size() > kMaxRows) {
        ++result.skippedLines;
        return true;
      }
      TemplateField& f = parsed->field;
      for (const std::string& fieldName : parsed->names) {
        if (parsed->repeat == 1) {
          f.Name = fieldName;
          append(f);
          continue;
        }
        for (int64_t k = 1; k <= parsed->repeat && written == 0; ++k) {
          f.Name = (fieldName + std::to_string(k)).substr(0, kFieldNameMax);
          append(f);
        }
      }
      return written == 0;
    });
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

ImportResult ImportDeclaration(tDataImageArk& db, std::istream& source, std::string_view declaration,
                               std::string_view name, const ImportProgress& progress) {
  return ImportDeclaration(db, PascalSource(source, declaration), declaration, name, progress);
}

ImportResult ImportDeclarationFromFile(tDataImageArk& db, const std::string& path,
                                       std::string_view declaration, std::string_view name,
                                       const ImportProgress& progress) {
  return ImportDeclaration(db, PascalSource::ReadFile(path, declaration), declaration, name, progress);
}

std::vector<ImportResult> ImportAllDeclarations(tDataImageArk& db, const PascalSource& source,
                                                const ImportProgress& progress) {
  std::vector<ImportResult> results;
  for (const std::string& declaration : source.Scan().declarations) {
    ImportResult result = ImportDeclaration(db, source, declaration, "", progress);
    if (result.nameTaken) {
      result.status = ImportResult::Status::kSkipped;
      result.message = "\"" + declaration + "\" er hoppet over: navnet \"" + result.name +
                       "\" er allerede i bruk i databasen.";
    }
    results.push_back(std::move(result));
  }
  return results;
}

}  // namespace qn
