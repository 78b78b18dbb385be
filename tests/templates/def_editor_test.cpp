#include "templates/def_editor.h"

#include <gtest/gtest.h>

#include <deque>

#include "store/fault_injection.h"
#include "templates/template_fixture.h"

using namespace qn;
using namespace qn::test;

namespace {

// Answers the editor's questions from a script and keeps what it was told.
class ScriptHost : public DefEditorHost {
 public:
  std::string Input(std::string_view prompt, std::string_view) override {
    prompts.emplace_back(prompt);
    return Next();
  }
  bool YesNo(std::string_view question, bool defaultYes) override {
    questions.emplace_back(question);
    if (yesNo.empty()) return defaultYes;
    const bool answer = yesNo.front();
    yesNo.pop_front();
    return answer;
  }
  void Message(std::string_view text) override { messages.emplace_back(text); }
  std::string ChooseTemplate(const std::vector<std::string>& names) override {
    offered = names;
    return Next();
  }
  std::string CurrentDisplayName() override { return displayName; }

  std::string Next() {
    if (answers.empty()) return "";
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
  std::deque<std::string> answers;
  std::deque<bool> yesNo;
  std::vector<std::string> prompts, questions, messages, offered;
  std::string displayName = "Første linje";
};

class DefEditorTest : public TemplateFixture {
 protected:
  std::unique_ptr<DefEditor> Edit(const std::string& name) {
    auto e = std::make_unique<DefEditor>(*db, host, false);
    e->SetNameBox(name);
    e->ScanTemplates();
    e->Open();
    return e;
  }
  // Types `type` into the "Type" cell of `row` one keystroke at a time, as the grid does.
  static void Type(DefEditor& e, int row, const std::string& type) {
    for (size_t n = 1; n <= type.size(); ++n) e.EditCell(kColType, row, type.substr(0, n));
  }
  std::vector<TemplateField> Stored(const std::string& name) {
    EXPECT_EQ(LoadTemplate(*db, name), 0);
    return LoadedTemplate(*db).Fields;
  }
  ScriptHost host;
};

TEST_F(DefEditorTest, TheTypeEntryRuleFillsDefaultsAliasesAndAName) {
  DefEditor e(*db, host, true);
  e.PickType(3, kTypeByte);  // the BYTE line of the type list, on an empty row
  EXPECT_EQ(e.Cell(kColType, 3), "BYTE");
  EXPECT_EQ(e.Cell(kColDataLengd, 3), "1");
  EXPECT_EQ(e.Cell(kColDataType, 3), "2");
  EXPECT_EQ(e.Cell(kColLengd, 3), "3");
  EXPECT_EQ(e.Cell(kColVisLengde, 3), "3");
  EXPECT_EQ(e.Cell(kColNodvendig, 3), "Ja");
  EXPECT_EQ(e.Cell(kColSkjult, 3), "Nei");
  EXPECT_EQ(e.Cell(kColNavn, 3), "BYTE3");  // rows 1 and 2 are empty: no pass reached it
  EXPECT_EQ(e.Cell(kColDec, 3), "");
  EXPECT_FALSE(e.Lagret());

  e.EditCell(kColType, 1, "arv");
  EXPECT_EQ(e.Cell(kColType, 1), "INHERITED");
  EXPECT_EQ(e.Cell(kColDataType, 1), "0");
  EXPECT_EQ(e.Cell(kColDataLengd, 1), "0");
  Type(e, 2, "integer");
  EXPECT_EQ(e.Cell(kColType, 2), "SMALLINT");
  EXPECT_EQ(e.Cell(kColDataType, 2), "3");
  EXPECT_EQ(e.Cell(kColNavn, 2), "I2 (0)");  // named from what was typed first
  // Only CURRENCY touches "Dec".
  for (const TypeInfo& t : TypeTable()) {
    DefEditor f(*db, host, true);
    f.PickType(1, t.code);
    EXPECT_EQ(f.Cell(kColDec, 1), t.code == kTypeCurrency ? "2" : "") << t.name;
  }
  // A string row is the text type, its bytes one more than its length, in either spelling.
  for (const char* word : {"string", "ShortString"}) {
    DefEditor f(*db, host, true);
    f.SetCell(kColLengd, 1, "30");
    Type(f, 1, word);
    EXPECT_EQ(f.Cell(kColType, 1), "SHORTSTRING");
    EXPECT_EQ(f.Cell(kColDataType, 1), "16");
    EXPECT_EQ(f.Cell(kColDataLengd, 1), "31");
    f.EditCell(kColLengd, 1, "40");  // a new template's string follows its length
    EXPECT_EQ(f.Cell(kColDataLengd, 1), "41");
    f.PickType(2, kTypeString);  // the "String" line, no length: the longest string
    EXPECT_EQ(f.Cell(kColDataType, 2), "16");
    EXPECT_EQ(f.Cell(kColDataLengd, 2), "256");
  }
  // A word that is no type changes no numbers.
  DefEditor g(*db, host, true);
  g.EditCell(kColType, 1, "xx");
  EXPECT_EQ(g.Cell(kColDataType, 1), "");
}

TEST_F(DefEditorTest, TheOffsetsPassCountsInSixteenBits) {
  DefEditor e(*db, host, true);
  const char* lengths[] = {"4", "8", "2"};
  for (int r = 1; r <= 3; ++r) {
    e.SetCell(kColNavn, r, "F" + std::to_string(r));
    e.SetCell(kColDataLengd, r, lengths[r - 1]);
  }
  e.SetOffsets();
  EXPECT_EQ(e.Cell(kColNr, 1), "1 (0)");
  EXPECT_EQ(e.Cell(kColNr, 2), "2 (4)");
  EXPECT_EQ(e.Cell(kColNr, 3), "3 (12)");
  EXPECT_EQ(e.Cell(kColNr, 4), "4 (14)");
  EXPECT_EQ(e.MaxOffset(), 14);
  EXPECT_EQ(e.Cell(kColNr, 5), "5");

  e.SetCell(kColType, 1, "INHERITED");
  e.SetCell(kColLengd, 1, "20");
  e.SetCell(kColDataLengd, 1, "0");
  e.SetOffsets();
  EXPECT_EQ(e.Cell(kColNr, 1), "1 (20)");
  e.SetCell(kColDataLengd, 2, "65530");
  e.SetOffsets();
  EXPECT_EQ(e.Cell(kColNr, 3), "3 (14)");  // 20 + 65530 wraps
  EXPECT_EQ(e.MaxOffset(), 16);

  e.ClearAll();
  EXPECT_EQ(e.Cell(kColNr, 3), "3");
  EXPECT_EQ(e.Cell(kColNavn, 1), "");
}

TEST_F(DefEditorTest, OpenSaveKeepsTheRowCountAndSaysWhatItCouldNotStore) {
  MakeTemplate("Fem", {Row("A", kTypeByte, 1, 3), Row("B", kTypeByte, 1, 3), Row("C", kTypeWord, 2, 5),
                       Row("D", kTypeLongint, 4, 11), Row("E", kTypeString, 31, 30)});
  auto e = Edit("Fem");
  EXPECT_EQ(e->AntallDef(), 5);
  EXPECT_EQ(e->Cell(kColNavn, 5), "E");
  EXPECT_EQ(e->Cell(kColType, 5), "String");
  EXPECT_EQ(e->Cell(kColNr, 6), "6 (39)");
  EXPECT_FALSE(e->Lagret());  // closing right after opening asks
  e->Close();
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0], "Data er endret, vil du lagre ?");

