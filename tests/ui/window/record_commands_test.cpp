// The window's commands on notes, bookmarks, the quick list, document links, programs,
// global pointers, the template editor and the Pascal import: each driven through its menu
// item, key or the open command, answered by scripted dialogs and scripted forms, and
// checked through the engine.
#include <gmock/gmock.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "commands/command_support.h"
#include "content/bookmark_explorer.h"
#include "content/display_name.h"
#include "content/global_pointer.h"
#include "content/initial_content.h"
#include "content/note_text.h"
#include "content/program_record.h"
#include "content/system_lists.h"
#include "env/settings.h"
#include "templates/def_editor.h"
#include "templates/template_store.h"
#include "ui/forms/notat_form.h"
#include "ui/forms/setup_forms.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

using Names = std::vector<std::string>;

class RecordCommandsTest : public test::CommandsTest {
 protected:
  RecordCommandsTest() { form_.SetForms(&forms_); }
  ScriptedWindowForms forms_;
};

TEST_F(RecordCommandsTest, ShiftF4MakesANamedNoteAndOpensTheEditorWhichOpeningShowsAgain) {
  const auto list = test::MakeList(db(), "Liste", {"A"});
  ShowOn(list[0]);
  dialogs_.AnswerNewLine("Møte", DirDown);
  forms_.OnNote([](NoteEditor& editor) {
    EXPECT_EQ(editor.Text(), "");
    return editor.Save("Agenda\n\tpunkt 1").empty();
  });
  Key(Qt::Key_F4, Qt::ShiftModifier);
  const Position note = dp().CurrentPosition();
  EXPECT_EQ(ListFrom(list[0]), (Names{"A", "Møte"}));
  EXPECT_EQ(RecordAt(note).kind, kKindNamedNote);
  EXPECT_EQ(ReadNoteText(db()), "Agenda\n\tpunkt 1");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kChooseNewNote).size(), 1u);

  // Opening the note shows it again; "&Avbryt" changes nothing.
  const std::vector<uint8_t> before = FileBytes();
  forms_.OnNote([](NoteEditor& editor) {
    EXPECT_EQ(editor.Text(), "Agenda\n\tpunkt 1");
    return false;
  });
  Run("Egenskaper1");
  EXPECT_EQ(FileBytes(), before);
  EXPECT_EQ(forms_.Shown(), 2);

  // A cancelled dialog, or one without a name, makes nothing.
  dialogs_.AnswerCancel();
  Run("Notat1");
  dialogs_.AnswerNewLine("", DirRight);
  Run("Notat1");
  EXPECT_EQ(FileBytes(), before);
  EXPECT_EQ(forms_.Shown(), 2);
  EXPECT_EQ(forms_.Unplayed(), 0);
}

TEST_F(RecordCommandsTest, TheNoteFormTypesTabsAndKeepsATooLongTextOpenWithAMessage) {
  ShowOn(test::MakeList(db(), "Liste", {"A"})[0]);
  ASSERT_GT(NewNote(db(), DirDown, "Notat"), 0);
  NoteEditor editor(db());
  TNotatForm form(editor, dialogs_, &form_);
  form.show();
  QTest::keyClicks(&form.Memo(), "a");
  QTest::keyClick(&form.Memo(), Qt::Key_Tab);
  QTest::keyClicks(&form.Memo(), "b");
  EXPECT_EQ(form.Memo().toPlainText().toStdString(), "a\tb");
  EXPECT_EQ(form.findChild<QLabel*>("RoomLabel")->text().toStdString(), "8189 tegn igjen");

  form.Memo().setPlainText(QString(9000, 'x'));
  form.LagreClick();
  EXPECT_TRUE(form.isVisible());
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("808 tegn for langt"), std::string::npos);
  EXPECT_EQ(ReadNoteText(db()), "");

  form.Memo().setPlainText("a\tb");
  form.LagreClick();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(ReadNoteText(db()), "a\tb");
}

