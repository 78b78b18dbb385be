#include "exchange/pascal_views.h"

#include "env/text_codec.h"
#include "templates/def_editor.h"
#include "templates/type_table.h"

namespace qn {
namespace {

constexpr size_t kRecordLineMax = 85;
constexpr std::string_view kEndLine = "    End;";

bool IdentifierChar(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The letters a Norwegian name holds, as Pascal letters.
std::string_view Spelled(char32_t c) {
  switch (c) {
    case U'æ': return "ae";
    case U'ø': return "oe";
    case U'å': return "aa";
    case U'Æ': return "AE";
    case U'Ø': return "OE";
    case U'Å': return "AA";
    case U'ä': return "ae";
    case U'ö': return "oe";
    case U'ü': return "ue";
    case U'Ä': return "AE";
    case U'Ö': return "OE";
    case U'Ü': return "UE";
    case U'é': case U'è': return "e";
    default: return {};
  }
}

}  // namespace

std::string PascalIdentifier(std::string_view name) {
  // Every run of other characters (a space, brackets) between two identifier characters
  // becomes one underscore: "WORD9 (57)" is WORD9_57, and "Kjøretøy" Kjoeretoey.
  std::string out;
  bool gap = false;
  for (char32_t c : DecodeUtf8(name)) {
    std::string_view letters = Spelled(c);
    const char own = char(c);
    if (letters.empty() && IdentifierChar(c)) letters = std::string_view(&own, 1);
    if (letters.empty()) {
      gap = !out.empty();
      continue;
    }
    if (gap) out += '_';
    gap = false;
    out += letters;
  }
  if (out.empty() || (out.front() >= '0' && out.front() <= '9')) out.insert(out.begin(), '_');
  return out;
}

std::vector<std::string> ObjectDeclaration(const DefEditor& e) {
  std::vector<std::string> lines{"TYPE"};
  std::string header = " " + PascalIdentifier(e.NameBox()) + " = Object";
  if (e.Cell(kColDataType, 1) == "0") header += "(" + PascalIdentifier(e.Cell(kColNavn, 1)) + ")";
  lines.push_back(header);
  for (int r = 1; r <= kDefWorkRows; ++r) {
    if (e.Cell(kColNavn, r).empty() || e.Cell(kColDataType, r) == "0") continue;
    const std::string name = PascalIdentifier(e.Cell(kColNavn, r));
    const std::string& type = e.Cell(kColType, r);
    if (type == "STRING" || type == "SHORTSTRING") {
      lines.push_back("      " + name + " : STRING[" + e.Cell(kColLengd, r) + "];");
    } else {
      lines.push_back("      " + name + " : " + type + ";");
    }
  }
  lines.emplace_back(kEndLine);
  return lines;
}

std::vector<std::string> RecordDeclaration(std::string_view name, const std::vector<TemplateField>& fields) {
  std::vector<std::string> lines{"TYPE", " " + PascalIdentifier(name) + " = Record"};
  for (const TemplateField& f : fields) {
    if (f.DataType == kTypeInherited) continue;
    const std::string line = "     " + PascalIdentifier(Cp1252ToUtf8(f.Name)) + " : " + std::string(TypeName(f.DataType)) + ";";
    lines.push_back(CutToCp1252Length(line, kRecordLineMax));
  }
  lines.emplace_back(kEndLine);
  return lines;
}

}  // namespace qn
