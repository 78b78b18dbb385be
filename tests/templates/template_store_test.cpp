#include "templates/template_store.h"

#include <gtest/gtest.h>

#include "templates/template_fixture.h"

using namespace qn;
using namespace qn::test;

namespace {

using Strings = std::vector<std::string>;

class TemplateStoreTest : public TemplateFixture {
 protected:
  // A named line in the top-level list, before "Definitions".
  Position LineFirst(const std::string& name) {
    dp().Load(0);
    return AddNamed(*db, DirDown, name);
  }
};

TEST_F(TemplateStoreTest, CreatedTemplateFollowsItsNameBlockWithHeaderAndRowsWithoutAGap) {
  Position t = MakeTemplate("Person", {Row("Navn", kTypeString, 32), Row("Alder", kTypeByte, 1)});
  EXPECT_EQ(At(user, kDownOffset), t);  // below the list's first record
  EXPECT_EQ(At(t, kKindOffset), kKindTemplate);
  Position block = DataBlockOf(t);
  EXPECT_EQ(block, At(t, kNameBlockOffset) + 264);
  Bytes f = File();
  TemplateHeader h = TemplateHeader::Decode(std::span<const uint8_t, 16>(f.data() + block, 16));
  EXPECT_EQ(h, (TemplateHeader{16 + 2 * 64, 33, 2, 0, 0}));
  EXPECT_EQ(f.size(), size_t(block) + 16 + 2 * 64);
  ExpectConsistent();
}

TEST_F(TemplateStoreTest, ThreeLevelChainExpandsRootFirstWithEachInheritedRowInItsPlace) {
  MakeTemplate("A", {Row("a1", kTypeByte, 1), Row("a2", kTypeLongint, 4)});
  MakeTemplate("B", {Inherit("A", 5), Row("b1", kTypeString, 10)});
  MakeTemplate("C", {Inherit("B", 7), Row("c1", kTypeWord, 2)});
  dp().Load(line);
  ASSERT_EQ(LoadTemplate(*db, "C"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"a1", "a2", "A", "b1", "B", "c1"}));
  const tLoadedTemplate& t = LoadedTemplate(*db);
  EXPECT_EQ(t.InheritedCount, 4u);
  EXPECT_EQ(t.OwnCount, 2u);
  EXPECT_EQ(t.InheritedDataLength, 12);
  EXPECT_EQ(ExpandedDataLength(*db), 1 + 4 + 10 + 2);
  EXPECT_EQ(dp().CurrentPosition(), line);

  TemplateHeader c = FindTemplate(*db, "C");
  EXPECT_EQ(c.FieldCount, 2);
  Position c1 = dp().CurrentPosition();
  int64_t firstRow = db->FilePosition();
  EXPECT_EQ(CountTemplateFields(*db), 6u);
  EXPECT_EQ(dp().CurrentPosition(), c1);
  EXPECT_EQ(db->FilePosition(), firstRow);
}

TEST_F(TemplateStoreTest, InheritanceThatRunsInACircleEndsWithEachTemplateOnce) {
  MakeTemplate("Selv", {Inherit("Selv"), Row("x", kTypeByte, 1)});
  ASSERT_EQ(LoadTemplate(*db, "Selv"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"Selv", "x"}));
  EXPECT_EQ(LoadedTemplate(*db).InheritedCount, 0u);

  MakeTemplate("A", {Inherit("B"), Row("a", kTypeByte, 1)});
  MakeTemplate("B", {Inherit("A"), Row("b", kTypeByte, 1)});
  ASSERT_EQ(LoadTemplate(*db, "A"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"A", "b", "B", "a"}));
}

TEST_F(TemplateStoreTest, AParentNoRecordCarriesExpandsNothing) {
  MakeTemplate("Barn", {Inherit("Borte", 4), Row("x", kTypeByte, 1)});
  ASSERT_EQ(LoadTemplate(*db, "Barn"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"Borte", "x"}));
  EXPECT_EQ(LoadedTemplate(*db).InheritedDataLength, 0);
}

TEST_F(TemplateStoreTest, AnInheritedRowAfterTheFirstSetsHasInheritedButDoesNotExpand) {
  MakeTemplate("A", {Row("a", kTypeByte, 1)});
  Position t = MakeTemplate("Midt", {Row("x", kTypeByte, 1), Inherit("A")});
  EXPECT_EQ(GetI32(File(), size_t(DataBlockOf(t)) + 8) >> 16, 1);  // HasInherited
  ASSERT_EQ(LoadTemplate(*db, "Midt"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"x", "A"}));
  EXPECT_EQ(ExpandedDataLength(*db), 1);
}

