#include "content/bookmark_explorer.h"

#include "content/system_lists.h"
#include "env/text_codec.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"

namespace qn {

BookmarkExplorer::BookmarkExplorer(tDataImageArk& db) : db_(db) {
  if (!db_.IsOpen()) return;
  if ((db_.dp->Kind() & ~kKindDeleted) != kKindIndex) GoToIndexRoot(db_);
  ReadCurrent();
  tableName_ = ReadName(db_);
  Update();
}

std::string BookmarkExplorer::Character() const {
  std::string out;
  AppendUtf8(out, Cp1252ToUnicode(uint8_t(teller_)));
  return out;
}

void BookmarkExplorer::ReadCurrent() {
  node_ = tdataIndexRec{};
  ReadIndexNode(db_, node_);
  Update();
}

void BookmarkExplorer::Update() {
  if (auto_) {
    for (int c = 0; c < kIndexChildCount; ++c) {
      if (node_.Children[size_t(c)] > 0) {
        teller_ = c;
        break;
      }
    }
  }
  nodeName_ = db_.IsOpen() ? ReadName(db_) : std::string();
  target_ = node_.Target;
  childPos_ = node_.Children[size_t(teller_)];
  exists_ = node_.Terminal != 0;
}

void BookmarkExplorer::NextCharacter() {
  auto_ = false;
  if (teller_ <= 254) ++teller_;
  Update();
}

void BookmarkExplorer::PreviousCharacter() {
  auto_ = false;
  if (teller_ >= 1) --teller_;
  Update();
}

void BookmarkExplorer::Forward() {
  if (!db_.IsOpen()) return;
  const Position child = node_.Children[size_t(teller_)];
  // Only a child that is an index node is walked into; anything else leaves the node.
  if (child <= 0 || !db_.dp->IsRecordAt(child)) return;
  RecordImage image;
  if (!db_.dp->ReadRecordAt(child, image) ||
      RecordView(image).LiveKind() != kKindIndex)
    return;
  db_.dp->Load(child);
  ReadCurrent();
}

void BookmarkExplorer::Fetch() {
  if (!db_.IsOpen() || !GoToIndexRoot(db_)) return;
  const std::string wanted = nodeName_;
  WalkList(*db_.dp, [&](Datapointer&) { return ReadName(db_) == wanted; });
  ReadCurrent();
}

void BookmarkExplorer::Reset() {
  nodeName_ = tableName_;
  Fetch();
}

void BookmarkExplorer::Back() {
  std::u32string chars = DecodeUtf8(nodeName_);
  if (!chars.empty()) chars.pop_back();
  nodeName_ = EncodeUtf8(chars);
  Fetch();
}

bool BookmarkExplorer::Jump() {
  if (!db_.IsOpen() || target_ == 0 || !exists_) return false;
  // A bookmark may outlive its record's place in a damaged file: only a record is loaded.
  return db_.dp->IsRecordAt(target_) && db_.dp->Load(target_) == 0;
}

}  // namespace qn
