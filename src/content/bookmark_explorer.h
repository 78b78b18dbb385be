// The bookmark explorer's model (TIndexForm, "Bokmerke Utforsker"): walks a table of
// contents by hand, one index node at a time, with the current character code `Teller`
// picking a child. It moves the database's cursor as it walks; only the jump to a bookmark
// asks the window to show where it ended.
#pragma once

#include <string>

#include "content/bookmark_index.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

inline constexpr std::string_view kBookmarkExplorerCaption = "Bokmerke Utforsker";

class BookmarkExplorer {
 public:
  // On show: Teller 64; the cursor goes to the root of the current table unless it stands on
  // an index record; that node is read and its name becomes the table's name.
  explicit BookmarkExplorer(tDataImageArk& db);

  // The fields as the form shows them.
  const std::string& TableName() const { return tableName_; }  // "Innholdsfortegnelse"
  const std::string& NodeName() const { return nodeName_; }    // "Bokmerke", editable
  Position ChildPosition() const { return childPos_; }         // "pos."
  int Teller() const { return teller_; }                       // "nr."
  std::string Character() const;                               // the character of Teller
  bool Exists() const { return exists_; }                      // "Finnes i pos:"
  Position Target() const { return target_; }                  // its Position
  bool AutoSearch() const { return auto_; }                    // "Auto søk etter brukt index"

  void SetNodeName(std::string name) { nodeName_ = std::move(name); }
  void SetExists(bool exists) { exists_ = exists; }
  void SetAutoSearch(bool on) { auto_ = on; }

  // The picture buttons: the next and the previous character code (auto search off); at
  // 255 and at 0 only the auto search goes off.
  void NextCharacter();
  void PreviousCharacter();
  // "&Frem": to the child of the current character, when it is an index node.
  void Forward();
  // "&Hent": the record of the index list named exactly as NodeName (the list's last record
  // when none is).
  void Fetch();
  // "&Reset": NodeName := TableName, then Fetch. "&Tilbake": NodeName loses its last
  // character, then Fetch (the parent prefix).
  void Reset();
  void Back();
  // "Hopp til bokmerke": the bookmarked record becomes current when the node carries one
  // and "Finnes i pos:" is checked. True when it moved (the window refreshes and the form
  // closes).
  bool Jump();

 private:
  // Reads the node under the cursor (when it is one), then Update.
  void ReadCurrent();
  // Teller to the lowest used code when auto search is on, then the fields.
  void Update();

  tDataImageArk& db_;
  tdataIndexRec node_;
  std::string tableName_;
  std::string nodeName_;
  Position childPos_ = 0;
  Position target_ = 0;
  int teller_ = 64;
  bool exists_ = false;
  bool auto_ = true;
};

}  // namespace qn
