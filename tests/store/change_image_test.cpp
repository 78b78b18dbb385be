// A stored change's before- and after-image, and putting either back as one journaled change.
#include <gtest/gtest.h>

#include "store/cursor_fixture.h"
#include "store/fault_injection.h"

using namespace qn;
using qn::test::Bytes;

namespace {

void LoadFirst(tDataImageArk& d) {
  d.dp->Load(0);
  d.dp->Load(d.dp->Down());
}

struct ImageCase {
  const char* what;
  qn::test::ChangeFn change;  // grows the file, so taking it back cuts it
};

class ChangeImageTest : public qn::test::CursorFixture, public ::testing::WithParamInterface<ImageCase> {
 protected:
  std::unique_ptr<tDataImageArk> Open() {
    auto d = std::make_unique<tDataImageArk>(fs);
    d->Open(kFile, OpenPolicy::kFromSettings);
    return d;
  }
};

TEST_P(ChangeImageTest, TakingBackAndDoingAgainGiveTheFileByteForByteAndSurviveAStopAnywhere) {
  TopList({"a", "b", "c"});
  const Bytes before = File();
  std::vector<ChangeImages> stored;
  db->SetChangeObserver([&](ChangeImages&& images) { stored.push_back(std::move(images)); });
  db->BeginChange();
  GetParam().change(*db);
  ASSERT_EQ(db->EndChange(), 0);
  ASSERT_EQ(stored.size(), 1u);
  const Bytes after = File();
  const ChangeImages& images = stored[0];
  EXPECT_EQ(images.before.size, int64_t(before.size()));
  EXPECT_EQ(images.after.size, int64_t(after.size()));

  ASSERT_EQ(db->ApplyImage(images.after, images.before), 0);
  EXPECT_EQ(File(), before);
  EXPECT_TRUE(CheckConsistency(*db).empty());
  ASSERT_EQ(db->ApplyImage(images.before, images.after), 0);
  EXPECT_EQ(File(), after);
  EXPECT_EQ(stored.size(), 1u);  // the observer hears the changes made, not the ones put back
  db.reset();

  const qn::test::OpenFn open = [this] { return Open(); };
  qn::test::Reset(*fs, kFile, after);
  qn::test::ExpectAllOrNothing(
      *fs, kFile, open, [&](tDataImageArk& d) { d.ApplyImage(images.after, images.before); }, true);
  qn::test::Reset(*fs, kFile, before);
  qn::test::ExpectAllOrNothing(
      *fs, kFile, open, [&](tDataImageArk& d) { d.ApplyImage(images.before, images.after); }, true);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangeImageTest,
    ::testing::Values(ImageCase{"new line below",
                                [](tDataImageArk& d) {
                                  LoadFirst(d);
                                  AddNamed(d, DirDown, "between");
                                }},
                      ImageCase{"new sub-list", [](tDataImageArk& d) {
                                  LoadFirst(d);
                                  AddNamed(d, DirRight, "inner");
                                }},
                      ImageCase{"longer name", [](tDataImageArk& d) {
                                  LoadFirst(d);
                                  WriteName(d, std::string(200, 'n'));
                                }}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(ChangeImageTest, AFileThatDoesNotHoldTheImageIsLeftAsItIs) {
  const std::vector<Position> top = TopList({"a", "b"});
  std::vector<ChangeImages> stored;
  db->SetChangeObserver([&](ChangeImages&& images) { stored.push_back(std::move(images)); });
  for (const char* name : {"first", "second"}) {
    ChangeScope change(*db);
    dp().Load(top[0]);
    WriteName(*db, name);
  }
  ASSERT_EQ(stored.size(), 2u);
  const Bytes now = File();
  // The first change is not the last one: its after-image is no longer in the file.
  EXPECT_EQ(db->ApplyImage(stored[0].after, stored[0].before), kErrorImageMismatch);
  FileImage longer = stored[1].after;
  ++longer.size;
  EXPECT_EQ(db->ApplyImage(longer, stored[1].before), kErrorImageMismatch);
  EXPECT_EQ(File(), now);
  db->BeginChange();
  dp().Load(top[1]);
  WriteName(*db, "pending");
  EXPECT_EQ(db->ApplyImage(stored[1].after, stored[1].before), kErrorImageMismatch);  // after a write
  db->AbandonChange();
  EXPECT_EQ(db->ApplyImage(stored[1].after, stored[1].before), 0);
  EXPECT_EQ(NameAt(top[0]), "first");
}

}  // namespace
