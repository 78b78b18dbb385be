#include "commands/repair.h"

#include <limits>
#include <memory>
#include <unordered_map>
#include <utility>

#include "store/block_scan.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/position_set.h"
#include "store/record_blocks.h"
#include "store/safe_copy.h"
#include "env/datetime_text.h"

namespace qn {

namespace {

std::string Num(int64_t v) { return std::to_string(v); }

// The links the repair may change; every other byte of a record stays as it is.
constexpr RecordLink kLinks[] = {RecordLink::kUp,    RecordLink::kDown,   RecordLink::kLeft,
                                RecordLink::kRight, RecordLink::kInward, RecordLink::kOutward};

class Repairer {
 public:
  Repairer(tDataImageArk& db, double stamp) : db_(db), dp_(*db.dp), stamp_(stamp) {}

  LinkRepairResult Run() {
    bound_ = dp_.RecordBound();
    RecordImage header;
    if (!Raw(0, header.data(), kPointerRecordSize)) return std::move(result_);
    // The tree as the forward links from the top make it.
    const Position first = Resolve(0, "down", RecordView(header).Down());
    if (first != RecordView(header).Down()) dp_.SetTopLevelFirst(first);
    if (first > 0) {
      Mark(first);
      PlaceList(first, 0, 0);
    }
    FindUnreached();
    RepairChains(0);
    WriteFrom(0);
    if (!unreached_.empty()) PlaceFound();
    dp_.Load(0);
    return std::move(result_);
  }

 private:
  void Note(Position p, std::string what) { result_.changes.push_back({p, std::move(what)}); }

  bool Raw(Position p, uint8_t* out, int64_t n) {
    if (!dp_.InFile(p, n)) return false;
    db_.SeekTo(p);
    return db_.ReadBlock(out, int32_t(n)) == 0;
  }

  // A pointer record as the block walk sees one: whole, its own Position, the signature.
  bool ReadPointerRecord(Position p, RecordImage& img) {
    return dp_.ReadRecordAt(p, img) && HasPointerSignature(img);
  }

  // Where the link `name` of `from` (0: the file header) leads once repaired: `target`
  // itself, the first record not deleted along the `down` links of deleted records, or 0
  // when it leads nowhere (the cut is noted).
  Position Resolve(Position from, const std::string& name, Position target) {
    if (target == 0) return 0;
    const std::string link = name + " " + Num(target);
    PositionSet deleted;
    Position t = target;
    while (t != 0) {
      RecordImage img;
      if (t < 0 || !dp_.InFile(t, kPointerRecordSize)) {
        Note(from, link + (t == target ? "" : " led past deleted records to " + Num(t) + ", which") +
                       " lies outside the file: cut");
        return 0;
      }
      if (!ReadPointerRecord(t, img)) {
        cutOff_.push_back(t);
        Note(from, link + (t == target ? "" : " led past deleted records to " + Num(t) + ", which") +
                       " is not a pointer record: cut");
        return 0;
      }
      if (placed_.Contains(t)) {
        Note(from, link + (t == target ? "" : " led past deleted records to " + Num(t) + ", which") +
                       " leads to a record already reached: cut");
        return 0;
      }
      if (!RecordView(img).IsDeleted()) {
        if (t != target) Note(from, link + " is a deleted record: now " + name + " " + Num(t));
        return t;
      }
      if (!deleted.Insert(t) || int64_t(deleted.size()) > bound_) break;
      t = RecordView(img).Down();
    }
    Note(from, link + " is a deleted record with nothing after it: cut");
    return 0;
  }

  // Takes `p` into the tree; its image is kept until it is written.
  void Mark(Position p) {
    placed_.Insert(p);
    RecordImage img;
    dp_.ReadRecordAt(p, img);
    images_.emplace(p, Entry{img, img});
    order_.push_back(p);
  }

  void SetLink(Position p, RecordImage& img, RecordLink link, const char* name, Position value) {
    const Position old = RecordView(img).Link(link);
    if (old == value) return;
    RecordEdit(img).SetLink(link, value);
    Note(p, std::string(name) + " " + Num(old) + " is now " + Num(value));
  }

