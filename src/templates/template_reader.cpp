#include "templates/template_reader.h"

#include <algorithm>

#include "env/text_codec.h"
#include "store/database.h"
#include "store/position_set.h"
#include "store/record_reader.h"
#include "templates/type_table.h"

namespace qn {

namespace {

std::vector<TemplateField> ReadRows(RecordReader& reader, Position block, uint32_t rows) {
  std::vector<TemplateField> out;
  if (rows == 0) return out;
  std::vector<uint8_t> bytes(size_t(rows) * kTemplateFieldSize);
  reader.ReadBytes(int64_t(block) + kTemplateHeaderSize, bytes);
  out.reserve(rows);
  for (uint32_t i = 0; i < rows; ++i)
    out.push_back(TemplateField::Decode(
        std::span<const uint8_t, kTemplateFieldSize>(bytes.data() + size_t(i) * kTemplateFieldSize,
                                                     kTemplateFieldSize)));
  return out;
}

struct ChainLink {
  TemplateRecordFound found;
  std::vector<TemplateField> rows;
  bool expandsParent = false;  // its first row is an INHERITED row that was followed
};

// The template `top` and the templates it inherits from, child first. A template inherits
// when its header says so and its first row is an INHERITED row naming a template that
// can be found. The chain ends at a template met before (a template inheriting from
// itself, A -> B -> A) and once the rows read add up to the file's size, so a damaged file
// can neither loop nor make it read without end.
std::vector<ChainLink> ResolveChain(RecordReader& reader, const TemplateRecordFound& top) {
  int64_t budget = std::max<int64_t>(reader.Database().FileSizeOf(), 0) / kTemplateFieldSize;
  PositionSet records, blocks;
  std::vector<ChainLink> chain;
  TemplateRecordFound next = top;
  for (;;) {
    records.Insert(next.record);
    blocks.Insert(next.block);
    uint32_t rows = uint32_t(std::min<int64_t>(next.rows, budget));
    budget -= rows;
    chain.push_back(ChainLink{next, ReadRows(reader, next.block, rows), false});
    ChainLink& link = chain.back();
    if (link.found.header.HasInherited != 1 || link.rows.empty() ||
        link.rows.front().DataType != kTypeInherited || budget <= 0)
      break;
    // The parent is looked for from the child, which is taken first when it bears the name.
    const std::optional<TemplateRecordFound> parent =
        FindTemplateRecord(reader, Cp1252ToUtf8(link.rows.front().Name), link.found.record);
    if (!parent || records.Contains(parent->record) || blocks.Contains(parent->block)) break;
    link.expandsParent = true;
    next = *parent;
  }
  return chain;
}

// The layout of a resolved chain: the root's rows first, the named template's own rows last.
void Expand(TemplateLayout& t, std::vector<ChainLink>& chain) {
  size_t total = 0;
  t.InheritedDataLength = 0;
  for (const ChainLink& link : chain) {
    total += link.rows.size();
    if (link.expandsParent) t.InheritedDataLength += link.rows.front().DataLength;
  }
  t.Fields.clear();
  t.Fields.reserve(total);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (TemplateField& row : it->rows) t.Fields.push_back(std::move(row));
  t.OwnCount = uint32_t(chain.front().rows.size());
  t.InheritedCount = uint32_t(total) - t.OwnCount;
}

std::string CutTemplateName(std::string_view name) {
  std::string bytes = Utf8ToCp1252(name);
  if (bytes.size() > kTemplateNameMax) bytes.resize(kTemplateNameMax);
  return Cp1252ToUtf8(bytes);
}

}  // namespace

int64_t TemplateLayout::DataLength() const {
  int64_t total = 0;
  for (const TemplateField& f : Fields)
    if (f.DataType != kTypeInherited) total += f.DataLength;
  return total;
}

std::optional<TemplateRecordFound> FindTemplateRecord(RecordReader& reader, std::string_view name,
                                                      Position current) {
  if (name.empty()) return std::nullopt;  // an empty name would match every unnamed record
  const std::string bytes = Utf8ToCp1252(name);
  std::optional<PointerRecord> record = current > 0 ? reader.Record(current) : std::nullopt;
  const bool takeCurrent = record && record->dataBlock > 0 && (record->kind & kKindTemplate) != 0 &&
                           Utf8ToCp1252(reader.Name(*record)) == bytes;
  if (!takeCurrent) {
    const Position found = reader.FindNamed(reader.TopLevelFirst(), bytes);
    record = found > 0 ? reader.Record(found) : std::nullopt;
    if (!record) return std::nullopt;
  }
  // Whatever record bears the name first is taken; without a data block it has no
  // template to read.
  const Position block = record->dataBlock;
  std::array<uint8_t, kTemplateHeaderSize> head{};
  if (block <= 0 || !reader.ReadBytes(block, head)) return std::nullopt;
  TemplateRecordFound found;
  found.record = record->position;
  found.block = block;
  found.header = TemplateHeader::Decode(head);
  const uint64_t bySize = found.header.TotalSize >= uint32_t(kTemplateHeaderSize)
                              ? (found.header.TotalSize - kTemplateHeaderSize) / kTemplateFieldSize
                              : 0;
  const uint64_t wanted = std::min<uint64_t>(found.header.FieldCount, bySize);
  const int64_t inFile = reader.Fit(int64_t(block) + kTemplateHeaderSize, int64_t(wanted) * kTemplateFieldSize);
  found.rows = uint32_t(inFile / kTemplateFieldSize);
  return found;
}

std::optional<TemplateLayout> ReadTemplate(RecordReader& reader, std::string_view name, Position current) {
  const std::optional<TemplateRecordFound> top = FindTemplateRecord(reader, name, current);
  if (!top) return std::nullopt;
  std::vector<ChainLink> chain = ResolveChain(reader, *top);
  TemplateLayout layout;
  Expand(layout, chain);
  layout.TemplateName = CutTemplateName(name);
  layout.TemplateRecordPos = top->record;
  layout.TemplateBlockPos = top->block;
  layout.Header = top->header;
  return layout;
}

std::optional<TemplateLayout> ReadRecordTemplate(RecordReader& reader, const PointerRecord& record) {
  const std::optional<PointerRecord> named =
      record.templatePos > 0 ? reader.Record(record.templatePos) : std::nullopt;
  if (!named) return std::nullopt;
  return ReadTemplate(reader, reader.Name(*named), named->position);
}

void VisitFieldBytes(const TemplateLayout& layout, std::span<const uint8_t> payload,
                     const FieldBytesVisitor& visit) {
  std::array<uint8_t, kValueBufferSize> value;
  size_t place = 0;
  for (size_t i = 0; i < layout.Fields.size(); ++i) {
    const TemplateField& field = layout.Fields[i];
    if (field.DataType == kTypeInherited) continue;
    value.fill(0);
    if (place < payload.size()) {
      const size_t n = std::min({size_t(field.DataLength), value.size(), payload.size() - place});
      std::copy_n(payload.begin() + std::ptrdiff_t(place), n, value.begin());
    }
    place += field.DataLength;
    visit(i, field, value);
  }
}

}  // namespace qn
