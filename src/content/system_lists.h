// The standard lists kept in the sub-list of "System" and the records the engine keeps in
// them: register variables in "SystemRegister" and program records in "Programs". A
// standard list is found by its header's name alone, searched from the top; its first
// record is a placeholder ("User") that every listing steps over. When a header is not
// found, an operation changes nothing and says so by its result; it never works on the
// sub-list of whatever record the cursor stands on. Operations that visit other records
// bring the cursor back unless they say otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/consistency_check.h"
#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// ---- Names of the standard records ----
inline constexpr std::string_view kSystemHeader = "System";
inline constexpr std::string_view kVersionHeader = "Version";
inline constexpr std::string_view kDataHeader = "Data";
inline constexpr std::string_view kDefinitionsHeader = "Definitions";
inline constexpr std::string_view kProgramsHeader = "Programs";
inline constexpr std::string_view kIndexHeader = "Index";
inline constexpr std::string_view kDeletedHeader = "Deleted";
inline constexpr std::string_view kSystemRegisterHeader = "SystemRegister";
inline constexpr std::string_view kServicesHeader = "Services";
inline constexpr std::string_view kFilelinksHeader = "Filelinks";
inline constexpr std::string_view kDocumentsHeader = "Documents";
inline constexpr std::string_view kUsersHeader = "Users";
inline constexpr std::string_view kReplicateHeader = "Replicate";

// The first record of a standard list, and of "Users".
inline constexpr std::string_view kPlaceholderName = "User";
inline constexpr std::string_view kUsersPlaceholderName = "Administrators";
// The first line of the "Data" list of a new database.
inline constexpr std::string_view kNoDataLine =
    "** Ingen data (denne linjen kan endres elles slettes) **";

// The ten standard headers below "Version", top to bottom.
inline constexpr std::array<std::string_view, 10> kStandardHeaders = {
    kDefinitionsHeader, kProgramsHeader, kIndexHeader,   kDeletedHeader,
    kSystemRegisterHeader, kServicesHeader, kFilelinksHeader, kDocumentsHeader,
    kUsersHeader, kReplicateHeader};

// Finds `header` from the top and steps right to the first record of its list. Its
// Position with the cursor on it; -1 when the header is missing or has no list, with the
// cursor where it was.
Position GoToStandardList(tDataImageArk& db, std::string_view header);

// As GoToStandardList, but a header without a list first gets its placeholder "User", so
// that new entries below it stand where the listings find them. -1 (nothing changed) only
// when the header is missing.
Position GoToStandardListMaking(tDataImageArk& db, std::string_view header);

// Walks down from the cursor's record (included) until `stop` returns true for the record
// under the cursor, or the list ends. True when `stop` held (the cursor on that record);
// false at the end of the list (the cursor on its last record). Bounded by the file: a
// damaged list that runs in a cycle ends.
bool WalkList(Datapointer& dp, const std::function<bool(Datapointer&)>& stop);

// The members of a standard list by the listing rule: the header's first record is stepped
// over; every further record that passes `take` (the cursor on it) is listed, top to
// bottom. Empty when the header is missing or has no list. The cursor comes back.
std::vector<Position> ListStandardList(tDataImageArk& db, std::string_view header,
                                       const std::function<bool(Datapointer&)>& take);

// ---- Register variables (kind 64 in "SystemRegister") ----
// The name is the record's name; the value (at most 255 characters) is kept in a second
// block shaped like a name block, whose Position stands in `dataBlock`.

// True when `name` fits a name block in its 8-bit form (at most 255 characters). A longer
// name is never cut: cut, it could be another variable's name.
bool RegisterNameFits(std::string_view name);

// Sets the variable, creating its record below the list's last record when no record of
// the list (the placeholder included) has the name. Setting it again rewrites its value
// block in place. 1; -1 (nothing changed) when "SystemRegister" is missing; -2 (nothing
// changed) when the name does not fit (RegisterNameFits).
int32_t SetRegisterVariable(tDataImageArk& db, std::string_view name, std::string_view value);
// The value; empty when there is no such variable.
std::string GetRegisterVariable(tDataImageArk& db, std::string_view name);
// The value when a register variable (kind 64) of that name is in the list, else nullopt.
std::optional<std::string> FindRegisterVariable(tDataImageArk& db, std::string_view name);
// The value of the register variable under the cursor (read from the block its
// `dataBlock` names); empty when it has none.
std::string ReadRegisterValue(tDataImageArk& db);

// The part of the consistency check that knows register variables: each variable of
// "SystemRegister" (the placeholder included) owns its name block and its value block
// (their owner field names it, or a deleted record it was restored from), and its name
// block, made first, lies before its value block; the other way round the two are
// exchanged. A shadow borrows its original's blocks and is not asked. Blocks in
// `faultyBlocks` (as CheckConsistency hands them out) were reported already and are not
// looked at again. The cursor comes back.
std::vector<ConsistencyFault> CheckRegisterVariables(tDataImageArk& db,
                                                     const std::vector<Position>& faultyBlocks);

// The whole check `quilltool check` makes: the records and blocks (CheckConsistency), then
// the register variables, each fault once.
std::vector<ConsistencyFault> CheckDatabase(tDataImageArk& db);

// ---- Program records (kind 16 in "Programs") ----

// Creates a program record named `name` right below the list's placeholder, so the newest
// comes first, with a 534-byte zero payload. 0 with the new record current; -1 with the
// cursor where it was when "Programs" is missing.
int32_t NewProgramRecord(tDataImageArk& db, std::string_view name);

}  // namespace qn
