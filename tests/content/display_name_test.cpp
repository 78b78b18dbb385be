#include "content/display_name.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "content/system_lists.h"
#include "content/new_database_fixture.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

using namespace qn;
using qn::test::Bytes;
using qn::test::NewDatabaseFixture;

namespace {

TemplateField Row(std::string name, uint16_t type, uint16_t dataLength, uint8_t hidden = 0) {
  TemplateField f;
  f.Name = std::move(name);
  f.DataType = type;
  f.DataLength = dataLength;
  f.Hidden = hidden;
  return f;
}

// Field bytes, built by hand as a data record holds them.
Bytes Text(std::string_view s, size_t width) {
  Bytes b(width, 0);
  b[0] = uint8_t(s.size());
  std::copy(s.begin(), s.end(), b.begin() + 1);
  return b;
}
Bytes Long(int32_t v) {
  Bytes b(4);
  PutI32(b, 0, v);
  return b;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class DisplayNameTest : public NewDatabaseFixture {
 protected:
  void SetUp() override {
    NewDatabaseFixture::SetUp();
    Create(false);
    line = dp().CurrentPosition();
  }
  Position MakeTemplate(const std::string& name, std::initializer_list<TemplateField> rows) {
    EXPECT_EQ(CreateTemplate(*db, name), 0);
    for (const TemplateField& r : rows) AddTemplateField(*db, r);
    FinishTemplate(*db);
    return dp().CurrentPosition();
  }
  // An unnamed data record below the no-data line with `payload`, laid out by `tmpl`; the
  // cursor ends on it.
  Position DataRecord(Position tmpl, const Bytes& payload) {
    dp().Load(line);
    dp().NewDown();
    AddData(*db, payload);
    dp().SetTemplatePos(tmpl);
    dp().Store();
    return dp().CurrentPosition();
  }
  std::string NameOf(Position p) {
    dp().Load(p);
    std::string name = DisplayName(*db);
    EXPECT_EQ(dp().CurrentPosition(), p);  // the cursor stays on the record
    return name;
  }
  // A record of `kind` below the line, with a name when `name` is not empty.
  Position KindRecord(int32_t kind, std::string_view name = {}) {
    dp().Load(line);
    dp().NewDown();
    if (!name.empty()) WriteName(*db, name);
    dp().SetKind(kind);
    dp().Store();
    return dp().CurrentPosition();
  }
  Position line = 0;
};

TEST_F(DisplayNameTest, VisibleValuesAreJoinedByCommaAndAnEmptyTextAddsNothing) {
  Position t = MakeTemplate("Person", {Row("Navn", kTypeString, 32), Row("Tom", kTypeString, 32),
                                       Row("Nummer", kTypeLongint, 4)});
  EXPECT_EQ(NameOf(DataRecord(t, Cat({Text("Ola", 32), Text("", 32), Long(42)}))), "Ola, 42");
}

TEST_F(DisplayNameTest, AnEmptyFirstFieldLeavesTheSeparatorInFront) {
  Position t = MakeTemplate("Person", {Row("Tom", kTypeString, 32), Row("Navn", kTypeString, 32),
                                       Row("Nummer", kTypeLongint, 4)});
  EXPECT_EQ(NameOf(DataRecord(t, Cat({Text("", 32), Text("Ola", 32), Long(42)}))), ", Ola, 42");
}

TEST_F(DisplayNameTest, HiddenFieldsAreReadButNotShown) {
  Position t = MakeTemplate("Skjult", {Row("Hemmelig", kTypeString, 10, 1), Row("Navn", kTypeString, 10),
                                       Row("Tall", kTypeByte, 1, 1), Row("Nummer", kTypeLongint, 4)});
  Bytes payload = Cat({Text("hemmelig", 10), Text("Kari", 10), Bytes{7}, Long(-3)});
  EXPECT_EQ(NameOf(DataRecord(t, payload)), "Kari, -3");
}

TEST_F(DisplayNameTest, APasswordIsMaskedAnEmptyOneAndTypesWithoutTextAddOnlyTheSeparator) {
  Position t = MakeTemplate("Konto", {Row("Valuta", kTypeComp, 8), Row("Passord", kTypePassword, 16),
                                      Row("Tomt passord", kTypePassword, 16), Row("Ja", kTypeBoolean, 1)});
  Bytes payload = Cat({Bytes(8, 0xFF), Text("hemmelig", 16), Text("", 16), Bytes{1}});
  EXPECT_EQ(NameOf(DataRecord(t, payload)), ", ********, , Ja");
}

TEST_F(DisplayNameTest, TheTextStopsAt255Characters) {
  Position t = MakeTemplate("Lang", {Row("A", kTypeString, 256), Row("B", kTypeString, 256)});
  std::string a(200, 'a'), b(200, 'b');
  std::string name = NameOf(DataRecord(t, Cat({Text(a, 256), Text(b, 256)})));
  EXPECT_EQ(name, a + ", " + std::string(53, 'b'));
}

TEST_F(DisplayNameTest, ALetterOutsideAsciiCountsOnceAtTheCut) {
  Position t = MakeTemplate("Lang", {Row("A", kTypeString, 256), Row("B", kTypeString, 8)});
  // "æø" in Windows-1252: one byte each, so the 256th character is the one cut off.
  Bytes payload = Cat({Text(std::string(252, 'a'), 256), Text("\xE6\xF8", 8)});
  EXPECT_EQ(NameOf(DataRecord(t, payload)), std::string(252, 'a') + ", æ");
}

TEST_F(DisplayNameTest, ARecordWithoutALoadableTemplateSaysSo) {
  EXPECT_EQ(NameOf(DataRecord(0, Bytes(4))), "** DEFINISJON-DATA IKKE HENTET **");
  EXPECT_EQ(NameOf(DataRecord(line, Bytes(4))), "** DEFINISJON-DATA IKKE HENTET **");
}

TEST_F(DisplayNameTest, AShortDataBlockReadsItsMissingFieldsAsZero) {
  Position t = MakeTemplate("Par", {Row("Navn", kTypeString, 8), Row("Nummer", kTypeLongint, 4)});
  EXPECT_EQ(NameOf(DataRecord(t, Text("Per", 8))), "Per, 0");
}

TEST_F(DisplayNameTest, ANamedDataRecordShowsItsName) {
  Position t = MakeTemplate("Par", {Row("Navn", kTypeString, 8)});
  Position p = DataRecord(t, Text("Per", 8));
  WriteName(*db, "Eget navn");
  EXPECT_EQ(RecordAt(p).kind, kKindData + 1);
  EXPECT_EQ(NameOf(p), "Eget navn");  // kind 3, as renaming makes it
  dp().Load(p);
  dp().SetKind(kKindDataWithTemplate + 1);
  dp().Store();
  EXPECT_EQ(NameOf(p), "Eget navn");
  dp().SetKind(kKindDataWithTemplate);
  dp().Store();
  EXPECT_EQ(NameOf(p), "Eget navn");
}

TEST_F(DisplayNameTest, EachKindHasItsText) {
  EXPECT_EQ(NameOf(KindRecord(kKindNamed, "Linje")), "Linje");
  EXPECT_EQ(NameOf(KindRecord(kKindNamedNote, "Notat")), "Notat");
  EXPECT_EQ(NameOf(KindRecord(kKindProgram, "Prog")), "Prog");
  EXPECT_EQ(NameOf(KindRecord(kKindFileLink, "Snarvei")), "Snarvei");
  EXPECT_EQ(NameOf(Find("Standard")), "INDEX: Standard");
  SetRegisterVariable(*db, "Farge", "blå");
  EXPECT_EQ(NameOf(Find("Farge")), "Farge=blå");
  dp().Load(line);
  const Position link = AddLinked(*db, DirDown, "/home/ola/brev.odt");
  EXPECT_EQ(NameOf(link), "/home/ola/brev.odt");
  WriteName(*db, "Brev");
  EXPECT_EQ(RecordAt(link).kind, kKindNamedLink);
  EXPECT_EQ(NameOf(link), "/home/ola/brev.odt");
  EXPECT_EQ(NameOf(KindRecord(2048)), "Data fra eksternt beregningsprogram");
  EXPECT_EQ(NameOf(KindRecord(4096)), "Data fra ekstern leverandør");
  EXPECT_EQ(NameOf(KindRecord(4608)), "Data fra ekstern leverandør");
  EXPECT_EQ(NameOf(KindRecord(4609)), "");
  EXPECT_EQ(NameOf(KindRecord(kKindEmpty)), "");
  EXPECT_EQ(NameOf(KindRecord(kKindTemplateTag, "Tag")), "");
  EXPECT_EQ(NameOf(KindRecord(kKindNamed | kKindDeleted, "Slettet")), "");
}

class GlobalPointerTest : public DisplayNameTest {
 protected:
  std::array<uint8_t, kGlobalPointerSize> Payload(uint8_t method, std::string_view file,
                                                 Position position, std::string_view text) {
    std::array<uint8_t, kGlobalPointerSize> p{};
    PutI32(p, kGlobalPositionOffset, position);
    p[kGlobalMethodOffset] = method;
    p[kGlobalFileNameOffset] = uint8_t(file.size());
    std::copy(file.begin(), file.end(), p.begin() + kGlobalFileNameOffset + 1);
    p[kGlobalTextOffset] = uint8_t(text.size());
    std::copy(text.begin(), text.end(), p.begin() + kGlobalTextOffset + 1);
    return p;
  }
};

TEST_F(GlobalPointerTest, TheCaptionNamesTheFileAndWhereItPoints) {
  EXPECT_EQ(GlobalPointerCaption(Payload(0, "kunder.pdb256", 4711, "Kunder")), "kunder.pdb256 : 4711");
  EXPECT_EQ(GlobalPointerCaption(Payload(1, "kunder.pdb256", 4711, "Kunder")), "kunder.pdb256 : Kunder");
  EXPECT_EQ(GlobalPointerCaption(Payload(2, "kunder.pdb256", 4711, "Kunder")), "kunder.pdb256 : ?");
  EXPECT_EQ(GlobalPointerCaption(Payload(0x81, "k.pdb256", 0, "Kunder")), "[AUTOMATISK] k.pdb256 : Kunder");
}

TEST_F(GlobalPointerTest, ADamagedTextLengthStaysInsideThePayload) {
  auto p = Payload(1, "k.pdb256", 0, "");
  p[kGlobalTextOffset] = 255;  // more than the 127 characters the text may hold
  std::fill(p.begin() + kGlobalTextOffset + 1, p.end(), uint8_t('x'));
  EXPECT_EQ(GlobalPointerCaption(p), "k.pdb256 : " + std::string(127, 'x'));
}

TEST_F(GlobalPointerTest, AGlobalPointerRecordShowsItsNameOrItsCaption) {
  dp().Load(line);
  dp().SetLastDirection(DirDown);
  AddGlobalPointer(*db, Payload(0, "kunder.pdb256", 4711, ""));
  const Position p = dp().CurrentPosition();
  EXPECT_EQ(NameOf(p), "kunder.pdb256 : 4711");
  WriteName(*db, "Kundene");
  dp().SetKind(kKindGlobalPointer);
  dp().Store();
  EXPECT_EQ(NameOf(p), "Kundene");
}

}  // namespace
