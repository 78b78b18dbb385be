#include "store/consistency_check.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "store/block_scan.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/position_set.h"
#include "store/record_reader.h"

namespace qn {

namespace {

std::string Num(int64_t v) { return std::to_string(v); }

// What a block is to the record that names it.
enum class Role : uint8_t { kRecord, kName, kLink, kNote, kData, kInherited, kValue };

const char* RoleName(Role role) {
  switch (role) {
    case Role::kRecord: return "pointer record";
    case Role::kName: return "name block";
    case Role::kLink: return "link block";
    case Role::kNote: return "note block";
    case Role::kData: return "data block";
    case Role::kInherited: return "inherited block";
    case Role::kValue: return "value block";
  }
  return "block";
}

// A block a reachable record names; `borrows` when the record shares a block another
// record owns.
struct Claim {
  Position block = 0;
  Position record = 0;
  Role role = Role::kRecord;
  bool borrows = false;
};

// Blocks that may be named by more than one record fall into families: records may share
// a name block, a shadow shares its original's data block (a register variable's data block is its
// value block), a data shadow shares the data block, and an inherited block is another
// record's data block. Pointer records, link blocks and note blocks belong to one record.
int Family(Role role) {
  switch (role) {
    case Role::kName: return 1;
    case Role::kData:
    case Role::kInherited: return 2;
    case Role::kValue: return 3;
    default: return 0;
  }
}

// True when a record of `origin` names the block in `role` as a borrower.
bool Borrows(Role role, int32_t origin) {
  switch (role) {
    case Role::kInherited: return true;
    // Any record may name another's name block: a shadow does, and so does a record the
    // user gave a copied name block in the pointer properties.
    case Role::kName: return true;
    case Role::kData:
    case Role::kValue: return origin == kOriginShadow || origin == kOriginDataShadow;
    default: return false;
  }
}

class Checker {
 public:
  explicit Checker(tDataImageArk& db) : db_(db), reader_(db) {}

