// The header and data lines of the text export in its two forms.
#include "exchange/text_export.h"

#include <algorithm>
#include <optional>
#include <span>
#include <unordered_set>
#include <vector>

#include "content/display_name.h"
#include "env/text_codec.h"
#include "exchange/record_fields.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_reader.h"
#include "templates/field_text.h"
#include "templates/type_table.h"

namespace qn {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// A field as RFC 4180 writes it: quoted, with its quotes doubled, when it holds a comma,
// a quote or a line break.
std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

class LineWriter {
 public:
  LineWriter(TextFormat format, TextExportResult& result) : format_(format), result_(result) {}

  // Fields are UTF-8.
  void Header(const std::vector<std::string>& names) {
    if (format_ == TextFormat::kCsv) {
      Csv(names);
      return;
    }
    std::string line;
    for (const std::string& name : names) line += Utf8ToCp1252(name) + ";";
    Classic(std::move(line), false);
  }
  void Data(const std::vector<std::string>& values) {
    if (format_ == TextFormat::kCsv) {
      Csv(values);
      return;
    }
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) line += (i > 0 ? ";" : "") + Utf8ToCp1252(values[i]);
    Classic(std::move(line), true);
  }
  std::string Take() { return std::move(text_); }

 private:
  void Classic(std::string line, bool commaRule) {
    if (line.size() > kTextLineMax) {
      line.resize(kTextLineMax);
      ++result_.cutLines;
    }
    if (commaRule) std::replace(line.begin(), line.end(), ',', ';');
    text_ += line;
    text_ += kLineEnd;
  }
  void Csv(const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) text_ += ',';
      text_ += CsvField(fields[i]);
    }
    text_ += kLineEnd;
  }

  TextFormat format_;
  TextExportResult& result_;
  std::string text_;
};

// The names of every field of `layout` but the INHERITED rows.
std::vector<std::string> HeaderFields(const TemplateLayout& layout) {
  std::vector<std::string> names;
  for (const TemplateField& field : layout.Fields)
    if (field.DataType != kTypeInherited) names.push_back(Cp1252ToUtf8(field.Name));
  return names;
}

// The value texts of `record`, hidden fields included. A field of a type without a text
// form is left out of a classic line; a CSV row keeps an empty cell for it, so every value
// stands under its own heading.
std::vector<std::string> DataFields(RecordFields& fields, const PointerRecord& record, TextFormat format) {
  const TemplateLayout* layout = fields.Layout(record);
  if (layout == nullptr) return {std::string(kNoTemplateText)};
  std::vector<std::string> values;
  // A record without a data block reads as zeros, as the data editor shows it.
  fields.Visit(record, *layout, [&values, format](size_t, const TemplateField& field, std::span<const uint8_t> bytes) {
    if (HasTextForm(field.DataType))
      values.push_back(ShowFieldText(field, bytes, ShowOptions::Table()));
    else if (format == TextFormat::kCsv)
      values.emplace_back();
  });
  return values;
}

}  // namespace

Position FirstTemplateDown(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  std::unordered_set<Position> seen;
  const int64_t bound = dp.RecordBound();
  while (dp.TemplatePos() == 0) {
    if (int64_t(seen.size()) >= bound || !seen.insert(dp.CurrentPosition()).second) return 0;
    if (dp.GoDown() != 0) return 0;
  }
  return dp.TemplatePos();
}

std::string ListText(tDataImageArk& db, Position templatePos, TextFormat format,
                     TextExportResult* result, const ExchangeProgress& progress) {
  RecordReader reader(db);
  RecordFields fields(reader);
  TextExportResult counts;
  LineWriter writer(format, counts);
  // The list's records after the first, read once, so the progress knows the total.
  std::vector<Position> records;
  PointerRecord at = reader.FirstOfList(db.dp->Record());
  std::unordered_set<Position> seen{at.position};
  const int64_t bound = reader.RecordBound();
  while (int64_t(seen.size()) < bound && at.down > 0 && reader.Read(at.down, at) &&
         seen.insert(at.position).second)
    records.push_back(at.position);
  bool headerWritten = false;
  for (size_t i = 0; i < records.size(); ++i) {
    if (progress && i % 1024 == 0) progress(int64_t(i), int64_t(records.size()));
    if (!reader.Read(records[i], at) || at.templatePos != templatePos) continue;
    std::vector<std::string> values = DataFields(fields, at, format);
    if (!headerWritten) {
      // The header comes from the template the first exported record is laid out by.
      const TemplateLayout* layout = fields.Layout(at);
      writer.Header(layout != nullptr ? HeaderFields(*layout) : std::vector<std::string>{});
      headerWritten = true;
    }
    writer.Data(values);
    ++counts.records;
  }
  if (result != nullptr) *result = counts;
  return writer.Take();
}

TextExportResult WriteListText(tDataImageArk& db, FileSystem& files, const std::string& fileName,
                               Position templatePos, TextFormat format, const ExchangeProgress& progress) {
  TextExportResult result;
  const std::string text = ListText(db, templatePos, format, &result, progress);
  WriteWholeFile(files, fileName, text);
  return result;
}

}  // namespace qn
