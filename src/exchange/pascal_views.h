// Templates written as Pascal type declarations, the text of the template editor's two
// views in the "Datadefinisjon (TYPE)" window: "Vis som objekt (pascal)" from the editor's
// grid as it stands, "Vis som record" from the loaded template with its inherited rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "templates/template_format.h"

namespace qn {

class DefEditor;

inline constexpr std::string_view kDeclarationCaption = "Datadefinisjon (TYPE)";
inline constexpr std::string_view kObjectViewItem = "Vis som objekt (pascal)";
inline constexpr std::string_view kRecordViewItem = "Vis som record";

// `name` as a Pascal identifier: letters, digits and underscores as they stand, æ ø å (and
// ä ö ü é è) spelled "ae" "oe" "aa", each run of other characters between them one
// underscore, and an underscore before a leading digit.
// The views write every name this way, so they stay valid Pascal whatever a template's
// rows are named; the names in the template are not changed.
std::string PascalIdentifier(std::string_view name);

// "TYPE", the object header named by the name box (with the parent of an INHERITED first
// row), one line per named row of rows 1..254 that is not INHERITED, "    End;".
std::vector<std::string> ObjectDeclaration(const DefEditor& editor);

// "TYPE", " <name> = Record", one line per row whose type is not INHERITED (each at most
// 85 characters), "    End;". `fields` is the expanded list, inherited rows first.
std::vector<std::string> RecordDeclaration(std::string_view name, const std::vector<TemplateField>& fields);

}  // namespace qn
