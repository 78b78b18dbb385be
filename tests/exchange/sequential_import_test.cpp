#include "exchange/sequential_import.h"

#include "exchange/exchange_fixture.h"
#include "store/fault_injection.h"

namespace qn::test {
namespace {

class SequentialImportTest : public ExchangeFixture {
 protected:
  void SetUp() override {
    ExchangeFixture::SetUp();
    tmpl = MakeTemplate("Post", {Row("Navn", kTypeString, 26), Row("Nr", kTypeLongint, 4)});
    MakeTemplate("Tom", {});
  }
  // `n` records of 30 bytes, each byte telling its record and place.
  static Bytes Records(int n) {
    Bytes b;
    for (int i = 0; i < n * 30; ++i) b.push_back(uint8_t((i / 30) * 7 + i % 30 + 0x80));
    return b;
  }
  // The payloads of the records below `from`, in list order.
  std::vector<Bytes> PayloadsBelow(Position from) {
    std::vector<Bytes> out;
    for (Position p = At(from, kDownOffset); p > 0; p = At(p, kDownOffset)) {
      EXPECT_EQ(At(p, kTemplatePosOffset), tmpl);
      out.push_back(Payload(p));
    }
    return out;
  }
  SequentialImportResult Import(const std::string& name, const std::string& templ = "Post") {
    dp().Load(line);
    EXPECT_EQ(LoadTemplate(*db, templ), 0);
    return ImportSequentialFile(*db, *out, name);
  }
  Position tmpl = 0;
};

TEST_F(SequentialImportTest, RecordsAreStoredExactlyAndInFileOrder) {
  dp().Load(line);
  const Position next = MakeData("Post", line);  // a record that was below already
  out->Put("ti.dta", Records(10));
  int64_t lastDone = 0;
  dp().Load(line);
  LoadTemplate(*db, "Post");
  const SequentialImportResult r = ImportSequentialFile(*db, *out, "ti.dta", [&](int64_t done, int64_t total) {
    EXPECT_EQ(total, 10);
    lastDone = done;
    return true;
  });
  EXPECT_EQ(r.status, SequentialImportResult::Status::kDone);
  EXPECT_EQ(r.imported, 10);
  EXPECT_EQ(lastDone, 10);
  std::vector<Bytes> payloads = PayloadsBelow(line);
  ASSERT_EQ(payloads.size(), 11u);
  const Bytes all = Records(10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(payloads[i], Bytes(all.begin() + i * 30, all.begin() + i * 30 + 30)) << i;
  EXPECT_EQ(At(dp().CurrentPosition(), kDownOffset), next);
  ExpectConsistent();
}

TEST_F(SequentialImportTest, SizesThatDoNotFitImportNothing) {
  out->Put("301.dta", Bytes(301, 1));
  out->Put("tom.dta", Bytes());
  const Bytes before = File();
  EXPECT_EQ(Import("301.dta").status, SequentialImportResult::Status::kDoesNotFit);
  EXPECT_EQ(Import("tom.dta", "Tom").status, SequentialImportResult::Status::kDoesNotFit);
  EXPECT_EQ(Import("tom.dta").imported, 0);
  EXPECT_EQ(Import("mangler.dta").status, SequentialImportResult::Status::kReadError);
  EXPECT_EQ(File(), before);

  EXPECT_EQ(CheckSequentialFile(30, 2, 301).records, 10);
  EXPECT_FALSE(CheckSequentialFile(30, 2, 301).fits);
  EXPECT_FALSE(CheckSequentialFile(0, 0, 0).fits);
  EXPECT_TRUE(CheckSequentialFile(30, 2, 0).fits);
}

TEST_F(SequentialImportTest, AReadErrorKeepsTheWholeRecordsBeforeIt) {
  out->Put("ti.dta", Records(10));
  out->readBudget = 95;  // three records and a part
  SequentialImportResult r = Import("ti.dta");
  EXPECT_EQ(r.status, SequentialImportResult::Status::kReadError);
  EXPECT_EQ(r.imported, 3);
  EXPECT_NE(r.message.find("3 poster er importert"), std::string::npos) << r.message;
  EXPECT_EQ(PayloadsBelow(line).size(), 3u);
  ExpectConsistent();

  // A file that shrinks while it is read: its size said eleven records, ten came.
  out->readBudget = -1;
  out->extraSize = 30;
  r = Import("ti.dta");
  EXPECT_EQ(r.status, SequentialImportResult::Status::kReadError);
  EXPECT_EQ(r.imported, 10);
  EXPECT_EQ(PayloadsBelow(line).size(), 13u);
}

TEST_F(SequentialImportTest, TheImportIsOneChangeWholeOrAbsent) {
  out->Put("fem.dta", Records(5));
  const OpenFn open = [this] {
    auto d = std::make_unique<tDataImageArk>(fs);
    d->Open(kFile, OpenPolicy::kCreate);
    return d;
  };
  const ChangeFn change = [this](tDataImageArk& d) {
    d.dp->Load(line);
    ASSERT_EQ(LoadTemplate(d, "Post"), 0);
    EXPECT_EQ(ImportSequentialFile(d, *out, "fem.dta").imported, 5);
  };
  db.reset();
  ExpectAllOrNothing(*fs, kFile, open, change);
}

TEST_F(SequentialImportTest, TheDialogStateFollowsFileAndTemplate) {
  out->Put("300.dta", Records(10));
  out->Put("301.dta", Bytes(301, 1));
  dp().Load(line);
  ImportDataModel model(*db, *out);
  EXPECT_EQ(model.Templates(), (std::vector<std::string>{"Tom", "Post"}));
  EXPECT_EQ(dp().CurrentPosition(), line);
  EXPECT_FALSE(model.CanImport());
  EXPECT_FALSE(model.ErrorShown());
  model.SetFile("301.dta");
  EXPECT_FALSE(model.ErrorShown());  // no template yet
  model.ChooseTemplate("Post");
  EXPECT_EQ(model.Check().records, 10);
  EXPECT_EQ(model.Check().dataSize, 30);
  EXPECT_EQ(model.Check().fieldCount, 2);
  EXPECT_TRUE(model.ErrorShown());
  EXPECT_FALSE(model.CanImport());
  EXPECT_EQ(model.Import().status, SequentialImportResult::Status::kDoesNotFit);
  model.SetFile("300.dta");
  EXPECT_FALSE(model.ErrorShown());
  EXPECT_TRUE(model.CanImport());
  model.ChooseTemplate("Tom");
  EXPECT_TRUE(model.ErrorShown());
  model.ChooseTemplate("Post");
  EXPECT_EQ(model.Import().imported, 10);
  EXPECT_EQ(PayloadsBelow(line).size(), 10u);
}

}  // namespace
}  // namespace qn::test
