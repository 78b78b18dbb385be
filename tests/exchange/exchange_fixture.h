// The fixture of the export and import tests: the template fixture's in-memory database,
// a second in-memory file system for the files written and read (pages, text files,
// sequential data files), and helpers that fill a data record's bytes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "templates/template_fixture.h"

namespace qn::test {

// A length-prefixed text field of `dataLength` bytes.
inline Bytes TextBytes(std::string_view utf8, size_t dataLength) {
  Bytes b(dataLength, 0);
  std::string s = Utf8ToCp1252(utf8);
  b[0] = uint8_t(s.size());
  std::copy(s.begin(), s.end(), b.begin() + 1);
  return b;
}
inline Bytes IntBytes(int32_t v) {
  Bytes b;
  PutI32(b, 0, v);
  return b;
}
inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
inline std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

class ExchangeFixture : public TemplateFixture {
 protected:
  // Overwrites the payload of the data record at `record`.
  void SetPayload(Position record, const Bytes& bytes) {
    dp().Load(record);
    ASSERT_GE(RewriteData(*db, bytes), 0);
  }
  std::string OutFile(const std::string& name) const {
    EXPECT_TRUE(out->files.count(name)) << name;
    return out->files.count(name) ? Text(out->Get(name)) : std::string();
  }

  std::shared_ptr<MemoryFileSystem> out = std::make_shared<MemoryFileSystem>();
};

}  // namespace qn::test
