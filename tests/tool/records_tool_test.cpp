// quilltool create, tree, show, add-line, set-var and get-var on in-memory databases.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "store/datapointer.h"
#include "env/memory_files.h"
#include "store/record_blocks.h"
#include "env/log.h"
#include "env/settings.h"
#include "tool/tool.h"
#include "tool/tool_fixture.h"
#include "content/initial_content.h"

using namespace qn;
using namespace qn::tool;
using qn::test::Bytes;
using qn::test::MemoryFileSystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class RecordsToolTest : public qn::test::ToolFixture {
 protected:
  Position Find(const std::string& file, const std::string& name) {
    EXPECT_EQ(Run({"find", file, name}), kExitOk) << name;
    return Position(std::stol(out.str()));
  }

  // A "Database Bruker" record below the first data line of `file`, with Brukernavn "Ola"
  // and Bruker ID 42; the other fields zero. Its Position.
  Position UserRecord(const std::string& file) {
    tDataImageArk db(fs);
    OpenDatabase(db, file, OpenPolicy::kCreate);
    Datapointer& dp = *db.dp;  // on the first data line
    const Position tmpl = ScanForString(db, "Database Bruker", true);
    dp.Load(RecordAtLine(db));
    dp.NewDown();
    Bytes payload(434, 0);
    payload[0] = 3;  // Brukernavn: the length byte, then the text
    payload[1] = 'O';
    payload[2] = 'l';
    payload[3] = 'a';
    qn::PutI32(payload, 32 + 32 + 64 + 32 + 63 + 63, 42);  // Bruker ID
    AddData(db, payload);
    dp.SetTemplatePos(tmpl);
    dp.Store();
    return dp.CurrentPosition();
  }
  static Position RecordAtLine(tDataImageArk& db) {
    ScanForString(db, "Data", true);
    db.dp->GoRight();
    return db.dp->CurrentPosition();
  }

};

