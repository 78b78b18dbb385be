// The list sort: one read of the list, a stable sort in memory, one relinking pass.
#include "commands/list_sort.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "commands/command_support.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "content/display_name.h"
#include "store/position_set.h"
#include "env/text_codec.h"

namespace qn {

namespace {

struct Entry {
  RecordImage image;
  std::u16string key;
};

// Reads the list once, through the cursor (display names are read at the cursor): up from
// the current record to the first, then down from it to the last. Each step checks that
// the link it followed is answered by the link back and that no record comes twice. The
// list top to bottom; empty when it is damaged. The cursor ends anywhere on the list.
std::vector<Entry> ReadWholeList(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  const Position start = dp.CurrentPosition();
  PositionSet seen;  // grows with the records seen
  seen.Insert(start);
  const RecordImage startImage = CurrentImage(dp);
  std::u16string startKey = SortKey(DisplayName(db));
  std::vector<Entry> above;
  for (Position from = start, up = dp.Up(); up != 0; from = up, up = dp.Up()) {
    if (up < 0 || !seen.Insert(up) || dp.GoUp() != 0 || dp.Down() != from) return {};
    above.push_back({CurrentImage(dp), SortKey(DisplayName(db))});
  }
  std::vector<Entry> list(above.rbegin(), above.rend());
  list.push_back({startImage, std::move(startKey)});
  for (Position from = start, down = RecordView(startImage).Down(); down != 0;
       from = down, down = dp.Down()) {
    if (down < 0 || !seen.Insert(down) || dp.Load(down) != 0 || dp.Up() != from) return {};
    list.push_back({CurrentImage(dp), SortKey(DisplayName(db))});
  }
  return list;
}

// The order of the entries after a stable sort by key.
std::vector<size_t> SortedOrder(const std::vector<Entry>& list, bool ascending) {
  std::vector<size_t> order(list.size());
  std::iota(order.begin(), order.end(), size_t(0));
  if (ascending)
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return list[a].key < list[b].key; });
  else
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return list[b].key < list[a].key; });
  return order;
}

// Gives each record its new neighbours in `order` (only the first keeps a `left`: the
// parent), then points the parent, or the file header record, at the new first record.
// Stores only what changed; how many records were stored.
int64_t Relink(tDataImageArk& db, std::vector<Entry>& list, const std::vector<size_t>& order,
               const ListHead& head, RecordImage& parent) {
  Datapointer& dp = *db.dp;
  int64_t stored = 0;
  const size_t n = order.size();
  for (size_t i = 0; i < n; ++i) {
    RecordImage& image = list[order[i]].image;
    const Position up = i > 0 ? PositionOf(list[order[i - 1]].image) : 0;
    const Position down = i + 1 < n ? PositionOf(list[order[i + 1]].image) : 0;
    const Position left = i == 0 ? head.parent : 0;
    if (RecordView(image).Up() == up && RecordView(image).Down() == down &&
        RecordView(image).Left() == left)
      continue;
    RecordEdit(image).SetUp(up);
    RecordEdit(image).SetDown(down);
    RecordEdit(image).SetLeft(left);
    dp.StoreImage(image);
    ++stored;
  }
  const Position newFirst = PositionOf(list[order.front()].image);
  if (head.parent > 0 && RecordView(parent).Right() != newFirst) {
    RecordEdit(parent).SetRight(newFirst);
    dp.StoreImage(parent);
    ++stored;
  }
  if (head.topLevel && dp.TopLevelFirst() != newFirst) {
    dp.SetTopLevelFirst(newFirst);
    ++stored;
  }
  return stored;
}

}  // namespace

std::u16string SortKey(std::string_view displayName) {
  const std::string bytes = Utf8ToCp1252(CutToCp1252Length(displayName, kDataRecordTextMax));
  std::u16string key;
  key.reserve(bytes.size());
  // Every Windows-1252 character lies in the Basic Multilingual Plane: one code unit each.
  for (char c : bytes) key.push_back(char16_t(Cp1252ToUnicode(uint8_t(c))));
  return key;
}

SortResult SortList(tDataImageArk& db, bool ascending) {
  Datapointer& dp = *db.dp;
  const Position start = dp.CurrentPosition();
  if (start <= 0) return {SortStatus::kNoList};
  if (db.ReadOnly()) return {SortStatus::kReadOnly};
  const tDirection direction = dp.LastDirection();
  auto refuse = [&] {
    dp.Load(start);
    dp.SetLastDirection(direction);
    return SortResult{SortStatus::kDamaged};
  };

  std::vector<Entry> list = ReadWholeList(db);
  if (list.empty()) return refuse();
  // Where the list hangs; a parent that does not lead back to the first record means the
  // list is not where its first record says it is.
  const RecordImage& oldFirst = list.front().image;
  const ListHead head = HeadOf(db, oldFirst);
  RecordImage parent{};
  if (head.parent != 0 && (head.parent < 0 || !dp.ReadRecordAt(head.parent, parent) ||
                           RecordView(parent).Right() != PositionOf(oldFirst)))
    return refuse();

  const std::vector<size_t> order = SortedOrder(list, ascending);
  SortResult result{SortStatus::kSorted, int64_t(list.size()), 0};
  result.stored = Relink(db, list, order, head, parent);
  dp.Load(PositionOf(list[order.back()].image));
  dp.SetLastDirection(DirDown);
  return result;
}

}  // namespace qn
