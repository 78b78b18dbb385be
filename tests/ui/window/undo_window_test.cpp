// Undo and redo in the window: each family of commands done, undone (the file byte for
// byte as before) and done again (byte for byte as after), through the window's items
// with scripted answers; the items' captions name the step.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <fstream>
#include <functional>
#include <ostream>

#include "commands/command_support.h"
#include "commands/list_commands.h"
#include "commands/undelete.h"
#include "content/global_pointer.h"
#include "content/note_text.h"
#include "content/program_record.h"
#include "content/system_lists.h"
#include "store/record_blocks.h"
#include "templates/def_editor.h"
#include "ui/forms/data_editor_runner.h"
#include "ui/forms/import_form.h"
#include "ui/forms/window_forms.h"
#include "ui/window/commands_fixture.h"

namespace qn {
namespace {

class UndoWindowTest;
using T = UndoWindowTest;
struct UndoCase {
  const char* what;
  void (*prepare)(T&);  // what the step needs first; nullptr: nothing
  void (*answers)(T&);  // the answers the command will be given; nullptr: none
  const char* item;     // the item that makes the step; nullptr: `answers` runs it
  const char* step;     // how the undo item names the step
};

// The case by what it does, in test listings and failures.
void PrintTo(const UndoCase& c, std::ostream* os) { *os << c.what; }

class UndoWindowTest : public test::CommandsTest, public ::testing::WithParamInterface<UndoCase> {
 public:
  using CommandsTest::DataBelow;
  using CommandsTest::dp;
  using CommandsTest::Press;
  using CommandsTest::Run;
  using CommandsTest::ShowOn;
  UndoWindowTest() {
    form_.SetForms(&forms);
    form_.SetDataEditor(&editor);
  }
  ScriptedDialogs& Dialogs() { return dialogs_; }
  tDataImageArk& Db() { return db(); }
  std::string Caption(const char* item) { return form_.MenuItem(item)->text().toStdString(); }
  std::string WorkFile(const char* name) { return (Work() / name).string(); }
  void Kunde() {
    if (template_ == 0) template_ = test::MakeTemplate(db(), "Kunde", test::CustomerFields());
  }
  void OnData() { ShowOn(DataBelow("Ola", 7)); }
  void OnIndre() { ShowOn(RecordAt(list[1]).right); }
  // The block from `first` to `last` marked, and `then` run on it.
  void Block(Position first, Position last, const char* then = nullptr) {
    ShowOn(first);
    Run("Merkfrste1");
    ShowOn(last);
    Run("Merksiste1");
    if (then != nullptr) Run(then);
  }
  // "F4" answered with `direction` and the editor saving a name.
  void NewData(tDirection direction) {
    Dialogs().AnswerNewData("Kunde", direction);
    editor.SaveWith({{"Navn", "Kari"}});
  }
  // Runs `item`, and `act` on the modal window it opens once that shows.
  void RunModal(const char* item, const std::function<void(QWidget&)>& act) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      seen = modal != nullptr;
      if (modal == nullptr) return;
      act(*modal);
      if (modal->isVisible()) QMetaObject::invokeMethod(modal, "reject");
    });
    Run(item);
    EXPECT_TRUE(seen) << item;
  }
  // The pointer properties with `text` typed into `box`, closed by "Lukk", which stores.
  void Properties(const char* box, const char* text) {
    RunModal("Endrenavn1", [&](QWidget& form) {
      form.findChild<QLineEdit*>(box)->setText(QString::fromUtf8(text));
      form.findChild<QPushButton*>("LukkKnapp")->click();
    });
  }
  // A program record "Redigerer" that runs /bin/true, made as its dialog makes it.
  void MakeProgram() {
    ASSERT_EQ(NewProgramRecord(db(), "Redigerer"), 0);
    ProgramEditor program(db());
    program.programFile = "/bin/true";
    ASSERT_EQ(program.Ok(), "");
    OnData();
  }
  bool SaveProgram(ProgramEditor& program) {
    program.programFile = "/bin/true";
    return program.Ok().empty();
  }
  bool SaveGlobalPointer(GlobalPointerEditor& pointer) {
    pointer.fileName = db().FileName();
    pointer.method = kMethodText;
    pointer.text = "Alfa";
    return pointer.Ok().empty();
  }
  // The Pascal import form, as the window shows it, importing the source's first declaration.
  int ImportPascal(tDataImageArk& into) {
    TImportForm import(into, dialogs_);
    dialogs_.AnswerText(WorkFile("enhet.pas"));
    import.BrowseClick();
    import.ImporterRecord(0);
    return import.Imported();
  }
  void ImportData() {
    RunModal("Sekvensielledata1", [this](QWidget& form) {
      form.findChild<QLineEdit*>("KildefilEdit")->setText(QString::fromStdString(WorkFile("kunder.dta")));
      form.findChild<QComboBox*>("MalBox")->setCurrentText("Kunde");
      form.findChild<QPushButton*>("ImporterButton")->click();
    });
  }

  // A record whose sub-list the step hangs under a second parent on purpose: the check
  // reports it there.
  void CrossLinked(Position p) { crossLinked_.insert(p); }

  ScriptedWindowForms forms;
  ScriptedDataEditor editor{dialogs_};
  // Liste: Alfa, Beta (with Indre below it), Gamma; the cursor on Beta.
  std::vector<Position> list;
  void SetUp() override {
    CommandsTest::SetUp();
    list = test::MakeList(db(), "Liste", {"Alfa", "Beta", "Gamma"});
    dp().Load(list[1]);
    AddNamed(db(), DirRight, "Indre");
    ShowOn(list[1]);
  }
};

