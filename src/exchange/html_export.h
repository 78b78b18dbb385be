// The database as static HTML pages: one page per list, named after the Position of the
// list's first record ("4711.html"), each a table of the list's records. A record with a
// sub-list links to that sub-list's page, the first record of a sub-list links up to the
// page of the list holding its parent, and every page starts with a link to the page
// above it. Pages are Windows-1252, one element a line, lines ended by CR LF. Every text
// taken from the database is HTML-escaped, so no name can break a page or run as code in
// a browser; the rest of a page is fixed.
//
// An export that cannot write a page stops there with a run-time I/O error (IoError);
// pages already written stay. Every walk is bounded, and each page is written once. The
// records are read beside the cursor: the cursor, the position stack and the loaded
// template are never touched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/output_file.h"
#include "env/block_file.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// The settings key (section "STANDARD") keeping the folder of the last HTML export, and
// the folder registry's folder proposed for it.
inline constexpr std::string_view kHtmlFolderKey = "HtmlMappe";
inline constexpr std::string_view kHtmlExportFolder = "export\\html";
// The prompt that asks for the folder.
inline constexpr std::string_view kHtmlFolderPrompt = "HTML Mappe";

// `text` (8-bit) with &, <, > and " written as HTML entities.
std::string HtmlEscaped(std::string_view text);

// The page of the list whose first record is at `first`, as the bytes of the file.
// REQUIRES: the database is open.
std::string ListPage(tDataImageArk& db, Position first);

// Writes the page of the current record's list into `folder` (its path ends in "/"), an
// existing page replaced.
void WriteListPage(tDataImageArk& db, FileSystem& files, const std::string& folder);

// Writes the page of the current record's list and the pages of every list below the
// records from the current one down to the end of its list, sub-lists of sub-lists
// included. Returns the pages written. `progress` hears after each page (its total is the
// pages written and those known to be waiting); a false answer ends the export there.
int64_t ExportListTree(tDataImageArk& db, FileSystem& files, const std::string& folder,
                       const ExchangeProgress& progress = {});

// The whole database: ExportListTree from the first top-level record. 0 pages for a file
// without records.
int64_t ExportDatabaseHtml(tDataImageArk& db, FileSystem& files, const std::string& folder,
                           const ExchangeProgress& progress = {});

}  // namespace qn
