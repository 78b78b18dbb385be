// Pascal declarations: the keyword scan of source lines, the import of one declaration as
// a template, and the two declaration views.
#include <gtest/gtest.h>

#include <sstream>

#include "exchange/pascal_import.h"
#include "exchange/pascal_views.h"
#include "store/fault_injection.h"
#include "templates/def_editor.h"
#include "templates/template_fixture.h"

using namespace qn;
using namespace qn::test;

namespace {

TEST(PascalLinesTest, HeadersEndsAndFieldsAreKnownByTheirWords) {
  EXPECT_TRUE(IsTypeHeader("  TPERSON = RECORD"));
  EXPECT_TRUE(IsTypeHeader("TBIL = OBJECT(TKJORETOY)"));
  EXPECT_TRUE(IsTypeHeader("TFORM1 = CLASS(TFORM)"));
  EXPECT_FALSE(IsTypeHeader("TFORWARD = CLASS;"));  // a forward declaration
  EXPECT_FALSE(IsTypeHeader("VAR R : RECORD"));
  EXPECT_TRUE(IsTypeHeader("TPAKKET = PACKED RECORD  { PAKKET }"));
  // Only a record, object or class is one: no alias or array of one, no class reference.
  for (const char* other : {"TX = ARRAY[TKIND] OF TRECORDINFO", "TLISTE = TOBJECTLIST",
                            "TMETA = CLASS OF TBASE", "TPEKER = ^TRECORD", "TFARGE = (RECORD_A, CLASS_B)",
                            "  NAVN: ARRAY[TKIND] OF TOBJECT = ("})
    EXPECT_FALSE(IsTypeHeader(other)) << other;
  EXPECT_TRUE(IsEndLine("  END;"));
  EXPECT_FALSE(IsEndLine("  ENDE : BYTE;"));
  EXPECT_TRUE(IsFieldLine("  NAVN : STRING[30];"));
  for (const char* method : {"PROCEDURE VIS(A: BYTE);", "FUNCTION F(X: INTEGER): BYTE;",
                             "PROPERTY P: BYTE READ FP;", "CONSTRUCTOR INIT(A: WORD);",
                             "DESTRUCTOR DONE(A: WORD);"})
    EXPECT_FALSE(IsFieldLine(method)) << method;
  EXPECT_FALSE(IsFieldLine("PRIVATE"));
  EXPECT_EQ(UpperCase8("navn\xe6\xf8\xe5"), "NAVN\xc6\xd8\xc5");
}

TEST(PascalLinesTest, AFieldLineGivesTypeLengthsRepeatAndName) {
  auto navn = ParseFieldLine("    NAVN : STRING[30];");
  ASSERT_TRUE(navn);
  EXPECT_EQ(navn->field.Name, "NAVN");
  EXPECT_EQ(navn->field.DataType, kTypeString);
  EXPECT_EQ(navn->field.Length, 30);
  EXPECT_EQ(navn->field.DataLength, 31);
  EXPECT_EQ(navn->field.ShowLength, 0);  // the type's own length, not the declared one
  EXPECT_EQ(navn->field.Required, 1);
  auto alder = ParseFieldLine("\tALDER:\tINTEGER; { år }");
  ASSERT_TRUE(alder);
  EXPECT_EQ(alder->field.Name, "ALDER");
  EXPECT_EQ(alder->field.DataType, kTypeSmallint);
  EXPECT_EQ(alder->field.DataLength, 2);
  auto tabell = ParseFieldLine("TABELL : ARRAY[1..3] OF BYTE;");
  ASSERT_TRUE(tabell);
  EXPECT_EQ(tabell->repeat, 3);
  EXPECT_EQ(tabell->field.DataType, kTypeByte);
  // The whole line is searched and the highest-numbered name wins.
  EXPECT_EQ(ParseFieldLine("STEMPEL : DATETIME;")->field.DataType, kTypeTime);
  EXPECT_EQ(ParseFieldLine("DATEFELT : LONGINT;")->field.DataType, kTypeDate);
  EXPECT_EQ(ParseFieldLine("{ A } B { C }: WORD;")->field.Name, "B");
  EXPECT_FALSE(ParseFieldLine("P : POINTER;"));          // no type
  EXPECT_FALSE(ParseFieldLine("T : ARRAY[5..1] OF BYTE;"));  // no elements
  EXPECT_FALSE(ParseFieldLine(" : BYTE;"));              // no name
}

TEST(PascalScanTest, TheScanCountsLinesAndListsHeadersWithoutLeadingBlanks) {
  std::istringstream source(
      "unit X;\ninterface\ntype\n  TForward = class;\n   TPerson = record\n    Navn: string[30];\n"
      "  end;\n\tTBil = object(TKjoretoy)\n  end;\n");
  const SourceScan scan = ScanSource(source);
  EXPECT_EQ(scan.AntLinjer, 9);
  EXPECT_EQ(scan.AntRecord, 2);
  EXPECT_EQ(scan.declarations, (std::vector<std::string>{"TPerson = record", "TBil = object(TKjoretoy)"}));
  // Binary bytes, a line of a megabyte and no line ends are lines like any other.
  std::string binary(1 << 20, '\0');
  binary += "\xff\xfe = record\x01";
  std::istringstream odd(binary);
  const SourceScan oddScan = ScanSource(odd);
  EXPECT_EQ(oddScan.AntLinjer, 1);
  EXPECT_EQ(oddScan.AntRecord, 1);
  EXPECT_FALSE(ScanSourceFile("/nonexistent/x.pas").error.empty());
  EXPECT_FALSE(ScanSourceFile("/tmp").error.empty());
}

constexpr const char* kUnit =
    "type\n"
    "  TPerson = record\n"
    "    Navn: string[30];\n"
    "    Alder: Integer;\n"
    "  end;\n"
    "  TBil = object(TKjoretoy)\n"
    "  private\n"
    "    Tabell: array[1..3] of Byte;\n"
    "    procedure Vis(A: Byte);\n"
    "    function Pris: Double;\n"
    "  end;\n";

class PascalImportTest : public TemplateFixture {
 protected:
  ImportResult Import(std::string_view declaration, std::string_view name = "",
                      const std::string& text = kUnit) {
    std::istringstream source(text);
    return ImportDeclaration(*db, source, declaration, name);
  }
  std::vector<TemplateField> Stored(const std::string& name) {
    EXPECT_EQ(LoadTemplate(*db, name), 0);
    return LoadedTemplate(*db).Fields;
  }
};

TEST_F(PascalImportTest, ImportingAllSkipsANameAlreadyUsedAndGoesOn) {
  const std::string unit =
      "type\n"
      "  TKinds = Array[TKind] of TRecordInfo\n"  // an alias whose ";" follows on the next line
      "    ;\n"
      "{$IFDEF FPC}\n"
      "  TPunkt = record\n    X, Y: Integer;\n  end;\n"
      "{$ELSE}\n"
      "  TPunkt = record\n    X, Y: Longint;\n  end;\n"
      "{$ENDIF}\n"
      "  TNode = class;\n"  // forward, then the body
      "  TEldre = record\n    A: Byte;\n  end;\n"
      "  TNode = class(TObject)\n    Verdi: Word;\n  end;\n"
      "  TMeta = class of TNode\n  ;\n";
  MakeTemplate("TEldre", {Row("A", kTypeByte, 1)});
  std::istringstream in(unit);
  const PascalSource source(in);
  EXPECT_EQ(source.Scan().declarations,
            (std::vector<std::string>{"TPunkt = record", "TPunkt = record", "TEldre = record", "TNode = class(TObject)"}));
  const std::vector<ImportResult> results = ImportAllDeclarations(*db, source);
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0].status, ImportResult::Status::kImported);
  EXPECT_EQ(results[1].status, ImportResult::Status::kSkipped);
  EXPECT_EQ(results[1].message, "\"TPunkt = record\" er hoppet over: navnet \"TPunkt\" er allerede i bruk i databasen.");
  EXPECT_EQ(results[2].status, ImportResult::Status::kSkipped);
  EXPECT_EQ(results[3].status, ImportResult::Status::kImported);
  EXPECT_EQ(Stored("TPunkt").size(), 2u);
  EXPECT_EQ(Stored("TPunkt")[0].DataType, kTypeSmallint);  // the first branch
  EXPECT_EQ(Stored("TNode")[1].Name, "VERDI");
  ExpectConsistent();
}