const UndoCase kCases[] = {
    {"new line", nullptr, [](T& t) { t.Dialogs().AnswerNewLine("Delta", DirDown); }, "Linje1",
     "Ny linje «Delta»"},
    {"new line to the right", nullptr, [](T& t) { t.Dialogs().AnswerNewLine("Delta", DirRight); }, "Linje1",
     "Ny linje «Delta»"},
    {"new data below", [](T& t) { t.Kunde(); }, [](T& t) { t.NewData(DirDown); }, "Data1",
     "Ny datapost «Kari"},
    {"new data to the right", [](T& t) { t.Kunde(); }, [](T& t) { t.NewData(DirRight); }, "Data1",
     "Ny datapost «Kari"},
    {"new data to the left", [](T& t) { t.Kunde(), t.OnIndre(); }, [](T& t) { t.NewData(DirLeft); }, "Data1",
     "Ny datapost «Kari"},
    {"new note", nullptr, [](T& t) {
       t.Dialogs().AnswerNewLine("Møte", DirDown);
       t.forms.OnNote([](NoteEditor& note) { return note.Save("Agenda").empty(); });
     }, "Notat1", "Nytt notat «Møte»"},
    {"new document link", nullptr,
     [](T& t) { t.Dialogs().AnswerNewDocument({"/home/ola/brev.odt", true, "Brev", DirDown}); },
     "Dokumenttilknytning1", "Ny dokumenttilknytning «Brev»"},
    {"new program record", nullptr, [](T& t) {
       t.Dialogs().AnswerText("Redigerer");
       t.forms.OnProgram([&t](ProgramEditor& program) { return t.SaveProgram(program); });
     }, "Malforprogram1", "Nytt program"},
    {"new global pointer", nullptr,
     [](T& t) { t.forms.OnGlobalPointer([&t](GlobalPointerEditor& g) { return t.SaveGlobalPointer(g); }); },
     "Globalpeker1", "Ny global peker «"},
    {"new template", nullptr, [](T& t) {
       t.Dialogs().AnswerText("Vare");
       t.forms.OnTemplate([](DefEditor& def) {
         def.EditCell(kColNavn, 1, "Tittel");
         def.EditCell(kColType, 1, "longint");
         EXPECT_TRUE(def.Save());
       });
     }, "Definisjon1", "Ny mal"},
    {"delete", nullptr, nullptr, "Slett2", "Slett «Beta»"},
    {"cut", nullptr, nullptr, "Klipput1", "Klipp ut «Beta»"},
    {"move", nullptr, nullptr, "Flyttned1", "Flytt ned «Beta»"},
    {"move up", nullptr, nullptr, "Flyttopp1", "Flytt opp «Beta»"},
    {"sort", nullptr, nullptr, "Sorterlistensynkende1", "Sorter listen synkende «Beta»"},
    {"rename", nullptr, [](T& t) { t.Dialogs().AnswerText("Beta 2"); }, "Egenskaper1", "Endre «Beta»"},
    {"pointer properties' save", nullptr, [](T& t) { t.Properties("eHeader", "Beta 2"); }, nullptr,
     "Endre egenskaper «Beta»"},
    {"register variable", [](T& t) {
       ASSERT_EQ(SetRegisterVariable(t.Db(), "Språk", "nb"), 1);
       t.ShowOn(ScanForString(t.Db(), "Språk", true));
     }, [](T& t) { t.Properties("VerdiEdit", "nn"); }, nullptr, "Endre egenskaper «Språk=nb»"},
    {"data editor's save", [](T& t) { t.OnData(); },
     [](T& t) { t.editor.SaveWith({{"Navn", "Kari"}, {"Nr", "8"}}); }, "Egenskaper1", "Endre «Ola"},
    {"note edited", [](T& t) { ASSERT_GT(NewNote(t.Db(), DirDown, "Møte"), 0); },
     [](T& t) { t.forms.OnNote([](NoteEditor& note) { return note.Save("Agenda\n\tpunkt").empty(); }); },
     "Egenskaper1", "Endre «Møte»"},
    {"template editor's save", [](T& t) { t.OnData(); }, [](T& t) {
       t.forms.OnTemplate([](DefEditor& def) {
         def.EditCell(kColNavn, 1, "Kundenavn");
         EXPECT_TRUE(def.Save());
       });
     }, "Redigermal1", "Rediger mal «Ola"},
    {"document linked", nullptr, [](T& t) { t.Dialogs().AnswerText("/home/ola/brev.odt"); },
     "Tilknyttdokument1", "Tilknytt dokument «Beta»"},
    {"program linked", [](T& t) { t.MakeProgram(); }, [](T& t) { t.Dialogs().AnswerText("Redigerer"); },
     "Tilknyttprogram1", "Tilknytt program «Ola"},
    {"program unlinked", [](T& t) {
       t.MakeProgram();
       ASSERT_EQ(LinkTemplateProgram(t.Db(), ListPrograms(t.Db())[0].dataBlock), 1);
     }, [](T& t) { t.Dialogs().AnswerYes(); }, "Fjerntilknytningtilprogram1",
     "Fjern tilknytning til program «Ola"},
    {"paste", [](T& t) { t.OnData(), t.Run("Kopier3"); }, nullptr, "Liminn2", "Lim inn «Ola"},
    {"data shadow", [](T& t) { t.OnData(), t.Run("Kopier3"); }, nullptr, "Liminnpeker1", "Lim inn peker «Ola"},
    {"pointer to a mark", [](T& t) { t.Run("Merkher1"), t.ShowOn(t.list[2]); }, nullptr,
     "Liminnpekertilmerketpost1", "Lim inn peker til merket post «Beta»"},
    {"shadows of all marks", [](T& t) { t.Run("Merkher1"), t.ShowOn(t.list[2]); },
     [](T& t) { t.Press("PasteC2Button"); }, nullptr, "Lim inn peker til alle merkede poster «Beta»"},
    {"right link to a mark", [](T& t) {
       t.OnIndre(), t.Run("Merkher1"), t.ShowOn(t.list[0]), t.CrossLinked(t.list[1]);
     }, nullptr, "Liminnpekertilmerke1", "Lim inn høyre-link til merket post «Alfa»"},
    {"data inherited from a mark", [](T& t) { t.OnData(), t.Run("Merkher1"), t.ShowOn(t.DataBelow("Kari", 8)); },
     nullptr, "Tilknyttdataframerketpost1", "Arv data fra merket post «Kari"},
    {"block to the right", [](T& t) { t.Block(t.list[0], t.list[1]); },
     [](T& t) { t.Dialogs().AnswerText("Blokk"); }, "Flyttblokktilhyre1", "Flytt blokk til høyre"},
    {"block pasted as copies", [](T& t) { t.Block(t.list[0], t.list[0], "Kopier2"), t.ShowOn(t.list[2]); },
     nullptr, "Liminn1", "Lim inn blokken «Alfa»"},
    {"block pasted as pointers", [](T& t) { t.Block(t.list[0], t.list[0], "Kopier2"), t.ShowOn(t.list[2]); },
     nullptr, "Liminnpekere1", "Lim inn pekere til blokken «Alfa»"},
    {"block cut and pasted", [](T& t) { t.Block(t.list[2], t.list[2], "Klipput2"), t.ShowOn(t.list[0]); },
     nullptr, "Liminn1", "Lim inn blokken «Alfa»"},
    {"block deleted", [](T& t) { t.Block(t.list[0], t.list[1]); }, nullptr, "Slett1", "Slett blokken"},
    {"bookmark", nullptr, [](T& t) { t.Dialogs().AnswerText("beta"); }, "Leggtiliindex1",
     "Legg til bokmerke «Beta»"},
    {"quick list", nullptr, [](T& t) { t.Dialogs().AnswerText("Til beta"); }, "Leggtilhurtigmeny1",
     "Legg til i hurtigmeny «Beta»"},
    {"replication", nullptr, nullptr, "Klargjrtabellforreplikering1",
     "Klargjør listen for replikering «Beta»"},
    {"Pascal import",
     [](T& t) { std::ofstream(t.WorkFile("enhet.pas")) << "type\n  TA = record\n    A: Byte;\n  end;\n"; },
     [](T& t) { t.forms.OnPascalImport([&t](tDataImageArk& into) { return t.ImportPascal(into); }); },
     "Malerifrapascalkildekode1", "Importer maler i fra pascal kildekode"},
    {"sequential import", [](T& t) {
       t.Kunde();
       std::ofstream(t.WorkFile("kunder.dta"), std::ios::binary) << std::string(2 * 40, 'k');
     }, [](T& t) { t.ImportData(); }, nullptr, "Importer sekvensielle data"},
    {"restore from deleted", [](T& t) {
       t.dp().Load(t.list[2]);
       ASSERT_EQ(DeleteRecord(t.Db()), 0);
       t.ShowOn(t.list[0]);
     }, [](T& t) { t.Dialogs().AnswerText(DeletedLine(ListDeleted(t.Db())[0], true)); }, "Slettedeposter1",
     "Gjenopprett slettet post «Gamma»"},
    {"repair", [](T& t) {
       t.dp().Load(t.list[2]);
       t.dp().SetUp(0);  // Gamma's way up no longer leads to Beta
       t.dp().Store();
       t.ShowOn(t.list[0]);
     }, [](T& t) { t.Dialogs().AnswerYes(); }, "Kontrollerogreparer1", "Reparer databasen"},
};

