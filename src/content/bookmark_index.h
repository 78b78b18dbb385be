// The bookmark index: tables of contents kept in the "Index" list. A table is a tree of
// index records (kind 32), each with a 1,035-byte node (tdataIndexRec) as its data: the
// root is the second record of the "Index" list, named by the table; every other node is
// named by the upper-cased key prefix that leads to it and lies in the same list, right
// below the node it hangs from. A key is upper-cased and each character picks a child slot
// by the low 8 bits of its code. The operations bring the cursor back, except a find that
// succeeds, which leaves it on the target.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "store/format.h"

namespace qn {

class tDataImageArk;

// ---- tdataIndexRec, 1,035 bytes, little-endian ----
constexpr int kIndexNodeSize = 1035;
constexpr int kIndexNodeSizeOffset = 0;  // u32: 1035, written when the node is made
constexpr int kIndexTerminalOffset = 6;  // u8: 1 when the node carries a target
constexpr int kIndexTargetOffset = 7;    // i32: the bookmarked record
constexpr int kIndexChildrenOffset = 11;  // 256 x i32, one per 8-bit character code
constexpr int kIndexChildCount = 256;
// Keys longer than this use their first kIndexKeyMax characters.
constexpr int kIndexKeyMax = 255;

struct tdataIndexRec {
  uint32_t NodeSize = kIndexNodeSize;
  uint8_t Terminal = 0;
  Position Target = 0;
  std::array<Position, kIndexChildCount> Children{};

  // Bytes 4 and 5 are written as zero.
  void Encode(std::span<uint8_t, kIndexNodeSize> out) const;
  static tdataIndexRec Decode(std::span<const uint8_t, kIndexNodeSize> in);
};

// The node of the index record under the cursor. False (node unchanged) when the record
// is no index record or its data is shorter than a node.
bool ReadIndexNode(tDataImageArk& db, tdataIndexRec& node);

// Puts the cursor on the root of the current table: the second record of "Index". False
// (the cursor where it was) when there is none.
bool GoToIndexRoot(tDataImageArk& db);

// Creates the table `name` right below the placeholder of "Index", so it becomes the root
// the bookmark operations use. 0, or -1 when "Index" is missing. The cursor comes back.
int32_t NewTableOfContents(tDataImageArk& db, std::string_view name);

// Enters `key` for `target` in the current table, making the nodes it lacks. Making a node
// marks the node it hangs from with the new target too; passing through an existing node
// leaves that node alone; the key's last node always gets the target. Returns `target`, or
// -1 (nothing changed) when there is no table or a node on the way is damaged. The cursor
// comes back.
Position AddIndexEntry(tDataImageArk& db, Position target, std::string_view key);
// AddIndexEntry for the record under the cursor.
Position AddBookmark(tDataImageArk& db, std::string_view key);

// Follows `key` from the root; a character without a child is passed over. The target of
// the last node met that carries one: > 0 with the cursor on it, else 0 (or -1 when there
// is no table) with the cursor where it was.
Position FindIndexEntry(tDataImageArk& db, std::string_view key);

}  // namespace qn