  std::vector<ConsistencyFault> Run() {
    RecordImage header;
    if (!Raw(0, header.data(), kPointerRecordSize)) {
      Fault(0, "the file is shorter than its header record");
      return std::move(faults_);
    }
    if (RecordView(header).Size() != kPointerRecordSize)
      Fault(0, "header record has size " + Num(RecordView(header).Size()) + ", not 256");
    else if (!HasPointerSignature(header))
      Fault(0, "header record has no signature");

    // About two claims per record, a record and its name: room for them at once.
    claims_.reserve(size_t(std::min<int64_t>(reader_.RecordBound(), int64_t(1) << 24)));
    const Position first = RecordView(header).Down();
    if (first != 0) {
      RecordImage img;
      if (!Record(first, img)) {
        Fault(0, "down " + Num(first) + " " + WhyNot(first));
      } else {
        visited_.Insert(first);
        if (RecordView(img).Up() != 0)
          Fault(first, "is first of the top-level list but has up " + Num(RecordView(img).Up()));
        if (RecordView(img).Left() != 0)
          Fault(first,
                "is first of the top-level list but has left " + Num(RecordView(img).Left()));
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
    CheckBlocks();
    return std::move(faults_);
  }

  // The blocks a fault was reported for, ascending.
  std::vector<Position> FaultyBlocks() {
    std::sort(faultyBlocks_.begin(), faultyBlocks_.end());
    faultyBlocks_.erase(std::unique(faultyBlocks_.begin(), faultyBlocks_.end()), faultyBlocks_.end());
    return std::move(faultyBlocks_);
  }

 private:
  void Fault(Position p, std::string what) { faults_.push_back({p, std::move(what)}); }

  bool Raw(Position p, uint8_t* out, int32_t n) {
    return reader_.InFile(p, n) && reader_.ReadBytes(p, std::span<uint8_t>(out, size_t(n)));
  }

  bool Record(Position p, RecordImage& img) { return p > 0 && reader_.Image(p, img); }

  std::string WhyNot(Position p) {
    if (p < 0) return "is negative";
    if (!reader_.InFile(p, kPointerRecordSize)) return "lies outside the file";
    RecordImage img;
    Raw(p, img.data(), kPointerRecordSize);
    return "is not a record (size " + Num(RecordView(img).Size()) + ", Position " +
           Num(RecordView(img).OwnPosition()) + ")";
  }

  // `name` of p leads to `target`, whose `backName` must lead back to p.
  bool Link(Position p, const char* name, Position target, RecordLink back, const char* backName) {
    if (target == 0) return false;
    RecordImage t;
    if (!Record(target, t)) {
      Fault(p, std::string(name) + " " + Num(target) + " " + WhyNot(target));
      return false;
    }
    Position answer = RecordView(t).Link(back);
    if (answer != p)
      Fault(p, std::string(name) + " " + Num(target) + " has " + backName + " " + Num(answer));
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
    claims_.push_back({p, p, Role::kRecord, false});
    // The blocks of a deleted record are not compared: a restored copy may name them.
    auto claim = [&](bool whole, Position block, Role role) {
      if (whole && block > 0 && !r.IsDeleted())
        claims_.push_back({block, p, role, Borrows(role, r.origin)});
    };

    next_.clear();
    if (Link(p, "right", r.right, RecordLink::kLeft, "left")) Follow(p, "right", r.right);
    if (Link(p, "down", r.down, RecordLink::kUp, "up")) Follow(p, "down", r.down);
    Link(p, "up", r.up, RecordLink::kDown, "down");
    if (Link(p, "left", r.left, RecordLink::kRight, "right") && r.up != 0)
      Fault(p, "is first of a sub-list but has up " + Num(r.up));
    if (Link(p, "inward", r.inward, RecordLink::kOutward, "outward") |
        Link(p, "outward", r.outward, RecordLink::kInward, "inward"))
      chainMembers_.push_back(p);
    // The sub-list comes before the next record.
    for (auto it = next_.rbegin(); it != next_.rend(); ++it) pending_.push_back(*it);

    claim(NameLike(p, "name block", r.nameBlock), r.nameBlock, Role::kName);
    claim(NameLike(p, "link block", r.linkBlock), r.linkBlock, Role::kLink);
    const int32_t kind = r.kind & ~kKindDeleted;
    if (kind == kKindFileLink) {
      RecordImage target;
      if (r.dataBlock != 0 && !Record(r.dataBlock, target))
        Fault(p, "file link target " + Num(r.dataBlock) + " " + WhyNot(r.dataBlock));
    } else if (kind == kKindRegisterVariable) {
      // A register variable keeps its value in a block shaped like a name block.
      claim(NameLike(p, "value block", r.dataBlock), r.dataBlock, Role::kValue);
    } else {
      claim(DataLike(p, "data block", r.dataBlock), r.dataBlock, Role::kData);
    }
    if (r.inheritBlock != 0) {
      RecordImage record;
      if (!(Record(r.inheritBlock, record) && HasPointerSignature(record)))
        claim(DataLike(p, "inherited block", r.inheritBlock), r.inheritBlock, Role::kInherited);
    }
    if (r.noteBlock != 0) {
      uint8_t head[4];
      bool whole = false;
      if (!Raw(r.noteBlock, head, 4))
        Fault(p, "note block " + Num(r.noteBlock) + " lies outside the file");
      else if (BlockSizeOf(head) != uint32_t(kNoteBlockSize))
        BlockFault(p, r.noteBlock, "note block " + Num(r.noteBlock) + " has size " + Num(BlockSizeOf(head)));
      else if (!reader_.InFile(r.noteBlock, kNoteBlockSize))
        BlockFault(p, r.noteBlock, "note block " + Num(r.noteBlock) + " runs past the end of the file");
      else
        whole = true;
      claim(whole, r.noteBlock, Role::kNote);
    }
    RecordLike(p, "template", r.templatePos);
    RecordLike(p, "update source", r.updateFrom);
    RecordLike(p, "source record", r.sourceRecord);
    if (r.pictureBlock != 0) {
      uint8_t head[4];
      if (!Raw(r.pictureBlock, head, 4))
        Fault(p, "picture block " + Num(r.pictureBlock) + " lies outside the file");
      else if (BlockSizeOf(head) < 4 || !reader_.InFile(r.pictureBlock, BlockSizeOf(head)))
        Fault(p, "picture block " + Num(r.pictureBlock) + " has size " + Num(BlockSizeOf(head)));
    }
  }

  // A fault in the block itself: the chain of blocks may break there too, which then
  // needs no line of its own.
  void BlockFault(Position p, Position block, std::string what) {
    faultyBlocks_.push_back(block);
    Fault(p, std::move(what));
  }

  // True when the block is whole and of a plausible shape (or there is none).
  bool NameLike(Position p, const char* what, Position block) {
    if (block == 0) return true;
    std::array<uint8_t, kNameTextOffset> head;
    if (!Raw(block, head.data(), kNameTextOffset)) {
      Fault(p, std::string(what) + " " + Num(block) + " lies outside the file");
      return false;
    }
    uint32_t size = BlockSizeOf(head);
    if (size < uint32_t(kNameTextOffset) || size > uint32_t(kNameBlockSize))
      BlockFault(p, block, std::string(what) + " " + Num(block) + " has size " + Num(size));
    else if (!reader_.InFile(block, size))
      BlockFault(p, block, std::string(what) + " " + Num(block) + " runs past the end of the file");
    else if (head[kNameLengthOffset] > size - kNameTextOffset)
      BlockFault(p, block, std::string(what) + " " + Num(block) + " holds " +
                               Num(head[kNameLengthOffset]) + " characters in " + Num(size) + " bytes");
    else
      return true;
    return false;
  }

  bool DataLike(Position p, const char* what, Position block) {
    if (block == 0) return true;
    uint8_t head[4];
    if (!Raw(block, head, 4)) {
      Fault(p, std::string(what) + " " + Num(block) + " lies outside the file");
      return false;
    }
    uint32_t size = BlockSizeOf(head);
    if (size < uint32_t(kDataHeadSize))
      BlockFault(p, block, std::string(what) + " " + Num(block) + " has size " + Num(size));
    else if (!reader_.InFile(block, size))
      BlockFault(p, block, std::string(what) + " " + Num(block) + " of " + Num(size) +
                               " bytes runs past the end of the file");
    else
      return true;
    return false;
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
        p = RecordView(img).Outward();
      }
      // Everything this walk saw is settled.
      p = start;
      while (p > 0 && done.Insert(p) && Record(p, img)) p = RecordView(img).Outward();
    }
  }

