#include "exchange/pascal_views.h"

#include "env/text_codec.h"
#include "templates/def_editor.h"
#include "templates/type_table.h"

namespace qn {
namespace {

constexpr size_t kRecordLineMax = 85;
constexpr std::string_view kEndLine = "    End;";

}  // namespace

std::vector<std::string> ObjectDeclaration(const DefEditor& e) {
  std::vector<std::string> lines{"TYPE"};
  std::string header = " " + e.NameBox() + " = Object";
  if (e.Cell(kColDataType, 1) == "0") header += "(" + e.Cell(kColNavn, 1) + ")";
  lines.push_back(header);
  for (int r = 1; r <= kDefWorkRows; ++r) {
    const std::string& name = e.Cell(kColNavn, r);
    if (name.empty() || e.Cell(kColDataType, r) == "0") continue;
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
  std::vector<std::string> lines{"TYPE", " " + std::string(name) + " = Record"};
  for (const TemplateField& f : fields) {
    if (f.DataType == kTypeInherited) continue;
    const std::string line = "     " + Cp1252ToUtf8(f.Name) + " : " + std::string(TypeName(f.DataType)) + ";";
    lines.push_back(CutToCp1252Length(line, kRecordLineMax));
  }
  lines.emplace_back(kEndLine);
  return lines;
}

}  // namespace qn