  e->EditCell(kColNavn, 1, "Første");
  e->EditCell(kColDataLengd, 2, "2");
  e->SetCell(kColNavn, 6, "Sjette");
  e->SetCell(kColNavn, 7, "Sjuende");
  ASSERT_TRUE(e->Save());
  EXPECT_TRUE(e->Lagret());
  EXPECT_EQ(e->DroppedRows(), 2u);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("2 linjer ble ikke lagret"), std::string::npos);
  EXPECT_NE(host.messages[0].find("\"Lagre som ....\" tar vare"), std::string::npos) << "no \"&\" in a message";
  const std::vector<TemplateField> rows = Stored("Fem");
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].Name, Utf8ToCp1252("Første"));
  EXPECT_EQ(rows[1].DataLength, 2);
  EXPECT_EQ(LoadedTemplate(*db).Header.DataSize, 40);

  // Out-of-range numbers are refused whole, and the template stays as it was.
  e->SetCell(kColDataLengd, 3, "70000");
  EXPECT_FALSE(e->Save());
  EXPECT_EQ(Stored("Fem")[2].DataLength, 2);
  // A name that no template bears has nothing to store into.
  auto none = Edit("Ingen");
  EXPECT_EQ(none->Cell(kColNavn, 1), "");
  EXPECT_FALSE(none->Save());
  ExpectConsistent();
}

