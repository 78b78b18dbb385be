#include "exchange/text_export.h"

#include <cerrno>

#include "env/errors.h"
#include "exchange/exchange_fixture.h"

namespace qn::test {
namespace {

class TextExportTest : public ExchangeFixture {
 protected:
  void SetUp() override {
    ExchangeFixture::SetUp();
    TemplateField b = Row("B", kTypeString, 300);
    b.Hidden = 1;
    abc = MakeTemplate("Abc", {Row("A", kTypeLongint, 4), b, Row("Kurs", kTypeComp, 8), Row("C", kTypeBoolean, 1)});
    other = MakeTemplate("Annen", {Row("X", kTypeLongint, 4)});
    // "Første linje" is the list's first record; below it records of both templates.
    first = MakeData("Abc", line);
    second = MakeData("Annen", first);
    third = MakeData("Abc", second);
    SetPayload(first, Join({IntBytes(42), TextBytes("abc", 300), Bytes(8, 0), Bytes{1}}));
    SetPayload(third, Join({IntBytes(-7), TextBytes("1,5 æ \"x\"", 300), Bytes(8, 0), Bytes{0}}));
  }
  Position abc = 0, other = 0, first = 0, second = 0, third = 0;
};

TEST_F(TextExportTest, ClassicLinesKeepTheirFormat) {
  dp().Load(line);
  EXPECT_EQ(FirstTemplateDown(*db), abc);
  EXPECT_EQ(dp().CurrentPosition(), first);
  TextExportResult result;
  // The header names every field (hidden and opaque ones too) and ends in ";"; a data line
  // leaves out the field without a text form, and a comma in a value becomes ";".
  EXPECT_EQ(ListText(*db, abc, TextFormat::kClassic, &result),
            "A;B;Kurs;C;\r\n42;abc;Ja\r\n-7;1;5 \xE6 \"x\";Nei\r\n");
  EXPECT_EQ(result.records, 2);
  EXPECT_EQ(result.cutLines, 0);
  EXPECT_EQ(dp().CurrentPosition(), first);
  EXPECT_EQ(ListText(*db, other, TextFormat::kClassic), "X;\r\n0\r\n");

  // The first record of a list is never exported, even when it has the template.
  dp().Load(first);
  LoadTemplate(*db, "Abc");
  const Position top = CreateDataRecord(*db, DirRight);
  SetPayload(top, Join({IntBytes(1), TextBytes(std::string(255, 'x'), 300), Bytes(8, 0), Bytes{1}}));
  const Position below = MakeData("Abc", top);
  SetPayload(below, Join({IntBytes(2), TextBytes(std::string(255, 'y'), 300), Bytes(8, 0), Bytes{1}}));
  const std::string text = ListText(*db, abc, TextFormat::kClassic, &result);
  EXPECT_EQ(text, "A;B;Kurs;C;\r\n2;" + std::string(253, 'y') + "\r\n");
  EXPECT_EQ(result.records, 1);
  EXPECT_EQ(result.cutLines, 1);
}

TEST_F(TextExportTest, CsvQuotesCutsNothingAndWritesUtf8) {
  dp().Load(line);
  // The field without a text form keeps its column as an empty cell.
  EXPECT_EQ(ListText(*db, abc, TextFormat::kCsv), "A,B,Kurs,C\r\n42,abc,,Ja\r\n-7,\"1,5 æ \"\"x\"\"\",,Nei\r\n");
  // A line break of either kind stays inside its quoted cell.
  for (const char* lineBreak : {"\r", "\n"}) {
    SetPayload(first, Join({IntBytes(1), TextBytes(std::string("to") + lineBreak + "linjer", 300), Bytes(8, 0), Bytes{1}}));
    const std::string row = std::string("A,B,Kurs,C\r\n1,\"to") + lineBreak + "linjer\",,Ja\r\n";
    EXPECT_EQ(ListText(*db, abc, TextFormat::kCsv).substr(0, row.size()), row);
  }
}

TEST_F(TextExportTest, FilesAreReplacedAndFailuresReported) {
  out->Put("liste.txt", Bytes(1000, 'z'));
  dp().Load(line);
  EXPECT_EQ(WriteListText(*db, *out, "liste.txt", abc, TextFormat::kClassic).records, 2);
  EXPECT_EQ(OutFile("liste.txt").substr(0, 12), "A;B;Kurs;C;\r");
  // No record of the template: an empty file.
  EXPECT_EQ(WriteListText(*db, *out, "tom.txt", 999, TextFormat::kClassic).records, 0);
  EXPECT_EQ(OutFile("tom.txt"), "");
  // A named line without data below it: nothing to export.
  dp().Load(definitions);
  EXPECT_EQ(FirstTemplateDown(*db), 0);
  out->createError = 5;
  EXPECT_THROW(WriteListText(*db, *out, "liste.txt", abc, TextFormat::kClassic), IoError);
  // A system error without a row of its own is named by the system's text, then its number.
  out->createError = 1000 + EISDIR;
  try {
    WriteListText(*db, *out, "liste.txt", abc, TextFormat::kClassic);
    ADD_FAILURE() << "no IoError";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find(": Er en mappe (1021)"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace qn::test
