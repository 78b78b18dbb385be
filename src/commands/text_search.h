// Searching every text a database holds: record names, the text form of data fields as
// the data editor shows them (passwords never), notes, document link texts and register
// variables' names and values. The search walks the tree from the top, a record then its
// sub-list then its next record, reads through a RecordReader and never moves the cursor.
//
// It runs in slices: Run() visits at most a given number of records and returns, so a
// window can search between its events and stop when asked. Its memory is the walk's
// pending links (one per level of depth), the path of the current record and the
// templates met, never the file's records: a record is known to be visited once because
// the link that led to it agrees with its own way back (down with up, right with left);
// only records whose way back is damaged are remembered. Deleted records are never
// searched; a block the file cannot give whole is skipped and counted.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/format.h"
#include "store/position_set.h"
#include "templates/template_reader.h"

namespace qn {

class RecordReader;

// Where to look; any combination.
enum SearchPlaces : unsigned {
  kSearchNames = 1,
  kSearchData = 2,
  kSearchNotes = 4,
  kSearchLinks = 8,
  kSearchVariables = 16,
  kSearchEverywhere = 31,
};

// The text a hit was found in.
enum class HitPlace { kName, kField, kNote, kLink, kVariableName, kVariableValue };

struct SearchHit {
  Position position = 0;
  HitPlace place = HitPlace::kName;
  std::string field;              // the field's name, for kField
  std::vector<std::string> path;  // display names from the top list down to the record
  std::string around;             // the text around the hit, UTF-8, on one line
};

struct SearchRequest {
  std::string text;  // UTF-8; an empty text finds nothing
  unsigned places = kSearchEverywhere;
  bool matchCase = false;  // otherwise letters of the code page compare without case
};

// Finds `needle` (8-bit Windows-1252) in 8-bit texts, with or without case.
class TextMatcher {
 public:
  // An unusable matcher (matches nothing) when the text is empty or holds a character
  // the code page has no byte for: no stored text can contain it.
  TextMatcher(std::string_view utf8, bool matchCase);
  bool Usable() const { return !needle_.empty(); }
  // Offset of the first match in `text`, or npos.
  size_t Find(std::string_view text) const;
  size_t Length() const { return needle_.size(); }

 private:
  std::string needle_;  // folded
  uint8_t fold_[256];
};

class TextSearch {
 public:
  using HitSink = std::function<void(const SearchHit&)>;

  // REQUIRES: `reader` outlives the search and the file is not changed while it runs.
  TextSearch(RecordReader& reader, const SearchRequest& request);
  TextSearch(const TextSearch&) = delete;
  TextSearch& operator=(const TextSearch&) = delete;

  // Visits at most `budget` records, handing each hit to `sink` as it is found. True
  // while records remain to be visited.
  bool Run(int64_t budget, const HitSink& sink);
  // Ends the search: Run() visits nothing more.
  void Cancel() { pending_.clear(); }
  bool Done() const { return pending_.empty(); }

  int64_t Visited() const { return visited_; }
  int64_t Hits() const { return hits_; }
  // Blocks and links skipped because the file cannot give them whole or they do not
  // lead back where they came from.
  int64_t Damaged() const { return damaged_; }
  // How far the search has come, 0..1, by the bytes it has read against the file's size.
  double Progress() const;

 private:
  struct Pending {
    Position target;
    Position from;  // 0 for the first record
    bool viaRight;
    int depth;
  };

  bool Accept(const Pending& link, const PointerRecord& record);
  bool HasOwnParent(const PointerRecord& record);
  void Search(const PointerRecord& record, int depth, const HitSink& sink);
  void Report(const PointerRecord& record, int depth, HitPlace place, std::string_view field,
              std::string_view text, size_t at, const HitSink& sink);
  // The 8-bit text of a name-shaped block (name, link text, variable value); nullopt and
  // counted when the block is damaged.
  std::optional<std::string> NameShaped(Position block, bool sizeFirst);
  std::optional<std::string> NoteText(Position block);
  void SearchFields(const PointerRecord& record, int depth, const HitSink& sink);
  // A template's fields as the search looks at them, worked out once: those the text can
  // match (by their type: a text no number can hold skips the number fields), each with
  // where it stands in the payload.
  struct SearchedField {
    const TemplateField* field;
    size_t at;
    bool text;  // its bytes are its shown text (a text or DOS text field)
    bool dos;   // a DOS text field: its letters shown as the DOS code page has them
  };
  struct TemplatePlan {
    std::optional<TemplateLayout> layout;
    int64_t dataLength = 0;
    std::vector<SearchedField> fields;
  };
  const TemplatePlan* Plan(const PointerRecord& record);

  RecordReader& reader_;
  SearchRequest request_;
  TextMatcher matcher_;
  // Which kinds of field text can hold the wanted text at all (a number shows no letters).
  bool numbersCanMatch_ = false;
  bool datesCanMatch_ = false;
  bool booleansCanMatch_ = false;

  std::vector<Pending> pending_;
  Position start_ = 0;
  PositionSet strays_;               // records visited whose way back is damaged
  std::vector<Position> ancestors_;  // the records above the current one, by depth
  std::map<Position, TemplatePlan> plans_;  // by template Position
  const std::pair<const Position, TemplatePlan>* lastPlan_ = nullptr;  // the one asked for last
  std::vector<uint8_t> payload_;
  int64_t visited_ = 0;
  int64_t hits_ = 0;
  int64_t damaged_ = 0;
  int64_t bytesRead_ = 0;
  int64_t fileSize_ = 1;
};

// The first record after `after` in the order of the whole-database walk (the top when
// `after` is 0 or not in the tree) whose display name holds `text` without case, as the
// name searches compare; nullopt when none follows.
std::optional<Position> FindNextByDisplayName(RecordReader& reader, std::string_view text, Position after);

}  // namespace qn