TEST_F(PascalImportTest, ADeclarationBecomesATemplateTheDataEditorFills) {
  dp().Load(line);
  std::vector<int> percents;
  std::istringstream source(kUnit);
  const ImportResult person = ImportDeclaration(*db, source, "TPerson = record", "",
                                                [&](int p, std::string_view) { percents.push_back(p); });
  ASSERT_EQ(person.status, ImportResult::Status::kImported) << person.message;
  EXPECT_EQ(dp().CurrentPosition(), line);
  EXPECT_EQ(person.name, "TPerson");
  EXPECT_EQ(percents.back(), 100);
  const std::vector<TemplateField> rows = Stored("TPerson");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Name, "NAVN");
  EXPECT_EQ(rows[0].DataType, kTypeString);
  EXPECT_EQ(rows[0].Length, 30);
  EXPECT_EQ(rows[0].DataLength, 31);
  EXPECT_EQ(rows[1].Name, "ALDER");
  EXPECT_EQ(rows[1].DataType, kTypeSmallint);
  EXPECT_EQ(LoadedTemplate(*db).Header.DataSize, 33);

  const Position record = MakeData("TPerson", line);
  DataEditor data(*db);
  ASSERT_EQ(data.LoadTemplate(), 0);
  data.LesData();
  data.SetValue(1, "Ola");
  data.SetValue(2, "7");
  EXPECT_TRUE(data.SkrivData().Written());
  EXPECT_EQ(Payload(record)[31], 7);

  const ImportResult bil = Import("TBil = object(TKjoretoy)", "Bil");
  ASSERT_EQ(bil.status, ImportResult::Status::kImported);
  const std::vector<TemplateField> bilRows = Stored("Bil");
  ASSERT_EQ(bilRows.size(), 4u);  // the parent is not there: only the INHERITED row
  EXPECT_EQ(bilRows[0].DataType, kTypeInherited);
  EXPECT_EQ(bilRows[0].Name, "TKjoretoy");
  EXPECT_EQ(bilRows[1].Name, "TABELL1");
  EXPECT_EQ(bilRows[3].Name, "TABELL3");
  EXPECT_EQ(bilRows[3].DataLength, 1);
  EXPECT_EQ(LoadedTemplate(*db).Header.HasInherited, 1);
  ExpectConsistent();
}

