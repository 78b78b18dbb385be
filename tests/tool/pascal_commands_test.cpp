// quilltool template, pascal, declarations and import-pascal: a Pascal source imported
// into a new database and the templates it made printed back.
#include <gtest/gtest.h>

#include <fstream>

#include "content/initial_content.h"
#include "tool/tool_fixture.h"

using namespace qn;

namespace {

class PascalCommandsTest : public qn::test::ToolFixture {
 protected:
  void SetUp() override {
    ToolFixture::SetUp();
    fs->Put("db.pdb256", qn::test::NewDatabaseFile());
    tDataImageArk db(fs);
    OpenDatabase(db, "db.pdb256", OpenPolicy::kCreate);  // with its standard content
    source = testing::TempDir() + "quill_pascal_commands.pas";
    std::ofstream(source) << "type\n  TPunkt = record\n    X, Y: Integer;\n    Navn: string[10];\n  end;\n"
                             "  TSirkel = object(TPunkt)\n    Radius: Double;\n  end;\n";
  }
  std::string source;
};

TEST_F(PascalCommandsTest, ImportedDeclarationsPrintBackAsTemplatesAndDeclarations) {
  ASSERT_EQ(Run({"declarations", source}), 0);
  EXPECT_EQ(out.str(), "TPunkt = record\nTSirkel = object(TPunkt)\n");
  ASSERT_EQ(Run({"import-pascal", "db.pdb256", source}), 0) << err.str();
  EXPECT_EQ(out.str(), "TPunkt\t3\nTSirkel\t2\n");  // X, Y: two fields
  ASSERT_EQ(Run({"template", "db.pdb256", "TSirkel"}), 0);
  EXPECT_EQ(out.str(),
            "0\tX\tSMALLINT\t3\t6\t0\t0\t1\t6\t2\n"
            "1\tY\tSMALLINT\t3\t6\t0\t0\t1\t6\t2\n"
            "2\tNAVN\tString\t16\t10\t0\t0\t1\t0\t11\n"
            "3\tTPunkt\tINHERITED\t0\t0\t0\t0\t0\t0\t0\n"
            "4\tRADIUS\tDOUBLE\t8\t12\t0\t0\t1\t12\t8\n"
            "DataSize\t8\n");
  ASSERT_EQ(Run({"pascal", "db.pdb256", "TSirkel", "--object"}), 0);
  EXPECT_EQ(out.str(), "TYPE\n TSirkel = Object(TPunkt)\n      RADIUS : DOUBLE;\n    End;\n");
  ASSERT_EQ(Run({"pascal", "db.pdb256", "TPunkt", "--record"}), 0);
  EXPECT_EQ(out.str(),
            "TYPE\n TPunkt = Record\n     X : SMALLINT;\n     Y : SMALLINT;\n     NAVN : String;\n    End;\n");
  EXPECT_EQ(Run({"check", "db.pdb256"}), 0) << out.str();

  // Named again, the template is refused; a line no longer in the file is not found.
  EXPECT_EQ(Run({"import-pascal", "db.pdb256", source, "TPunkt = record"}), 2);
  EXPECT_EQ(Run({"import-pascal", "db.pdb256", source, "TPunkt = record", "--name", "Punkt 2"}), 0);
  EXPECT_EQ(out.str(), "Punkt 2\t3\n");
  EXPECT_EQ(Run({"import-pascal", "db.pdb256", source, "TBorte = record"}), 1);
  EXPECT_EQ(Run({"template", "db.pdb256", "TBorte"}), 1);
  EXPECT_EQ(Run({"declarations", "/nonexistent.pas"}), 2);
  EXPECT_EQ(ErrLines(), 1);
}

}  // namespace

namespace {

TEST_F(PascalCommandsTest, ImportingAllAgainSkipsEachNameAlreadyUsedWithOneLine) {
  ASSERT_EQ(Run({"import-pascal", "db.pdb256", source}), 0);
  EXPECT_EQ(out.str(), "TPunkt\t3\nTSirkel\t2\n");
  EXPECT_EQ(Run({"import-pascal", "db.pdb256", source}), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(ErrLines(), 2);
  EXPECT_NE(err.str().find("\"TSirkel = object(TPunkt)\" er hoppet over"), std::string::npos) << err.str();
}

}  // namespace
