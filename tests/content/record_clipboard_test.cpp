#include "content/record_clipboard.h"

#include <gtest/gtest.h>

#include <vector>

#include "content/new_database_fixture.h"
#include "content/initial_content.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::NewDatabaseFixture;

namespace {

class ClipboardTest : public NewDatabaseFixture {
 protected:
  void SetUp() override {
    NewDatabaseFixture::SetUp();
    Create(true);
    line = dp().CurrentPosition();
  }
  // A data record below the current one with `payload` and template Position `tmpl`.
  Position DataRecord(const std::vector<uint8_t>& payload, Position tmpl = 0) {
    dp().NewDown();
    AddData(*db, payload);
    dp().SetTemplatePos(tmpl);
    dp().Store();
    return dp().CurrentPosition();
  }
  Bytes Payload(Position record) {
    const PointerRecord r = RecordAt(record);
    const Bytes f = File();
    const size_t size = size_t(At(r.dataBlock, 0));
    return Bytes(f.begin() + r.dataBlock + kDataHeadSize, f.begin() + r.dataBlock + long(size));
  }
  Position line = 0;
};

TEST_F(ClipboardTest, ARecordWithoutDataIsNotCopied) {
  EXPECT_EQ(CopyData(*db), -1);
  EXPECT_EQ(db->clipboard.data, 0);
}

TEST_F(ClipboardTest, CopyRemembersTheRecordItsDataKindAndTemplate) {
  const Position source = DataRecord({1, 2, 3}, 776);
  const Position block = dp().DataBlock();
  EXPECT_EQ(CopyData(*db), block);
  EXPECT_EQ(db->clipboard.record, source);
  EXPECT_EQ(db->clipboard.data, block);
  EXPECT_EQ(db->clipboard.kind, kKindData);
  EXPECT_EQ(db->clipboard.templatePos, 776);
}

TEST_F(ClipboardTest, ADataCopyOfATenBytePayloadGetsItsOwnBlock) {
  const std::vector<uint8_t> ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const Position source = DataRecord(ten, 776);
  CopyData(*db);
  const Position sourceBlock = RecordAt(source).dataBlock;
  dp().Load(line);
  EXPECT_EQ(PasteDataCopy(*db), 0);
  const Position copy = dp().CurrentPosition();
  EXPECT_EQ(RecordAt(line).down, copy);  // made below the current record
  const PointerRecord r = RecordAt(copy);
  EXPECT_EQ(r.kind, kKindData);
  EXPECT_EQ(r.origin, kOriginCopy);
  EXPECT_EQ(r.templatePos, 776);
  EXPECT_NE(r.dataBlock, RecordAt(source).dataBlock);
  EXPECT_EQ(At(r.dataBlock, 0), 26);
  EXPECT_EQ(Payload(copy), Bytes(ten.begin(), ten.end()));
  EXPECT_EQ(RecordAt(source).dataBlock, sourceBlock);  // the source keeps its own data
  EXPECT_EQ(Payload(source), Bytes(ten.begin(), ten.end()));
  ExpectConsistent();
}

TEST_F(ClipboardTest, APayloadLargerThanAWorkingBufferIsCopiedWhole) {
  std::vector<uint8_t> big(40000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7);
  DataRecord(big);
  CopyData(*db);
  EXPECT_EQ(PasteDataCopy(*db), 0);
  EXPECT_EQ(Payload(dp().CurrentPosition()), Bytes(big.begin(), big.end()));
}

TEST_F(ClipboardTest, ADataShadowSharesTheBlock) {
  const Position source = DataRecord({9, 9}, 776);
  const Position block = dp().DataBlock();
  CopyData(*db);
  dp().Load(line);
  const size_t size = File().size();
  EXPECT_EQ(NewDataShadow(*db), block);
  const PointerRecord r = RecordAt(dp().CurrentPosition());
  EXPECT_EQ(File().size(), size + 256);  // the new record only, no data block
  EXPECT_EQ(r.dataBlock, block);
  EXPECT_EQ(r.kind, kKindData);
  EXPECT_EQ(r.templatePos, 776);
  EXPECT_EQ(r.origin, kOriginDataShadow);
  EXPECT_EQ(r.sourceRecord, source);
  ExpectConsistent();
}

TEST_F(ClipboardTest, AnEmptyClipboardPastesNothing) {
  const Bytes before = File();
  EXPECT_EQ(PasteDataShadow(*db), 0);
  EXPECT_EQ(PasteDataCopy(*db), -1);
  EXPECT_EQ(NewDataShadow(*db), 0);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(dp().CurrentPosition(), line);
}

TEST_F(ClipboardTest, ACopiedBlockThatNoLongerFitsTheFileMakesNoRecord) {
  DataRecord({1, 2});
  CopyData(*db);
  db->clipboard.data = Position(File().size()) - 8;  // a head that runs past the end
  const size_t size = File().size();
  EXPECT_EQ(PasteDataCopy(*db), -1);
  EXPECT_EQ(File().size(), size);
}

TEST_F(ClipboardTest, AFileLinkOrARegisterVariableHasNoDataToCopy) {
  dp().NewDown();
  dp().SetKind(kKindFileLink);
  dp().SetDataBlock(line);  // a file link keeps a record's Position there
  dp().Store();
  EXPECT_EQ(CopyData(*db), -1);
  dp().SetKind(kKindRegisterVariable);
  EXPECT_EQ(CopyData(*db), -1);
}

TEST_F(ClipboardTest, TheBlockClipboardHoldsTwoImagesUntilTheNextOpen) {
  const Position a = DataRecord({1});
  const Position b = DataRecord({2});
  EXPECT_EQ(BlockClipboard(*db), nullptr);
  EXPECT_FALSE(FillBlockClipboard(*db, a, a + 8));
  ASSERT_TRUE(FillBlockClipboard(*db, a, b));
  ASSERT_NE(BlockClipboard(*db), nullptr);
  EXPECT_EQ(GetI32(BlockClipboard(*db)->first, kPositionOffset), a);
  EXPECT_EQ(GetI32(BlockClipboard(*db)->last, kPositionOffset), b);
  OpenDatabase(*db, kFile);
  EXPECT_FALSE(db->blockClipboard);
  EXPECT_EQ(BlockClipboard(*db), nullptr);
}

}  // namespace
