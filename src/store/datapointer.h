// The cursor. Every read and change of the tree goes through it; it holds the 256-byte
// image of the current record, so bytes this program does not interpret survive a store.
// After any structure operation the neighbours' links agree both ways, and every record
// it stores carries its own Position, the size 256 and the signature. A pointer is checked
// before it is followed: no walk leaves the file, lands inside another block, or loops.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "store/format.h"

namespace qn {

class tDataImageArk;

// The directions of the cursor; a new record is created in the direction of the last move.
enum tDirection : uint8_t {
  DirNull = 0,
  DirDown = 1,
  DirUp = 2,
  DirLeft = 3,
  DirRight = 4,
  dirIn = 5,
  DirOut = 6,
  DirHome = 7,
  DirEnd = 8,
};

using RecordImage = std::array<uint8_t, kPointerRecordSize>;

class Datapointer {
 public:
  // `database` must outlive the cursor (it owns it).
  explicit Datapointer(tDataImageArk& database);
  Datapointer(const Datapointer&) = delete;
  Datapointer& operator=(const Datapointer&) = delete;

  // ---- Reading and storing the current record ----
  // Reads the 256 bytes at `position` into the current record; the ReadBlock result
  // (0 = complete). A Position outside the file or a short read leaves the current
  // record as it was and returns a non-zero result.
  int32_t Load(Position position);
  // Writes the current record at its own Position, with the signature and a fresh
  // `changed` stamp; skipped when the record cache holds the same 256 bytes. Returns 0
  // (also when a read-only database refused the write), -1 when the record's Position
  // is not one it can be written at.
  int32_t Store();
  bool IsDeleted() const;
  Position CurrentPosition() const;
  std::span<const uint8_t, kPointerRecordSize> Image() const { return current_; }
  PointerRecord Record() const;

  // ---- Walks: 0 when moved, -1 when the pointer is 0 or does not lead to a record ----
  int32_t GoUp();
  int32_t GoDown();
  int32_t GoLeft();
  int32_t GoRight();
  int32_t GoInward();
  int32_t GoOutward();
  // To the first / last record of the current list; -1 when the cursor did not move.
  int32_t GoFirst();
  int32_t GoLast();
  // To the n-th record (1-based) of the current list; -1 when the list is shorter.
  int32_t GoToIndex(int32_t n);

  // ---- Structure operations ----
  int32_t NewDown();
  int32_t NewRight();
  int32_t NewLeft();
  // NewDown after a move down, NewLeft after left, NewRight after right; -1 otherwise.
  int32_t NewInDirection();
  int32_t Delete();
  // Swaps the current record with the next one; its Position, or -1 when it is last.
  int32_t MoveDown();
  // Makes b the sub-list of a (0 stands for the cursor's record); the cursor ends on a.
  int32_t LinkRight(Position a, Position b);
  int32_t Remember();
  int32_t PasteShadow();
  int32_t RestoreSource(Position position);
  int32_t SetInheritBlock(Position position);
  int32_t SetUpdateFrom(Position position);
  // Adds an entry for the current record to the "Filelinks" list (its first entry starts
  // the list); the cursor stays. An empty `name` takes the record's own name: the display
  // name lives above the cursor, so a caller that wants it passes it. The record's
  // Position, or -1 when the file has no "Filelinks".
  int32_t AddFileLink(std::string_view name);

  // ---- Cursor state ----
  tDirection LastDirection() const { return lastDirection_; }
  void SetLastDirection(tDirection d) { lastDirection_ = d; }
  Position LastDeleted() const { return lastDeleted_; }
  Position BlockStart() const { return blockStart_; }
  Position BlockEnd() const { return blockEnd_; }
  void SetBlockStart(Position p) { blockStart_ = p; }
  void SetBlockEnd(Position p) { blockEnd_ = p; }
  bool InBlock() const { return inBlock_; }
  bool AutoFollow() const { return autoFollow_; }
  void SetAutoFollow(bool on) { autoFollow_ = on; }
  // True when the current record is a global pointer that the auto-follow switch says
  // to follow; the window follows it (following closes and reopens the database, which
  // the cursor cannot do to itself).
  bool FollowPending() const;
  std::span<const uint8_t, kPointerRecordSize> Remembered() const { return remembered_; }
  bool HasRemembered() const { return hasRemembered_; }

  // ---- Fields of the current record (in memory; Store writes them) ----
  uint32_t Size() const { return View().Size(); }
  Position Up() const { return View().Up(); }
  Position Down() const { return View().Down(); }
  Position Left() const { return View().Left(); }
  Position Right() const { return View().Right(); }
  Position Inward() const { return View().Inward(); }
  Position Outward() const { return View().Outward(); }
  Position InheritBlock() const { return View().InheritBlock(); }
  Position SourceRecord() const { return View().SourceRecord(); }
  Position DataBlock() const { return View().DataBlock(); }
  Position UpdateFrom() const { return View().UpdateFrom(); }
  int32_t DataOffset() const { return View().DataOffset(); }
  Position TemplatePos() const { return View().TemplatePos(); }
  int32_t Origin() const { return View().Origin(); }
  int32_t Kind() const { return View().Kind(); }
  Position NameBlock() const { return View().NameBlock(); }
  double Created() const { return View().Created(); }
  double Changed() const { return View().Changed(); }
  double Replicated() const { return View().Replicated(); }
  int32_t Replication() const { return View().Replication(); }
  Position LinkBlock() const { return View().LinkBlock(); }
  Position NoteBlock() const { return View().NoteBlock(); }
  Position PictureBlock() const { return View().PictureBlock(); }

