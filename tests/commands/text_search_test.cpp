#include "commands/text_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "content/document_link.h"
#include "content/initial_content.h"
#include "content/note_text.h"
#include "content/record_clipboard.h"
#include "content/system_lists.h"
#include "exchange/exchange_fixture.h"
#include "store/record_reader.h"

namespace qn::test {
namespace {

// Data › Kunder › Ola Nordmann (note), a customer record laid out by "Kunde" and its data
// shadow, a document link, a register variable and a deleted record still linked.
class TextSearchTest : public ExchangeFixture {
 protected:
  void SetUp() override {
    ExchangeFixture::SetUp();
    MakeTemplate("Kunde", {Row("Navn", kTypeString, 31), Row("Passord", kTypePassword, 21),
                           Row("Nummer", kTypeLongint, 4), Row("Aktiv", kTypeBoolean, 1)});
    dp().Load(line);
    customers = AddNamed(*db, DirDown, "Kunder");
    ola = SubList(customers, {"Ola Nordmann"})[0];
    dp().Load(ola);
    EXPECT_EQ(WriteNoteText(*db, "Ringer på onsdag\nom blåbær"), "");
    customer = MakeData("Kunde", customers);
    SetPayload(customer, Join({TextBytes("Ærlig Øvrebø", 31), TextBytes("hemmelig", 21), IntBytes(4711), {1}}));
    dp().Load(customer);
    EXPECT_GT(CopyData(*db), 0);
    EXPECT_GT(NewDataShadow(*db), 0);
    shadow = dp().CurrentPosition();
    dp().NewDown();
    link = dp().CurrentPosition();
    EXPECT_EQ(SetDocumentLink(*db, "/home/ola/rapport.pdf"), "");
    dp().Load(data);
    AddNamed(*db, DirDown, std::string(kSystemRegisterHeader));
    EXPECT_EQ(SetRegisterVariable(*db, "Farge", "grønn"), 1);
    dp().Load(ola);
    deleted = AddNamed(*db, DirDown, "Slettet Nordmann");
    PutI32(FileRef(), size_t(deleted) + kKindOffset, kKindNamed | kKindDeleted);
    Reopen();
  }

  std::vector<SearchHit> Find(const std::string& text, unsigned places = kSearchEverywhere, bool matchCase = false,
                              int64_t slice = 1000000, TextSearch** running = nullptr) {
    RecordReader reader(*db);
    TextSearch search(reader, {text, places, matchCase});
    if (running) *running = &search;
    std::vector<SearchHit> hits;
    while (search.Run(slice, [&](const SearchHit& h) { hits.push_back(h); })) {
    }
    damaged = search.Damaged();
    visited = search.Visited();
    return hits;
  }
  std::vector<Position> Where(const std::vector<SearchHit>& hits) {
    std::vector<Position> out;
    for (const SearchHit& h : hits) out.push_back(h.position);
    return out;
  }

