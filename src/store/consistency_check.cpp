#include "store/consistency_check.h"

#include <array>
#include <utility>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/position_set.h"

namespace qn {

namespace {

std::string Num(int64_t v) { return std::to_string(v); }

class Checker {
 public:
  explicit Checker(tDataImageArk& db) : db_(db), dp_(*db.dp) {}

  std::vector<ConsistencyFault> Run() {
    RecordImage header;
    if (!Raw(0, header.data(), kPointerRecordSize)) {
      Fault(0, "the file is shorter than its header record");
      return std::move(faults_);
    }
    if (GetU32(header, kSizeOffset) != kPointerRecordSize)
      Fault(0, "header record has size " + Num(GetU32(header, kSizeOffset)) + ", not 256");
    else if (!HasPointerSignature(header))
      Fault(0, "header record has no signature");

    const Position first = GetI32(header, kDownOffset);
    if (first != 0) {
      RecordImage img;
      if (!Record(first, img)) {
        Fault(0, "down " + Num(first) + " " + WhyNot(first));
      } else {
        visited_.Insert(first);
        if (GetI32(img, kUpOffset) != 0)
          Fault(first, "is first of the top-level list but has up " + Num(GetI32(img, kUpOffset)));
        if (GetI32(img, kLeftOffset) != 0)
          Fault(first,
                "is first of the top-level list but has left " + Num(GetI32(img, kLeftOffset)));
        pending_.push_back(first);
      }
    }
    while (!pending_.empty()) {
      Position p = pending_.back();
      pending_.pop_back();
      RecordImage img;
      if (Record(p, img)) Examine(p, img);
    }
    CheckChains();
    return std::move(faults_);
  }

 private:
  void Fault(Position p, std::string what) { faults_.push_back({p, std::move(what)}); }

  bool Raw(Position p, uint8_t* out, int32_t n) {
    if (!dp_.InFile(p, n)) return false;
    db_.SeekTo(p);
    return db_.ReadBlock(out, n) == 0;
  }

  bool Record(Position p, RecordImage& img) { return dp_.ReadRecordAt(p, img); }

  std::string WhyNot(Position p) {
    if (p < 0) return "is negative";
    if (!dp_.InFile(p, kPointerRecordSize)) return "lies outside the file";
    RecordImage img;
    Raw(p, img.data(), kPointerRecordSize);
    return "is not a record (size " + Num(GetU32(img, kSizeOffset)) + ", Position " +
           Num(GetI32(img, kPositionOffset)) + ")";
  }

  // `name` of p leads to `target`, whose `backName` must lead back to p.
  bool Link(Position p, const char* name, Position target, int backOffset, const char* backName) {
    if (target == 0) return false;
    RecordImage t;
    if (!Record(target, t)) {
      Fault(p, std::string(name) + " " + Num(target) + " " + WhyNot(target));
      return false;
    }
    Position back = GetI32(t, backOffset);
    if (back != p)
      Fault(p, std::string(name) + " " + Num(target) + " has " + backName + " " + Num(back));
    return true;
  }

  // A record the walk goes on to: each is examined once.
  void Follow(Position p, const char* name, Position target) {
    if (visited_.Insert(target))
      next_.push_back(target);
    else
      Fault(p, std::string(name) + " " + Num(target) + " leads to a record already reached");
  }

