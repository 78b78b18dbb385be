#include "store/block_scan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/new_database_file.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::MemoryFileSystem;
using qn::test::NewDatabaseFile;
using ::testing::ElementsAre;

namespace {

// A 256-byte pointer record of the given kind at the end of `file`.
void AppendRecord(Bytes& file, int32_t kind) {
  size_t at = file.size();
  file.resize(at + 256, 0);
  qn::test::PutI32(file, at + 0, 256);
  qn::test::PutI32(file, at + 4, int32_t(at));
  qn::test::PutI32(file, at + 64, kind);
}

// A 264-byte name block at the end of `file`.
void AppendNameBlock(Bytes& file, const std::string& text) {
  size_t at = file.size();
  file.resize(at + 264, 0);
  file[at + 0] = 0x08;  // 264 as a 16-bit value, then a 16-bit 0
  file[at + 1] = 0x01;
  qn::test::PutI32(file, at + 4, int32_t(at - 256));
  file[at + 8] = uint8_t(text.size());
  for (size_t i = 0; i < text.size(); ++i) file[at + 9 + i] = uint8_t(text[i]);
}

// A data block with `payload` bytes.
void AppendDataBlock(Bytes& file, size_t payload) {
  size_t at = file.size();
  file.resize(at + 16 + payload, 0xAB);
  qn::test::PutI32(file, at + 0, int32_t(16 + payload));
  qn::test::PutI32(file, at + 4, 0);
  qn::test::PutI32(file, at + 8, 0);
  qn::test::PutI32(file, at + 12, 0);
}

class BlockScanTest : public ::testing::Test {
 protected:
  std::vector<std::string> Scan(const Bytes& file) {
    fs.Put("f.pdb256", file);
    std::vector<std::string> lines;
    EXPECT_EQ(ScanDatabaseFile(fs, "f.pdb256", [&](const std::string& l) { lines.push_back(l); }), 0);
    return lines;
  }
  MemoryFileSystem fs;
};

TEST_F(BlockScanTest, NewDatabaseListsHeaderRecordSystemAndItsName) {
  Bytes f = NewDatabaseFile();
  AppendRecord(f, 1);  // "System", a named line
  AppendNameBlock(f, "System");
  AppendRecord(f, 1);
  AppendNameBlock(f, "Version");
  EXPECT_THAT(Scan(f), ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                   "2 pos:256 Størrelse: 256, header   Ok.",
                                   "3 pos:512 Størrelse: 264 headerdata   Ok.",
                                   "4 pos:776 Størrelse: 256, header   Ok.",
                                   "5 pos:1032 Størrelse: 264 headerdata   Ok."));
}

TEST_F(BlockScanTest, OnlyABlockAfterAnOddKindIsHeaderdata) {
  Bytes f = NewDatabaseFile();
  AppendRecord(f, 257);  // named note: odd
  AppendNameBlock(f, "Notat");
  AppendRecord(f, 2);  // data: even, its data block follows
  AppendDataBlock(f, 248);
  AppendRecord(f, 1026);  // a deleted data record
  AppendRecord(f, 129);   // a file link: odd, no kind text
  AppendNameBlock(f, "Lenke");
  AppendRecord(f, 640);  // a global pointer: no kind text
  EXPECT_THAT(Scan(f), ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                   "2 pos:256 Størrelse: 256, notat med navn   Ok.",
                                   "3 pos:512 Størrelse: 264 headerdata   Ok.",
                                   "4 pos:776 Størrelse: 256, data   Ok.",
                                   "5 pos:1032 Størrelse: 264   Ok.",
                                   "6 pos:1296 Størrelse: 256 -- SLETTET --   Ok.",
                                   "7 pos:1552 Størrelse: 256   Ok.",
                                   "8 pos:1808 Størrelse: 264 headerdata   Ok.",
                                   "9 pos:2072 Størrelse: 256   Ok."));
}

TEST_F(BlockScanTest, SizeBelowFourEndsTheWalk) {
  for (uint8_t size : {0, 1, 3}) {
    Bytes f = NewDatabaseFile();
    f.insert(f.end(), {size, 0, 0, 0});  // a block that does not cover its own size
    AppendRecord(f, 1);                  // never reached
    EXPECT_THAT(Scan(f), ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                     "2 pos:256 Størrelse: " + std::to_string(size),
                                     "Størrelse under 4 bytes: " + std::to_string(size)));
  }
}

