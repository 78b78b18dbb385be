// The JSON export and the import into a new database as the window runs them.
#include <filesystem>
#include <fstream>

#include "exchange/database_json.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class JsonWindowTest : public test::CommandsTest {};

TEST_F(JsonWindowTest, TheExportLoadsAsANewDatabaseWhileTheOpenOneStays) {
  test::MakeList(db(), "Liste", {"A", "B"});
  const std::string json = (Work() / "alt.json").string(), made = (Work() / "ny.pdb256").string();
  dialogs_.AnswerText(json);
  Run("JSON1");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kProgress).size(), 1u);
  std::ifstream in(json, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(text, DumpDatabase(db(), {}).text);

  const std::string open = db().FileName();
  dialogs_.AnswerText(json).AnswerText(made);
  Run("JSONnydatabase1");
  ASSERT_TRUE(std::filesystem::exists(made)) << Messages().back();
  EXPECT_NE(Messages().back().find(made), std::string::npos) << Messages().back();
  EXPECT_EQ(db().FileName(), open);
  tDataImageArk loaded;
  loaded.Open(made, OpenPolicy::kInspect);
  EXPECT_EQ(DumpDatabase(loaded, {}).text, text);

  // An existing file is never the new database.
  dialogs_.AnswerText(json).AnswerText(made);
  Run("JSONnydatabase1");
  EXPECT_NE(Messages().back().find("finnes fra før"), std::string::npos) << Messages().back();
}

}  // namespace
}  // namespace qn