TEST_F(RecordCommandsTest, BookmarksAreAddedUnderTheDisplayNameAndFoundUpperCasedByF7) {
  const auto list = test::MakeList(db(), "Liste", {"Alfa", "Beta"});
  ShowOn(list[1]);
  dialogs_.AnswerText("beta");
  Run("Leggtiliindex1");
  ASSERT_EQ(dialogs_.Asked(QuestionKind::kPrompt).back().caption, "Legg til index");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kPrompt).back().text, "Beta");
  EXPECT_EQ(dp().CurrentPosition(), list[1]);

  ShowOn(list[0]);
  dialogs_.AnswerText("BeTa");
  Key(Qt::Key_F7);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kPrompt).back().caption, "Finn bokmerke");
  // An empty answer leaves the cursor.
  ShowOn(list[0]);
  dialogs_.AnswerCancel();
  Key(Qt::Key_F7);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);

  // A new table of contents stands second in "Index" and takes the lookups over.
  dialogs_.AnswerText("Prosjekt");
  Run("Nyindex1");
  EXPECT_EQ(ListFrom(GoToStandardList(db(), kIndexHeader))[1], "Prosjekt");
  dp().Load(list[0]);
  dialogs_.AnswerText("beta");
  Key(Qt::Key_F7);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);

  // The explorer opens on the new table; its jump refreshes the window on the target.
  dialogs_.AnswerText("alfa");
  Run("Leggtiliindex1");
  forms_.OnExplorer([](BookmarkExplorer& explorer) {
    EXPECT_EQ(explorer.TableName(), "Prosjekt");
    explorer.Forward();
    explorer.Forward();
    explorer.Forward();
    explorer.Forward();
    EXPECT_EQ(explorer.NodeName(), "ALFA");
    return explorer.Jump();
  });
  ShowOn(list[1]);
  Run("Indexutforsker1");
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  EXPECT_EQ(forms_.Unplayed(), 0);
}

TEST_F(RecordCommandsTest, TheQuickListShowsNewEntriesAndAClickGoesToTheirTargetOnly) {
  auto* quick = form_.findChild<QListWidget*>("HurtigListe");
  const auto list = test::MakeList(db(), "Liste", {"Alfa", "Beta"});
  ShowOn(list[1]);
  EXPECT_FALSE(quick->isVisible()) << "only the placeholder: the list stays hidden";
  dialogs_.AnswerText("Til beta");
  Run("Leggtilhurtigmeny1");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kPrompt).back().text, "Beta");
  ASSERT_EQ(quick->count(), 1);
  EXPECT_TRUE(quick->isVisible());
  EXPECT_EQ(quick->item(0)->text().toStdString(), "Til beta");

  ShowOn(list[0]);
  form_.HurtigListeClick(0);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);

  // An entry whose target is 0 refreshes without moving.
  const Position entry = ListStandardList(db(), kFilelinksHeader, [](Datapointer&) { return true; })[0];
  PatchRecord(db(), entry, [](RecordImage& image) { PutI32(image, kDataBlockOffset, 0); });
  Run("Oppdater1");
  ShowOn(list[0]);
  form_.HurtigListeClick(0);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
}

TEST_F(RecordCommandsTest, ReplicationCommandsSetEveryRecordOfTheListOnce) {
  const auto list = test::MakeList(db(), "Liste", {"A", "B", "C"});
  ShowOn(list[1]);
  Run("Klargjrtabellforreplikering1");
  for (Position p : list) EXPECT_EQ(RecordAt(p).replication, 2) << p;
  EXPECT_EQ(dp().CurrentPosition(), list[2]) << "the cursor ends on the list's last record";
  Run("Stoppreplikering1");
  for (Position p : list) EXPECT_EQ(RecordAt(p).replication, 0) << p;

  const auto single = test::MakeList(db(), "Alene", {"Eneste"});
  ShowOn(single[0]);
  Run("Klargjrtabellforreplikering1");
  EXPECT_EQ(RecordAt(single[0]).replication, 2);
  const double before = RecordAt(single[0]).changed;
  QTest::qWait(20);
  Run("Setttidforreplikering1");
  EXPECT_GT(RecordAt(single[0]).changed, before);
}

TEST_F(RecordCommandsTest, DocumentLinksAreMadeSetAndAMissingFileIsSaid) {
  const auto list = test::MakeList(db(), "Liste", {"A"});
  ShowOn(list[0]);
  dialogs_.AnswerNewDocument({"/home/ola/brev.odt", false, "", DirDown});
  Run("Dokumenttilknytning1");
  const Position bare = dp().CurrentPosition();
  EXPECT_EQ(RecordAt(bare).kind, kKindLink);
  EXPECT_EQ(DisplayName(db()), "/home/ola/brev.odt") << "the view shows the file name";
  dialogs_.AnswerNewDocument({"/home/ola/tall.ods", true, "Regnskap", DirRight});
  Run("Dokumenttilknytning1");
  EXPECT_EQ(RecordAt(dp().CurrentPosition()).kind, kKindNamed);
  EXPECT_EQ(DisplayName(db()), "Regnskap");
  EXPECT_EQ(ReadLinkText(db()), "/home/ola/tall.ods");

  ShowOn(list[0]);
  dialogs_.AnswerText((Work() / "finnes-ikke.txt").string());
  Press("SpeedButton6");
  EXPECT_EQ(ReadLinkText(db()), (Work() / "finnes-ikke.txt").string());
  EXPECT_TRUE(Button("DocButton")->isEnabled());
  Run("pnedokument1");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("Finner ikke dokumentet"), std::string::npos);
}