TEST_F(PascalImportTest, WhatCannotBeImportedMakesNothing) {
  const Bytes before = File();
  EXPECT_EQ(Import("TGone = record").status, ImportResult::Status::kNotFound);
  EXPECT_EQ(Import("TLast = record", "", "x\nTLast = record").status, ImportResult::Status::kNotFound);
  EXPECT_EQ(Import("TPerson = record", "Definitions").status, ImportResult::Status::kRefused);
  EXPECT_EQ(Import("= record", "", "= record\nA: BYTE;\nend;\n").status, ImportResult::Status::kRefused);
  EXPECT_EQ(File(), before);
  ASSERT_EQ(Import("TPerson = record").status, ImportResult::Status::kImported);
  const ImportResult twice = Import("TPerson = record");
  EXPECT_EQ(twice.status, ImportResult::Status::kRefused);  // its name would never be found
  EXPECT_NE(twice.message.find("Spør etter navn"), std::string::npos);
  // An array too long for a template is left out and counted.
  const ImportResult big = Import("TBig = record", "", "TBig = record\nA: array[1..70000] of Byte;\nB: Word;\nend;\n");
  EXPECT_EQ(big.fields, 1u);
  EXPECT_EQ(big.skippedLines, 1u);
}

TEST_F(PascalImportTest, AnImportIsOneChange) {
  db.reset();
  ExpectAllOrNothing(
      *fs, kFile,
      [this] {
        auto d = std::make_unique<tDataImageArk>(fs);
        d->Open(kFile, OpenPolicy::kCreate);
        return d;
      },
      [](tDataImageArk& d) {
        std::istringstream source(kUnit);
        EXPECT_EQ(ImportDeclaration(d, source, "TBil = object", "").status, ImportResult::Status::kImported);
      });
  Reopen();
}

