#include <gtest/gtest.h>

#include "templates/template_fixture.h"

using namespace qn;
using namespace qn::test;

namespace {

class NewDataTest : public TemplateFixture {
 protected:
  void SetUp() override {
    TemplateFixture::SetUp();
    MakeTemplate("Adresse", {Row("Gate", kTypeString, 20), Row("Nr", kTypeWord, 2)});
    dp().Load(line);
  }
  // Runs the dialog with a scripted answer; records what it was asked and whether the
  // editor was opened, and on which record.
  NewDataOutcome Run(NewDataAnswer answer) {
    return dialog.Run(
        *db,
        [&](const NewDataQuestion& q) {
          asked = q;
          return answer;
        },
        [&](tDataImageArk& d) {
          editedAt = d.dp->CurrentPosition();
          return true;
        });
  }
  NewDataAnswer Choose(tDirection direction, bool merk = false) {
    return NewDataAnswer{true, "Adresse", direction, merk};
  }

  NewDataRecord dialog;
  NewDataQuestion asked;
  Position editedAt = 0;
};

TEST_F(NewDataTest, CancellingMakesNothingAndReturnsNoName) {
  Bytes before = File();
  NewDataOutcome o = Run(NewDataAnswer{});
  EXPECT_EQ(o.status, NewDataOutcome::Status::kCancelled);
  EXPECT_EQ(o.name, "");
  EXPECT_EQ(File(), before);
  EXPECT_EQ(dp().CurrentPosition(), line);
  EXPECT_EQ(editedAt, 0);
}

TEST_F(NewDataTest, ARecordBelowGetsAZeroPayloadItsTemplateAndTheEditor) {
  NewDataOutcome o = Run(Choose(DirDown));
  EXPECT_EQ(asked.templates, (std::vector<std::string>{"Adresse"}));
  EXPECT_EQ(asked.direction, DirNull);
  ASSERT_EQ(o.status, NewDataOutcome::Status::kCreated);
  EXPECT_EQ(o.name, "Adresse");
  EXPECT_EQ(At(line, kDownOffset), o.record);
  EXPECT_EQ(At(o.record, kKindOffset), kKindData);
  EXPECT_EQ(At(o.record, kTemplatePosOffset), LoadedTemplate(*db).TemplateRecordPos);
  EXPECT_EQ(Payload(o.record), Bytes(22, 0));
  EXPECT_EQ(editedAt, o.record);
  EXPECT_EQ(dialog.InnDirection(), DirDown);
  ExpectConsistent();
}

TEST_F(NewDataTest, ADoubleClickKeepsTheLastDirectionAndBeforeAnyButtonMakesItBelow) {
  NewDataOutcome first = Run(Choose(DirNull));
  ASSERT_EQ(first.status, NewDataOutcome::Status::kCreated);
  EXPECT_EQ(first.direction, DirDown);
  EXPECT_EQ(At(line, kDownOffset), first.record);
  EXPECT_NE(first.record, line);

  Run(Choose(DirRight));
  Position parent = dp().CurrentPosition();
  dp().Load(parent);
  NewDataOutcome again = Run(Choose(DirNull));
  EXPECT_EQ(again.direction, DirRight);
  EXPECT_EQ(At(parent, kRightOffset), again.record);
  EXPECT_EQ(asked.direction, DirRight);

  dp().Load(line);
  NewDataOutcome left = Run(Choose(DirLeft));
  EXPECT_EQ(At(line, kLeftOffset), left.record);
  ExpectConsistent();
}

TEST_F(NewDataTest, TheMarkedRecordBecomesTheSourceWhileTheFlagIsOn) {
  dp().Load(data);
  db->PushPosition();
  dp().Load(line);
  NewDataOutcome o = Run(Choose(DirDown, true));
  EXPECT_EQ(At(o.record, kUpdateFromOffset), data);
  EXPECT_TRUE(dialog.UpdateFromMarked());
  Run(NewDataAnswer{false, "", DirNull, true});
  EXPECT_TRUE(asked.merk);
}

TEST_F(NewDataTest, ATemplateThatCannotBeLoadedMakesNoRecord) {
  Bytes before = File();
  NewDataOutcome o = Run(NewDataAnswer{true, "Borte", DirDown, false});
  EXPECT_EQ(o.status, NewDataOutcome::Status::kTemplateNotLoaded);
  EXPECT_EQ(o.name, "Borte");
  EXPECT_EQ(File(), before);
  EXPECT_EQ(editedAt, 0);
}

TEST_F(NewDataTest, ThePayloadIsDataSizeLessTheInheritedLengthButHoldsEveryField) {
  MakeTemplate("Utvidet", {Inherit("Adresse", 2), Row("Post", kTypeString, 10)});
  Position block = DataBlockOf(dp().CurrentPosition());
  PutI32(FileRef(), size_t(block) + 4, 40);  // DataSize as the editor saves it: 30 + 10
  Reopen();
  dp().Load(line);
  ASSERT_EQ(LoadTemplate(*db, "Utvidet"), 0);
  EXPECT_EQ(NewDataPayloadLength(*db), 38);
  PutI32(FileRef(), size_t(block) + 4, 10);  // as "Lagre som" saves it: too small for the fields
  Reopen();
  dp().Load(line);
  ASSERT_EQ(LoadTemplate(*db, "Utvidet"), 0);
  EXPECT_EQ(NewDataPayloadLength(*db), 32);
}

}  // namespace
