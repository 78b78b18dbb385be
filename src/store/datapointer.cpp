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
  PutU32(n, kSizeOffset, kPointerRecordSize);
  PutI32(n, kPositionOffset, at);
  PutF64(n, kCreatedOffset, NowAsDateTime());
  return n;
}

int32_t WithoutDeletedBit(int32_t kind) { return kind & ~kKindDeleted; }

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
  if (GetU32(img, kSizeOffset) != kPointerRecordSize || GetI32(img, kPositionOffset) != position)
    return false;
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
  if (GetU32(img, kSizeOffset) != kPointerRecordSize || GetI32(img, kPositionOffset) != position)
    return -1;  // not a record: storing it would write somewhere else
  current_ = img;
  return 0;
}

int32_t Datapointer::StoreImage(RecordImage& image) {
  Position p = GetI32(image, kPositionOffset);
  if (p < 0 || !InFile(p, 0)) return -1;  // never leave a gap at the end of the file
  PutU32(image, kSizeOffset, kPointerRecordSize);
  StampSignature(image);
  EngineState& engine = Engine();
  if (engine.writeCache && engine.recordCachePosition == p && engine.recordCache == image)
    return 0;
  database_.SeekTo(p);
  PutF64(image, kChangedOffset, NowAsDateTime());
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

Position Datapointer::CurrentPosition() const { return Field(kPositionOffset); }

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
  return GetI32(header, kDownOffset);
}

void Datapointer::SetTopLevelFirst(Position first) {
  if (!InFile(0, kPointerRecordSize)) return;
  RecordImage header;
  database_.SeekTo(0);
  if (database_.ReadBlock(header.data(), kPointerRecordSize) != 0) return;
  if (GetI32(header, kDownOffset) == first) return;
  PutI32(header, kPositionOffset, 0);
  PutI32(header, kDownOffset, first);
  StoreImage(header);
  if (CurrentPosition() == 0) PutI32(current_, kDownOffset, first);
}

Position Datapointer::LastOfList(Position first) {
  RecordImage img;
  if (!ReadRecordAt(first, img)) return 0;
  Position last = first;
  for (int64_t steps = RecordBound(); steps > 0; --steps) {
    Position next = GetI32(img, kDownOffset);
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
    Position up = GetI32(img, kUpOffset);
    p = up > 0 ? up : GetI32(img, kLeftOffset);
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Walks

int32_t Datapointer::Walk(int pointerOffset, tDirection direction, const char* missingLine) {
  lastDirection_ = direction;
  Position target = Field(pointerOffset);
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
  return Walk(kUpOffset, DirUp, "QUILLAPI: There is no pointer up from pos ");
}
int32_t Datapointer::GoDown() {
  return Walk(kDownOffset, DirDown, "QUILLAPI: There is no pointer down from pos ");
}
int32_t Datapointer::GoLeft() {
  return Walk(kLeftOffset, DirLeft, "QUILLAPI: There is no pointer left from pos ");
}
int32_t Datapointer::GoRight() {
  return Walk(kRightOffset, DirRight, "QUILLAPI: There is no pointer right from pos ");
}
int32_t Datapointer::GoInward() { return Walk(kInwardOffset, dirIn, nullptr); }
int32_t Datapointer::GoOutward() { return Walk(kOutwardOffset, DirOut, nullptr); }

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
  if (d > 0) Patch(d, [a](RecordImage& img) { PutI32(img, kUpOffset, a); });
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
  if (r > 0) Patch(r, [a](RecordImage& img) { PutI32(img, kLeftOffset, a); });
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
  if (l > 0) Patch(l, [a](RecordImage& img) { PutI32(img, kRightOffset, a); });
  if (u > 0) Patch(u, [a](RecordImage& img) { PutI32(img, kDownOffset, a); });
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

  if (in > 0) Patch(in, [out](RecordImage& img) { PutI32(img, kOutwardOffset, out); });
  if (out > 0) Patch(out, [in](RecordImage& img) { PutI32(img, kInwardOffset, in); });

  // The next record takes the deleted record's place in its list; without one, the
  // deleted record's sub-list takes it.
  const Position successor = d > 0 ? d : r;
  if (l > 0) Patch(l, [successor](RecordImage& img) { PutI32(img, kRightOffset, successor); });
  if (r > 0) {
    if (d > 0) {
      // The next record adopts the sub-list; a sub-list of its own continues below it.
      RecordImage next;
      Position own = ReadRecordAt(d, next) ? GetI32(next, kRightOffset) : 0;
      if (own > 0 && own != r) {
        Position last = LastOfList(r);
        if (last > 0) {
          Patch(last, [own](RecordImage& img) { PutI32(img, kDownOffset, own); });
          Patch(own, [last](RecordImage& img) {
            PutI32(img, kUpOffset, last);
            PutI32(img, kLeftOffset, 0);
          });
        }
      }
      Patch(r, [d](RecordImage& img) { PutI32(img, kLeftOffset, d); });
    } else {
      Patch(r, [l, u](RecordImage& img) {
        PutI32(img, kLeftOffset, l);
        PutI32(img, kUpOffset, u);
      });
    }
  }
  if (u > 0) Patch(u, [successor](RecordImage& img) { PutI32(img, kDownOffset, successor); });
  if (d > 0)
    Patch(d, [u, l, r](RecordImage& img) {
      PutI32(img, kUpOffset, u);
      if (l > 0) PutI32(img, kLeftOffset, l);
      if (r > 0) PutI32(img, kRightOffset, r);
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
  const Position e = GetI32(below, kDownOffset);

  PutI32(below, kDownOffset, p);
  PutI32(below, kUpOffset, u);
  if (a > 0) PutI32(below, kLeftOffset, a);
  StoreImage(below);
  if (u > 0) Patch(u, [d](RecordImage& img) { PutI32(img, kDownOffset, d); });
  if (e > 0 && e != p) Patch(e, [p](RecordImage& img) { PutI32(img, kUpOffset, p); });
  ReadRecordAt(p, current_);
  SetDown(e == p ? 0 : e);
  SetUp(d);
  if (a > 0) SetLeft(0);
  Store();
  if (a > 0) Patch(a, [d](RecordImage& img) { PutI32(img, kRightOffset, d); });
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
  Position own = GetI32(parent, kRightOffset);
  if (own > 0 && own != b) return -1;
  if (IsAncestorOrAbove(b, a)) return -1;
  Patch(a, [b](RecordImage& img) { PutI32(img, kRightOffset, b); });
  Patch(b, [a](RecordImage& img) { PutI32(img, kLeftOffset, a); });
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
  for (int offset : {kDataBlockOffset, kUpdateFromOffset, kDataOffsetOffset, kInheritBlockOffset,
                     kTemplatePosOffset, kNameBlockOffset})
    SetField(offset, GetI32(source, offset));
  SetKind(WithoutDeletedBit(GetI32(source, kKindOffset)));
  SetOrigin(kOriginShadow);
  Store();
  return 0;
}

int32_t Datapointer::RestoreSource(Position position) {
  RecordImage source;
  if (!ReadRecordAt(position, source) || GetI32(source, kDataBlockOffset) == 0) return -1;
  if (NewDown() != 0) return -1;
  SetTemplatePos(GetI32(source, kTemplatePosOffset));
  SetDataBlock(GetI32(source, kDataBlockOffset));
  SetNameBlock(GetI32(source, kNameBlockOffset));
  SetKind(WithoutDeletedBit(GetI32(source, kKindOffset)));
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
    block = GetI32(marked, kDataBlockOffset);
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