TEST_F(DefEditorTest, AChangedDataSizeIsStoredOnlyAfterAWarningWhenDataRecordsUseIt) {
  MakeTemplate("Brukt", {Row("A", kTypeByte, 1, 3), Row("B", kTypeWord, 2, 5)});
  MakeData("Brukt", line);
  MakeData("Brukt", line);
  auto e = Edit("Brukt");
  e->EditCell(kColNavn, 1, "Omdøpt");  // the size is the same: no question
  ASSERT_TRUE(e->Save());
  EXPECT_TRUE(host.questions.empty());
  e->EditCell(kColDataLengd, 2, "4");
  host.yesNo = {false};
  EXPECT_FALSE(e->Save());
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].rfind("2 dataposter bruker malen \"Brukt\"", 0), 0u);
  EXPECT_EQ(Stored("Brukt")[1].DataLength, 2);
  host.yesNo = {true};
  EXPECT_TRUE(e->Save());
  EXPECT_EQ(Stored("Brukt")[1].DataLength, 4);
  EXPECT_EQ(LoadedTemplate(*db).Header.DataSize, 5);
}

TEST_F(DefEditorTest, SaveAsMakesATemplateTheDataEditorFillsAndTheCheckAccepts) {
  DefEditor e(*db, host, true);
  e.PointerCheck();
  EXPECT_EQ(e.NameBox(), "Første linje");
  EXPECT_FALSE(e.CanMakePointer());
  Type(e, 1, "string");
  e.EditCell(kColNavn, 1, "Navn");
  e.EditCell(kColLengd, 1, "20");
  Type(e, 2, "longint");
  Type(e, 3, "currency");
  host.answers = {""};
  EXPECT_FALSE(e.Save());  // an empty name cancels
  host.answers = {"Person"};
  ASSERT_TRUE(e.Save());
  EXPECT_EQ(host.prompts.back(), "Ny datadefinisjon");
  EXPECT_EQ(e.NameBox(), "Person");
  EXPECT_TRUE(e.Lagret());
  EXPECT_TRUE(e.CanMakePointer());
  EXPECT_FALSE(e.Ny());

  const std::vector<TemplateField> rows = Stored("Person");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].DataType, kTypeString);
  EXPECT_EQ(rows[0].DataLength, 21);
  EXPECT_EQ(rows[1].Name, "L2 (21)");  // named at the first keystroke, after "Lengd" 20 moved the offsets
  EXPECT_EQ(rows[2].Decimals, 2);
  EXPECT_EQ(LoadedTemplate(*db).Header.DataSize, 21 + 4 + 8);

  const Position record = MakeData("Person", line);
  DataEditor data(*db);
  ASSERT_EQ(data.LoadTemplate(), 0);
  data.LesData();
  data.SetValue(1, "Kari Nordmann");
  data.SetValue(2, "42");
  EXPECT_TRUE(data.SkrivData().Written());
  EXPECT_EQ(Payload(record)[0], 13);
  EXPECT_EQ(Payload(record)[21], 42);

  // A name already in the database is refused: that template could never be found.
  DefEditor again(*db, host, true);
  again.EditCell(kColNavn, 1, "X");
  host.answers = {"Person"};
  EXPECT_FALSE(again.SaveAs());
  EXPECT_NE(host.messages.back().find("allerede i bruk"), std::string::npos);
  ExpectConsistent();
}

