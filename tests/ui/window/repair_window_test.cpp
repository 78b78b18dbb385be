// "Kontroller og reparer databasen": a sound database is only checked; a damaged one, when
// the user agrees, is copied to its backup and repaired as one command.
#include <filesystem>

#include "content/system_lists.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class RepairWindowTest : public test::CommandsTest {};

TEST_F(RepairWindowTest, ChecksThenBacksUpAndRepairsWhenTheUserAgrees) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B", "C"});
  Run("Kontrollerogreparer1");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages().back(), "Databasen er uten feil.");

  // B's way up no longer leads to A.
  db().dp->Load(list[1]);
  db().dp->SetUp(0);
  db().dp->Store();
  ASSERT_FALSE(CheckDatabase(db()).empty());
  const std::vector<uint8_t> damaged = FileBytes();
  std::vector<uint8_t> whenSaid;
  dialogs_.WhenMessage([&](const AskedQuestion&) { whenSaid = FileBytes(); });
  dialogs_.AnswerYes();
  Run("Kontrollerogreparer1");
  EXPECT_EQ(whenSaid, FileBytes());  // the result is said once the repair is on disk
  EXPECT_TRUE(CheckDatabase(db()).empty());
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages().back(), "1 pekere er rettet. Databasen er nå uten feil.");
  const std::string backup = db().FileName() + ".backup";
  ASSERT_TRUE(std::filesystem::exists(backup));
  EXPECT_EQ(std::filesystem::file_size(backup), damaged.size());
}

}  // namespace
}  // namespace qn
