#include "templates/data_editor.h"

#include <gtest/gtest.h>

#include "env/datetime_text.h"
#include "env/errors.h"
#include "templates/template_fixture.h"

using namespace qn;
using namespace qn::test;

namespace {

class DataEditorTest : public TemplateFixture {
 protected:
  void SetUp() override {
    TemplateFixture::SetUp();
    MakeTemplate("Forelder", {Row("Navn", kTypeString, 8), Row("Tall", kTypeShortint, 1)});
    MakeTemplate("Barn", {Inherit("Forelder"), Row("Comp", kTypeComp, 8), Row("Beløp", kTypeDouble, 8, 12),
                          Row("Tid", kTypeTime, 2), Row("Stemplet", kTypeTDateTime, 8, 14),
                          Row("Ja", kTypeBoolean, 1), Row("Fri", 14, 3)});
    record = MakeData("Barn", line);
  }
  // Fills the record's 39 payload bytes with a recognisable pattern (no valid text).
  void Pattern() {
    Bytes& f = FileRef();
    size_t p = size_t(DataBlockOf(record)) + 16;
    for (size_t i = 0; i < 39; ++i) f[p + i] = uint8_t(0xA0 + i);
    f[p] = 3;  // "Navn" holds three characters
    PutI32(f, p + 17, 0);  // Beløp 0.0
    PutI32(f, p + 21, 0);
    Reopen();
    dp().Load(record);
  }
  std::unique_ptr<DataEditor> Open() {
    auto e = std::make_unique<DataEditor>(*db);
    EXPECT_EQ(e->LoadTemplate(), 0);
    e->LesData();
    return e;
  }
  Position record = 0;
};

TEST_F(DataEditorTest, TheGridShowsParentFieldsFirstAndNoRowForTheInheritedRow) {
  auto e = Open();
  ASSERT_EQ(e->RowCount(), 1u + 9u);
  EXPECT_EQ(e->Name(0), "Feltnavn");
  EXPECT_EQ(e->Value(0), "Verdi");
  std::vector<std::string> names;
  for (size_t r = 1; r < e->RowCount(); ++r) names.push_back(e->Name(r));
  EXPECT_EQ(names, (std::vector<std::string>{"Navn", "Tall", "Comp", "Beløp", "Tid", "Stemplet", "Ja", "Fri", ""}));
  EXPECT_EQ(e->Value(2), "0");
  EXPECT_EQ(e->Value(3), "");  // COMP has no text form
  EXPECT_EQ(e->Value(4), "           0");
  EXPECT_EQ(e->Value(7), "Nei");
}

TEST_F(DataEditorTest, TheKeysHopBetweenTheRowsThatNameAField) {
  auto e = Open();  // rows 1 to 8 name fields, row 9 names none
  using Hop = DataEditor::Hop;
  EXPECT_EQ(e->HopFrom(0, Hop::kNext), 1u);  // from the headings to the first value
  EXPECT_EQ(e->HopFrom(3, Hop::kNext), 4u);
  EXPECT_EQ(e->HopFrom(8, Hop::kNext), 1u);  // round, past the row without a field
  EXPECT_EQ(e->HopFrom(1, Hop::kPrevious), 8u);
  EXPECT_EQ(e->HopFrom(3, Hop::kBelow), 4u);
  EXPECT_EQ(e->HopFrom(8, Hop::kBelow), std::nullopt);  // Enter stops at the last
  EXPECT_FALSE(e->IsValueRow(0));
  EXPECT_FALSE(e->IsValueRow(9));
  EXPECT_FALSE(e->IsValueRow(99));
}

TEST_F(DataEditorTest, SavingKeepsTheBytesOfFieldsWithoutATextFormAndOfRefusedReals) {
  Pattern();
  Bytes before = Payload(record);
  auto e = Open();
  e->SetValue(2, "255");    // Tall
  e->SetValue(4, "3,5x");   // Beløp: not a number
  e->SetValue(6, e->Value(6));
  DataSaveResult r = e->SkrivData();
  EXPECT_EQ(r.status, DataSaveStatus::kWritten);
  EXPECT_EQ(r.refusedRows, (std::vector<size_t>{4}));
  Bytes after = Payload(record);
  Bytes expected = before;
  expected[8] = 0xFF;
  EXPECT_EQ(after, expected);
}

TEST_F(DataEditorTest, ATimeStampThatIsNotADateStopsTheSaveAfterTheFieldsBeforeIt) {
  auto e = Open();
  e->SetValue(1, "Kari");
  e->SetValue(6, "ikke en dato");
  e->SetValue(7, "Ja");
  DataSaveResult r = e->SkrivData();
  EXPECT_EQ(r.status, DataSaveStatus::kConvertError);
  EXPECT_EQ(r.stoppedAtRow, 6u);
  EXPECT_FALSE(r.message.empty());
  EXPECT_THROW(r.ThrowIfConvertError(), ConvertError);
  Bytes p = Payload(record);
  EXPECT_EQ(std::string(p.begin() + 1, p.begin() + 5), "Kari");
  EXPECT_EQ(p[35], 0);  // "Ja" after it was not written

  e->SetValue(6, "24.12.1999");
  ASSERT_TRUE(e->SkrivData().Written());
  EXPECT_EQ(GetF64(Payload(record), 27), 36518.0);
}

TEST_F(DataEditorTest, AShortOrMissingDataBlockIsNeverWrittenPast) {
  dp().Load(line);
  AddNamed(*db, DirDown, "kort");
  AddData(*db, Bytes(38, 0));  // one byte short of the template's 39
  dp().SetTemplatePos(LoadedTemplate(*db).TemplateRecordPos);
  dp().Store();
  AddNamed(*db, DirDown, "neste");
  AddData(*db, Bytes(4, 0xEE));
  dp().Load(At(line, kDownOffset));
  Bytes before = File();
  auto e = Open();
  e->SetValue(8, "x");
  e->SetValue(1, "Kari");
  DataSaveResult r = e->SkrivData();
  EXPECT_EQ(r.status, DataSaveStatus::kBlockTooShort);
  EXPECT_EQ(File(), before);

  dp().Load(record);
  dp().SetDataBlock(0);
  dp().Store();
  before = File();
  auto none = Open();
  EXPECT_EQ(none->Value(1), "");
  none->SetValue(1, "Kari");
  EXPECT_EQ(none->SkrivData().status, DataSaveStatus::kNoDataBlock);
  EXPECT_EQ(File(), before);
}

TEST_F(DataEditorTest, ARecordWithoutATemplateShowsHeadingsAndSavesNothing) {
  dp().Load(line);
  DataEditor e(*db);
  EXPECT_EQ(e.LoadTemplate(), -1);
  e.LesData();
  EXPECT_EQ(e.RowCount(), 1u);
  EXPECT_FALSE(e.SetValue(1, "x"));
  EXPECT_EQ(e.SkrivData().status, DataSaveStatus::kNoTemplate);
}

TEST_F(DataEditorTest, SavingLeavesThePointerRecordAndItsStampAlone) {
  Bytes before = File();
  auto e = Open();
  e->SetValue(1, "Ola");
  ASSERT_TRUE(e->SkrivData().Written());
  Bytes after = File();
  EXPECT_TRUE(std::equal(before.begin() + record, before.begin() + record + 256, after.begin() + record));
  EXPECT_NE(Payload(record), Bytes(39, 0));
}

TEST_F(DataEditorTest, OnlyEditedRowsKeepsAnEmptyDateThatShowsToday) {
  MakeTemplate("Dato", {Row("Dag", kTypeDate, 4), Row("Tall", kTypeByte, 1)});
  Position r = MakeData("Dato", line);
  auto e = Open();
  EXPECT_EQ(e->Value(1), FormatShortDate(NowAsDateTime()));
  e->SetValue(2, "7");
  ASSERT_TRUE(e->SkrivData(SaveRows::kEdited).Written());
  EXPECT_EQ(Payload(r), (Bytes{0, 0, 0, 0, 7}));
  e->SkrivData(SaveRows::kAll);  // "&Lagre" stores the date it showed
  EXPECT_EQ(Payload(r)[2], 19);
}

TEST_F(DataEditorTest, TemplatesOfMoreThan255RowsAreShownAndSavedWhole) {
  ASSERT_EQ(CreateTemplate(*db, "Mange"), 0);
  for (int i = 0; i < 300; ++i) AddTemplateField(*db, Row("f" + std::to_string(i), kTypeByte, 1));
  FinishTemplate(*db);
  Position r = MakeData("Mange", line);
  auto e = Open();
  ASSERT_EQ(e->RowCount(), 301u);
  EXPECT_EQ(e->Name(300), "f299");
  e->SetValue(300, "42");
  ASSERT_TRUE(e->SkrivData().Written());
  EXPECT_EQ(Payload(r)[299], 42);
  EXPECT_EQ(Payload(r)[43], 0);  // row 300 did not wrap onto row 44
}

TEST_F(DataEditorTest, ReadingTakesTheMarkedRecordsDataWhenUpdatingIsOn) {
  Position source = MakeData("Barn", record);
  {
    auto e = Open();
    e->SetValue(1, "Kilde");
    ASSERT_TRUE(e->SkrivData().Written());
  }
  dp().Load(record);
  ASSERT_EQ(dp().SetUpdateFrom(source), source);
  db->autoUpdate = true;
  EXPECT_EQ(Open()->Value(1), "Kilde");
  ExpectConsistent();
}

}  // namespace
