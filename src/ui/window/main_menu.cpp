#include "ui/window/main_menu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <vector>

namespace qn {
namespace {

struct MenuEntry {
  int level;             // 0 a menu on the bar, 1 its item or submenu, 2 an item of a submenu
  const char* name;      // object name; nullptr for a separator
  const char* caption;
  const char* shortcut;  // key sequence in Qt's portable text form, or nullptr
  bool checkable = false;
  bool submenu = false;  // an entry of level 1 that opens a submenu
};

// Object names follow the handler names of the commands where those exist (Linje1 for
// Linje1Click); other items are named after their caption.
constexpr MenuEntry kEntries[] = {
    {0, "Fil1", "&Fil", nullptr},
    {1, "Ny1", "&Ny", nullptr},
    {1, "pne1", "Å&pne", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Importer1", "&Importer", nullptr, false, true},
    {2, "Malerifrapascalkildekode1", "Maler i fra pascal kildekode", nullptr},
    {2, "Sekvensielledata1", "Sekvensielle data", nullptr},
    {1, "Eksporter1", "&Eksporter", nullptr, false, true},
    {2, "HTML1", "HTML", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Avslutt1", "&Avslutt", nullptr},

    {0, "Rediger1", "&Rediger", nullptr},
    {1, "Egenskaper1", "Å&pne", "Ctrl+Return"},
    {1, "Endrenavn1", "&Egenskaper", "Alt+Return"},
    {1, "pnedokument1", "Åpne &dokument", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Kopier3", "Kopier", "Ctrl+Ins"},
    {1, "Klipput1", "Klipp ut", "Shift+Del"},
    {1, "Liminn2", "Lim inn", "Shift+Ins"},
    {1, "Liminnpeker1", "Lim inn peker", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Flyttned1", "Flytt &ned    Alt+Pil ned", nullptr},
    {1, "Flyttopp1", "Flytt &opp    Alt+Pil opp", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Slett2", "Slett", nullptr},

    {0, "Let1", "&Let", nullptr},
    {1, "Sketter1", "Søk etter ...", nullptr},
    {1, "Skihelendatabasen1", "Søk i hele databasen", nullptr},
    {1, "Skiindex1", "Finn bokmerke", "F7"},
    {1, nullptr, nullptr, nullptr},
    {1, "Hopptilmerke1", "Hopp til merke", nullptr},
    {1, "Hopptilfilposisjon1", "Hopp til filposisjon", nullptr},
    {1, "Gtiloriginal1", "Gå til original", nullptr},

    {0, "Ny2", "&Ny", nullptr},
    {1, "Linje1", "&Linje", "Ctrl+F4"},
    {1, "Data1", "&Data", "F4"},
    {1, "Notat1", "&Notat", "Shift+F4"},
    {1, "Definisjon1", "&Mal", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Dokumenttilknytning1", "Dokument tilknytning", nullptr},
    {1, "Malforprogram1", "&Program", nullptr},
    {1, "Globalpeker1", "Global peker", nullptr},

    {0, "Merk1", "&Merk", nullptr},
    {1, "Merkher1", "Merk her", nullptr},
    {1, "Fjernallemerker1", "Fjern alle merker", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Liminnpekertilmerketpost1", "Lim inn peker til merket post", nullptr},
    {1, "Liminnpekertilmerke1", "Lim inn høyre-link til merket post", nullptr},
    {1, "Tilknyttdataframerketpost1", "Arv data fra merket post", nullptr},
    {1, "Oppdaterdenneiframerket1", "Oppdater denne i fra merket", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Leggtiliindex1", "Legg til bokmerke", nullptr},
    {1, "Indexutforsker1", "Bokmerke utforsker", nullptr},
    {1, "Nyindex1", "Lag ny innholdfortegnesle", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Leggtilhurtigmeny1", "Legg til i hurtigmeny", nullptr},

    {0, "Tilknytning1", "&Tilknytning", nullptr},
    {1, "Redigermal1", "&Rediger mal", nullptr},
    {1, "Tilknyttmal1", "&Tilknytt mal", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Tilknyttdokument1", "Tilknytt dokument", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Tilknyttprogram1", "Tilknytt program ...", nullptr},
    {1, "Fjerntilknytningtilprogram1", "&Fjern tilknytning til program", nullptr},

    {0, "Liste1", "Liste", nullptr},
    {1, "Sorterlistenstigende1", "Sorter listen stigende", nullptr},
    {1, "Sorterlistensynkende1", "Sorter listen synkende", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "CSV1", "Eksporter listen til tekstfil", nullptr},
    {1, "LagHTMLtabell1", "Eksporter listen til HTML-tabell", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Klargjrtabellforreplikering1", "Klargjør listen for replikering", nullptr},
    {1, "Stoppreplikering1", "Stopp replikering i denne listen", nullptr},
    {1, "Setttidforreplikering1", "Sett tid for replikering", nullptr},

    {0, "Blokk1", "Blo&kk", nullptr},
    {1, "Merkfrste1", "Merk første", nullptr},
    {1, "Merksiste1", "Merk siste", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Gtilstartavblokk1", "Gå til start av blokk", nullptr},
    {1, "Gtilsluttenavblokk1", "Gå til slutten av blokk", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Klipput2", "Klipp &ut", nullptr},
    {1, "Kopier2", "&Kopier", nullptr},
    {1, "Liminn1", "&Lim inn", nullptr},
    {1, "Liminnpekere1", "Lim inn &pekere", nullptr},
    {1, "Slett1", "&Slett", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Flyttblokktilhyre1", "Flytt blokk til høyre", nullptr},

    {0, "Vis1", "&Vis", nullptr},
    {1, "Statuslinje1", "Statuslinje", nullptr, true},
    {1, "Listeovermerkede1", "Liste over merkede", nullptr, true},
    {1, "Hurtigliste1", "Hurtigliste", nullptr, true},
    {1, "Knapperad1", "Knapperad", nullptr, true},
    {1, nullptr, nullptr, nullptr},
    {1, "Oppdater1", "Oppdater", "F5"},
    {1, nullptr, nullptr, nullptr},
    {1, "AutoOppdater1", "Auto oppdatering av data", nullptr, true},
    {1, "Automatiskhopp", "Automatisk hopp til global peker", nullptr, true},

    {0, "Verkty1", "Verktøy", nullptr},
    {1, "Fix1", "Korriger pekerlengd", nullptr},
    {1, "Informasjonompekere1", "Informasjon om pekere", nullptr},
    {1, "Kontrollerogreparer1", "Kontroller og reparer databasen", nullptr},
    {1, "Slettedeposter1", "Slettede poster", nullptr},

    {0, "Oppsett1", "Oppsett", nullptr},
    {1, "Mappeplasseringer1", "Mappeplasseringer", nullptr},
    {1, "Oppstart1", "Oppstart", nullptr},
    {1, "Database1", "Database", nullptr},

    {0, "Hjelp1", "Hjelp", nullptr},
    {1, "Innhold1", "Innhold", nullptr},
    {1, "Dataformat1", "Dataformat", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Oppdateringerpinternett1", "Oppdateringer på internett", nullptr},
    {1, nullptr, nullptr, nullptr},
    {1, "Systeminformasjon1", "Systeminformasjon", nullptr},
};

}  // namespace

void BuildMainMenu(QMenuBar* bar, QWidget* owner) {
  QMenu* menus[2] = {nullptr, nullptr};  // the open menu of level 0 and its open submenu
  for (const MenuEntry& e : kEntries) {
    if (e.level == 0) {
      menus[0] = bar->addMenu(QString::fromUtf8(e.caption));
      menus[0]->setObjectName(e.name);
      menus[1] = nullptr;
      continue;
    }
    QMenu* into = e.level == 2 ? menus[1] : menus[0];
    if (into == nullptr) continue;  // the table is written so this never happens
    if (e.name == nullptr) {
      into->addSeparator();
      continue;
    }
    if (e.submenu) {
      menus[1] = into->addMenu(QString::fromUtf8(e.caption));
      menus[1]->setObjectName(e.name);
      continue;
    }
    auto* action = new QAction(QString::fromUtf8(e.caption), owner);
    action->setObjectName(e.name);
    if (e.shortcut != nullptr) action->setShortcut(QKeySequence(QString::fromUtf8(e.shortcut)));
    action->setCheckable(e.checkable);
    action->setEnabled(false);
    into->addAction(action);
  }
}

}  // namespace qn
