// Databases damaged at random, from a fixed seed: bit flips, links set to other records'
// Positions, block sizes and name lengths. The read commands of the tool run on each
// without crashing, hanging or changing a byte of any file; repair leaves a file the check
// passes byte for byte, and never leaves fewer reachable whole records than it found.
// The run stops after a number of files or about forty seconds, whichever comes first;
// QUILLNET_FUZZ_SECONDS and QUILLNET_FUZZ_SEED set another time and seed for a longer hunt.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>

#include "content/initial_content.h"
#include "content/note_text.h"
#include "store/block_scan.h"
#include "store/datapointer.h"
#include "store/tree_walk.h"
#include "tool/tool_fixture.h"

using namespace qn;
using qn::test::Bytes;

namespace {

constexpr const char* kFile = "f.pdb256";
constexpr uint32_t kSeed = 20261209;
constexpr int kMaxFiles = 3000;
constexpr int kSeconds = 40;

uint32_t FromEnvironment(const char* name, uint32_t otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? uint32_t(std::strtoul(value, nullptr, 10)) : otherwise;
}

// Where the blocks of a sound file lie.
struct Layout {
  std::vector<int64_t> records, blocks, nameBlocks;
};

Layout LayoutOf(const Bytes& file) {
  Layout layout;
  WalkBlockChain(
      [&](int64_t p, uint8_t* out, size_t n) {
        std::copy(file.begin() + p, file.begin() + p + int64_t(n), out);
        return true;
      },
      int64_t(file.size()), [&](const ChainBlock& block) {
        layout.blocks.push_back(block.position);
        if (block.record) layout.records.push_back(block.position);
        if (block.size == kNameBlockSize) layout.nameBlocks.push_back(block.position);
      });
  return layout;
}

class DamagedFilesFuzzTest : public qn::test::ToolFixture {
 protected:
  Position AddLine(Position at, const char* direction, const std::string& text) {
    EXPECT_EQ(Run({"add-line", kFile, P(at), direction, text}), 0) << err.str();
    return Position(std::stoi(out.str()));
  }

  // A database with the standard content, nested lists, data records of a template, a
  // note, a register variable and a deleted record.
  Bytes BaseFile() {
    fs->Put(kFile, qn::test::NewDatabaseFile());
    {
      tDataImageArk db(fs);
      OpenDatabase(db, kFile, OpenPolicy::kCreate);
    }
    std::vector<Position> lines{AddLine(0, "down", "Første")};
    for (int i = 0; i < 12; ++i)
      lines.push_back(AddLine(lines[size_t(i) / 2], i % 3 == 0 ? "right" : "down", "Linje <" + std::to_string(i) + "> & \"x\""));
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(Run({"new-data", kFile, P(lines[3]), i == 0 ? "right" : "down", "Database Bruker"}), 0) << err.str();
      const Position data = Position(std::stoi(out.str()));
      Run({"template", kFile, "Database Bruker"});
      const std::string firstField = out.str().substr(out.str().find('\t') + 1);
      Run({"set-field", kFile, P(data), firstField.substr(0, firstField.find('\t')), "Verdi " + std::to_string(i)});
    }
    EXPECT_EQ(Run({"set-var", kFile, "Farge", "blå"}), 0);
    tDataImageArk db(fs);
    OpenDatabase(db, kFile);
    db.BeginChange();
    db.dp->Load(lines[5]);
    NewNote(db, DirRight, "Notat");
    WriteNoteText(db, "første linje\nandre linje");
    db.dp->Load(lines[7]);
    db.dp->Delete();
    EXPECT_EQ(db.EndChange(), 0);
    db.Close();
    return fs->Get(kFile);
  }

  // The records the tree shows that are whole (signature, own Position) and not deleted.
  int64_t WholeReachableRecords() {
    tDataImageArk db(fs);
    OpenDatabase(db, kFile, OpenPolicy::kInspect);
    if (!db.IsOpen()) return -1;
    int64_t whole = 0;
    WalkTree(db, [&](Position p, int) {
      RecordImage img;
      if (db.dp->ReadRecordAt(p, img) && HasPointerSignature(img) && (GetI32(img, kKindOffset) & kKindDeleted) == 0)
        ++whole;
      return true;
    });
    return whole;
  }

  std::map<std::string, Bytes> Files() const {
    std::map<std::string, Bytes> all;
    for (const auto& [name, bytes] : fs->files)
      if (name.rfind("out", 0) != 0) all[name] = *bytes;
    return all;
  }
};

