#include "templates/field_io.h"

#include <gtest/gtest.h>

#include "templates/template_fixture.h"

using namespace qn;
using namespace qn::test;

namespace {

class FieldIoTest : public TemplateFixture {
 protected:
  void SetUp() override {
    TemplateFixture::SetUp();
    MakeTemplate("Felt", {Row("navn", kTypeString, 32), Inherit("Ingen"), Row("tall", kTypeSmallint, 2),
                          Row("stor", kTypeLongint, 4)});
    record = MakeData("Felt", line);
  }
  Position record = 0;
};

TEST_F(FieldIoTest, FieldsAreVisitedInOrderAndANarrowFieldReadsZerosAbove) {
  Bytes& f = FileRef();
  size_t payload = size_t(DataBlockOf(record)) + 16;
  f[payload] = 2;
  f[payload + 1] = 'O';
  f[payload + 2] = 'K';
  PutI32(f, payload + 32, -1);  // SMALLINT 0xFFFF, then the LONGINT's low bytes 0xFFFF
  Reopen();
  dp().Load(record);
  ASSERT_EQ(LoadRecordTemplate(*db), 0);
  ASSERT_EQ(SeekToFieldValues(*db, false), int64_t(payload));
  ASSERT_EQ(ReadFieldValue(*db, 0), 0);
  EXPECT_EQ(FieldValueText(*db, 0), "OK");
  ASSERT_EQ(ReadFieldValue(*db, 2), 0);
  EXPECT_EQ(FieldValueText(*db, 2), "65535");
  EXPECT_EQ(ValueBuffer(*db)[2], 0);
  ASSERT_EQ(ReadFieldValue(*db, 3), 0);
  EXPECT_EQ(FieldValueText(*db, 3), "65535");
  EXPECT_EQ(db->FilePosition(), int64_t(payload) + 38);
}

TEST_F(FieldIoTest, AStringOf32BytesKeeps31OfFortyCharacters) {
  dp().Load(record);
  ASSERT_EQ(LoadRecordTemplate(*db), 0);
  SeekToFieldValues(*db, false);
  std::string forty(40, 'x');
  EXPECT_EQ(SetFieldValueText(*db, 0, forty).status, SaveStatus::kStored);
  ValueBuffer(*db)[0] = 40;  // a length byte past the field is cut on writing
  ASSERT_EQ(WriteFieldValue(*db, 0), 0);
  Bytes p = Payload(record);
  EXPECT_EQ(p[0], 31);
  EXPECT_EQ(std::string(p.begin() + 1, p.begin() + 32), std::string(31, 'x'));
  EXPECT_EQ(p[32], 0);  // the next field is untouched
}

TEST_F(FieldIoTest, NothingIsReadOrWrittenPastTheEndOfTheDataBlock) {
  dp().Load(line);
  AddNamed(*db, DirDown, "kort");
  AddData(*db, Bytes{3, 'a', 'b', 'c'});  // 4 bytes where the template needs 38
  Position shortRecord = dp().CurrentPosition();
  AddNamed(*db, DirDown, "neste");  // the block right after it
  AddData(*db, Bytes(8, 0xEE));
  dp().Load(shortRecord);
  ASSERT_EQ(LoadTemplate(*db, "Felt"), 0);
  Bytes before = File();
  SeekToFieldValues(*db, false);
  ASSERT_EQ(ReadFieldValue(*db, 0), 0);
  EXPECT_EQ(FieldValueText(*db, 0), "abc");
  EXPECT_EQ(ValueBuffer(*db)[4], 0);  // not a byte of the next block
  ASSERT_EQ(ReadFieldValue(*db, 2), 0);
  EXPECT_EQ(FieldValueText(*db, 2), "0");
  std::fill(ValueBuffer(*db).begin(), ValueBuffer(*db).end(), uint8_t(0x11));
  EXPECT_EQ(WriteFieldValue(*db, 3), -1);  // the place is past the block's end
  EXPECT_EQ(File(), before);
  EXPECT_EQ(ReadFieldValue(*db, 9), -1);

  // A record without a data block, the file place left inside another block's text.
  dp().Load(line);
  AddNamed(*db, DirDown, "uten data");
  before = File();
  db->SeekTo(Position(DataBlockOf(shortRecord) + 16));
  EXPECT_EQ(SeekToFieldValues(*db, false), -1);
  ASSERT_EQ(ReadFieldValue(*db, 0), 0);
  EXPECT_EQ(FieldValueText(*db, 0), "");  // not the "abc" the place was left on
  std::fill(ValueBuffer(*db).begin(), ValueBuffer(*db).end(), uint8_t(0x11));
  EXPECT_EQ(WriteFieldValue(*db, 0), -1);
  EXPECT_EQ(File(), before);
}

}  // namespace
