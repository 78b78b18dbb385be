// The main window: its layout, menu bar, panel toggles, command boundary, database
// creation and opening, and its close. Widgets are found by their component names.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <set>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <unistd.h>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "env/errors.h"
#include "env/folders.h"
#include "env/user_state.h"
#include "ui/window/command_table.h"
#include "ui/window/quill_form.h"
#include "ui/dialogs/scripted_dialogs.h"
#include "ui/window/shutdown_watcher.h"
#include "ui/forms/system_info_form.h"
#include "ui/ui_env.h"
#include "content/initial_content.h"

namespace qn {
namespace {

class QuillFormTest : public test::UiTest {
 protected:
  QuillFormTest() { form_.SetDialogs(&dialogs_); }

  template <typename T>
  T* Find(const char* name) {
    return form_.findChild<T*>(name);
  }
  QAction* Item(const char* name) {
    QAction* a = form_.MenuItem(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
  // The captions of a menu's actions, separators left out.
  QStringList Captions(const char* menuName) {
    QStringList out;
    auto* menu = form_.findChild<QMenu*>(menuName);
    EXPECT_NE(menu, nullptr) << menuName;
    if (menu == nullptr) return out;
    for (QAction* a : menu->actions()) {
      if (!a->isSeparator()) out << a->text();
    }
    return out;
  }
  std::string DataFile(const char* name) { return (Work() / name).string(); }

  ScriptedDialogs dialogs_;
  TQuillForm form_;
};

// ---- Layout ----

TEST_F(QuillFormTest, ButtonRowHoldsTwentyFlatButtonsAtTheirPlaces) {
  const std::pair<const char*, int> places[] = {
      {"SpeedButton3", 0},  {"TopButton", 32},     {"nButton", 56},       {"oButton", 80},
      {"BottomButton", 104}, {"vButton", 136},     {"hButton", 160},      {"iButton", 192},
      {"uButton", 216},     {"DocButton", 248},    {"SpeedButton1", 280}, {"SpeedButton6", 304},
      {"SpeedButton2", 336}, {"SpeedButton5", 368}, {"CopyButton", 392},   {"CutButton", 416},
      {"PasteButton", 440}, {"PastePButton", 464}, {"SpeedButton7", 488}, {"SpeedButton8", 512},
  };
  auto* panel = Find<QWidget>("KnappPanel");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->height(), 25);
  EXPECT_EQ(panel->findChildren<QToolButton*>().size(), 20);
  for (const auto& [name, x] : places) {
    auto* b = panel->findChild<QToolButton*>(name);
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(b->x(), x) << name;
    EXPECT_EQ(b->size(), QSize(25, 25)) << name;
    EXPECT_TRUE(b->autoRaise()) << name;
    EXPECT_FALSE(b->icon().isNull()) << name;
  }
}

TEST_F(QuillFormTest, ButtonsCarryTheirHints) {
  EXPECT_EQ(Find<QToolButton>("SpeedButton3")->toolTip(), "Hopp til første data");
  EXPECT_EQ(Find<QToolButton>("DocButton")->toolTip(), "Åpne dokument-tilknytning");
  EXPECT_EQ(Find<QToolButton>("SpeedButton5")->toolTip(), "Merk av denne posisjon (push)");
  EXPECT_EQ(Find<QToolButton>("PastePButton")->toolTip(), "Lim inn peker");
  EXPECT_EQ(Find<QToolButton>("SpeedButton8")->toolTip(), "Merk siste i blokken");
  EXPECT_TRUE(Find<QToolButton>("nButton")->toolTip().isEmpty());
  EXPECT_EQ(Find<QToolButton>("PopButton")->toolTip(), "Hopp til siste merket posisjon (pop)");
  EXPECT_EQ(Find<QToolButton>("SpeedButton4")->text(), "X");
  EXPECT_EQ(Find<QToolButton>("SpeedButton4")->toolTip(), "Fjern alle merker");
}

TEST_F(QuillFormTest, PanelsHaveTheirSizesAndStartHiddenWhereTheyShouldBe) {
  // The page step starts at 10; the first refresh sets it to the rows that fit.
  EXPECT_EQ(Find<QScrollBar>("ScrollBar1")->pageStep(), 10);
  form_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
  auto* quick = Find<QListWidget>("HurtigListe");
  EXPECT_TRUE(quick->isHidden());
  EXPECT_EQ(quick->width(), 169);
  EXPECT_EQ(quick->palette().color(QPalette::Base), QColor(0, 128, 0));
  EXPECT_TRUE(Find<QListWidget>("NrListe")->isHidden());
  EXPECT_TRUE(Find<QWidget>("MerkPanel")->isHidden());
  EXPECT_EQ(Find<QWidget>("MerkPanel")->height(), 128);
  EXPECT_EQ(Find<QListWidget>("Merkeliste")->palette().color(QPalette::Base), QColor(0, 128, 128));
  EXPECT_EQ(Find<QWidget>("SkrollPanel")->width(), 16);
  EXPECT_TRUE(Find<QWidget>("PaintBox1")->isVisible());
  EXPECT_EQ(Find<QLabel>("StatusPanel0")->width(), 50);
  EXPECT_EQ(Find<QLabel>("StatusPanel1")->width(), 300);
  EXPECT_EQ(Find<QLabel>("StatusPanel2")->width(), 50);
  form_.SetStatusText(1, "Originale data");
  EXPECT_EQ(Find<QLabel>("StatusPanel1")->text(), "Originale data");
}

TEST_F(QuillFormTest, ContextMenuOffersOpenAndProperties) {
  QStringList captions;
  for (QAction* a : Find<QMenu>("PopupMenu")->actions()) captions << a->text();
  EXPECT_EQ(captions, (QStringList{"Å&pne", "", "Egenskaper", "", "&Angre", "&Gjør om"}));
}

// ---- Menu bar ----

TEST_F(QuillFormTest, MenuBarNamesItsMenusInOrder) {
  QStringList bar;
  for (QAction* a : form_.menuBar()->actions()) bar << a->text();
  EXPECT_EQ(bar, (QStringList{"&Fil", "&Rediger", "&Let", "&Ny", "&Merk", "&Tilknytning", "L&iste",
                              "Blo&kk", "&Vis", "V&erktøy", "&Oppsett", "&Hjelp"}));
}

TEST_F(QuillFormTest, MenusCarryTheItemsOfEveryCommand) {
  EXPECT_EQ(Captions("Fil1"), (QStringList{"&Ny", "Å&pne", "&Importer", "&Eksporter", "&Avslutt"}));
  EXPECT_EQ(Captions("Importer1"),
            (QStringList{"Maler i fra pascal kildekode", "Sekvensielle data", "JSON (ny database)"}));
  EXPECT_EQ(Captions("Eksporter1"), (QStringList{"HTML", "JSON"}));
  EXPECT_TRUE(Captions("Rediger1").contains("Flytt &ned    Alt+Pil ned"));
  EXPECT_TRUE(Captions("Rediger1").contains("Åpne &dokument"));
  EXPECT_TRUE(Captions("Let1").contains("Hopp til filposisjon"));
  EXPECT_TRUE(Captions("Merk1").contains("Lag ny innholdfortegnesle"));
  EXPECT_TRUE(Captions("Tilknytning1").contains("&Fjern tilknytning til program"));
  EXPECT_TRUE(Captions("Liste1").contains("Klargjør listen for replikering"));
  EXPECT_TRUE(Captions("Liste1").contains("Eksporter listen til tekstfil"));
  EXPECT_TRUE(Captions("Blokk1").contains("Lim inn &pekere"));
  EXPECT_TRUE(Captions("Verkty1").contains("Informasjon om pekere"));
  EXPECT_EQ(Captions("Oppsett1"), (QStringList{"Mappeplasseringer", "Oppstart", "Database"}));
  EXPECT_TRUE(Captions("Hjelp1").contains("Oppdateringer på internett"));
}

// The command table and the controls built from it agree both ways: every row can be
// reached (a menu item, a context item, a button or a key of its own), and every item of
// the menus, the context menu and the two button bars belongs to a row.
TEST_F(QuillFormTest, EveryCommandRowHasAControlAndEveryControlARow) {
  std::set<const QObject*> backed;
  std::set<std::string> ids;
  const QList<QShortcut*> shortcuts = form_.findChildren<QShortcut*>();
  for (const WindowCommand& c : WindowCommands()) {
    EXPECT_TRUE(ids.insert(c.id).second) << "two rows named " << c.id;
    bool reachable = false;
    if (c.caption != nullptr) {
      QAction* item = form_.MenuItem(c.id);
      ASSERT_NE(item, nullptr) << c.id;
      EXPECT_EQ(item->text(), QString::fromUtf8(c.caption)) << c.id;
      EXPECT_EQ(item->shortcut(), QKeySequence(QString::fromUtf8(c.shortcut ? c.shortcut : "")));
      backed.insert(item);
      reachable = true;
    }
    if (c.context.name != nullptr) {
      QAction* item = form_.MenuItem(c.context.name);
      ASSERT_NE(item, nullptr) << c.context.name;
      backed.insert(item);
      reachable = true;
    }
    if (c.button.name != nullptr) {
      auto* button = Find<QToolButton>(c.button.name);
      ASSERT_NE(button, nullptr) << c.button.name;
      backed.insert(button);
      reachable = true;
    }
    for (const char* key : c.windowKeys) {
      if (key == nullptr) continue;
      const bool found = std::any_of(shortcuts.begin(), shortcuts.end(), [&](QShortcut* s) {
        return s->key() == QKeySequence(QString::fromUtf8(key));
      });
      EXPECT_TRUE(found) << c.id << " " << key;
      reachable = reachable || found;
    }
    EXPECT_TRUE(reachable) << c.id;
    EXPECT_TRUE(c.run != nullptr || std::string_view(c.id) == "Innhold1") << c.id;
  }
  std::vector<const QMenu*> menus = {Find<QMenu>("PopupMenu")};
  for (const QMenu* menu : form_.menuBar()->findChildren<QMenu*>()) menus.push_back(menu);
  for (const QMenu* menu : menus) {
    for (const QAction* a : menu->actions()) {
      if (!a->isSeparator() && a->menu() == nullptr) EXPECT_TRUE(backed.count(a)) << a->objectName().toStdString();
    }
  }
  for (const char* bar : {"KnappPanel", "MerkKnapper"}) {
    for (const QToolButton* b : Find<QWidget>(bar)->findChildren<QToolButton*>()) {
      EXPECT_TRUE(backed.count(b)) << b->objectName().toStdString();
    }
  }
}

TEST_F(QuillFormTest, ItemsCarryTheirShortcutKeys) {
  EXPECT_EQ(Item("Linje1")->shortcut(), QKeySequence("Ctrl+F4"));
  EXPECT_EQ(Item("Data1")->shortcut(), QKeySequence(Qt::Key_F4));
  EXPECT_EQ(Item("Notat1")->shortcut(), QKeySequence("Shift+F4"));
  EXPECT_EQ(Item("Skiindex1")->shortcut(), QKeySequence(Qt::Key_F7));
  EXPECT_EQ(Item("Oppdater1")->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(Item("Kopier3")->shortcut(), QKeySequence("Ctrl+Ins"));
  EXPECT_EQ(Item("Liminn2")->shortcut(), QKeySequence("Shift+Ins"));
  EXPECT_EQ(Item("Klipput1")->shortcut(), QKeySequence("Shift+Del"));
  EXPECT_EQ(Item("Egenskaper1")->shortcut(), QKeySequence("Ctrl+Return"));
  EXPECT_EQ(Item("Endrenavn1")->shortcut(), QKeySequence("Alt+Return"));
}

TEST_F(QuillFormTest, OnlyCommandsThatExistAreEnabledAndInnholdNever) {
  EXPECT_FALSE(Item("Innhold1")->isEnabled());
  Find<QMenu>("Hjelp1")->popup(QPoint(0, 0));
  EXPECT_FALSE(Item("Innhold1")->isEnabled());
  Find<QMenu>("Hjelp1")->hide();
  for (const char* later : {"Redigermal1"}) {
    EXPECT_FALSE(Item(later)->isEnabled()) << later;
  }
  for (const char* now : {"Ny1", "pne1", "Avslutt1", "Knapperad1", "Dataformat1",
                          "Systeminformasjon1", "Oppdateringerpinternett1", "Linje1",
                          "Sorterlistenstigende1", "Fix1", "CSV1", "Notat1", "Skiindex1",
                          "Tilknyttdokument1", "Indexutforsker1", "Globalpeker1", "Oppstart1",
                          "Mappeplasseringer1", "Database1", "Klargjrtabellforreplikering1"}) {
    EXPECT_TRUE(Item(now)->isEnabled()) << now;
  }
}

TEST_F(QuillFormTest, VisItemsToggleTheirPanelsAndShowTheirState) {
  form_.show();
  const std::pair<const char*, QWidget*> items[] = {
      {"Knapperad1", Find<QWidget>("KnappPanel")},
      {"Statuslinje1", form_.statusBar()},
      {"Listeovermerkede1", Find<QWidget>("MerkPanel")},
      {"Hurtigliste1", Find<QWidget>("HurtigListe")},
  };
  auto* vis = Find<QMenu>("Vis1");
  for (const auto& [name, panel] : items) {
    const bool before = panel->isHidden();
    emit vis->aboutToShow();
    EXPECT_EQ(Item(name)->isChecked(), !before) << name;
    Item(name)->trigger();
    EXPECT_EQ(panel->isHidden(), !before) << name;
    emit vis->aboutToShow();
    EXPECT_EQ(Item(name)->isChecked(), before) << name;
    Item(name)->trigger();
    EXPECT_EQ(panel->isHidden(), before) << name;
  }
}

TEST_F(QuillFormTest, AutoUpdateItemSetsTheDatabaseSwitch) {
  form_.FormCreate({});
  Item("AutoOppdater1")->trigger();
  EXPECT_TRUE(form_.dataark().autoUpdate);
  Item("AutoOppdater1")->trigger();
  EXPECT_FALSE(form_.dataark().autoUpdate);
  form_.dataark().autoUpdate = true;
  emit Find<QMenu>("Vis1")->aboutToShow();
  EXPECT_TRUE(Item("AutoOppdater1")->isChecked());
}

TEST_F(QuillFormTest, SystemInformationNamesProductSettingsAndFoldersWithoutMakingAny) {
  form_.FormCreate({});
  const auto lines = TSystemInfoForm::Lines(form_.dataark().FileName());
  auto has = [&](const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  };
  EXPECT_TRUE(has("Versjon: " + std::string(kProductVersion)));
  EXPECT_TRUE(has("Innstillingsfil: " + IniFileName()));
  EXPECT_TRUE(has("Database: " + form_.dataark().FileName()));
  EXPECT_TRUE(has("  export\\html: (ikke registrert)"));
  EXPECT_FALSE(std::filesystem::exists(BaseFolder() + "export"));
}

// ---- Command boundary ----

TEST_F(QuillFormTest, IoErrorInACommandShowsOneMessageAndTheWindowStays) {
  form_.show();
  QAction probe("probe", &form_);
  form_.ConnectCommand(&probe, [] { throw IoError(100, "Lesefeil i fil"); });
  probe.trigger();
  ASSERT_EQ(dialogs_.Asked(QuestionKind::kMessage).size(), 1u);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kMessage)[0].text, "Lesefeil i fil");
  EXPECT_TRUE(form_.isVisible());
  probe.trigger();
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kMessage).size(), 2u);
}

