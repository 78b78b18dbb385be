// The import dialog's widgets follow its state: the three numbers, the red panel and the
// import button, the file dialog, and an import with its progress window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>

#include "templates/template_store.h"
#include "ui/dialogs/scripted_dialogs.h"
#include "ui/forms/import_data_form.h"
#include "ui/forms/props_fixture.h"

namespace qn {
namespace {

class ImportDataFormTest : public test::PropsTest {};

TEST_F(ImportDataFormTest, ShowsTheCheckAndImports) {
  const Position data = Find("** Ingen data (denne linjen kan endres elles slettes) **");
  ASSERT_GT(data, 0);
  dp().Load(data);
  const std::string good = (Work() / "to.dta").string();
  const std::string bad = (Work() / "skjev.dta").string();
  std::ofstream(good, std::ios::binary) << std::string(2 * 434, 'a');
  std::ofstream(bad, std::ios::binary) << std::string(435, 'a');
  ScriptedDialogs dialogs;
  TImportDataForm form(db_, dialogs);
  EXPECT_EQ(form.windowTitle(), "Importer Data");
  auto* records = form.findChild<QLabel*>("AntallPosterLabel");
  auto* panel = form.findChild<QLabel*>("FeilPanel");
  auto* button = form.findChild<QPushButton*>("ImporterButton");
  auto* box = form.findChild<QComboBox*>("MalBox");
  EXPECT_EQ(records->text(), "0");
  EXPECT_EQ(panel->text(), "Feil i fil,\neller feil mal");
  EXPECT_FALSE(button->isEnabled());
  ASSERT_EQ(box->count(), 1);
  EXPECT_EQ(box->itemText(0), "Database Bruker");

  dialogs.AnswerText(bad);
  form.BrowseClick();
  EXPECT_EQ(form.findChild<QLineEdit*>("KildefilEdit")->text().toStdString(), bad);
  box->setCurrentIndex(0);
  EXPECT_EQ(records->text(), "1");
  EXPECT_EQ(form.findChild<QLabel*>("DataLengdLabel")->text(), "434");
  EXPECT_FALSE(panel->isHidden());
  EXPECT_FALSE(button->isEnabled());

  form.findChild<QLineEdit*>("KildefilEdit")->setText(QString::fromStdString(good));
  EXPECT_EQ(records->text(), "2");
  EXPECT_TRUE(panel->isHidden());
  ASSERT_TRUE(button->isEnabled());
  button->click();
  ASSERT_TRUE(form.Result().has_value());
  EXPECT_EQ(form.Result()->imported, 2);
  EXPECT_EQ(dialogs.ProgressTexts(), std::vector<std::string>{"Leser fil ....."});
  ExpectConsistent();
}

}  // namespace
}  // namespace qn