  // The blocks the records name, compared with the file read as a chain of blocks: each
  // named block begins a block of the chain, no record's block is taken for another's,
  // and every pointer record of the chain that is not deleted is reached from the top.
  // The claims, sorted by block, are met in step with the walk, so nothing of the chain
  // is kept.
  void CheckBlocks() {
    // By block; a record's claim on its own block first, the rest in the order reached.
    // A list built in one go is reached in the order of the file: often nothing to sort.
    auto before = [](const Claim& a, const Claim& b) {
      if (a.block != b.block) return a.block < b.block;
      return a.role == Role::kRecord && b.role != Role::kRecord;
    };
    if (!std::is_sorted(claims_.begin(), claims_.end(), before))
      std::stable_sort(claims_.begin(), claims_.end(), before);
    size_t next = 0;
    auto groupEnd = [this](size_t i) {
      size_t j = i;
      while (j < claims_.size() && claims_[j].block == claims_[i].block) ++j;
      return j;
    };
    ChainBlock previous;
    // Claims below `limit` that met no block start lie inside the previous block.
    auto inside = [&](int64_t limit) {
      while (next < claims_.size() && claims_[next].block < limit) {
        const size_t j = groupEnd(next);
        Inside(previous, next, j);
        next = j;
      }
    };
    const ChainEnd end = WalkBlockChain(
        [this](int64_t position, uint8_t* out, size_t count) {
          return position <= std::numeric_limits<Position>::max() &&
                 count <= size_t(std::numeric_limits<int32_t>::max()) &&
                 Raw(Position(position), out, int32_t(count));
        },
        db_.FileSizeOf(),
        [&](const ChainBlock& block) {
          inside(block.position);
          if (next < claims_.size() && claims_[next].block == block.position) {
            const size_t j = groupEnd(next);
            CompareClaims(block, next, j);
            next = j;
          }
          if (block.record && block.position > 0 && (block.kind & kKindDeleted) == 0 &&
              !visited_.Contains(Position(block.position)))
            Fault(Position(block.position), "is not deleted, but no list reaches it");
          previous = block;
        });
    // Blocks past a break of the chain cannot be told apart: nothing is said of them.
    inside(end.end);
    if (!end.whole) ChainBreak(end);
  }

