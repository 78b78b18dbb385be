// Tables of contents: index nodes, entering and finding keys.
#include "content/bookmark_index.h"

#include <algorithm>
#include <string>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "content/system_lists.h"
#include "env/text_codec.h"

namespace qn {

void tdataIndexRec::Encode(std::span<uint8_t, kIndexNodeSize> out) const {
  std::fill(out.begin(), out.end(), uint8_t(0));
  PutU32(out, kIndexNodeSizeOffset, NodeSize);
  out[kIndexTerminalOffset] = Terminal;
  PutI32(out, kIndexTargetOffset, Target);
  for (int i = 0; i < kIndexChildCount; ++i)
    PutI32(out, size_t(kIndexChildrenOffset + 4 * i), Children[size_t(i)]);
}

tdataIndexRec tdataIndexRec::Decode(std::span<const uint8_t, kIndexNodeSize> in) {
  tdataIndexRec node;
  node.NodeSize = GetU32(in, kIndexNodeSizeOffset);
  node.Terminal = in[kIndexTerminalOffset];
  node.Target = GetI32(in, kIndexTargetOffset);
  for (int i = 0; i < kIndexChildCount; ++i)
    node.Children[size_t(i)] = GetI32(in, size_t(kIndexChildrenOffset + 4 * i));
  return node;
}

namespace {

using NodeBytes = std::array<uint8_t, kIndexNodeSize>;

// A record that is no index record, or whose data is shorter than a node, is never
// written as one.
bool ReadNode(tDataImageArk& db, tdataIndexRec& node) {
  Datapointer& dp = *db.dp;
  if ((dp.Kind() & ~kKindDeleted) != kKindIndex) return false;
  NodeBytes bytes{};
  if (DataLength(db) < kIndexNodeSize || ReadData(db, bytes) != kIndexNodeSize) return false;
  node = tdataIndexRec::Decode(bytes);
  return true;
}

void WriteNode(tDataImageArk& db, const tdataIndexRec& node) {
  NodeBytes bytes;
  node.Encode(bytes);
  RewriteData(db, bytes);
}

// Marks the node under the cursor as carrying `target`.
bool MarkNode(tDataImageArk& db, Position target) {
  tdataIndexRec node;
  if (!ReadNode(db, node)) return false;
  node.Terminal = 1;
  node.Target = target;
  WriteNode(db, node);
  return true;
}

// A new, empty index record named `name` below the cursor's record; the cursor ends on
// it. Its Position, or -1.
Position MakeNode(tDataImageArk& db, std::string_view name) {
  Datapointer& dp = *db.dp;
  if (AddNamed(db, DirDown, name) < 0) return -1;
  NodeBytes bytes;
  tdataIndexRec{}.Encode(bytes);
  AddData(db, bytes);
  dp.SetKind(kKindIndex);
  dp.Store();
  return dp.CurrentPosition();
}

// The key as the index holds it: upper case, at most kIndexKeyMax characters.
std::u32string IndexKey(std::string_view key) {
  std::u32string chars = DecodeUtf8(UpperCase(key));
  if (chars.size() > size_t(kIndexKeyMax)) chars.resize(kIndexKeyMax);
  return chars;
}

}  // namespace

bool ReadIndexNode(tDataImageArk& db, tdataIndexRec& node) { return ReadNode(db, node); }

bool GoToIndexRoot(tDataImageArk& db) {
  CursorRestorer keeper(*db.dp);
  if (GoToStandardList(db, kIndexHeader) < 0 || db.dp->GoDown() != 0) return false;
  keeper.Release();
  return true;
}

int32_t NewTableOfContents(tDataImageArk& db, std::string_view name) {
  CursorRestorer keeper(*db.dp);
  if (GoToStandardListMaking(db, kIndexHeader) < 0) return -1;
  return MakeNode(db, name) < 0 ? -1 : 0;
}

Position AddIndexEntry(tDataImageArk& db, Position target, std::string_view key) {
  Datapointer& dp = *db.dp;
  CursorRestorer keeper(dp);
  if (!GoToIndexRoot(db)) return -1;
  const std::u32string chars = IndexKey(key);
  const size_t n = chars.size();
  for (size_t p = 1; p <= n; ++p) {
    tdataIndexRec node;
    if (!ReadNode(db, node)) return -1;
    const uint8_t c = uint8_t(chars[p - 1] & 0xFF);
    const Position child = node.Children[c];
    if (child != 0) {
      if (dp.Load(child) != 0) return -1;
      if (p == n && !MarkNode(db, target)) return -1;
      continue;
    }
    const Position here = dp.CurrentPosition();
    const Position made = MakeNode(db, EncodeUtf8(chars.substr(0, p)));
    if (dp.Load(here) != 0 || made < 0) return -1;
    // The node the new one hangs from is read again: making the record changed its
    // `down`, not its data, but the node is only ever written whole.
    if (!ReadNode(db, node)) return -1;
    node.Children[c] = made;
    node.Terminal = 1;
    node.Target = target;
    WriteNode(db, node);
    if (dp.Load(made) != 0) return -1;
    if (p == n && !MarkNode(db, target)) return -1;
  }
  return target;
}

Position AddBookmark(tDataImageArk& db, std::string_view key) {
  return AddIndexEntry(db, db.dp->CurrentPosition(), key);
}

Position FindIndexEntry(tDataImageArk& db, std::string_view key) {
  Datapointer& dp = *db.dp;
  CursorRestorer keeper(dp);
  if (!GoToIndexRoot(db)) return -1;
  const std::u32string chars = IndexKey(key);
  const size_t n = chars.size();
  Position result = 0;
  for (size_t p = 1; p <= n; ++p) {
    tdataIndexRec inHand;
    if (!ReadNode(db, inHand)) break;
    const Position child = inHand.Children[uint8_t(chars[p - 1] & 0xFF)];
    // A character without a child (or with one that is not a record) is passed over.
    if (child > 0) dp.Load(child);
    if (p == n) {
      tdataIndexRec reached;
      if (ReadNode(db, reached)) inHand = reached;
    }
    if (inHand.Terminal != 0) result = inHand.Target;
  }
  if (result > 0 && dp.Load(result) == 0) {
    keeper.Release();
    return result;
  }
  return 0;
}

}  // namespace qn
