// "Slettede poster": lists the deleted records of the database and puts the chosen one back
// below the current record, as one command.
#include "commands/undelete.h"
#include "content/system_lists.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class UndeleteWindowTest : public test::CommandsTest {};

TEST_F(UndeleteWindowTest, ListsTheDeletedAndPutsTheChosenBackBelowTheCurrentRecord) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B", "C"});
  Run("Slettedeposter1");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages().back(), "Databasen har ingen slettede poster.");

  ShowOn(list[1]);
  Run("Slett2");
  ASSERT_TRUE(RecordAt(list[1]).IsDeleted());
  const std::vector<DeletedRecord> deleted = ListDeleted(db());
  ASSERT_EQ(deleted.size(), 1u);
  const std::string line = DeletedLine(deleted[0], true);
  EXPECT_EQ(line.rfind(std::to_string(list[1]) + " header ", 0), 0u) << line;

  // Cancelled: nothing changes.
  const std::vector<uint8_t> before = FileBytes();
  ShowOn(list[2]);
  dialogs_.AnswerCancel();
  Run("Slettedeposter1");
  EXPECT_EQ(FileBytes(), before);

  // Chosen: B comes back below C, the view goes to it, and the file is sound.
  dialogs_.AnswerText(line);
  Run("Slettedeposter1");
  const auto asked = dialogs_.Asked(QuestionKind::kChooseLine);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].caption, "Slettede poster");
  EXPECT_EQ(asked[1].list, std::vector<std::string>{line});
  EXPECT_FALSE(RecordAt(list[1]).IsDeleted());
  EXPECT_EQ(RecordAt(list[2]).down, list[1]);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  EXPECT_TRUE(CheckDatabase(db()).empty());
  EXPECT_TRUE(ListDeleted(db()).empty());
}

}  // namespace
}  // namespace qn