TEST_F(TemplateStoreTest, ATemplateWithoutRowsLoadsEmpty) {
  Position t = MakeTemplate("Tom", {});
  EXPECT_EQ(GetI32(File(), size_t(DataBlockOf(t))), 16);
  EXPECT_EQ(GetI32(File(), size_t(DataBlockOf(t)) + 4), 0);
  EXPECT_EQ(LoadTemplate(*db, "Tom"), 0);
  EXPECT_TRUE(LoadedTemplate(*db).TemplateLoaded);
  EXPECT_TRUE(LoadedTemplate(*db).Fields.empty());
}

TEST_F(TemplateStoreTest, TheRecordsOwnTemplateWinsOverAnEarlierOneOfTheSameName) {
  MakeTemplate("Base", {Row("base", kTypeByte, 1)});
  // Each new template goes right below "User", so `later` stands first in the list.
  Position own = MakeTemplate("Person", {Inherit("Base"), Row("x", kTypeByte, 1)});
  Position later = MakeTemplate("Person", {Row("y", kTypeWord, 2), Row("z", kTypeWord, 2)});
  ASSERT_EQ(ScanForString(*db, "Person", true), later);

  Position record = MakeData("Base", line);
  dp().SetTemplatePos(own);
  dp().Store();
  ASSERT_EQ(LoadRecordTemplate(*db), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"base", "Base", "x"}));
  EXPECT_EQ(LoadedTemplate(*db).TemplateRecordPos, own);
  EXPECT_EQ(dp().CurrentPosition(), record);
  // By name alone the one met first is taken.
  ASSERT_EQ(LoadTemplate(*db, "Person"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"y", "z"}));
}

TEST_F(TemplateStoreTest, ANamedLineMetFirstIsTakenAsTheTemplateWhenItHasData) {
  Position shadowed = LineFirst("Person");
  MakeTemplate("Person", {Row("ekte", kTypeByte, 1)});
  dp().Load(line);
  EXPECT_EQ(LoadTemplate(*db, "Person"), -1);  // the line has no data: no template
  EXPECT_FALSE(LoadedTemplate(*db).TemplateLoaded);

  // The same line given a data block laid out as a template, byte by byte.
  Bytes& f = FileRef();
  Position block = Position(f.size());
  Bytes bytes(16 + 64, 0);
  PutI32(bytes, 0, 16 + 64);  // TotalSize
  PutI32(bytes, 4, 3);        // DataSize
  PutU16(bytes, 8, 1);        // FieldCount
  PutU16(bytes, 16 + 0, 3);   // DataLength
  PutU16(bytes, 16 + 2, kTypeString);
  bytes[16 + 12] = 4;
  std::memcpy(bytes.data() + 16 + 13, "linj", 4);
  f.insert(f.end(), bytes.begin(), bytes.end());
  PutI32(f, size_t(shadowed) + kDataBlockOffset, block);
  PutI32(f, size_t(shadowed) + kKindOffset, kKindNamed + kKindData);
  Reopen();
  ASSERT_EQ(LoadTemplate(*db, "Person"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"linj"}));
  EXPECT_EQ(LoadedTemplate(*db).TemplateRecordPos, shadowed);
}

TEST_F(TemplateStoreTest, DamagedRowCountsNeverReadOutsideTheBlockOrTheFile) {
  Position t = MakeTemplate("Skadet", {Row("a", kTypeByte, 1), Row("b", kTypeByte, 1)});
  Position block = DataBlockOf(t);
  PutU16(FileRef(), size_t(block) + 8, 60000);  // FieldCount far beyond TotalSize
  Reopen();
  ASSERT_EQ(LoadTemplate(*db, "Skadet"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"a", "b"}));

  PutI32(FileRef(), size_t(block), 0x7FFFFFF0);  // and a TotalSize past the end of the file
  Reopen();
  ASSERT_EQ(LoadTemplate(*db, "Skadet"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"a", "b"}));  // the template's block ends the file
}

TEST_F(TemplateStoreTest, SaveTemplateRewritesTheOwnRowsInPlace) {
  MakeTemplate("A", {Row("a", kTypeByte, 1)});
  Position b = MakeTemplate("B", {Inherit("A"), Row("b", kTypeByte, 1)});
  ASSERT_EQ(LoadTemplate(*db, "B"), 0);
  size_t size = File().size();
  TemplateField row;
  ASSERT_TRUE(GetTemplateField(*db, 2, row));
  row.Name = "bb";
  row.DataLength = 3;
  EXPECT_EQ(SetTemplateField(*db, 2, row), 0);
  EXPECT_EQ(SetTemplateField(*db, 3, row), -1);
  EXPECT_FALSE(GetTemplateField(*db, 3, row));
  EXPECT_EQ(row.Name, "bb");  // left as it was
  EXPECT_EQ(SaveTemplate(*db), 0);
  EXPECT_EQ(dp().CurrentPosition(), b);
  EXPECT_EQ(File().size(), size);
  ASSERT_EQ(LoadTemplate(*db, "B"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"a", "A", "bb"}));
  ASSERT_EQ(LoadTemplate(*db, "A"), 0);
  EXPECT_EQ(LoadedNames(), (Strings{"a"}));
}

