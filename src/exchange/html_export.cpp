// The page template, the heading row, the record rows with their value and link cells,
// and the walk that writes every list's page once.
#include "exchange/html_export.h"

#include <optional>
#include <span>
#include <unordered_map>
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
// Display names on a page are cut to this many characters.
constexpr size_t kPageNameMax = 255;

constexpr std::string_view kPageHead[] = {
    "<html>",
    "<head>",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
    "<meta name=\"GENERATOR\" content=\"Veltrona Quillnet\">",
    "<title>Overskrift</title>",
    "</head>",
    "<body bgcolor=\"#FFFFFF\">",
};
constexpr std::string_view kTableStart = "<table border=\"0\" width=\"100%\">";
constexpr std::string_view kPageEnd[] = {"</table>", "</body>", "</html>"};

// 8-bit text cut to `width` characters, then escaped.
std::string Cut(std::string bytes, size_t width) {
  if (bytes.size() > width) bytes.resize(width);
  return HtmlEscaped(bytes);
}
// A UTF-8 text from the database as page text.
std::string PageText(std::string_view utf8, size_t width) { return Cut(Utf8ToCp1252(utf8), width); }

class PageBuilder {
 public:
  explicit PageBuilder(tDataImageArk& db) : reader_(db), fields_(reader_) {}

  // The page of the list starting at `first`. The sub-lists of the records from
  // `collectFrom` on (0: none) go into `subLists`, as the Position stepped right to.
  std::string Build(Position first, Position collectFrom, std::vector<Position>* subLists) {
    page_.clear();
    for (std::string_view line : kPageHead) Line(line);
    UpLinkAndHeading(first);
    Line(kTableStart);
    HeadingRow(first);
    bool collecting = false;
    std::unordered_set<Position> seen;
    const int64_t bound = reader_.RecordBound();
    Position p = first;
    PointerRecord record;
    while (p > 0 && int64_t(seen.size()) < bound && seen.insert(p).second) {
      if (!reader_.Read(p, record)) break;
      firstOf_[p] = first;
      collecting = collecting || p == collectFrom;
      RecordRow(record);
      if (collecting && subLists != nullptr && record.right > 0 && reader_.IsRecordAt(record.right))
        subLists->push_back(record.right);
      p = record.down;
    }
    for (std::string_view line : kPageEnd) Line(line);
    return std::move(page_);
  }

  // The first record of the list holding the record at `p`. Pages name their lists by it
  // and link to it often (every sub-list's page to its parent's list); the lists already
  // walked answer without a walk up.
  Position FirstOfList(Position p) {
    if (auto known = firstOf_.find(p); known != firstOf_.end()) return known->second;
    const std::optional<PointerRecord> record = reader_.Record(p);
    return firstOf_[p] = record ? reader_.FirstOfList(*record).position : p;
  }

 private:
  void Line(std::string_view text) {
    page_ += text;
    page_ += kLineEnd;
  }

  // The record `left` of `record` leads to, when it is one.
  std::optional<PointerRecord> LeftOf(const std::optional<PointerRecord>& record) {
    if (!record || record->left <= 0) return std::nullopt;
    return reader_.Record(record->left);
  }

  // Lines 8 and 9: the link to the page above (the list holding the parent P, named by
  // the grandparent G), and P's name as the heading. The top-level list links to itself.
  void UpLinkAndHeading(Position first) {
    Position target = first;
    std::string parentName;
    std::string grandparentName;
    if (const std::optional<PointerRecord> parent = LeftOf(reader_.Record(first))) {
      parentName = DisplayName(reader_, *parent);
      target = FirstOfList(parent->position);
      if (const std::optional<PointerRecord> grandparent = LeftOf(reader_.Record(target)))
        grandparentName = DisplayName(reader_, *grandparent);
    }
    Line("<p><font size=\"3\"><a href=\"" + std::to_string(target) + ".html\">.. " +
         PageText(grandparentName, kPageNameMax) + "</a></font></p>");
    if (!parentName.empty())
      Line("<p><font size=\"4\"><strong>" + PageText(parentName, kPageNameMax) +
           "</strong></font></p>");
  }

  void HeadingRow(Position first) {
    const std::optional<PointerRecord> record = reader_.Record(first);
    const TemplateLayout* layout = record && record->templatePos != 0 ? fields_.Layout(*record) : nullptr;
    if (layout != nullptr) {
      Line("<tr>");
      for (const TemplateField& field : layout->Fields) {
        if (!field.Shown()) continue;
        Line("<td bgcolor=\"#FFFF00\">");
        Line(Cut(field.Name, field.ShownWidth()));
        Line("</td>");
      }
    }
    Line("</tr>");
  }

