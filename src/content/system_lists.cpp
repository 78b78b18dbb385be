// Standard lists, register variables and program records.
#include "content/system_lists.h"

#include <vector>

#include "store/database.h"
#include "store/position_set.h"
#include "store/record_blocks.h"
#include "env/text_codec.h"

namespace qn {

namespace {

// The payload of a program record (tProgramRec).
constexpr size_t kProgramPayloadSize = 534;

// A name as the name block holds it: 8-bit, at most 255 characters.
std::string StoredName(std::string_view utf8) {
  std::string bytes = Utf8ToCp1252(utf8);
  if (bytes.size() > size_t(kNameMaxText)) bytes.resize(kNameMaxText);
  return bytes;
}

bool HasStoredName(tDataImageArk& db, const std::string& stored) {
  return Utf8ToCp1252(ReadName(db)) == stored;
}

// Finds the record of `name` in "SystemRegister", the placeholder included. The cursor
// ends on it (true), or on the list's last record (false). -1 when the header is missing.
int FindInRegister(tDataImageArk& db, std::string_view name, bool making) {
  Position first = making ? GoToStandardListMaking(db, kSystemRegisterHeader)
                          : GoToStandardList(db, kSystemRegisterHeader);
  if (first < 0) return -1;
  const std::string stored = StoredName(name);
  return WalkList(*db.dp, [&](Datapointer&) { return HasStoredName(db, stored); }) ? 1 : 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Standard lists

Position GoToStandardList(tDataImageArk& db, std::string_view header) {
  Datapointer& dp = *db.dp;
  CursorRestorer keeper(dp);
  if (ScanForString(db, header, true) < 0) return -1;
  if (dp.GoRight() != 0) return -1;
  keeper.Release();
  return dp.CurrentPosition();
}

Position GoToStandardListMaking(tDataImageArk& db, std::string_view header) {
  Datapointer& dp = *db.dp;
  CursorRestorer keeper(dp);
  if (ScanForString(db, header, true) < 0) return -1;
  if (dp.Right() == 0) {
    if (AddNamed(db, DirRight, kPlaceholderName) < 0) return -1;
  } else if (dp.GoRight() != 0) {
    return -1;  // the list pointer leads nowhere: nothing is built over it
  }
  keeper.Release();
  return dp.CurrentPosition();
}

bool WalkList(Datapointer& dp, const std::function<bool(Datapointer&)>& stop) {
  PositionSet seen;
  for (int64_t steps = dp.RecordBound(); steps > 0; --steps) {
    if (!seen.Insert(dp.CurrentPosition())) return false;
    if (stop(dp)) return true;
    if (dp.Down() <= 0 || dp.GoDown() != 0) return false;
  }
  return false;
}

std::vector<Position> ListStandardList(tDataImageArk& db, std::string_view header,
                                       const std::function<bool(Datapointer&)>& take) {
  Datapointer& dp = *db.dp;
  CursorRestorer keeper(dp);
  std::vector<Position> out;
  if (GoToStandardList(db, header) < 0) return out;
  const Position first = dp.CurrentPosition();
  WalkList(dp, [&](Datapointer& cursor) {
    if (cursor.CurrentPosition() != first && take(cursor)) out.push_back(cursor.CurrentPosition());
    return false;
  });
  return out;
}

// ---------------------------------------------------------------------------------------
// Register variables

int32_t SetRegisterVariable(tDataImageArk& db, std::string_view name, std::string_view value) {
  Datapointer& dp = *db.dp;
  CursorRestorer keeper(dp);
  int found = FindInRegister(db, name, true);
  if (found < 0) return -1;
  if (found == 0 && AddNamed(db, DirDown, name) < 0) return -1;

  // The value lands in the block that `dataBlock` names: the name and data fields are
  // exchanged for the write, so the name writer makes or rewrites that block.
  const Position nameBlock = dp.NameBlock();
  // A record that was not a variable may carry a real data block: that is never written
  // over as a value block; the value gets a block of its own.
  const Position valueBlock = dp.Kind() == kKindRegisterVariable ? dp.DataBlock() : 0;
  dp.SetNameBlock(valueBlock);
  dp.SetDataBlock(nameBlock);
  WriteName(db, value);
  const Position written = dp.NameBlock();
  dp.SetNameBlock(nameBlock);
  dp.SetDataBlock(written);
  dp.SetKind(kKindRegisterVariable);
  dp.Store();
  return 1;
}

std::optional<std::string> FindRegisterVariable(tDataImageArk& db, std::string_view name) {
  Datapointer& dp = *db.dp;
  CursorRestorer keeper(dp);
  if (FindInRegister(db, name, false) != 1) return std::nullopt;
  // Only a variable's value block is read as one; the placeholder or any other record of
  // that name is no variable.
  if (dp.Kind() != kKindRegisterVariable) return std::nullopt;
  return ReadRegisterValue(db);
}

std::string ReadRegisterValue(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  // The value block is read by the name reader with the two fields exchanged in the
  // cursor's image, and exchanged back before anything could store the record.
  const Position nameBlock = dp.NameBlock();
  dp.SetNameBlock(dp.DataBlock());
  std::string value = ReadName(db);
  dp.SetNameBlock(nameBlock);
  return value;
}

std::string GetRegisterVariable(tDataImageArk& db, std::string_view name) {
  return FindRegisterVariable(db, name).value_or(std::string());
}

// ---------------------------------------------------------------------------------------
// Program records

int32_t NewProgramRecord(tDataImageArk& db, std::string_view name) {
  Datapointer& dp = *db.dp;
  CursorRestorer keeper(dp);
  if (GoToStandardListMaking(db, kProgramsHeader) < 0) return -1;
  if (AddNamed(db, DirDown, name) < 0) return -1;
  keeper.Release();
  std::vector<uint8_t> payload(kProgramPayloadSize, 0);
  AddData(db, payload);
  dp.SetKind(kKindProgram);
  return dp.Store();
}

}  // namespace qn