// A declaration's layout as the rows it should give: name and type of each.
using Layout = std::vector<std::pair<std::string, uint16_t>>;

std::vector<std::pair<std::string, uint16_t>> RowsOf(const std::vector<TemplateField>& fields) {
  Layout rows;
  for (const TemplateField& f : fields) rows.emplace_back(f.Name, f.DataType);
  return rows;
}

TEST_F(PascalImportTest, ARecordsNestedRecordsNameListsAndFirstBranchMakeItsLayout) {
  const std::string unit =
      "type\n"
      "  OldTPerson = record\n"  // contains the next header's text: still not its fields
      "    Gammel: Byte;\n"
      "  end;\n"
      "  TPerson = record\n"
      "    X, Y: Integer;\n"
      "    Adresse: packed record { inline }\n"
      "      Gate: string[20];\n"
      "      Pos: record\n"
      "        A, B: array[1..2] of Byte;\n"
      "      end;\n"
      "    end;\n"
      "{$IFDEF WIN32}\n"
      "    Id: Word;\n"
      "  {$IFDEF DEBUG}\n"
      "    Spor: Byte;\n"
      "  {$ELSE}\n"
      "    Spor: Word;\n"
      "  {$ENDIF}\n"
      "{$ELSEIF LINUX}\n"
      "    Id: Longint;\n"
      "{$ELSE}\n"
      "    Id: Byte;\n"
      "{$ENDIF}\n"
      "    Alder: Byte;\n"
      "  end;\n"
      "  TNeste = record\n"
      "    Z: Word;\n"
      "  end;\n";
  const Layout person{{"X", kTypeSmallint}, {"Y", kTypeSmallint}, {"GATE", kTypeString}, {"A1", kTypeByte},
                      {"A2", kTypeByte},    {"B1", kTypeByte},    {"B2", kTypeByte},     {"ID", kTypeWord},
                      {"SPOR", kTypeByte},  {"ALDER", kTypeByte}};
  // From a stream read as far as the declaration, and from one read of the whole source.
  ASSERT_EQ(Import("TPerson = record", "", unit).fields, person.size());
  EXPECT_EQ(RowsOf(Stored("TPerson")), person);
  EXPECT_EQ(LoadedTemplate(*db).Header.DataSize, 2 + 2 + 21 + 4 + 2 + 1 + 1);
  std::istringstream in(unit);
  const PascalSource source(in);
  EXPECT_EQ(source.Scan().declarations.size(), 3u);
  ASSERT_EQ(ImportDeclaration(*db, source, "TPerson = record", "Person 2").status,
            ImportResult::Status::kImported);
  EXPECT_EQ(RowsOf(Stored("Person 2")), person);
  ASSERT_EQ(ImportDeclaration(*db, source, "TNeste", "").status, ImportResult::Status::kImported);
  EXPECT_EQ(RowsOf(Stored("TNeste")), (Layout{{"Z", kTypeWord}}));
  ExpectConsistent();

  auto pair = ParseFieldLine("  { A, B } C ,D,, : ARRAY[0..1] OF WORD;");
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->names, (std::vector<std::string>{"C", "D"}));
  EXPECT_EQ(pair->field.Name, "C");
  EXPECT_FALSE(ParseFieldLine(" , : BYTE;"));
  // Too many rows for a template: the whole line is left out.
  const ImportResult big =
      Import("TBig = record", "", "TBig = record\nA, B: array[1..40000] of Byte;\nC: Word;\nend;\n");
  EXPECT_EQ(big.fields, 1u);
  EXPECT_EQ(big.skippedLines, 1u);
  // A long line of comments is read once, not once a comment.
  std::string braces = "TOdd = record\nX:";
  for (int i = 0; i < (1 << 18); ++i) braces += "{}";
  EXPECT_EQ(Import("TOdd = record", "", braces + "\nY: Byte;\nend;\n").fields, 1u);
}

