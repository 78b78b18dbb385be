#include "content/initial_content.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "content/system_lists.h"
#include "store/tree_walk.h"
#include "content/new_database_fixture.h"
#include "templates/template_format.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::NewDatabaseFixture;
using qn::test::Names;

namespace {

class InitialContentTest : public NewDatabaseFixture {
 protected:
  void SetUp() override {
    NewDatabaseFixture::SetUp();
    UserSetting("FulltNavn", "Ola Nordmann");
    UserSetting("Firma_Navn", "Nordmann AS");
  }

  // Every block of the file from Position 0, one line each: "<Position> header",
  // "<Position> record <kind>", "<Position> name <text>" or "<Position> data <payload>".
  // The creation time is checked for its form and then written as "<time>".
  std::vector<std::string> Blocks() {
    Bytes f = File();
    std::vector<std::string> out;
    size_t at = 0;
    while (at + 4 <= f.size() && out.size() < 1000) {
      uint32_t size = uint32_t(qn::GetU32(f, at));
      std::string line = std::to_string(at) + " ";
      if (at == 0) {
        line += "header";
      } else if (size == uint32_t(kPointerRecordSize)) {
        line += "record " + std::to_string(GetI32(f, at + kKindOffset));
      } else if (size == uint32_t(kNameBlockSize)) {
        std::string text(f.begin() + long(at) + kNameTextOffset,
                         f.begin() + long(at) + kNameTextOffset + f[at + kNameLengthOffset]);
        static const std::regex created("Created: \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d");
        if (text.rfind("Created: ", 0) == 0) {
          EXPECT_TRUE(std::regex_match(text, created)) << text;
          text = "Created: <time>";
        }
        line += "name " + text;
      } else {
        line += "data " + std::to_string(int64_t(size) - kDataHeadSize);
      }
      out.push_back(line);
      if (size == 0) break;
      at += size;
    }
    EXPECT_EQ(at, f.size());
    return out;
  }

  // The blocks a new database must hold, in creation order.
  std::vector<std::string> ExpectedBlocks(bool minimal) {
    std::vector<std::string> out;
    size_t at = 0;
    auto block = [&](size_t size, const std::string& what) {
      out.push_back(std::to_string(at) + " " + what);
      at += size;
    };
    auto named = [&](int kind, const std::string& name) {
      block(256, "record " + std::to_string(kind));
      block(264, "name " + name);
    };
    block(256, "header");
    named(1, "System");
    named(1, "Version");
    for (const std::string& line : ExpectedVersionLines()) named(1, line);
    if (!minimal) {
      for (std::string_view header : kStandardHeaders) {
        named(1, std::string(header));
        named(1, header == "Users" ? "Administrators" : "User");
        if (header == "Index") {
          named(32, "Standard");
          block(16 + 1035, "data 1035");
        }
      }
    }
    named(1, "Data");
    named(1, "** Ingen data (denne linjen kan endres elles slettes) **");
    if (!minimal) {
      named(4, "Database Bruker");
      block(16 + 10 * 64, "data 640");
    }
    return out;
  }

  std::vector<std::string> ExpectedVersionLines() {
    return {"Veltrona Quillnet 1.8.1 04.07.2011",
            "Build: 30.10.2011 #519",
            "Create Mode: Enbruker",
            "Program file: /opt/quillnet/bin/quillnet",
            "Username: ola",
            "Author: Ola Nordmann",
            "Company: Nordmann AS",
            "Created: <time>",
            "Original File Name: ny.pdb256",
            "OS: " + WindowsVersionText()};
  }