  void Examine(Position p, const RecordImage& img) {
    const PointerRecord r = PointerRecord::Decode(img);
    if (!HasPointerSignature(img)) Fault(p, "has no signature");
    if (r.IsDeleted()) Fault(p, "is deleted but still linked");

    next_.clear();
    if (Link(p, "right", r.right, kLeftOffset, "left")) Follow(p, "right", r.right);
    if (Link(p, "down", r.down, kUpOffset, "up")) Follow(p, "down", r.down);
    Link(p, "up", r.up, kDownOffset, "down");
    if (Link(p, "left", r.left, kRightOffset, "right") && r.up != 0)
      Fault(p, "is first of a sub-list but has up " + Num(r.up));
    if (Link(p, "inward", r.inward, kOutwardOffset, "outward") |
        Link(p, "outward", r.outward, kInwardOffset, "inward"))
      chainMembers_.push_back(p);
    // The sub-list comes before the next record.
    for (auto it = next_.rbegin(); it != next_.rend(); ++it) pending_.push_back(*it);

    NameLike(p, "name block", r.nameBlock);
    NameLike(p, "link block", r.linkBlock);
    if ((r.kind & ~kKindDeleted) == kKindFileLink) {
      RecordImage target;
      if (r.dataBlock != 0 && !Record(r.dataBlock, target))
        Fault(p, "file link target " + Num(r.dataBlock) + " " + WhyNot(r.dataBlock));
    } else {
      DataLike(p, "data block", r.dataBlock);
    }
    if (r.inheritBlock != 0) {
      RecordImage record;
      if (!(Record(r.inheritBlock, record) && HasPointerSignature(record)))
        DataLike(p, "inherited block", r.inheritBlock);
    }
    if (r.noteBlock != 0) {
      uint8_t head[4];
      if (!Raw(r.noteBlock, head, 4))
        Fault(p, "note block " + Num(r.noteBlock) + " lies outside the file");
      else if (GetU32(head, 0) != uint32_t(kNoteBlockSize))
        Fault(p, "note block " + Num(r.noteBlock) + " has size " + Num(GetU32(head, 0)));
      else if (!dp_.InFile(r.noteBlock, kNoteBlockSize))
        Fault(p, "note block " + Num(r.noteBlock) + " runs past the end of the file");
    }
    RecordLike(p, "template", r.templatePos);
    RecordLike(p, "update source", r.updateFrom);
    RecordLike(p, "source record", r.sourceRecord);
    if (r.pictureBlock != 0) {
      uint8_t head[4];
      if (!Raw(r.pictureBlock, head, 4))
        Fault(p, "picture block " + Num(r.pictureBlock) + " lies outside the file");
      else if (GetU32(head, 0) < 4 || !dp_.InFile(r.pictureBlock, GetU32(head, 0)))
        Fault(p, "picture block " + Num(r.pictureBlock) + " has size " + Num(GetU32(head, 0)));
    }
  }

  void NameLike(Position p, const char* what, Position block) {
    if (block == 0) return;
    std::array<uint8_t, kNameTextOffset> head;
    if (!Raw(block, head.data(), kNameTextOffset)) {
      Fault(p, std::string(what) + " " + Num(block) + " lies outside the file");
      return;
    }
    uint32_t size = GetU32(head, 0);
    if (size < uint32_t(kNameTextOffset) || size > uint32_t(kNameBlockSize))
      Fault(p, std::string(what) + " " + Num(block) + " has size " + Num(size));
    else if (!dp_.InFile(block, size))
      Fault(p, std::string(what) + " " + Num(block) + " runs past the end of the file");
    else if (head[kNameLengthOffset] > size - kNameTextOffset)
      Fault(p, std::string(what) + " " + Num(block) + " holds " + Num(head[kNameLengthOffset]) +
                   " characters in " + Num(size) + " bytes");
  }

  void DataLike(Position p, const char* what, Position block) {
    if (block == 0) return;
    uint8_t head[4];
    if (!Raw(block, head, 4)) {
      Fault(p, std::string(what) + " " + Num(block) + " lies outside the file");
      return;
    }
    uint32_t size = GetU32(head, 0);
    if (size < uint32_t(kDataHeadSize))
      Fault(p, std::string(what) + " " + Num(block) + " has size " + Num(size));
    else if (!dp_.InFile(block, size))
      Fault(p, std::string(what) + " " + Num(block) + " of " + Num(size) +
                   " bytes runs past the end of the file");
  }

  void RecordLike(Position p, const char* what, Position target) {
    RecordImage img;
    if (target != 0 && !Record(target, img))
      Fault(p, std::string(what) + " " + Num(target) + " " + WhyNot(target));
  }

  // The inward/outward chain: walked outward from each member, each record once.
  void CheckChains() {
    PositionSet done;
    for (Position start : chainMembers_) {
      if (done.Contains(start)) continue;
      PositionSet walk;
      Position p = start;
      RecordImage img;
      while (p > 0 && !done.Contains(p)) {
        if (!walk.Insert(p)) {
          Fault(p, "the inward/outward chain runs in a cycle");
          break;
        }
        if (!Record(p, img)) break;
        p = GetI32(img, kOutwardOffset);
      }
      // Everything this walk saw is settled.
      p = start;
      while (p > 0 && done.Insert(p) && Record(p, img)) p = GetI32(img, kOutwardOffset);
    }
  }

  tDataImageArk& db_;
  Datapointer& dp_;
  std::vector<ConsistencyFault> faults_;
  PositionSet visited_;
  std::vector<Position> pending_;
  std::vector<Position> next_;
  std::vector<Position> chainMembers_;
};

}  // namespace

std::vector<ConsistencyFault> CheckConsistency(tDataImageArk& db) {
  if (!db.dp) return {{0, "the database is not open"}};
  return Checker(db).Run();
}

std::string FormatFault(const ConsistencyFault& fault) {
  return std::to_string(fault.position) + ": " + fault.what;
}

}  // namespace qn
