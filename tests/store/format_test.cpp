#include <gtest/gtest.h>

#include <array>

#include "store/format.h"

using namespace qn;

TEST(PointerRecordTest, RoundTripsEveryFieldAtItsOffset) {
  PointerRecord r;
  r.position = 256; r.up = 8; r.down = 12; r.left = 16; r.right = 20; r.kind = 1;
  r.nameBlock = 512; r.created = 45000.5; r.signature = std::string(kSignature);
  r.noteBlock = 168; r.pictureBlock = 172; r.linkBlock = 100;
  std::array<uint8_t, kPointerRecordSize> img{};
  r.Encode(img);
  EXPECT_EQ(GetI32(img, kDownOffset), 12);
  EXPECT_EQ(GetI32(img, kNameBlockOffset), 512);
  EXPECT_EQ(img[kSignatureOffset], 31);
  EXPECT_TRUE(HasPointerSignature(img));
  PointerRecord back = PointerRecord::Decode(img);
  EXPECT_EQ(back.nameBlock, 512);
  EXPECT_EQ(back.created, 45000.5);
  EXPECT_EQ(back.signature, kSignature);
  EXPECT_EQ(back.pictureBlock, 172);
}
