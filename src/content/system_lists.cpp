// Standard lists, register variables and program records.
#include "content/system_lists.h"

#include <algorithm>
#include <array>
#include <vector>

#include "store/database.h"
#include "store/position_set.h"
#include "store/record_blocks.h"
#include "env/text_codec.h"

namespace qn {

namespace {

// The payload of a program record (tProgramRec).
constexpr size_t kProgramPayloadSize = 534;

// A name as the name block holds it: 8-bit. REQUIRES: RegisterNameFits(utf8).
std::string StoredName(std::string_view utf8) { return Utf8ToCp1252(utf8); }

bool HasStoredName(tDataImageArk& db, const std::string& stored) {
  return Utf8ToCp1252(ReadName(db)) == stored;
}

// Finds the record of `name` in "SystemRegister", the placeholder included. The cursor
// ends on it (true), or on the list's last record (false). -1 when the header is missing.
int FindInRegister(tDataImageArk& db, std::string_view name, bool making) {
  if (!RegisterNameFits(name)) return making ? -1 : 0;  // no stored name can equal it
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

bool RegisterNameFits(std::string_view name) {
  return Utf8ToCp1252(name).size() <= size_t(kNameMaxText);
}

int32_t SetRegisterVariable(tDataImageArk& db, std::string_view name, std::string_view value) {
  if (!RegisterNameFits(name)) return -2;
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

std::vector<ConsistencyFault> CheckRegisterVariables(tDataImageArk& db,
                                                     const std::vector<Position>& faultyBlocks) {
  Datapointer& dp = *db.dp;
  CursorRestorer keeper(dp);
  std::vector<ConsistencyFault> faults;
  if (GoToStandardList(db, kSystemRegisterHeader) < 0) return faults;
  auto reported = [&](Position block) {
    return std::binary_search(faultyBlocks.begin(), faultyBlocks.end(), block);
  };
  // The owner field of a whole 264-byte block, or nullopt.
  auto ownerOf = [&](Position block) -> std::optional<Position> {
    std::array<uint8_t, kNameLengthOffset> head;
    if (!dp.InFile(block, kNameBlockSize)) return std::nullopt;
    db.SeekTo(block);
    if (db.ReadBlock(head.data(), kNameLengthOffset) != 0 || BlockSizeOf(head) != kNameBlockSize)
      return std::nullopt;
    return NameOwnerOf(head);
  };
  // A block restored from a deleted record still names that record as its owner.
  auto ownedBy = [&](Position owner, Position variable) {
    if (owner == variable) return true;
    RecordImage record;
    return dp.ReadRecordAt(owner, record) && RecordView(record).IsDeleted();
  };
  WalkList(dp, [&](Datapointer& d) {
    const Position p = d.CurrentPosition();
    const Position name = d.NameBlock();
    const Position value = d.DataBlock();
    if (d.Kind() != kKindRegisterVariable || d.Origin() == kOriginShadow ||
        d.Origin() == kOriginDataShadow || name <= 0 || value <= 0 || name == value ||
        reported(name) || reported(value))
      return false;
    const std::optional<Position> nameOwner = ownerOf(name);
    const std::optional<Position> valueOwner = ownerOf(value);
    if (!nameOwner || !valueOwner) return false;
    const std::string n = std::to_string(name);
    const std::string v = std::to_string(value);
    if (*nameOwner == p && *valueOwner == p && name > value)
      faults.push_back({p, "name block " + n + " and value block " + v + " are exchanged"});
    if (!ownedBy(*nameOwner, p))
      faults.push_back({p, "name block " + n + " belongs to record " + std::to_string(*nameOwner)});
    if (!ownedBy(*valueOwner, p))
      faults.push_back({p, "value block " + v + " belongs to record " + std::to_string(*valueOwner)});
    return false;
  });
  return faults;
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

std::vector<ConsistencyFault> CheckDatabase(tDataImageArk& db) {
  std::vector<Position> faultyBlocks;
  std::vector<ConsistencyFault> faults = CheckConsistency(db, &faultyBlocks);
  for (ConsistencyFault& fault : CheckRegisterVariables(db, faultyBlocks)) faults.push_back(std::move(fault));
  return faults;
}

}  // namespace qn