TEST_F(DefEditorTest, StringLengthsStopAt255AndAStoredTemplateKeepsItsDataLengths) {
  DefEditor e(*db, host, true);
  e.SetCell(kColLengd, 1, "300");
  Type(e, 1, "string");
  Type(e, 2, "string");
  e.EditCell(kColLengd, 2, "1000");
  for (int row : {1, 2}) {
    EXPECT_EQ(e.Cell(kColLengd, row), "255") << row;
    EXPECT_EQ(e.Cell(kColDataLengd, row), "256") << row;
  }
  // "Vis lengde" follows "Lengd" until it is given a value of its own; the offsets in "nr"
  // follow every data length.
  e.EditCell(kColLengd, 1, "30");
  EXPECT_EQ(e.Cell(kColVisLengde, 1), "30");
  EXPECT_EQ(e.Cell(kColNr, 2), "2 (31)");
  e.EditCell(kColVisLengde, 1, "10");
  e.EditCell(kColLengd, 1, "40");
  EXPECT_EQ(e.Cell(kColVisLengde, 1), "10");
  e.EditCell(kColDataLengd, 1, "50");
  EXPECT_EQ(e.Cell(kColNr, 2), "2 (50)");
  EXPECT_EQ(e.Cell(kColNr, 3), "3 (306)");

  MakeTemplate("Tekster", {Row("S", kTypeString, 31, 30), Row("B", kTypeByte, 1, 3)});
  auto stored = Edit("Tekster");
  stored->EditCell(kColLengd, 1, "20");
  EXPECT_EQ(stored->Cell(kColDataLengd, 1), "31");
  ASSERT_TRUE(stored->Save());
  EXPECT_EQ(Stored("Tekster")[0].Length, 20);
  EXPECT_EQ(Stored("Tekster")[0].DataLength, 31);
  EXPECT_EQ(LoadedTemplate(*db).Header.DataSize, 32);
}

TEST_F(DefEditorTest, SavingADerivedTemplateCountsTheInheritedPartInItsDataSize) {
  MakeTemplate("Foreldre", {Row("Fil", kTypeFileName, 256, 30), Row("B", kTypeByte, 7, 3)});
  MakeTemplate("Barn", {Inherit("Foreldre"), Row("Egen", kTypeWord, 2, 5)});
  auto e = Edit("Barn");
  ASSERT_TRUE(e->Save());
  EXPECT_EQ(LoadedTemplate(*db).Header.DataSize, 32 + 2);  // FILNAVN 30 + 1, BYTE 1, WORD 2
}

TEST_F(DefEditorTest, RowCommandsAndTheInheritedLength) {
  MakeTemplate("Foreldre", {Row("Fil", kTypeFileName, 256, 30), Row("B", kTypeByte, 7, 3)});
  MakeTemplate("Barn", {Inherit("Foreldre"), Row("Egen", kTypeWord, 2, 5)});
  auto e = Edit("Barn");
  EXPECT_EQ(e->Cell(kColType, 1), "INHERITED");
  e->CheckInheritedLength();
  EXPECT_EQ(e->Cell(kColLengd, 1), "32");  // FILNAVN 30 + 1, BYTE by its type: 1
  EXPECT_EQ(e->Cell(kColNr, 2), "2 (32)");

  // A double click on the parent's name offers the templates; cancel empties it.
  host.answers = {"Foreldre"};
  EXPECT_FALSE(e->DoubleClick(kColNavn, 1));
  EXPECT_EQ(e->Cell(kColNavn, 1), "Foreldre");
  EXPECT_FALSE(host.offered.empty());
  EXPECT_TRUE(e->DoubleClick(kColType, 2));  // shows the type list
  e->DoubleClick(kColSkjult, 2);
  EXPECT_EQ(e->Cell(kColSkjult, 2), "Ja");
  e->DoubleClick(kColSkjult, 2);
  EXPECT_EQ(e->Cell(kColSkjult, 2), "Nei");

  // "Lim inn" needs a "Kopier" or "Klipp ut" in this editor first.
  DefEditor fresh(*db, host, true);
  fresh.PasteRow(1);
  EXPECT_EQ(fresh.Cell(kColNavn, 1), "");
  e->CutRow(2);
  EXPECT_EQ(e->Cell(kColNavn, 2), "");
  e->PasteRow(4);
  EXPECT_EQ(e->Cell(kColNavn, 4), "Egen");
  e->SwapWithNext(3);
  EXPECT_EQ(e->Cell(kColNavn, 3), "Egen");
  LoadTemplate(*db, "Foreldre");  // the main window's view loads others meanwhile
  e->PasteOriginal(2);
  EXPECT_EQ(e->Cell(kColNavn, 2), "Egen");
  e->PasteOriginal(3);
  EXPECT_EQ(e->Cell(kColNavn, 3), "** INGEN FLERE I FILEN **");

  e->RecordOfObject();
  EXPECT_EQ(e->Cell(kColNavn, 1), "Fil");
  EXPECT_EQ(e->Cell(kColNavn, 2), "B");
  EXPECT_EQ(e->Cell(kColNavn, 3), "Egen");
  EXPECT_EQ(e->Cell(kColNr, 4), "4 (265)");
}

