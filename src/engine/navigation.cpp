// Search by display name, the jump to a file Position and the way to a shadow's original.
#include "engine/navigation.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "engine/command_support.h"
#include "engine/database.h"
#include "engine/datapointer.h"
#include "engine/display_name.h"
#include "engine/position_set.h"
#include "engine/system_lists.h"
#include "env/text_codec.h"

namespace qn {

Position FindByDisplayName(tDataImageArk& db, std::string_view text, bool wholeDatabase) {
  Datapointer& dp = *db.dp;
  const std::string wanted = UpperCase(text);
  if (wanted.empty()) return -1;
  CursorKeeper keeper(dp);
  Position cur = wholeDatabase || dp.CurrentPosition() == 0 ? TopLevelFirst(db) : dp.CurrentPosition();

  // Depth first: a record, its sub-list, then its next record. `pending` holds the next
  // records to go on with once a sub-list is done; the set keeps a damaged file from
  // sending the walk round in a cycle.
  PositionSet visited(size_t(std::min<int64_t>(dp.RecordBound(), 1 << 16)));
  std::vector<Position> pending;
  for (;;) {
    if (cur > 0 && visited.Insert(cur) && dp.Load(cur) == 0) {
      if (UpperCase(DisplayName(db)).find(wanted) != std::string::npos) {
        keeper.Release();
        dp.SetLastDirection(DirDown);
        return cur;
      }
      const Position right = dp.Right();
      const Position down = dp.Down();
      if (right > 0) {
        if (down > 0) pending.push_back(down);
        cur = right;
      } else {
        cur = down;
      }
      continue;
    }
    if (pending.empty()) break;
    cur = pending.back();
    pending.pop_back();
  }
  return -1;
}

Position ParseFilePosition(std::string_view answer) {
  std::u32string chars = DecodeUtf8(answer);
  if (chars.size() > kFilePositionAnswerMax) chars.resize(kFilePositionAnswerMax);
  const std::string cut = EncodeUtf8(chars);
  std::string_view s = Trim(cut);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return 0;
  int64_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
    if (value > int64_t(std::numeric_limits<Position>::max()) + 1) return 0;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<Position>::min() || value > std::numeric_limits<Position>::max())
    return 0;
  return Position(value);
}

std::string NoRecordAtMessage(Position p) {
  return "Det starter ingen peker på filposisjon " + std::to_string(p);
}

JumpResult JumpToFilePosition(tDataImageArk& db, Position p) {
  Datapointer& dp = *db.dp;
  RecordImage image;
  bool record = false;
  if (p >= 0 && dp.InFile(p, kPointerRecordSize)) {
    db.SeekTo(p);
    record = db.ReadBlock(image.data(), kPointerRecordSize) == 0 && HasPointerSignature(image) &&
             GetI32(image, kPositionOffset) == p;
  }
  if (!record || dp.Load(p) != 0) return {false, NoRecordAtMessage(p)};
  return {true, {}};
}

OriginalResult GoToOriginal(tDataImageArk& db, const RestoreQuestion& askRestore) {
  Datapointer& dp = *db.dp;
  const Position shadow = dp.CurrentPosition();
  if (dp.Origin() != kOriginDataShadow) return {OriginalStatus::kNotAShadow, shadow, {}};
  const Position original = dp.SourceRecord();
  RecordImage image;
  if (original <= 0 || !dp.ReadRecordAt(original, image))
    return {OriginalStatus::kMissing, shadow, std::string(kOriginalMissingMessage)};
  if ((GetI32(image, kKindOffset) & kKindDeleted) == 0) {
    dp.Load(original);
    return {OriginalStatus::kAtOriginal, original, {}};
  }
  // A deleted record still carries its old neighbours, which no longer lead back to it:
  // the cursor never rests there, and the restored record is made below the shadow.
  if (!askRestore || !askRestore(kOriginalDeletedQuestion))
    return {OriginalStatus::kDeclined, shadow, {}};
  if (dp.RestoreSource(original) < 0)
    return {OriginalStatus::kNotRestored, shadow, std::string(kOriginalNotRestoredMessage)};
  const Position restored = dp.CurrentPosition();
  PatchRecord(db, shadow, [restored](RecordImage& img) { PutI32(img, kSourceRecordOffset, restored); });
  dp.Load(restored);
  return {OriginalStatus::kRestored, restored, {}};
}

}  // namespace qn