// A source of many declarations, some whose header text lies inside an earlier header,
// read once and imported whole: every template has the rows its own declaration lists.
TEST_F(PascalImportTest, AllOfALargeSourceImportFromOneReadOfIt) {
  constexpr int kDeclarations = 300;
  const auto NameOf = [](int d) { return d % 2 ? "T" + std::to_string(d) : "XT" + std::to_string(d + 1); };
  std::string text = "unit Stor;\ninterface\ntype\n";
  std::vector<Layout> layouts;
  const char* types[] = {"Byte", "Word", "string[12]", "Integer", "Double"};
  const uint16_t codes[] = {kTypeByte, kTypeWord, kTypeString, kTypeSmallint, kTypeDouble};
  for (int d = 0; d < kDeclarations; ++d) {
    // "XT7 = record" comes before "T7 = record" and contains it.
    text += "  " + NameOf(d) + " = record\n";
    Layout layout;
    for (int f = 0; f <= d % 6; ++f) {
      const int t = (d + f) % 5;
      text += "    Felt" + std::to_string(f) + ": " + types[t] + ";\n";
      layout.emplace_back("FELT" + std::to_string(f), codes[t]);
    }
    text += "    procedure Vis;\n  end;\n";
    layouts.push_back(layout);
  }
  std::istringstream in(text);
  const PascalSource source(in);
  ASSERT_EQ(source.Scan().AntRecord, kDeclarations);
  for (const std::string& d : source.Scan().declarations)
    ASSERT_EQ(ImportDeclaration(*db, source, d, "").status, ImportResult::Status::kImported) << d;
  for (int d = 0; d < kDeclarations; ++d) {
    EXPECT_EQ(RowsOf(Stored(NameOf(d))), layouts[size_t(d)]) << NameOf(d);
  }
  ExpectConsistent();
}

class NoHost : public DefEditorHost {
 public:
  std::string Input(std::string_view, std::string_view) override { return ""; }
  bool YesNo(std::string_view, bool d) override { return d; }
  void Message(std::string_view) override {}
  std::string ChooseTemplate(const std::vector<std::string>&) override { return ""; }
  std::string CurrentDisplayName() override { return ""; }
};

TEST_F(PascalImportTest, TheViewsWriteTheGridAndTheLoadedTemplate) {
  MakeTemplate("Kjøretøy", {Row("Hjul", kTypeByte, 1, 3)});
  MakeTemplate("Bil", {Inherit("Kjøretøy"), Row("Merke", kTypeString, 21, 20),
                       Row(std::string(60, 'L'), kTypeWord, 2, 5)});
  NoHost host;
  DefEditor e(*db, host, false);
  e.SetNameBox("Bil");
  ASSERT_TRUE(e.Open());
  e.EditCell(kColType, 2, "string");  // the grid, not the stored template, is written
  EXPECT_EQ(ObjectDeclaration(e),
            (std::vector<std::string>{"TYPE", " Bil = Object(Kjoeretoey)", "      Merke : STRING[20];",
                                      "      " + std::string(51, 'L') + " : WORD;", "    End;"}));
  // Names no Pascal compiler takes are written as identifiers; the template keeps its own.
  e.EditCell(kColNavn, 2, "WORD9 (57)");
  e.EditCell(kColNavn, 3, "2 hjul");
  EXPECT_EQ(ObjectDeclaration(e)[2], "      WORD9_57 : STRING[20];");
  EXPECT_EQ(ObjectDeclaration(e)[3], "      _2_hjul : WORD;");
  const std::vector<std::string> record = RecordDeclaration(e.NameBox(), LoadedTemplate(*db).Fields);
  ASSERT_EQ(record.size(), 6u);
  EXPECT_EQ(record[1], " Bil = Record");
  EXPECT_EQ(record[2], "     Hjul : BYTE;");
  EXPECT_EQ(record[3], "     Merke : String;");
  EXPECT_EQ(record[4], "     " + std::string(51, 'L') + " : WORD;");
  EXPECT_EQ(record[5], "    End;");
}

}  // namespace