TEST_F(BlockScanTest, SizePastTheEndIsAStørrelseFeil) {
  Bytes f = NewDatabaseFile();
  f.insert(f.end(), {0xE8, 0x03, 0, 0});  // claims 1000 bytes
  f.resize(f.size() + 296, 0);            // but 300 bytes remain in all
  EXPECT_THAT(Scan(f), ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                   "2 pos:256 Størrelse: 1000", "StørrelseFeil: 996"));
}

TEST_F(BlockScanTest, SizeAbove65000EndsTheWalkButExactly65000IsABlock) {
  Bytes f = NewDatabaseFile();
  AppendDataBlock(f, 65000 - 16);
  f.insert(f.end(), {0xE9, 0xFD, 0, 0});  // 65001
  AppendRecord(f, 1);
  EXPECT_THAT(Scan(f), ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                   "2 pos:256 Størrelse: 65000   Ok.",
                                   "Buffer for stor ( >65000 bytes ): 65001"));
  Bytes huge = NewDatabaseFile();
  huge.insert(huge.end(), {0xFF, 0xFF, 0xFF, 0xFF});  // would be negative as a signed size
  EXPECT_THAT(Scan(huge), ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                      "Buffer for stor ( >65000 bytes ): 4294967295"));
}

TEST_F(BlockScanTest, TruncatedLastRecordShowsItsKindOnlyWhenItWasRead) {
  Bytes f = NewDatabaseFile();
  AppendRecord(f, 1);
  f.resize(256 + 100);  // the kind at offset 64 is still there
  EXPECT_THAT(Scan(f), ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                   "2 pos:256 Størrelse: 256, header", "StørrelseFeil: 252"));
  f.resize(256 + 40);  // cut before the kind
  EXPECT_THAT(Scan(f), ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                   "2 pos:256 Størrelse: 256", "StørrelseFeil: 252"));
}

TEST_F(BlockScanTest, TailTooShortForASize) {
  Bytes f = NewDatabaseFile();
  f.insert(f.end(), {0x00, 0x01});
  EXPECT_THAT(Scan(f), ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                   "2 pos:256 Størrelse: ?", "StørrelseFeil: 4"));
}

TEST_F(BlockScanTest, ReadFaultGivesFilfeilAndEnds) {
  Bytes f = NewDatabaseFile();
  AppendRecord(f, 1);
  AppendNameBlock(f, "System");
  fs.readBudget = 300;  // the device fails 44 bytes into "System"
  std::vector<std::string> lines = Scan(f);
  EXPECT_THAT(lines, ElementsAre("1 pos:0 Størrelse: 256, tom peker   Ok.",
                                 "2 pos:256 Størrelse: 256", "Filfeil: 252", "StørrelseFeil: 252",
                                 "3 pos:300 Størrelse: ?", "Filfeil: 4", "StørrelseFeil: 4"));
}

TEST_F(BlockScanTest, ProgressCanStopTheWalk) {
  Bytes f = NewDatabaseFile();
  for (int i = 0; i < 10; ++i) AppendRecord(f, 0);
  fs.Put("f.pdb256", f);
  std::vector<std::string> lines;
  std::vector<int64_t> positions;
  bool stopped = false;
  int32_t error = ScanDatabaseFile(
      fs, "f.pdb256", [&](const std::string& l) { lines.push_back(l); },
      [&](const ScanProgress& p) {
        positions.push_back(p.position);
        EXPECT_EQ(p.fileSize, 11 * 256);
        return p.blocks < 3;
      },
      &stopped);
  EXPECT_EQ(error, 0);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(lines.size(), 3u);
  EXPECT_THAT(positions, ElementsAre(256, 512, 768));
}

TEST_F(BlockScanTest, MissingFileIsAnOpenError) {
  bool called = false;
  EXPECT_EQ(ScanDatabaseFile(fs, "none.pdb256", [&](const std::string&) { called = true; }), 2);
  EXPECT_FALSE(called);
  EXPECT_FALSE(fs.Exists("none.pdb256"));
}

TEST_F(BlockScanTest, LargeFileIsReadInFewCalls) {
  Bytes f = NewDatabaseFile();
  for (int i = 0; i < 2000; ++i) AppendRecord(f, 0);
  fs.Put("f.pdb256", f);
  int lines = 0;
  ScanDatabaseFile(fs, "f.pdb256", [&](const std::string&) { ++lines; });
  EXPECT_EQ(lines, 2001);
  EXPECT_LE(fs.stats.reads, 10);  // 512 KB in 64 KiB chunks
}

}  // namespace
