// Display names by kind, the automatic name of a data record and the caption of a global
// pointer.
#include "content/display_name.h"
#include "content/global_pointer.h"

#include <algorithm>
#include <array>

#include "store/database.h"
#include "store/datapointer.h"
#include "content/system_lists.h"
#include "env/text_codec.h"
#include "templates/field_io.h"
#include "templates/field_text.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

namespace qn {

std::string GlobalPointerCaption(std::span<const uint8_t, kGlobalPointerSize> payload) {
  const GlobalPointer pointer = GlobalPointer::Decode(payload);
  std::string caption = pointer.automatic ? "[AUTOMATISK] " : "";
  caption += pointer.fileName;
  switch (pointer.method) {
    case kMethodPosition:
      caption += " : " + std::to_string(pointer.position);
      break;
    case kMethodText:
      caption += " : " + pointer.text;
      break;
    default:
      caption += " : ?";
      break;
  }
  return caption;
}

std::string DataRecordText(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  if (dp.TemplatePos() <= 0 || LoadRecordTemplate(db) != 0) return std::string(kNoTemplateText);
  const tLoadedTemplate& tmpl = LoadedTemplate(db);
  if (!tmpl.TemplateLoaded) return std::string(kNoTemplateText);

  // The record's own block as it is, without a refresh from another record.
  SeekToFieldValues(db, false);
  std::string line;
  std::string separator;
  for (size_t i = 0; i < tmpl.Fields.size(); ++i) {
    const TemplateField& field = tmpl.Fields[i];
    if (field.DataType == kTypeInherited) continue;
    // Every field is read, hidden ones too, so the next one starts where its bytes do.
    ReadFieldValue(db, i);
    if (field.Hidden != 0) continue;
    const std::string text = FieldValueText(db, i, ShowOptions::OneLine());
    // A type without a text form, and an empty text, add nothing; the separator still
    // comes before the next value. An empty PASSWORD is the exception: it adds the
    // separator and its empty text, so the line shows that the field is there.
    const bool emptyText =
        IsTextType(field.DataType) && field.DataType != kTypePassword && text.empty();
    const bool adds = HasTextForm(field.DataType) && !emptyText;
    if (adds) line += separator + text;
    separator = ", ";
    if (Cp1252Length(line) > kDataRecordTextMax) break;
  }
  return CutToCp1252Length(line, kDataRecordTextMax);
}

std::string DisplayName(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  const int32_t kind = dp.Kind();
  switch (kind) {
    case kKindNamed:
    case kKindTemplate:
    case kKindProgram:
    case kKindFileLink:
    case kKindNamedNote:
      return ReadName(db);
    case kKindData:
    case kKindDataWithTemplate:
    // Renaming a data record adds the name bit to its kind: it is still a data record.
    case kKindData | kKindNamed:
    case kKindDataWithTemplate | kKindNamed:
      return dp.NameBlock() != 0 ? ReadName(db) : DataRecordText(db);
    case kKindIndex:
      return "INDEX: " + ReadName(db);
    case kKindRegisterVariable:
      return ReadName(db) + "=" + ReadRegisterValue(db);
    case kKindLink:
    case kKindNamedLink:
      return ReadLinkText(db);
    case kKindGlobalPointer: {
      if (dp.NameBlock() != 0) return ReadName(db);
      std::array<uint8_t, kGlobalPointerSize> payload{};
      ReadData(db, payload);
      return GlobalPointerCaption(payload);
    }
    case kKindExternalCalculation:
      return std::string(kExternalCalculationLabel);
    default:
      if (kind >= kKindExternalSupplierFirst && kind <= kKindExternalSupplierLast)
        return std::string(kExternalSupplierLabel);
      return {};
  }
}

}  // namespace qn