  // Lays out the list that starts at the marked record `first`, hanging below `up` or
  // from `left`, with every sub-list on the way. Returns the list's last record.
  Position PlaceList(Position first, Position up, Position left) {
    struct Work {
      Position first, up, left;
    };
    std::vector<Work> work{{first, up, left}};
    Position tail = 0;
    bool outer = true;
    while (!work.empty()) {
      Work w = work.back();
      work.pop_back();
      Position p = w.first, u = w.up, l = w.left;
      while (p != 0) {
        RecordImage& img = images_.at(p).now;
        SetLink(p, img, RecordLink::kUp, "up", u);
        SetLink(p, img, RecordLink::kLeft, "left", l);
        const Position r = Resolve(p, "right", RecordView(img).Right());
        if (r > 0) {
          Mark(r);
          work.push_back({r, 0, p});
        }
        RecordEdit(images_.at(p).now).SetRight(r);
        RecordImage& again = images_.at(p).now;  // Mark may have moved the entries
        const Position d = Resolve(p, "down", RecordView(again).Down());
        if (d > 0) Mark(d);
        RecordEdit(images_.at(p).now).SetDown(d);
        if (outer) tail = p;
        ++placedCount_;
        u = p;
        l = 0;
        p = d;
      }
      outer = false;
    }
    return tail;
  }

  // The pointer records of the file that are not deleted and that the tree does not hold:
  // those the file read as a chain of blocks holds, found past damaged blocks too, and
  // those the lists lead to through records the repair cut off for a damaged signature.
  void FindUnreached() {
    PositionSet taken;
    const auto take = [&](Position p) {
      if (!placed_.Contains(p) && taken.Insert(p)) unreached_.push_back(p);
    };
    WalkRecordBlocks(
        [this](int64_t position, uint8_t* out, size_t count) {
          return position <= std::numeric_limits<Position>::max() &&
                 count <= size_t(std::numeric_limits<int32_t>::max()) &&
                 Raw(Position(position), out, int64_t(count));
        },
        db_.FileSizeOf(),
        [&](const ChainBlock& block) {
          if (block.position > 0 && (block.kind & kKindDeleted) == 0) take(Position(block.position));
        });
    PositionSet seen;
    std::vector<Position> work(cutOff_.begin(), cutOff_.end());
    while (!work.empty() && int64_t(seen.size()) <= bound_) {
      const Position p = work.back();
      work.pop_back();
      RecordImage img;
      if (placed_.Contains(p) || !seen.Insert(p) || !dp_.ReadRecordAt(p, img)) continue;
      if (HasPointerSignature(img) && !RecordView(img).IsDeleted()) take(p);
      for (Position t : {RecordView(img).Right(), RecordView(img).Down()})
        if (t > 0) work.push_back(t);
    }
  }

  // Inward/outward links of the records taken since `from`: each must lead to a pointer
  // record that links back, and a walk outward must not come round again.
  void RepairChains(size_t from) {
    auto linksBack = [this](Position p, Position target, RecordLink back) {
      RecordImage t;
      if (auto it = images_.find(target); it != images_.end())
        t = it->second.now;
      else if (!ReadPointerRecord(target, t))
        return false;
      return RecordView(t).Link(back) == p;
    };
    for (size_t i = from; i < order_.size(); ++i) {
      const Position p = order_[i];
      RecordImage& img = images_.at(p).now;
      const Position in = RecordView(img).Inward(), out = RecordView(img).Outward();
      if (in != 0 && !linksBack(p, in, RecordLink::kOutward)) {
        RecordEdit(img).SetInward(0);
        Note(p, "inward " + Num(in) + " does not lead back: cut");
      }
      if (out != 0 && !linksBack(p, out, RecordLink::kInward)) {
        RecordEdit(img).SetOutward(0);
        Note(p, "outward " + Num(out) + " does not lead back: cut");
      }
    }
    // Links now agree both ways; a chain that closes on itself is opened at the link that
    // comes back to where the walk began.
    PositionSet done;
    for (size_t i = from; i < order_.size(); ++i) {
      const Position start = order_[i];
      if (done.Contains(start)) continue;
      PositionSet walk;
      Position p = start;
      int64_t steps = 0;
      while (p > 0 && walk.Insert(p) && ++steps <= bound_) {
        auto it = images_.find(p);
        if (it == images_.end()) break;  // beyond the tree: agrees with its neighbour
        const Position next = RecordView(it->second.now).Outward();
        if (next > 0 && walk.Contains(next)) {
          RecordEdit(it->second.now).SetOutward(0);
          Note(p, "outward " + Num(next) + " closes a cycle: cut");
          if (auto back = images_.find(next); back != images_.end()) {
            RecordEdit(back->second.now).SetInward(0);
            Note(next, "inward " + Num(p) + " closes a cycle: cut");
          }
          break;
        }
        p = next;
      }
      for (p = start; p > 0 && done.Insert(p);) {
        auto it = images_.find(p);
        if (it == images_.end()) break;
        p = RecordView(it->second.now).Outward();
      }
    }
  }