// ---- Window creation ----

TEST_F(QuillFormTest, StartFileComesFromTheParametersOrTheRecentList) {
  const std::string named = DataFile("kunder.pdb256");
  std::ofstream(named) << "";
  EXPECT_EQ(TQuillForm::StartFileName({named}), named);
  // The extension is added to a name without one, but a dot in a folder does not count.
  std::filesystem::create_directories(Work() / "v1.2");
  const std::string dotted = (Work() / "v1.2" / "arkiv").string();
  std::ofstream(dotted + ".pdb256") << "";
  EXPECT_EQ(TQuillForm::StartFileName({dotted}), dotted + ".pdb256");
  AddLastFile(kDatabaseFileSection, named);
  EXPECT_EQ(TQuillForm::StartFileName({}), named);
}

TEST_F(QuillFormTest, MissingOrOptionFileFallsBackToTheDefaultDatabase) {
  const std::string fallback = veltronapath("data\\quillnet") + "QuillNet.pdb256";
  EXPECT_EQ(TQuillForm::StartFileName({"--debug"}), fallback);
  EXPECT_EQ(TQuillForm::StartFileName({DataFile("borte.pdb256")}), fallback);
  EXPECT_EQ(TQuillForm::StartFileName({}), fallback);
}

TEST_F(QuillFormTest, FormCreateCreatesTheDatabaseAndNamesItInTheCaption) {
  const std::string file = DataFile("ny.pdb256");
  form_.FormCreate({file});  // missing: the default database is made instead
  const std::string fallback = veltronapath("data\\quillnet") + "QuillNet.pdb256";
  EXPECT_TRUE(form_.dataark().IsOpen());
  EXPECT_EQ(form_.dataark().FileName(), fallback);
  EXPECT_TRUE(std::filesystem::exists(fallback));
  EXPECT_EQ(form_.windowTitle().toStdString(), "Veltrona QuillNet (" + fallback + ")");
  EXPECT_EQ(form_.ApplicationTitle(), fallback);
  EXPECT_EQ(GetLastFile(kDatabaseFileSection, 1), fallback);
  // The creation did not leave its forced setting behind.
  SetSection(kEngineSection);
  EXPECT_FALSE(SettingExists("AutoCreateDatabase"));
  ResetSection();
}