TEST_F(RecordCommandsTest, GlobalPointersAreMadeAndFollowedToTheOtherFileOrWithinThisOne) {
  const std::string other = (Work() / "annen.pdb256").string();
  Position kunder = 0, openedOn = 0;
  {
    tDataImageArk second;
    OpenDatabase(second, other, OpenPolicy::kCreate);
    ASSERT_TRUE(second.IsOpen());
    openedOn = second.dp->CurrentPosition();
    kunder = AddNamed(second, DirDown, "Kunder");
    second.Close();
  }
  const auto list = test::MakeList(db(), "Liste", {"A", "B"});
  ShowOn(list[1]);
  Key(Qt::Key_Up, Qt::ControlModifier);  // the last move went up: a new record still goes below
  ASSERT_EQ(dp().CurrentPosition(), list[0]);
  forms_.OnGlobalPointer([&](GlobalPointerEditor& editor) {
    EXPECT_TRUE(editor.IsNew());
    editor.fileName = other;
    editor.positionText = "tolv";
    EXPECT_NE(editor.Ok(), "") << "a Position that is no number stores nothing";
    editor.positionText = "";
    editor.method = kMethodText;  // which needs no Position
    editor.text = "Kunder";
    return editor.Ok().empty();
  });
  Run("Globalpeker1");
  const Position pointer = dp().CurrentPosition();
  EXPECT_EQ(RecordAt(pointer).kind, kKindGlobalPointer);
  EXPECT_EQ(RecordAt(list[0]).down, pointer);
  EXPECT_EQ(DisplayName(db()), other + " : Kunder");
  EXPECT_EQ(form_.cl().RowPos[1], pointer) << "the new pointer shows without a refresh";

  // Opening it edits it while automatic following is off.
  forms_.OnGlobalPointer([](GlobalPointerEditor& editor) {
    EXPECT_EQ(editor.text, "Kunder");
    editor.text = "";
    return editor.Ok().empty();
  });
  Run("Egenskaper1");
  EXPECT_EQ(dp().CurrentPosition(), pointer);

  // "Filnavn og tekst" without a text opens the other file and stays where it opened; a
  // click in the pointer's right marker zone follows it.
  const std::string mine = db().FileName();
  ShowOn(pointer);
  QTest::mouseClick(form_.findChild<QWidget*>("PaintBox1"), Qt::LeftButton, {},
                    QPoint(form_.Canvas().Metrics().width00 + 1,
                           (form_.cl().CurrentIndex - form_.cl().TopIndex + 1) * Lh() + Lh() / 2));
  EXPECT_EQ(db().FileName(), other);
  EXPECT_EQ(dp().CurrentPosition(), openedOn);
  EXPECT_NE(form_.windowTitle().toStdString().find("annen.pdb256"), std::string::npos);

  // Back by a pointer in the other file to a Position of this one, then within this one.
  dp().Load(kunder);
  dp().SetLastDirection(DirDown);
  GlobalPointerEditor back(db(), false);
  back.fileName = mine;
  back.positionText = std::to_string(list[0]);
  ASSERT_EQ(back.Ok(), "");
  ASSERT_TRUE(form_.FollowGlobalPointer(false));
  EXPECT_EQ(db().FileName(), mine);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);

  // A missing file leaves this database open and says so.
  dp().Load(pointer);
  GlobalPointerEditor missing(db(), true);
  missing.fileName = (Work() / "borte.pdb256").string();
  ASSERT_EQ(missing.Ok(), "");
  EXPECT_FALSE(form_.FollowGlobalPointer(false));
  EXPECT_EQ(db().FileName(), mine);
  EXPECT_NE(Messages().back().find("Finner ikke databasen"), std::string::npos);
}

