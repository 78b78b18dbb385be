#include <gtest/gtest.h>

#include <sstream>

#include "store/datapointer.h"
#include "store/new_database_file.h"
#include "store/record_blocks.h"
#include "env/log.h"
#include "templates/template_store.h"
#include "templates/type_table.h"
#include "tool/tool.h"
#include "tool/tool_fixture.h"
#include "content/initial_content.h"

using namespace qn;
using namespace qn::tool;
using qn::test::Bytes;
using qn::test::MemoryFileSystem;
using qn::test::NewDatabaseFile;

namespace {

TemplateField Field(const char* name, uint16_t type, uint16_t dataLength) {
  TemplateField f;
  f.Name = name;
  f.DataType = type;
  f.DataLength = dataLength;
  return f;
}

class TemplateCommandsTest : public qn::test::ToolFixture {
 protected:
  void SetUp() override {
    ToolFixture::SetUp();
    fs->Put("db.pdb256", NewDatabaseFile());
    tDataImageArk db(fs);
    OpenDatabase(db, "db.pdb256", OpenPolicy::kCreate);
    Datapointer& dp = *db.dp;
    dp.Load(0);
    Position definitions = AddNamed(db, DirDown, "Definitions");
    Position data = AddNamed(db, DirDown, "Data");
    dp.Load(definitions);
    AddNamed(db, DirRight, "User");
    dp.Load(data);
    line = AddNamed(db, DirRight, "Linje");
    CreateTemplate(db, "Tom");
    FinishTemplate(db);
    CreateTemplate(db, "Person");
    // Row names are Windows-1252: "Født".
    for (const TemplateField& f : {Field("Navn", kTypeString, 32), Field("Alder", kTypeByte, 1),
                                   Field("F\xF8" "dt", kTypeTDateTime, 8), Field("Kode", kTypeComp, 8)})
      AddTemplateField(db, f);
    FinishTemplate(db);
    db.Close();
  }
  Bytes PayloadOf(Position record) {
    Bytes f = fs->Get("db.pdb256");
    Position block = qn::test::GetI32(f, size_t(record) + kDataBlockOffset);
    return Bytes(f.begin() + block + 16, f.begin() + block + qn::test::GetI32(f, size_t(block)));
  }

  Position line = 0;
};

TEST_F(TemplateCommandsTest, TemplatesListsTheChoiceInListOrder) {
  EXPECT_EQ(Run({"templates", "db.pdb256"}), kExitOk);
  EXPECT_EQ(out.str(), "Person\nTom\n");
}

TEST_F(TemplateCommandsTest, NewDataMakesAZeroRecordAndSetFieldChangesOnlyItsField) {
  ASSERT_EQ(Run({"new-data", "db.pdb256", std::to_string(line), "down", "Person"}), kExitOk);
  Position record = std::stoi(out.str());
  EXPECT_EQ(PayloadOf(record), Bytes(49, 0));

  Bytes f = fs->Get("db.pdb256");
  Position block = qn::test::GetI32(f, size_t(record) + kDataBlockOffset);
  f[size_t(block) + 16 + 41] = 0x77;  // a byte of the opaque "Kode"
  fs->Put("db.pdb256", f);
  EXPECT_EQ(Run({"set-field", "db.pdb256", std::to_string(record), "Navn", std::string(40, 'x')}), kExitOk);
  EXPECT_EQ(out.str(), std::string(31, 'x') + "\n");
  EXPECT_EQ(Run({"set-field", "db.pdb256", std::to_string(record), "Født", "24.12.1999"}), kExitOk);
  EXPECT_EQ(out.str(), "24.12.1999\n");
  Bytes p = PayloadOf(record);
  EXPECT_EQ(p[0], 31);
  EXPECT_EQ(p[32], 0);
  EXPECT_EQ(GetF64(p, 33), 36518.0);
  EXPECT_EQ(p[41], 0x77);
}

TEST_F(TemplateCommandsTest, SetFieldExitsOneForAnUnknownFieldAndTwoForARefusedValue) {
  ASSERT_EQ(Run({"new-data", "db.pdb256", std::to_string(line), "right", "Person"}), kExitOk);
  std::string record = out.str().substr(0, out.str().size() - 1);
  Bytes before = fs->Get("db.pdb256");
  EXPECT_EQ(Run({"set-field", "db.pdb256", record, "Alderen", "3"}), kExitNotFound);
  EXPECT_EQ(Run({"set-field", "db.pdb256", record, "Født", "i går"}), kExitError);
  EXPECT_EQ(ErrLines(), 1);
  EXPECT_EQ(Run({"set-field", "db.pdb256", std::to_string(line), "Navn", "x"}), kExitError);
  EXPECT_EQ(fs->Get("db.pdb256"), before);
  EXPECT_EQ(Run({"new-data", "db.pdb256", record, "down", "Ingen"}), kExitNotFound);
  EXPECT_EQ(Run({"new-data", "db.pdb256", "12", "down", "Person"}), kExitError);
  EXPECT_EQ(Run({"new-data", "db.pdb256", record, "up", "Person"}), kExitError);
  EXPECT_EQ(fs->Get("db.pdb256"), before);
}

}  // namespace
