// The fixture of the template tests: the cursor fixture's in-memory database with a
// top-level "Definitions" list (its placeholder "User" first), helpers that create
// templates through the store and data records laid out by them, and byte helpers for
// damaging a template in the file.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "store/cursor_fixture.h"
#include "env/text_codec.h"
#include "templates/data_editor.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

namespace qn::test {

// A row named in UTF-8 (the row holds the Windows-1252 form).
inline TemplateField Row(std::string_view name, uint16_t type, uint16_t dataLength, uint16_t length = 0) {
  TemplateField f;
  f.Name = Utf8ToCp1252(name);
  f.DataType = type;
  f.DataLength = dataLength;
  f.Length = length;
  return f;
}
inline TemplateField Inherit(std::string_view parent, uint16_t dataLength = 0) {
  return Row(parent, kTypeInherited, dataLength);
}

inline void PutU16(Bytes& bytes, size_t offset, uint16_t value) {
  bytes.at(offset) = uint8_t(value);
  bytes.at(offset + 1) = uint8_t(value >> 8);
}

class TemplateFixture : public CursorFixture {
 protected:
  void SetUp() override {
    CursorFixture::SetUp();
    std::vector<Position> top = TopList({"Definitions", "Data"});
    definitions = top[0];
    data = top[1];
    user = SubList(definitions, {"User"})[0];
    line = SubList(data, {"Første linje"})[0];
  }

  // A template made through CreateTemplate/AddTemplateField/FinishTemplate; its Position.
  Position MakeTemplate(const std::string& name, std::initializer_list<TemplateField> rows) {
    EXPECT_EQ(CreateTemplate(*db, name), 0);
    for (const TemplateField& r : rows) EXPECT_EQ(AddTemplateField(*db, r), 0);
    EXPECT_EQ(FinishTemplate(*db), 0);
    return dp().CurrentPosition();
  }

  // A data record of template `name` below `after`, made the way the new-data dialog
  // makes it; the cursor ends on it.
  Position MakeData(const std::string& name, Position after) {
    dp().Load(after);
    EXPECT_EQ(LoadTemplate(*db, name), 0);
    return CreateDataRecord(*db, DirDown);
  }

  Position DataBlockOf(Position record) const { return At(record, kDataBlockOffset); }
  Bytes Payload(Position record) const {
    Bytes f = File();
    Position block = DataBlockOf(record);
    uint32_t size = uint32_t(GetI32(f, size_t(block)));
    return Bytes(f.begin() + block + 16, f.begin() + block + size);
  }
  std::vector<std::string> LoadedNames() {
    std::vector<std::string> out;
    for (const TemplateField& f : LoadedTemplate(*db).Fields) out.push_back(f.Name);
    return out;
  }

  Position definitions = 0, data = 0, user = 0, line = 0;
};

}  // namespace qn::test
