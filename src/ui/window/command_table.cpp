#include "ui/window/command_table.h"

#include "commands/undo_history.h"
#include "content/display_name.h"
#include "store/format.h"
#include "ui/window/quill_form.h"
#include "ui/window/window_commands.h"

namespace qn {
namespace {

// ---- When a command is enabled ----

bool HasUp(const CommandFacts& f) { return f.up != 0; }
bool HasDown(const CommandFacts& f) { return f.down != 0; }
bool HasLeft(const CommandFacts& f) { return f.left != 0; }
bool HasRight(const CommandFacts& f) { return f.right != 0; }
bool HasInward(const CommandFacts& f) { return f.inward != 0; }
bool HasOutward(const CommandFacts& f) { return f.outward != 0; }
bool HasDocument(const CommandFacts& f) { return f.linkBlock != 0; }
bool HasTemplate(const CommandFacts& f) { return f.templatePos > 0; }
// A record with data of its own or shared: what copy and cut on the buttons take.
bool CarriesData(const CommandFacts& f) { return (f.kind & kKindData) != 0; }
bool IsDataRecord(const CommandFacts& f) {
  return f.kind == kKindData || f.kind == kKindDataWithTemplate;
}
bool TakesTemplate(const CommandFacts& f) {
  return IsDataRecord(f) || f.kind == kKindExternalCalculation;
}
bool IsDataShadow(const CommandFacts& f) { return f.origin == kOriginDataShadow; }
bool ClipboardHoldsData(const CommandFacts& f) { return f.clipboardHoldsData; }
bool MarksExist(const CommandFacts& f) { return f.marksExist; }
bool HasBlockStart(const CommandFacts& f) { return f.blockStart > 0; }
bool HasBlockEnd(const CommandFacts& f) { return f.blockEnd > 0; }
bool HasBlock(const CommandFacts& f) { return f.blockStart > 0 && f.blockEnd > 0; }
bool BlockClipboardFilled(const CommandFacts& f) { return f.blockClipboard; }
bool Undoable(const CommandFacts& f) { return f.undoable; }
bool Redoable(const CommandFacts& f) { return f.redoable; }

// "Angre Slett «Beta»": the caption names the step it would take; plain without one.
std::string HistoryLabel(const char* plain, const char* verb, const std::string& step) {
  if (step.empty()) return plain;
  std::string label = std::string(verb) + " ";
  for (char c : step) label += c == '&' ? std::string("&&") : std::string(1, c);
  return label;
}
std::string UndoLabel(TQuillForm& w) { return HistoryLabel("&Angre", "&Angre", w.History().UndoName()); }
std::string RedoLabel(TQuillForm& w) { return HistoryLabel("&Gjør om", "&Gjør om", w.History().RedoName()); }

constexpr bool kEdits = true;
constexpr bool kSeparator = true;
constexpr ButtonBar kRow = ButtonBar::kRow;
constexpr ButtonBar kMarks = ButtonBar::kMarks;

// The rows. Within a menu, items stand in the order of their rows.
const WindowCommand kCommands[] = {
    // ---- &Fil ----
    {.id = "Ny1", .caption = "&Ny", .menu = {TopMenu::kFil},
     .run = [](TQuillForm& w) { w.Ny1Click(); }},
    {.id = "pne1", .caption = "Å&pne", .menu = {TopMenu::kFil},
     .run = [](TQuillForm& w) { w.pne1Click(); }},
    {.id = "Malerifrapascalkildekode1", .caption = "Maler i fra pascal kildekode",
     .menu = {TopMenu::kFil, SubMenu::kImporter, kSeparator}, .edits = kEdits,
     .run = Malerifrapascalkildekode1Click, .step = "Importer maler i fra pascal kildekode",
     .stepRecord = StepRecord::kNone},
    {.id = "Sekvensielledata1", .caption = "Sekvensielle data",
     .menu = {TopMenu::kFil, SubMenu::kImporter}, .edits = kEdits, .run = Sekvensielledata1Click,
     .step = "Importer sekvensielle data", .stepRecord = StepRecord::kNone},
    {.id = "JSONnydatabase1", .caption = "JSON (ny database)", .menu = {TopMenu::kFil, SubMenu::kImporter},
     .run = JSONnydatabase1Click},
    {.id = "HTML1", .caption = "HTML", .menu = {TopMenu::kFil, SubMenu::kEksporter},
     .run = HTML1Click},
    {.id = "JSON1", .caption = "JSON", .menu = {TopMenu::kFil, SubMenu::kEksporter}, .run = JSON1Click},
    {.id = "Avslutt1", .caption = "&Avslutt", .menu = {TopMenu::kFil, SubMenu::kNone, kSeparator},
     .run = [](TQuillForm& w) { w.close(); }},

    // ---- &Rediger ----
    {.id = "Egenskaper1", .caption = "Å&pne", .menu = {TopMenu::kRediger},
     .shortcut = "Ctrl+Return", .windowKeys = {"Ctrl+Enter"},
     .context = {"pne2", "Å&pne"}, .run = Egenskaper1Click, .step = "Endre"},
    {.id = "Endrenavn1", .caption = "&Egenskaper", .menu = {TopMenu::kRediger},
     .shortcut = "Alt+Return", .windowKeys = {"Alt+Enter"},
     .context = {"Egenskaper2", "Egenskaper", kSeparator}, .run = Endrenavn1Click,
     .step = "Endre egenskaper"},
    {.id = "pnedokument1", .caption = "Åpne &dokument", .menu = {TopMenu::kRediger},
     .button = {kRow, "DocButton", 248, "Åpne dokument-tilknytning", nullptr,
                ButtonPicture::kOpenDocument},
     .enabled = HasDocument, .run = pnedokument1Click},
    {.id = "Kopier3", .caption = "Kopier", .menu = {TopMenu::kRediger, SubMenu::kNone, kSeparator},
     .shortcut = "Ctrl+Ins",
     .button = {kRow, "CopyButton", 392, "Kopier", nullptr, ButtonPicture::kCopy},
     .enabled = CarriesData, .run = Kopier3Click},
    // The item cuts any record (a line is deleted); the button only what carries data.
    {.id = "Klipput1", .caption = "Klipp ut", .menu = {TopMenu::kRediger}, .shortcut = "Shift+Del",
     .button = {kRow, "CutButton", 416, "Klipp ut", nullptr, ButtonPicture::kCut, nullptr,
                CarriesData},
     .edits = kEdits, .run = Klipput1Click},
    {.id = "Liminn2", .caption = "Lim inn", .menu = {TopMenu::kRediger}, .shortcut = "Shift+Ins",
     .button = {kRow, "PasteButton", 440, "Lim inn", nullptr, ButtonPicture::kPaste},
     .edits = kEdits, .enabled = ClipboardHoldsData, .run = Liminn2Click},
    {.id = "Liminnpeker1", .caption = "Lim inn peker", .menu = {TopMenu::kRediger},
     .button = {kRow, "PastePButton", 464, "Lim inn peker", nullptr, ButtonPicture::kPastePointer},
     .edits = kEdits, .enabled = ClipboardHoldsData, .run = Liminnpeker1Click},
    // Alt+Down and Alt+Up are written into the captions instead of being the items' keys.
    {.id = "Flyttned1", .caption = "Flytt &ned    Alt+Pil ned",
     .menu = {TopMenu::kRediger, SubMenu::kNone, kSeparator}, .windowKeys = {"Alt+Down"},
     .edits = kEdits, .run = FlyttNed},
    {.id = "Flyttopp1", .caption = "Flytt &opp    Alt+Pil opp", .menu = {TopMenu::kRediger},
     .windowKeys = {"Alt+Up"}, .edits = kEdits, .run = FlyttOpp},
    {.id = "Slett2", .caption = "Slett", .menu = {TopMenu::kRediger, SubMenu::kNone, kSeparator},
     .windowKeys = {"Del"},
     .button = {kRow, "SpeedButton2", 336, "Slett", nullptr, ButtonPicture::kDelete},
     .edits = kEdits, .run = Slett2Click},
    {.id = "Angre1", .caption = "&Angre", .menu = {TopMenu::kRediger, SubMenu::kNone, kSeparator},
     .shortcut = "Ctrl+Z", .context = {"Angre2", "&Angre", kSeparator}, .edits = kEdits,
     .enabled = Undoable, .run = Angre1Click, .label = UndoLabel},
    {.id = "Gjrom1", .caption = "&Gjør om", .menu = {TopMenu::kRediger}, .shortcut = "Ctrl+Y",
     .windowKeys = {"Ctrl+Shift+Z"}, .context = {"Gjrom2", "&Gjør om"}, .edits = kEdits,
     .enabled = Redoable, .run = Gjrom1Click, .label = RedoLabel},

    // ---- &Let ----
    {.id = "Sketter1", .caption = "Søk etter ...", .menu = {TopMenu::kLet},
     .run = [](TQuillForm& w) { Search(w, false); }},
    {.id = "Skihelendatabasen1", .caption = "Søk i hele databasen", .menu = {TopMenu::kLet},
     .run = [](TQuillForm& w) { Search(w, true); }},
    {.id = "Soknext1", .caption = "Søk neste", .menu = {TopMenu::kLet}, .shortcut = "F3",
     .run = SearchNext},
    {.id = "Sokalletekster1", .caption = "Søk i alle tekster ...", .menu = {TopMenu::kLet},
     .shortcut = "Ctrl+Shift+F", .run = SearchAllTexts},
    {.id = "Skiindex1", .caption = "Finn bokmerke", .menu = {TopMenu::kLet}, .shortcut = "F7",
     .run = Skiindex1Click},
    {.id = "Hopptilmerke1", .caption = "Hopp til merke",
     .menu = {TopMenu::kLet, SubMenu::kNone, kSeparator},
     .button = {kMarks, "PopButton", 0, "Hopp til siste merket posisjon (pop)", nullptr,
                ButtonPicture::kPopMark},
     .enabled = MarksExist, .run = PopButtonClick},
    {.id = "Hopptilfilposisjon1", .caption = "Hopp til filposisjon", .menu = {TopMenu::kLet},
     .run = Hopptilfilposisjon1Click},
    {.id = "Gtiloriginal1", .caption = "Gå til original", .menu = {TopMenu::kLet},
     .enabled = IsDataShadow, .run = Gtiloriginal1Click},

    // ---- &Ny ----
    {.id = "Linje1", .caption = "&Linje", .menu = {TopMenu::kNy}, .shortcut = "Ctrl+F4",
     .edits = kEdits, .run = Linje1Click, .step = "Ny linje"},
    {.id = "Data1", .caption = "&Data", .menu = {TopMenu::kNy}, .shortcut = "F4",
     .button = {kRow, "SpeedButton1", 280, "Ny datapost", nullptr, ButtonPicture::kNewData},
     .edits = kEdits, .run = Data1Click, .step = "Ny datapost"},
    {.id = "Notat1", .caption = "&Notat", .menu = {TopMenu::kNy}, .shortcut = "Shift+F4",
     .edits = kEdits, .run = Notat1Click, .step = "Nytt notat"},
    {.id = "Definisjon1", .caption = "&Mal", .menu = {TopMenu::kNy}, .edits = kEdits,
     .run = Definisjon1Click, .step = "Ny mal", .stepRecord = StepRecord::kNone},
    {.id = "Dokumenttilknytning1", .caption = "Dokument tilknytning",
     .menu = {TopMenu::kNy, SubMenu::kNone, kSeparator}, .edits = kEdits,
     .run = Dokumenttilknytning1Click, .step = "Ny dokumenttilknytning"},
    {.id = "Malforprogram1", .caption = "&Program", .menu = {TopMenu::kNy}, .edits = kEdits,
     .run = Malforprogram1Click, .step = "Nytt program", .stepRecord = StepRecord::kNone},
    {.id = "Globalpeker1", .caption = "Global peker", .menu = {TopMenu::kNy}, .edits = kEdits,
     .run = Globalpeker1Click, .step = "Ny global peker"},

    // ---- &Merk ----
    {.id = "Merkher1", .caption = "Merk her", .menu = {TopMenu::kMerk},
     .button = {kRow, "SpeedButton5", 368, "Merk av denne posisjon (push)", nullptr,
                ButtonPicture::kMark},
     .run = MarkHere},
    {.id = "Fjernallemerker1", .caption = "Fjern alle merker", .menu = {TopMenu::kMerk},
     .button = {kMarks, "SpeedButton4", 5, "Fjern alle merker", nullptr, ButtonPicture::kDelete,
                "X"},
     .run = RemoveAllMarks},
    {.id = "Liminnpekertilmerketpost1", .caption = "Lim inn peker til merket post",
     .menu = {TopMenu::kMerk, SubMenu::kNone, kSeparator},
     .button = {kMarks, "PasteCButton", 2, "Lim inn peker til merket post", nullptr,
                ButtonPicture::kPastePointer},
     .edits = kEdits, .enabled = MarksExist, .run = Liminnpekertilmerketpost1Click},
    {.id = "Liminnpekertilmerke1", .caption = "Lim inn høyre-link til merket post",
     .menu = {TopMenu::kMerk},
     .button = {kMarks, "LimHButton", 4, "Lin inn høyrelink til merket post", nullptr,
                ButtonPicture::kLinkRight},
     .edits = kEdits, .enabled = MarksExist, .run = Liminnpekertilmerke1Click},
    {.id = "Tilknyttdataframerketpost1", .caption = "Arv data fra merket post",
     .menu = {TopMenu::kMerk}, .edits = kEdits, .enabled = MarksExist,
     .run = Tilknyttdataframerketpost1Click},
    {.id = "Oppdaterdenneiframerket1", .caption = "Oppdater denne i fra merket",
     .menu = {TopMenu::kMerk}, .edits = kEdits, .enabled = MarksExist,
     .run = Oppdaterdenneiframerket1Click},
    {.id = "Leggtiliindex1", .caption = "Legg til bokmerke",
     .menu = {TopMenu::kMerk, SubMenu::kNone, kSeparator}, .edits = kEdits,
     .run = Leggtiliindex1Click},
    {.id = "Indexutforsker1", .caption = "Bokmerke utforsker", .menu = {TopMenu::kMerk},
     .run = Indexutforsker1Click},
    {.id = "Nyindex1", .caption = "Lag ny innholdfortegnesle", .menu = {TopMenu::kMerk},
     .edits = kEdits, .run = Nyindex1Click},
    {.id = "Leggtilhurtigmeny1", .caption = "Legg til i hurtigmeny",
     .menu = {TopMenu::kMerk, SubMenu::kNone, kSeparator}, .edits = kEdits,
     .run = Leggtilhurtigmeny1Click},

    // ---- &Tilknytning ----
    {.id = "Redigermal1", .caption = "&Rediger mal", .menu = {TopMenu::kTilknytning},
     .edits = kEdits, .enabled = HasTemplate, .run = Redigermal1Click},
    {.id = "Tilknyttmal1", .caption = "&Tilknytt mal", .menu = {TopMenu::kTilknytning},
     .edits = kEdits, .enabled = TakesTemplate, .run = Tilknyttmal1Click},
    {.id = "Tilknyttdokument1", .caption = "Tilknytt dokument",
     .menu = {TopMenu::kTilknytning, SubMenu::kNone, kSeparator},
     .button = {kRow, "SpeedButton6", 304, "Tilknytt et dokument", nullptr,
                ButtonPicture::kLinkDocument},
     .edits = kEdits, .run = Tilknyttdokument1Click},
    {.id = "Tilknyttprogram1", .caption = "Tilknytt program ...",
     .menu = {TopMenu::kTilknytning, SubMenu::kNone, kSeparator}, .edits = kEdits,
     .enabled = IsDataRecord, .run = Tilknyttprogram1Click},
    {.id = "Fjerntilknytningtilprogram1", .caption = "&Fjern tilknytning til program",
     .menu = {TopMenu::kTilknytning}, .edits = kEdits, .enabled = IsDataRecord,
     .run = Fjerntilknytningtilprogram1Click},

    // ---- Liste ----
    {.id = "Sorterlistenstigende1", .caption = "Sorter listen stigende", .menu = {TopMenu::kListe},
     .edits = kEdits, .run = [](TQuillForm& w) { SortCurrentList(w, true); }},
    {.id = "Sorterlistensynkende1", .caption = "Sorter listen synkende", .menu = {TopMenu::kListe},
     .edits = kEdits, .run = [](TQuillForm& w) { SortCurrentList(w, false); }},
    {.id = "CSV1", .caption = "Eksporter listen til tekstfil",
     .menu = {TopMenu::kListe, SubMenu::kNone, kSeparator}, .run = CSV1Click},
    {.id = "LagHTMLtabell1", .caption = "Eksporter listen til HTML-tabell",
     .menu = {TopMenu::kListe}, .run = LagHTMLtabell1Click},
    {.id = "Klargjrtabellforreplikering1", .caption = "Klargjør listen for replikering",
     .menu = {TopMenu::kListe, SubMenu::kNone, kSeparator}, .edits = kEdits,
     .run = [](TQuillForm& w) { ReplicateList(w, ListReplication::kPrepare); }},
    {.id = "Stoppreplikering1", .caption = "Stopp replikering i denne listen",
     .menu = {TopMenu::kListe}, .edits = kEdits,
     .run = [](TQuillForm& w) { ReplicateList(w, ListReplication::kStop); }},
    {.id = "Setttidforreplikering1", .caption = "Sett tid for replikering",
     .menu = {TopMenu::kListe}, .edits = kEdits,
     .run = [](TQuillForm& w) { ReplicateList(w, ListReplication::kStamp); }},

    // ---- Blo&kk ----
    {.id = "Merkfrste1", .caption = "Merk første", .menu = {TopMenu::kBlokk},
     .button = {kRow, "SpeedButton7", 488, "Merk første i blokken", nullptr,
                ButtonPicture::kBlockFirst},
     .run = MarkBlockFirstClick},
    {.id = "Merksiste1", .caption = "Merk siste", .menu = {TopMenu::kBlokk},
     .button = {kRow, "SpeedButton8", 512, "Merk siste i blokken", nullptr,
                ButtonPicture::kBlockLast},
     .run = MarkBlockLastClick},
    {.id = "Gtilstartavblokk1", .caption = "Gå til start av blokk",
     .menu = {TopMenu::kBlokk, SubMenu::kNone, kSeparator}, .enabled = HasBlockStart,
     .run = Gtilstartavblokk1Click},
    {.id = "Gtilsluttenavblokk1", .caption = "Gå til slutten av blokk", .menu = {TopMenu::kBlokk},
     .enabled = HasBlockEnd, .run = Gtilsluttenavblokk1Click},
    {.id = "Klipput2", .caption = "Klipp &ut", .menu = {TopMenu::kBlokk, SubMenu::kNone, kSeparator},
     .edits = kEdits, .enabled = HasBlock, .run = Klipput2Click, .step = "Klipp ut blokken"},
    {.id = "Kopier2", .caption = "&Kopier", .menu = {TopMenu::kBlokk}, .enabled = HasBlock,
     .run = Kopier2Click},
    {.id = "Liminn1", .caption = "&Lim inn", .menu = {TopMenu::kBlokk}, .edits = kEdits,
     .enabled = BlockClipboardFilled, .run = Liminn1Click, .step = "Lim inn blokken"},
    {.id = "Liminnpekere1", .caption = "Lim inn &pekere", .menu = {TopMenu::kBlokk},
     .edits = kEdits, .enabled = BlockClipboardFilled, .run = Liminnpekere1Click,
     .step = "Lim inn pekere til blokken"},
    {.id = "Slett1", .caption = "&Slett", .menu = {TopMenu::kBlokk}, .edits = kEdits,
     .enabled = HasBlock, .run = Slett1Click, .step = "Slett blokken", .stepRecord = StepRecord::kNone},
    {.id = "Flyttblokktilhyre1", .caption = "Flytt blokk til høyre",
     .menu = {TopMenu::kBlokk, SubMenu::kNone, kSeparator}, .edits = kEdits, .enabled = HasBlock,
     .run = Flyttblokktilhyre1Click, .stepRecord = StepRecord::kNone},

    // ---- &Vis: each panel item shows its panel's visibility and flips it ----
    {.id = "Statuslinje1", .caption = "Statuslinje", .menu = {TopMenu::kVis}, .checkable = true,
     .checked = [](TQuillForm& w) { return w.PanelShown(WindowPanel::kStatusBar); },
     .run = [](TQuillForm& w) { w.TogglePanel(WindowPanel::kStatusBar); }},
    {.id = "Listeovermerkede1", .caption = "Liste over merkede", .menu = {TopMenu::kVis},
     .checkable = true,
     .checked = [](TQuillForm& w) { return w.PanelShown(WindowPanel::kMarks); },
     .run = [](TQuillForm& w) { w.TogglePanel(WindowPanel::kMarks); }},
    {.id = "Hurtigliste1", .caption = "Hurtigliste", .menu = {TopMenu::kVis}, .checkable = true,
     .checked = [](TQuillForm& w) { return w.PanelShown(WindowPanel::kQuickList); },
     .run = [](TQuillForm& w) { w.TogglePanel(WindowPanel::kQuickList); }},
    {.id = "Knapperad1", .caption = "Knapperad", .menu = {TopMenu::kVis}, .checkable = true,
     .checked = [](TQuillForm& w) { return w.PanelShown(WindowPanel::kButtonRow); },
     .run = [](TQuillForm& w) { w.TogglePanel(WindowPanel::kButtonRow); }},
    {.id = "Oppdater1", .caption = "Oppdater", .menu = {TopMenu::kVis, SubMenu::kNone, kSeparator},
     .shortcut = "F5", .run = Oppdater1Click},
    {.id = "AutoOppdater1", .caption = "Auto oppdatering av data",
     .menu = {TopMenu::kVis, SubMenu::kNone, kSeparator}, .checkable = true,
     .checked = [](TQuillForm& w) { return w.dataark().autoUpdate; },
     .run = [](TQuillForm& w) { w.dataark().autoUpdate = !w.dataark().autoUpdate; }},
    {.id = "Automatiskhopp", .caption = "Automatisk hopp til global peker", .menu = {TopMenu::kVis},
     .checkable = true,
     .checked = [](TQuillForm& w) { return w.dataark().IsOpen() && w.dataark().dp->AutoFollow(); },
     .run =
         [](TQuillForm& w) {
           if (w.dataark().IsOpen()) w.dataark().dp->SetAutoFollow(!w.dataark().dp->AutoFollow());
         }},

    // ---- Verktøy ----
    {.id = "Fix1", .caption = "Korriger pekerlengd", .menu = {TopMenu::kVerktoy}, .edits = kEdits,
     .run = Fix1Click},
    {.id = "Informasjonompekere1", .caption = "Informasjon om pekere", .menu = {TopMenu::kVerktoy},
     .run = Informasjonompekere1Click},
    {.id = "Kontrollerogreparer1", .caption = "Kontroller og reparer databasen",
     .menu = {TopMenu::kVerktoy}, .run = Kontrollerogreparer1Click,  // the repair asks itself
     .step = "Reparer databasen", .stepRecord = StepRecord::kNone},
    {.id = "Slettedeposter1", .caption = "Slettede poster", .menu = {TopMenu::kVerktoy},
     .edits = kEdits, .run = Slettedeposter1Click, .step = "Gjenopprett slettet post",
     .stepRecord = StepRecord::kLanded},

    // ---- Oppsett ----
    {.id = "Mappeplasseringer1", .caption = "Mappeplasseringer", .menu = {TopMenu::kOppsett},
     .run = [](TQuillForm& w) { ShowSetup(w, SetupDialog::kFolders); }},
    {.id = "Oppstart1", .caption = "Oppstart", .menu = {TopMenu::kOppsett},
     .run = [](TQuillForm& w) { ShowSetup(w, SetupDialog::kStartup); }},
    {.id = "Database1", .caption = "Database", .menu = {TopMenu::kOppsett},
     .run = [](TQuillForm& w) { ShowSetup(w, SetupDialog::kDatabase); }},

    // ---- Hjelp ----
    {.id = "Innhold1", .caption = "Innhold", .menu = {TopMenu::kHjelp}},  // never enabled
    {.id = "Dataformat1", .caption = "Dataformat", .menu = {TopMenu::kHjelp},
     .run = Dataformat1Click},
    {.id = "Oppdateringerpinternett1", .caption = "Oppdateringer på internett",
     .menu = {TopMenu::kHjelp, SubMenu::kNone, kSeparator}, .run = Oppdateringerpinternett1Click},
    {.id = "Systeminformasjon1", .caption = "Systeminformasjon",
     .menu = {TopMenu::kHjelp, SubMenu::kNone, kSeparator}, .run = Systeminformasjon1Click},

    // ---- The moves of the button row and the keys ----
    {.id = "SpeedButton3",
     .button = {kRow, "SpeedButton3", 0, "Hopp til første data", nullptr, ButtonPicture::kFirstData},
     .run = [](TQuillForm& w) { Go(w, Move::kFirstData); }},
    {.id = "TopButton",
     .button = {kRow, "TopButton", 32, nullptr, "Første i listen", ButtonPicture::kListFirst},
     .enabled = HasUp, .run = [](TQuillForm& w) { Go(w, Move::kFirst); }},
    {.id = "nButton", .button = {kRow, "nButton", 56, nullptr, "Neste", ButtonPicture::kDown},
     .enabled = HasDown, .run = [](TQuillForm& w) { Go(w, Move::kDown); }},
    {.id = "oButton", .button = {kRow, "oButton", 80, nullptr, "Forrige", ButtonPicture::kUp},
     .enabled = HasUp, .run = [](TQuillForm& w) { Go(w, Move::kUp); }},
    {.id = "BottomButton",
     .button = {kRow, "BottomButton", 104, nullptr, "Siste i listen", ButtonPicture::kListLast},
     .enabled = HasDown, .run = [](TQuillForm& w) { Go(w, Move::kLast); }},
    {.id = "vButton", .windowKeys = {"Left"},
     .button = {kRow, "vButton", 136, nullptr, "Til venstre", ButtonPicture::kLeft},
     .enabled = HasLeft, .run = [](TQuillForm& w) { Go(w, Move::kLeft); }},
    {.id = "hButton", .windowKeys = {"Right"},
     .button = {kRow, "hButton", 160, nullptr, "Til høyre", ButtonPicture::kRight},
     .enabled = HasRight, .run = [](TQuillForm& w) { Go(w, Move::kRight); }},
    {.id = "iButton", .button = {kRow, "iButton", 192, nullptr, "Innover", ButtonPicture::kInward},
     .enabled = HasInward, .run = [](TQuillForm& w) { Go(w, Move::kInward); }},
    {.id = "uButton", .button = {kRow, "uButton", 216, nullptr, "Utover", ButtonPicture::kOutward},
     .enabled = HasOutward, .run = [](TQuillForm& w) { Go(w, Move::kOutward); }},
    {.id = "EnterSubList", .windowKeys = {"Return", "Enter"},
     .run = [](TQuillForm& w) { Go(w, Move::kEnter); }},
    // With Ctrl the list keys move the current record; without it they stay the scroll bar's.
    {.id = "StepUp", .windowKeys = {"Ctrl+Up"}, .run = [](TQuillForm& w) { Step(w, ListStep::kUp); }},
    {.id = "StepDown", .windowKeys = {"Ctrl+Down"},
     .run = [](TQuillForm& w) { Step(w, ListStep::kDown); }},
    {.id = "StepFirst", .windowKeys = {"Ctrl+Home"},
     .run = [](TQuillForm& w) { Step(w, ListStep::kFirst); }},
    {.id = "StepLast", .windowKeys = {"Ctrl+End"},
     .run = [](TQuillForm& w) { Step(w, ListStep::kLast); }},
    {.id = "StepPageUp", .windowKeys = {"Ctrl+PgUp"},
     .run = [](TQuillForm& w) { Step(w, ListStep::kPageUp); }},
    {.id = "StepPageDown", .windowKeys = {"Ctrl+PgDown"},
     .run = [](TQuillForm& w) { Step(w, ListStep::kPageDown); }},

    // ---- The marks bar's own buttons ----
    {.id = "SlettMButton",
     .button = {kMarks, "SlettMButton", 1, "Slett", nullptr, ButtonPicture::kDelete},
     .enabled = MarksExist, .run = SlettMButtonClick},
    {.id = "PasteC2Button",
     .button = {kMarks, "PasteC2Button", 3, "Lim inn peker til alle merkede poster", nullptr,
                ButtonPicture::kPasteAllPointers},
     .edits = kEdits, .enabled = MarksExist, .run = PasteC2ButtonClick},
};

constexpr TopMenuName kTopMenus[] = {
    {nullptr, nullptr},          {"Fil1", "&Fil"},     {"Rediger1", "&Rediger"},
    {"Let1", "&Let"},            {"Ny2", "&Ny"},       {"Merk1", "&Merk"},
    {"Tilknytning1", "&Tilknytning"}, {"Liste1", "L&iste"}, {"Blokk1", "Blo&kk"},
    {"Vis1", "&Vis"},            {"Verkty1", "V&erktøy"}, {"Oppsett1", "&Oppsett"},
    {"Hjelp1", "&Hjelp"},
};
constexpr TopMenuName kSubMenus[] = {
    {nullptr, nullptr}, {"Importer1", "&Importer"}, {"Eksporter1", "&Eksporter"}};

}  // namespace

std::span<const WindowCommand> WindowCommands() { return kCommands; }

const WindowCommand* FindWindowCommand(std::string_view id) {
  for (const WindowCommand& command : kCommands) {
    if (id == command.id) return &command;
  }
  return nullptr;
}

TopMenuName NameOf(TopMenu menu) { return kTopMenus[size_t(menu)]; }
TopMenuName NameOf(SubMenu sub) { return kSubMenus[size_t(sub)]; }

std::string StepCaption(const WindowCommand& command) {
  if (command.step != nullptr) return command.step;
  const char* caption = command.caption != nullptr           ? command.caption
                        : command.context.caption != nullptr ? command.context.caption
                        : command.button.hint != nullptr     ? command.button.hint
                                                             : command.id;
  return StepName(caption, "");
}

bool CommandEnabled(const WindowCommand& command, const CommandFacts& facts, bool writable) {
  if (command.run == nullptr || (command.edits && !writable)) return false;
  return command.enabled == nullptr || command.enabled(facts);
}

bool ButtonEnabled(const WindowCommand& command, const CommandFacts& facts, bool writable) {
  if (!CommandEnabled(command, facts, writable)) return false;
  return command.button.enabled == nullptr || command.button.enabled(facts);
}

}  // namespace qn
