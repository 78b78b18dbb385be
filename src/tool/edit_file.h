// Helpers of the quilltool commands that change a database: opening an existing file for
// writing (never creating it), putting the cursor on the record a POS argument names, and
// closing with the close error reported. Each returns kExitOk, or kExitError after one
// line on stderr.
#pragma once

#include <string>

#include "store/database.h"
#include "tool/tool.h"

namespace qn::tool {

// Opens an existing database file to change it; refused when the settings open it
// read-only.
int OpenForEditing(ToolContext& context, const std::string& fileName, tDataImageArk& database);
// The cursor on the record at the decimal Position `text`.
int LoadRecordArgument(ToolContext& context, tDataImageArk& database, const std::string& text);
// The decimal Position `text`, 0 (the top of the file) only where `zeroAllowed`; whether
// a record lies there is the command's to check.
int PositionArgument(ToolContext& context, const std::string& text, bool zeroAllowed, Position& out);
// Closes the file and reports a failed close, or a write that did not reach the file.
int CloseAfterEditing(ToolContext& context, tDataImageArk& database);

}  // namespace qn::tool
