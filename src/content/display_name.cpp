// Display names by kind, the automatic name of a data record and the caption of a global
// pointer.
#include "content/display_name.h"
#include "content/global_pointer.h"

#include <algorithm>
#include <array>

#include <optional>
#include <vector>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_reader.h"
#include "env/text_codec.h"
#include "templates/field_text.h"
#include "templates/template_reader.h"
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

std::string DataRecordText(RecordReader& reader, const PointerRecord& record) {
  std::optional<TemplateLayout> layout;
  if (record.templatePos <= 0 || !(layout = ReadRecordTemplate(reader, record)))
    return std::string(kNoTemplateText);

  // The record's own block as it is, without a refresh from another record.
  const std::vector<uint8_t> payload = reader.OwnPayload(record, layout->DataLength()).value_or(std::vector<uint8_t>());
  std::string line;
  std::string separator;
  bool full = false;
  VisitFieldBytes(*layout, payload, [&](size_t, const TemplateField& field, std::span<const uint8_t> bytes) {
    if (full || !field.Shown()) return;
    const std::string text = ShowFieldText(field, bytes, ShowOptions::OneLine());
    // A type without a text form, and an empty text, add nothing; the separator still
    // comes before the next value. An empty PASSWORD is the exception: it adds the
    // separator and its empty text, so the line shows that the field is there.
    const bool emptyText =
        IsTextType(field.DataType) && field.DataType != kTypePassword && text.empty();
    const bool adds = HasTextForm(field.DataType) && !emptyText;
    if (adds) line += separator + text;
    separator = ", ";
    full = Cp1252Length(line) > kDataRecordTextMax;
  });
  return CutToCp1252Length(line, kDataRecordTextMax);
}

std::string DataRecordText(tDataImageArk& db) {
  RecordReader reader(db);
  return DataRecordText(reader, db.dp->Record());
}

bool DisplayedByName(int32_t kind, Position nameBlock) {
  switch (kind) {
    case kKindNamed:
    case kKindTemplate:
    case kKindProgram:
    case kKindFileLink:
    case kKindNamedNote:
      return true;
    case kKindData:
    case kKindDataWithTemplate:
    // Renaming a data record adds the name bit to its kind: it is still a data record.
    case kKindData | kKindNamed:
    case kKindDataWithTemplate | kKindNamed:
    case kKindGlobalPointer:
      return nameBlock != 0;
    default:
      return false;
  }
}

std::string DisplayName(RecordReader& reader, const PointerRecord& record) {
  const int32_t kind = record.kind;
  if (DisplayedByName(kind, record.nameBlock)) return reader.Name(record);
  switch (kind) {
    case kKindData:
    case kKindDataWithTemplate:
    case kKindData | kKindNamed:
    case kKindDataWithTemplate | kKindNamed:
      return DataRecordText(reader, record);
    case kKindIndex:
      return "INDEX: " + reader.Name(record);
    case kKindRegisterVariable:
      // A register variable's value lives in the block its data field names.
      return reader.Name(record) + "=" +
             (record.dataBlock != 0 ? reader.TextBlock(record.dataBlock, true) : std::string());
    case kKindLink:
    case kKindNamedLink:
      return reader.LinkText(record);
    case kKindGlobalPointer: {
      std::array<uint8_t, kGlobalPointerSize> payload{};
      const std::vector<uint8_t> data = reader.Data(record, kGlobalPointerSize).value_or(std::vector<uint8_t>());
      std::copy(data.begin(), data.end(), payload.begin());
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

std::string DisplayName(tDataImageArk& db) {
  RecordReader reader(db);
  return DisplayName(reader, db.dp->Record());
}

}  // namespace qn
