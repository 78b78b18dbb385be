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

// The view reads and changes each field where the decoded record has it, and a change
// leaves every other byte of the image (the ones nothing interprets included) as it was.
TEST(RecordViewTest, AgreesWithTheDecodedRecordAndChangesOnlyItsField) {
  std::array<uint8_t, kPointerRecordSize> img{};
  for (size_t i = 0; i < img.size(); ++i) img[i] = uint8_t(i * 7 + 3);
  const PointerRecord r = PointerRecord::Decode(img);
  const RecordView view(img);
  EXPECT_EQ(view.Size(), r.size);
  EXPECT_EQ(view.OwnPosition(), r.position);
  const Position links[] = {r.up, r.down, r.left, r.right, r.inward, r.outward};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(view.Link(RecordLink(i)), links[i]) << i;
  EXPECT_EQ(view.Right(), r.right);
  EXPECT_EQ(view.UpdateFrom(), r.updateFrom);
  EXPECT_EQ(view.TemplatePos(), r.templatePos);
  EXPECT_EQ(view.Kind(), r.kind);
  EXPECT_EQ(view.Replication(), r.replication);
  EXPECT_EQ(view.PictureBlock(), r.pictureBlock);
  EXPECT_EQ(view.Changed(), r.changed);

  const auto before = img;
  RecordEdit(img).SetLink(RecordLink::kOutward, -5);
  RecordEdit(img).SetReplicated(1.5);
  EXPECT_EQ(PointerRecord::Decode(img).outward, -5);
  EXPECT_EQ(PointerRecord::Decode(img).replicated, 1.5);
  for (size_t i = 0; i < img.size(); ++i) {
    const bool outward = i >= kOutwardOffset && i < kOutwardOffset + 4;
    const bool replicated = i >= kReplicatedOffset && i < kReplicatedOffset + 8;
    if (!outward && !replicated) {
      ASSERT_EQ(img[i], before[i]) << i;
    }
  }
}
