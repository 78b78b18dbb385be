// Content for the view tests, built through the engine: a list of named lines of its own
// (the sub-list of a fresh top-level line, so whatever a new database starts with stays
// out of it), a template laid out field by field, and data records with hand-made bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "templates/template_format.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

namespace qn::test {

// A new top-level line named `header` with `names` as its sub-list; the Positions of the
// sub-list's records. The cursor ends on the last of them.
inline std::vector<Position> MakeList(tDataImageArk& db, const char* header,
                                      const std::vector<std::string>& names) {
  std::vector<Position> out;
  db.dp->Load(0);
  EXPECT_GT(AddNamed(db, DirDown, header), 0);
  tDirection direction = DirRight;
  for (const std::string& name : names) {
    out.push_back(AddNamed(db, direction, name));
    direction = DirDown;
  }
  return out;
}

// "R1".."Rn".
inline std::vector<std::string> Numbered(int n, const char* prefix = "R") {
  std::vector<std::string> out;
  for (int i = 1; i <= n; ++i) out.push_back(prefix + std::to_string(i));
  return out;
}

inline TemplateField Field(const char* name, uint16_t type, uint16_t dataLength, uint16_t length,
                           uint16_t showLength, bool hidden = false) {
  TemplateField f;
  f.Name = name;
  f.DataType = type;
  f.DataLength = dataLength;
  f.Length = length;
  f.ShowLength = showLength;
  f.Hidden = hidden ? 1 : 0;
  return f;
}

// A template of `fields` in a "Definitions" list (made, with its placeholder, when the
// database has none). The template record's Position.
inline Position MakeTemplate(tDataImageArk& db, const char* name,
                             const std::vector<TemplateField>& fields) {
  const Position keep = db.dp->CurrentPosition();
  if (ScanForString(db, "Definitions", true) < 0) {
    db.dp->Load(0);
    AddNamed(db, DirDown, "Definitions");
    AddNamed(db, DirRight, "User");
  }
  EXPECT_EQ(CreateTemplate(db, name), 0);
  for (const TemplateField& f : fields) EXPECT_EQ(AddTemplateField(db, f), 0);
  FinishTemplate(db);
  const Position at = db.dp->CurrentPosition();
  db.dp->Load(keep);
  return at;
}

// A data record of template `templateRecord` made in `direction` from the current record,
// holding `payload`; the cursor ends on it.
inline Position MakeDataRecord(tDataImageArk& db, tDirection direction, Position templateRecord,
                               const std::vector<uint8_t>& payload) {
  db.dp->SetLastDirection(direction);
  EXPECT_EQ(AddDataInDirection(db, payload), 0);
  db.dp->SetTemplatePos(templateRecord);
  db.dp->Store();
  return db.dp->CurrentPosition();
}

// Field bytes, laid end to end.
class PayloadBuilder {
 public:
  PayloadBuilder& Text(uint16_t dataLength, const std::string& text) {
    const size_t at = bytes_.size();
    bytes_.resize(at + dataLength, 0);
    bytes_[at] = uint8_t(text.size());
    for (size_t i = 0; i < text.size() && i + 1 < dataLength; ++i) bytes_[at + 1 + i] = uint8_t(text[i]);
    return *this;
  }
  PayloadBuilder& I32(int32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(uint32_t(value) >> (8 * i)));
    return *this;
  }
  PayloadBuilder& Byte(uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  std::vector<uint8_t> Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// The template of the view tests: a name shown 8 wide, a number whose column comes from
// its DataLength alone, a hidden text, a password and a boolean.
inline std::vector<TemplateField> CustomerFields() {
  return {
      Field("Navn", 16, 21, 20, 8),
      Field("Nr", 5, 4, 0, 0),
      Field("Skjult", 16, 5, 4, 0, true),
      Field("Passord", 28, 9, 8, 10),
      Field("Aktiv", 32, 1, 3, 0),
  };
}

inline std::vector<uint8_t> CustomerPayload(const std::string& name, int32_t number,
                                            const std::string& password, bool active) {
  return PayloadBuilder()
      .Text(21, name)
      .I32(number)
      .Text(5, "skj")
      .Text(9, password)
      .Byte(active ? 1 : 0)
      .Bytes();
}

}  // namespace qn::test
