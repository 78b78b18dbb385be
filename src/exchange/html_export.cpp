// The page template, the heading row, the record rows with their value and link cells,
// and the walk that writes every list's page once.
#include "exchange/html_export.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "content/display_name.h"
#include "env/text_codec.h"
#include "exchange/record_fields.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "templates/field_io.h"
#include "templates/template_store.h"
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
  explicit PageBuilder(tDataImageArk& db) : db_(db), dp_(*db.dp) {}

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
    const int64_t bound = dp_.RecordBound();
    Position p = first;
    while (p > 0 && int64_t(seen.size()) < bound && seen.insert(p).second) {
      if (dp_.Load(p) != 0) break;
      firstOf_[p] = first;
      collecting = collecting || p == collectFrom;
      const Position right = dp_.Right();
      RecordRow();
      if (collecting && subLists != nullptr && right > 0 && dp_.IsRecordAt(right))
        subLists->push_back(right);
      dp_.Load(p);
      if (dp_.GoDown() != 0) break;
      p = dp_.CurrentPosition();
    }
    for (std::string_view line : kPageEnd) Line(line);
    return std::move(page_);
  }

 private:
  void Line(std::string_view text) {
    page_ += text;
    page_ += kLineEnd;
  }

  // Lines 8 and 9: the link to the page above (the list holding the parent P, named by
  // the grandparent G), and P's name as the heading. The top-level list links to itself.
  void UpLinkAndHeading(Position first) {
    dp_.Load(first);
    Position target = first;
    std::string parentName;
    std::string grandparentName;
    if (dp_.GoLeft() == 0) {
      parentName = DisplayName(db_);
      target = FirstOfList(dp_.CurrentPosition());
      dp_.Load(target);
      if (dp_.GoLeft() == 0) grandparentName = DisplayName(db_);
    }
    Line("<p><font size=\"3\"><a href=\"" + std::to_string(target) + ".html\">.. " +
         PageText(grandparentName, kPageNameMax) + "</a></font></p>");
    if (!parentName.empty())
      Line("<p><font size=\"4\"><strong>" + PageText(parentName, kPageNameMax) +
           "</strong></font></p>");
  }

  static bool Shown(const TemplateField& field) {
    return field.DataType != kTypeInherited && field.Hidden == 0;
  }

  void HeadingRow(Position first) {
    dp_.Load(first);
    if (dp_.TemplatePos() != 0 && LoadTemplateOfRecord(db_)) {
      Line("<tr>");
      for (const TemplateField& field : LoadedTemplate(db_).Fields) {
        if (!Shown(field)) continue;
        Line("<td bgcolor=\"#FFFF00\">");
        Line(Cut(field.Name, field.ShownWidth()));
        Line("</td>");
      }
    }
    Line("</tr>");
  }

  // The row of the record under the cursor (which it may move).
  void RecordRow() {
    Line("<tr>");
    if (dp_.TemplatePos() == 0) {
      LinkCell();
    } else if (LoadTemplateOfRecord(db_)) {
      // A record without a data block is named as a record without a template is.
      if (HasFieldValues(db_)) {
        ValueCells();
      } else {
        LinkCell();
      }
    }
    Line("</tr>");
  }

  void ValueCells() {
    VisitFieldValues(db_, [this](size_t i, const TemplateField& field) {
      if (!Shown(field)) return;
      Line("<td>");
      Line(PageText(FieldValueText(db_, i, ShowOptions::Table()), field.ShownWidth()));
      Line("</td>");
    });
  }

  // The display-name cell: a link to the record's sub-list, or for the first record of a
  // sub-list up to the list holding its parent; strong for a named line.
  void LinkCell() {
    const Position here = dp_.CurrentPosition();
    const std::string text = PageText(DisplayName(db_), kPageNameMax);
    const bool named = dp_.Kind() == kKindNamed;
    Position target = 0;
    if (dp_.Right() > 0 && dp_.IsRecordAt(dp_.Right())) {
      target = FirstOfList(dp_.Right());
    } else if (dp_.Left() > 0 && dp_.IsRecordAt(dp_.Left())) {
      target = FirstOfList(dp_.Left());
    }
    dp_.Load(here);
    const std::string shown = named ? "<strong>" + text + "</strong>" : text;
    if (target > 0) {
      Line("<td><a href=\"" + std::to_string(target) + ".html\">" + shown + "</a></td>");
    } else {
      Line("<td>" + shown + "</td>");
    }
  }

  // The first record of the list holding the record at `p`. Pages name their lists by it
  // and link to it often (every sub-list's page to its parent's list); the lists already
  // walked answer without a walk up.
  Position FirstOfList(Position p) {
    if (auto known = firstOf_.find(p); known != firstOf_.end()) return known->second;
    dp_.Load(p);
    dp_.GoFirst();
    return firstOf_[p] = dp_.CurrentPosition();
  }

  tDataImageArk& db_;
  Datapointer& dp_;
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

std::string ListPage(tDataImageArk& db, Position first) {
  CursorRestorer keep(*db.dp);
  return PageBuilder(db).Build(first, 0, nullptr);
}

namespace {

// The first record of the list the cursor is in.
Position FirstOfCurrentList(Datapointer& dp) {
  dp.GoFirst();
  return dp.CurrentPosition();
}

std::string PageFileName(const std::string& folder, Position first) {
  return folder + std::to_string(first) + ".html";
}

}  // namespace

void WriteListPage(tDataImageArk& db, FileSystem& files, const std::string& folder) {
  CursorRestorer keep(*db.dp);
  const Position first = FirstOfCurrentList(*db.dp);
  ReplaceWholeFile(files, PageFileName(folder, first), PageBuilder(db).Build(first, 0, nullptr));
}

int64_t ExportListTree(tDataImageArk& db, FileSystem& files, const std::string& folder,
                       const ExchangeProgress& progress) {
  Datapointer& dp = *db.dp;
  CursorRestorer keep(dp);
  PageBuilder builder(db);
  // A list's page does not depend on the record it was reached from, so each is written
  // once; lists wait on a stack so the pages come in the order the tree is read.
  std::unordered_set<Position> written;
  std::vector<Position> waiting{dp.CurrentPosition()};
  int64_t pages = 0;
  while (!waiting.empty()) {
    const Position from = waiting.back();
    waiting.pop_back();
    if (dp.Load(from) != 0) continue;
    const Position first = FirstOfCurrentList(dp);
    if (!written.insert(first).second) continue;
    std::vector<Position> subLists;
    ReplaceWholeFile(files, PageFileName(folder, first), builder.Build(first, from, &subLists));
    ++pages;
    waiting.insert(waiting.end(), subLists.rbegin(), subLists.rend());
    if (progress && !progress(pages, pages + int64_t(waiting.size()))) break;
  }
  return pages;
}

int64_t ExportDatabaseHtml(tDataImageArk& db, FileSystem& files, const std::string& folder,
                           const ExchangeProgress& progress) {
  Datapointer& dp = *db.dp;
  CursorRestorer keep(dp);
  const Position top = dp.TopLevelFirst();
  if (top <= 0 || dp.Load(top) != 0) return 0;
  return ExportListTree(db, files, folder, progress);
}

}  // namespace qn