TEST_F(TemplateStoreTest, OperationsWithoutALoadedTemplateFail) {
  dp().Load(line);
  EXPECT_EQ(LoadRecordTemplate(*db), -1);  // no templatePos
  EXPECT_EQ(SaveTemplate(*db), -1);
  EXPECT_EQ(SetTemplateField(*db, 0, Row("x", kTypeByte, 1)), -1);
  EXPECT_EQ(AddTemplateField(*db, Row("x", kTypeByte, 1)), -1);
  EXPECT_EQ(FinishTemplate(*db), -1);
  EXPECT_EQ(LoadTemplate(*db, ""), -1);
  EXPECT_EQ(FindTemplate(*db, "Ingen"), (TemplateHeader{0, 0, 0, 0, 0}));
  EXPECT_EQ(LoadedTemplate(*db).TemplateRecordPos, 0);
  EXPECT_EQ(dp().CurrentPosition(), line);
}

TEST_F(TemplateStoreTest, RowsAppendedAfterSomethingElseWasWrittenAreRefused) {
  ASSERT_EQ(CreateTemplate(*db, "Brutt"), 0);
  Position t = dp().CurrentPosition();
  dp().Load(line);
  AddNamed(*db, DirDown, "mellom");
  EXPECT_EQ(AddTemplateField(*db, Row("x", kTypeByte, 1)), -1);
  EXPECT_EQ(FinishTemplate(*db), 0);
  EXPECT_EQ(dp().CurrentPosition(), t);
  ASSERT_EQ(LoadTemplate(*db, "Brutt"), 0);
  EXPECT_TRUE(LoadedNames().empty());
  ExpectConsistent();
}

TEST_F(TemplateStoreTest, CreateTemplateNeedsDefinitionsAndUsesAnEmptyListsHeader) {
  dp().Load(user);
  dp().Delete();  // "Definitions" has no list now
  Position t = MakeTemplate("Eneste", {Row("x", kTypeByte, 1)});
  EXPECT_EQ(At(definitions, kDownOffset), t);
  ExpectConsistent();

  dp().Load(definitions);
  WriteName(*db, "Andre");
  size_t size = File().size();
  EXPECT_EQ(CreateTemplate(*db, "Ingen"), -1);
  EXPECT_EQ(File().size(), size);
  EXPECT_TRUE(ListTemplateNames(*db).empty());
}

TEST_F(TemplateStoreTest, TheChoiceListsTemplatesOfTheListButNeverItsFirstRecord) {
  MakeTemplate("To", {});
  MakeTemplate("En", {});
  dp().Load(user);
  dp().SetKind(kKindTemplate);  // even a template standing first is left out
  dp().Store();
  dp().Load(line);
  EXPECT_EQ(ListTemplateNames(*db), (Strings{"En", "To"}));
  EXPECT_EQ(dp().CurrentPosition(), line);
}

TEST_F(TemplateStoreTest, TheLinkedProgramIsReadThroughTheRecordsTemplate) {
  MakeTemplate("Prog", {Row("x", kTypeByte, 1)});
  Position record = MakeData("Prog", line);
  EXPECT_FALSE(TemplateHasProgram(*db));
  std::array<uint8_t, kProgramRecordSize> program{};
  EXPECT_EQ(ReadTemplateProgram(*db, program), -1);

  Bytes bytes(kProgramRecordSize, 0x5A);
  dp().Load(line);
  AddNamed(*db, DirDown, "Program");
  AddData(*db, bytes);
  Position programData = dp().DataBlock();
  dp().Load(record);
  ASSERT_EQ(LoadRecordTemplate(*db), 0);
  LoadedTemplate(*db).Header.ProgramData = programData;
  ASSERT_EQ(SaveTemplate(*db), 0);

  dp().Load(record);
  EXPECT_TRUE(TemplateHasProgram(*db));
  EXPECT_EQ(ReadTemplateProgram(*db, program), kProgramRecordSize);
  EXPECT_EQ(program[0], 0x5A);
  EXPECT_EQ(UnlinkTemplateProgram(*db), 1);
  EXPECT_FALSE(TemplateHasProgram(*db));
  EXPECT_EQ(dp().CurrentPosition(), record);
}

TEST_F(TemplateStoreTest, TheNameIsKeptToSixtyThreeCharactersAndCloseFreesTheTemplate) {
  std::string name(70, 'n');
  MakeTemplate(name, {});
  ASSERT_EQ(LoadTemplate(*db, name), 0);
  EXPECT_EQ(LoadedTemplate(*db).TemplateName, std::string(63, 'n'));
  db->Close();
  EXPECT_EQ(db->loadedTemplate, nullptr);
}

}  // namespace
