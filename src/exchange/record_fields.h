// What the exports read from a data record: its template, loaded once for a run of
// records that share it, and its field values in field order from the record's own data
// block (no refresh from another record).
#pragma once

#include <cstddef>
#include <functional>

#include "templates/template_format.h"

namespace qn {

class tDataImageArk;

// Loads the template of the record under the cursor, unless it is the one loaded already;
// false when it does not load.
bool LoadTemplateOfRecord(tDataImageArk& db);

// Reads the fields of the loaded template from the record under the cursor, in order,
// every field that has bytes (hidden ones too, so each starts where its bytes do), and
// hands each to `visit` with its value in the value buffer. A record without a data block
// in the file reads as zeros; false for it.
bool HasFieldValues(tDataImageArk& db);
bool VisitFieldValues(tDataImageArk& db, const std::function<void(size_t index, const TemplateField& field)>& visit);

}  // namespace qn