TEST_F(DamagedFilesFuzzTest, ReadsChangeNothingAndRepairNeverMakesAFileWorse) {
  const Bytes base = BaseFile();
  const Layout layout = LayoutOf(base);
  ASSERT_GT(layout.records.size(), 30u);
  ASSERT_EQ(Run({"check", kFile}), 0) << out.str();

  const uint32_t seed = FromEnvironment("QUILLNET_FUZZ_SEED", kSeed);
  const auto budget = std::chrono::seconds(FromEnvironment("QUILLNET_FUZZ_SECONDS", kSeconds));
  const int maxFiles = std::getenv("QUILLNET_FUZZ_SECONDS") != nullptr ? 1 << 30 : kMaxFiles;
  std::mt19937 random(seed);
  const auto pick = [&](const std::vector<int64_t>& from) { return from[random() % from.size()]; };
  const int kLinkOffsets[] = {kUpOffset, kDownOffset, kLeftOffset, kRightOffset, kInwardOffset, kOutwardOffset,
                              kInheritBlockOffset, kSourceRecordOffset, kDataBlockOffset, kTemplatePosOffset,
                              kNameBlockOffset, kLinkBlockOffset, kNoteBlockOffset};
  const auto started = std::chrono::steady_clock::now();
  int files = 0, repaired = 0, sound = 0;
  for (; files < maxFiles && std::chrono::steady_clock::now() - started < budget; ++files) {
    Bytes damaged = base;
    const int changes = 1 + int(random() % 4);
    for (int c = 0; c < changes; ++c) {
      switch (random() % 5) {
        case 0:  // a bit anywhere
          damaged[random() % damaged.size()] ^= uint8_t(1u << (random() % 8));
          break;
        case 1:  // a link to another record, or to any block
          qn::test::PutI32(damaged, size_t(pick(layout.records) + kLinkOffsets[random() % std::size(kLinkOffsets)]),
                           int32_t(random() % 4 == 0 ? pick(layout.blocks) : pick(layout.records)));
          break;
        case 2: {  // a block's size
          const uint32_t sizes[] = {0, 3, 4, 255, 256, 257, 264, 8208, 65001, 0x7FFFFFFF, uint32_t(random())};
          qn::test::PutI32(damaged, size_t(pick(layout.blocks)), int32_t(sizes[random() % std::size(sizes)]));
          break;
        }
        case 3:  // a name's length
          damaged[size_t(pick(layout.nameBlocks) + kNameLengthOffset)] = uint8_t(random());
          break;
        default:  // a record's kind
          qn::test::PutI32(damaged, size_t(pick(layout.records) + kKindOffset),
                           int32_t(random() % 3 == 0 ? random() : (random() % 8) | (random() % 2 ? kKindDeleted : 0)));
          break;
      }
    }
    SCOPED_TRACE("file " + std::to_string(files) + " of seed " + std::to_string(seed));
    fs->files.clear();
    fs->Put(kFile, damaged);
    const auto fileStart = std::chrono::steady_clock::now();

    const std::map<std::string, Bytes> before = Files();
    const std::string someRecord = P(Position(pick(layout.records)));
    // Opening costs most of a command's time, so each file meets the check, the tree and
    // the scan, and three of the other read commands in turn.
    const std::vector<std::vector<std::string>> others = {
        {"deleted", kFile}, {"templates", kFile}, {"template", kFile, "Database Bruker"},
        {"pascal", kFile, "Database Bruker", "--object"}, {"show", kFile, someRecord},
        {"note", kFile, someRecord}, {"find", kFile, "Linje <5> & \"x\""}, {"get-var", kFile, "Farge"},
        {"quick", kFile, "list"}, {"bookmark", kFile, "find", "x"},
        {"export-text", kFile, someRecord, "out.txt", "--csv"}, {"export-html", kFile, "out/"}};
    std::vector<std::vector<std::string>> reads = {{"scan", kFile}, {"tree", kFile}, {"check", kFile}};
    for (size_t k = 0; k < 3; ++k) reads.push_back(others[(size_t(files) * 3 + k) % others.size()]);
    int checkExit = -1;
    for (const std::vector<std::string>& command : reads) {
      const int exit = Run(command);
      if (command[0] == "check") checkExit = exit;
      EXPECT_EQ(Files(), before) << command[0] << " changed a file";
    }
    if (files % 4 == 0 && checkExit != 2) {
      // Whatever a dump of the damaged file holds, a load of it gives it back whole.
      const std::vector<std::string> dump = {"dump", kFile, "--deleted"};
      ASSERT_EQ(Run(dump), 0) << err.str();
      const std::string text = out.str(), input = testing::TempDir() + "quill_fuzz_dump.json";
      std::ofstream(input, std::ios::binary) << text;
      fs->files.erase("out.pdb256");
      EXPECT_EQ(Run({"load", input, "out.pdb256"}), 0) << err.str();
      EXPECT_EQ(Run({"dump", "out.pdb256", "--deleted"}), 0);
      EXPECT_TRUE(out.str() == text) << "the dump of the loaded dump differs";
    }
    const int64_t wholeBefore = WholeReachableRecords();
    const int repairExit = Run({"repair", kFile});
    if (checkExit == 0) {
      ++sound;
      EXPECT_EQ(fs->Get(kFile), damaged) << "repair changed a file the check passes";
    } else if (repairExit != 2) {
      ++repaired;
      EXPECT_GE(WholeReachableRecords(), wholeBefore) << out.str();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - fileStart, std::chrono::seconds(10)) << "a command ran too long";
    if (HasFailure()) {
      std::ofstream(testing::TempDir() + "quill_fuzz_failed.pdb256", std::ios::binary)
          .write(reinterpret_cast<const char*>(damaged.data()), std::streamsize(damaged.size()));
      break;
    }
  }
  std::cout << files << " damaged files, " << sound << " of them passing the check, " << repaired
            << " repaired\n";
}

}  // namespace