TEST_F(QuillFormTest, SecondParameterShowsThatRecordOnlyWhereARecordStarts) {
  const std::string file = DataFile("start.pdb256");
  Position second = 0;
  {
    tDataImageArk db;
    OpenDatabase(db, file, OpenPolicy::kCreate);
    ASSERT_TRUE(db.IsOpen());
    AddNamed(db, DirDown, "Første");
    second = AddNamed(db, DirDown, "Andre");
    ASSERT_GT(second, 0);
    db.Close();
  }
  form_.FormCreate({file, std::to_string(second)});
  EXPECT_EQ(form_.dataark().dp->CurrentPosition(), second);

  TQuillForm other;
  other.FormCreate({file, std::to_string(second + 10)});  // inside a block
  EXPECT_NE(other.dataark().dp->CurrentPosition(), second + 10);
  other.FormCreate({file, "tull"});
  EXPECT_TRUE(other.dataark().IsOpen());
}

TEST_F(QuillFormTest, ClosingSavesThePlacementAndTheButtonRowState) {
  form_.FormCreate({});
  form_.show();
  Item("Knapperad1")->trigger();  // hide the button row
  Item("Avslutt1")->trigger();
  EXPECT_FALSE(form_.isVisible());
  EXPECT_FALSE(form_.dataark().IsOpen());

  WindowGeometry geometry;
  std::string text;
  LoadWindowPosition(geometry, kWindowName, text, {4000, 4000});
  EXPECT_EQ(text, "N");
  TQuillForm again;
  again.FormCreate({});
  EXPECT_TRUE(again.findChild<QWidget*>("KnappPanel")->isHidden());
}

