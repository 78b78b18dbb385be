// A template read through a RecordReader, as a value its caller owns: found by name or by
// the template Position of a data record, expanded with the rows it inherits, exactly as
// the database's loaded template would hold it, without touching that slot or the
// cursor. And the field values of a data record's payload laid out by such a template.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/format.h"
#include "templates/field_text.h"
#include "templates/template_format.h"

namespace qn {

class RecordReader;

constexpr size_t kTemplateNameMax = 63;  // characters of TemplateName (8-bit form)

// A template expanded: `InheritedCount` inherited rows, then its `OwnCount` own rows.
struct TemplateLayout {
  std::string TemplateName;        // the name it was found by, at most 63 characters
  Position TemplateRecordPos = 0;  // the template record found; 0 when none
  Position TemplateBlockPos = 0;   // that record's data block
  TemplateHeader Header;           // the template's own header, as read
  std::vector<TemplateField> Fields;
  uint32_t InheritedCount = 0;
  uint32_t OwnCount = 0;
  int32_t InheritedDataLength = 0;  // DataLength of every INHERITED row that was expanded

  // Total bytes of a data record laid out by it: the DataLength of every row whose
  // DataType is not 0.
  int64_t DataLength() const;
};

// A template record found by name, with the own rows its block really holds.
struct TemplateRecordFound {
  Position record = 0;
  Position block = 0;
  TemplateHeader header{0, 0, 0, 0, 0};
  uint32_t rows = 0;  // FieldCount, cut to what TotalSize and the file hold
};
// The template record `name` (see ReadTemplate), without its rows.
std::optional<TemplateRecordFound> FindTemplateRecord(RecordReader& reader, std::string_view name,
                                                      Position current);

// The template `name`: the record at `current` when it is a template (kind bit 4) with a
// data block and that name, else the first record of that name depth first from the top.
// nullopt when there is none, or the record found has no data block.
std::optional<TemplateLayout> ReadTemplate(RecordReader& reader, std::string_view name, Position current);
// The template of `record`: by the name of the record at its templatePos, that record
// itself taken first. nullopt when templatePos is not a record or names no template.
std::optional<TemplateLayout> ReadRecordTemplate(RecordReader& reader, const PointerRecord& record);

// Visits the fields of `layout` other than INHERITED rows, in order, each with its bytes
// from `payload` as a field read places them in the value buffer: DataLength bytes at
// most 4096, zeros where the payload ends.
using FieldBytesVisitor =
    std::function<void(size_t index, const TemplateField& field, std::span<const uint8_t> bytes)>;
void VisitFieldBytes(const TemplateLayout& layout, std::span<const uint8_t> payload,
                     const FieldBytesVisitor& visit);

}  // namespace qn
