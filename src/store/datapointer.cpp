#include "store/datapointer.h"

#include <algorithm>
#include <string>

#include "store/database.h"
#include "store/record_blocks.h"
#include "env/datetime_text.h"
#include "env/log.h"

namespace qn {

namespace {

void Verbose(const std::string& line) {
  if (VerboseLogging) WriteLog(line);
}

RecordImage NewRecordImage(Position at) {
  RecordImage n{};
  RecordEdit fields(n);
  fields.SetSize(kPointerRecordSize);
  fields.SetOwnPosition(at);
  fields.SetCreated(NowAsDateTime());
  return n;
}

}  // namespace

Datapointer::Datapointer(tDataImageArk& database) : database_(database) {}

// ---------------------------------------------------------------------------------------
// Reading and storing

bool Datapointer::InFile(int64_t position, int64_t count) {
  if (position < 0 || count < 0) return false;
  if (position + count <= knownSize_) return true;
  knownSize_ = database_.FileSizeOf();
  return position + count <= knownSize_;
}

int64_t Datapointer::Fit(int64_t position, int64_t count) {
  if (position < 0 || count <= 0) return 0;
  if (!InFile(position, count)) {
    if (position >= knownSize_) return 0;
    return knownSize_ - position;
  }
  return count;
}

int64_t Datapointer::RecordBound() {
  knownSize_ = std::max<int64_t>(knownSize_, database_.FileSizeOf());
  return knownSize_ / kPointerRecordSize + 1;
}

bool Datapointer::IsRecordAt(Position position) {
  RecordImage img;
  return ReadRecordAt(position, img);
}

bool Datapointer::ReadRecordAt(Position position, RecordImage& out) {
  if (position <= 0 || !InFile(position, kPointerRecordSize)) return false;
  RecordImage img;
  database_.SeekTo(position);
  if (database_.ReadBlock(img.data(), kPointerRecordSize) != 0) return false;
  if (!RecordView(img).IsRecordAt(position)) return false;
  out = img;
  return true;
}

int32_t Datapointer::Load(Position position) {
  // Position 0 is the file header record, laid out like a record whose own Position is 0.
  if (position < 0 || !InFile(position, kPointerRecordSize)) return -1;
  RecordImage img;
  database_.SeekTo(position);
  int32_t r = database_.ReadBlock(img.data(), kPointerRecordSize);
  if (r != 0) return r;
  if (!RecordView(img).IsRecordAt(position))
    return -1;  // not a record: storing it would write somewhere else
  current_ = img;
  return 0;
}

int32_t Datapointer::StoreImage(RecordImage& image) {
  Position p = RecordView(image).OwnPosition();
  if (p < 0 || !InFile(p, 0)) return -1;  // never leave a gap at the end of the file
  RecordEdit(image).SetSize(kPointerRecordSize);
  StampSignature(image);
  EngineState& engine = database_.Engine();
  if (engine.writeCache && engine.recordCachePosition == p && engine.recordCache == image)
    return 0;
  database_.SeekTo(p);
  RecordEdit(image).SetChanged(NowAsDateTime());
  int32_t r = database_.WriteBlock(image.data(), kPointerRecordSize);
  if (r == 0) {
    knownSize_ = std::max<int64_t>(knownSize_, int64_t(p) + kPointerRecordSize);
    // Only bytes that reached the file may let a later store be skipped.
    if (engine.writeCache) {
      engine.recordCachePosition = p;
      engine.recordCache = image;
    }
  }
  return 0;
}

int32_t Datapointer::Store() { return StoreImage(current_); }

bool Datapointer::IsDeleted() const { return (Kind() & kKindDeleted) != 0; }

Position Datapointer::CurrentPosition() const { return View().OwnPosition(); }

PointerRecord Datapointer::Record() const { return PointerRecord::Decode(current_); }

bool Datapointer::FollowPending() const { return autoFollow_ && Kind() == kKindGlobalPointer; }

template <typename Change>
bool Datapointer::Patch(Position p, Change change) {
  RecordImage img;
  if (!ReadRecordAt(p, img)) return false;
  change(img);
  StoreImage(img);
  return true;
}

Position Datapointer::TopLevelFirst() {
  if (!InFile(0, kPointerRecordSize)) return 0;
  RecordImage header;
  database_.SeekTo(0);
  if (database_.ReadBlock(header.data(), kPointerRecordSize) != 0) return 0;
  return RecordView(header).Down();
}

void Datapointer::SetTopLevelFirst(Position first) {
  if (!InFile(0, kPointerRecordSize)) return;
  RecordImage header;
  database_.SeekTo(0);
  if (database_.ReadBlock(header.data(), kPointerRecordSize) != 0) return;
  if (RecordView(header).Down() == first) return;
  RecordEdit(header).SetOwnPosition(0);
  RecordEdit(header).SetDown(first);
  StoreImage(header);
  if (CurrentPosition() == 0) RecordEdit(current_).SetDown(first);
}

Position Datapointer::LastOfList(Position first) {
  RecordImage img;
  if (!ReadRecordAt(first, img)) return 0;
  Position last = first;
  for (int64_t steps = RecordBound(); steps > 0; --steps) {
    Position next = RecordView(img).Down();
    if (next <= 0 || next == last || !ReadRecordAt(next, img)) break;
    last = next;
  }
  return last;
}

bool Datapointer::IsAncestorOrAbove(Position target, Position from) {
  RecordImage img;
  Position p = from;
  for (int64_t steps = RecordBound(); p > 0 && steps > 0; --steps) {
    if (p == target) return true;
    if (!ReadRecordAt(p, img)) return false;
    Position up = RecordView(img).Up();
    p = up > 0 ? up : RecordView(img).Left();
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Walks

int32_t Datapointer::Walk(RecordLink link, tDirection direction, const char* missingLine) {
  lastDirection_ = direction;
  Position target = View().Link(link);
  if (target == 0) {
    if (missingLine) Verbose(std::string(missingLine) + std::to_string(CurrentPosition()));
    return -1;
  }
  RecordImage img;
  if (!ReadRecordAt(target, img)) {
    WriteLog("QUILLAPI: damaged pointer from pos " + std::to_string(CurrentPosition()) + " to " +
             std::to_string(target));
    return -1;
  }
  current_ = img;
  return 0;
}

int32_t Datapointer::GoUp() {
  return Walk(RecordLink::kUp, DirUp, "QUILLAPI: There is no pointer up from pos ");
}
int32_t Datapointer::GoDown() {
  return Walk(RecordLink::kDown, DirDown, "QUILLAPI: There is no pointer down from pos ");
}
int32_t Datapointer::GoLeft() {
  return Walk(RecordLink::kLeft, DirLeft, "QUILLAPI: There is no pointer left from pos ");
}
int32_t Datapointer::GoRight() {
  return Walk(RecordLink::kRight, DirRight, "QUILLAPI: There is no pointer right from pos ");
}
int32_t Datapointer::GoInward() { return Walk(RecordLink::kInward, dirIn, nullptr); }
int32_t Datapointer::GoOutward() { return Walk(RecordLink::kOutward, DirOut, nullptr); }

int32_t Datapointer::GoFirst() {
  int32_t result = -1;
  bool moved = false;
  for (int64_t steps = RecordBound(); Up() > 0 && Up() != CurrentPosition() && steps > 0; --steps) {
    result = GoUp();
    if (result != 0) break;
    moved = true;
  }
  lastDirection_ = DirDown;
  // A block start of 0 is no block: the file header record never begins one.
  inBlock_ = blockStart_ > 0 && CurrentPosition() == blockStart_;
  return moved ? result : -1;
}

int32_t Datapointer::GoLast() {
  int32_t result = -1;
  bool moved = false;
  for (int64_t steps = RecordBound(); Down() > 0 && Down() != CurrentPosition() && steps > 0;
       --steps) {
    result = GoDown();
    if (result != 0) break;
    moved = true;
  }
  lastDirection_ = DirUp;
  return moved ? result : -1;
}

int32_t Datapointer::GoToIndex(int32_t n) {
  GoFirst();
  int32_t visited = 1;
  for (int64_t steps = RecordBound(); Down() > 0 && visited < n && steps > 0; --steps) {
    if (blockEnd_ > 0 && CurrentPosition() == blockEnd_) inBlock_ = false;
    if (GoDown() != 0) break;
    ++visited;
    if (blockStart_ > 0 && CurrentPosition() == blockStart_) inBlock_ = true;
  }
  lastDirection_ = DirDown;
  return n >= 1 && visited == n ? 0 : -1;
}

// ---------------------------------------------------------------------------------------
// Creating records. The cursor's last direction is left as it was, so a run of new
// records goes on in the same direction.

int32_t Datapointer::NewDown() {
  Position p = CurrentPosition();
  Position d = Down();
  Position a = database_.Allocate();
  if (a <= 0) return -1;  // the file cannot take another block: no link may name it
  SetDown(a);
  Store();
  current_ = NewRecordImage(a);
  SetUp(p);
  SetDown(d);
  Store();
  if (d > 0) Patch(d, [a](RecordImage& img) { RecordEdit(img).SetUp(a); });
  Verbose("QUILLAPI: Datapointer.NewDown pos: " + std::to_string(a));
  return 0;
}

int32_t Datapointer::NewRight() {
  Position p = CurrentPosition();
  if (p <= 0) return -1;  // the file header record has no sub-list
  Position r = Right();
  Position a = database_.Allocate();
  if (a <= 0) return -1;
  SetRight(a);
  Store();
  current_ = NewRecordImage(a);
  SetLeft(p);
  SetRight(r);
  Store();
  if (r > 0) Patch(r, [a](RecordImage& img) { RecordEdit(img).SetLeft(a); });
  return 0;
}

int32_t Datapointer::NewLeft() {
  // The new record takes the current record's place; the current record and the records
  // below it become the new record's sub-list.
  Position p = CurrentPosition();
  if (p <= 0) return -1;
  Position l = Left();
  Position u = Up();
  bool topFirst = l == 0 && u == 0 && TopLevelFirst() == p;
  if (l == 0 && u == 0 && !topFirst) return -1;  // in no list: nothing to stand in for
  Position a = database_.Allocate();
  if (a <= 0) return -1;
  SetLeft(a);
  SetUp(0);
  Store();
  current_ = NewRecordImage(a);
  SetRight(p);
  SetLeft(l);
  SetUp(u);
  Store();
  if (l > 0) Patch(l, [a](RecordImage& img) { RecordEdit(img).SetRight(a); });
  if (u > 0) Patch(u, [a](RecordImage& img) { RecordEdit(img).SetDown(a); });
  if (topFirst) SetTopLevelFirst(a);
  return 0;
}

int32_t Datapointer::NewInDirection() {
  switch (lastDirection_) {
    case DirDown: return NewDown();
    case DirLeft: return NewLeft();
    case DirRight: return NewRight();
    default: return -1;
  }
}

// ---------------------------------------------------------------------------------------
// Delete, move, link

int32_t Datapointer::Delete() {
  Position x = CurrentPosition();
  if (x <= 0) return -1;  // the file header record is never deleted
  Verbose("QUILLAPI: Datapointer.Delete pos: " + std::to_string(x));
  SetKind(Kind() | kKindDeleted);
  Store();
  lastDeleted_ = x;
  const Position u = Up(), d = Down(), l = Left(), r = Right();
  const Position in = Inward(), out = Outward();
  const bool topFirst = u == 0 && l == 0 && TopLevelFirst() == x;

  if (in > 0) Patch(in, [out](RecordImage& img) { RecordEdit(img).SetOutward(out); });
  if (out > 0) Patch(out, [in](RecordImage& img) { RecordEdit(img).SetInward(in); });

  // The next record takes the deleted record's place in its list; without one, the
  // deleted record's sub-list takes it.
  const Position successor = d > 0 ? d : r;
  if (l > 0) Patch(l, [successor](RecordImage& img) { RecordEdit(img).SetRight(successor); });
  if (r > 0) {
    if (d > 0) {
      // The next record adopts the sub-list; a sub-list of its own continues below it.
      RecordImage next;
      Position own = ReadRecordAt(d, next) ? RecordView(next).Right() : 0;
      if (own > 0 && own != r) {
        Position last = LastOfList(r);
        if (last > 0) {
          Patch(last, [own](RecordImage& img) { RecordEdit(img).SetDown(own); });
          Patch(own, [last](RecordImage& img) {
            RecordEdit(img).SetUp(last);
            RecordEdit(img).SetLeft(0);
          });
        }
      }
      Patch(r, [d](RecordImage& img) { RecordEdit(img).SetLeft(d); });
    } else {
      Patch(r, [l, u](RecordImage& img) {
        RecordEdit(img).SetLeft(l);
        RecordEdit(img).SetUp(u);
      });
    }
  }
  if (u > 0) Patch(u, [successor](RecordImage& img) { RecordEdit(img).SetDown(successor); });
  if (d > 0)
    Patch(d, [u, l, r](RecordImage& img) {
      RecordEdit(img).SetUp(u);
      if (l > 0) RecordEdit(img).SetLeft(l);
      if (r > 0) RecordEdit(img).SetRight(r);
    });
  // A deleted record is never left at the head of the file.
  if (topFirst) SetTopLevelFirst(successor);

  // The cursor ends where the relinking last looked: the next record, else the previous
  // one, the sub-list, the parent, the chain neighbours, else the deleted record itself.
  for (Position p : {d, u, r, l, out, in})
    if (p > 0 && Load(p) == 0) return 0;
  Load(x);
  return 0;
}

int32_t Datapointer::MoveDown() {
  const Position p = CurrentPosition();
  const Position d = Down();
  if (p <= 0 || d <= 0 || d == p) return -1;
  RecordImage below;
  if (!ReadRecordAt(d, below)) return -1;
  const Position a = Left() > 0 && Up() == 0 ? Left() : 0;  // p is first of a sub-list
  const Position u = Up();
  const bool topFirst = u == 0 && a == 0 && TopLevelFirst() == p;
  const Position e = RecordView(below).Down();

  RecordEdit(below).SetDown(p);
  RecordEdit(below).SetUp(u);
  if (a > 0) RecordEdit(below).SetLeft(a);
  StoreImage(below);
  if (u > 0) Patch(u, [d](RecordImage& img) { RecordEdit(img).SetDown(d); });
  if (e > 0 && e != p) Patch(e, [p](RecordImage& img) { RecordEdit(img).SetUp(p); });
  ReadRecordAt(p, current_);
  SetDown(e == p ? 0 : e);
  SetUp(d);
  if (a > 0) SetLeft(0);
  Store();
  if (a > 0) Patch(a, [d](RecordImage& img) { RecordEdit(img).SetRight(d); });
  if (topFirst) SetTopLevelFirst(d);
  return p;
}

int32_t Datapointer::LinkRight(Position a, Position b) {
  if (a == 0 && b == 0) return -1;
  if (a == 0) a = CurrentPosition();
  if (b == 0) b = CurrentPosition();
  if (a <= 0 || b <= 0 || a == b) return -1;
  RecordImage parent;
  if (!ReadRecordAt(a, parent) || !IsRecordAt(b)) return -1;
  // Refused when the parent's own sub-list would be cut off, or when b's list leads back
  // to the parent (the tree would never end).
  Position own = RecordView(parent).Right();
  if (own > 0 && own != b) return -1;
  if (IsAncestorOrAbove(b, a)) return -1;
  Patch(a, [b](RecordImage& img) { RecordEdit(img).SetRight(b); });
  Patch(b, [a](RecordImage& img) { RecordEdit(img).SetLeft(a); });
  Load(b);
  return GoLeft();
}

// ---------------------------------------------------------------------------------------
// Shadows and data links

int32_t Datapointer::Remember() {
  remembered_ = current_;
  hasRemembered_ = true;
  return 0;
}

int32_t Datapointer::PasteShadow() {
  if (!hasRemembered_) return -1;
  const RecordImage source = remembered_;
  if (NewDown() != 0) return -1;
  const RecordView from(source);
  SetDataBlock(from.DataBlock());
  SetUpdateFromField(from.UpdateFrom());
  SetDataOffset(from.DataOffset());
  SetInheritBlockField(from.InheritBlock());
  SetTemplatePos(from.TemplatePos());
  SetNameBlock(from.NameBlock());
  SetKind(from.LiveKind());
  SetOrigin(kOriginShadow);
  Store();
  return 0;
}

int32_t Datapointer::RestoreSource(Position position) {
  RecordImage source;
  if (!ReadRecordAt(position, source) || RecordView(source).DataBlock() == 0) return -1;
  if (NewDown() != 0) return -1;
  SetTemplatePos(RecordView(source).TemplatePos());
  SetDataBlock(RecordView(source).DataBlock());
  SetNameBlock(RecordView(source).NameBlock());
  SetKind(RecordView(source).LiveKind());
  Store();
  return position;
}

int32_t Datapointer::SetInheritBlock(Position position) {
  if (DataBlock() == 0 || position < 0) return -1;
  // The field holds the data block whose payload comes first, so the marked record is
  // turned into its data block here; 0 ends the inheritance.
  Position block = 0;
  if (position > 0) {
    RecordImage marked;
    if (!ReadRecordAt(position, marked)) return -1;
    block = RecordView(marked).DataBlock();
    if (block <= 0) return -1;
  }
  SetInheritBlockField(block);
  Store();
  return position;
}

int32_t Datapointer::SetUpdateFrom(Position position) {
  if (DataBlock() == 0) return -1;
  SetUpdateFromField(position);
  Store();
  return position;
}

int32_t Datapointer::AddFileLink(std::string_view name) {
  const Position p = CurrentPosition();
  std::string text = name.empty() ? ReadName(database_) : std::string(name);
  if (ScanForString(database_, "Filelinks", true) < 0) return -1;
  if (GoRight() == 0) {
    if (Down() > 0) GoDown();
    AddNamed(database_, DirDown, text);
  } else {
    AddNamed(database_, DirRight, text);  // the first entry starts the list
  }
  SetKind(kKindFileLink);
  SetDataBlock(p);
  Store();
  Load(p);
  return p;
}

}  // namespace qn
