// The pointer properties dialog's rules, by plain calls: what LesData shows, what
// SkrivData stores and what it refuses (leaving the file as it was), the name-block copy,
// the walks of the speed buttons and the register variable's value.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>

#include "content/display_name.h"
#include "content/system_lists.h"
#include "env/datetime_text.h"
#include "ui/forms/props_fixture.h"
#include "commands/point_properties.h"
#include "content/initial_content.h"

namespace qn {
namespace {

class PointPropertiesTest : public test::PropsTest {
 protected:
  // A list below the first data record: A (with the sub-list A1, A2), B.
  void SetUp() override {
    PropsTest::SetUp();
    first_ = dp().CurrentPosition();
    a_ = AddNamed(db_, DirDown, "A");
    a1_ = AddNamed(db_, DirRight, "A1");
    a2_ = AddNamed(db_, DirDown, "A2");
    dp().Load(a_);
    b_ = AddNamed(db_, DirDown, "B");
    ASSERT_GT(b_, 0);
  }
  // The dialog on the record at `p`, read.
  PointProperties& On(Position p) {
    EXPECT_EQ(dp().Load(p), 0);
    props_.LesData();
    return props_;
  }

  Position first_ = 0, a_ = 0, a1_ = 0, a2_ = 0, b_ = 0;
  PointProperties props_{db_};
};

// ---- LesData ----

TEST_F(PointPropertiesTest, ShowsTheFieldsOfANamedLineAndOpensOnItsNamePage) {
  PointProperties& p = On(a_);
  EXPECT_EQ(p.FirstPage(), PointPage::kNavn);
  EXPECT_EQ(p.Box("eHeader"), "A");
  EXPECT_EQ(p.Box("headerstr"), "A");
  EXPECT_EQ(p.Box("header"), std::to_string(dp().NameBlock()));
  EXPECT_EQ(p.Box("datapos"), std::to_string(a_));
  EXPECT_EQ(p.Box("pekestatus"), "1");
  EXPECT_EQ(p.Box("forrige"), std::to_string(first_));
  EXPECT_EQ(p.Box("neste"), std::to_string(b_));
  EXPECT_EQ(p.Box("hogre"), std::to_string(a1_));
  EXPECT_EQ(p.Box("venstre"), "0");
  EXPECT_EQ(p.Box("Opprettet"), FormatDateTime(dp().Created()));
  EXPECT_EQ(p.Box("Replikert"), "Aldri");
  EXPECT_EQ(p.ReplStatus(), 0);
  EXPECT_FALSE(p.ValueShown());
  // Without a data block the head reads "?".
  for (const char* box : {"dl", "dn", "df", "dr"}) EXPECT_EQ(p.Box(box), "?") << box;
  EXPECT_EQ(p.Box("netto"), "? netto");

  dp().Load(a_);
  std::array<uint8_t, 10> payload{};
  AddData(db_, payload);
  props_.LesData();
  EXPECT_EQ(p.FirstPage(), PointPage::kPekere);  // kind 3 now
  EXPECT_EQ(p.Box("dl"), "26");
  EXPECT_EQ(p.Box("netto"), "10 netto");
  EXPECT_EQ(p.Box("dn"), "0");
  EXPECT_EQ(p.Box("dr"), "0");
}

TEST_F(PointPropertiesTest, FileAttributeIsTheFilesModeBitsInDecimal) {
  ASSERT_EQ(::chmod(file_.c_str(), 0640), 0);
  EXPECT_EQ(On(a_).Box("FilAttr"), "416");
  EXPECT_FALSE(props_.SetBox("FilAttr", "511"));
  EXPECT_FALSE(props_.SetBox("headerstr", "x"));
}

TEST_F(PointPropertiesTest, ButtonsAreEnabledByTheLinksTheRecordHas) {
  PointProperties& p = On(a1_);  // first of a sub-list: up 0, down A2, left A
  EXPECT_FALSE(p.Enabled("UpKnapp"));
  EXPECT_FALSE(p.Enabled("FirstKnapp"));
  EXPECT_TRUE(p.Enabled("DownKnapp"));
  EXPECT_TRUE(p.Enabled("LastKnapp"));
  EXPECT_TRUE(p.Enabled("LeftKnapp"));
  EXPECT_FALSE(p.Enabled("RightKnapp"));
  EXPECT_FALSE(p.Enabled("InKnapp"));
  EXPECT_FALSE(p.Enabled("OutKnapp"));
  EXPECT_TRUE(p.Enabled("KopierHeader"));
  EXPECT_FALSE(p.Enabled("LimInnheader"));
  EXPECT_FALSE(p.Enabled("PopKnapp"));
  EXPECT_TRUE(p.Enabled("HomeKnapp"));

  p.KopierHeaderClick();
  EXPECT_TRUE(p.Enabled("LimInnheader"));
  p.SpeedButton2Click();
  EXPECT_TRUE(p.Enabled("PopKnapp"));
  EXPECT_EQ(p.HomeKnappClick(), 0);  // the file header: no name to copy
  EXPECT_FALSE(p.Enabled("KopierHeader"));
  EXPECT_TRUE(p.Enabled("LimInnheader"));  // the copy stays while the file is open
}

// ---- SkrivData ----

TEST_F(PointPropertiesTest, StoresChangedFieldsAndStampsChangedWhateverEndretSays) {
  PointProperties& p = On(b_);
  const double before = NowAsDateTime();
  ASSERT_TRUE(p.SetBox("dataslutt", "77"));
  ASSERT_TRUE(p.SetBox("Opprettet", "01.02.2003 04:05:06"));
  ASSERT_TRUE(p.SetBox("Endret", "01.01.2000"));
  ASSERT_TRUE(p.SetBox("Replikert", "24.12.2010 18:00"));
  p.SetReplStatus(2);
  EXPECT_EQ(p.SkrivData(), "");

  EXPECT_EQ(At(b_, kDataOffsetOffset), 77);
  EXPECT_EQ(At(b_, kReplicationOffset), 2);
  EXPECT_EQ(TimeAt(b_, kCreatedOffset), EncodeDateTime({2003, 2, 1, 4, 5, 6}));
  EXPECT_EQ(TimeAt(b_, kReplicatedOffset), EncodeDateTime({2010, 12, 24, 18, 0, 0}));
  EXPECT_GE(TimeAt(b_, kChangedOffset), before - 1.0 / 86400);
  // The boxes were read again from the stored record.
  EXPECT_EQ(p.Box("Replikert"), "24.12.2010 18:00:00");
  ExpectConsistent();
}

TEST_F(PointPropertiesTest, UntouchedBoxesKeepTheirBytesAndAldriStaysZero) {
  dp().Load(b_);
  dp().SetCreated(40000.123456789);  // milliseconds the box cannot show
  dp().Store();
  PointProperties& p = On(b_);
  EXPECT_EQ(p.Box("Replikert"), "Aldri");
  EXPECT_EQ(p.SkrivData(), "");
  EXPECT_EQ(TimeAt(b_, kCreatedOffset), 40000.123456789);
  EXPECT_EQ(TimeAt(b_, kReplicatedOffset), 0.0);

  // Typing "Aldri" over a time stores 0.0.
  ASSERT_TRUE(p.SetBox("Replikert", "01.01.2011 10:00:00"));
  ASSERT_EQ(p.SkrivData(), "");
  ASSERT_NE(TimeAt(b_, kReplicatedOffset), 0.0);
  ASSERT_TRUE(p.SetBox("Replikert", "Aldri"));
  ASSERT_EQ(p.SkrivData(), "");
  EXPECT_EQ(TimeAt(b_, kReplicatedOffset), 0.0);
  EXPECT_EQ(p.Box("Replikert"), "Aldri");
}

// Each refusal: a message, and not a byte of the file or of the cursor's record changed.
class RefusalTest : public PointPropertiesTest {
 protected:
  void ExpectRefused(std::string_view box, std::string text, std::string_view messagePart) {
    PointProperties& p = On(b_);
    const std::vector<uint8_t> file = FileBytes();
    const RecordImage image = [&] {
      RecordImage i;
      std::copy(dp().Image().begin(), dp().Image().end(), i.begin());
      return i;
    }();
    ASSERT_TRUE(p.SetBox(box, text));
    const std::string message = p.SkrivData();
    EXPECT_NE(message.find(messagePart), std::string::npos) << box << "=" << text << ": " << message;
    EXPECT_EQ(FileBytes(), file) << box << "=" << text;
    EXPECT_TRUE(std::equal(image.begin(), image.end(), dp().Image().begin())) << box;
    EXPECT_EQ(p.Box(box), text);  // the typed text stays for correcting
  }
};

TEST_F(RefusalTest, ChangedDenneIsRefusedSoNoOtherBlockIsOverwritten) {
  ExpectRefused("datapos", std::to_string(a_), "Denne");
  ExpectRefused("datapos", "512", "Denne");
}

TEST_F(RefusalTest, PointerBoxesMustNameAPointerRecord) {
  const Position nameOfA = [&] {
    dp().Load(a_);
    return dp().NameBlock();
  }();
  ExpectRefused("neste", std::to_string(nameOfA), "Ned");       // a name block
  ExpectRefused("forrige", std::to_string(a_ + 4), "Opp");      // inside a record
  ExpectRefused("hogre", "99999999", "Høyre");                  // past the end of the file
  ExpectRefused("venstre", "-256", "Venstre");
  ExpectRefused("inn", std::to_string(b_), "Inn");              // itself
  ExpectRefused("pekelengd", std::to_string(nameOfA), "Posisjon til mal");
  ExpectRefused("datastart", "3", "Oppdateringsdata");

  // Size 256 and its own Position, but no signature: not a pointer record.
  std::vector<uint8_t> fake(256, 0);
  const Position at = static_cast<Position>(db_.FileSizeOf());
  PutU32(fake, 0, 256);
  PutI32(fake, 4, at);
  ASSERT_EQ(Append(fake), at);
  ExpectRefused("ut", std::to_string(at), "Ut");
}

TEST_F(RefusalTest, BlockBoxesMustNameABlockOfTheirShapeInsideTheFile) {
  const Position end = static_cast<Position>(db_.FileSizeOf());
  ExpectRefused("dataer", std::to_string(end), "utenfor filen");
  ExpectRefused("Arvdata", "-16", "utenfor filen");
  ExpectRefused("ThumbData", std::to_string(end + 1000), "utenfor filen");
  ExpectRefused("header", std::to_string(a_), "264");       // a record is no name block
  ExpectRefused("Memodata", "512", "8208");                 // a name block is no note
  // A block whose size word runs past the end of the file.
  std::vector<uint8_t> torn(20, 0);
  PutU32(torn, 0, 5000);
  const Position at = Append(torn);
  ExpectRefused("dataer", std::to_string(at), "utenfor filen");
}

TEST_F(RefusalTest, TextThatIsNotANumberGivesTheConversionMessage) {
  ExpectRefused("neste", "abc", "'abc' er ikke en gyldig heltallsverdi");
  ExpectRefused("pekestatus", "", "er ikke en gyldig heltallsverdi");
  ExpectRefused("dataslutt", "99999999999", "er ikke en gyldig heltallsverdi");
  ExpectRefused("Opprettet", "31.02.2001", "'31.02.2001' er ikke en gyldig dato og tid");
  ExpectRefused("Endret", "01.01.2001 25:00", "er ikke en gyldig dato og tid");
}

TEST_F(PointPropertiesTest, ValidLinksAndBlocksAreStored) {
  // Point B's up at A2 and A2's down at B by hand; the boxes take what is valid.
  PointProperties& p = On(b_);
  ASSERT_TRUE(p.SetBox("pekelengd", std::to_string(a2_)));
  ASSERT_TRUE(p.SetBox("ThumbData", "512"));
  ASSERT_TRUE(p.SetBox("datapos", " " + std::to_string(b_) + " "));  // the same number
  EXPECT_EQ(p.SkrivData(), "");
  EXPECT_EQ(At(b_, kTemplatePosOffset), a2_);
  EXPECT_EQ(At(b_, kPictureBlockOffset), 512);
  ExpectConsistent();
}

TEST_F(PointPropertiesTest, NameBoxRulesByKind) {
  PointProperties& p = On(b_);
  ASSERT_TRUE(p.SetBox("eHeader", "Bæ"));
  ASSERT_EQ(p.SkrivData(), "");
  EXPECT_EQ(NameAt(b_), "Bæ");
  EXPECT_EQ(p.Box("headerstr"), "Bæ");

  // A named line emptied: its name is written empty.
  On(b_);
  ASSERT_TRUE(p.SetBox("eHeader", ""));
  ASSERT_EQ(p.SkrivData(), "");
  EXPECT_EQ(NameAt(b_), "");

  // A named note emptied: the name stays.
  dp().Load(a2_);
  std::array<uint8_t, kNoteTextSize> note{};
  AddNote(db_, note);
  ASSERT_EQ(On(a2_).Box("pekestatus"), "257");
  ASSERT_TRUE(p.SetBox("eHeader", ""));
  ASSERT_EQ(p.SkrivData(), "");
  EXPECT_EQ(NameAt(a2_), "A2");
  ExpectConsistent();
}

TEST_F(PointPropertiesTest, PastedNameBlockIsSharedWithoutRenamingItsOwner) {
  PointProperties& p = On(a1_);
  const Position block = dp().NameBlock();
  p.KopierHeaderClick();
  On(b_);
  ASSERT_TRUE(p.SetBox("dataslutt", "5"));  // an edit made before the paste survives it
  p.LimInnheaderClick();
  EXPECT_EQ(p.Box("header"), std::to_string(block));
  EXPECT_EQ(p.Box("eHeader"), "A1");
  EXPECT_EQ(p.Box("dataslutt"), "5");
  ASSERT_EQ(p.SkrivData(), "");
  EXPECT_EQ(At(b_, kNameBlockOffset), block);
  EXPECT_EQ(At(b_, kDataOffsetOffset), 5);
  EXPECT_EQ(NameAt(b_), "A1");
  EXPECT_EQ(NameAt(a1_), "A1");
  ExpectConsistent();
}

TEST_F(PointPropertiesTest, CopiedNameBlockLastsWhileTheFileIsOpen) {
  On(a_).KopierHeaderClick();
  EXPECT_GT(db_.copiedNameBlock, 0);
  db_.Close();
  OpenDatabase(db_, file_, OpenPolicy::kCreate);
  ASSERT_TRUE(db_.IsOpen());
  EXPECT_EQ(db_.copiedNameBlock, 0);
  EXPECT_FALSE(On(a_).Enabled("LimInnheader"));
}

// ---- The speed buttons ----

TEST_F(PointPropertiesTest, WalksRereadTheBoxesAndDropUnsavedEdits) {
  PointProperties& p = On(a_);
  ASSERT_TRUE(p.SetBox("eHeader", "ikke lagret"));
  EXPECT_EQ(p.RightKnappClick(), 0);
  EXPECT_EQ(p.Box("eHeader"), "A1");
  EXPECT_EQ(p.DownKnappClick(), 0);
  EXPECT_EQ(p.Box("eHeader"), "A2");
  EXPECT_EQ(p.FirstKnappClick(), 0);
  EXPECT_EQ(p.Record(), a1_);
  EXPECT_EQ(p.LeftKnappClick(), 0);
  EXPECT_EQ(p.Record(), a_);
  EXPECT_EQ(p.LastKnappClick(), 0);
  EXPECT_EQ(p.Record(), b_);
  EXPECT_EQ(p.UpKnappClick(), 0);
  EXPECT_EQ(p.Record(), a_);
  EXPECT_EQ(NameAt(a_), "A");

  // Push here, go to the file header, pop back.
  On(a2_);
  EXPECT_EQ(p.SpeedButton2Click(), a2_);
  EXPECT_EQ(p.Record(), a2_);  // no reread
  EXPECT_EQ(p.HomeKnappClick(), 0);
  EXPECT_EQ(p.Box("datapos"), "0");
  EXPECT_EQ(p.PopKnappClick(), a2_);
  EXPECT_EQ(p.Box("eHeader"), "A2");
  EXPECT_FALSE(p.Enabled("PopKnapp"));
}

TEST_F(PointPropertiesTest, TheFileHeaderRecordCanBeStoredInPlace) {
  PointProperties& p = On(0);
  ASSERT_TRUE(p.SetBox("dataslutt", "1"));
  EXPECT_EQ(p.SkrivData(), "");
  EXPECT_EQ(At(0, kDataOffsetOffset), 1);
  ExpectConsistent();
}

// ---- Register variables ----

TEST_F(PointPropertiesTest, RegisterVariableShowsAndStoresItsValue) {
  ASSERT_EQ(SetRegisterVariable(db_, "Farge", "blå"), 1);
  const Position var = Find("Farge");
  ASSERT_GT(var, 0);
  PointProperties& p = On(var);
  EXPECT_TRUE(p.ValueShown());
  EXPECT_TRUE(p.Enabled("VerdiKnapp"));
  EXPECT_EQ(p.Box("VerdiEdit"), "blå");
  EXPECT_EQ(p.Box("headerstr"), "Farge=blå");
  EXPECT_EQ(p.Record(), var);

  ASSERT_TRUE(p.SetBox("VerdiEdit", "rød"));
  EXPECT_EQ(p.VerdiKnappClick(), "");
  EXPECT_EQ(GetRegisterVariable(db_, "Farge"), "rød");
  EXPECT_EQ(p.Box("VerdiEdit"), "rød");
  EXPECT_EQ(p.Record(), var);

  // Storing the boxes keeps the variable whole.
  EXPECT_EQ(p.SkrivData(), "");
  EXPECT_EQ(GetRegisterVariable(db_, "Farge"), "rød");
  ExpectConsistent();

  EXPECT_FALSE(On(a_).ValueShown());
  EXPECT_EQ(p.VerdiKnappClick(), "");  // not a register variable: nothing happens
}

}  // namespace
}  // namespace qn