  // Stores the records taken since `from` whose links changed.
  void WriteFrom(size_t from) {
    for (size_t i = from; i < order_.size(); ++i) {
      Entry& e = images_.at(order_[i]);
      bool changed = false;
      for (RecordLink link : kLinks)
        if (RecordView(e.now).Link(link) != RecordView(e.was).Link(link)) changed = true;
      if (!changed) continue;
      // Only the links are taken from the repaired image: the record as the file holds it
      // now (the found line may have changed it since it was read).
      RecordImage stored;
      if (!dp_.ReadRecordAt(order_[i], stored)) continue;
      for (RecordLink link : kLinks) RecordEdit(stored).SetLink(link, RecordView(e.now).Link(link));
      dp_.StoreImage(stored);
    }
  }

  // Hangs every unreached record, with the lists it leads to, below a new top-level line.
  void PlaceFound() {
    // The heads: records no other unreached record leads to, in the order of the file;
    // then records of lists that run in a cycle among themselves.
    PositionSet pending, targeted;
    for (Position p : unreached_) pending.Insert(p);
    for (Position p : unreached_) {
      RecordImage img;
      if (!ReadPointerRecord(p, img)) continue;
      for (const Position t : {RecordView(img).Down(), RecordView(img).Right()}) {
        if (t != p && t > 0 && pending.Contains(t)) targeted.Insert(t);
      }
    }
    std::vector<Position> heads;
    for (Position p : unreached_)
      if (!targeted.Contains(p)) heads.push_back(p);
    for (Position p : unreached_) heads.push_back(p);  // taken only when still outside

    // The new line goes last in the top-level list.
    Position last = 0;
    int64_t steps = 0;
    for (Position p = dp_.TopLevelFirst(); p > 0 && ++steps <= bound_;) {
      RecordImage img;
      if (!dp_.ReadRecordAt(p, img)) break;
      last = p;
      p = RecordView(img).Down();
    }
    dp_.Load(last);
    const Position line = AddNamed(db_, DirDown, FoundLineName(stamp_));
    if (line <= 0) return;
    result_.foundLine = line;
    placed_.Insert(line);
    Note(line, "new top-level line \"" + FoundLineName(stamp_) + "\"");

    const size_t firstFound = order_.size();
    Position tail = 0;
    for (Position head : heads) {
      if (placed_.Contains(head)) continue;
      const int64_t before = placedCount_;
      Mark(head);
      if (tail == 0) {
        PatchRecord(line, RecordLink::kRight, head);
        tail = PlaceList(head, 0, line);
      } else {
        RecordEdit(images_.at(tail).now).SetDown(head);
        tail = PlaceList(head, tail, 0);
      }
      Note(head, "no list reached it: now under \"" + FoundLineName(stamp_) + "\" with " +
                     Num(placedCount_ - before - 1) + " records it leads to");
      result_.found += placedCount_ - before;
    }
    RepairChains(firstFound);
    WriteFrom(firstFound);
  }

  void PatchRecord(Position p, RecordLink link, Position value) {
    RecordImage img;
    if (!dp_.ReadRecordAt(p, img)) return;
    RecordEdit(img).SetLink(link, value);
    dp_.StoreImage(img);
  }

  struct Entry {
    RecordImage was;  // as read
    RecordImage now;  // with its repaired links
  };

  tDataImageArk& db_;
  Datapointer& dp_;
  double stamp_;
  int64_t bound_ = 0;
  LinkRepairResult result_;
  PositionSet placed_;
  std::unordered_map<Position, Entry> images_;
  std::vector<Position> order_;
  std::vector<Position> unreached_;
  std::vector<Position> cutOff_;  // link targets cut for not being pointer records
  int64_t placedCount_ = 0;
};

}  // namespace

std::string FoundLineName(double stamp) {
  return "Gjenfunnet " + FormatShortDate(stamp) + " " + FormatLongTime(stamp);
}

LinkRepairResult RepairLinks(tDataImageArk& db, double stamp) { return Repairer(db, stamp).Run(); }

int32_t CopyToBackup(FileSystem& files, const std::string& fileName) {
  return CopyFileSafely(files, fileName, fileName + ".backup", "-repair").error;
}

}  // namespace qn