TEST_P(UndoWindowTest, UndoGivesTheFileAsBeforeAndRedoAsAfter) {
  const UndoCase& c = GetParam();
  EXPECT_FALSE(form_.MenuItem("Angre1")->isEnabled());
  EXPECT_EQ(Caption("Angre1"), "&Angre");
  if (c.prepare != nullptr) c.prepare(*this);
  const Position startedOn = dp().CurrentPosition();
  const std::vector<uint8_t> before = FileBytes();
  if (c.answers != nullptr) c.answers(*this);
  if (c.item != nullptr) Run(c.item);
  const std::vector<uint8_t> after = FileBytes();
  ASSERT_NE(after, before) << c.what;
  const std::string step = Caption("Angre1").substr(std::string("&Angre ").size());
  // A step named by a data record's display name is given by the name's beginning only.
  const std::string_view expected = c.step;
  if (expected.find("«") != expected.npos && !expected.ends_with("»")) {
    EXPECT_TRUE(step.starts_with(expected)) << c.what << ": " << step;
  } else {
    EXPECT_EQ(step, expected) << c.what;
  }
  EXPECT_FALSE(form_.MenuItem("Gjrom1")->isEnabled());
  Run("Angre1");
  EXPECT_EQ(FileBytes(), before) << c.what;
  EXPECT_EQ(dp().CurrentPosition(), startedOn) << c.what;
  EXPECT_EQ(Caption("Gjrom1"), "&Gjør om " + step);
  EXPECT_EQ(Caption("Angre1"), "&Angre");
  Run("Gjrom1");
  EXPECT_EQ(FileBytes(), after) << c.what;
  EXPECT_TRUE(IsLiveRecord(db(), dp().CurrentPosition())) << c.what;
}

