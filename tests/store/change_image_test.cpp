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

class ChangeImageTest : public qn::test::CursorFixture,
                        public ::testing::WithParamInterface<void (*)(tDataImageArk&)> {
 protected:
  std::vector<ChangeImages> stored;
  void Watch() { db->SetChangeObserver([this](ChangeImages&& i) { stored.push_back(std::move(i)); }); }
};

// Each change grows the file, so taking it back cuts it.
TEST_P(ChangeImageTest, TakingBackAndDoingAgainGiveTheFileByteForByteAndSurviveAStopAnywhere) {
  TopList({"a", "b", "c"});
  const Bytes before = File();
  Watch();
  db->BeginChange();
  GetParam()(*db);
  ASSERT_EQ(db->EndChange(), 0);
  ASSERT_EQ(stored.size(), 1u);
  const Bytes after = File();
  const ChangeImages images = stored[0];
  ASSERT_EQ(db->ApplyImage(images.after, images.before), 0);
  EXPECT_EQ(File(), before);
  ASSERT_EQ(db->ApplyImage(images.before, images.after), 0);
  EXPECT_EQ(File(), after);
  EXPECT_EQ(stored.size(), 1u);  // the observer hears the changes made, not the ones put back
  db.reset();
  const qn::test::OpenFn open = [this] {
    auto d = std::make_unique<tDataImageArk>(fs);
    d->Open(kFile, OpenPolicy::kFromSettings);
    return d;
  };
  for (bool undo : {true, false}) {
    qn::test::Reset(*fs, kFile, undo ? after : before);
    qn::test::ExpectAllOrNothing(*fs, kFile, open, [&](tDataImageArk& d) {
      d.ApplyImage(undo ? images.after : images.before, undo ? images.before : images.after);
    }, true);
  }
}

void Below(tDataImageArk& d) { LoadFirst(d); AddNamed(d, DirDown, "below"); }
void Inner(tDataImageArk& d) { LoadFirst(d); AddNamed(d, DirRight, "inner"); }
void Longer(tDataImageArk& d) { LoadFirst(d); WriteName(d, std::string(200, 'n')); }
INSTANTIATE_TEST_SUITE_P(Changes, ChangeImageTest, ::testing::Values(Below, Inner, Longer));

TEST_F(ChangeImageTest, AFileThatDoesNotHoldTheImageIsLeftAsItIs) {
  const std::vector<Position> top = TopList({"a", "b"});
  Watch();
  for (const char* name : {"first", "second"}) {
    ChangeScope change(*db);
    dp().Load(top[0]);
    WriteName(*db, name);
  }
  const Bytes now = File();
  // The first change is not the last one: its after-image is no longer in the file.
  EXPECT_EQ(db->ApplyImage(stored[0].after, stored[0].before), kErrorImageMismatch);
  db->BeginChange();
  dp().Load(top[1]);
  WriteName(*db, "pending");
  EXPECT_EQ(db->ApplyImage(stored[1].after, stored[1].before), kErrorImageMismatch);  // after a write
  db->AbandonChange();
  EXPECT_EQ(File(), now);
  EXPECT_EQ(db->ApplyImage(stored[1].after, stored[1].before), 0);
  EXPECT_EQ(NameAt(top[0]), "first");
}

}  // namespace
