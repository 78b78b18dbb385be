// The exports and the import as the window runs them: the HTML pages with the folder
// prompt and its setting, a folder that is not there, the text export with its question
// and save dialog, and the import dialog opened from the menu.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "env/settings.h"
#include "exchange/sequential_import.h"
#include "ui/forms/import_data_form.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class ExchangeWindowTest : public test::CommandsTest {
 protected:
  static std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

TEST_F(ExchangeWindowTest, HtmlPagesGoIntoTheFolderGivenWhichIsKept) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B"});
  ShowOn(list[1]);
  const std::filesystem::path folder = Work() / "sider";
  std::filesystem::create_directories(folder);
  dialogs_.AnswerText(folder.string());
  Run("HTML1");
  const auto prompts = dialogs_.Asked(QuestionKind::kInput);
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].caption, "HTML Mappe");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kProgress).size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(folder / (std::to_string(list[0]) + ".html")));
  EXPECT_GT(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 3);
  {
    SectionScope section("STANDARD");
    EXPECT_EQ(ReadSettingString("HtmlMappe"), folder.string() + "/");
  }
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  ASSERT_EQ(Messages().size(), 1u);
  const size_t pages = std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
  EXPECT_EQ(Messages()[0], std::to_string(pages) + " sider skrevet til " + folder.string() + "/");

  // One list; then a folder that is not there: the I/O error message, nothing else.
  const std::filesystem::path one = Work() / "en";
  std::filesystem::create_directories(one);
  dialogs_.AnswerText(one.string());
  Run("LagHTMLtabell1");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(one), std::filesystem::directory_iterator()), 1);
  EXPECT_EQ(Messages().back(), "1 side skrevet til " + one.string() + "/");
  dialogs_.AnswerText((Work() / "mangler").string());
  Run("LagHTMLtabell1");
  ASSERT_EQ(Messages().size(), 3u);
  EXPECT_NE(Messages()[2].find("kunne ikke skrives"), std::string::npos) << Messages()[2];
  EXPECT_FALSE(std::filesystem::exists(Work() / "mangler"));
}

TEST_F(ExchangeWindowTest, TextExportAsksForTheFirstDataRecordAndTellsOfCutLines) {
  const auto list = test::MakeList(db(), "Liste", {"Topp", "Linje"});
  const Position lang = test::MakeTemplate(db(), "Lang", {test::Field("T", 16, 256, 255, 0), test::Field("U", 16, 21, 20, 0)});
  dp().Load(list[1]);
  test::MakeDataRecord(db(), DirDown, lang, test::PayloadBuilder().Text(256, std::string(255, 'x')).Text(21, "a").Bytes());
  test::MakeDataRecord(db(), DirDown, lang, test::PayloadBuilder().Text(256, "Kari, Ola").Text(21, "b").Bytes());
  DataBelow("Annen mal", 3);
  ShowOn(list[1]);
  const std::filesystem::path file = Work() / "liste.txt";
  dialogs_.AnswerYes().AnswerText(file.string());
  Run("CSV1");
  ASSERT_EQ(dialogs_.Asked(QuestionKind::kConfirm).size(), 1u);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kConfirm)[0].text, "Ugyldig data, vil du bruke første forekomst her ?");
  ASSERT_EQ(dialogs_.Asked(QuestionKind::kSaveFile).size(), 1u);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kSaveFile)[0].caption, "Eksporter tekstfil");
  const std::string text = Read(file);
  EXPECT_EQ(text, "T;U;\r\n" + std::string(255, 'x') + "\r\nKari; Ola;b\r\n");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "2 poster eksportert, 1 linje kortet ned til 255 tegn");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kProgress).size(), 1u);
}

TEST_F(ExchangeWindowTest, TheImportDialogImportsBelowTheCurrentRecord) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B"});
  test::MakeTemplate(db(), "Kunde", test::CustomerFields());
  const std::filesystem::path file = Work() / "kunder.dta";
  std::ofstream(file, std::ios::binary) << std::string(2 * 40, 'k');
  ShowOn(list[0]);
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<TImportDataForm*>(QApplication::activeModalWidget());
    if (form == nullptr) return;
    seen = true;
    form->findChild<QLineEdit*>("KildefilEdit")->setText(QString::fromStdString(file.string()));
    form->findChild<QComboBox*>("MalBox")->setCurrentText("Kunde");
    form->findChild<QPushButton*>("ImporterButton")->click();
  });
  Run("Sekvensielledata1");
  ASSERT_TRUE(seen);
  EXPECT_EQ(ListFrom(list[0]).size(), 4u);
  EXPECT_EQ(Messages(), std::vector<std::string>{"2 poster importert"});
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kProgress).size(), 1u);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kProgress)[0].caption, "Importerer objekt");
}

}  // namespace
}  // namespace qn