TEST_F(RecordCommandsTest, ProgramsAreMadeLinkedAndUnlinkedThroughTheirDialogs) {
  const Position kunde = test::MakeTemplate(db(), "Kunde", test::CustomerFields());
  const auto list = test::MakeList(db(), "Liste", {"A"});
  const Position data = test::MakeDataRecord(db(), DirDown, kunde, test::CustomerPayload("Ola", 1, "", true));
  ShowOn(list[0]);
  dialogs_.AnswerText("Redigerer");
  forms_.OnProgram([](ProgramEditor& editor) {
    EXPECT_EQ(editor.Caption(), "Redigerer");
    editor.programFile = "/bin/true";
    return editor.Ok().empty();
  });
  Run("Malforprogram1");
  EXPECT_EQ(dp().CurrentPosition(), list[0]) << "the cursor comes back";
  ASSERT_EQ(ListPrograms(db()).size(), 1u);

  ShowOn(data);
  dialogs_.AnswerText("Redigerer");
  Run("Tilknyttprogram1");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kChooseLine).back().caption, "Tilknytt program");
  EXPECT_TRUE(TemplateHasProgram(db()));
  dialogs_.AnswerCancel();
  Run("Fjerntilknytningtilprogram1");
  EXPECT_TRUE(TemplateHasProgram(db()));
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kConfirm).back().text, "Fjerne program tilknytning til data ?");
  dialogs_.AnswerYes();
  Run("Fjerntilknytningtilprogram1");
  EXPECT_FALSE(TemplateHasProgram(db()));
  EXPECT_EQ(forms_.Unplayed(), 0);
}

TEST_F(RecordCommandsTest, OpeningARecordStartsItsProgramAndTheWatchReadsTheChangeBack) {
  // The program overwrites the first letter of the name in the exchange file it is handed.
  const std::filesystem::path folder = Work() / "utveksling";
  std::filesystem::create_directories(folder);
  const std::string script = (Work() / "endre.sh").string();
  std::ofstream(script) << "#!/bin/sh\nprintf Z | dd of=\"$1\" bs=1 seek=1 count=1 conv=notrunc 2>/dev/null\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const Position kunde = test::MakeTemplate(db(), "Kunde", test::CustomerFields());
  const auto list = test::MakeList(db(), "Liste", {"A"});
  const Position data = test::MakeDataRecord(db(), DirDown, kunde, test::CustomerPayload("Ola", 1, "", true));
  ASSERT_EQ(NewProgramRecord(db(), "Endre"), 0);
  ProgramEditor editor(db());
  editor.programFile = script;
  editor.folder = folder.string();
  ASSERT_EQ(editor.Ok(), "");
  dp().Load(data);
  ASSERT_EQ(LinkTemplateProgram(db(), ListPrograms(db())[0].dataBlock), 1);

  ShowOn(data);
  Run("Egenskaper1");
  ASSERT_EQ(form_.Running().exchangeFile, folder.string() + "/TEMP.TXT");
  dp().Load(list[0]);  // the user moves on while the program runs
  for (int i = 0; i < 50 && !form_.Running().exchangeFile.empty(); ++i) QTest::qWait(100);
  EXPECT_TRUE(form_.Running().exchangeFile.empty()) << "read back";
  dp().Load(data);
  EXPECT_EQ(DisplayName(db()).substr(0, 3), "Zla");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(RecordCommandsTest, TheTemplateEditorOpensOnTheRecordsTemplateOrEmptyAndItsSaveIsStored) {
  const Position vare = test::MakeTemplate(db(), "Vare", {test::Field("Tittel", 16, 11, 10, 10)});
  test::MakeList(db(), "Liste", {"A"});
  const Position data = DataBelow("Ola", 1);
  ShowOn(data);
  forms_.OnTemplate([](DefEditor& editor) {
    EXPECT_FALSE(editor.Ny());
    EXPECT_EQ(editor.NameBox(), "Kunde");
    EXPECT_EQ(editor.Cell(kColNavn, 1), "Navn");
    EXPECT_EQ(editor.Cell(kColNavn, 5), "Aktiv");
    EXPECT_THAT(editor.Names(), testing::IsSupersetOf({"Kunde", "Vare"}));
    editor.EditCell(kColNavn, 1, "Kundenavn");
    EXPECT_TRUE(editor.Save());
  });
  Run("Redigermal1");
  EXPECT_EQ(dp().CurrentPosition(), data) << "the cursor comes back from the template";
  ASSERT_EQ(LoadTemplate(db(), "Kunde"), 0);
  EXPECT_EQ(LoadedTemplate(db()).Fields[0].Name, "Kundenavn");
  EXPECT_TRUE(dialogs_.Asked(QuestionKind::kYesNo).empty()) << "saved: no question at the close";

  // "&Mal": an empty editor; its close asks, and a cancelled name makes nothing.
  const std::vector<uint8_t> before = FileBytes();
  forms_.OnTemplate([](DefEditor& editor) {
    EXPECT_TRUE(editor.Ny());
    EXPECT_EQ(editor.NameBox(), "");
    EXPECT_EQ(editor.Cell(kColNavn, 1), "");
  });
  dialogs_.AnswerYes().AnswerCancel();
  Run("Definisjon1");
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kYesNo).size(), 1u);
  EXPECT_EQ(FileBytes(), before);

  // "Å&pne" on a template record opens that template.
  ShowOn(vare);
  forms_.OnTemplate([](DefEditor& editor) {
    EXPECT_EQ(editor.NameBox(), "Vare");
    EXPECT_EQ(editor.Cell(kColNavn, 1), "Tittel");
  });
  Run("Egenskaper1");
  EXPECT_EQ(forms_.Shown(), 3);
  EXPECT_EQ(forms_.Unplayed(), 0);
}