TEST_F(DefEditorTest, TheNameBoxTheScanAndASecondNameForATemplate) {
  MakeTemplate("Beta", {Row("B", kTypeByte, 1, 3)});
  MakeTemplate("alfa", {Row("A1", kTypeByte, 1, 3), Row("A2", kTypeWord, 2, 5)});
  dp().Load(definitions);
  dp().GoRight();
  AddNamed(*db, DirDown, "Gruppe");
  dp().SetKind(kKindNamed);
  dp().Store();
  auto e = Edit("Beta");
  EXPECT_EQ(e->Names(), (std::vector<std::string>{"alfa", "Beta"}));
  e->PointerCheck();
  EXPECT_EQ(e->NameBox(), "Beta");
  EXPECT_TRUE(e->Choose("alfa"));
  e->PointerCheck();
  EXPECT_EQ(e->NameBox(), "alfa");  // the grid's template stays named
  EXPECT_EQ(e->Cell(kColNavn, 2), "A2");

  dp().Load(line);
  host.answers = {"Alias"};
  ASSERT_TRUE(e->NewPointer());
  EXPECT_EQ(e->NameBox(), "Alias");
  EXPECT_EQ(Stored("Alias").size(), 2u);
  EXPECT_EQ(LoadedTemplate(*db).Fields[1].Name, "A2");
  EXPECT_EQ(LoadedTemplate(*db).TemplateBlockPos, DataBlockOf(LoadedTemplate(*db).TemplateRecordPos));
  // A data record made through the second name reads the same bytes as through the first.
  const Position record = MakeData("Alias", line);
  EXPECT_EQ(Payload(record).size(), 3u);
  ExpectConsistent();
}

// Saving is one change: stopped anywhere, the template is as it was or as saved.
class DefEditorFaultTest : public DefEditorTest {
 protected:
  std::unique_ptr<tDataImageArk> OpenAgain() {
    auto d = std::make_unique<tDataImageArk>(fs);
    d->Open(kFile, OpenPolicy::kCreate);
    return d;
  }
  void AllOrNothing(const ChangeFn& change) {
    db.reset();
    ExpectAllOrNothing(*fs, kFile, [this] { return OpenAgain(); }, change);
    Reopen();
  }
};

TEST_F(DefEditorFaultTest, ASaveInsideALongerCommandReachesTheFileAtOnce) {
  MakeTemplate("Mal", {Row("A", kTypeByte, 1, 3)});
  const Bytes before = fs->Get(kFile);
  db->BeginChange();  // the window's command that keeps the editor open
  ScriptHost h;
  DefEditor e(*db, h, false);
  e.SetNameBox("Mal");
  ASSERT_TRUE(e.Open());
  e.EditCell(kColNavn, 1, "Endret");
  ASSERT_TRUE(e.Save());
  const Bytes saved = fs->Get(kFile);
  EXPECT_NE(saved, before);
  db->AbandonChange();  // the command fails after the save: the save stays
  EXPECT_EQ(fs->Get(kFile), saved);
}

TEST_F(DefEditorFaultTest, SaveAndSaveAsAreWholeOrAbsent) {
  MakeTemplate("Mal", {Row("A", kTypeByte, 1, 3), Row("B", kTypeWord, 2, 5)});
  AllOrNothing([&](tDataImageArk& d) {
    ScriptHost h;
    DefEditor e(d, h, false);
    e.SetNameBox("Mal");
    ASSERT_TRUE(e.Open());
    e.EditCell(kColNavn, 1, "Endret");
    e.EditCell(kColDataLengd, 2, "4");
    e.Save();  // refused when the disk is full
  });
  AllOrNothing([&](tDataImageArk& d) {
    ScriptHost h;
    h.answers = {"Ny mal"};
    DefEditor e(d, h, true);
    e.PickType(1, kTypeLongint);
    e.PickType(2, kTypeDate);
    e.SaveAs();
  });
  AllOrNothing([&](tDataImageArk& d) {
    ScriptHost h;
    h.answers = {"Andre navn"};
    DefEditor e(d, h, false);
    e.SetNameBox("Mal");
    ASSERT_TRUE(e.Open());
    e.NewPointer();
  });
}

}  // namespace