TEST_F(QuillFormTest, ButtonRowShowsOnAFirstStart) {
  form_.FormCreate({});
  EXPECT_FALSE(Find<QWidget>("KnappPanel")->isHidden());
}

// ---- New and open ----

TEST_F(QuillFormTest, NewDatabaseReplacesAnExistingFileAndEmptiesTheMarks) {
  form_.FormCreate({});
  const std::string target = DataFile("erstatt.pdb256");
  std::ofstream(target) << std::string(1000, 'z');
  Find<QWidget>("MerkPanel")->show();
  Find<QListWidget>("Merkeliste")->addItem("Merke");

  dialogs_.AnswerText(target);
  Item("Ny1")->trigger();

  const auto asked = dialogs_.Asked(QuestionKind::kSaveFile);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].caption, "Ny peker database");
  EXPECT_EQ(asked[0].text, veltronapath("data\\quillnet"));
  EXPECT_TRUE(form_.dataark().IsOpen());
  EXPECT_EQ(form_.dataark().FileName(), target);
  // A fresh file with its initial content, not the old bytes: it starts with the header
  // record, and the cursor is on the first line of the data list.
  std::ifstream fresh(target, std::ios::binary);
  char head[4] = {};
  fresh.read(head, 4);
  EXPECT_EQ(std::string(head, 4), std::string("\x00\x01\x00\x00", 4));
  EXPECT_EQ(ReadName(form_.dataark()), "** Ingen data (denne linjen kan endres elles slettes) **");
  // The caption names the program and the file, as after "Å&pne"; so does the title.
  EXPECT_EQ(form_.windowTitle().toStdString(), "Veltrona QuillNet (" + target + ")");
  EXPECT_EQ(form_.ApplicationTitle(), target);
  EXPECT_EQ(Find<QListWidget>("Merkeliste")->count(), 0);
  EXPECT_TRUE(Find<QWidget>("MerkPanel")->isHidden());
  EXPECT_EQ(GetLastFile(kDatabaseFileSection, 1), target);
}