  Position customers = 0, ola = 0, customer = 0, shadow = 0, link = 0, deleted = 0;
  int64_t damaged = 0, visited = 0;
};

struct PlaceCase {
  const char* text;
  unsigned places;
  HitPlace place;
  const char* field;
  const char* around;
};

class TextSearchPlaces : public TextSearchTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(TextSearchPlaces, FindsTheTextWhereItIsAndNowhereElse) {
  const PlaceCase& c = GetParam();
  const std::vector<SearchHit> hits = Find(c.text, c.places);
  ASSERT_FALSE(hits.empty());
  EXPECT_EQ(hits[0].place, c.place);
  EXPECT_EQ(hits[0].field, c.field);
  EXPECT_EQ(hits[0].around, c.around);
  // Looked for everywhere else, the text is not found.
  EXPECT_TRUE(Find(c.text, kSearchEverywhere & ~c.places).empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachPlace, TextSearchPlaces,
    ::testing::Values(PlaceCase{"nordmann", kSearchNames, HitPlace::kName, "", "Ola Nordmann"},
                      PlaceCase{"ØVREBØ", kSearchData, HitPlace::kField, "Navn", "Ærlig Øvrebø"},
                      PlaceCase{"471", kSearchData, HitPlace::kField, "Nummer", "4711"},
                      PlaceCase{"BLÅBÆR", kSearchNotes, HitPlace::kNote, "", "Ringer på onsdag om blåbær"},
                      PlaceCase{"rapport", kSearchLinks, HitPlace::kLink, "", "/home/ola/rapport.pdf"},
                      PlaceCase{"farge", kSearchVariables, HitPlace::kVariableName, "", "Farge"},
                      PlaceCase{"GRØNN", kSearchVariables, HitPlace::kVariableValue, "", "grønn"}));

// The fields are searched as the data editor shows them, over the record's own block: an
// inherited part does not shift them, and its bytes are no field of the record.
TEST_F(TextSearchTest, AnInheritedPartLeavesTheFieldsWhereTheEditorShowsThem) {
  const Position other = MakeData("Kunde", customers);
  SetPayload(other, Join({TextBytes("Arvet Navn", 31), TextBytes("x", 21), IntBytes(1), {0}}));
  dp().Load(customer);
  ASSERT_GT(dp().SetInheritBlock(other), 0);
  Reopen();
  const std::vector<SearchHit> own = Find("Øvrebø", kSearchData);
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(own[0].position, customer);
  EXPECT_EQ(own[0].field, "Navn");
  EXPECT_EQ(Where(Find("arvet", kSearchData)), std::vector<Position>{other});
}

// On the disk the fields of most records are looked at where they lie in the file's map;
// what is found there is what is found by reading them.
TEST_F(TextSearchTest, TheFileOnTheDiskGivesTheSameHitsAsReadInMemory) {
  const Bytes bytes = File();
  const std::string path = testing::TempDir() + "quill_text_search.pdb256";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  tDataImageArk disk;
  OpenDatabase(disk, path, OpenPolicy::kInspect);
  ASSERT_TRUE(disk.IsOpen());
  for (const char* text : {"øvrebø", "4711", "ja", "nordmann", "blåbær", "tyttebær"}) {
    SCOPED_TRACE(text);
    RecordReader reader(disk);
    TextSearch search(reader, {text, kSearchEverywhere, false});
    std::vector<std::string> there;
    while (search.Run(1000, [&](const SearchHit& h) { there.push_back(std::to_string(h.position) + h.field + h.around); })) {
    }
    std::vector<std::string> here;
    for (const SearchHit& h : Find(text)) here.push_back(std::to_string(h.position) + h.field + h.around);
    EXPECT_EQ(there, here);
  }
  std::filesystem::remove(path);
}

TEST_F(TextSearchTest, AHitCarriesThePathOfDisplayNamesFromTheTop) {
  const std::vector<SearchHit> hits = Find("onsdag");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].position, ola);
  EXPECT_EQ(hits[0].path, (std::vector<std::string>{"Data", "Kunder", "Ola Nordmann"}));
}

TEST_F(TextSearchTest, CaseRulesCoverTheLettersOfTheCodePage) {
  EXPECT_EQ(Find("ærlig øvrebø").size(), 2u);  // the record and its data shadow
  EXPECT_TRUE(Find("ærlig øvrebø", kSearchEverywhere, true).empty());
  EXPECT_EQ(Find("Ærlig Øvrebø", kSearchEverywhere, true).size(), 2u);
  EXPECT_TRUE(Find("Øvrebł").empty());  // a letter the code page lacks is in no text
  EXPECT_TRUE(Find("").empty());
}

TEST_F(TextSearchTest, PasswordsAndDeletedRecordsAreNeverSearched) {
  EXPECT_TRUE(Find("hemmelig").empty());
  EXPECT_EQ(Where(Find("nordmann")), std::vector<Position>{ola});
}

TEST_F(TextSearchTest, EachRecordIsVisitedOnceThoughLinksCrossOrCircle) {
  const int64_t healthy = (Find("x"), visited);
  // The last record of the customers' list leads back to its first, and Ola's list down
  // into the customers' list.
  PutI32(FileRef(), size_t(link) + kDownOffset, customers);
  PutI32(FileRef(), size_t(deleted) + kDownOffset, customer);
  Reopen();
  const std::vector<SearchHit> hits = Find("øvrebø");
  EXPECT_EQ(Where(hits), (std::vector<Position>{customer, shadow}));
  EXPECT_EQ(visited, healthy);
  EXPECT_EQ(damaged, 2);
}

TEST_F(TextSearchTest, ADamagedBlockIsSkippedAndCounted) {
  PutI32(FileRef(), size_t(ola) + kNoteBlockOffset, int32_t(File().size()) + 100);
  PutI32(FileRef(), size_t(customers) + kNameBlockOffset, int32_t(File().size()) - 3);
  Reopen();
  EXPECT_TRUE(Find("onsdag").empty());
  EXPECT_EQ(Find("nordmann").size(), 1u);
  EXPECT_EQ(damaged, 2);
}

TEST_F(TextSearchTest, SlicesFindWhatOneRunFindsAndCancelStops) {
  EXPECT_EQ(Where(Find("a", kSearchEverywhere, false, 1)), Where(Find("a")));
  RecordReader reader(*db);
  TextSearch search(reader, {"a", kSearchEverywhere, false});
  EXPECT_TRUE(search.Run(2, {}));
  EXPECT_LT(search.Progress(), 1.0);
  search.Cancel();
  EXPECT_FALSE(search.Run(100, {}));
  EXPECT_EQ(search.Visited(), 2);
}

TEST_F(TextSearchTest, FindNextVisitsEveryDisplayNameHitInWalkOrderThenStops) {
  RecordReader reader(*db);
  std::vector<Position> seen;
  for (std::optional<Position> p = FindNextByDisplayName(reader, "ærlig", 0); p && seen.size() < 5;
       p = FindNextByDisplayName(reader, "ærlig", *p))
    seen.push_back(*p);
  EXPECT_EQ(seen, (std::vector<Position>{customer, shadow}));
  // From a record the walk does not reach, the search starts at the top.
  EXPECT_EQ(FindNextByDisplayName(reader, "ærlig", deleted + 1), customer);
}

}  // namespace
}  // namespace qn::test