  void RecordRow(const PointerRecord& record) {
    Line("<tr>");
    if (record.templatePos == 0) {
      LinkCell(record);
    } else if (const TemplateLayout* layout = fields_.Layout(record)) {
      // A record without a data block is named as a record without a template is.
      if (fields_.HasFieldValues(record)) {
        ValueCells(record, *layout);
      } else {
        LinkCell(record);
      }
    }
    Line("</tr>");
  }

  void ValueCells(const PointerRecord& record, const TemplateLayout& layout) {
    fields_.Visit(record, layout, [this](size_t, const TemplateField& field, std::span<const uint8_t> bytes) {
      if (!field.Shown()) return;
      Line("<td>");
      Line(PageText(ShowFieldText(field, bytes, ShowOptions::Table()), field.ShownWidth()));
      Line("</td>");
    });
  }

  // The display-name cell: a link to the record's sub-list, or for the first record of a
  // sub-list up to the list holding its parent; strong for a named line.
  void LinkCell(const PointerRecord& record) {
    const std::string text = PageText(DisplayName(reader_, record), kPageNameMax);
    const bool named = record.kind == kKindNamed;
    Position target = 0;
    if (record.right > 0 && reader_.IsRecordAt(record.right)) {
      target = FirstOfList(record.right);
    } else if (record.left > 0 && reader_.IsRecordAt(record.left)) {
      target = FirstOfList(record.left);
    }
    const std::string shown = named ? "<strong>" + text + "</strong>" : text;
    if (target > 0) {
      Line("<td><a href=\"" + std::to_string(target) + ".html\">" + shown + "</a></td>");
    } else {
      Line("<td>" + shown + "</td>");
    }
  }

  RecordReader reader_;
  RecordFields fields_;
  std::string page_;
  std::unordered_map<Position, Position> firstOf_;
};

}  // namespace

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::string ListPage(tDataImageArk& db, Position first) { return PageBuilder(db).Build(first, 0, nullptr); }

namespace {

std::string PageFileName(const std::string& folder, Position first) {
  return folder + std::to_string(first) + ".html";
}

// The pages of the list holding the record at `start` and of every list below the records
// from it down to the end of that list.
int64_t ExportFrom(tDataImageArk& db, Position start, FileSystem& files, const std::string& folder,
                   const ExchangeProgress& progress) {
  PageBuilder builder(db);
  RecordReader reader(db);
  // A list's page does not depend on the record it was reached from, so each is written
  // once; lists wait on a stack so the pages come in the order the tree is read.
  std::unordered_set<Position> written;
  std::vector<Position> waiting{start};
  int64_t pages = 0;
  while (!waiting.empty()) {
    const Position from = waiting.back();
    waiting.pop_back();
    const std::optional<PointerRecord> record = reader.Record(from);
    if (!record) continue;
    const Position first = reader.FirstOfList(*record).position;
    if (!written.insert(first).second) continue;
    std::vector<Position> subLists;
    ReplaceWholeFile(files, PageFileName(folder, first), builder.Build(first, from, &subLists));
    ++pages;
    waiting.insert(waiting.end(), subLists.rbegin(), subLists.rend());
    if (progress && !progress(pages, pages + int64_t(waiting.size()))) break;
  }
  return pages;
}

}  // namespace

void WriteListPage(tDataImageArk& db, FileSystem& files, const std::string& folder) {
  RecordReader reader(db);
  const Position first = reader.FirstOfList(db.dp->Record()).position;
  ReplaceWholeFile(files, PageFileName(folder, first), PageBuilder(db).Build(first, 0, nullptr));
}

int64_t ExportListTree(tDataImageArk& db, FileSystem& files, const std::string& folder,
                       const ExchangeProgress& progress) {
  return ExportFrom(db, db.dp->CurrentPosition(), files, folder, progress);
}

int64_t ExportDatabaseHtml(tDataImageArk& db, FileSystem& files, const std::string& folder,
                           const ExchangeProgress& progress) {
  RecordReader reader(db);
  const Position top = reader.TopLevelFirst();
  if (top <= 0 || !reader.IsRecordAt(top)) return 0;
  return ExportFrom(db, top, files, folder, progress);
}

}  // namespace qn