TEST_F(RecordsToolTest, CreateMakesAFullOrAMinimalDatabase) {
  EXPECT_EQ(Run({"create", "full.pdb256"}), kExitOk);
  EXPECT_EQ(Run({"create", "--minimal", "min.pdb256"}), kExitOk);
  EXPECT_EQ(Run({"find", "full.pdb256", "SystemRegister"}), kExitOk);
  EXPECT_EQ(Run({"find", "min.pdb256", "SystemRegister"}), kExitNotFound);
  EXPECT_EQ(Run({"find", "min.pdb256", "Data"}), kExitOk);
  EXPECT_EQ(Run({"create", "a.pdb256", "b.pdb256"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: usage: quilltool create FILE [--minimal]\n");
  // The settings say nothing about the content afterwards.
  SectionScope section(kEngineSection);
  EXPECT_FALSE(SettingExists("AutoCreateRecords"));
}

TEST_F(RecordsToolTest, CreateFollowsTheCommandNotTheSetting) {
  SharedSettings().Set(kEngineSection, "AutoCreateRecords", "1");
  EXPECT_EQ(Run({"create", "full.pdb256"}), kExitOk);
  EXPECT_EQ(Run({"find", "full.pdb256", "Definitions"}), kExitOk);
  SectionScope section(kEngineSection);
  EXPECT_EQ(ReadSettingInteger("AutoCreateRecords"), 1);
}

TEST_F(RecordsToolTest, TreePrintsDisplayNames) {
  Run({"create", "db.pdb256"});
  const Position user = UserRecord("db.pdb256");
  const Position standard = Find("db.pdb256", "Standard");
  EXPECT_EQ(Run({"tree", "db.pdb256"}), kExitOk);
  EXPECT_THAT(out.str(), HasSubstr("    " + P(standard) + " 32 INDEX: Standard\n"));
  EXPECT_THAT(out.str(), HasSubstr("  " + P(user) + " 2 Ola, 42, 30.12.1899, 30.12.1899\n"));
}

TEST_F(RecordsToolTest, ShowPrintsTheRecordFieldByFieldAndItsData) {
  Run({"create", "db.pdb256"});
  const Position user = UserRecord("db.pdb256");
  const Bytes before = fs->Get("db.pdb256");
  EXPECT_EQ(Run({"show", "db.pdb256", P(user)}), kExitOk);
  const std::string text = out.str();
  EXPECT_THAT(text, StartsWith("position: " + P(user) + "\nup: "));
  EXPECT_THAT(text, HasSubstr("\nkind: 2\nnameBlock: 0\ncreated: "));
  EXPECT_THAT(text, HasSubstr("\nreplicated: Aldri\nreplication: 0\nlinkBlock: 0\nnoteBlock: 0\n"
                              "pictureBlock: 0\nname: \n"
                              "display: Ola, 42, 30.12.1899, 30.12.1899\n"
                              "field Brukernavn: Ola\nfield Gruppe: \nfield Full Navn: \n"
                              "field Passord: \nfield e-post: \nfield Domene: \n"
                              "field Bruker ID: 42\nfield Sist replikert: 30.12.1899\n"
                              "field Start replikering: 30.12.1899\nfield Repliker Mappe: \n"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 23 + 2 + 10);
  EXPECT_THAT(text, ::testing::ContainsRegex("\nchanged: [0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\n"));
  EXPECT_EQ(fs->Get("db.pdb256"), before);
}

TEST_F(RecordsToolTest, ShowOfANamedLineHasNoFieldLines) {
  Run({"create", "db.pdb256", "--minimal"});
  EXPECT_EQ(Run({"show", "db.pdb256", "256"}), kExitOk);
  EXPECT_THAT(out.str(), HasSubstr("\nright: 776\n"));
  EXPECT_THAT(out.str(), HasSubstr("\nname: System\ndisplay: System\n"));
  EXPECT_THAT(out.str(), ::testing::Not(HasSubstr("field ")));
  EXPECT_EQ(Run({"show", "db.pdb256", "512"}), kExitError);  // a name block
  EXPECT_EQ(err.str(), "quilltool: no record at Position 512\n");
  EXPECT_EQ(Run({"show", "db.pdb256", "x"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: no record at Position x\n");
}

TEST_F(RecordsToolTest, AddLinePutsANamedLineBelowOrIntoTheSubList) {
  Run({"create", "db.pdb256", "--minimal"});
  const Position line = Find("db.pdb256", "** Ingen data (denne linjen kan endres elles slettes) **");
  const size_t size = fs->Get("db.pdb256").size();
  EXPECT_EQ(Run({"add-line", "db.pdb256", P(line), "right", "Under"}), kExitOk);
  EXPECT_EQ(out.str(), std::to_string(size) + "\n");
  EXPECT_EQ(Run({"add-line", "db.pdb256", P(line), "down", "Så"}), kExitOk);
  EXPECT_EQ(out.str(), std::to_string(size + 520) + "\n");
  Run({"tree", "db.pdb256"});
  EXPECT_THAT(out.str(), ::testing::EndsWith("  " + P(line) + " 1 ** Ingen data (denne linjen kan endres elles slettes) **\n" +
                                             "    " + std::to_string(size) + " 1 Under\n" +
                                             "  " + std::to_string(size + 520) + " 1 Så\n"));
  EXPECT_EQ(Run({"check", "db.pdb256"}), kExitOk);
}

TEST_F(RecordsToolTest, AddLineRefusesWhatItCannotDo) {
  Run({"create", "db.pdb256", "--minimal"});
  const Bytes before = fs->Get("db.pdb256");
  EXPECT_EQ(Run({"add-line", "db.pdb256", "256", "left", "x"}), kExitError);
  EXPECT_EQ(Run({"add-line", "db.pdb256", "0", "right", "x"}), kExitError);
  EXPECT_EQ(Run({"add-line", "db.pdb256", "300", "down", "x"}), kExitError);
  EXPECT_EQ(Run({"add-line", "db.pdb256", "256", "down", ""}), kExitError);
  EXPECT_EQ(fs->Get("db.pdb256"), before);
  EXPECT_EQ(Run({"add-line", "none.pdb256", "256", "down", "x"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: none.pdb256: no such file\n");
  EXPECT_FALSE(fs->Exists("none.pdb256"));
}

TEST_F(RecordsToolTest, AddLineBelowTheFileHeaderStartsTheTopLevelList) {
  Run({"create", "db.pdb256", "--minimal"});
  EXPECT_EQ(Run({"add-line", "db.pdb256", "0", "down", "Øverst"}), kExitOk);
  const Position top = Position(std::stol(out.str()));
  EXPECT_EQ(qn::test::GetI32(fs->Get("db.pdb256"), kDownOffset), top);
}

TEST_F(RecordsToolTest, RegisterVariablesAreSetAndRead) {
  Run({"create", "db.pdb256"});
  EXPECT_EQ(Run({"set-var", "db.pdb256", "Farge", "blå"}), kExitOk);
  EXPECT_EQ(Run({"get-var", "db.pdb256", "Farge"}), kExitOk);
  EXPECT_EQ(out.str(), "blå\n");
  EXPECT_EQ(Run({"set-var", "db.pdb256", "Farge", "grønn"}), kExitOk);
  EXPECT_EQ(Run({"get-var", "db.pdb256", "Farge"}), kExitOk);
  EXPECT_EQ(out.str(), "grønn\n");
  EXPECT_EQ(Run({"get-var", "db.pdb256", "farge"}), kExitNotFound);
  EXPECT_EQ(err.str(), "quilltool: no register variable \"farge\"\n");
  EXPECT_EQ(Run({"get-var", "db.pdb256", "User"}), kExitNotFound);  // the placeholder
  Run({"tree", "db.pdb256"});
  EXPECT_THAT(out.str(), HasSubstr(" 64 Farge=grønn\n"));
}

TEST_F(RecordsToolTest, AVariableNeedsTheSystemRegister) {
  Run({"create", "db.pdb256", "--minimal"});
  const Bytes before = fs->Get("db.pdb256");
  EXPECT_EQ(Run({"set-var", "db.pdb256", "x", "1"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: db.pdb256: no \"SystemRegister\" list\n");
  EXPECT_EQ(Run({"get-var", "db.pdb256", "x"}), kExitNotFound);
  EXPECT_EQ(fs->Get("db.pdb256"), before);
}

}  // namespace

TEST_F(RecordsToolTest, ARegisterVariableNameLongerThan255CharactersIsRefusedNotCut) {
  Run({"create", "db.pdb256"});
  const std::string stem(255, 'n');
  EXPECT_EQ(Run({"set-var", "db.pdb256", stem, "kort"}), kExitOk);
  const Bytes before = fs->Get("db.pdb256");
  EXPECT_EQ(Run({"set-var", "db.pdb256", stem + "x", "lang"}), kExitError);
  EXPECT_EQ(err.str(), "quilltool: a register variable name holds at most 255 characters\n");
  EXPECT_EQ(fs->Get("db.pdb256"), before);
  EXPECT_EQ(Run({"get-var", "db.pdb256", stem + "x"}), kExitNotFound);
  // 255 characters that take two bytes each in UTF-8 are one byte each in the file.
  std::string wide;
  for (int i = 0; i < 255; ++i) wide += "ø";
  EXPECT_EQ(Run({"set-var", "db.pdb256", wide, "1"}), kExitOk);
}

TEST_F(RecordsToolTest, TextsFromTheFileArePrintedWithTheirControlCharactersEscaped) {
  Run({"create", "db.pdb256"});
  // A name that would clear the screen, a value with a line break, a backslash and a C1
  // control (byte 0x81 of the file's code page).
  const std::string name = "a\x1b[2Jb\\c";
  ASSERT_EQ(Run({"set-var", "db.pdb256", "v", "1\n2\xc2\x81"}), kExitOk);
  ASSERT_EQ(Run({"add-line", "db.pdb256", "0", "down", name}), kExitOk);
  const std::string line = out.str().substr(0, out.str().size() - 1);
  EXPECT_EQ(Run({"get-var", "db.pdb256", "v"}), kExitOk);
  EXPECT_EQ(out.str(), "1\\x0a2\\u0081\n");
  EXPECT_EQ(Run({"tree", "db.pdb256"}), kExitOk);
  EXPECT_THAT(out.str(), StartsWith(line + " 1 a\\x1b[2Jb\\\\c\n"));
  EXPECT_THAT(out.str(), HasSubstr(" 64 v=1\\x0a2\\u0081\n"));
  EXPECT_EQ(out.str().find('\x1b'), std::string::npos);
  EXPECT_EQ(Run({"show", "db.pdb256", line}), kExitOk);
  EXPECT_THAT(out.str(), HasSubstr("\nname: a\\x1b[2Jb\\\\c\ndisplay: a\\x1b[2Jb\\\\c\n"));
}

TEST_F(RecordsToolTest, CheckReportsARegisterVariableWithItsNameAndValueExchanged) {
  Run({"create", "db.pdb256"});
  Run({"set-var", "db.pdb256", "Farge", "blå"});
  const Position var = Find("db.pdb256", "Farge");
  Bytes& f = *fs->files.at("db.pdb256");
  const Position name = GetI32(f, size_t(var) + kNameBlockOffset);
  const Position value = GetI32(f, size_t(var) + kDataBlockOffset);
  qn::PutI32(f, size_t(var) + kNameBlockOffset, value);
  qn::PutI32(f, size_t(var) + kDataBlockOffset, name);
  EXPECT_EQ(Run({"check", "db.pdb256"}), kExitNotFound);
  EXPECT_EQ(out.str(), P(var) + ": name block " + P(value) + " and value block " + P(name) +
                           " are exchanged\n");
}
