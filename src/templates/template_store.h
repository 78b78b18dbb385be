// Templates in the database: finding a template record by name, loading it expanded with
// the rows it inherits, saving it in place, creating a new one row by row, its linked
// program, and the list of templates a chooser offers. The open database holds one loaded
// template (and the field value buffer) in tLoadedTemplate; a template is read as a value
// of its own, beside the cursor, by template_reader.h.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/database.h"
#include "store/format.h"
#include "templates/field_text.h"
#include "templates/template_format.h"
#include "templates/template_reader.h"

namespace qn {

class tDataImageArk;

constexpr int kProgramRecordSize = 534;  // tProgramRec, the payload of a program record

// The template the database last loaded, expanded (TemplateLayout), and the value buffer
// every field read and write goes through (field_io.h).
struct tLoadedTemplate : DatabaseAttachment, TemplateLayout {
  bool TemplateLoaded = false;

  // A template being created (CreateTemplate .. FinishTemplate).
  bool Creating = false;
  Position CreatingRecord = 0;
  Position CreatingBlock = 0;
  TemplateHeader CreatingHeader;

  // The shared field value buffer and the data block the field reads are inside of.
  std::array<uint8_t, kValueBufferSize> ValueBuffer{};
  int64_t FieldWindowStart = 0;  // payload start of that block
  int64_t FieldWindowEnd = 0;    // its end (bounded by the file)
  int64_t FieldNextPlace = 0;    // where the next field of a walk through it starts
  bool FieldWindowMissing = false;  // the record had no data block: fields read as zeros

  size_t FieldCount() const { return Fields.size(); }
  void Free();  // no template loaded (a template being created goes on)
};

// The database's loaded template, made on first use. REQUIRES: for all operations below,
// the database is open (db.dp is set).
tLoadedTemplate& LoadedTemplate(tDataImageArk& db);

// Finds the template record `name`: the current record when it is a template (kind bit 4)
// with a data block and that name, else the first record of that name depth first from
// the top. On success the cursor is on it, the file is at its first field row and
// TemplateRecordPos is set. Not found, or the record found has no data block: 16 zero
// bytes, TemplateRecordPos 0, the cursor where it was.
TemplateHeader FindTemplate(tDataImageArk& db, std::string_view name);
// The expanded row count of the template FindTemplate left the cursor on (its own rows
// and those it inherits), read beside the cursor and the file place. 0 when none.
uint32_t CountTemplateFields(tDataImageArk& db);
// Loads and expands the template `name` (ReadTemplate, the current record taken first);
// 0, or -1 when no such template (nothing loaded then). The cursor does not move.
int32_t LoadTemplate(tDataImageArk& db, std::string_view name);
// Loads the template of the current record: by the name of the record at its
// templatePos, that record itself taken first. -1 when templatePos is not a record.
int32_t LoadRecordTemplate(tDataImageArk& db);

// Row `index` of the expanded list into `row`; false (row unchanged) when no template is
// loaded or the index is out of range.
bool GetTemplateField(tDataImageArk& db, size_t index, TemplateField& row);
// Replaces row `index` in memory; 0, or -1 when not loaded or out of range.
int32_t SetTemplateField(tDataImageArk& db, size_t index, const TemplateField& row);
// Rewrites the loaded template's header and own rows in place (never more rows than its
// block holds); HasInherited follows the rows as AddTemplateField sets it. The cursor is
// left on the template record. The last write's result; -1 when nothing is loaded.
int32_t SaveTemplate(tDataImageArk& db);

// A new template record below the first record of the "Definitions" list (below the
// header when the list is empty), its header appended at the end of the file. The loaded
// template is freed. -1, and nothing made, when there is no "Definitions".
int32_t CreateTemplate(tDataImageArk& db, std::string_view name);
// Appends a row to the template being created; 0, or -1 when none is being created or
// something else was appended to the file in between.
int32_t AddTemplateField(tDataImageArk& db, const TemplateField& row);
// Stores the new record and rewrites its final header; the write's result, -1 when no
// template is being created. The cursor ends on the new template record.
int32_t FinishTemplate(tDataImageArk& db);

// The current record's template has a linked program (ProgramData != 0).
bool TemplateHasProgram(tDataImageArk& db);
// The linked program record of the current record's template: the bytes read, or -1
// when it has none.
int32_t ReadTemplateProgram(tDataImageArk& db, std::span<uint8_t, kProgramRecordSize> program);
// Clears the link of the current record's template to its program; 1, or -1 when the
// record has no template. The cursor is restored.
int32_t UnlinkTemplateProgram(tDataImageArk& db);

// The names a template chooser lists: the records of the "Definitions" list whose kind
// has bit 4 set, the first record of the list left out, in list order. Empty when there
// is no "Definitions". The cursor is restored.
std::vector<std::string> ListTemplateNames(tDataImageArk& db);

// Total bytes of a data record laid out by the loaded template: the DataLength of every
// expanded row whose DataType is not 0.
int64_t ExpandedDataLength(tDataImageArk& db);

}  // namespace qn
