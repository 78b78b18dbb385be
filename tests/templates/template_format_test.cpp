#include <gtest/gtest.h>

#include <array>

#include "store/format.h"
#include "templates/template_format.h"

using namespace qn;

TEST(TemplateHeaderTest, FieldsSitAtTheirOffsets) {
  TemplateHeader h{TemplateBlockSize(3), 70, 3, 1, 4096};
  std::array<uint8_t, kTemplateHeaderSize> img{};
  h.Encode(img);
  EXPECT_EQ(GetU32(img, 0), 16u + 3 * 64);
  EXPECT_EQ(GetI32(img, 4), 70);
  EXPECT_EQ(GetU16(img, 8), 3);
  EXPECT_EQ(GetU16(img, 10), 1);
  EXPECT_EQ(GetI32(img, 12), 4096);
  EXPECT_EQ(TemplateHeader::Decode(img), h);
}

class TemplateFieldTest : public ::testing::Test {
 protected:
  std::array<uint8_t, kTemplateFieldSize> img{};
};

TEST_F(TemplateFieldTest, RoundTripsEveryFieldAtItsOffset) {
  TemplateField f{8, 8, 12, 2, 10, 1, 1, "Pris"};
  img.fill(0xEE);
  f.Encode(img);
  EXPECT_EQ(GetU16(img, 0), 8);
  EXPECT_EQ(GetU16(img, 4), 12);
  EXPECT_EQ(GetU16(img, 6), 2);
  EXPECT_EQ(GetU16(img, 8), 10);
  EXPECT_EQ(img[10], 1);
  EXPECT_EQ(img[11], 1);
  EXPECT_EQ(img[12], 4);
  EXPECT_EQ(img[13], 'P');
  for (int i = 17; i < 64; ++i) EXPECT_EQ(img[i], 0) << i;  // unused name bytes are zero
  EXPECT_EQ(TemplateField::Decode(img), f);
}

TEST_F(TemplateFieldTest, NameIsCutToFiftyOneCharacters) {
  TemplateField f;
  f.Name = std::string(60, 'a');
  f.Encode(img);
  EXPECT_EQ(img[12], 51);
  EXPECT_EQ(TemplateField::Decode(img).Name, std::string(51, 'a'));
}

TEST_F(TemplateFieldTest, DamagedNameLengthIsClamped) {
  img[12] = 200;  // the name field has room for 51
  for (int i = 13; i < 64; ++i) img[i] = 'x';
  EXPECT_EQ(TemplateField::Decode(img).Name.size(), 51u);
}

TEST_F(TemplateFieldTest, ShownWidthFallsBackToLengthThenDataLength) {
  TemplateField f{32, 16, 31, 0, 15, 0, 0, "a"};
  EXPECT_EQ(f.ShownWidth(), 15);
  f.ShowLength = 0;
  EXPECT_EQ(f.ShownWidth(), 31);
  f.Length = 0;
  EXPECT_EQ(f.ShownWidth(), 32);
}

TEST(StandardUserTemplateTest, RowsAddUpToTheUserRecordSize) {
  auto rows = StandardUserTemplateRows();
  int dataSize = 0;
  for (const auto& r : rows) dataSize += r.DataLength;
  EXPECT_EQ(dataSize, 434);
  EXPECT_EQ(rows[0].Required, 1);  // only "Brukernavn" is required
}
