#include "content/system_lists.h"

#include <gtest/gtest.h>

#include <string>

#include "content/new_database_fixture.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::NewDatabaseFixture;
using qn::test::Names;

namespace {

// ---- The listing rule ----

using ListingTest = NewDatabaseFixture;

TEST_F(ListingTest, TheFirstRecordIsSteppedOverAndTheTestChoosesTheRest) {
  Create(false);
  dp().Load(RecordAt(Find("Services")).right);  // the placeholder
  Position a = AddNamed(*db, DirDown, "a");
  Position b = AddNamed(*db, DirDown, "b");
  dp().Load(0);
  EXPECT_EQ(ListStandardList(*db, "Services", [](Datapointer&) { return true; }),
            (std::vector<Position>{a, b}));
  EXPECT_EQ(ListStandardList(*db, "Services",
                             [&](Datapointer& d) { return ReadName(*db) == "b" && d.Kind() == 1; }),
            (std::vector<Position>{b}));
  EXPECT_EQ(dp().CurrentPosition(), 0);  // the cursor came back
}

TEST_F(ListingTest, AMissingHeaderOrAnEmptyListListsNothing) {
  Create(true);
  const Position line = dp().CurrentPosition();
  EXPECT_TRUE(ListStandardList(*db, "Programs", [](Datapointer&) { return true; }).empty());
  // "Data" is found, but stands for no standard list here: its one record is stepped over.
  EXPECT_TRUE(ListStandardList(*db, "Data", [](Datapointer&) { return true; }).empty());
  dp().Load(line);
  AddNamed(*db, DirRight, "under the line");
  dp().Load(line);
  EXPECT_EQ(GoToStandardList(*db, "Programs"), -1);
  EXPECT_EQ(dp().CurrentPosition(), line);  // never the sub-list of the current record
}

// ---- Register variables ----

class RegisterTest : public NewDatabaseFixture {
 protected:
  void SetUp() override {
    NewDatabaseFixture::SetUp();
    Create(false);
    start = dp().CurrentPosition();
  }
  Names Register() { return SubListOf(Find("SystemRegister")); }
  Position start = 0;
};

TEST_F(RegisterTest, AVariableIsANamedRecordOfKind64WithItsValueInASecondBlock) {
  EXPECT_EQ(SetRegisterVariable(*db, "Farge", "blå"), 1);
  EXPECT_EQ(Register(), (Names{"User", "Farge"}));
  const Position var = Find("Farge");
  const PointerRecord r = RecordAt(var);
  EXPECT_EQ(r.kind, kKindRegisterVariable);
  ASSERT_GT(r.dataBlock, 0);
  // The value block is laid out as a name block: size 264, owner, length, 8-bit text.
  EXPECT_EQ(At(r.dataBlock, 0), 264);
  EXPECT_EQ(At(r.dataBlock, 4), var);
  const Bytes f = File();
  EXPECT_EQ(f[size_t(r.dataBlock) + 8], 3);
  EXPECT_EQ(f[size_t(r.dataBlock) + 11], 0xE5);  // "å" in Windows-1252
  EXPECT_EQ(GetRegisterVariable(*db, "Farge"), "blå");
  EXPECT_EQ(dp().CurrentPosition(), start);
  ExpectConsistent();
}

TEST_F(RegisterTest, SettingAVariableTwiceKeepsOneRecordAndRewritesTheValueInPlace) {
  SetRegisterVariable(*db, "Teller", "1");
  const Position block = RecordAt(Find("Teller")).dataBlock;
  const size_t size = File().size();
  EXPECT_EQ(SetRegisterVariable(*db, "Teller", "22"), 1);
  EXPECT_EQ(Register(), (Names{"User", "Teller"}));
  EXPECT_EQ(RecordAt(Find("Teller")).dataBlock, block);
  EXPECT_EQ(File().size(), size);
  EXPECT_EQ(GetRegisterVariable(*db, "Teller"), "22");
}

TEST_F(RegisterTest, NewVariablesGoBelowTheLastRecordOfTheList) {
  SetRegisterVariable(*db, "a", "1");
  SetRegisterVariable(*db, "b", "2");
  SetRegisterVariable(*db, "a", "3");
  EXPECT_EQ(Register(), (Names{"User", "a", "b"}));
  EXPECT_EQ(GetRegisterVariable(*db, "a"), "3");
  EXPECT_EQ(GetRegisterVariable(*db, "b"), "2");
}

TEST_F(RegisterTest, SettingUserTurnsThePlaceholderIntoAVariable) {
  const Position placeholder = RecordAt(Find("SystemRegister")).right;
  EXPECT_FALSE(FindRegisterVariable(*db, "User").has_value());  // not a variable yet
  SetRegisterVariable(*db, "User", "x");
  EXPECT_EQ(Register(), (Names{"User"}));
  EXPECT_EQ(RecordAt(placeholder).kind, kKindRegisterVariable);
  EXPECT_EQ(FindRegisterVariable(*db, "User"), std::optional<std::string>("x"));
}

TEST_F(RegisterTest, NamesCompareExactlyAndAMissingVariableReadsEmpty) {
  SetRegisterVariable(*db, "Navn", "v");
  EXPECT_EQ(GetRegisterVariable(*db, "navn"), "");
  EXPECT_FALSE(FindRegisterVariable(*db, "Navn ").has_value());
  SetRegisterVariable(*db, "Tom", "");
  EXPECT_EQ(FindRegisterVariable(*db, "Tom"), std::optional<std::string>(""));
}

TEST_F(RegisterTest, ALongValueKeepsItsFirst255Characters) {
  SetRegisterVariable(*db, "Lang", std::string(300, 'x'));
  EXPECT_EQ(GetRegisterVariable(*db, "Lang"), std::string(255, 'x'));
}

TEST_F(RegisterTest, ARecordWithRealDataIsNeverWrittenOverByAValue) {
  // A data record of the variable's name in the list keeps its data block.
  dp().Load(RecordAt(Find("SystemRegister")).right);
  AddNamed(*db, DirDown, "Data1");
  const uint8_t payload[248] = {1, 2, 3};  // a block of 264 bytes, like a value block
  AddData(*db, payload);
  const Position record = dp().CurrentPosition();
  const Position dataBlock = dp().DataBlock();
  const Bytes before = Slice(dataBlock, 264);
  SetRegisterVariable(*db, "Data1", "v");
  EXPECT_EQ(Slice(dataBlock, 264), before);
  EXPECT_NE(RecordAt(record).dataBlock, dataBlock);
  EXPECT_EQ(GetRegisterVariable(*db, "Data1"), "v");
}

TEST_F(RegisterTest, AHeaderWithoutAListGetsItsPlaceholderFirst) {
  dp().Load(RecordAt(Find("SystemRegister")).right);
  dp().Delete();  // the list is empty now
  EXPECT_EQ(RecordAt(Find("SystemRegister")).right, 0);
  SetRegisterVariable(*db, "x", "1");
  EXPECT_EQ(Register(), (Names{"User", "x"}));
  ExpectConsistent();
}

TEST_F(RegisterTest, WithoutSystemRegisterNothingChanges) {
  Create(true);
  const Position line = dp().CurrentPosition();
  const Bytes before = File();
  EXPECT_EQ(SetRegisterVariable(*db, "x", "1"), -1);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(GetRegisterVariable(*db, "x"), "");
  EXPECT_EQ(dp().CurrentPosition(), line);
}

TEST_F(RegisterTest, ACursorWithTheLastDirectionRightIsBroughtBackAsItWas) {
  dp().Load(Find("Data"));
  dp().GoRight();
  const Position here = dp().CurrentPosition();
  SetRegisterVariable(*db, "x", "1");
  EXPECT_EQ(dp().CurrentPosition(), here);
  EXPECT_EQ(dp().LastDirection(), DirRight);
}

// ---- Program records ----

using ProgramTest = NewDatabaseFixture;

TEST_F(ProgramTest, TheNewestProgramComesRightAfterThePlaceholder) {
  Create(false);
  EXPECT_EQ(NewProgramRecord(*db, "Kalkulator"), 0);
  EXPECT_EQ(NewProgramRecord(*db, "Editor"), 0);
  const Position editor = dp().CurrentPosition();
  EXPECT_EQ(ReadName(*db), "Editor");  // the new record is current
  EXPECT_EQ(SubListOf(Find("Programs")), (Names{"User", "Editor", "Kalkulator"}));
  const PointerRecord r = RecordAt(editor);
  EXPECT_EQ(r.kind, kKindProgram);
  EXPECT_EQ(At(r.dataBlock, 0), 16 + 534);
  const Bytes f = File();
  EXPECT_TRUE(std::all_of(f.begin() + r.dataBlock + 16, f.begin() + r.dataBlock + 16 + 534,
                          [](uint8_t b) { return b == 0; }));
  ExpectConsistent();
}

TEST_F(ProgramTest, WithoutProgramsNothingIsMadeAndTheCursorStays) {
  Create(true);
  const Position line = dp().CurrentPosition();
  const size_t size = File().size();
  EXPECT_EQ(NewProgramRecord(*db, "x"), -1);
  EXPECT_EQ(File().size(), size);
  EXPECT_EQ(dp().CurrentPosition(), line);
}

}  // namespace

