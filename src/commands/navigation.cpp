// Search by display name, the jump to a file Position and the way to a shadow's original.
#include "commands/navigation.h"

#include <algorithm>
#include <limits>

#include "commands/command_support.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "content/display_name.h"
#include "content/system_lists.h"
#include "store/tree_walk.h"
#include "env/text_codec.h"

namespace qn {

Position FindByDisplayName(tDataImageArk& db, std::string_view text, bool wholeDatabase) {
  Datapointer& dp = *db.dp;
  const std::string wanted = UpperCase(text);
  if (wanted.empty()) return -1;
  CursorRestorer keeper(dp);
  Position cur = wholeDatabase || dp.CurrentPosition() == 0 ? dp.TopLevelFirst() : dp.CurrentPosition();

  Position found = -1;
  WalkFrom(db, cur, [&](Position p, std::span<const uint8_t, kPointerRecordSize>, int) {
    if (dp.Load(p) == 0 && UpperCase(DisplayName(db)).find(wanted) != std::string::npos) found = p;
    return found < 0;
  });
  if (found < 0) return -1;
  dp.Load(found);
  keeper.Release();
  dp.SetLastDirection(DirDown);
  return found;
}

std::string NotFoundText(std::string_view text) {
  return "Fant ikke \"" + std::string(text) + "\"";
}

ListStepResult StepInList(tDataImageArk& db, ListStep step, int32_t pageRows) {
  Datapointer& dp = *db.dp;
  const bool down = step == ListStep::kDown || step == ListStep::kLast || step == ListStep::kPageDown;
  const Position before = dp.CurrentPosition();
  ListStepResult result;
  switch (step) {
    case ListStep::kFirst:
      dp.GoFirst();
      result.passed = dp.CurrentPosition() != before ? 1 : 0;
      break;
    case ListStep::kLast:
      dp.GoLast();
      result.passed = dp.CurrentPosition() != before ? 1 : 0;
      break;
    default: {
      // A page never walks further than it asks for, so a list that runs in a circle
      // costs no more than a list that does not.
      const int32_t steps =
          step == ListStep::kUp || step == ListStep::kDown ? 1 : std::max<int32_t>(pageRows, 1);
      while (result.passed < steps && (down ? dp.GoDown() : dp.GoUp()) == 0) ++result.passed;
      break;
    }
  }
  if (result.passed == 0) result.message = down ? kLastInListText : kFirstInListText;
  return result;
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
             RecordView(image).OwnPosition() == p;
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
  if (!RecordView(image).IsDeleted()) {
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
  PatchRecord(db, shadow, [restored](RecordImage& img) { RecordEdit(img).SetSourceRecord(restored); });
  dp.Load(restored);
  return {OriginalStatus::kRestored, restored, {}};
}

}  // namespace qn