TEST_F(QuillFormTest, NewDatabaseThatCannotReplaceTheOldOneReopensThePreviousFile) {
  form_.FormCreate({});
  const std::string previous = form_.dataark().FileName();
  // A folder that holds a file cannot be removed, by any user.
  const auto target = Work() / "opptatt.pdb256";
  std::filesystem::create_directories(target);
  std::ofstream(target / "innhold") << "beholdes";
  dialogs_.AnswerText(target.string());
  Item("Ny1")->trigger();
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kMessage).size(), 1u);
  EXPECT_EQ(form_.dataark().FileName(), previous);
  EXPECT_TRUE(form_.dataark().IsOpen());
  EXPECT_TRUE(std::filesystem::exists(target / "innhold"));
}

TEST_F(QuillFormTest, OpenDatabaseSwitchesFileAndCancelStillEmptiesTheMarks) {
  form_.FormCreate({});
  const std::string other = DataFile("annen.pdb256");
  {
    tDataImageArk db;
    OpenDatabase(db, other, OpenPolicy::kCreate);
    db.Close();
  }
  Find<QListWidget>("Merkeliste")->addItem("Merke");
  dialogs_.AnswerCancel();
  Item("pne1")->trigger();
  EXPECT_EQ(Find<QListWidget>("Merkeliste")->count(), 0);
  EXPECT_NE(form_.dataark().FileName(), other);

  dialogs_.AnswerText(other);
  Item("pne1")->trigger();
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kOpenFile)[1].caption, "Åpne database");
  EXPECT_EQ(form_.dataark().FileName(), other);
  EXPECT_EQ(form_.windowTitle().toStdString(), "Veltrona QuillNet (" + other + ")");
  EXPECT_EQ(form_.ApplicationTitle(), other);
  EXPECT_EQ(GetLastFile(kDatabaseFileSection, 1), other);
}

