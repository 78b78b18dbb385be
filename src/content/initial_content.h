// The content every new database starts with, and the cursor's starting place. A new file
// gets "System" (with "Version" and its ten lines of facts, then the ten standard headers
// and their placeholders) and "Data" with one line; a minimal one leaves out the standard
// headers and the user template. The records are made in a fixed order, so a new file's
// blocks always stand at the same Positions: "System" at 256, its name at 512, "Version"
// at 776, its name at 1032, and so on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/format.h"

namespace qn {

class tDataImageArk;
enum class OpenPolicy;

// The ten lines of the "Version" list, top to bottom, for a database being created under
// the name `fileName` now.
std::vector<std::string> VersionLines(const std::string& fileName);

// Fills a database that holds no records yet (its file header record's `down` is 0),
// starting from the cursor on Position 0. `minimal` leaves out the standard headers and
// the template "Database Bruker". 0; -1 with nothing made when the database is read-only
// (none of it could be stored) or already holds records.
int32_t CreateInitialContent(tDataImageArk& db, bool minimal);

// Opens the database as tDataImageArk::Open does; a file that holds no records yet gets
// its initial content ("AutoCreateRecords" = 1 asks for the minimal one), and the cursor
// goes to the first data record. A file whose header record cannot be read whole is left
// as it is, with the cursor on Position 0.
tDataImageArk& OpenDatabase(tDataImageArk& db, const std::string& fileName);
tDataImageArk& OpenDatabase(tDataImageArk& db, const std::string& fileName, OpenPolicy policy);

// Puts the cursor on the first record of the "Data" list; without a "Data" record the
// cursor stays where it was. The Position the cursor ends on.
Position GoToFirstData(tDataImageArk& db);

}  // namespace qn