  void ChainBreak(const ChainEnd& chain) {
    // A block of a record already reported as damaged explains the break.
    if (std::find(faultyBlocks_.begin(), faultyBlocks_.end(), chain.end) != faultyBlocks_.end())
      return;
    const std::string at = "the chain of blocks breaks at " + Num(chain.end) + ": ";
    const int64_t rest = db_.FileSizeOf() - chain.end;
    if (rest < 4)
      Fault(0, at + Num(rest) + " bytes are left, too few for a block size");
    else if (chain.brokenSize < 4)
      Fault(0, at + "a block of " + Num(chain.brokenSize) + " bytes");
    else
      Fault(0, at + "a block of " + Num(chain.brokenSize) + " bytes runs past the end of the file");
  }

  // The claims [i, j) name a block that begins inside `holder`.
  void Inside(const ChainBlock& holder, size_t i, size_t j) {
    const std::string inside =
        "lies inside the block at " + Num(holder.position) + " (" + Num(holder.size) + " bytes)";
    for (size_t k = i; k < j; ++k) {
      const Claim& c = claims_[k];
      if (c.role == Role::kRecord)
        Fault(c.record, inside);
      else
        Fault(c.record, std::string(RoleName(c.role)) + " " + Num(c.block) + " " + inside);
    }
    faultyBlocks_.push_back(claims_[i].block);
  }

  // The claims [i, j) all name `block`, which begins there.
  void CompareClaims(const ChainBlock& block, size_t i, size_t j) {
    const Claim& first = claims_[i];
    // A pointer record that no reachable record is: its block is no one's name or data.
    // (An inherited block may be given as the record whose data block it means.)
    if (block.record && first.role != Role::kRecord) {
      for (size_t k = i; k < j; ++k) {
        const Claim& c = claims_[k];
        if (c.role != Role::kInherited)
          Fault(c.record, std::string(RoleName(c.role)) + " " + Num(c.block) + " is a pointer record");
      }
      faultyBlocks_.push_back(first.block);
      return;
    }
    // One owner per block; borrowers only where the block's family allows them.
    const Claim* owner = first.borrows ? nullptr : &first;
    for (size_t k = i + 1; k < j; ++k) {
      const Claim& c = claims_[k];
      const Claim* other = nullptr;
      if (Family(c.role) == 0 || Family(c.role) != Family(first.role)) {
        other = &first;
      } else if (!c.borrows) {
        if (owner)
          other = owner;
        else
          owner = &c;
      }
      if (!other) continue;
      faultyBlocks_.push_back(first.block);
      const std::string what = std::string(RoleName(c.role)) + " " + Num(c.block) + " is ";
      if (other->role == Role::kRecord)
        Fault(c.record, what + "the pointer record at " + Num(other->record));
      else
        Fault(c.record, what + "also the " + RoleName(other->role) + " of " + Num(other->record));
    }
  }

  tDataImageArk& db_;
  RecordReader reader_;
  std::vector<ConsistencyFault> faults_;
  PositionSet visited_;
  std::vector<Position> pending_;
  std::vector<Position> next_;
  std::vector<Position> chainMembers_;
  std::vector<Claim> claims_;
  std::vector<Position> faultyBlocks_;
};

}  // namespace

std::vector<ConsistencyFault> CheckConsistency(tDataImageArk& db, std::vector<Position>* faultyBlocks) {
  if (!db.dp) return {{0, "the database is not open"}};
  Checker checker(db);
  std::vector<ConsistencyFault> faults = checker.Run();
  if (faultyBlocks) *faultyBlocks = checker.FaultyBlocks();
  return faults;
}

std::string FormatFault(const ConsistencyFault& fault) {
  return std::to_string(fault.position) + ": " + fault.what;
}

}  // namespace qn