TEST_F(QuillFormTest, OpeningAFileThatIsNoDatabaseKeepsTheOpenOne) {
  form_.FormCreate({});
  const std::string open = form_.dataark().FileName();
  const std::string caption = form_.windowTitle().toStdString();
  const std::string text = DataFile("notater.txt");
  std::ofstream(text) << std::string(1000, 'x');
  dialogs_.AnswerText(text);
  Item("pne1")->trigger();
  ASSERT_EQ(dialogs_.Asked(QuestionKind::kMessage).size(), 1u);
  EXPECT_EQ(dialogs_.Asked(QuestionKind::kMessage)[0].text,
            text + " er ikke en QuillNet-database. Den åpne databasen er beholdt.");
  EXPECT_TRUE(form_.dataark().IsOpen());
  EXPECT_EQ(form_.dataark().FileName(), open);
  EXPECT_EQ(form_.windowTitle().toStdString(), caption);
  EXPECT_EQ(std::filesystem::file_size(text), 1000u);
}

// ---- Shut-down signal ----

TEST_F(QuillFormTest, ShutdownSignalClosesTheWindowTheUsualWay) {
  form_.FormCreate({});
  form_.show();
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
  {
    ShutdownWatcher watcher(fds[0], &form_);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    for (int i = 0; i < 50 && form_.isVisible(); ++i) QTest::qWait(10);
    EXPECT_TRUE(watcher.Requested());
  }
  ::close(fds[0]);
  ::close(fds[1]);
  EXPECT_FALSE(form_.isVisible());
  EXPECT_FALSE(form_.dataark().IsOpen());
}

TEST_F(QuillFormTest, ShutdownSignalClosesAnOpenDialogBeforeTheWindow) {
  form_.FormCreate({});
  form_.show();
  QDialog question(&form_);
  question.setModal(true);
  question.show();
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
  {
    ShutdownWatcher watcher(fds[0], &form_);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    QTest::qWait(20);
    EXPECT_FALSE(question.isVisible());
    for (int i = 0; i < 50 && form_.isVisible(); ++i) QTest::qWait(10);
  }
  ::close(fds[0]);
  ::close(fds[1]);
  EXPECT_FALSE(form_.isVisible());
}

}  // namespace
}  // namespace qn
