// A list as a text file: the data records of the current list that share one template,
// one line each, after a header line of the template's field names. The classic form is
// what the readers of these files expect: Windows-1252, fields ended or joined by ";",
// every line cut to 255 characters and every "," in a data line turned into ";". The CSV
// form is for spreadsheets: UTF-8, RFC 4180 fields joined by ",", quoted where needed,
// nothing cut. The first record of the list is never exported (in the standard lists it
// is a placeholder line). Lines end in CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/output_file.h"
#include "env/block_file.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// The question asked when the current record has no template, and the save dialog.
inline constexpr std::string_view kTextExportQuestion =
    "Ugyldig data, vil du bruke første forekomst her ?";
inline constexpr std::string_view kTextExportTitle = "Eksporter tekstfil";
inline constexpr std::string_view kTextExportFilter =
    "Tekst datafiler|*.TXT;*.CSV;*.TAB|Tekstfiler (*.TXT)|*.TXT|Comma Separated (*.CSV)|*.CSV|"
    "Alle filer (*.*)|*.*";
inline constexpr std::string_view kTextExportExtension = "TXT";
inline constexpr std::string_view kTextExportFolder = "export\\csv";
// A classic line holds at most this many characters.
inline constexpr size_t kTextLineMax = 255;

enum class TextFormat { kClassic, kCsv };

struct TextExportResult {
  int64_t records = 0;   // data lines written
  int64_t cutLines = 0;  // lines (the header included) that were longer than 255 characters
};

// Walks down from the current record (itself included) to the first record that has a
// template and gives its template Position; the cursor stays where the walk ended. 0 when
// the list ends without one.
Position FirstTemplateDown(tDataImageArk& db);

// The text of the current record's list: the records after the first whose template
// Position is `templatePos`, read beside the cursor. `progress` hears of the records read
// now and then; the export runs to its end whatever it answers.
std::string ListText(tDataImageArk& db, Position templatePos, TextFormat format,
                     TextExportResult* result = nullptr, const ExchangeProgress& progress = {});

// Writes ListText into `fileName` (replacing a file that is there); an empty file when no
// record has the template. Throws IoError when the file cannot be written.
TextExportResult WriteListText(tDataImageArk& db, FileSystem& files, const std::string& fileName,
                               Position templatePos, TextFormat format,
                               const ExchangeProgress& progress = {});

}  // namespace qn
