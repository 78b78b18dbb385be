#include "exchange/record_fields.h"

#include <vector>

#include "store/record_reader.h"

namespace qn {

const TemplateLayout* RecordFields::Layout(const PointerRecord& record) {
  auto [at, added] = layouts_.try_emplace(record.templatePos);
  if (added) at->second = ReadRecordTemplate(reader_, record);
  return at->second ? &*at->second : nullptr;
}

bool RecordFields::HasFieldValues(const PointerRecord& record) {
  return reader_.DataHeadAt(record.dataBlock).has_value();
}

void RecordFields::Visit(const PointerRecord& record, const TemplateLayout& layout,
                         const FieldBytesVisitor& visit) {
  const std::vector<uint8_t> payload =
      reader_.OwnPayload(record, layout.DataLength()).value_or(std::vector<uint8_t>());
  VisitFieldBytes(layout, payload, visit);
}

}  // namespace qn
