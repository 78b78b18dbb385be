// What the exports read from a data record, beside the cursor: the layout of its template,
// read once for the records that share its template Position, and its field values in
// field order from the record's own data block (no refresh from another record).
#pragma once

#include <optional>
#include <unordered_map>

#include "store/format.h"
#include "templates/template_reader.h"

namespace qn {

class RecordReader;

class RecordFields {
 public:
  // `reader` must outlive this object.
  explicit RecordFields(RecordReader& reader) : reader_(reader) {}

  // The layout of `record`'s template; null when it cannot be read.
  const TemplateLayout* Layout(const PointerRecord& record);
  // True when the record has a data block in the file to read its fields from.
  bool HasFieldValues(const PointerRecord& record);
  // Hands every field of `layout` that has bytes (hidden ones too) to `visit`, in order,
  // with its value from the record's own data block; a record without a data block in the
  // file reads as zeros.
  void Visit(const PointerRecord& record, const TemplateLayout& layout, const FieldBytesVisitor& visit);

 private:
  RecordReader& reader_;
  std::unordered_map<Position, std::optional<TemplateLayout>> layouts_;
};

}  // namespace qn