  // The tree from the top: two blanks per level, then the name.
  std::string Tree() {
    std::string out;
    WalkTree(*db, [&](Position p, int depth) {
      out += std::string(size_t(depth) * 2, ' ') + NameAt(p) + "\n";
      return true;
    });
    return out;
  }
};

TEST_F(InitialContentTest, TheFirstBlocksOfANewDatabaseStandAtFixedPositions) {
  Create(false);
  const Bytes f = File();
  EXPECT_EQ(At(0, kDownOffset), 256);
  EXPECT_EQ(At(0, kPositionOffset), 0);
  EXPECT_TRUE(HasPointerSignature(std::span<const uint8_t, 256>(f.data(), 256)));

  const PointerRecord system = RecordAt(256);
  EXPECT_EQ(system.position, 256);
  EXPECT_EQ(system.up, 0);
  EXPECT_EQ(system.left, 0);
  EXPECT_EQ(system.right, 776);
  EXPECT_EQ(system.down, Find("Data"));
  EXPECT_EQ(system.kind, kKindNamed);
  EXPECT_EQ(system.nameBlock, 512);
  EXPECT_EQ(system.signature, "QUILLNET-POINTER-RECORD-R130471");

  // The name block of "System", byte by byte: size 264 as two 16-bit words, the owner,
  // the length and the text.
  const Bytes name(f.begin() + 512, f.begin() + 512 + 15);
  EXPECT_EQ(name, (Bytes{0x08, 0x01, 0, 0, 0x00, 0x01, 0, 0, 6, 'S', 'y', 's', 't', 'e', 'm'}));

  const PointerRecord version = RecordAt(776);
  EXPECT_EQ(version.left, 256);
  EXPECT_EQ(version.up, 0);
  EXPECT_EQ(version.nameBlock, 1032);
  EXPECT_EQ(version.right, 1296);  // the version line, right after the name block
  EXPECT_EQ(version.down, 6496);   // "Definitions", after the ten lines
  EXPECT_EQ(At(1032, 4), 776);
  ExpectConsistent();
}

TEST_F(InitialContentTest, AFullDatabaseHoldsEveryBlockInCreationOrder) {
  Create(false);
  EXPECT_EQ(Blocks(), ExpectedBlocks(false));
}

TEST_F(InitialContentTest, AMinimalDatabaseHoldsVersionAndDataOnly) {
  Create(true);
  EXPECT_EQ(Blocks(), ExpectedBlocks(true));
  EXPECT_EQ(RecordAt(776).down, 0);  // no standard headers below "Version"
  EXPECT_EQ(RecordAt(256).down, 6496);
  ExpectConsistent();
}

TEST_F(InitialContentTest, TheTreeOfAFullDatabase) {
  Create(false);
  std::string expected = "System\n  Version\n";
  for (const std::string& line : SubListOf(Find("Version"))) expected += "    " + line + "\n";
  for (std::string_view header : kStandardHeaders) {
    expected += "  " + std::string(header) + "\n";
    expected += header == "Users" ? "    Administrators\n" : "    User\n";
    if (header == "Definitions") expected += "    Database Bruker\n";
    if (header == "Index") expected += "    Standard\n";
  }
  expected += "Data\n  ** Ingen data (denne linjen kan endres elles slettes) **\n";
  EXPECT_EQ(Tree(), expected);
  EXPECT_EQ(SubListOf(Find("Version")).size(), 10u);
  ExpectConsistent();
}

TEST_F(InitialContentTest, TheTreeOfAMinimalDatabase) {
  Create(true);
  std::string expected = "System\n  Version\n";
  for (const std::string& line : SubListOf(Find("Version"))) expected += "    " + line + "\n";
  expected += "Data\n  ** Ingen data (denne linjen kan endres elles slettes) **\n";
  EXPECT_EQ(Tree(), expected);
  EXPECT_EQ(Find("Definitions"), -1);
  EXPECT_EQ(Find("Database Bruker"), -1);
}

TEST_F(InitialContentTest, TheStandardTemplateHasItsTenRows) {
  Create(false);
  const Position at = Find("Database Bruker");
  ASSERT_GT(at, 0);
  const PointerRecord tmpl = RecordAt(at);
  EXPECT_EQ(tmpl.kind, kKindTemplate);
  const Bytes f = File();
  TemplateHeader header = TemplateHeader::Decode(
      std::span<const uint8_t, kTemplateHeaderSize>(f.data() + tmpl.dataBlock, kTemplateHeaderSize));
  EXPECT_EQ(header.TotalSize, 16u + 640u);
  EXPECT_EQ(header.FieldCount, 10);
  EXPECT_EQ(header.DataSize, 434);  // the DataLength of the ten rows
  EXPECT_EQ(header.HasInherited, 0);
  const auto rows = StandardUserTemplateRows();
  for (size_t i = 0; i < rows.size(); ++i) {
    const size_t at = size_t(tmpl.dataBlock) + kTemplateHeaderSize + kTemplateFieldSize * i;
    EXPECT_EQ(TemplateField::Decode(std::span<const uint8_t, kTemplateFieldSize>(f.data() + at, kTemplateFieldSize)),
              rows[i]);
  }
}

TEST_F(InitialContentTest, MissingFullNameAndCompanyGiveTheLabelsAlone) {
  ResetSettingsState();
  Create(true);
  Names lines = SubListOf(Find("Version"));
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[5], "Author: ");
  EXPECT_EQ(lines[6], "Company: ");
}

TEST_F(InitialContentTest, AfterOpeningANewDatabaseTheCursorIsOnTheNoDataLine) {
  Create(false);
  EXPECT_EQ(ReadName(*db), "** Ingen data (denne linjen kan endres elles slettes) **");
  EXPECT_EQ(dp().CurrentPosition(), RecordAt(Find("Data")).right);
  EXPECT_EQ(db->StackTop(), 0);  // the creation leaves no marks behind
}

TEST_F(InitialContentTest, ReopeningAddsNothing) {
  Create(true);
  const Bytes before = File();
  Reopen();
  EXPECT_EQ(File(), before);
  EXPECT_EQ(ReadName(*db), "** Ingen data (denne linjen kan endres elles slettes) **");
}

TEST_F(InitialContentTest, WithoutADataRecordTheCursorStaysOnTheFileHeader) {
  Create(true);
  // Rename "Data": the search for the first data record then finds nothing.
  dp().Load(Find("Data"));
  WriteName(*db, "Dato");
  Reopen();
  EXPECT_EQ(dp().CurrentPosition(), 0);
}

TEST_F(InitialContentTest, AReadOnlyNewDatabaseKeepsOnlyItsHeaderRecord) {
  EngineSetting("ReadOnlyDatabase", "1");
  EngineSetting("AutoCreateDatabase", "1");
  db = std::make_unique<tDataImageArk>(fs);
  OpenDatabase(*db, kFile);
  ASSERT_TRUE(db->IsOpen());
  EXPECT_EQ(File(), qn::test::NewDatabaseFile());
  EXPECT_EQ(dp().CurrentPosition(), 0);
  EXPECT_EQ(CreateInitialContent(*db, false), -1);
}

TEST_F(InitialContentTest, ADatabaseThatHoldsRecordsIsNeverFilledAgain) {
  Create(true);
  const Bytes before = File();
  EXPECT_EQ(CreateInitialContent(*db, false), -1);
  EXPECT_EQ(File(), before);
}

}  // namespace