namespace {

TEST_F(RegisterTest, ANameLongerThanANameBlockHoldsIsRefusedNotCutIntoAnother) {
  const std::string stem(255, 'n');
  SetRegisterVariable(*db, stem, "kort");
  const Bytes before = File();
  EXPECT_EQ(SetRegisterVariable(*db, stem + "x", "lang"), -2);
  EXPECT_EQ(File(), before);
  EXPECT_FALSE(FindRegisterVariable(*db, stem + "x").has_value());
  EXPECT_EQ(GetRegisterVariable(*db, stem), "kort");
  // The 8-bit form counts: 255 letters of two UTF-8 bytes fit, 256 do not.
  std::string wide;
  for (int i = 0; i < 255; ++i) wide += "æ";
  EXPECT_TRUE(RegisterNameFits(wide));
  EXPECT_FALSE(RegisterNameFits(wide + "æ"));
}

class RegisterCheckTest : public RegisterTest {
 protected:
  // The whole check as `quilltool check` runs it.
  std::vector<std::string> Faults() {
    std::vector<Position> faultyBlocks;
    std::vector<ConsistencyFault> faults = CheckConsistency(*db, &faultyBlocks);
    for (const ConsistencyFault& f : CheckRegisterVariables(*db, faultyBlocks)) faults.push_back(f);
    std::vector<std::string> out;
    for (const ConsistencyFault& f : faults) out.push_back(FormatFault(f));
    return out;
  }
  void Put(Position p, int offset, int32_t value) {
    qn::PutI32(*fs->files.at(kFile), size_t(p) + offset, value);
  }
  static std::string N(Position p) { return std::to_string(p); }
};

TEST_F(RegisterCheckTest, VariablesWhoseBlocksAreExchangedOrNotTheirOwnAreReportedOnce) {
  SetRegisterVariable(*db, "a", "1");
  SetRegisterVariable(*db, "b", "2");
  SetRegisterVariable(*db, "User", "0");  // the placeholder as a variable is checked too
  const std::vector<Position> vars =
      ListStandardList(*db, kSystemRegisterHeader, [](Datapointer&) { return true; });
  ASSERT_EQ(vars.size(), 2u);
  const Position a = vars[0], b = vars[1];
  const PointerRecord ra = RecordAt(a), rb = RecordAt(b);
  const Position here = dp().CurrentPosition();
  EXPECT_EQ(Faults(), std::vector<std::string>{});
  EXPECT_EQ(dp().CurrentPosition(), here);

  // a as a stop between the two stores of set-var left it; b's value block names a as
  // its owner.
  Put(a, kNameBlockOffset, ra.dataBlock);
  Put(a, kDataBlockOffset, ra.nameBlock);
  Put(rb.dataBlock, kNameOwnerOffset, a);
  Reopen();
  EXPECT_EQ(Faults(), (std::vector<std::string>{
                          N(a) + ": name block " + N(ra.dataBlock) + " and value block " +
                              N(ra.nameBlock) + " are exchanged",
                          N(b) + ": value block " + N(rb.dataBlock) + " belongs to record " + N(a)}));

  // a's value block is b's: one line, from the comparison of blocks.
  Put(a, kNameBlockOffset, ra.nameBlock);
  Put(a, kDataBlockOffset, rb.dataBlock);
  Put(rb.dataBlock, kNameOwnerOffset, b);
  Reopen();
  EXPECT_EQ(Faults(), std::vector<std::string>{N(b) + ": value block " + N(rb.dataBlock) +
                                               " is also the value block of " + N(a)});
}

}  // namespace