TEST_F(UndoWindowTest, KeysTakeStepsANewChangeEndsRedoAndAFileChangedBehindTheHistoryIsRefused) {
  Dialogs().AnswerNewLine("Delta", DirDown);
  Run("Linje1");
  Run("Merkher1");  // on the new line
  Run("Merkfrste1");
  const std::vector<uint8_t> made = FileBytes();
  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  EXPECT_EQ(form_.Marks().Count(), 0) << "the mark went with its record";
  EXPECT_EQ(dp().BlockStart(), 0) << "so did the block's ends";
  EXPECT_EQ(dp().BlockEnd(), 0);
  EXPECT_FALSE(form_.MenuItem("Gtilstartavblokk1")->isEnabled());
  Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(FileBytes(), made);
  Key(Qt::Key_Z, Qt::ControlModifier);
  Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(FileBytes(), made);
  Key(Qt::Key_Z, Qt::ControlModifier);
  Run("Slett2");
  EXPECT_FALSE(form_.MenuItem("Gjrom1")->isEnabled());
  EXPECT_EQ(Caption("Gjrom1"), "&Gjør om");

  test::MakeList(db(), "Bak ryggen", {"x"});  // a change the window did not make
  const std::vector<uint8_t> changed = FileBytes();
  Run("Angre1");
  EXPECT_EQ(FileBytes(), changed);
  EXPECT_FALSE(form_.MenuItem("Angre1")->isEnabled());
  ASSERT_FALSE(Messages().empty());
  EXPECT_TRUE(Messages().back().starts_with("Kan ikke angre Slett «Beta»")) << Messages().back();
}

TEST_F(UndoWindowTest, AChangeLargerThanTheHistoryHoldsIsSaidInTheStatusBarAndEndsTheHistory) {
  form_.History() = UndoHistory(UndoHistory::kMaxSteps, 400);
  Run("Slett2");
  ASSERT_TRUE(form_.MenuItem("Angre1")->isEnabled());
  Dialogs().AnswerNewLine(std::string(255, 'x'), DirDown);  // a record and a name block: 512 bytes
  Run("Linje1");
  EXPECT_FALSE(form_.MenuItem("Angre1")->isEnabled());
  const QString said = form_.findChild<QLabel*>("StatusPanel1")->text();
  EXPECT_TRUE(said.startsWith("Endringen kan ikke angres: den er større")) << said.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Families, UndoWindowTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::to_string(info.index); });

}  // namespace
}  // namespace qn