TEST_F(RecordCommandsTest, ThePascalImportGetsTheOpenDatabaseAndWhatItMakesIsStored) {
  const auto list = test::MakeList(db(), "Liste", {"A"});
  test::MakeTemplate(db(), "Kunde", test::CustomerFields());
  ShowOn(list[0]);
  const std::vector<uint8_t> before = FileBytes();
  forms_.OnPascalImport([this](tDataImageArk& target) {
    EXPECT_EQ(&target, &db());
    EXPECT_TRUE(target.IsOpen());
    // What an import does to the database: a template in "Definitions".
    test::MakeTemplate(target, "TA", {test::Field("A", 2, 1, 0, 0)});
    return 1;
  });
  Run("Malerifrapascalkildekode1");
  EXPECT_NE(FileBytes(), before);
  ASSERT_EQ(LoadTemplate(db(), "TA"), 0);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  EXPECT_EQ(forms_.Shown(), 1);
  EXPECT_EQ(forms_.Unplayed(), 0);
}

TEST_F(RecordCommandsTest, SetupDialogsReadWhenShownAndWriteWhenClosedAnyWay) {
  SetSection("QUILLNET-SERVER");
  WriteSettingInteger("AutoCreateRecords", 2);
  WriteSettingBool("CreateBackup", true);
  SetSection("STANDARD");
  TQuillnetOppsettForm database(&form_);
  database.show();
  EXPECT_FALSE(database.Box(kMinimalDatabaseBox)->isChecked()) << "2 is not 1";
  EXPECT_TRUE(database.Box(2)->isChecked());
  database.Box(1)->setChecked(true);
  database.close();  // the window button
  SetSection("QUILLNET-SERVER");
  EXPECT_EQ(ReadSettingString("AutoCreateRecords"), "0");
  EXPECT_TRUE(ReadSettingBool("VerboseLogging"));
  SetSection("STANDARD");
  EXPECT_EQ(CurrentSection(), "STANDARD");

  WriteSettingBool("DeleteTemporaryFiles", true);
  WriteSettingBool("DeleteSystemTemporaryFiles", true);
  TOppstartForm startup(&form_);
  startup.show();
  EXPECT_TRUE(startup.Box(kDeleteSystemFilesBox)->isEnabled());
  QTest::mouseClick(startup.Box(kDeleteTemporaryFilesBox), Qt::LeftButton);
  EXPECT_FALSE(startup.Box(kDeleteSystemFilesBox)->isEnabled());
  EXPECT_TRUE(startup.Box(kDeleteSystemFilesBox)->isChecked());
  startup.hide();
  EXPECT_FALSE(ReadSettingBool("DeleteTemporaryFiles"));
  EXPECT_TRUE(ReadSettingBool("DeleteSystemTemporaryFiles"));

  TMappeOppsettForm folders(dialogs_, &form_);
  folders.show();
  folders.Box(4)->setText("/srv/import");
  folders.close();
  EXPECT_EQ(SharedSettings().Get("FOLDERS", "import_folder"), "/srv/import") << "no separator added";

  Run("Oppstart1");
  Run("Database1");
  Run("Mappeplasseringer1");
  EXPECT_EQ(forms_.Setups(), (std::vector<SetupDialog>{SetupDialog::kStartup, SetupDialog::kDatabase,
                                                       SetupDialog::kFolders}));
}

}  // namespace
}  // namespace qn
