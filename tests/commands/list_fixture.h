// The fixture of the list, block and editing command tests: the cursor fixture's in-memory
// database with helpers that read a list's names and a record's fields straight from the
// file without moving the cursor, make unnamed data records, and damage links byte by
// byte. The consistency check runs after every test.
#pragma once

#include <string>
#include <vector>

#include "store/cursor_fixture.h"
#include "store/record_blocks.h"

namespace qn::test {

class ListFixture : public CursorFixture {
 protected:
  void TearDown() override {
    if (checkAtEnd) ExpectConsistent();
    CursorFixture::TearDown();
  }

  PointerRecord RecordAt(Position p) const {
    const Bytes f = File();
    return PointerRecord::Decode(std::span<const uint8_t, kPointerRecordSize>(f.data() + p, kPointerRecordSize));
  }
  // The name in the record's name block, read from the file bytes.
  std::string StoredName(Position p) const {
    const PointerRecord r = RecordAt(p);
    if (r.nameBlock == 0) return {};
    const Bytes f = File();
    return std::string(f.begin() + r.nameBlock + kNameTextOffset,
                       f.begin() + r.nameBlock + kNameTextOffset + f[size_t(r.nameBlock) + kNameLengthOffset]);
  }
  // The Positions of the list that starts at `first`, following `down` in the file.
  std::vector<Position> Chain(Position first) const {
    std::vector<Position> out;
    for (Position p = first; p > 0 && out.size() < 1000; p = RecordAt(p).down) out.push_back(p);
    return out;
  }
  Names NamesFrom(Position first) const {
    Names out;
    for (Position p : Chain(first)) out.push_back(StoredName(p));
    return out;
  }
  Names SubNames(Position parent) const { return NamesFrom(RecordAt(parent).right); }
  Position TopFirst() const { return At(0, kDownOffset); }
  Names TopNames() const { return NamesFrom(TopFirst()); }

  // An unnamed data record (kind 2) below the cursor's record; the cursor ends on it.
  Position DataBelow(std::vector<uint8_t> payload) {
    dp().NewDown();
    AddData(*db, payload);
    return dp().CurrentPosition();
  }
  // The payload of the record's data block, from the file bytes.
  Bytes PayloadOf(Position p) const {
    const PointerRecord r = RecordAt(p);
    const Bytes f = File();
    const size_t size = size_t(At(r.dataBlock, 0));
    return Bytes(f.begin() + r.dataBlock + kDataHeadSize, f.begin() + r.dataBlock + long(size));
  }

  // Writes one field of a record straight into the file and opens the database again, so
  // no cache remembers the old bytes. The cursor ends on the file header record.
  void Damage(Position p, int offset, int32_t value) {
    qn::test::PutI32(FileRef(), size_t(p) + offset, value);
    Reopen();
  }

  uint64_t Writes() const { return db->Counters().blockWrites; }

  bool checkAtEnd = true;
};

}  // namespace qn::test