  void SetPosition(Position v) { Edit().SetOwnPosition(v); }
  void SetUp(Position v) { Edit().SetUp(v); }
  void SetDown(Position v) { Edit().SetDown(v); }
  void SetLeft(Position v) { Edit().SetLeft(v); }
  void SetRight(Position v) { Edit().SetRight(v); }
  void SetInward(Position v) { Edit().SetInward(v); }
  void SetOutward(Position v) { Edit().SetOutward(v); }
  void SetInheritBlockField(Position v) { Edit().SetInheritBlock(v); }
  void SetSourceRecord(Position v) { Edit().SetSourceRecord(v); }
  void SetDataBlock(Position v) { Edit().SetDataBlock(v); }
  void SetUpdateFromField(Position v) { Edit().SetUpdateFrom(v); }
  void SetDataOffset(int32_t v) { Edit().SetDataOffset(v); }
  void SetTemplatePos(Position v) { Edit().SetTemplatePos(v); }
  void SetOrigin(int32_t v) { Edit().SetOrigin(v); }
  void SetKind(int32_t v) { Edit().SetKind(v); }
  void SetNameBlock(Position v) { Edit().SetNameBlock(v); }
  void SetCreated(double v) { Edit().SetCreated(v); }
  void SetReplicated(double v) { Edit().SetReplicated(v); }
  void SetReplication(int32_t v) { Edit().SetReplication(v); }
  void SetLinkBlock(Position v) { Edit().SetLinkBlock(v); }
  void SetNoteBlock(Position v) { Edit().SetNoteBlock(v); }
  void SetPictureBlock(Position v) { Edit().SetPictureBlock(v); }

  // ---- Checks against the file, shared by the block operations ----
  // True when `count` bytes starting at `position` lie inside the file (position > 0 is
  // not required; Position 0 is the file header). The file only grows, so the size is
  // asked again only when a range seems to pass its end.
  bool InFile(int64_t position, int64_t count);
  // How many of `count` bytes from `position` lie inside the file (0 when none do).
  int64_t Fit(int64_t position, int64_t count);
  // True when a pointer record lies at `position`: inside the file, size 256 and its own
  // Position in its `position` field.
  bool IsRecordAt(Position position);
  // Reads the record at `position` into `out` when IsRecordAt holds; the cursor is not
  // moved.
  bool ReadRecordAt(Position position, RecordImage& out);
  // Writes a record image at its own Position the way Store does (signature, stamp,
  // record cache). Returns 0, or -1 when the image's Position cannot be written.
  int32_t StoreImage(RecordImage& image);
  // How many records the file can hold: the bound of every walk.
  int64_t RecordBound();

  // The first record of the top-level list: the file header record's `down`; 0 when the
  // header cannot be read.
  Position TopLevelFirst();
  // The file header record's `down` becomes `first`, stored with the stamp and the
  // signature; nothing is written when it already is.
  void SetTopLevelFirst(Position first);

 private:
  RecordView View() const { return RecordView(current_); }
  RecordEdit Edit() { return RecordEdit(current_); }

  // Moves to the record `target` when it is one; sets the direction either way.
  int32_t Walk(RecordLink link, tDirection direction, const char* missingLine);
  // Reads the record at `p`, lets `change` alter it, stores it. False when `p` is not a
  // record.
  template <typename Change>
  bool Patch(Position p, Change change);
  // The last record of the list that starts at `first` (bounded), or 0.
  Position LastOfList(Position first);
  // True when `target` is `from` or lies on the way from `from` up and left to the top.
  bool IsAncestorOrAbove(Position target, Position from);

  tDataImageArk& database_;
  RecordImage current_{};
  tDirection lastDirection_ = DirDown;
  RecordImage remembered_{};
  bool hasRemembered_ = false;
  Position lastDeleted_ = 0;
  Position blockStart_ = 0;
  Position blockEnd_ = 0;
  bool inBlock_ = false;
  bool autoFollow_ = false;
  int64_t knownSize_ = 0;
};

// Brings the cursor back, on destruction, to the record and the direction it had when the
// restorer was made, unless Release() was called. It keeps the Position itself, so a full
// position stack (the user's marks) never sends the cursor to the wrong record.
class CursorRestorer {
 public:
  explicit CursorRestorer(Datapointer& dp)
      : dp_(dp), position_(dp.CurrentPosition()), direction_(dp.LastDirection()) {}
  ~CursorRestorer() {
    if (!released_) {
      dp_.Load(position_);
      dp_.SetLastDirection(direction_);
    }
  }
  CursorRestorer(const CursorRestorer&) = delete;
  CursorRestorer& operator=(const CursorRestorer&) = delete;
  // The cursor stays where the operation left it.
  void Release() { released_ = true; }

 private:
  Datapointer& dp_;
  Position position_;
  tDirection direction_;
  bool released_ = false;
};

// Keeps the current record for the length of a look elsewhere in the file the way the
// window's walks do: its Position goes on the position stack and is popped back at the
// end, so the marks panel sees the pair. When the stack is full the Position is kept here
// instead, so a pop never takes away a mark. The last direction is kept too: a look is not
// a move, and the next new record must go where the user's last move pointed.
class PushedCursor {
 public:
  explicit PushedCursor(tDataImageArk& db);
  ~PushedCursor();
  PushedCursor(const PushedCursor&) = delete;
  PushedCursor& operator=(const PushedCursor&) = delete;

 private:
  tDataImageArk& db_;
  Position position_;
  tDirection direction_;
  bool pushed_;
};

}  // namespace qn
