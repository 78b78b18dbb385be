// A database as one UTF-8 JSON document and back. The dump holds every record the tree
// reaches, in tree order (a sub-list as the nested array "sub"), with what hangs on it: its
// name, link text, note, data (a template's fields by name, each with its text form and its
// bytes in hex), a template's rows, a register variable's value, a bookmark node, a quick
// list entry's target. Records are named by an id of the dump (their number in tree order,
// the deleted ones after them), never by Position; a block two records share is written
// with the first of them and named by the others as {"shared": id}. Keys stand in a fixed
// order, so equal content gives equal bytes and a diff shows what changed. docs/dump.schema.json
// describes the form.
//
// The load makes a new file holding the same content: every block is appended in the order
// of the dump through the database's changes (its journal), under a temporary name beside
// the new file that is renamed into place only when the whole content is in it. A dump of
// the loaded file equals the text it was loaded from. Bad input names the JSON path of the
// fault ("$.records[3].name: ...") and leaves no file behind.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "env/block_file.h"
#include "exchange/output_file.h"

namespace qn {

class tDataImageArk;

// The input a load reads at most: far beyond the dump of any database the format can hold
// whole in the text forms (a 2 GiB file of data records dumps to about three times its size).
inline constexpr size_t kDumpInputLimit = size_t(6) << 30;

struct DumpOptions {
  bool deleted = false;  // also the deleted records, after the tree, in the order of the file
};

struct DumpResult {
  std::string text;          // the JSON document, ending in a line break; empty when it went to a sink
  int64_t records = 0;       // records written
  int64_t droppedLinks = 0;  // references to records the dump leaves out (0 in the dump)
  bool stopped = false;      // the progress asked to stop: the text is not whole
};

// Takes the text of a dump piece by piece (about 1 MiB each, the last one shorter); false
// stops the dump.
using DumpSink = std::function<bool(std::string_view piece)>;

// REQUIRES: the database is open. Reads only; the cursor and the file stay as they were.
// The text goes to `sink` as it is made (result.text stays empty), so a dump holds one
// piece of it however large the database. `progress` returning false stops the dump.
DumpResult DumpDatabase(tDataImageArk& db, const DumpOptions& options, const DumpSink& sink,
                        const ExchangeProgress& progress = {});

// The same, the whole text in result.text.
DumpResult DumpDatabase(tDataImageArk& db, const DumpOptions& options,
                        const ExchangeProgress& progress = {});

struct LoadResult {
  bool ok = false;
  int64_t records = 0;
  // When not ok: "$.records[3].name: ..." for a fault of the input, else the file's error.
  std::string message;
  bool inputFault = false;  // the message names a fault of the input
  bool stopped = false;     // the progress asked to stop
};

// Makes `newFile` from the dump `json`. Refused when something stands under `newFile`.
// The file is built as `newFile` + ".load-new" (made fresh, never through a link) and
// renamed into place when whole; on any failure nothing is left under either name.
// The text is read twice, as a stream of the JSON library's parser events, never held as a
// whole document: first each record is looked at for its id, its place in the tree and the
// sizes of its blocks, then each is written, so a load holds one record at a time beside a
// plan of a few dozen bytes a record. A key given twice in one object is refused.
LoadResult LoadDatabase(const std::shared_ptr<FileSystem>& files, std::string_view json, const std::string& newFile,
                        const ExchangeProgress& progress = {});

// The same from the regular file `input` (a link to one is followed) of at most
// kDumpInputLimit bytes, read in pieces for each of the two readings rather than held
// whole. A text that changes between them is refused.
LoadResult LoadDatabaseFile(const std::shared_ptr<FileSystem>& files, const std::string& input,
                            const std::string& newFile, const ExchangeProgress& progress = {});

}  // namespace qn
